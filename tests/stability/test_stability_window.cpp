// The two stability windows: worked lists, labels, refusals that leave the
// window usable, the decimal mark of the locale and the "Graphiques" button.
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
  explicit Win(core::Scheme s) : w(new StabilityWindow(s)), example(s == core::Scheme::P0 ? kP0 : kPeps) {
    w->show();
  }
  ~Win() { delete w; }
  void set(const Fields& f) {
    for (const auto& [name, text] : f) test::setText(w, name, text);
  }
  QStringList click(const char* name = "CmdCalculs") {
    test::BoxCatcher boxes;
    test::button(w, name)->click();
    return boxes.texts;
  }
  QStringList lines() { return test::lines(w, "ListRes"); }
  QStringList labels() {
    QStringList out;
    for (const char* l : {"LblH", "LblTau", "LblLambda", "LblAlpha"}) out << test::labelText(w, l);
    return out;
  }
  bool graphEnabled() { return test::button(w, "Cmdgraphique")->isEnabled(); }
  StabilityWindow* w;
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
    win.set(kP0);
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.labels(), QStringList({"0.25000", "0.06250", "0.50000", ""}));
    const QStringList lines = win.lines();
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines.mid(0, 5), QStringList({"x =    # 0.25 # 0.50 # 0.75", "n= 0  # 1.00 # 1.00 # 1.00",
                                           "n= 1  # 0.50 # 1.00 # 0.50", "n= 2  # 0.50 # 0.50 # 0.50",
                                           "n= 3  # 0.25 # 0.50 # 0.25"}));
    QVERIFY(lines.last().startsWith("n= 16  # "));
    QVERIFY(win.graphEnabled());
    // Enter in a field runs too, and a new run replaces the list.
    win.set({{"TxtK", "2"}});
    test::BoxCatcher boxes;
    QTest::keyClick(test::field(win.w, "TxtK"), Qt::Key_Return);
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(win.lines().size(), 4);
    QCOMPARE(test::labelText(win.w, "LblTau"), QString("0.50000"));
  }

  void pepsilonLevelsWithAndWithoutSource() {
    Win win(core::Scheme::Peps);
    win.set(kPeps);
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.labels(), QStringList({"0.25000", "0.06250", "0.50000", "1.00000"}));
    const QStringList plain = win.lines();
    QCOMPARE(plain.size(), 18);
    QCOMPARE(plain.mid(1, 4), QStringList({"n= 0  # 1.00 # 1.00 # 1.00", "n= 1  # 1.00 # 1.00 # 1.00",
                                           "n= 2  # 0.75 # 1.00 # 0.75", "n= 3  # 0.50 # 0.88 # 0.50"}));
    auto* check = win.w->findChild<QCheckBox*>("CheckF");
    check->setChecked(true);
    win.set({{"TextFF", "8"}, {"TextNN", "2"}});
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.lines().at(3), QString("n= 2  # 1.00 # 1.25 # 1.00"));
    // Level 1 is written by the start step: no source there.
    win.set({{"TextNN", "1"}});
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.lines(), plain);
    // Unticked: no source, while FF and NN keep their values.
    win.set({{"TextNN", "2"}});
    QVERIFY(win.click().isEmpty());
    check->setChecked(false);
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.lines(), plain);
    QCOMPARE(ModGeneral::state().FF.value(), 8.0);
    QCOMPARE(int(ModGeneral::state().NN), 2);
  }

  void emptyFieldChangesNothing() {
    for (auto scheme : {core::Scheme::P0, core::Scheme::Peps}) {
      Win win(scheme);
      QCOMPARE(win.click(), QStringList{"Saisie incomplète !"});
      QVERIFY(!win.graphEnabled());
      win.set(win.example);
      QVERIFY(win.click().isEmpty());
      const QStringList lines = win.lines(), labels = win.labels();
      for (const auto& [name, text] : win.example) {
        test::setText(win.w, name, "");
        QCOMPARE(win.click(), QStringList{"Saisie incomplète !"});
        QCOMPARE(win.lines(), lines);
        QCOMPARE(win.labels(), labels);
        QCOMPARE(ModGeneral::state().K.value(), 16.0);
        test::setText(win.w, name, text);
      }
    }
  }

  void refusalsLeaveTheWindowUsable_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");  // empty: any single message
    QTest::addColumn<bool>("pepsOnly");
    QTest::newRow("N = 1") << "TxtN" << "1" << msg(core::fail::nTooSmall()) << false;
    QTest::newRow("K = 0") << "TxtK" << "0" << msg(core::fail::kTooSmall()) << false;
    QTest::newRow("K < 0") << "TxtK" << "-3" << msg(core::fail::kTooSmall()) << false;
    QTest::newRow("blank K reads 0") << "TxtK" << " " << msg(core::fail::kTooSmall()) << false;
    QTest::newRow("1e999") << "Txta" << "1e999" << msg(core::fail::numberOutOfRange("a")) << false;
    QTest::newRow("K = 1e9") << "TxtK" << "1e9" << QString() << false;
    QTest::newRow("N = 1e9") << "TxtN" << "1e9" << QString() << false;
    QTest::newRow("T = 0") << "TxtT" << "0" << msg(core::fail::tZero()) << true;
    QTest::newRow("Alpha = -1") << "TxtEpsilon" << "-0.0625" << msg(core::fail::alphaMinusOne()) << true;
    QTest::newRow("NN too large") << "TextNN" << "32767" << msg(core::fail::nnOutOfRange()) << true;
  }
  void refusalsLeaveTheWindowUsable() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(bool, pepsOnly);
    for (auto scheme : {core::Scheme::P0, core::Scheme::Peps}) {
      if (pepsOnly && scheme == core::Scheme::P0) continue;
      Win win(scheme);
      win.set(win.example);
      if (scheme == core::Scheme::Peps) {
        win.w->findChild<QCheckBox*>("CheckF")->setChecked(true);
        win.set({{"TextFF", "1"}, {"TextNN", "2"}});
      }
      QVERIFY(win.click().isEmpty());
      const QStringList lines = win.lines(), labels = win.labels();
      const QString old = test::field(win.w, qPrintable(field))->text();
      test::setText(win.w, qPrintable(field), text);
      const QStringList shown = win.click();
      QCOMPARE(shown.size(), 1);
      if (!message.isEmpty()) QCOMPARE(shown[0], message);
      QCOMPARE(win.lines(), lines);
      QCOMPARE(win.labels(), labels);
      test::setText(win.w, qPrintable(field), old);
      QVERIFY(win.click().isEmpty());
      QCOMPARE(win.lines(), lines);
    }
  }

  void overflowListsTheFiniteLevelsThenSaysSo() {
    Win win(core::Scheme::P0);
    win.set({{"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "1000"}, {"Txta", "1000"}, {"Txtu0", "1"}});
    const QStringList shown = win.click(), lines = win.lines();
    QVERIFY(lines.size() > 2 && lines.size() < 1002);
    QCOMPARE(shown, QStringList{msg(core::fail::overflow(lines.size() - 1))});
    QVERIFY(!lines.last().contains("inf") && !lines.last().contains("nan"));
  }

  void busyRefusesBeforeAnything() {
    Win win(core::Scheme::P0);
    win.set(kP0);
    QVERIFY(win.click().isEmpty());
    const QStringList lines = win.lines();
    QWidget other;
    QVERIFY(ModGeneral::beginComputation(&other));
    win.set({{"TxtK", "4"}, {"TxtN", ""}});  // busy comes even before the empty field
    QCOMPARE(win.click(), QStringList{msg(core::fail::busy())});
    QCOMPARE(ModGeneral::state().K.value(), 16.0);
    QCOMPARE(win.lines(), lines);
    ModGeneral::endComputation(&other);
    win.set(kP0);
    QVERIFY(win.click().isEmpty());
  }

  void frenchMarkShownTypedTextReadWithPoint() {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Win win(core::Scheme::P0);
    win.set(kP0);
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.labels(), QStringList({"0,25000", "0,06250", "0,50000", ""}));
    QCOMPARE(win.lines().at(2), QString("n= 1  # 0,50 # 1,00 # 0,50"));
    win.set({{"Txta", "0,5"}});  // the comma ends the number: a = 0
    QVERIFY(win.click().isEmpty());
    QCOMPARE(test::labelText(win.w, "LblLambda"), QString("0,00000"));
  }

  void listKeepsItsNumbersAfterOtherRuns() {
    Win p0(core::Scheme::P0), other(core::Scheme::P0);
    p0.set(kP0);
    QVERIFY(p0.click().isEmpty());
    const QStringList lines = p0.lines();
    other.set({{"TxtN", "5"}, {"TxtT", "2"}, {"TxtK", "3"}, {"Txta", "0.1"}, {"Txtu0", "7"}});
    QVERIFY(other.click().isEmpty());
    test::freshState();
    QCOMPARE(p0.lines(), lines);
  }

  void graphiquesOpensTheGraphWindowOfItsScheme() {
    int made = 0;
    ModGeneral::setFactory(WindowKind::FrmStabpepsG, [&made] { return ++made, new QWidget; });
    Win peps(core::Scheme::Peps);
    peps.set(kPeps);
    QVERIFY(peps.click().isEmpty());
    peps.click("Cmdgraphique");
    peps.click("Cmdgraphique");
    QCOMPARE(made, 1);
    QVERIFY(!ModGeneral::window(WindowKind::FrmStabp0G));
    peps.click("CmdQuitter");  // leaves the graph window open
    QVERIFY(ModGeneral::window(WindowKind::FrmStabpepsG)->isVisible());
    ModGeneral::window(WindowKind::FrmStabpepsG)->close();
    ModGeneral::setFactory(WindowKind::FrmStabpepsG, nullptr);
  }
};

QTEST_MAIN(TestStabilityWindow)
#include "test_stability_window.moc"
