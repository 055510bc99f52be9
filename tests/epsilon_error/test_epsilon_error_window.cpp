// The epsilon error study window: E(k) lines, refusals, field names. Its
// long run (stop key, one-run guard, closing mid-run) is the consistency
// windows' one and tested there.
#include <QRadioButton>
#include <QtTest>

#include "core/failure.h"
#include "epsilon_error/epsilon_error_window.h"
#include "support/window_checks.h"
#include "support/window_support.h"

namespace {

using test::Fields;

// Two interior points, two time steps, constant data u0 = 1, v0 = 0.
const Fields kExample{
    .N = "2", .T = "2", .K = "2", .a = "1", .u0 = "1", .v0 = "0", .Epsilon = "1", .k = "1"};
const QString kFirst = QStringLiteral("E(k = 1) = 55,1135192126");

// Types the example with `changes`, clicks "Calculer"; returns the messages shown.
QStringList calculer(QWidget& w, const Fields& changes = {}) {
  return test::click(&w, "CmdCalculerH", kExample.with(changes));
}
QStringList lines(QWidget& w) { return test::lines(&w, "ListERH"); }

bool idle(EpsilonErrorWindow& w) {
  return test::button(&w, "CmdCalculerH")->isEnabled() && !ModGeneral::computationRunning() &&
         w.findChild<QLabel*>("LblCalculs")->isHidden() && !w.isComputing();
}

}  // namespace

class TestEpsilonErrorWindow : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() { test::freshState(); }

  void errorLines_data() {
    QTest::addColumn<Fields>("changes");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("alpha");
    QTest::newRow("k = 1") << Fields{} << kFirst << "1,00000";
    QTest::newRow("2.9") << Fields{.k = "2.9"} << QString("E(k = 2) = 56,3382640840") << "0,50000";
  }

  // Two clicks give two identical lines (the study's own lines are checked
  // with the core); "Tout Effacer" empties the list only.
  void errorLines() {
    QFETCH(Fields, changes);
    QFETCH(QString, line);
    QFETCH(QString, alpha);
    EpsilonErrorWindow w;
    QCOMPARE(calculer(w, changes) + calculer(w, changes), QStringList());
    QCOMPARE(lines(w), QStringList(2, line));
    QCOMPARE(test::labelText(&w, "LblAlpha"), alpha);
    QVERIFY(idle(w));
    test::button(&w, "CmdEffacerH")->click();
    QVERIFY(lines(w).isEmpty());
    QCOMPARE(test::labelText(&w, "LblH"), QStringLiteral("0,33333"));
  }

  // Exact-solution data: phi is required, the constants u0 and v0 are not.
  void requiredFieldsFollowTheOption() {
    EpsilonErrorWindow w;
    w.findChild<QRadioButton*>("OptionChoix_1")->click();
    const Fields exact{.u0 = "", .v0 = "", .d = "1", .w = "1"};
    QCOMPARE(calculer(w, exact), QStringList{"Saisie incomplète !"});
    QVERIFY(lines(w).isEmpty());
    QCOMPARE(calculer(w, exact.with({.phi = "0.5"})), QStringList());
    QVERIFY(lines(w).size() == 1 && lines(w)[0].startsWith("E(k = 1) = "));
  }

  void gridTheWindowCannotTakeIsRefusedCleanly_data() {
    QTest::addColumn<Fields>("changes");
    QTest::addColumn<QString>("message");  // its beginning
    const auto text = [](const core::Failure& f) { return QString::fromStdString(f.message); };
    QTest::newRow("N = 1") << Fields{.N = "1"} << text(core::fail::nTooSmall());
    QTest::newRow("N not whole") << Fields{.N = "2.5"} << text(core::fail::notWhole("N"));
    QTest::newRow("too large") << Fields{.N = "100000", .K = "100000"} << "Calcul trop volumineux";
    QTest::newRow("overflow") << Fields{.T = "1000", .K = "300"}
                              << "Les valeurs sortent du domaine";
    for (const char* k : {"0", "a"})
      QTest::addRow("k = '%s'", k) << Fields{.k = k} << "Valeur de k incorrecte !";
  }

  // One clean message, no line, and the window computes again afterwards.
  void gridTheWindowCannotTakeIsRefusedCleanly() {
    QFETCH(Fields, changes);
    QFETCH(QString, message);
    EpsilonErrorWindow w;
    const QStringList messages = calculer(w, changes);
    QVERIFY2(messages.size() == 1 && messages[0].startsWith(message),
             qPrintable(messages.join('|')));
    QVERIFY(lines(w).isEmpty() && idle(w));
    QCOMPARE(calculer(w), QStringList());
    QCOMPARE(lines(w), QStringList{kFirst});
  }

  // Each field named for its quantity (captions: the desktop test's walk).
  void fieldsNamed() {
    EpsilonErrorWindow w;
    test::checkFieldsNamed(
        &w,
        "TxtN=N TxtT=T TxtK=K Txta=a TxtEpsilon=Epsilon Txtu0=uo TxtV0=vo TxtD=d "
        "TxtW=w TxtPhi=phi TxtR=k");
  }
};

QTEST_MAIN(TestEpsilonErrorWindow)
#include "test_epsilon_error_window.moc"
