// The modes window's work on large stability tables: the sine coefficients of
// every level with the growth measurement and the mode-time map, against
// FFTW's own time for the same transforms; opening the window; one frame at
// N = 10^5; and the memory the window adds, against the table's.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <cmath>

#include "bench_support.h"
#include "shell/mod_general.h"
#include "spectral/sine_transform.h"
#include "visualisation/modes_window.h"

namespace {

// SolP0 (0 To K+1, 0 To N) holding a P0 run's shape: a decaying smooth mode
// and a slowly growing saw-tooth, all normal numbers.
void makeTable(std::int64_t N, std::int64_t K) {
  const core::Table2& old = ModGeneral::state().SolP0;
  if (old.exists() && old.colUpper() == N && old.rowUpper() == K + 1) return;
  ModGeneral::resetState();
  core::StudyState& s = ModGeneral::state();
  s.N = static_cast<double>(N);
  s.K = static_cast<double>(K);
  s.h = 1.0 / static_cast<double>(N + 1);
  s.Tau = 1e-6;
  s.Lambda = 0.51;
  if (!s.SolP0.create(0, K + 1, 0, N)) std::abort();
  std::vector<double> shape(static_cast<std::size_t>(N + 1));
  for (std::int64_t i = 1; i <= N; ++i) shape[i] = std::sin(3.14159 * i / (N + 1.0));
  double decay = 1, grow = 1e-12;
  for (std::int64_t r = 1; r <= K + 1; ++r) {
    double* row = s.SolP0.row(r);
    for (std::int64_t i = 1; i <= N; ++i) row[i] = decay * shape[i] + (i % 2 ? grow : -grow);
    decay *= 0.99999;
    grow *= 1.00001;
  }
  ModGeneral::journal().recordRun(s, core::Study::Stability, core::Scheme::P0, true);
}

const core::Table2& table() { return ModGeneral::state().SolP0; }

void BM_Decompose(benchmark::State& state) {
  const std::int64_t N = state.range(0), K = state.range(1);
  makeTable(N, K);
  const core::Table2& t = table();
  for (auto _ : state) {
    spectral::Decomposition d =
        spectral::decompose(core::Scheme::P0, t.row(1) + 1, N + 1, N, K + 1, 1024, 1024);
    benchmark::DoNotOptimize(d.map.log10Max.data());
  }
  state.counters["levels/s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * (K + 1)), benchmark::Counter::kIsRate);
}

// The same transforms, same plans and batches, and nothing else.
void BM_FftwAlone(benchmark::State& state) {
  const std::int64_t N = state.range(0), K = state.range(1), levels = K + 1;
  makeTable(N, K);
  const core::Table2& t = table();
  const std::int64_t batch = std::min(spectral::batchLevels(N), levels);
  const spectral::SineTransform full(N, batch, N + 1);
  const std::int64_t rest = levels % batch;
  const spectral::SineTransform tail(N, rest > 0 ? rest : 1, N + 1);
  std::vector<double> out(static_cast<std::size_t>(batch * N));
  for (auto _ : state) {
    for (std::int64_t n0 = 0; n0 < levels; n0 += batch) {
      (levels - n0 >= batch ? full : tail).run(t.row(1) + 1 + n0 * (N + 1), out.data());
      benchmark::DoNotOptimize(out.data());
    }
  }
}

// Opening the window on the table: the analysis and the first grab of every
// drawing and the list. The memory counters: what the window keeps, and the
// most the decomposition holds while it runs, against the table.
void BM_OpenWindow(benchmark::State& state) {
  const std::int64_t N = state.range(0), K = state.range(1);
  makeTable(N, K);
  std::size_t kept = 0;
  for (auto _ : state) {
    ModesWindow w;
    w.resize(1040, 760);
    QPixmap shot = w.grab();
    benchmark::DoNotOptimize(shot);
    const auto a = w.analysis();
    kept = a->map.log10Max.size() * sizeof(float) +
           a->measured.size() * sizeof(core::MeasuredMode) + a->gridModulus.size() * sizeof(double);
  }
  // The meter's per-mode sums and two previous levels, one batch of
  // coefficients and the map's band.
  const double transient = static_cast<double>(N) * 8 * 14 +
                           static_cast<double>(spectral::batchLevels(N) * N) * 8;
  const double tableBytes = static_cast<double>(table().rowUpper() + 1) * static_cast<double>(N + 1) * 8;
  state.counters["kept/table"] = static_cast<double>(kept) / tableBytes;
  state.counters["peak/table"] = (static_cast<double>(kept) + transient) / tableBytes;
}

// One frame of the open window at N = 10^5: every drawing and the list.
void BM_Frame(benchmark::State& state) {
  const std::int64_t N = state.range(0), K = state.range(1);
  makeTable(N, K);
  ModesWindow w;
  w.resize(1040, 760);
  QPixmap first = w.grab();
  for (auto _ : state) {
    QPixmap shot = w.grab();
    benchmark::DoNotOptimize(shot);
  }
}

}  // namespace

BENCHMARK(BM_Decompose)->Args({10, 1000000})->Args({1000, 10000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FftwAlone)->Args({10, 1000000})->Args({1000, 10000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenWindow)->Args({10, 1000000})->Args({1000, 10000})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Frame)->Args({100000, 50})->Unit(benchmark::kMillisecond);

ORV_QT_BENCHMARK_MAIN()
