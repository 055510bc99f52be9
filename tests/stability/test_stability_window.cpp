// The two stability windows: worked lists, labels, refusals, the decimal mark
// of the locale; captions, names and tooltips of the controls; the wait cursor.
#include <QCheckBox>
#include <QRegularExpression>
#include <QToolTip>
#include <QtTest>

#include "stability/stability_window.h"
#include "support/window_checks.h"
#include "support/window_support.h"
#include "ui/controls.h"
#include "ui/line_tips.h"
#include "ui/result_list.h"
#include "ui/typeface.h"

namespace {

using Fields = QList<QPair<const char*, QString>>;
const Fields kP0{{"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "16"}, {"Txta", "0.5"}, {"Txtu0", "1"}};
const Fields kPeps = kP0 + Fields{{"TxtV0", "0"}, {"TxtEpsilon", "0.0625"}};
QString msg(const core::Failure& f) { return QString::fromStdString(f.message); }

struct Win {
  explicit Win(core::Scheme s) : window(s), example(s == core::Scheme::P0 ? kP0 : kPeps) {
    w->show();
  }
  // Sets the fields and clicks "Lancer les calculs"; returns the messages shown.
  QStringList click(const Fields& f = {}) {
    for (const auto& [name, text] : f) test::setText(w, name, text);
    test::BoxCatcher boxes;
    test::button(w, "CmdCalculs")->click();
    cursorAtBox = boxes.cursorAtBox;
    return boxes.texts;
  }
  QStringList lines() { return test::lines(w, "ListRes"); }
  QStringList labels() {
    QStringList out;
    for (const char* l : {"LblH", "LblTau", "LblLambda", "LblAlpha"}) out << test::labelText(w, l);
    return out;
  }
  QStringList seen() { return lines() + labels(); }
  StabilityWindow window;
  StabilityWindow* w = &window;
  Fields example;
  bool cursorAtBox = false;  // of the last click
};

}  // namespace

Q_DECLARE_METATYPE(core::Scheme)

class TestStabilityWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QLocale::setDefault(QLocale::c());
    test::freshState();
  }

  void p0ExampleListsEveryLevel() {
    Win win(core::Scheme::P0);
    QVERIFY(win.click(kP0).isEmpty());
    QCOMPARE(win.labels(), QStringList({"0.25000", "0.06250", "0.50000", ""}));
    const QStringList lines = win.lines();
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines.mid(0, 2),
             QStringList({"x =    # 0.25 # 0.50 # 0.75", "n= 0  # 1.00 # 1.00 # 1.00"}));
    QVERIFY(lines.last().startsWith("n= 16  # "));
    QVERIFY(test::button(win.w, "Cmdgraphique")->isEnabled());
    // Enter in a field runs too, and a new run replaces the list.
    test::setText(win.w, "TxtK", "2");
    test::BoxCatcher boxes;  // a box must not block the key click
    QTest::keyClick(test::field(win.w, "TxtK"), Qt::Key_Return);
    QCOMPARE(win.lines().size(), 4);
    QCOMPARE(test::labelText(win.w, "LblTau"), QString("0.50000"));
  }

  void pepsilonLevelsWithAndWithoutSource() {
    Win win(core::Scheme::Peps);
    QVERIFY(win.click(kPeps).isEmpty());
    QCOMPARE(win.labels(), QStringList({"0.25000", "0.06250", "0.50000", "1.00000"}));
    const QStringList plain = win.lines();
    QCOMPARE(plain.size(), 18);
    QCOMPARE(plain.at(4), QString("n= 3  # 0.50 # 0.88 # 0.50"));
    auto* check = win.w->findChild<QCheckBox*>("CheckF");
    check->setChecked(true);
    QVERIFY(win.click({{"TextFF", "8"}, {"TextNN", "2"}}).isEmpty());
    QCOMPARE(win.lines().at(3), QString("n= 2  # 1.00 # 1.25 # 1.00"));
    QVERIFY(win.click({{"TextNN", "1"}}).isEmpty());  // level 1 comes from the start step
    QCOMPARE(win.lines(), plain);
    QVERIFY(win.click({{"TextNN", "2"}}).isEmpty());
    check->setChecked(false);  // unticked: no source, FF and NN kept
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.lines(), plain);
    QCOMPARE(ModGeneral::state().FF.value(), 8.0);
    QCOMPARE(int(ModGeneral::state().NN), 2);
  }

  void refusalsLeaveTheWindowUsable_data() {
    QTest::addColumn<core::Scheme>("scheme");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");  // empty: any single message
    const struct {
      const char* field;
      const char* text;
      QString message;
      bool pepsOnly;
    } cases[] = {
        {"TxtN", "1", msg(core::fail::nTooSmall()), false},
        {"TxtK", "0", msg(core::fail::kTooSmall()), false},
        {"TxtK", "-3", msg(core::fail::kTooSmall()), false},
        {"TxtK", " ", msg(core::fail::kTooSmall()), false},  // a blank is not empty: it reads 0
        {"Txta", "1e999", msg(core::fail::numberOutOfRange("a")), false},
        {"TxtK", "1e9", "", false},
        {"TxtN", "1e9", "", false},
        {"TxtEpsilon", "-0.0625", msg(core::fail::alphaMinusOne()), true},
        {"TextNN", "32767", msg(core::fail::nnOutOfRange()), true},
        {"TxtT", "0", msg(core::fail::tZero()), true},  // P0 takes T = 0
    };
    for (auto scheme : {core::Scheme::P0, core::Scheme::Peps}) {
      for (const auto& c : cases) {
        if (scheme == core::Scheme::P0 && c.pepsOnly) continue;
        QTest::addRow("%s %s = '%s'", scheme == core::Scheme::P0 ? "P0" : "Pepsilon", c.field,
                      c.text)
            << scheme << QString::fromLatin1(c.field) << QString::fromLatin1(c.text) << c.message;
      }
      // Any field of the example left empty.
      for (const auto& [name, text] : scheme == core::Scheme::P0 ? kP0 : kPeps)
        QTest::addRow("%s %s empty", scheme == core::Scheme::P0 ? "P0" : "Pepsilon", name)
            << scheme << QString::fromLatin1(name) << QString() << QString("Saisie incomplète !");
    }
  }

  void refusalsLeaveTheWindowUsable() {
    QFETCH(core::Scheme, scheme);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    const QByteArray name = field.toLatin1();
    Win win(scheme);
    QVERIFY(!test::button(win.w, "Cmdgraphique")->isEnabled());  // nothing to draw yet
    if (auto* check = win.w->findChild<QCheckBox*>("CheckF")) check->setChecked(true);
    QVERIFY(win.click(win.example + Fields{{"TextFF", "1"}, {"TextNN", "2"}}).isEmpty());
    const QStringList seen = win.seen();
    const QString old = test::field(win.w, name.constData())->text();
    const QStringList shown = win.click({{name.constData(), text}});
    QCOMPARE(shown.size(), 1);
    if (!message.isEmpty()) QCOMPARE(shown[0], message);
    QCOMPARE(win.seen(), seen);
    // The wait cursor, if any, went before the message and is gone.
    QVERIFY(!win.cursorAtBox && !QApplication::overrideCursor());
    QVERIFY(test::button(win.w, "Cmdgraphique")->isEnabled());
    QVERIFY(win.click({{name.constData(), old}}).isEmpty());
    QCOMPARE(win.seen(), seen);
  }

  void overflowListsTheFiniteLevelsThenSaysSo() {
    Win win(core::Scheme::P0);
    const QStringList shown = win.click(kP0 + Fields{{"TxtK", "1000"}, {"Txta", "1000"}}),
                      lines = win.lines();
    QVERIFY(lines.size() > 2 && lines.size() < 1002);
    QCOMPARE(shown, QStringList{msg(core::fail::overflow(lines.size() - 1))});
    QVERIFY(!lines.last().contains("inf") && !lines.last().contains("nan"));
  }

  void busyRefusesBeforeAnything() {
    Win win(core::Scheme::P0);
    QVERIFY(win.click(kP0).isEmpty());
    const QStringList seen = win.seen();
    QWidget other;
    QVERIFY(ModGeneral::beginComputation(&other));
    // Busy comes even before the empty field.
    QCOMPARE(win.click({{"TxtK", "4"}, {"TxtN", ""}}), QStringList{msg(core::fail::busy())});
    QCOMPARE(ModGeneral::state().K.value(), 16.0);
    QCOMPARE(win.seen(), seen);
    ModGeneral::endComputation(&other);
    QVERIFY(win.click(kP0).isEmpty());
  }

  void frenchMarkShownTypedTextReadWithPoint() {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Win win(core::Scheme::P0);
    QVERIFY(win.click(kP0).isEmpty());
    QCOMPARE(win.labels(), QStringList({"0,25000", "0,06250", "0,50000", ""}));
    QCOMPARE(win.lines().at(2), QString("n= 1  # 0,50 # 1,00 # 0,50"));
    QVERIFY(win.click({{"Txta", "0,5"}}).isEmpty());  // the comma ends the number: a = 0
    QCOMPARE(test::labelText(win.w, "LblLambda"), QString("0,00000"));
  }

  void captionsAndFieldNames_data() {
    QTest::addColumn<core::Scheme>("scheme");
    QTest::addColumn<double>("titleSize");
    QTest::newRow("P0") << core::Scheme::P0 << 18.0;
    QTest::newRow("Pepsilon") << core::Scheme::Peps << 13.5;
  }

  // The title at its own size, every other caption at the window's 8 pt;
  // each field named for its quantity.
  void captionsAndFieldNames() {
    QFETCH(core::Scheme, scheme);
    QFETCH(double, titleSize);
    StabilityWindow w(scheme);
    test::checkCaptions(
        &w, [&](const QString& name) { return name == "Label1" ? titleSize : 8.0; }, 21);
    test::checkFieldsNamed(&w, "TxtN=N TxtT=T TxtK=K Txta=a Txtu0=u0");
    if (scheme == core::Scheme::Peps)
      test::checkFieldsNamed(&w, "TxtV0=v0 TxtEpsilon=Epsilon TextFF=f TextNN=n");
  }

  // Values keep their places: a value too wide for its label or field is
  // whole in the tooltip; Lambda's label keeps its note on the stability
  // condition; the check box's indicator is drawn whole.
  void clippedValuesAreWholeInTooltips() {
    Win win(core::Scheme::Peps);
    QVERIFY(win.click(kPeps + Fields{{"TxtK", "200000"}, {"TxtN", "2"}, {"TxtEpsilon", "1000"}})
                .isEmpty());
    auto* alpha = win.w->findChild<ui::ValueLabel*>("LblAlpha");
    QCOMPARE(alpha->text(), QStringLiteral("200000000.00000"));
    QVERIFY(alpha->clipped());
    QCOMPARE(alpha->toolTip(), alpha->text());
    auto* lambda = win.w->findChild<ui::ValueLabel*>("LblLambda");
    QVERIFY(!lambda->clipped() &&
            lambda->toolTip() == StabilityWindow::stabilityConditionText(core::Scheme::Peps));
    QCOMPARE(test::field(win.w, "TxtK")->toolTip(), QStringLiteral("200000"));
    QCOMPARE(test::field(win.w, "TxtN")->toolTip(), QString());
    auto* check = win.w->findChild<QCheckBox*>("CheckF");
    QVERIFY(check->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, check) <=
            check->height());
  }

  // A line wider than the list is whole in its tooltip; a short one has none.
  void longLinesAreWholeInTooltips() {
    Win win(core::Scheme::P0);
    QVERIFY(win.click(kP0 + Fields{{"TxtN", "200"}, {"TxtK", "2"}}).isEmpty());
    ui::ResultListView* list = win.window.resultList();
    const QModelIndex line = list->model()->index(1, 0);
    QVERIFY(ui::LineTips::lineHidden(list, line));
    const QPoint at = list->visualRect(line).center();
    QHelpEvent ask(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list->viewport(), &ask);
    QCOMPARE(QToolTip::text(), ui::LineTips::tipText(line.data().toString()));
    QVERIFY(win.click(kP0).isEmpty());
    QVERIFY(!ui::LineTips::lineHidden(list, list->model()->index(1, 0)));
  }

  void tipTextKeepsTheWholeLine_data() {
    QTest::addColumn<QString>("line");
    QTest::newRow("short") << QStringLiteral("n= 0  # 1.00");
    QTest::newRow("many values") << QStringLiteral("n= 7 ") +
                                        QStringLiteral(" # 0.25").repeated(300);
    QTest::newRow("no blank") << QStringLiteral("x").repeated(250);
  }

  void tipTextKeepsTheWholeLine() {
    QFETCH(QString, line);
    const QString tip = ui::LineTips::tipText(line, 100);
    QCOMPARE(QString(tip).remove(QLatin1Char('\n')), line);
    for (const QString& piece : tip.split(QLatin1Char('\n'))) QVERIFY(piece.size() <= 100);
  }

  void waitCursorForLongRunsOnly_data() {
    QTest::addColumn<QString>("N");
    QTest::addColumn<QString>("K");
    QTest::addColumn<bool>("shown");
    const struct {
      const char *row, *N, *K;
      bool shown;
    } rows[] = {{"worked example", "3", "16", false},
                {"a second of work", "999", "100000", true},
                {"one point, many levels", "1", "4000000", true},
                {"refused, too large", "1e9", "1e9", true}};
    for (const auto& r : rows) QTest::newRow(r.row) << QString(r.N) << QString(r.K) << r.shown;
  }

  // Shown for a run of many values (that it is gone before any message box
  // is checked with the refusals).
  void waitCursorForLongRunsOnly() {
    QFETCH(QString, N);
    QFETCH(QString, K);
    QFETCH(bool, shown);
    core::StabilityFields f;
    f.N = N.toStdString();
    f.K = K.toStdString();
    QCOMPARE(StabilityWindow::showsBusyCursor(f), shown);
  }
};

QTEST_MAIN(TestStabilityWindow)
#include "test_stability_window.moc"
