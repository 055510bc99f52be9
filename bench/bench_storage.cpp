// Table storage against its floors: a whole P0 stability run (tables made,
// every level written) beside writing the same number of entries once into
// a calloc'd buffer and into an anonymous mapping advised for huge pages;
// the same run made again on a reused mapping; and the largest stability
// run the memory budget accepts.
//
//   build/bench/bench_storage --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "core/memory_budget.h"
#include "core/schemes.h"
#include "core/studies.h"
#include "core/study_state.h"

namespace {

std::string text(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// About 1e7 entries: K + 2 rows of N + 1.
std::int64_t runK(std::int64_t n) { return std::max<std::int64_t>(1, 10000000 / (n + 1) - 2); }

// A P0 run of N points and K intervals with Lambda small enough that no
// value reaches the subnormal range (which would measure the arithmetic).
core::StabilityFields fields(std::int64_t n, std::int64_t K, double lambda = 1e-4) {
  core::StabilityFields f;
  f.N = std::to_string(n);
  f.T = "1";
  f.K = std::to_string(K);
  f.a = text(lambda * static_cast<double>(K) / ((n + 1.0) * (n + 1.0)));
  f.u0 = "1";
  return f;
}

std::size_t entries(std::int64_t n, std::int64_t K) {
  return static_cast<std::size_t>((K + 2) * (n + 1));
}

// Floor 1: a zeroed buffer from calloc, every entry written once.
void BM_FloorCalloc(benchmark::State& state) {
  const std::size_t count = entries(state.range(0), runK(state.range(0)));
  for (auto _ : state) {
    auto* p = static_cast<double*>(std::calloc(count, sizeof(double)));
    std::fill(p, p + count, 1.0);
    benchmark::DoNotOptimize(p);
    benchmark::ClobberMemory();
    std::free(p);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(count * 8));
}

std::int64_t largestK(std::int64_t n);

// Floor 2: an anonymous mapping advised for huge pages, every entry written
// once. range(1) = 1: the table of the largest run the budget accepts.
void BM_FloorMmapHuge(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  const std::size_t count = entries(n, state.range(1) ? largestK(n) : runK(n));
  for (auto _ : state) {
    const bench::HugePageFloor floor(count);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(count * 8));
}

// A whole P0 run in a new study state: fields, tables, every level, freed.
void BM_RunP0Fresh(benchmark::State& state) {
  const std::int64_t n = state.range(0), K = runK(n);
  const auto f = fields(n, K);
  for (auto _ : state) {
    core::StudyState s;
    const core::StabilityResult r = core::runStability(s, core::Scheme::P0, f);
    if (r.failure || r.levels != K + 1) state.SkipWithError("run failed");
    benchmark::DoNotOptimize(s.SolP0.row(K + 1));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(entries(n, K) * 8));
}

// The same run again in the same state: the table's mapping is reset and reused.
void BM_RunP0Again(benchmark::State& state) {
  const std::int64_t n = state.range(0), K = runK(n);
  const auto f = fields(n, K);
  core::StudyState s;
  core::runStability(s, core::Scheme::P0, f);
  for (auto _ : state) {
    const core::StabilityResult r = core::runStability(s, core::Scheme::P0, f);
    if (r.failure || r.levels != K + 1) state.SkipWithError("run failed");
    benchmark::DoNotOptimize(s.SolP0.row(K + 1));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(entries(n, K) * 8));
}

// The largest P0 stability run the budget accepts at N = 999 (Lambda = 0.4).
std::int64_t largestK(std::int64_t n) {
  const double limit = core::MemoryBudget::process().limit();
  std::int64_t K = static_cast<std::int64_t>((limit / 8.0 - 5.0 * (n + 1)) / (n + 1)) - 2;
  while (core::checkTableBudget(static_cast<double>(n), static_cast<double>(K + 1))) --K;
  while (!core::checkTableBudget(static_cast<double>(n), static_cast<double>(K + 1))) ++K;
  return K;
}

void BM_LargestStabilityRun(benchmark::State& state) {
  const std::int64_t n = state.range(0), K = largestK(n);
  const auto f = fields(n, K, 0.4);
  for (auto _ : state) {
    core::StudyState s;
    const core::StabilityResult r = core::runStability(s, core::Scheme::P0, f);
    if (r.failure) state.SkipWithError(r.failure->message.c_str());
    benchmark::DoNotOptimize(s.SolP0.row(1));
  }
  state.counters["K"] = static_cast<double>(K);
  state.counters["table_MiB"] = static_cast<double>(entries(n, K) * 8) / (1024.0 * 1024.0);
}

}  // namespace

BENCHMARK(BM_FloorCalloc)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorMmapHuge)
    ->Args({10, 0})
    ->Args({1000, 0})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorMmapHuge)->Args({999, 1})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RunP0Fresh)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunP0Again)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargestStabilityRun)->Arg(999)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
