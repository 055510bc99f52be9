// The visualisation windows on large tables, drawn offscreen: one frame of
// the evolution at N = 10^6 (alone and with four kept runs), a slider move at
// K = 10^6, the space-time map of 10^7-entry tables against one pass that
// sums the table, and the session report of a long session.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "bench_support.h"
#include "shell/mod_general.h"
#include "visualisation/carte_window.h"
#include "visualisation/evolution_window.h"
#include "visualisation/session_report.h"

namespace {

void fillTable(core::Scheme scheme, std::int64_t N, std::int64_t K, double scale = 1);

// SolP0 (0 To K+1, 0 To N) filled with a growing saw-tooth.
void makeTable(std::int64_t N, std::int64_t K) {
  const core::Table2& old = ModGeneral::state().SolP0;
  if (old.exists() && old.colUpper() == N && old.rowUpper() == K + 1) return;
  ModGeneral::resetState();
  fillTable(core::Scheme::P0, N, K);
}

// A new table of `scheme` (a new buffer when the old one is shared), saw-tooth times `scale`.
void fillTable(core::Scheme scheme, std::int64_t N, std::int64_t K, double scale) {
  core::StudyState& s = ModGeneral::state();
  core::Table2& table = scheme == core::Scheme::P0 ? s.SolP0 : s.SolPeps;
  s.N = static_cast<double>(N);
  s.K = static_cast<double>(K);
  s.h = 1.0 / static_cast<double>(N + 1);
  s.Tau = 1e-6;
  if (!table.create(0, K + 1, 0, N)) std::abort();
  for (std::int64_t r = 1; r <= K + 1; ++r) {
    double* row = table.row(r);
    const double grow = scale * (1.0 + 1e-3 * static_cast<double>(r));
    for (std::int64_t i = 1; i <= N; ++i)
      row[i] = (i % 2 ? grow : -grow) + scale * std::sin(0.001 * static_cast<double>(i));
  }
  ModGeneral::journal().recordRun(s, core::Study::Stability, scheme, true);
}

// The current table and `kept` kept runs, each of N points and K + 1 levels.
void keepRuns(EvolutionWindow& w, std::int64_t N, std::int64_t K, int kept) {
  ModGeneral::resetState();
  for (int k = 0; k <= kept; ++k) {
    fillTable(core::Scheme::P0, N, K, 1.0 + 0.2 * k);
    w.synchronise();
    if (k < kept) w.keepRun();
  }
  if (static_cast<int>(w.kept().runs().size()) != kept) std::abort();
}

QImage canvas(qreal dpr) {
  QImage img(QSize(800, 500) * dpr, QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(dpr);
  return img;
}

void BM_EvolutionFrame(benchmark::State& state) {
  const std::int64_t N = state.range(0), K = state.range(1);
  const qreal dpr = static_cast<qreal>(state.range(2));
  makeTable(N, K);
  EvolutionWindow w;
  QImage img = canvas(dpr);
  int n = 0;
  for (auto _ : state) {
    w.setLevel(n);
    n = (n + 1) % static_cast<int>(K + 1);
    QPainter p(&img);
    w.render(p, QRectF(0, 0, 800, 500));
  }
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EvolutionFrame)
    ->Args({1000000, 10, 1})
    ->Args({1000000, 10, 2})
    ->Unit(benchmark::kMillisecond);

// One frame with four kept runs beside the current one, all of 10^6 points.
void BM_EvolutionFrameKept(benchmark::State& state) {
  const std::int64_t N = state.range(0);
  const qreal dpr = static_cast<qreal>(state.range(1));
  EvolutionWindow w;
  keepRuns(w, N, 2, 4);
  QImage img = canvas(dpr);
  int n = 0;
  for (auto _ : state) {
    w.setLevel(n);
    n = (n + 1) % 3;
    QPainter p(&img);
    w.render(p, QRectF(0, 0, 800, 500));
  }
  ModGeneral::resetState();
}
BENCHMARK(BM_EvolutionFrameKept)
    ->Args({1000000, 1})
    ->Args({1000000, 2})
    ->Unit(benchmark::kMillisecond);

// The session report of 50 runs, with five tables of 10^6 entries: SolP0 and
// SolPeps, and three runs kept in the open evolution window. Wall time, the
// file written included; range(0): 0 PDF, 1 HTML.
void BM_SessionReport(benchmark::State& state) {
  const bool html = state.range(0) == 1;
  ModGeneral::setFactory(WindowKind::FrmEvolution, [] { return new EvolutionWindow; });
  auto* w = static_cast<EvolutionWindow*>(ModGeneral::showWindow(WindowKind::FrmEvolution));
  keepRuns(*w, 999, 998, 3);
  fillTable(core::Scheme::Peps, 999, 998);
  for (int i = 0; i < 50; ++i) {
    core::SessionRun run;
    run.study = i % 2 ? core::Study::ConsistencyTime : core::Study::Stability;
    run.typed = {{"N", "999"}, {"T", "1"}, {"K", "998"}, {"a", "1"}, {"u0", "1"}, {"R", "3"}};
    run.grid = {0.001, 0.001, 1000, 0};
    run.levels = 999;
    if (i % 2) run.lines = {"E8 = 0,0000123456"};
    ModGeneral::journal().noteSession(std::move(run));
  }
  const QString name = QDir::temp().filePath(html ? "orvalend-bench.html" : "orvalend-bench.pdf");
  for (auto _ : state) {
    if (!vis::writeReport(name, html ? vis::ReportFormat::Html : vis::ReportFormat::Pdf).isEmpty())
      std::abort();
  }
  QFile::remove(name);
  ModGeneral::closeAll();
  ModGeneral::resetState();
}
BENCHMARK(BM_SessionReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The slider jumps to any level: the window reads that one row.
void BM_EvolutionSliderJump(benchmark::State& state) {
  const std::int64_t N = state.range(0), K = state.range(1);
  makeTable(N, K);
  EvolutionWindow w;
  QImage img = canvas(1);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> level(0, static_cast<int>(K));
  for (auto _ : state) {
    w.setLevel(level(random));
    QPainter p(&img);
    w.render(p, QRectF(0, 0, 800, 500));
  }
}
BENCHMARK(BM_EvolutionSliderJump)->Args({10, 1000000})->Unit(benchmark::kMillisecond);

// Opening the window on a table: the run's extremes over every level.
void BM_EvolutionOpen(benchmark::State& state) {
  makeTable(state.range(0), state.range(1));
  for (auto _ : state) {
    EvolutionWindow w;
    benchmark::DoNotOptimize(w.source().runMax());
  }
}
BENCHMARK(BM_EvolutionOpen)
    ->Args({10, 1000000})
    ->Args({1000, 10000})
    ->Unit(benchmark::kMillisecond);

// The floor: one pass summing every computed entry of the table.
void BM_SumTable(benchmark::State& state) {
  const std::int64_t N = state.range(0), K = state.range(1);
  makeTable(N, K);
  const core::Table2& t = ModGeneral::state().SolP0;
  for (auto _ : state) {
    double sum = 0;
    for (std::int64_t r = 1; r <= K + 1; ++r) {
      const double* row = t.row(r) + 1;
      for (std::int64_t i = 0; i < N; ++i) sum += row[i];
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_SumTable)->Args({10, 1000000})->Args({1000, 10000})->Unit(benchmark::kMillisecond);

// The map's pass: every entry into its cell, largest magnitude kept.
void BM_MapReduce(benchmark::State& state) {
  const std::int64_t N = state.range(0), K = state.range(1);
  makeTable(N, K);
  const core::Table2& t = ModGeneral::state().SolP0;
  for (auto _ : state) {
    vis::ReducedMap m = vis::reduceTable(t, K + 1, N, 600, 420);
    benchmark::DoNotOptimize(m.values.data());
  }
}
BENCHMARK(BM_MapReduce)->Args({10, 1000000})->Args({1000, 10000})->Unit(benchmark::kMillisecond);

// The whole first drawing of the map in a new window: the pass, the colours,
// the axes and the colour bar.
void BM_MapFirstPaint(benchmark::State& state) {
  makeTable(state.range(0), state.range(1));
  QImage img = canvas(1);
  for (auto _ : state) {
    CarteWindow w;
    QPainter p(&img);
    w.render(p, QRectF(0, 0, 800, 500));
  }
}
BENCHMARK(BM_MapFirstPaint)
    ->Args({10, 1000000})
    ->Args({1000, 10000})
    ->Unit(benchmark::kMillisecond);

}  // namespace

ORV_QT_BENCHMARK_MAIN()
