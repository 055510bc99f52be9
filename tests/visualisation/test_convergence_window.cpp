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
#include "support/reference_solution.h"
#include "vis_support.h"
#include "visualisation/convergence_window.h"
#include "visualisation/render_surface.h"

using core::Scheme;
using core::Study;
using test::Fields;

namespace {

using reftest::bits;

const Fields kConsistP0{.N = "9", .T = "0.1", .K = "20", .a = "1", .d = "1", .w = "50",
                        .phi = "0", .R = "0", .S = "0"};
const Fields kSpaceP0{.N = "4", .T = "1", .K = "1000", .a = "1", .d = "1", .w = "0",
                      .phi = "0", .R = "0", .S = "0"};
// Tau far below eps/k: E(k) falls like eps/k. (With Tau near eps/k it levels
// off at a part of the order of Tau that the two schemes do not share.)
const Fields kError{.N = "9", .T = "1", .K = "1000", .a = "1", .Epsilon = "0.05", .d = "1",
                    .w = "1", .phi = "0"};
const Fields kPepsEps{.Epsilon = "0.0001"};

// The five plots in their order: the study half each shows, the window and
// buttons of its runs, and worked examples whose runs give the order `order`.
struct Plot {
  WindowKind kind;
  const char *counter, *compute, *clear;
  Study study;
  Scheme scheme;
  Fields example;
  QList<int> counts;  // the halvings (or k) of the example's runs
  double order;
};
using enum WindowKind;
const Plot kPlots[] = {
    {frmConsistP0, "TxtR", "CmdCalculerH", "CmdEffacerH", Study::ConsistencyTime, Scheme::P0,
     kConsistP0, {0, 1, 2, 3}, 1},
    {frmConsistP0, "TxtS", "CmdCalculerTau", "CmdEffacerTau", Study::ConsistencySpace, Scheme::P0,
     kSpaceP0, {0, 1, 2}, 2},
    {FrmErreurEps0, "TxtR", "CmdCalculerH", "CmdEffacerH", Study::Error, Scheme::Peps, kError,
     {1, 2, 4, 8}, 1},
    {FrmConsistPepsilon, "TxtR", "CmdCalculerH", "CmdEffacerH", Study::ConsistencyTime,
     Scheme::Peps, kConsistP0.with(kPepsEps), {0, 1, 2, 3}, 1},
    {FrmConsistPepsilon, "TxtS", "CmdCalculerTau", "CmdEffacerTau", Study::ConsistencySpace,
     Scheme::Peps, kSpaceP0.with(kPepsEps), {0, 1, 2}, 2}};
const char* const kPlotNames[] = {"P0, h fixed", "P0, Tau fixed", "error study",
                                  "Pepsilon, h fixed", "Pepsilon, Tau fixed"};

// One run of plot `plot`'s half typed into its window: the counter gets `count`.
void run(int plot, Fields fields, int count) {
  const Plot& p = kPlots[plot];
  QWidget* w = ModGeneral::showWindow(p.kind);
  QVERIFY(w);
  if (p.kind == WindowKind::FrmErreurEps0) test::button(w, "OptionChoix_1")->click();
  (p.counter == QLatin1String("TxtS") ? fields.S : fields.R) = QString::number(count);
  vistest::typeAndClick(w, fields, p.compute);
}

void clear(int plot) {
  test::button(ModGeneral::window(kPlots[plot].kind), kPlots[plot].clear)->click();
}

int pointsOf(const ConvergenceWindow& w, int plot) {
  std::vector<double> steps, errors;
  w.points(plot, steps, errors);
  return int(steps.size());
}

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
    QWidget* stab = ModGeneral::showWindow(WindowKind::frmstabp0);
    vistest::typeAndClick(stab, {.N = "9", .T = "0.1", .K = "20", .a = "1", .u0 = "1"},
                          "CmdCalculs");
    QCOMPARE(int(ModGeneral::journal().writer(Scheme::P0).study), int(Study::Stability));
    QVERIFY(!ModGeneral::journal().writer(Scheme::P0).exactData);
    // Study, scheme, divisor, then error, Tau, h and Epsilon bit for bit.
    const auto entry = [](Study study, Scheme scheme, double divisor, auto... v) {
      QString text = QString("%1 %2 %3").arg(int(study)).arg(int(scheme)).arg(divisor);
      for (double d : {static_cast<double>(v)...}) text += QString(" %1").arg(bits(d), 0, 16);
      return text;
    };
    QStringList expected, got;
    for (const auto& [plot, count] : {std::pair{0, 0}, {0, 1}, {4, 1}, {2, 2}, {1, 0}, {2, 4}}) {
      const Plot& p = kPlots[plot];
      run(plot, p.example, count);
      const core::StudyState& st = ModGeneral::state();
      // The journal names the study that last wrote each table.
      const core::TableWriter& writer = ModGeneral::journal().writer(p.scheme);
      QCOMPARE(int(writer.study), int(p.study));
      QVERIFY(writer.exactData);
      const double error = p.study == Study::ConsistencySpace ? st.ErrT(count + 1)
                           : p.study == Study::Error          ? st.ErrH(1)
                                                              : st.ErrH(count + 1);
      QVERIFY(error > 0);
      const double divisor = p.study == Study::Error ? count : std::ldexp(1.0, count);
      expected << entry(p.study, p.scheme, divisor, error, st.Tau, st.h, st.Epsilon);
    }
    const std::vector<core::JournalEntry>& entries = ModGeneral::journal().entries();
    for (const core::JournalEntry& e : entries)
      got << entry(e.study, e.scheme, e.divisor, e.error, e.Tau, e.h, e.Epsilon);
    QCOMPARE(got, expected);
    // The error study's steps are eps/k.
    QCOMPARE(entries[3].step(), 0.05 / 2);
    QCOMPARE(entries[5].step(), 0.05 / 4);
  }

  // "Tout Effacer" of one half empties that half's plot only.
  void clearingASeries_data() {
    QTest::addColumn<int>("plot");
    for (int k = 0; k < 5; ++k) QTest::newRow(kPlotNames[k]) << k;
  }
  void clearingASeries() {
    QFETCH(int, plot);
    for (int k = 0; k < 5; ++k) run(k, kPlots[k].example, kPlots[k].counts[0]);
    ConvergenceWindow plots;
    for (int k = 0; k < 5; ++k) QCOMPARE(pointsOf(plots, k), 1);
    clear(plot);
    for (int k = 0; k < 5; ++k) QCOMPARE(pointsOf(plots, k), k == plot ? 0 : 1);
  }

  // A series holds the runs of one grid: a change of the typed data between
  // two runs starts another series, and the plot shows the latest.
  void seriesFollowTheTypedData_data() {
    QTest::addColumn<int>("plot");
    QTest::addColumn<Fields>("first");
    QTest::addColumn<Fields>("second");
    QTest::addColumn<int>("points");  // in the plotted series after the two runs
    QTest::addColumn<QString>("label");
    QTest::newRow("P0, same data: appended")
        << 0 << kConsistP0 << kConsistP0 << 2 << "N = 9, T = 0,1, K = 20 — 2 points";
    QTest::newRow("P0 space halvings, w changed: new series")
        << 1 << kSpaceP0 << kSpaceP0.with({.w = "1"}) << 1 << "N = 4, T = 1, K = 1000 — 1 point";
    QTest::newRow("Pepsilon, Epsilon changed: new series")
        << 3 << kConsistP0.with({.Epsilon = "0.001"}) << kConsistP0.with({.Epsilon = "0.002"})
        << 1 << "N = 9, T = 0,1, K = 20, ε = 0,002 — 1 point";
    QTest::newRow("error study, K changed: new series")
        << 2 << kError << kError.with({.K = "2000"}) << 1
        << "N = 9, T = 1, K = 2000, ε = 0,05 — 1 point";
  }
  void seriesFollowTheTypedData() {
    QFETCH(int, plot);
    QFETCH(Fields, first);
    QFETCH(Fields, second);
    QFETCH(int, points);
    QFETCH(QString, label);
    // Two halving counts, so that the second run is a finer grid of the same data.
    run(plot, first, 1);
    run(plot, second, 2);
    ConvergenceWindow w;
    QCOMPARE(pointsOf(w, plot), points);
    QCOMPARE(w.seriesText(plot), label);
    // The earlier series stays in the journal until "Tout Effacer".
    QCOMPARE(int(ModGeneral::journal().entries().size()), 2);
    clear(plot);
    QCOMPARE(pointsOf(w, plot), 0);
    QVERIFY(ModGeneral::journal().entries().empty());
  }

  // On the worked examples each plot's slope is the least-squares fit of its
  // points and shows the announced order (q near 1 in time, p near 2 in
  // space, E(k) near 1 against eps/k); drawn, each point's marker has a pixel
  // of the fitted line within a few device pixels.
  void slopeOfWorkedExamples_data() {
    QTest::addColumn<int>("plot");
    for (int k = 0; k < 5; ++k) QTest::newRow(kPlotNames[k]) << k;
  }
  void slopeOfWorkedExamples() {
    QFETCH(int, plot);
    const Plot& p = kPlots[plot];
    for (int c : p.counts) run(plot, p.example, c);
    ConvergenceWindow w;
    std::vector<double> steps, errors;
    w.points(plot, steps, errors);
    QCOMPARE(int(steps.size()), int(p.counts.size()));
    const core::LogLogFit fit = w.fit(plot);
    QVERIFY(fit.valid);
    const double reference = referenceSlope(steps, errors);
    QVERIFY2(
        std::fabs(fit.slope - reference) <= 1e-9 * std::fabs(reference),
        qPrintable(
            QStringLiteral("%1 against %2").arg(fit.slope, 0, 'g', 17).arg(reference, 0, 'g', 17)));
    QVERIFY2(std::fabs(fit.slope - p.order) <= 0.1, qPrintable(QString::number(fit.slope)));
    QVERIFY(w.slopeText(plot).startsWith(QStringLiteral("pente = ") + QLocale().toString(fit.slope, 'g', 4)));
    const QImage img = vistest::draw(w, QSize(900, 600), 2.0);
    const auto isFit = [](QColor c) { return c.green() > c.red() + 40 && c.green() > c.blue() + 40; };
    const QRect cell(plot % 3 * 600, plot / 3 * 600, 600, 600);  // device pixels
    int markers = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x) {
        if (img.pixelColor(x, y) != QColor(0, 0, 255)) continue;
        ++markers;
        bool near = false;
        for (int dy = -12; dy <= 12 && !near; ++dy)
          for (int dx = -12; dx <= 12 && !near; ++dx)
            near = img.valid(x + dx, y + dy) && isFit(img.pixelColor(x + dx, y + dy));
        QVERIFY2(near, qPrintable(QString("marker pixel %1, %2").arg(x).arg(y)));
      }
    QVERIFY2(markers >= 4 * p.counts.size(), qPrintable(QString::number(markers)));
  }

  void nothingToShowYet() {
    auto* w = static_cast<ConvergenceWindow*>(ModGeneral::showWindow(WindowKind::FrmConvergence));
    QVERIFY(w);
    for (int k = 0; k < 5; ++k) QCOMPARE(w->slopeText(k), QString());
    (void)vistest::draw(*w, QSize(700, 500));
    // One error only: a point, and no slope yet.
    run(3, kPlots[3].example, 0);
    QCOMPARE(w->slopeText(3), QStringLiteral("pente : il faut au moins deux pas différents"));
  }
};

QTEST_MAIN(TestConvergenceWindow)
#include "test_convergence_window.moc"
