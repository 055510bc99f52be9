// The consistency windows: runs and orders, the refusals, the running state;
// orders lines read whole, field names. The epsilon error window: its E(k)
// lines, refusals and field names; its long run is the consistency windows'
// one and tested with them.
#include <QKeyEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QtTest>
#include <cmath>

#include "consistency/consistency_window.h"
#include "core/failure.h"
#include "epsilon_error/epsilon_error_window.h"
#include "support/reference_solution.h"
#include "support/window_checks.h"
#include "support/window_support.h"
#include "ui/line_tips.h"

using namespace test;

namespace {

using Data = reftest::ConsData;
using core::Scheme;

QString fixed(double v, int decimals) { return QLocale().toString(v, 'f', decimals); }
QString msg(const core::Failure& f) { return QString::fromStdString(f.message); }
bool running(QWidget* w) { return w->findChild<QLabel*>("LblCalculs")->isVisible(); }

// Types the data, R and S, every number in full.
void fill(QWidget* w, const Data& d, double R, double S = 0) {
  const double v[] = {d.N, d.T, d.K, d.a, d.Epsilon, d.d, d.w, d.phi, R, S};
  const char* names[] = {"TxtN", "TxtT", "TxtK",   "Txta", "TxtEpsilon",
                         "TxtD", "TxtW", "TxtPhi", "TxtR", "TxtS"};
  for (int k = 0; k < 10; ++k) setText(w, names[k], QString::number(v[k], 'g', 17));
}

// Types the data with `count` refinements of the time half (R) or the space
// half (S), and runs that half.
void run(QWidget* w, const Data& d, double count, bool timeHalf) {
  fill(w, d, timeHalf ? count : 0, timeHalf ? 0 : count);
  button(w, timeHalf ? "CmdCalculerH" : "CmdCalculerTau")->click();
}

const Data kData{10, 1, 20, 0.1, 2, 3, 0.5, 0.01};
const Data kLong{2, 1, 1, 0.1, 1, 1, 0, 0};  // with R = 24: 2^24 steps, long enough to stop

// ---- the epsilon error window

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
  return button(&w, "CmdCalculerH")->isEnabled() && !ModGeneral::computationRunning() &&
         w.findChild<QLabel*>("LblCalculs")->isHidden() && !w.isComputing();
}

}  // namespace

Q_DECLARE_METATYPE(core::Scheme)

class TestConsistencyWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() { freshState(); }

  void runsAndOrder_data() {
    QTest::addColumn<Scheme>("scheme");
    QTest::addColumn<bool>("timeHalf");
    QTest::newRow("P0 time") << Scheme::P0 << true;
    QTest::newRow("Pepsilon space") << Scheme::Peps << false;
  }
  // Runs 0 … 5 then the orders: E bit for bit against the reference, and
  // every line of the errors and of the orders fits its list's viewport,
  // measured with the list's font.
  void runsAndOrder() {
    QFETCH(Scheme, scheme);
    QFETCH(bool, timeHalf);
    const Data d = timeHalf ? kData : Data{4, 0.5, 4000, 0.1, 1, 1, 0.3, 0};
    BoxCatcher boxes;
    ConsistencyWindow w(scheme);
    w.show();
    double E[6];
    QStringList expected;
    for (int r = 0; r <= 5; ++r) {
      run(&w, d, r, timeHalf);
      E[r] = reftest::referenceError(scheme, d, timeHalf ? r : 0, timeHalf ? 0 : r);
      auto& s = ModGeneral::state();
      QCOMPARE(reftest::bits(timeHalf ? s.ErrH(r + 1) : s.ErrT(r + 1)), reftest::bits(E[r]));
      expected << QStringLiteral("E%1 = ").arg(1 << r) + fixed(E[r], 10);
    }
    const char* errors = timeHalf ? "ListERH" : "ListERT";
    const char* orders = timeHalf ? "ListQ" : "ListP";
    QCOMPARE(lines(&w, errors), expected);
    // The labels show the steps as typed, not the refined ones.
    QCOMPARE(labelText(&w, "LblH") + ' ' + labelText(&w, "LblTau"),
             fixed(1 / (1 + d.N), 5) + ' ' + fixed(d.T / d.K, 5));
    button(&w, timeHalf ? "CmdCalculerQ" : "CmdCalculerP")->click();
    const double o = std::log((E[0] - E[1]) / (E[1] - E[2])) / std::log(2.0);
    QCOMPARE(lines(&w, orders).size(), 4);
    QCOMPARE(lines(&w, orders)[0], (timeHalf ? "q" : "p") +
                                       QStringLiteral("1 = Ln((E1 - E2)/(E2 - E4))/Ln2 = ") +
                                       fixed(o, 4));
    // Order 1 in time, 2 in space.
    QVERIFY(std::abs(o - (timeHalf ? 1 : 2)) < 0.2 && boxes.texts.isEmpty());
    for (const char* name : {orders, errors}) {
      auto* list = w.findChild<QAbstractItemView*>(name);
      for (int row = 0; row < list->model()->rowCount(); ++row) {
        const QModelIndex index = list->model()->index(row, 0);
        const int needed = list->fontMetrics().horizontalAdvance(index.data().toString());
        QVERIFY2(!ui::LineTips::lineHidden(list, index) && needed < list->viewport()->width(),
                 qPrintable(index.data().toString()));
      }
    }
  }

  // 2.7 runs R = 2 (alone, so q1 is undefined); -0.5 is refused yet stored
  // as R = -1, adding no line.
  void countFieldAndStepCount() {
    BoxCatcher boxes;
    ConsistencyWindow w(Scheme::P0);
    run(&w, kData, 2.7, true);
    QCOMPARE(ModGeneral::state().R.value(), 2.0);
    QCOMPARE(lines(&w, "ListERH"),
             QStringList{"E4 = " + fixed(reftest::referenceError(Scheme::P0, kData, 2, 0), 10)});
    button(&w, "CmdCalculerQ")->click();
    QCOMPARE(lines(&w, "ListQ"), QStringList{"q1 = Ln((E1 - E2)/(E2 - E4))/Ln2 = indéfini"});
    QVERIFY2(boxes.texts.size() == 1 && boxes.last().contains("E1, E2"), qPrintable(boxes.last()));
    setText(&w, "TxtR", "-0.5");
    button(&w, "CmdCalculerH")->click();
    QCOMPARE(boxes.last(), QStringLiteral("Valeur incorrecte de R !"));
    QCOMPARE(ModGeneral::state().R.value(), -1.0);
    QCOMPARE(lines(&w, "ListERH").size(), 1);
    button(&w, "CmdCalculerQ")->click();  // still enabled by R = 2; with R = -1 it lists nothing
    QVERIFY(lines(&w, "ListQ").isEmpty());
    QCOMPARE(boxes.texts.size(), 2);
  }

  void refusals_data() {
    QTest::addColumn<Scheme>("scheme");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("timeHalf");
    QTest::addColumn<QString>("expected");  // the message's beginning
    const auto row = [](const char* tag, Scheme scheme, const char* name, const char* value,
                        bool timeHalf, const QString& expected) {
      QTest::newRow(tag) << scheme << QString(name) << QString(value) << timeHalf << expected;
    };
    row("empty Epsilon", Scheme::Peps, "TxtEpsilon", "", false, "Saisie incomplète !");
    row("S = -3", Scheme::P0, "TxtS", "-3", false, "Valeur incorrecte de S !");
    row("K = 0", Scheme::P0, "TxtK", "0", true, msg(core::fail::kTooSmall()));
    row("Epsilon = -Tau", Scheme::Peps, "TxtEpsilon", "-0.05", true,
        msg(core::fail::alphaMinusOne()));
    row("overflow", Scheme::P0, "Txta", "1e200", true, "Les valeurs sortent");
  }
  // Each refusal once: its message, no line, the window idle and usable again.
  void refusals() {
    QFETCH(Scheme, scheme);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, timeHalf);
    QFETCH(QString, expected);
    BoxCatcher boxes;
    ConsistencyWindow w(scheme);
    w.show();
    fill(&w, kData, 0);
    setText(&w, name.toLatin1().constData(), value);
    button(&w, timeHalf ? "CmdCalculerH" : "CmdCalculerTau")->click();
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.last().startsWith(expected), qPrintable(boxes.last()));
    QVERIFY(lines(&w, "ListERH").isEmpty() && lines(&w, "ListERT").isEmpty());
    QVERIFY(!running(&w) && !ModGeneral::computationRunning());
    run(&w, kData, 0, true);
    QCOMPARE(lines(&w, "ListERH").size(), 1);
  }

  void ordersButtonAndToutEffacer_data() {
    QTest::addColumn<bool>("timeHalf");
    QTest::newRow("qi, R") << true;
    QTest::newRow("pi, S") << false;
  }
  // "Calculer les qi" ("les pi") is enabled exactly when the half's last run
  // had R (S) >= 2; "Tout Effacer" then clears the lists of its half only.
  void ordersButtonAndToutEffacer() {
    QFETCH(bool, timeHalf);
    BoxCatcher boxes;
    ConsistencyWindow w(Scheme::P0);
    const char* orders = timeHalf ? "ListQ" : "ListP";
    QAbstractButton* q = button(&w, timeHalf ? "CmdCalculerQ" : "CmdCalculerP");
    QVERIFY(!q->isEnabled());
    for (const auto& [count, enabled] : {std::pair{2, true}, {0, false}, {3, true}, {1, false}}) {
      run(&w, kData, count, timeHalf);
      QCOMPARE(q->isEnabled(), enabled);
    }
    run(&w, kData, 2, !timeHalf);  // the other half leaves it alone
    QVERIFY(!q->isEnabled());
    run(&w, kData, 2, timeHalf);
    q->click();
    const QStringList shown = lines(&w, orders);
    QCOMPARE(shown.size(), 1);
    button(&w, timeHalf ? "CmdEffacerH" : "CmdEffacerTau")->click();
    QVERIFY(lines(&w, timeHalf ? "ListERH" : "ListERT").isEmpty() && lines(&w, orders).isEmpty());
    QCOMPARE(lines(&w, timeHalf ? "ListERT" : "ListERH").size(), 1);
    q->click();
    QCOMPARE(lines(&w, orders), shown);
    QVERIFY(boxes.texts.isEmpty());
  }

  // During a run every other computation is refused; a key in another
  // window leaves the run alone; a key in its window stops it (a refused
  // click keeps that request): no line, the earlier error kept, the key not typed.
  void keyStopsRunAndOthersAreRefused() {
    BoxCatcher boxes;
    ConsistencyWindow w(Scheme::P0), other(Scheme::Peps);
    w.show(), other.show();
    QLineEdit* focus = field(&w, "TxtPhi");
    focus->setFocus();
    fill(&w, kLong, 24);
    fill(&other, kData, 0);
    ModGeneral::state().ErrH(25) = 0.125;
    bool seenRunning = false;
    QTimer::singleShot(60, &w, [&] {
      auto* bar = w.findChild<QProgressBar*>();
      seenRunning = running(&w) && bar->isVisible() && bar->value() > 0 &&
                    !button(&w, "CmdCalculerH")->isEnabled();
      QTest::keyClick(field(&other, "TxtN"), Qt::Key_Y);
      seenRunning = seenRunning && !ModGeneral::state().StopRequested;
      QCoreApplication::postEvent(focus,
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
      button(&w, "CmdCalculerTau")->click();  // its box lets the key through
      button(&other, "CmdCalculerH")->click();
      seenRunning =
          seenRunning && ModGeneral::state().StopRequested && ModGeneral::computationRunning();
    });
    button(&w, "CmdCalculerH")->click();
    QVERIFY(seenRunning);
    QCOMPARE(boxes.texts, QStringList(2, msg(core::fail::busy())));
    QVERIFY(lines(&w, "ListERH").isEmpty() && lines(&w, "ListERT").isEmpty() &&
            lines(&other, "ListERH").isEmpty());
    QCOMPARE(ModGeneral::state().ErrH(25), 0.125);
    QCOMPARE(focus->text(), QStringLiteral("0"));
    QVERIFY(!running(&w) && !w.findChild<QProgressBar*>()->isVisible() &&
            button(&w, "CmdCalculerH")->isEnabled());
    button(&other, "CmdCalculerH")->click();  // free again
    QCOMPARE(lines(&other, "ListERH").size(), 1);
  }

  void closingDuringRun_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("close()") << 0;
    QTest::newRow("Quitter") << 1;
    QTest::newRow("every window closed") << 2;
  }
  // Closing the window during a run stops it; the window goes only once the run has unwound.
  void closingDuringRun() {
    QFETCH(int, how);
    ModGeneral::setFactory(WindowKind::frmConsistP0,
                           [] { return new ConsistencyWindow(Scheme::P0); });
    QPointer<QWidget> w = ModGeneral::showWindow(WindowKind::frmConsistP0);
    fill(w, kLong, 24);
    bool aliveAfterRequest = false;
    QTimer::singleShot(40, w, [&] {
      if (how == 0) w->close();
      if (how == 1) button(w, "CmdQuitter")->click();
      if (how == 2) ModGeneral::closeAll();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      aliveAfterRequest = !w.isNull();
    });
    button(w, "CmdCalculerH")->click();
    QVERIFY(aliveAfterRequest && !w.isNull() && !ModGeneral::computationRunning() &&
            lines(w, "ListERH").isEmpty());
    QTRY_VERIFY(w.isNull());
  }

  // Each field named for its quantity (captions: the desktop test's walk).
  void fieldsNamed() {
    for (Scheme scheme : {Scheme::P0, Scheme::Peps}) {
      ConsistencyWindow w(scheme);
      const QByteArray names = "TxtN=N TxtT=T TxtK=K Txta=a TxtD=d TxtW=w TxtPhi=phi TxtR=R TxtS=S";
      test::checkFieldsNamed(&w, scheme == Scheme::P0 ? names : names + " TxtEpsilon=Epsilon");
    }
    EpsilonErrorWindow w;
    test::checkFieldsNamed(
        &w,
        "TxtN=N TxtT=T TxtK=K Txta=a TxtEpsilon=Epsilon Txtu0=uo TxtV0=vo TxtD=d "
        "TxtW=w TxtPhi=phi TxtR=k");
  }

  // ---- the epsilon error window
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
    QCOMPARE(labelText(&w, "LblAlpha"), alpha);
    QVERIFY(idle(w));
    button(&w, "CmdEffacerH")->click();
    QVERIFY(lines(w).isEmpty());
    QCOMPARE(labelText(&w, "LblH"), QStringLiteral("0,33333"));
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
    QTest::newRow("N = 1") << Fields{.N = "1"} << msg(core::fail::nTooSmall());
    QTest::newRow("N not whole") << Fields{.N = "2.5"} << msg(core::fail::notWhole("N"));
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
};

QTEST_MAIN(TestConsistencyWindow)
#include "test_consistency_window.moc"
