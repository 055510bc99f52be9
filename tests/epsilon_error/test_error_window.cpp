// The error study window: layout, data option, the E(k) lines, refusals, the
// stop key, the one-computation guard and closing during a run.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <bit>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "epsilon_error/error_window.h"
#include "shell/mod_general.h"

namespace {

using Fields = std::vector<std::pair<const char*, const char*>>;

// Runs `action` and answers every message box it opens; returns their texts.
QStringList messagesDuring(const std::function<void()>& action) {
  QStringList texts;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&texts] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      texts << box->text();
      box->accept();
    }
  });
  poll.start();
  action();
  poll.stop();
  return texts;
}

QStringList lines(const ErrorWindow& w) {
  QStringList out;
  const QAbstractItemModel* m = w.findChild<QAbstractItemView*>("ListERH")->model();
  for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data(Qt::DisplayRole).toString();
  return out;
}

QLineEdit* field(const QWidget& w, const char* name) {
  auto* e = w.findChild<QLineEdit*>(name);
  Q_ASSERT(e);
  return e;
}

QAbstractButton* button(const QWidget& w, const char* name) {
  auto* b = w.findChild<QAbstractButton*>(name);
  Q_ASSERT(b);
  return b;
}

QString label(const QWidget& w, const char* name) { return w.findChild<QLabel*>(name)->text(); }

void fill(const QWidget& w, const Fields& fields) {
  for (const auto& [name, text] : fields) field(w, name)->setText(QString::fromUtf8(text));
}

// The first example: two interior points, two time steps, constant data.
const Fields kExample = {{"TxtN", "2"},       {"TxtT", "2"},  {"TxtK", "2"},  {"Txta", "1"},
                         {"TxtEpsilon", "1"}, {"Txtu0", "1"}, {"TxtV0", "0"}, {"TxtR", "1"}};

// Long enough that the run passes many time steps before it ends.
const Fields kLong = {{"TxtN", "40"},      {"TxtT", "0.01"}, {"TxtK", "200000"}, {"Txta", "1"},
                      {"TxtEpsilon", "1"}, {"Txtu0", "1"},   {"TxtV0", "0"},     {"TxtR", "1"}};

QStringList calculer(const ErrorWindow& w) {
  return messagesDuring([&] { button(w, "CmdCalculerH")->click(); });
}

bool idle(const ErrorWindow& w) {
  return button(w, "CmdCalculerH")->isEnabled() && w.findChild<QLabel*>("LblCalculs")->isHidden() &&
         !ModGeneral::computationRunning() && !w.isComputing();
}

}  // namespace

class TestErrorWindow : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    QLocale::setDefault(QLocale::c());
    ModGeneral::resetState();
    ModGeneral::state().Pi = core::piValue();
  }

  void opensEmptyWithConstantData() {
    ErrorWindow w;
    QCOMPARE(w.objectName(), QStringLiteral("FrmErreurEps0"));
    QCOMPARE(w.size(), QSize(605, 395));
    QVERIFY(!w.isModal());
    for (QLineEdit* e : w.findChildren<QLineEdit*>())
      QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
    for (const char* name : {"LblH", "LblTau", "LblLambda", "LblAlpha"})
      QVERIFY(label(w, name).isEmpty());
    QVERIFY(lines(w).isEmpty());
    QVERIFY(w.findChild<QRadioButton*>("OptionChoix_0")->isChecked());
    QVERIFY(!w.findChild<QRadioButton*>("OptionChoix_1")->isChecked());
    w.show();
    QVERIFY(w.findChild<QGroupBox*>("FrameConstantes")->isVisible());
    QVERIFY(!w.findChild<QGroupBox*>("FrameNonConstantes")->isVisible());
    QVERIFY(!w.findChild<QLabel*>("LblCalculs")->isVisible());
    QVERIFY(button(w, "CmdCalculerH")->isEnabled());
  }

  void optionSwitchesFramesAndKeepsTexts() {
    ErrorWindow w;
    w.show();
    field(w, "Txtu0")->setText("3");
    field(w, "TxtD")->setText("4");
    QTest::mouseClick(w.findChild<QRadioButton*>("OptionChoix_1"), Qt::LeftButton);
    QVERIFY(w.findChild<QGroupBox*>("FrameNonConstantes")->isVisible());
    QVERIFY(!w.findChild<QGroupBox*>("FrameConstantes")->isVisible());
    QVERIFY(!w.findChild<QRadioButton*>("OptionChoix_0")->isChecked());
    QTest::mouseClick(w.findChild<QRadioButton*>("OptionChoix_0"), Qt::LeftButton);
    QVERIFY(w.findChild<QGroupBox*>("FrameConstantes")->isVisible());
    QVERIFY(!w.findChild<QGroupBox*>("FrameNonConstantes")->isVisible());
    QCOMPARE(field(w, "Txtu0")->text(), QStringLiteral("3"));
    QCOMPARE(field(w, "TxtD")->text(), QStringLiteral("4"));
  }

  void errorLines_data() {
    QTest::addColumn<Fields>("changes");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("alpha");
    QTest::newRow("k = 1") << Fields{} << "E(k = 1) = 55.1135192126"
                           << "1.00000";
    QTest::newRow("k = 2") << Fields{{"TxtR", "2"}} << "E(k = 2) = 56.3382640840"
                           << "0.50000";
    QTest::newRow("2.9 is k = 2") << Fields{{"TxtR", "2.9"}} << "E(k = 2) = 56.3382640840"
                                  << "0.50000";
    QTest::newRow("one step") << Fields{{"TxtT", "1"}, {"TxtK", "1"}} << "E(k = 1) = 7.3484692283"
                              << "1.00000";
    QTest::newRow("zero data") << Fields{{"Txtu0", "0"}, {"TxtR", "8"}} << "E(k = 8) = 0.0000000000"
                               << "0.12500";
  }

  void errorLines() {
    QFETCH(Fields, changes);
    QFETCH(QString, line);
    QFETCH(QString, alpha);
    ErrorWindow w;
    fill(w, kExample);
    fill(w, changes);
    QCOMPARE(calculer(w), QStringList());
    QCOMPARE(lines(w), QStringList{line});
    QCOMPARE(label(w, "LblH"), QStringLiteral("0.33333"));
    QCOMPARE(label(w, "LblLambda"), QStringLiteral("9.00000"));
    QCOMPARE(label(w, "LblAlpha"), alpha);
    QVERIFY(idle(w));
    // The list line shows the stored error.
    QCOMPARE(line.section(QStringLiteral(" = "), -1),
             QString::fromStdString(core::formatFixed(ModGeneral::state().ErrH(1), 10, ".")));
  }

  void firstExampleStoresEpsOverK() {
    ErrorWindow w;
    fill(w, kExample);
    fill(w, {{"TxtR", "2"}});
    calculer(w);
    const core::StudyState& s = ModGeneral::state();
    QCOMPARE(s.R.value(), 2.0);
    QCOMPARE(s.Epsilon.value(), 0.5);
    QCOMPARE(label(w, "LblTau"), QStringLiteral("1.00000"));
    // The final rows of both runs: (-5, -5) within the last bit and (64, 64).
    QVERIFY(qAbs(s.SolPeps(3, 1) + 5) < 1e-14 && qAbs(s.SolPeps(3, 2) + 5) < 1e-14);
    QCOMPARE(s.SolP0(3, 1), 64.0);
    QCOMPARE(s.SolP0(3, 2), 64.0);
  }

  void frenchDecimalMark() {
    QLocale::setDefault(QLocale(QLocale::French));
    ErrorWindow w;
    fill(w, kExample);
    calculer(w);
    QCOMPARE(lines(w), QStringList{QStringLiteral("E(k = 1) = 55,1135192126")});
    QCOMPARE(label(w, "LblH"), QStringLiteral("0,33333"));
  }

  void badDivisor_data() {
    QTest::addColumn<QString>("k");
    for (const char* k : {"0.5", "0", "", "a", "-3"}) QTest::newRow(k) << QString::fromLatin1(k);
  }

  void badDivisor() {
    QFETCH(QString, k);
    ErrorWindow w;
    fill(w, kExample);
    field(w, "TxtR")->setText(k);
    QCOMPARE(calculer(w), QStringList{QString::fromUtf8("Valeur de k incorrecte !")});
    QVERIFY(lines(w).isEmpty());
    QVERIFY(label(w, "LblH").isEmpty());
    QVERIFY(!ModGeneral::state().N.isSet());
    QVERIFY(idle(w));
  }

  void requiredFieldsFollowTheOption() {
    const QString incomplete = QString::fromUtf8("Saisie incomplète !");
    ErrorWindow w;
    fill(w, kExample);
    // Exact-solution data: the constants do not matter, phi does.
    w.findChild<QRadioButton*>("OptionChoix_1")->click();
    fill(w, {{"Txtu0", ""}, {"TxtV0", ""}, {"TxtD", "1"}, {"TxtW", "1"}});
    QCOMPARE(calculer(w), QStringList{incomplete});
    QVERIFY(lines(w).isEmpty());
    field(w, "TxtPhi")->setText("0.5");
    QCOMPARE(calculer(w), QStringList());
    QCOMPARE(lines(w).size(), 1);
    QVERIFY(lines(w)[0].startsWith(QStringLiteral("E(k = 1) = ")));
    // Constant data: an empty v0 counts, the exact-solution fields do not.
    w.findChild<QRadioButton*>("OptionChoix_0")->click();
    fill(w, {{"Txtu0", "1"}, {"TxtD", ""}, {"TxtW", ""}, {"TxtPhi", ""}});
    QCOMPARE(calculer(w), QStringList{incomplete});
    field(w, "TxtV0")->setText(" ");  // one blank is filled, and reads 0
    QCOMPARE(calculer(w), QStringList());
    QCOMPARE(lines(w).last(), QStringLiteral("E(k = 1) = 55.1135192126"));
    // Epsilon is required whatever the option.
    field(w, "TxtEpsilon")->clear();
    QCOMPARE(calculer(w), QStringList{incomplete});
    QCOMPARE(lines(w).size(), 2);
    QVERIFY(idle(w));
  }

  void exactDataWithZeroAmplitudeGivesZero() {
    ErrorWindow w;
    fill(w, kExample);
    w.findChild<QRadioButton*>("OptionChoix_1")->click();
    fill(w, {{"TxtD", "0"}, {"TxtW", "3"}, {"TxtPhi", "0.2"}, {"TxtK", "5"}});
    calculer(w);
    QCOMPARE(lines(w), QStringList{QStringLiteral("E(k = 1) = 0.0000000000")});
  }

  void gridTheWindowCannotTakeIsRefusedCleanly_data() {
    QTest::addColumn<Fields>("changes");
    QTest::addColumn<QString>("message");  // its beginning
    const auto text = [](const core::Failure& f) { return QString::fromStdString(f.message); };
    QTest::newRow("N = 1") << Fields{{"TxtN", "1"}} << text(core::fail::nTooSmall());
    QTest::newRow("K = 0") << Fields{{"TxtK", "0"}} << text(core::fail::kTooSmall());
    QTest::newRow("T = 0") << Fields{{"TxtT", "0"}} << text(core::fail::tZero());
    QTest::newRow("N not whole") << Fields{{"TxtN", "2.5"}} << text(core::fail::notWhole("N"));
    QTest::newRow("1 + Alpha = 0")
        << Fields{{"TxtEpsilon", "-1"}} << text(core::fail::alphaMinusOne());
    QTest::newRow("tables too large") << Fields{{"TxtN", "100000"}, {"TxtK", "100000"}}
                                      << QString::fromUtf8("Calcul trop volumineux");
    QTest::newRow("overflow") << Fields{{"TxtT", "1000"}, {"TxtK", "300"}}
                              << QString::fromUtf8("Les valeurs sortent du domaine");
  }

  void gridTheWindowCannotTakeIsRefusedCleanly() {
    QFETCH(Fields, changes);
    QFETCH(QString, message);
    ErrorWindow w;
    fill(w, kExample);
    fill(w, changes);
    const QStringList messages = calculer(w);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith(message), qPrintable(messages[0]));
    QVERIFY(lines(w).isEmpty());
    QVERIFY(idle(w));
    // The window is usable again.
    fill(w, kExample);
    QCOMPARE(calculer(w), QStringList());
    QCOMPARE(lines(w), QStringList{QStringLiteral("E(k = 1) = 55.1135192126")});
  }

  void twoClicksTwoLinesThenToutEffacer() {
    ErrorWindow w;
    fill(w, kExample);
    calculer(w);
    calculer(w);
    QCOMPARE(lines(w), QStringList(2, QStringLiteral("E(k = 1) = 55.1135192126")));
    button(w, "CmdEffacerH")->click();
    QVERIFY(lines(w).isEmpty());
    QCOMPARE(label(w, "LblH"), QStringLiteral("0.33333"));
    QCOMPARE(label(w, "LblAlpha"), QStringLiteral("1.00000"));
    QCOMPARE(field(w, "TxtN")->text(), QStringLiteral("2"));
  }

  void runningStateDuringTheRun() {
    ErrorWindow w;
    w.show();
    fill(w, kExample);
    calculer(w);
    fill(w, kLong);
    bool sawRunning = false;
    int progress = 0;
    int linesMidRun = -1;
    QTimer::singleShot(30, &w, [&] {
      sawRunning = w.isComputing() && !button(w, "CmdCalculerH")->isEnabled() &&
                   w.findChild<QLabel*>("LblCalculs")->isVisible() &&
                   w.findChild<QProgressBar*>()->isVisible() &&
                   ModGeneral::computationOwner() == &w;
      progress = w.findChild<QProgressBar*>()->value();
      // The other controls stay usable: the list is cleared at once.
      button(w, "CmdEffacerH")->click();
      linesMidRun = static_cast<int>(lines(w).size());
    });
    QCOMPARE(calculer(w), QStringList());
    QVERIFY(sawRunning);
    QVERIFY(progress > 0);
    QCOMPARE(linesMidRun, 0);
    // The running computation's line lands in the emptied list.
    QCOMPARE(lines(w).size(), 1);
    QVERIFY(lines(w)[0].startsWith(QStringLiteral("E(k = 1) = ")));
    QVERIFY(idle(w));
    QVERIFY(w.findChild<QProgressBar*>()->isHidden());
  }

  void keyDuringTheRunStopsIt() {
    ErrorWindow w;
    w.show();
    fill(w, kLong);
    ModGeneral::state().ErrH(1) = 123.0;
    field(w, "TxtN")->setFocus();
    // A letter aimed at a text field, which would keep it to itself, well
    // inside the run.
    QTimer::singleShot(30, &w, [&] { QTest::keyClick(field(w, "TxtN"), Qt::Key_A); });
    QCOMPARE(calculer(w), QStringList());
    QVERIFY(lines(w).isEmpty());
    QVERIFY(idle(w));
    QCOMPARE(ModGeneral::state().ErrH(1), 123.0);
    QCOMPARE(field(w, "TxtN")->text(), QStringLiteral("40"));
    QVERIFY(!label(w, "LblH").isEmpty());
    // The next click resets the flag and computes normally.
    fill(w, kExample);
    QCOMPARE(calculer(w), QStringList());
    QCOMPARE(lines(w), QStringList{QStringLiteral("E(k = 1) = 55.1135192126")});
  }

  void keyWhileIdleSetsTheFlagOfThisWindowOnly() {
    ErrorWindow w;
    w.show();
    QTest::keyClick(&w, Qt::Key_F5);
    QVERIFY(ModGeneral::state().StopRequested);
    // While another window computes, a key typed here leaves its run alone.
    QWidget other;
    QVERIFY(ModGeneral::beginComputation(&other));
    ModGeneral::state().StopRequested = false;
    QTest::keyClick(&w, Qt::Key_F5);
    QVERIFY(!ModGeneral::state().StopRequested);
    ModGeneral::endComputation(&other);
  }

  void refusedWhileAnotherWindowComputes() {
    ErrorWindow w;
    fill(w, kExample);
    QWidget other;
    QVERIFY(ModGeneral::beginComputation(&other));
    ModGeneral::state().StopRequested = true;  // the other run's stop request
    QCOMPARE(calculer(w), QStringList{QString::fromStdString(core::fail::busy().message)});
    QVERIFY(lines(w).isEmpty());
    QVERIFY(ModGeneral::state().StopRequested);
    QVERIFY(!ModGeneral::state().N.isSet());
    QCOMPARE(ModGeneral::computationOwner(), &other);
    QVERIFY(button(w, "CmdCalculerH")->isEnabled());
    ModGeneral::endComputation(&other);
    QCOMPARE(calculer(w), QStringList());
    QCOMPARE(lines(w).size(), 1);
  }

  void closingDuringTheRunStopsItFirst_data() {
    QTest::addColumn<bool>("quitProgram");
    QTest::newRow("Quitter") << false;
    QTest::newRow("main menu Quitter") << true;
  }

  void closingDuringTheRunStopsItFirst() {
    QFETCH(bool, quitProgram);
    ModGeneral::setFactory(WindowKind::FrmErreurEps0, [] { return new ErrorWindow; });
    QPointer<ErrorWindow> w =
        qobject_cast<ErrorWindow*>(ModGeneral::showWindow(WindowKind::FrmErreurEps0));
    QVERIFY(w);
    fill(*w, kLong);
    QTimer::singleShot(30, w, [w, quitProgram] {
      if (quitProgram)
        ModGeneral::closeAll();
      else
        button(*w, "CmdQuitter")->click();
    });
    QCOMPARE(calculer(*w), QStringList());
    // The handler has returned with the window still there; it closes next.
    QVERIFY(!w.isNull());
    QVERIFY(lines(*w).isEmpty());
    QVERIFY(!ModGeneral::computationRunning());
    QTRY_VERIFY(w.isNull());
  }
};

QTEST_MAIN(TestErrorWindow)
#include "test_error_window.moc"
