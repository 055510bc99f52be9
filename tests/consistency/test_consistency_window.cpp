// The consistency windows as a student uses them: runs for R = 0, 1, 2, …,
// the observed orders, the refusals, and the running state (stop key,
// one computation at a time, closing during a run).
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QtTest>
#include <bit>
#include <cstdint>
#include <memory>

#include "consistency/consistency_window.h"
#include "core/failure.h"
#include "shell/mod_general.h"
#include "reference_error.h"

using test::BoxCatcher;
using test::button;
using test::lines;
using test::setText;

namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

QString fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

// The same data in both windows; Epsilon only where the field exists.
void fill(QWidget* w, const test::Data& d, const QString& R, const QString& S) {
  setText(w, "TxtN", QString::number(d.N, 'g', 17));
  setText(w, "TxtT", QString::number(d.T, 'g', 17));
  setText(w, "TxtK", QString::number(d.K, 'g', 17));
  setText(w, "Txta", QString::number(d.a, 'g', 17));
  setText(w, "TxtD", QString::number(d.d, 'g', 17));
  setText(w, "TxtW", QString::number(d.w, 'g', 17));
  setText(w, "TxtPhi", QString::number(d.phi, 'g', 17));
  setText(w, "TxtEpsilon", QString::number(d.Epsilon, 'g', 17));
  setText(w, "TxtR", R);
  setText(w, "TxtS", S);
}

const test::Data kData{10, 1, 20, 0.1, 2, 3, 0.5, 0.01};

// A left-half run long enough (2^24 steps) to be stopped in the middle.
const test::Data kLong{2, 1, 1, 0.1, 1, 1, 0, 0};
const char* const kLongR = "24";

bool running(QWidget* w) { return w->findChild<QLabel*>(QStringLiteral("LblCalculs"))->isVisible(); }

}  // namespace

class TestConsistencyWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QLocale::setDefault(QLocale::c());
    test::freshState();
  }

  void openingState_data() {
    QTest::addColumn<bool>("peps");
    QTest::newRow("P0") << false;
    QTest::newRow("Pepsilon") << true;
  }
  void openingState() {
    QFETCH(bool, peps);
    ConsistencyWindow w(peps ? core::Scheme::Peps : core::Scheme::P0);
    w.show();
    QCOMPARE(w.objectName(), peps ? QStringLiteral("FrmConsistPepsilon") : QStringLiteral("frmConsistP0"));
    QCOMPARE(w.windowTitle(), peps ? QStringLiteral("Etude expérimentale de la consistance - Schéma Pepsilon")
                                   : QStringLiteral("Etude expérimentale de la consistance - Schéma P0"));
    QCOMPARE(w.size(), peps ? QSize(722, 453) : QSize(708, 437));
    auto* calculs = w.findChild<QLabel*>(QStringLiteral("LblCalculs"));
    QVERIFY(calculs);
    QCOMPARE(calculs->text(), QStringLiteral("Calculs en cours,veuillez patienter... Appuyez sur une "
                                             "touche pour stopper les calculs"));
    QVERIFY(!calculs->isVisible());
    QVERIFY(!w.findChild<QProgressBar*>()->isVisible());
    QVERIFY(!button(&w, "CmdCalculerQ")->isEnabled());
    QVERIFY(!button(&w, "CmdCalculerP")->isEnabled());
    QVERIFY(button(&w, "CmdCalculerH")->isEnabled());
    QCOMPARE(button(&w, "CmdCalculerH")->text(), QStringLiteral("Calculer E pour R"));
    QCOMPARE(button(&w, "CmdCalculerTau")->text(), QStringLiteral("Calculer E pour S"));
    QCOMPARE(button(&w, "CmdEffacerTau")->text(), QStringLiteral("Tout Effacer"));
    for (const char* name : {"LblH", "LblTau", "LblLambda", "LblHfixe", "LblTauFixe"})
      QVERIFY2(w.findChild<QLabel*>(QString::fromLatin1(name))->text().isEmpty(), name);
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblAlpha")) != nullptr, peps);
    for (const char* name : {"ListERH", "ListQ", "ListERT", "ListP"})
      QVERIFY2(w.findChild<QAbstractItemView*>(QString::fromLatin1(name)), name);

    // Tab order of the fields.
    QStringList expected{"TxtN", "TxtT", "TxtK", "Txta", "TxtD", "TxtW", "TxtPhi"};
    if (peps) expected << "TxtEpsilon";
    expected << "TxtR" << "TxtS";
    QWidget* at = w.findChild<QLineEdit*>(QStringLiteral("TxtN"));
    QStringList seen;
    for (int i = 0; i < 200 && seen.size() < expected.size(); ++i, at = at->nextInFocusChain())
      if (qobject_cast<QLineEdit*>(at)) seen << at->objectName();
    QCOMPARE(seen, expected);
  }

  // R = 0, 1, 2 then the orders, with E and q against the formulas.
  void timeRunsAndOrder_data() {
    QTest::addColumn<bool>("peps");
    QTest::newRow("P0") << false;
    QTest::newRow("Pepsilon") << true;
  }
  void timeRunsAndOrder() {
    QFETCH(bool, peps);
    BoxCatcher boxes;
    ConsistencyWindow w(peps ? core::Scheme::Peps : core::Scheme::P0);
    w.show();
    double E[3];
    for (int r = 0; r < 3; ++r) {
      fill(&w, kData, QString::number(r), QStringLiteral("0"));
      button(&w, "CmdCalculerH")->click();
      E[r] = test::referenceError(peps, true, kData, r);
      QCOMPARE(bits(ModGeneral::state().ErrH(r + 1)), bits(E[r]));
    }
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(lines(&w, "ListERH"), (QStringList{"E1 = " + fixed(E[0], 10), "E2 = " + fixed(E[1], 10),
                                                "E4 = " + fixed(E[2], 10)}));
    QVERIFY(button(&w, "CmdCalculerQ")->isEnabled());
    button(&w, "CmdCalculerQ")->click();
    const double q1 = std::log((E[0] - E[1]) / (E[1] - E[2])) / std::log(2.0);
    QCOMPARE(lines(&w, "ListQ"),
             QStringList{"q1 = Ln((E1 - E2)/(E2 - E4))/Ln2 = " + fixed(q1, 4)});
    QVERIFY(boxes.texts.isEmpty());
    // The scheme is first order in time.
    QVERIFY(q1 > 0.8 && q1 < 1.2);

    // The labels show the steps as typed, not the refined ones.
    const double h = 1 / (1 + kData.N), Tau = kData.T / kData.K;
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblH"))->text(), fixed(h, 5));
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblHfixe"))->text(), fixed(h, 5));
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblTau"))->text(), fixed(Tau, 5));
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblLambda"))->text(),
             fixed(kData.a * Tau / (h * h), 5));
    if (peps)
      QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblAlpha"))->text(),
               fixed(kData.Epsilon / Tau, 5));
    QVERIFY(w.findChild<QLabel*>(QStringLiteral("LblTauFixe"))->text().isEmpty());
    QVERIFY(!running(&w));
    QVERIFY(!ModGeneral::computationRunning());
  }

  void spaceRunsAndOrder() {
    BoxCatcher boxes;
    ConsistencyWindow w(core::Scheme::P0);
    w.show();
    const test::Data d{4, 0.5, 4000, 0.1, 1, 1, 0.3};
    double E[3];
    for (int s = 0; s < 3; ++s) {
      fill(&w, d, QStringLiteral("0"), QString::number(s));
      button(&w, "CmdCalculerTau")->click();
      E[s] = test::referenceError(false, false, d, s);
      QCOMPARE(bits(ModGeneral::state().ErrT(s + 1)), bits(E[s]));
    }
    QCOMPARE(lines(&w, "ListERT").size(), 3);
    QCOMPARE(lines(&w, "ListERT").at(2), "E4 = " + fixed(E[2], 10));
    QVERIFY(lines(&w, "ListERH").isEmpty());
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblTauFixe"))->text(), fixed(0.5 / 4000, 5));
    button(&w, "CmdCalculerP")->click();
    const double p1 = std::log((E[0] - E[1]) / (E[1] - E[2])) / std::log(2.0);
    QCOMPARE(lines(&w, "ListP"), QStringList{"p1 = Ln((E1 - E2)/(E2 - E4))/Ln2 = " + fixed(p1, 4)});
    // Second order in space.
    QVERIFY(p1 > 1.8 && p1 < 2.2);
    QVERIFY(boxes.texts.isEmpty());
  }

  void exactStepCount() {
    // T = 0.1, K = 11, R = 0: eleven steps, the error on row 12.
    ConsistencyWindow w(core::Scheme::P0);
    const test::Data d{3, 0.1, 11, 1, 1, 2, 0};
    fill(&w, d, QStringLiteral("0"), QStringLiteral("0"));
    button(&w, "CmdCalculerH")->click();
    const core::StudyState& s = ModGeneral::state();
    QCOMPARE(s.SolP0.rowUpper(), std::int64_t{12});
    QCOMPARE(bits(s.ErrH(1)), bits(test::referenceError(false, true, d, 0)));
    // One step fewer or more gives another error.
    test::Data ten = d, twelve = d;
    ten.K = 10;
    twelve.K = 12;
    QVERIFY(bits(s.ErrH(1)) != bits(test::referenceError(false, true, ten, 0)));
    QVERIFY(bits(s.ErrH(1)) != bits(test::referenceError(false, true, twelve, 0)));
  }

  void countFieldRules() {
    BoxCatcher boxes;
    ConsistencyWindow w(core::Scheme::P0);
    fill(&w, kData, QStringLiteral("2.7"), QStringLiteral("0"));
    button(&w, "CmdCalculerH")->click();
    QCOMPARE(ModGeneral::state().R.value(), 2.0);
    QCOMPARE(lines(&w, "ListERH"), QStringList{"E4 = " + fixed(test::referenceError(false, true, kData, 2), 10)});
    QVERIFY(button(&w, "CmdCalculerQ")->isEnabled());  // R >= 2, even with E1, E2 missing

    setText(&w, "TxtR", QStringLiteral("-0.5"));
    button(&w, "CmdCalculerH")->click();
    QCOMPARE(boxes.last(), QStringLiteral("Valeur incorrecte de R !"));
    QCOMPARE(boxes.titles.last(), QStringLiteral("Orvalend"));
    QCOMPARE(ModGeneral::state().R.value(), -1.0);
    QCOMPARE(lines(&w, "ListERH").size(), 1);
    QVERIFY(!running(&w));
    QVERIFY(button(&w, "CmdCalculerH")->isEnabled());
    // Still enabled from the run for R = 2; with R = -1 it lists nothing.
    QVERIFY(button(&w, "CmdCalculerQ")->isEnabled());
    boxes.texts.clear();
    button(&w, "CmdCalculerQ")->click();
    QVERIFY(lines(&w, "ListQ").isEmpty());
    QVERIFY(boxes.texts.isEmpty());

    // Text without a leading number runs R = 0.
    setText(&w, "TxtR", QStringLiteral("abc"));
    button(&w, "CmdCalculerH")->click();
    QCOMPARE(ModGeneral::state().R.value(), 0.0);
    QVERIFY(lines(&w, "ListERH").last().startsWith(QStringLiteral("E1 = ")));
    QVERIFY(!button(&w, "CmdCalculerQ")->isEnabled());

    setText(&w, "TxtS", QStringLiteral("-3"));
    button(&w, "CmdCalculerTau")->click();
    QCOMPARE(boxes.last(), QStringLiteral("Valeur incorrecte de S !"));
    QCOMPARE(ModGeneral::state().S.value(), -3.0);
  }

  void emptyFields() {
    BoxCatcher boxes;
    ConsistencyWindow p0(core::Scheme::P0);
    fill(&p0, kData, QStringLiteral("1"), QString());
    button(&p0, "CmdCalculerH")->click();
    QCOMPARE(boxes.last(), QStringLiteral("Saisie incomplète !"));
    QVERIFY(lines(&p0, "ListERH").isEmpty());
    QVERIFY(!ModGeneral::state().N.isSet());  // nothing converted
    QVERIFY(p0.findChild<QLabel*>(QStringLiteral("LblH"))->text().isEmpty());
    // A blank is not empty.
    setText(&p0, "TxtS", QStringLiteral(" "));
    boxes.texts.clear();
    button(&p0, "CmdCalculerH")->click();
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(lines(&p0, "ListERH").size(), 1);

    ConsistencyWindow peps(core::Scheme::Peps);
    fill(&peps, kData, QStringLiteral("1"), QStringLiteral("1"));
    setText(&peps, "TxtEpsilon", QString());
    for (const char* b : {"CmdCalculerH", "CmdCalculerTau"}) {
      boxes.texts.clear();
      button(&peps, b)->click();
      QCOMPARE(boxes.last(), QStringLiteral("Saisie incomplète !"));
    }
    // Epsilon is stored before the sign of R is tested.
    setText(&peps, "TxtEpsilon", QStringLiteral("0.25"));
    setText(&peps, "TxtR", QStringLiteral("-1"));
    button(&peps, "CmdCalculerH")->click();
    QCOMPARE(boxes.last(), QStringLiteral("Valeur incorrecte de R !"));
    QCOMPARE(ModGeneral::state().Epsilon.value(), 0.25);
  }

  void ordersButtonFollowsLastLeftRun() {
    ConsistencyWindow w(core::Scheme::P0);
    QAbstractButton* q = button(&w, "CmdCalculerQ");
    const std::pair<const char*, bool> runs[] = {{"3", true}, {"1", false}, {"2", true}, {"0", false}};
    for (const auto& [r, enabled] : runs) {
      fill(&w, kData, QString::fromLatin1(r), QStringLiteral("0"));
      button(&w, "CmdCalculerH")->click();
      QCOMPARE(q->isEnabled(), enabled);
    }
    // The right half does not touch it.
    fill(&w, kData, QStringLiteral("0"), QStringLiteral("2"));
    button(&w, "CmdCalculerTau")->click();
    QVERIFY(!q->isEnabled());
    QVERIFY(button(&w, "CmdCalculerP")->isEnabled());
  }

  void toutEffacerKeepsTables() {
    BoxCatcher boxes;
    ConsistencyWindow w(core::Scheme::P0);
    for (int r = 0; r < 4; ++r) {
      fill(&w, kData, QString::number(r), QStringLiteral("0"));
      button(&w, "CmdCalculerH")->click();
    }
    button(&w, "CmdCalculerQ")->click();
    const QStringList orders = lines(&w, "ListQ");
    QCOMPARE(orders.size(), 2);
    QVERIFY(orders.at(1).startsWith(QStringLiteral("q2 = Ln((E2 - E4)/(E4 - E8))/Ln2 = ")));
    fill(&w, kData, QStringLiteral("0"), QStringLiteral("0"));
    button(&w, "CmdCalculerTau")->click();

    button(&w, "CmdEffacerH")->click();
    QVERIFY(lines(&w, "ListERH").isEmpty());
    QVERIFY(lines(&w, "ListQ").isEmpty());
    QCOMPARE(lines(&w, "ListERT").size(), 1);  // the other half is left alone
    button(&w, "CmdCalculerQ")->click();
    QCOMPARE(lines(&w, "ListQ"), orders);
    QVERIFY(boxes.texts.isEmpty());
  }

  void undefinedOrdersMessage() {
    BoxCatcher boxes;
    ConsistencyWindow w(core::Scheme::P0);
    // Only R = 2 was run: E1 and E2 are missing, so q1 cannot be computed.
    fill(&w, kData, QStringLiteral("2"), QStringLiteral("0"));
    button(&w, "CmdCalculerH")->click();
    button(&w, "CmdCalculerQ")->click();
    QCOMPARE(lines(&w, "ListQ"),
             QStringList{QStringLiteral("q1 = Ln((E1 - E2)/(E2 - E4))/Ln2 = indéfini")});
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.last().contains(QStringLiteral("q1")), qPrintable(boxes.last()));
    QVERIFY2(boxes.last().contains(QStringLiteral("E1, E2")), qPrintable(boxes.last()));
    QVERIFY(!boxes.last().contains(QStringLiteral("E4")));
    QVERIFY(std::isnan(ModGeneral::state().OrdQ(1)));
  }

  void refusalsLeaveWindowIdle_data() {
    QTest::addColumn<QString>("N");
    QTest::addColumn<QString>("K");
    QTest::addColumn<QString>("R");
    QTest::addColumn<QString>("expected");
    QTest::newRow("K = 0") << "10" << "0" << "0" << QString::fromStdString(core::fail::kTooSmall().message);
    QTest::newRow("N = 1") << "1" << "10" << "0" << QString::fromStdString(core::fail::nTooSmall().message);
    QTest::newRow("N = 2.5") << "2.5" << "10" << "0" << QString::fromStdString(core::fail::notWhole("N").message);
    QTest::newRow("R = 30") << "10" << "10" << "30" << QString::fromStdString(core::fail::rTooLarge().message);
  }
  void refusalsLeaveWindowIdle() {
    QFETCH(QString, N);
    QFETCH(QString, K);
    QFETCH(QString, R);
    QFETCH(QString, expected);
    BoxCatcher boxes;
    ConsistencyWindow w(core::Scheme::P0);
    w.show();
    fill(&w, kData, R, QStringLiteral("0"));
    setText(&w, "TxtN", N);
    setText(&w, "TxtK", K);
    button(&w, "CmdCalculerH")->click();
    QCOMPARE(boxes.last(), expected);
    QVERIFY(!running(&w));
    QVERIFY(button(&w, "CmdCalculerH")->isEnabled());
    QVERIFY(!ModGeneral::computationRunning());
    QVERIFY(lines(&w, "ListERH").isEmpty());
    // Usable again at once.
    fill(&w, kData, QStringLiteral("0"), QStringLiteral("0"));
    button(&w, "CmdCalculerH")->click();
    QCOMPARE(lines(&w, "ListERH").size(), 1);
  }

  void failuresDuringOrBeforeRun() {
    BoxCatcher boxes;
    ConsistencyWindow p0(core::Scheme::P0);
    p0.show();
    // An explicit scheme far beyond its stable range leaves the doubles.
    fill(&p0, test::Data{3, 1, 10, 1e200, 1, 1, 0}, QStringLiteral("0"), QStringLiteral("0"));
    button(&p0, "CmdCalculerH")->click();
    QVERIFY2(boxes.last().startsWith(QStringLiteral("Les valeurs sortent")), qPrintable(boxes.last()));
    QVERIFY(lines(&p0, "ListERH").isEmpty());
    QVERIFY(!running(&p0));
    QVERIFY(!ModGeneral::computationRunning());
    QVERIFY(button(&p0, "CmdCalculerH")->isEnabled());

    // Epsilon = -Tau: 1 + Alpha = 0.
    ConsistencyWindow peps(core::Scheme::Peps);
    fill(&peps, test::Data{3, 1, 10, 0.1, 1, 1, 0, -0.1}, QStringLiteral("0"), QStringLiteral("0"));
    button(&peps, "CmdCalculerH")->click();
    QCOMPARE(boxes.last(), QString::fromStdString(core::fail::alphaMinusOne().message));
    QVERIFY(!running(&peps));
    QVERIFY(!ModGeneral::computationRunning());
  }

  void frenchDecimalMark() {
    QLocale::setDefault(QLocale(QLocale::French));
    ConsistencyWindow w(core::Scheme::P0);
    fill(&w, kData, QStringLiteral("0"), QStringLiteral("0"));
    button(&w, "CmdCalculerH")->click();
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LblH"))->text(), QStringLiteral("0,09091"));
    QVERIFY(lines(&w, "ListERH").at(0).startsWith(QStringLiteral("E1 = 0,")));
  }

  // ------------------------------------------------------------ running state

  void keyStopsRun() {
    ConsistencyWindow w(core::Scheme::P0);
    w.show();
    QLineEdit* focus = w.findChild<QLineEdit*>(QStringLiteral("TxtPhi"));
    focus->setFocus();
    fill(&w, kLong, QString::fromLatin1(kLongR), QStringLiteral("0"));
    ModGeneral::state().ErrH(25) = 0.125;  // an earlier value for this R
    bool seenRunning = false, barMoved = false, buttonDisabled = false;
    QElapsedTimer clock;
    qint64 keyAt = -1;
    QTimer::singleShot(60, &w, [&] {
      seenRunning = running(&w);
      auto* bar = w.findChild<QProgressBar*>();
      barMoved = bar->isVisible() && bar->value() > 0 && bar->maximum() == (1 << 24);
      buttonDisabled = !button(&w, "CmdCalculerH")->isEnabled();
      keyAt = clock.elapsed();
      // A letter aimed at a text field: the field would keep it to itself.
      QCoreApplication::postEvent(focus, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier,
                                                       QStringLiteral("x")));
    });
    clock.start();
    button(&w, "CmdCalculerH")->click();
    const qint64 stoppedAt = clock.elapsed();
    QVERIFY(seenRunning);
    QVERIFY(barMoved);
    QVERIFY(buttonDisabled);
    QVERIFY(keyAt > 0);
    QVERIFY2(stoppedAt - keyAt < 1000, qPrintable(QString::number(stoppedAt - keyAt)));
    QVERIFY(lines(&w, "ListERH").isEmpty());
    QCOMPARE(ModGeneral::state().ErrH(25), 0.125);
    QCOMPARE(focus->text(), QStringLiteral("0"));  // the key went to the run, not the field
    QVERIFY(!running(&w));
    QVERIFY(!w.findChild<QProgressBar*>()->isVisible());
    QVERIFY(button(&w, "CmdCalculerH")->isEnabled());
    QVERIFY(button(&w, "CmdCalculerQ")->isEnabled());  // R >= 2 although stopped
    QVERIFY(!ModGeneral::computationRunning());

    // Once idle, keys reach the fields again.
    QTest::keyClick(focus, Qt::Key_5);
    QCOMPARE(focus->text(), QStringLiteral("05"));
  }

  void onlyKeysInTheRunningWindowStop() {
    ConsistencyWindow w(core::Scheme::P0);
    ConsistencyWindow other(core::Scheme::Peps);
    w.show();
    other.show();
    fill(&w, kLong, QString::fromLatin1(kLongR), QStringLiteral("0"));
    QLineEdit* elsewhere = other.findChild<QLineEdit*>(QStringLiteral("TxtN"));
    bool runningAfterOtherKey = false;
    QTimer::singleShot(30, &w, [&] {
      QCoreApplication::postEvent(elsewhere, new QKeyEvent(QEvent::KeyPress, Qt::Key_7,
                                                           Qt::NoModifier, QStringLiteral("7")));
    });
    QTimer::singleShot(80, &w, [&] {
      runningAfterOtherKey = running(&w) && !ModGeneral::state().StopRequested;
      // A key aimed at a button of the running window stops it too.
      QCoreApplication::postEvent(button(&w, "CmdEffacerTau"),
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
    });
    button(&w, "CmdCalculerH")->click();
    QVERIFY(runningAfterOtherKey);
    QCOMPARE(elsewhere->text(), QStringLiteral("7"));  // typed normally in the idle window
    QVERIFY(lines(&w, "ListERH").isEmpty());
    QVERIFY(!running(&w));
  }

  void secondComputationRefused() {
    BoxCatcher boxes;
    ConsistencyWindow w(core::Scheme::P0);
    ConsistencyWindow other(core::Scheme::Peps);
    w.show();
    other.show();
    fill(&w, kLong, QString::fromLatin1(kLongR), QStringLiteral("0"));
    fill(&other, kData, QStringLiteral("0"), QStringLiteral("0"));
    bool stillRunning = false, stopFlagKept = false;
    QTimer::singleShot(40, &w, [&] {
      // The other half of the same window, then the other window.
      button(&w, "CmdCalculerTau")->click();
      button(&other, "CmdCalculerH")->click();
      stillRunning = running(&w) && ModGeneral::computationRunning();
      // A refused click does not reset the stop flag of the run in progress.
      ModGeneral::state().StopRequested = true;
      button(&other, "CmdCalculerTau")->click();
      stopFlagKept = ModGeneral::state().StopRequested;
    });
    button(&w, "CmdCalculerH")->click();
    const QString busy = QString::fromStdString(core::fail::busy().message);
    QCOMPARE(boxes.texts, (QStringList{busy, busy, busy}));
    QVERIFY(stillRunning);
    QVERIFY(stopFlagKept);
    QVERIFY(lines(&w, "ListERH").isEmpty());
    QVERIFY(lines(&w, "ListERT").isEmpty());
    QVERIFY(lines(&other, "ListERH").isEmpty());
    QVERIFY(other.findChild<QLabel*>(QStringLiteral("LblH"))->text().isEmpty());
    QVERIFY(!running(&other));
    QVERIFY(!ModGeneral::computationRunning());
    // Free again.
    button(&other, "CmdCalculerH")->click();
    QCOMPARE(lines(&other, "ListERH").size(), 1);
  }

  void closingDuringRun_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("close()") << 0;
    QTest::newRow("Quitter") << 1;
    QTest::newRow("closeAll") << 2;
  }
  void closingDuringRun() {
    QFETCH(int, how);
    ModGeneral::setFactory(WindowKind::frmConsistP0,
                           [] { return new ConsistencyWindow(core::Scheme::P0); });
    QPointer<QWidget> w = ModGeneral::showWindow(WindowKind::frmConsistP0);
    QVERIFY(w);
    fill(w, kLong, QString::fromLatin1(kLongR), QStringLiteral("0"));
    bool aliveAfterRequest = false;
    QTimer::singleShot(40, w, [&] {
      if (how == 0) w->close();
      if (how == 1) button(w, "CmdQuitter")->click();
      if (how == 2) ModGeneral::closeAll();
      // Let the event loop try to delete it while the run is still on the stack.
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      aliveAfterRequest = !w.isNull();
    });
    QElapsedTimer clock;
    clock.start();
    button(w, "CmdCalculerH")->click();
    QVERIFY(aliveAfterRequest);
    QVERIFY(!w.isNull());  // the handler that ran still held it
    QVERIFY(clock.elapsed() < 2000);
    QVERIFY(!ModGeneral::computationRunning());
    QVERIFY(lines(w, "ListERH").isEmpty());
    QTRY_VERIFY(w.isNull());
  }
};

QTEST_MAIN(TestConsistencyWindow)
#include "test_consistency_window.moc"
