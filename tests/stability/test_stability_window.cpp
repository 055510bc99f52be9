// The two stability windows: the lists of the worked examples, the labels,
// the refusals (each leaves the window usable with its previous results),
// the decimal mark of the locale and the "Graphiques" button.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <map>

#include "shell/mod_general.h"
#include "stability/stability_window.h"
#include "ui/result_list.h"

namespace {

// Runs `action` and returns the texts of the message boxes it showed, each
// closed as soon as it appears.
QStringList messagesDuring(const std::function<void()>& action) {
  QStringList texts;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&texts] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      texts << box->text();
      box->done(QMessageBox::Ok);
    }
  });
  poll.start();
  action();
  poll.stop();
  return texts;
}

QString msg(const core::Failure& f) { return QString::fromStdString(f.message); }

struct Win {
  explicit Win(core::Scheme scheme) : w(new StabilityWindow(scheme)) { w->show(); }
  ~Win() { delete w; }
  void set(const std::map<QString, QString>& texts) {
    for (const auto& [name, text] : texts) edit(name)->setText(text);
  }
  QLineEdit* edit(const QString& name) const {
    auto* e = w->findChild<QLineEdit*>(name);
    if (!e) qFatal("no field %s", qPrintable(name));
    return e;
  }
  QString label(const char* name) const { return w->findChild<QLabel*>(name)->text(); }
  QPushButton* cmd(const char* name) const { return w->findChild<QPushButton*>(name); }
  QStringList click() {
    return messagesDuring([this] { cmd("CmdCalculs")->click(); });
  }
  QStringList lines() const {
    QStringList out;
    auto* view = w->findChild<QAbstractItemView*>("ListRes");
    for (int r = 0; r < view->model()->rowCount(); ++r) {
      out << view->model()->index(r, 0).data(Qt::DisplayRole).toString();
    }
    return out;
  }
  QStringList labels() const {
    QStringList out{label("LblH"), label("LblTau"), label("LblLambda")};
    if (w->scheme() == core::Scheme::Peps) out << label("LblAlpha");
    return out;
  }
  StabilityWindow* w;
};

const std::map<QString, QString> kP0Example{
    {"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "16"}, {"Txta", "0.5"}, {"Txtu0", "1"}};
const std::map<QString, QString> kPepsExample{{"TxtN", "3"},  {"TxtT", "1"},
                                              {"TxtK", "16"}, {"Txta", "0.5"},
                                              {"Txtu0", "1"}, {"TxtV0", "0"},
                                              {"TxtEpsilon", "0.0625"}};

}  // namespace

class TestStabilityWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QLocale::setDefault(QLocale::c());
    ModGeneral::resetState();
  }

  void controlsAndLook() {
    for (auto scheme : {core::Scheme::P0, core::Scheme::Peps}) {
      Win win(scheme);
      const bool peps = scheme == core::Scheme::Peps;
      QCOMPARE(win.w->objectName(), peps ? QString("frmstabpeps") : QString("frmstabp0"));
      QCOMPARE(win.w->windowTitle(),
               peps ? QString("Etude expérimentale de la stabilité du schéma Pepsilon")
                    : QString("Etude expérimentale de la stabilité du schéma P0"));
      QCOMPARE(win.w->size(), QSize(719, 446));
      QVERIFY(!win.w->isModal());
      QVERIFY(!win.cmd("Cmdgraphique")->isEnabled());
      QCOMPARE(win.cmd("CmdCalculs")->text(), QString("Lancer les calculs"));
      QCOMPARE(win.cmd("Cmdgraphique")->text(), QString("Graphiques"));
      QCOMPARE(win.cmd("CmdQuitter")->text(), QString("Quitter"));
      QCOMPARE(win.cmd("CmdCalculs")->geometry(), QRect(608, 33, 95, 24));
      auto* list = win.w->findChild<QAbstractItemView*>("ListRes");
      QCOMPARE(list->geometry(), QRect(3, 123, 711, 316));
      QCOMPARE(list->model()->rowCount(), 0);
      for (auto* e : win.w->findChildren<QLineEdit*>()) QVERIFY(e->text().isEmpty());
      for (const QString& l : win.labels()) QVERIFY(l.isEmpty());
      QCOMPARE(win.w->findChild<QLabel*>("LblH")->palette().color(QPalette::Window),
               QColor(255, 255, 0));
      QVERIFY(win.w->findChild<QLabel*>("LblLambda")->toolTip().contains("stable"));

      // Tab visits the fields in the order of the form.
      QStringList chain{"TxtN", "TxtT", "TxtK", "Txta", "Txtu0"};
      if (peps) chain << "TxtV0" << "TxtEpsilon" << "CheckF" << "TextFF" << "TextNN";
      QWidget* at = win.w->findChild<QWidget*>("TxtN");
      for (int i = 1; i < chain.size(); ++i) {
        do at = at->nextInFocusChain();
        while (!(at->focusPolicy() & Qt::TabFocus));
        QCOMPARE(at->objectName(), chain[i]);
      }
      if (peps) {
        QVERIFY(!win.w->findChild<QCheckBox*>("CheckF")->isChecked());
        QCOMPARE(win.w->findChild<QCheckBox*>("CheckF")->text(),
                 QString("f=cste pour n et f=0 ensuite"));
      }
    }
  }

  void p0ExampleListsEveryLevel() {
    Win win(core::Scheme::P0);
    win.set(kP0Example);
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.labels(), QStringList({"0.25000", "0.06250", "0.50000"}));
    const QStringList lines = win.lines();
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines.mid(0, 5), QStringList({"x =    # 0.25 # 0.50 # 0.75",
                                           "n= 0  # 1.00 # 1.00 # 1.00",
                                           "n= 1  # 0.50 # 1.00 # 0.50",
                                           "n= 2  # 0.50 # 0.50 # 0.50",
                                           "n= 3  # 0.25 # 0.50 # 0.25"}));
    QVERIFY(lines.last().startsWith("n= 16  # "));
    QVERIFY(win.cmd("Cmdgraphique")->isEnabled());

    // Enter in a field runs the computation too.
    win.edit("TxtK")->setText("4");
    QVERIFY(messagesDuring([&win] { QTest::keyClick(win.edit("TxtK"), Qt::Key_Return); }).isEmpty());
    QCOMPARE(win.lines().size(), 6);
    win.edit("TxtK")->setText("16");
    QVERIFY(win.click().isEmpty());

    // A second click replaces the list rather than adding to it.
    win.edit("TxtK")->setText("2");
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.lines().size(), 4);
    QCOMPARE(win.label("LblTau"), QString("0.50000"));
  }

  void pepsilonLevelsWithAndWithoutSource() {
    Win win(core::Scheme::Peps);
    win.set(kPepsExample);
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.labels(), QStringList({"0.25000", "0.06250", "0.50000", "1.00000"}));
    const QStringList plain = win.lines();
    QCOMPARE(plain.size(), 18);
    QCOMPARE(plain.mid(1, 4), QStringList({"n= 0  # 1.00 # 1.00 # 1.00",
                                           "n= 1  # 1.00 # 1.00 # 1.00",
                                           "n= 2  # 0.75 # 1.00 # 0.75",
                                           "n= 3  # 0.50 # 0.88 # 0.50"}));

    auto* check = win.w->findChild<QCheckBox*>("CheckF");
    check->setChecked(true);
    win.set({{"TextFF", "8"}, {"TextNN", "2"}});
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.lines().at(3), QString("n= 2  # 1.00 # 1.25 # 1.00"));
    QCOMPARE(ModGeneral::state().FF.value(), 8.0);
    QCOMPARE(int(ModGeneral::state().NN), 2);

    // Level 1 is written by the start step: no source there.
    win.edit("TextNN")->setText("1");
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.lines(), plain);

    // Unticked: the run has no source while FF and NN keep their values.
    win.edit("TextNN")->setText("2");
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
      // On a fresh window the button stays disabled.
      QCOMPARE(win.click(), QStringList{msg(core::fail::emptyField())});
      QVERIFY(!win.cmd("Cmdgraphique")->isEnabled());

      win.set(scheme == core::Scheme::P0 ? kP0Example : kPepsExample);
      QVERIFY(win.click().isEmpty());
      const QStringList lines = win.lines();
      const QStringList labels = win.labels();
      const double K = ModGeneral::state().K;
      for (const auto& [name, text] : (scheme == core::Scheme::P0 ? kP0Example : kPepsExample)) {
        win.edit(name)->clear();
        QCOMPARE(win.click(), QStringList{msg(core::fail::emptyField())});
        QCOMPARE(win.lines(), lines);
        QCOMPARE(win.labels(), labels);
        QCOMPARE(ModGeneral::state().K.value(), K);
        QVERIFY(win.cmd("Cmdgraphique")->isEnabled());
        win.edit(name)->setText(text);
      }
      // A single blank is not empty: it reads as 0 (K = 0 is then refused).
      win.edit("TxtK")->setText(" ");
      const QStringList texts = win.click();
      QCOMPARE(texts.size(), 1);
      QVERIFY(texts[0] != msg(core::fail::emptyField()));
    }
  }

  void refusalsLeaveTheWindowUsable_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("N = 1") << "TxtN" << "1";
    QTest::newRow("K = 0") << "TxtK" << "0";
    QTest::newRow("K below 0") << "TxtK" << "-3";
    QTest::newRow("1e999") << "Txta" << "1e999";
    QTest::newRow("K = 1e9, tables too large") << "TxtK" << "1e9";
    QTest::newRow("N = 1e9, tables too large") << "TxtN" << "1e9";
  }
  void refusalsLeaveTheWindowUsable() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    for (auto scheme : {core::Scheme::P0, core::Scheme::Peps}) {
      Win win(scheme);
      const auto& example = scheme == core::Scheme::P0 ? kP0Example : kPepsExample;
      win.set(example);
      QVERIFY(win.click().isEmpty());
      const QStringList lines = win.lines();
      const QStringList labels = win.labels();

      win.edit(field)->setText(text);
      const QStringList texts = win.click();
      QCOMPARE(texts.size(), 1);
      QVERIFY(!texts[0].isEmpty());
      QCOMPARE(win.lines(), lines);
      QCOMPARE(win.labels(), labels);
      QVERIFY(win.cmd("CmdCalculs")->isEnabled());

      win.set(example);
      QVERIFY(win.click().isEmpty());
      QCOMPARE(win.lines(), lines);
    }
  }

  void pepsilonRefusals() {
    Win win(core::Scheme::Peps);
    win.set(kPepsExample);
    QVERIFY(win.click().isEmpty());
    const QStringList lines = win.lines();
    for (const auto& [field, text] : std::map<QString, QString>{{"TxtT", "0"},
                                                               {"TxtEpsilon", "-0.0625"}}) {
      win.edit(field)->setText(text);
      QCOMPARE(win.click().size(), 1);
      QCOMPARE(win.lines(), lines);
      win.set(kPepsExample);
    }
    win.w->findChild<QCheckBox*>("CheckF")->setChecked(true);
    win.set({{"TextFF", "1"}, {"TextNN", "32767"}});
    QCOMPARE(win.click(), QStringList{msg(core::fail::nnOutOfRange())});
    QCOMPARE(win.lines(), lines);
  }

  void overflowListsTheFiniteLevelsThenSaysSo() {
    Win win(core::Scheme::P0);
    win.set({{"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "1000"}, {"Txta", "1000"}, {"Txtu0", "1"}});
    const QStringList texts = win.click();
    QCOMPARE(texts.size(), 1);
    const QStringList lines = win.lines();
    QVERIFY(lines.size() > 2);
    QVERIFY(lines.size() < 1002);
    const int firstBad = static_cast<int>(lines.size()) - 1;  // header + levels 0 .. firstBad-1
    QCOMPARE(texts[0], msg(core::fail::overflow(firstBad)));
    QVERIFY(!lines.last().contains("inf") && !lines.last().contains("nan"));
    QCOMPARE(win.label("LblLambda"), QString("16.00000"));
  }

  void busyRefusesBeforeAnything() {
    Win win(core::Scheme::P0);
    win.set(kP0Example);
    QVERIFY(win.click().isEmpty());
    const QStringList lines = win.lines();
    QWidget other;
    QVERIFY(ModGeneral::beginComputation(&other));
    win.edit("TxtK")->setText("4");
    QCOMPARE(win.click(), QStringList{msg(core::fail::busy())});
    QCOMPARE(ModGeneral::state().K.value(), 16.0);
    QCOMPARE(win.lines(), lines);
    // Even with an empty field, "busy" comes first.
    win.edit("TxtN")->clear();
    QCOMPARE(win.click(), QStringList{msg(core::fail::busy())});
    ModGeneral::endComputation(&other);
    win.set(kP0Example);
    QVERIFY(win.click().isEmpty());
  }

  void frenchMarkShownTypedTextReadWithPoint() {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Win win(core::Scheme::P0);
    win.set(kP0Example);
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.labels(), QStringList({"0,25000", "0,06250", "0,50000"}));
    QCOMPARE(win.lines().at(0), QString("x =    # 0,25 # 0,50 # 0,75"));
    QCOMPARE(win.lines().at(2), QString("n= 1  # 0,50 # 1,00 # 0,50"));
    QVERIFY(win.w->findChild<QLabel*>("LblLambda")->toolTip().contains("0,5"));
    // "0,5" typed reads 0 (the comma ends the number).
    win.edit("Txta")->setText("0,5");
    QVERIFY(win.click().isEmpty());
    QCOMPARE(win.label("LblLambda"), QString("0,00000"));
    QCOMPARE(ModGeneral::state().a.value(), 0.0);
  }

  void listKeepsItsNumbersAfterOtherRuns() {
    Win p0(core::Scheme::P0);
    p0.set(kP0Example);
    QVERIFY(p0.click().isEmpty());
    const QStringList lines = p0.lines();
    Win other(core::Scheme::P0);
    other.set({{"TxtN", "5"}, {"TxtT", "2"}, {"TxtK", "3"}, {"Txta", "0.1"}, {"Txtu0", "7"}});
    QVERIFY(other.click().isEmpty());
    ModGeneral::resetState();
    QCOMPARE(p0.lines(), lines);
  }

  void fractionalGridValues() {
    Win win(core::Scheme::P0);
    win.set({{"TxtN", "3.5"}, {"TxtT", "1"}, {"TxtK", "2.5"}, {"Txta", "0.1"}, {"Txtu0", "1"}});
    QVERIFY(win.click().isEmpty());
    const QStringList lines = win.lines();
    QCOMPARE(lines.size(), 4);  // levels 0 .. 2: the loop stops at floor(K) + 1
    QCOMPARE(lines[0].count(" # "), 3);
  }

  void graphiquesOpensTheGraphWindowOfItsScheme() {
    std::map<WindowKind, int> made;
    for (auto kind : {WindowKind::FrmStabp0G, WindowKind::FrmStabpepsG}) {
      ModGeneral::setFactory(kind, [kind, &made] {
        ++made[kind];
        return new QWidget;
      });
    }
    Win p0(core::Scheme::P0);
    Win peps(core::Scheme::Peps);
    p0.set(kP0Example);
    QVERIFY(p0.click().isEmpty());
    p0.cmd("Cmdgraphique")->click();
    p0.cmd("Cmdgraphique")->click();
    QVERIFY(ModGeneral::window(WindowKind::FrmStabp0G));
    QCOMPARE(made[WindowKind::FrmStabp0G], 1);
    QVERIFY(!ModGeneral::window(WindowKind::FrmStabpepsG));
    peps.set(kPepsExample);
    QVERIFY(peps.click().isEmpty());
    peps.cmd("Cmdgraphique")->click();
    QCOMPARE(made[WindowKind::FrmStabpepsG], 1);
    // "Quitter" of the study window leaves the graph window open.
    p0.cmd("CmdQuitter")->click();
    QVERIFY(!p0.w->isVisible());
    QVERIFY(ModGeneral::window(WindowKind::FrmStabp0G)->isVisible());
    ModGeneral::window(WindowKind::FrmStabp0G)->close();
    ModGeneral::window(WindowKind::FrmStabpepsG)->close();
    for (auto kind : {WindowKind::FrmStabp0G, WindowKind::FrmStabpepsG}) {
      ModGeneral::setFactory(kind, nullptr);
    }
  }
};

QTEST_MAIN(TestStabilityWindow)
#include "test_stability_window.moc"
