// The two stability windows: worked lists, labels, refusals, the decimal mark;
// names and tooltips of the controls; the wait cursor.
#include <QCheckBox>
#include <QToolTip>
#include <QtTest>

#include "stability/stability_window.h"
#include "support/window_checks.h"
#include "support/window_support.h"
#include "ui/controls.h"
#include "ui/line_tips.h"
#include "ui/result_list.h"

using test::Fields;

namespace {

const Fields kP0{.N = "3", .T = "1", .K = "16", .a = "0.5", .u0 = "1"};
const Fields kPeps = kP0.with({.v0 = "0", .Epsilon = "0.0625"});
QString msg(const core::Failure& f) { return QString::fromStdString(f.message); }

struct Win {
  explicit Win(core::Scheme s) : window(s), example(s == core::Scheme::P0 ? kP0 : kPeps) {
    w->show();
  }
  // Types the fields, clicks "Lancer les calculs"; returns the messages shown.
  QStringList click(const Fields& f = {}) { return test::click(w, "CmdCalculs", f); }
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
};

}  // namespace

Q_DECLARE_METATYPE(core::Scheme)

class TestStabilityWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::freshState(); }

  // Typed with a point, shown with the French comma; Enter in a field runs
  // too, and a new run replaces the list.
  void p0ExampleListsEveryLevel() {
    Win win(core::Scheme::P0);
    QVERIFY(win.click(kP0).isEmpty());
    QCOMPARE(win.labels(), QStringList({"0,25000", "0,06250", "0,50000", ""}));
    const QStringList lines = win.lines();
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines.mid(0, 3),
             QStringList({"x =    # 0,25 # 0,50 # 0,75", "n= 0  # 1,00 # 1,00 # 1,00",
                          "n= 1  # 0,50 # 1,00 # 0,50"}));
    QVERIFY(lines.last().startsWith("n= 16  # "));
    QVERIFY(test::button(win.w, "Cmdgraphique")->isEnabled());
    test::setText(win.w, "TxtK", "2");
    test::BoxCatcher boxes;  // a box must not block the key click
    QTest::keyClick(test::field(win.w, "TxtK"), Qt::Key_Return);
    QCOMPARE(win.lines().size(), 4);
    QVERIFY(win.click({.a = "0,5"}).isEmpty());  // the comma ends the number: a = 0
    QCOMPARE(test::labelText(win.w, "LblLambda"), QString("0,00000"));
  }

  void pepsilonLevelsWithAndWithoutSource() {
    Win win(core::Scheme::Peps);
    QVERIFY(win.click(kPeps).isEmpty());
    QCOMPARE(win.labels(), QStringList({"0,25000", "0,06250", "0,50000", "1,00000"}));
    const QStringList plain = win.lines();
    QCOMPARE(plain.at(4), QString("n= 3  # 0,50 # 0,88 # 0,50"));
    auto* check = win.w->findChild<QCheckBox*>("CheckF");
    check->setChecked(true);
    QVERIFY(win.click({.FF = "8", .NN = "2"}).isEmpty());
    QCOMPARE(win.lines().at(3), QString("n= 2  # 1,00 # 1,25 # 1,00"));
    check->setChecked(false);  // unticked: no source, FF and NN kept
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.lines(), plain);
    QCOMPARE(ModGeneral::state().FF.value(), 8.0);
  }

  void refusalsLeaveTheWindowUsable_data() {
    QTest::addColumn<core::Scheme>("scheme");
    QTest::addColumn<Fields>("typed");
    QTest::addColumn<QString>("message");  // empty: any single message
    const auto P0 = core::Scheme::P0, Peps = core::Scheme::Peps;
    QTest::newRow("N = 1") << P0 << Fields{.N = "1"} << msg(core::fail::nTooSmall());
    QTest::newRow("a out of range")
        << P0 << Fields{.a = "1e999"} << msg(core::fail::numberOutOfRange("a"));
    QTest::newRow("tables too large") << P0 << Fields{.N = "1e9"} << QString();
    QTest::newRow("u0 empty") << P0 << Fields{.u0 = ""} << "Saisie incomplète !";
    QTest::newRow("Pepsilon v0 empty") << Peps << Fields{.v0 = ""} << "Saisie incomplète !";
    QTest::newRow("NN = 32767") << Peps << Fields{.NN = "32767"} << msg(core::fail::nnOutOfRange());
    QTest::newRow("busy, before the empty N")
        << P0 << Fields{.N = "", .K = "4"} << msg(core::fail::busy());
  }

  // One message (while another window computes, that one first), the list,
  // labels and stored K as they were, the wait cursor gone before the
  // message; the window runs again.
  void refusalsLeaveTheWindowUsable() {
    QFETCH(core::Scheme, scheme);
    QFETCH(Fields, typed);
    QFETCH(QString, message);
    Win win(scheme);
    QVERIFY(!test::button(win.w, "Cmdgraphique")->isEnabled());  // nothing to draw yet
    if (auto* check = win.w->findChild<QCheckBox*>("CheckF")) check->setChecked(true);
    QVERIFY(win.click(win.example.with({.FF = "1", .NN = "2"})).isEmpty());
    const QStringList seen = win.seen();
    QWidget other;
    const bool busy = message == msg(core::fail::busy());
    if (busy) QVERIFY(ModGeneral::beginComputation(&other));
    test::BoxCatcher boxes;
    test::click(win.w, "CmdCalculs", typed);
    if (busy) ModGeneral::endComputation(&other);
    QCOMPARE(ModGeneral::state().K.value(), 16.0);
    QCOMPARE(boxes.texts.size(), 1);
    if (!message.isEmpty()) QCOMPARE(boxes.last(), message);
    QCOMPARE(win.seen(), seen);
    QVERIFY(!boxes.cursorAtBox && !QApplication::overrideCursor());
    QVERIFY(test::button(win.w, "Cmdgraphique")->isEnabled());
    QVERIFY(win.click(win.example.with({.NN = "2"})).isEmpty());
    QCOMPARE(win.seen(), seen);
  }

  void overflowListsTheFiniteLevelsThenSaysSo() {
    Win win(core::Scheme::P0);
    const QStringList shown = win.click(kP0.with({.K = "1000", .a = "1000"})), lines = win.lines();
    QVERIFY(lines.size() > 2 && lines.size() < 1002);
    QCOMPARE(shown, QStringList{msg(core::fail::overflow(lines.size() - 1))});
    QVERIFY(!lines.last().contains("inf") && !lines.last().contains("nan"));
  }

  void fieldsNamed_data() {
    QTest::addColumn<core::Scheme>("scheme");
    QTest::newRow("P0") << core::Scheme::P0;
    QTest::newRow("Pepsilon") << core::Scheme::Peps;
  }
  // Each field and value named for its quantity (captions: the desktop test's walk).
  void fieldsNamed() {
    QFETCH(core::Scheme, scheme);
    Win win(scheme);
    test::checkFieldsNamed(win.w, "TxtN=N TxtT=T TxtK=K Txta=a Txtu0=u0");
    if (scheme == core::Scheme::Peps)
      test::checkFieldsNamed(win.w, "TxtV0=v0 TxtEpsilon=Epsilon TextFF=f TextNN=n");
    QVERIFY(win.w->findChild<QWidget*>("LblTau")->accessibleDescription().contains("T/K"));
  }

  // A value too wide for its label or field is whole in the tooltip;
  // Lambda's label keeps its note on the stability condition; a list line
  // wider than the list is whole in its tooltip, a short one has none.
  void clippedValuesAndLinesAreWholeInTooltips() {
    Win win(core::Scheme::Peps);
    QVERIFY(win.click(kPeps.with({.N = "2", .K = "200000", .Epsilon = "1000"})).isEmpty());
    auto* alpha = win.w->findChild<ui::ValueLabel*>("LblAlpha");
    QCOMPARE(alpha->text(), QStringLiteral("200000000,00000"));
    QVERIFY(alpha->clipped() && alpha->toolTip() == alpha->text());
    auto* lambda = win.w->findChild<ui::ValueLabel*>("LblLambda");
    QVERIFY(!lambda->clipped() &&
            lambda->toolTip() == StabilityWindow::stabilityConditionText(core::Scheme::Peps));
    QCOMPARE(test::field(win.w, "TxtK")->toolTip(), QStringLiteral("200000"));
    QCOMPARE(test::field(win.w, "TxtN")->toolTip(), QString());

    QVERIFY(win.click(kPeps.with({.N = "200", .K = "2"})).isEmpty());
    ui::ResultListView* list = win.window.resultList();
    const QModelIndex line = list->model()->index(1, 0);
    QVERIFY(ui::LineTips::lineHidden(list, line));
    const QPoint at = list->visualRect(line).center();
    QHelpEvent ask(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list->viewport(), &ask);
    QCOMPARE(QToolTip::text(), ui::LineTips::tipText(line.data().toString()));
    const QString tip = ui::LineTips::tipText(line.data().toString(), 100);
    QCOMPARE(QString(tip).remove(QLatin1Char('\n')), line.data().toString());
    QVERIFY(win.click(kPeps).isEmpty());
    QVERIFY(!ui::LineTips::lineHidden(list, list->model()->index(1, 0)));
  }

  void waitCursorForLongRunsOnly_data() {
    QTest::addColumn<Fields>("typed");
    QTest::addColumn<bool>("shown");
    QTest::newRow("worked example") << Fields{.N = "3", .K = "16"} << false;
    QTest::newRow("a second of work") << Fields{.N = "999", .K = "100000"} << true;
    QTest::newRow("one point, many levels") << Fields{.N = "1", .K = "4000000"} << true;
    QTest::newRow("refused, too large") << Fields{.N = "1e9", .K = "1e9"} << true;
  }
  void waitCursorForLongRunsOnly() {
    QFETCH(Fields, typed);
    QFETCH(bool, shown);
    QCOMPARE(
        StabilityWindow::showsBusyCursor({.N = typed.N.toStdString(), .K = typed.K.toStdString()}),
        shown);
  }
};

QTEST_MAIN(TestStabilityWindow)
#include "test_stability_window.moc"
