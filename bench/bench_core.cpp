// Costs of the numerical core against their floors: one level banded and as
// the full row sum, a whole P0 run against allocating and writing the same
// table, a level against std::fill of the row, a step with its exact-solution
// source against the bare stencil, the per-step hook against a level, the
// subnormal tail with and without the copy of repeated levels, and refusals.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/exact.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "core/studies.h"
#include "core/study_state.h"

namespace {

std::string text(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// The a that gives this Lambda for the grid (N, T, K).
double aFor(double lambda, double N, double T, double K) {
  return lambda * K / (T * (N + 1) * (N + 1));
}

// Tables for N points and K = 2 (rows 0 .. 3), rows 1 and 2 filled.
core::StudyState levelState(std::int64_t n, bool peps) {
  core::StudyState s;
  s.Pi = core::piValue();
  s.N = static_cast<double>(n);
  s.T = 1.0;
  s.K = 2.0;
  s.a = aFor(0.25, s.N, 1.0, 2.0);
  s.Epsilon = 0.01;
  s.d = 1.0;
  s.w = 3.0;
  s.phi = 0.4;
  core::SetGrid(s, peps);
  if (peps) {
    core::BuildMatPeps(s);
  } else {
    core::BuildMatP0(s);
  }
  core::Table2& sol = peps ? s.SolPeps : s.SolP0;
  for (std::int64_t i = 1; i <= n; ++i) {
    sol(1, i) = 1.0 + 1e-3 * static_cast<double>(i % 97);
    sol(2, i) = 1.0 - 1e-3 * static_cast<double>(i % 89);
  }
  s.SourceVec.create(0, n);
  return s;
}

// The full (dense) matrix, read entry by entry through the table's operator().
std::vector<double> denseOf(const core::BandMatrix& M, std::int64_t n) {
  std::vector<double> d(static_cast<std::size_t>((n + 1) * (n + 1)));
  for (std::int64_t i = 0; i <= n; ++i)
    for (std::int64_t j = 0; j <= n; ++j) d[static_cast<std::size_t>(i * (n + 1) + j)] = M(i, j);
  return d;
}

void BM_LevelP0Band(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  core::StudyState s = levelState(n, false);
  for (auto _ : state) {
    core::AdvanceP0(s, 2);
    benchmark::DoNotOptimize(s.SolP0.row(2));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_LevelP0Dense(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  core::StudyState s = levelState(n, false);
  const std::vector<double> M = denseOf(s.MatP0, n);
  const double* prev = s.SolP0.row(1);
  double* next = s.SolP0.row(2);
  for (auto _ : state) {
    for (std::int64_t i = 1; i <= n; ++i) {
      const double* Mi = M.data() + i * (n + 1);
      double v = 0.0;
      for (std::int64_t j = 1; j <= n; ++j) v = v + Mi[j] * prev[j];
      next[i] = v;
    }
    benchmark::DoNotOptimize(next);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_LevelPepsBand(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  core::StudyState s = levelState(n, true);
  for (auto _ : state) {
    core::AdvancePeps(s, 3);
    benchmark::DoNotOptimize(s.SolPeps.row(3));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_LevelPepsDense(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  core::StudyState s = levelState(n, true);
  const std::vector<double> M = denseOf(s.MatPeps, n);
  const double* prev2 = s.SolPeps.row(1);
  const double* prev = s.SolPeps.row(2);
  double* next = s.SolPeps.row(3);
  const double alpha = s.Alpha;
  for (auto _ : state) {
    for (std::int64_t i = 1; i <= n; ++i) {
      const double* Mi = M.data() + i * (n + 1);
      double v = 0.0;
      for (std::int64_t j = 1; j <= n; ++j) v = v + prev[j] * (Mi[j] * (1.0 / (alpha + 1.0)));
      next[i] = v + prev2[i] * (-(alpha / (alpha + 1.0)));
    }
    benchmark::DoNotOptimize(next);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// Floor of a level: writing the row once.
void BM_FillRow(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  core::StudyState s = levelState(n, false);
  double* row = s.SolP0.row(2) + 1;
  double v = 0.5;
  for (auto _ : state) {
    std::fill(row, row + n, v);
    benchmark::DoNotOptimize(row);
    benchmark::ClobberMemory();
    v = v + 1.0;
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// One consistency step: the source of the step, then the level with it.
void BM_SourceStepP0(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  core::StudyState s = levelState(n, false);
  const std::vector<double> factors = core::spaceFactors(s);
  for (auto _ : state) {
    core::AdvanceP0Source(s, 2, factors, core::sourceTimeF(s, 2), false);
    benchmark::DoNotOptimize(s.SolP0.row(2));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// The source as a naive loop would compute it, sin and cos per point.
void BM_SourceNaiveP0(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  core::StudyState s = levelState(n, false);
  for (auto _ : state) {
    const double theta = (s.w * 0.0) * s.Tau + s.phi;
    for (std::int64_t i = 1; i <= n; ++i)
      s.SourceVec(i) = (std::sin(s.h * (static_cast<double>(i) * s.Pi)) * s.d) *
                       ((-s.w) * std::sin(theta) + (s.a * (s.Pi * s.Pi)) * std::cos(theta));
    core::AdvanceP0(s, 2, true);
    benchmark::DoNotOptimize(s.SolP0.row(2));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// A whole P0 stability run on a fresh table of about 1e7 entries, from the
// typed texts to the last level, tables freed at the end. Lambda is small so
// that no value decays into the subnormal range over the many levels of small
// N (subnormal arithmetic is some 20 times slower and would measure the data).
std::int64_t runK(std::int64_t n) { return std::max<std::int64_t>(1, 10000000 / (n + 1) - 2); }

void BM_RunP0Whole(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  const std::int64_t K = runK(n);
  core::StabilityFields f;
  f.N = std::to_string(n);
  f.T = "1";
  f.K = std::to_string(K);
  f.a = text(aFor(1e-4, static_cast<double>(n), 1.0, static_cast<double>(K)));
  f.u0 = "1";
  for (auto _ : state) {
    core::StudyState s;
    const core::StabilityResult r = core::runStability(s, core::Scheme::P0, f);
    if (r.failure || r.levels != K + 1) state.SkipWithError("run failed");
    benchmark::DoNotOptimize(s.SolP0.row(K + 1));
  }
  state.SetItemsProcessed(state.iterations() * (K + 2) * (n + 1));
}

// Its floor: a zeroed buffer of the same size from calloc, every entry written once.
void BM_RunFloorCalloc(benchmark::State& state) {
  const std::int64_t n = state.range(0);
  const std::int64_t K = runK(n);
  const std::size_t entries = static_cast<std::size_t>((K + 2) * (n + 1));
  for (auto _ : state) {
    auto* p = static_cast<double*>(std::calloc(entries, sizeof(double)));
    std::fill(p, p + entries, 1.0);
    benchmark::DoNotOptimize(p);
    benchmark::ClobberMemory();
    std::free(p);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(entries));
}

// The subnormal tail: P0, N = 10, K = 10^6, Lambda = 0.4 decays into the
// subnormal range and reaches a level that no longer changes near level
// 22 500. The run copies every later level; the plain loop computes each one.
core::StabilityFields subnormalFields() {
  core::StabilityFields f;
  f.N = "10";
  f.T = "1";
  f.K = "1000000";
  f.a = text(aFor(0.4, 10, 1.0, 1e6));
  f.u0 = "1";
  return f;
}

void BM_RunP0SubnormalTail(benchmark::State& state) {
  const core::StabilityFields f = subnormalFields();
  for (auto _ : state) {
    core::StudyState s;
    const core::StabilityResult r = core::runStability(s, core::Scheme::P0, f);
    if (r.failure || r.levels != 1000001) state.SkipWithError("run failed");
    benchmark::DoNotOptimize(s.SolP0.row(1000001));
  }
  state.SetItemsProcessed(state.iterations() * 1000002 * 11);
}

void BM_RunP0SubnormalTailPlainLoop(benchmark::State& state) {
  const core::StabilityFields f = subnormalFields();
  for (auto _ : state) {
    core::StudyState s;
    s.N = 10;
    s.T = 1;
    s.K = 1e6;
    s.a = core::parseNumber(f.a).value;
    s.u0 = 1;
    core::SetGrid(s);
    if (!core::BuildMatP0(s)) state.SkipWithError("no memory");
    for (std::int64_t i = 1; i <= 10; ++i) s.SolP0(1, i) = 1;
    for (std::int64_t m = 2; m <= 1000001; ++m) {
      core::AdvanceP0(s, m);
      if (!core::rowFinite(s.SolP0, m, s.N)) state.SkipWithError("overflow");
    }
    benchmark::DoNotOptimize(s.SolP0.row(1000001));
  }
  state.SetItemsProcessed(state.iterations() * 1000002 * 11);
}

// How long each refusal takes: every one is answered before any table is
// created, so none may cost more than reading the fields.
void BM_Refusal(benchmark::State& state) {
  static const char* const cases[][5] = {
      {"1", "1", "16", "0.5", "1"},       // N below 2
      {"3", "1", "16", "1e999", "1"},     // a beyond the double range
      {"1000", "1", "1e9", "0.5", "1"},   // tables beyond the budget
      {"999", "1", "1e300", "0.5", "1"},  // far beyond the budget
  };
  const auto& c = cases[state.range(0)];
  core::StabilityFields f;
  f.N = c[0];
  f.T = c[1];
  f.K = c[2];
  f.a = c[3];
  f.u0 = c[4];
  for (auto _ : state) {
    core::StudyState s;
    const core::StabilityResult r = core::runStability(s, core::Scheme::P0, f);
    if (!r.failure) state.SkipWithError("not refused");
    benchmark::DoNotOptimize(r.failure->message.data());
  }
}

// The per-step hook of long runs with a stride of 32.
struct CountingHook : core::StepHook {
  std::int64_t polls = 0;

 protected:
  void poll(std::int64_t done, std::int64_t /*total*/) override {
    ++polls;
    benchmark::DoNotOptimize(done);
  }
};

void BM_HookAtStep(benchmark::State& state) {
  CountingHook hook;
  hook.setStride(32);
  std::int64_t step = 0;
  core::StepHook& h = hook;
  for (auto _ : state) {
    h.atStep(++step, 1 << 30);
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(hook.polls);
}

// The same with a poll that reads the clock, the least a window's pump does
// before deciding whether events are due.
struct ClockHook : core::StepHook {
  std::int64_t last = 0;

 protected:
  void poll(std::int64_t /*done*/, std::int64_t /*total*/) override {
    last = std::chrono::steady_clock::now().time_since_epoch().count();
  }
};

void BM_HookAtStepClock(benchmark::State& state) {
  ClockHook hook;
  hook.setStride(32);
  std::int64_t step = 0;
  core::StepHook& h = hook;
  for (auto _ : state) {
    h.atStep(++step, 1 << 30);
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(hook.last);
}

}  // namespace

BENCHMARK(BM_LevelP0Band)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_LevelP0Dense)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_LevelPepsBand)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_LevelPepsDense)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_FillRow)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_SourceStepP0)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_SourceNaiveP0)->Arg(1000)->Arg(100000);
BENCHMARK(BM_RunP0Whole)
    ->Arg(10)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunFloorCalloc)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunP0SubnormalTail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunP0SubnormalTailPlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Refusal)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HookAtStep);
BENCHMARK(BM_HookAtStepClock);

BENCHMARK_MAIN();
