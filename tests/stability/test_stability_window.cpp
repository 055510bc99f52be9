// The two stability windows: worked lists, labels, refusals, the decimal mark of the locale.
#include <QCheckBox>
#include <QtTest>

#include "stability/stability_window.h"
#include "support/window_support.h"

namespace {

using Fields = QList<QPair<const char*, QString>>;
const Fields kP0{{"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "16"}, {"Txta", "0.5"}, {"Txtu0", "1"}};
const Fields kPeps = kP0 + Fields{{"TxtV0", "0"}, {"TxtEpsilon", "0.0625"}};
QString msg(const core::Failure& f) { return QString::fromStdString(f.message); }

struct Win {
  explicit Win(core::Scheme s) : window(s), example(s == core::Scheme::P0 ? kP0 : kPeps) { w->show(); }
  // Sets the fields and clicks "Lancer les calculs"; returns the messages shown.
  QStringList click(const Fields& f = {}) {
    for (const auto& [name, text] : f) test::setText(w, name, text);
    test::BoxCatcher boxes;
    test::button(w, "CmdCalculs")->click();
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
};

}  // namespace

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
    QCOMPARE(lines.mid(0, 5), QStringList({"x =    # 0.25 # 0.50 # 0.75", "n= 0  # 1.00 # 1.00 # 1.00",
                                           "n= 1  # 0.50 # 1.00 # 0.50", "n= 2  # 0.50 # 0.50 # 0.50",
                                           "n= 3  # 0.25 # 0.50 # 0.25"}));
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
    QCOMPARE(plain.mid(1, 4), QStringList({"n= 0  # 1.00 # 1.00 # 1.00", "n= 1  # 1.00 # 1.00 # 1.00",
                                           "n= 2  # 0.75 # 1.00 # 0.75", "n= 3  # 0.50 # 0.88 # 0.50"}));
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

  void emptyFieldChangesNothing() {
    for (auto scheme : {core::Scheme::P0, core::Scheme::Peps}) {
      Win win(scheme);
      QCOMPARE(win.click(), QStringList{"Saisie incomplète !"});
      QVERIFY(!test::button(win.w, "Cmdgraphique")->isEnabled());
      QVERIFY(win.click(win.example).isEmpty());
      const QStringList seen = win.seen();
      for (const auto& [name, text] : win.example) {
        QCOMPARE(win.click({{name, ""}}), QStringList{"Saisie incomplète !"});
        QCOMPARE(win.seen(), seen);
        QCOMPARE(ModGeneral::state().K.value(), 16.0);
        test::setText(win.w, name, text);
      }
    }
  }

  void refusalsLeaveTheWindowUsable() {
    // Field, text, message (empty: any single one); the last three are for Pepsilon only.
    const std::tuple<const char*, QString, QString> cases[] = {
        {"TxtN", "1", msg(core::fail::nTooSmall())},
        {"TxtK", "0", msg(core::fail::kTooSmall())},
        {"TxtK", "-3", msg(core::fail::kTooSmall())},
        {"TxtK", " ", msg(core::fail::kTooSmall())},  // a blank is not empty: it reads 0
        {"Txta", "1e999", msg(core::fail::numberOutOfRange("a"))},
        {"TxtK", "1e9", ""},
        {"TxtN", "1e9", ""},
        {"TxtEpsilon", "-0.0625", msg(core::fail::alphaMinusOne())},
        {"TextNN", "32767", msg(core::fail::nnOutOfRange())},
        {"TxtT", "0", msg(core::fail::tZero())},  // Pepsilon only: P0 takes T = 0
    };
    for (auto scheme : {core::Scheme::P0, core::Scheme::Peps}) {
      for (const auto& [field, text, message] : cases) {
        Win win(scheme);
        if (scheme == core::Scheme::P0 && QByteArray("TxtEpsilon TextNN TxtT").contains(field)) continue;
        if (auto* check = win.w->findChild<QCheckBox*>("CheckF")) check->setChecked(true);
        QVERIFY(win.click(win.example + Fields{{"TextFF", "1"}, {"TextNN", "2"}}).isEmpty());
        const QStringList seen = win.seen();
        const QString old = test::field(win.w, field)->text();
        const QStringList shown = win.click({{field, text}});
        QVERIFY2(shown.size() == 1 && (message.isEmpty() || shown[0] == message), field);
        QCOMPARE(win.seen(), seen);
        QVERIFY(win.click({{field, old}}).isEmpty());
        QCOMPARE(win.seen(), seen);
      }
    }
  }

  void overflowListsTheFiniteLevelsThenSaysSo() {
    Win win(core::Scheme::P0);
    const QStringList shown = win.click(kP0 + Fields{{"TxtK", "1000"}, {"Txta", "1000"}}), lines = win.lines();
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

  void listKeepsItsNumbersAfterOtherRuns() {
    Win p0(core::Scheme::P0), other(core::Scheme::P0);
    QVERIFY(p0.click(kP0).isEmpty());
    const QStringList lines = p0.lines();
    QVERIFY(other.click({{"TxtN", "5"}, {"TxtT", "2"}, {"TxtK", "3"}, {"Txta", "0.1"}, {"Txtu0", "7"}}).isEmpty());
    test::freshState();
    QCOMPARE(p0.lines(), lines);
  }
};

QTEST_MAIN(TestStabilityWindow)
#include "test_stability_window.moc"
