// The journal of results and the convergence plots: runs from the three study
// windows recorded in order, "Tout Effacer" clearing its series, and each
// plot's slope against a least-squares fit of the same points on worked
// examples (q near 1 in time, p near 2 in space).
#include <QRadioButton>
#include <QtTest>
#include <bit>
#include <cmath>

#include "app/windows.h"
#include "shell/mod_general.h"
#include "vis_support.h"
#include "visualisation/convergence_window.h"
#include "visualisation/render_surface.h"

using core::Scheme;
using core::Study;
using Fields = QList<QPair<const char*, QString>>;

Q_DECLARE_METATYPE(WindowKind)

namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// One run typed into a study window: the counter field gets `count`.
void run(WindowKind kind, Fields fields, const char* counter, int count, const char* button) {
  QWidget* w = ModGeneral::showWindow(kind);
  QVERIFY(w);
  if (kind == WindowKind::FrmErreurEps0) test::button(w, "OptionChoix_1")->click();
  fields.append({counter, QString::number(count)});
  vistest::typeAndClick(w, fields, button);
}

const Fields kConsistP0 = {{"TxtN", "9"},   {"TxtT", "0.1"}, {"TxtK", "20"},
                           {"Txta", "1"},   {"TxtD", "1"},   {"TxtW", "50"},
                           {"TxtPhi", "0"}, {"TxtR", "0"},   {"TxtS", "0"}};
const Fields kSpaceP0 = {{"TxtN", "4"},   {"TxtT", "1"}, {"TxtK", "1000"},
                         {"Txta", "1"},   {"TxtD", "1"}, {"TxtW", "0"},
                         {"TxtPhi", "0"}, {"TxtR", "0"}, {"TxtS", "0"}};
// Tau far below eps/k: E(k) falls like eps/k. (With Tau near eps/k it levels
// off at a part of the order of Tau that the two schemes do not share.)
const Fields kError = {{"TxtN", "9"},          {"TxtT", "1"}, {"TxtK", "1000"}, {"Txta", "1"},
                       {"TxtEpsilon", "0.05"}, {"TxtD", "1"}, {"TxtW", "1"},    {"TxtPhi", "0"}};

// Least squares in natural logarithms from the normal equations.
double referenceSlope(const std::vector<double>& x, const std::vector<double>& y) {
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  const double n = static_cast<double>(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double lx = std::log(x[i]), ly = std::log(y[i]);
    sx += lx;
    sy += ly;
    sxx += lx * lx;
    sxy += lx * ly;
  }
  return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

}  // namespace

class TestConvergenceWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() { vistest::initWindowTest(); }
  void cleanup() { vistest::cleanupWindowTest(); }

  void journalRecordsRunsInOrder() {
    struct Step {
      WindowKind kind;
      Fields fields;
      const char* counter;
      int count;
      const char* button;
      Study study;
      Scheme scheme;
      double divisor;
    };
    const Fields stab = {
        {"TxtN", "9"}, {"TxtT", "0.1"}, {"TxtK", "20"}, {"Txta", "1"}, {"Txtu0", "1"}};
    const std::vector<Step> steps = {
        {WindowKind::frmstabp0, stab, "TxtN", 9, "CmdCalculs", Study::Stability, Scheme::P0, 0},
        {WindowKind::frmConsistP0, kConsistP0, "TxtR", 0, "CmdCalculerH", Study::ConsistencyTime,
         Scheme::P0, 1},
        {WindowKind::frmConsistP0, kConsistP0, "TxtR", 1, "CmdCalculerH", Study::ConsistencyTime,
         Scheme::P0, 2},
        {WindowKind::FrmConsistPepsilon, kSpaceP0 + Fields{{"TxtEpsilon", "0.001"}}, "TxtS", 1,
         "CmdCalculerTau", Study::ConsistencySpace, Scheme::Peps, 2},
        {WindowKind::FrmErreurEps0, kError, "TxtR", 2, "CmdCalculerH", Study::Error, Scheme::Peps,
         2},
        {WindowKind::frmConsistP0, kConsistP0, "TxtS", 0, "CmdCalculerTau", Study::ConsistencySpace,
         Scheme::P0, 1},
        {WindowKind::FrmErreurEps0, kError, "TxtR", 4, "CmdCalculerH", Study::Error, Scheme::Peps,
         4},
    };
    // Study, scheme, divisor, then error, Tau, h and Epsilon bit for bit.
    const auto entry = [](Study study, Scheme scheme, double divisor, auto... v) {
      QString text = QString("%1 %2 %3").arg(int(study)).arg(int(scheme)).arg(divisor);
      for (double d : {static_cast<double>(v)...}) text += QString(" %1").arg(bits(d), 0, 16);
      return text;
    };
    QStringList expected, got;
    for (const Step& s : steps) {
      run(s.kind, s.fields, s.counter, s.count, s.button);
      const core::StudyState& st = ModGeneral::state();
      // The journal names the study that last wrote each table.
      const core::TableWriter& writer = ModGeneral::journal().writer(s.scheme);
      QCOMPARE(int(writer.study), int(s.study));
      QCOMPARE(writer.exactData, s.study != Study::Stability);
      if (s.study == Study::Stability) continue;
      const double error = s.study == Study::ConsistencySpace ? st.ErrT(s.count + 1)
                           : s.study == Study::Error          ? st.ErrH(1)
                                                              : st.ErrH(s.count + 1);
      QVERIFY(error > 0);
      expected << entry(s.study, s.scheme, s.divisor, error, st.Tau, st.h, st.Epsilon);
    }
    const std::vector<core::JournalEntry>& entries = ModGeneral::journal().entries();
    for (const core::JournalEntry& e : entries)
      got << entry(e.study, e.scheme, e.divisor, e.error, e.Tau, e.h, e.Epsilon);
    QCOMPARE(got, expected);
    // The error study's steps are eps/k.
    QCOMPARE(entries[3].step(), 0.05 / 2);
    QCOMPARE(entries[5].step(), 0.05 / 4);
  }

  void clearingASeries_data() {
    QTest::addColumn<WindowKind>("kind");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("left");  // entries left per plot, in the plots' order
    QTest::newRow("P0, h fixed") << WindowKind::frmConsistP0 << "CmdEffacerH"
                                 << QList<int>{0, 1, 1, 1, 1};
    QTest::newRow("P0, Tau fixed")
        << WindowKind::frmConsistP0 << "CmdEffacerTau" << QList<int>{1, 0, 1, 1, 1};
    QTest::newRow("Pepsilon, h fixed")
        << WindowKind::FrmConsistPepsilon << "CmdEffacerH" << QList<int>{1, 1, 1, 0, 1};
    QTest::newRow("Pepsilon, Tau fixed")
        << WindowKind::FrmConsistPepsilon << "CmdEffacerTau" << QList<int>{1, 1, 1, 1, 0};
    QTest::newRow("error study") << WindowKind::FrmErreurEps0 << "CmdEffacerH"
                                 << QList<int>{1, 1, 0, 1, 1};
  }
  void clearingASeries() {
    QFETCH(WindowKind, kind);
    QFETCH(QString, button);
    QFETCH(QList<int>, left);
    const Fields peps = kConsistP0 + Fields{{"TxtEpsilon", "0.001"}};
    run(WindowKind::frmConsistP0, kConsistP0, "TxtR", 0, "CmdCalculerH");
    run(WindowKind::frmConsistP0, kConsistP0, "TxtS", 0, "CmdCalculerTau");
    run(WindowKind::FrmErreurEps0, kError, "TxtR", 1, "CmdCalculerH");
    run(WindowKind::FrmConsistPepsilon, peps, "TxtR", 0, "CmdCalculerH");
    run(WindowKind::FrmConsistPepsilon, peps, "TxtS", 0, "CmdCalculerTau");
    ConvergenceWindow plots;
    std::vector<double> steps, errors;
    for (int k = 0; k < 5; ++k) {
      plots.points(k, steps, errors);
      QCOMPARE(int(steps.size()), 1);
    }
    test::button(ModGeneral::window(kind), button.toLatin1().constData())->click();
    for (int k = 0; k < 5; ++k) {
      plots.points(k, steps, errors);
      QCOMPARE(int(steps.size()), left[k]);
    }
  }

  // A series holds the runs of one grid: a change of the typed data between
  // two runs starts another series, and the plot shows the latest.
  void seriesFollowTheTypedData_data() {
    QTest::addColumn<WindowKind>("kind");
    QTest::addColumn<Fields>("first");
    QTest::addColumn<Fields>("second");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("plot");
    QTest::addColumn<int>("points");  // in the plotted series after the two runs
    QTest::addColumn<QString>("label");
    const Fields n5 = kConsistP0 + Fields{{"TxtN", "5"}};
    const Fields peps = kConsistP0 + Fields{{"TxtEpsilon", "0.001"}};
    QTest::newRow("P0, same data: appended")
        << WindowKind::frmConsistP0 << kConsistP0 << kConsistP0 << "TxtR"
        << "CmdCalculerH" << 0 << 2 << "N = 9, T = 0,1, K = 20 — 2 points";
    QTest::newRow("P0, N changed: new series")
        << WindowKind::frmConsistP0 << kConsistP0 << n5 << "TxtR"
        << "CmdCalculerH" << 0 << 1 << "N = 5, T = 0,1, K = 20 — 1 point";
    QTest::newRow("P0 space halvings, w changed: new series")
        << WindowKind::frmConsistP0 << kSpaceP0 << kSpaceP0 + Fields{{"TxtW", "1"}} << "TxtS"
        << "CmdCalculerTau" << 1 << 1 << "N = 4, T = 1, K = 1000 — 1 point";
    QTest::newRow("P0 space halvings, same data: appended")
        << WindowKind::frmConsistP0 << kSpaceP0 << kSpaceP0 << "TxtS"
        << "CmdCalculerTau" << 1 << 2 << "N = 4, T = 1, K = 1000 — 2 points";
    QTest::newRow("Pepsilon, Epsilon changed: new series")
        << WindowKind::FrmConsistPepsilon << peps << kConsistP0 + Fields{{"TxtEpsilon", "0.002"}}
        << "TxtR"
        << "CmdCalculerH" << 3 << 1 << "N = 9, T = 0,1, K = 20, ε = 0,002 — 1 point";
    QTest::newRow("error study, same data: appended")
        << WindowKind::FrmErreurEps0 << kError << kError << "TxtR"
        << "CmdCalculerH" << 2 << 2 << "N = 9, T = 1, K = 1000, ε = 0,05 — 2 points";
    QTest::newRow("error study, K changed: new series")
        << WindowKind::FrmErreurEps0 << kError << kError + Fields{{"TxtK", "2000"}} << "TxtR"
        << "CmdCalculerH" << 2 << 1 << "N = 9, T = 1, K = 2000, ε = 0,05 — 1 point";
  }
  void seriesFollowTheTypedData() {
    QFETCH(WindowKind, kind);
    QFETCH(Fields, first);
    QFETCH(Fields, second);
    QFETCH(QString, counter);
    QFETCH(QString, button);
    QFETCH(int, plot);
    QFETCH(int, points);
    QFETCH(QString, label);
    const QByteArray counterName = counter.toLatin1(), buttonName = button.toLatin1();
    // Two halving counts, so that the second run is a finer grid of the same data.
    run(kind, first, counterName.constData(), 1, buttonName.constData());
    run(kind, second, counterName.constData(), 2, buttonName.constData());
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));  // the label's decimal mark
    ConvergenceWindow w;
    std::vector<double> steps, errors;
    w.points(plot, steps, errors);
    QCOMPARE(int(steps.size()), points);
    QCOMPARE(w.seriesText(plot), label);
    // The earlier series stays in the journal until "Tout Effacer".
    QCOMPARE(int(ModGeneral::journal().entries().size()), 2);
    test::button(ModGeneral::window(kind),
                 button == QLatin1String("CmdCalculerH") ? "CmdEffacerH" : "CmdEffacerTau")
        ->click();
    w.points(plot, steps, errors);
    QCOMPARE(int(steps.size()), 0);
    QVERIFY(ModGeneral::journal().entries().empty());
  }

  void slopeOfWorkedExamples_data() {
    QTest::addColumn<WindowKind>("kind");
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("plot");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    const QList<int> four = {0, 1, 2, 3};
    QTest::newRow("P0, time halvings: q near 1") << WindowKind::frmConsistP0 << kConsistP0 << "TxtR"
                                                 << "CmdCalculerH" << four << 0 << 0.9 << 1.1;
    QTest::newRow("P0, space halvings: p near 2")
        << WindowKind::frmConsistP0 << kSpaceP0 << "TxtS"
        << "CmdCalculerTau" << QList<int>{0, 1, 2} << 1 << 1.9 << 2.1;
    QTest::newRow("Pepsilon, time halvings: q near 1")
        << WindowKind::FrmConsistPepsilon << kConsistP0 + Fields{{"TxtEpsilon", "0.0001"}} << "TxtR"
        << "CmdCalculerH" << four << 3 << 0.9 << 1.1;
    QTest::newRow("Pepsilon, space halvings: p near 2")
        << WindowKind::FrmConsistPepsilon << kSpaceP0 + Fields{{"TxtEpsilon", "0.0001"}} << "TxtS"
        << "CmdCalculerTau" << QList<int>{0, 1, 2} << 4 << 1.9 << 2.1;
    QTest::newRow("E(k) against eps/k: near 1")
        << WindowKind::FrmErreurEps0 << kError << "TxtR"
        << "CmdCalculerH" << QList<int>{1, 2, 4, 8} << 2 << 0.9 << 1.1;
  }
  void slopeOfWorkedExamples() {
    QFETCH(WindowKind, kind);
    QFETCH(Fields, fields);
    QFETCH(QString, counter);
    QFETCH(QString, button);
    QFETCH(QList<int>, counts);
    QFETCH(int, plot);
    QFETCH(double, low);
    QFETCH(double, high);
    const QByteArray counterName = counter.toLatin1(), buttonName = button.toLatin1();
    for (int c : counts) run(kind, fields, counterName.constData(), c, buttonName.constData());

    ConvergenceWindow w;
    std::vector<double> steps, errors;
    w.points(plot, steps, errors);
    QCOMPARE(int(steps.size()), int(counts.size()));
    const core::LogLogFit fit = w.fit(plot);
    QVERIFY(fit.valid);
    const double reference = referenceSlope(steps, errors);
    QVERIFY2(
        std::fabs(fit.slope - reference) <= 1e-9 * std::fabs(reference),
        qPrintable(
            QStringLiteral("%1 against %2").arg(fit.slope, 0, 'g', 17).arg(reference, 0, 'g', 17)));
    QVERIFY2(fit.slope >= low && fit.slope <= high, qPrintable(QString::number(fit.slope)));
    QVERIFY(w.slopeText(plot).startsWith(QStringLiteral("pente = %1").arg(fit.slope, 0, 'g', 4)));
  }

  void fitLeavesOutWhatALogCannotPlace_data() {
    QTest::addColumn<QList<double>>("steps");
    QTest::addColumn<QList<double>>("errors");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("slope");
    QTest::newRow("exact power 2") << QList<double>{0.1, 0.05, 0.025}
                                   << QList<double>{0.02, 0.005, 0.00125} << true << 3 << 2.0;
    QTest::newRow("zero and negative errors left out")
        << QList<double>{0.1, 0.05, 0.025, 0.0125} << QList<double>{0.3, 0.0, 0.075, -1.0} << true
        << 2 << 1.0;
    QTest::newRow("infinite error left out")
        << QList<double>{1.0, 0.5, 0.25} << QList<double>{4.0, qInf(), 1.0} << true << 2 << 1.0;
    QTest::newRow("one point") << QList<double>{0.1} << QList<double>{0.3} << false << 1 << 0.0;
    QTest::newRow("same step twice")
        << QList<double>{0.1, 0.1} << QList<double>{0.3, 0.2} << false << 2 << 0.0;
    QTest::newRow("nothing") << QList<double>{} << QList<double>{} << false << 0 << 0.0;
  }
  void fitLeavesOutWhatALogCannotPlace() {
    QFETCH(QList<double>, steps);
    QFETCH(QList<double>, errors);
    QFETCH(bool, valid);
    QFETCH(int, points);
    QFETCH(double, slope);
    const core::LogLogFit fit =
        core::fitLogLog({steps.begin(), steps.end()}, {errors.begin(), errors.end()});
    QCOMPARE(fit.valid, valid);
    QCOMPARE(fit.points, points);
    if (valid) QVERIFY(std::fabs(fit.slope - slope) < 1e-12);
  }

  void nothingToShowYet() {
    auto* w = static_cast<ConvergenceWindow*>(ModGeneral::showWindow(WindowKind::FrmConvergence));
    QVERIFY(w);
    for (int k = 0; k < 5; ++k) QCOMPARE(w->slopeText(k), QString());
    (void)vistest::draw(*w, QSize(700, 500));
    // One error only: a point, and no slope yet.
    run(WindowKind::FrmConsistPepsilon, kConsistP0 + Fields{{"TxtEpsilon", "0.0001"}}, "TxtR", 0,
        "CmdCalculerH");
    QCOMPARE(w->slopeText(3), QStringLiteral("pente : il faut au moins deux pas différents"));
  }
};

QTEST_MAIN(TestConvergenceWindow)
#include "test_convergence_window.moc"
