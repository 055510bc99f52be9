// The visualisation windows on large tables, drawn offscreen: one frame of
// the evolution at N = 10^6, a slider move at K = 10^6, and the space-time
// map of 10^7-entry tables against one pass that sums the table.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "bench_support.h"
#include "shell/mod_general.h"
#include "visualisation/carte_window.h"
#include "visualisation/evolution_window.h"

namespace {

// SolP0 (0 To K+1, 0 To N) filled with a growing saw-tooth.
void makeTable(std::int64_t N, std::int64_t K) {
  const core::Table2& old = ModGeneral::state().SolP0;
  if (old.exists() && old.colUpper() == N && old.rowUpper() == K + 1) return;
  ModGeneral::resetState();
  core::StudyState& s = ModGeneral::state();
  s.N = static_cast<double>(N);
  s.K = static_cast<double>(K);
  s.h = 1.0 / static_cast<double>(N + 1);
  s.Tau = 1e-6;
  if (!s.SolP0.create(0, K + 1, 0, N)) std::abort();
  for (std::int64_t r = 1; r <= K + 1; ++r) {
    double* row = s.SolP0.row(r);
    const double grow = 1.0 + 1e-3 * static_cast<double>(r);
    for (std::int64_t i = 1; i <= N; ++i) row[i] = (i % 2 ? grow : -grow) + std::sin(0.001 * i);
  }
  ModGeneral::journal().recordRun(s, core::Study::Stability, core::Scheme::P0, true);
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
    MapWindow w;
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
