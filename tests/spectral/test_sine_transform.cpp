// The sine coefficients of a run: the transform against the direct sum, and
// the measured growth of source-free runs against the amplification factors.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

#include "core/studies.h"
#include "core/study_state.h"
#include "spectral/sine_transform.h"

namespace {

using core::Scheme;

TEST(SineTransform, MatchesTheDirectSumOnLevelsApart) {
  for (std::int64_t N : {1, 2, 7, 16}) {
    const std::int64_t count = 3, distance = N + 2;  // rows with gaps, as in a table
    std::vector<double> in(static_cast<std::size_t>(count * distance));
    for (std::size_t k = 0; k < in.size(); ++k) in[k] = std::sin(1.7 * k) + 0.25 * (k % 5);
    const std::vector<double> kept = in;
    std::vector<double> out(static_cast<std::size_t>(count * N));
    spectral::SineTransform(N, count, distance).run(in.data(), out.data());
    EXPECT_EQ(in, kept);
    for (std::int64_t k = 0; k < count; ++k)
      for (std::int64_t j = 1; j <= N; ++j) {
        double sum = 0, size = 0;
        for (std::int64_t i = 1; i <= N; ++i) {
          const double term = in[k * distance + i - 1] *
                              std::sin(std::numbers::pi * i * j / static_cast<double>(N + 1));
          sum += term;
          size += std::fabs(term);
        }
        EXPECT_NEAR(out[k * N + j - 1], 2 * sum, 1e-14 * (1 + size)) << N << " " << k << " " << j;
      }
  }
}

// A source-free stability run through the study (Pepsilon when v0 is given),
// decomposed in batches that do not divide its levels.
spectral::Decomposition run(core::StudyState& s, const core::StabilityFields& f) {
  const Scheme scheme = f.v0.empty() ? Scheme::P0 : Scheme::Peps;
  EXPECT_FALSE(core::runStability(s, scheme, f).failure);
  const core::Table2& t = scheme == Scheme::P0 ? s.SolP0 : s.SolPeps;
  const std::int64_t N = t.colUpper(), levels = t.lastRowReached();
  return spectral::decompose(scheme, t.row(1) + 1, N + 1, N, levels, 64, 64);
}

// A one-term ratio is good to eps N cot^2(pi / (2N + 2)) (each step's rounding
// against the smallest odd mode of constant data); the two-term Pepsilon fit
// may lose sqrt(1e6) = 1e3 more (its accepted determinant), and 10 for margin.
double tolerance(std::int64_t N) {
  const double c = 1 / std::tan(std::numbers::pi / static_cast<double>(2 * N + 2));
  return std::numeric_limits<double>::epsilon() * static_cast<double>(N) * c * c * 1e4;
}

// P0, N = 9, Lambda = 0.45 and 0.55 (|g_9| > 1); Pepsilon Alpha = 1 with
// Lambda = 1.4 (complex factors for some modes) and Alpha = 0.1. A run too
// short to measure says so.
TEST(GrowthMeter, MeasuresTheFactorsOfSourceFreeRuns) {
  const core::StabilityFields cases[] = {
      {.N = "9", .T = "0.45", .K = "100", .a = "1", .u0 = "1"},
      {.N = "9", .T = "0.55", .K = "100", .a = "1", .u0 = "1"},
      {.N = "9", .T = "1.4", .K = "100", .a = "1", .u0 = "1", .v0 = "0", .Epsilon = "0.014"},
      {.N = "9", .T = "0.3", .K = "100", .a = "1", .u0 = "1", .v0 = "0.5", .Epsilon = "0.0003"}};
  const std::int64_t N = 9;
  for (const core::StabilityFields& f : cases) {
    const Scheme scheme = f.v0.empty() ? Scheme::P0 : Scheme::Peps;
    core::StudyState s;
    const spectral::Decomposition d = run(s, f);
    for (std::int64_t j = 1; j <= N; ++j) {
      const core::MeasuredMode m = d.meter.result(j);
      if (j % 2 == 0) {
        // A constant u0 (and v0) is even about x = 1/2: no even mode.
        EXPECT_EQ(m.status, core::MeasuredMode::Status::Absent) << j;
        continue;
      }
      ASSERT_EQ(m.status, core::MeasuredMode::Status::Measured) << j;
      const core::Amplification g =
          core::amplification(scheme, s.Lambda, s.Alpha, core::modeAngle(j, N));
      EXPECT_NEAR(std::abs(m.g), g.largest(), tolerance(N) * g.largest()) << f.T << " mode " << j;
      if (scheme == Scheme::P0) {
        EXPECT_NEAR(m.g.real(), g.g1.real(), tolerance(N)) << j;
      }
      EXPECT_TRUE(m.firstLevel >= 0 && m.lastLevel > m.firstLevel);
    }
  }
  core::StudyState s;
  const spectral::Decomposition d =
      run(s, {.N = "3", .T = "1", .K = "1", .a = "0.5", .u0 = "1", .v0 = "0", .Epsilon = "0.5"});
  EXPECT_EQ(d.meter.result(1).status, core::MeasuredMode::Status::TooFewLevels);
  EXPECT_EQ(d.meter.result(2).status, core::MeasuredMode::Status::Absent);
}

TEST(Decompose, MapKeepsTheLargestMagnitudeOfEachCell) {
  // Level n = c * sin(pi i j0 / (N + 1)) scaled by 10^n: one mode per level.
  const std::int64_t N = 8, levels = 5, j0 = 3;
  std::vector<double> table(static_cast<std::size_t>(levels * N));
  for (std::int64_t n = 0; n < levels; ++n)
    for (std::int64_t i = 1; i <= N; ++i)
      table[n * N + i - 1] = std::pow(10.0, static_cast<double>(n)) *
                             std::sin(std::numbers::pi * i * j0 / static_cast<double>(N + 1));
  const spectral::Decomposition d =
      spectral::decompose(Scheme::P0, table.data(), N, N, levels, 4, 2);
  ASSERT_TRUE(d.map.columns == 4 && d.map.rows == 2);
  // Mode 3 falls in column 1 (modes 3 and 4); c_3 = (N + 1) 10^n. Rows:
  // levels 0 .. 2 and 3 .. 4.
  const double base = std::log10(static_cast<double>(N + 1));
  EXPECT_NEAR(d.map.at(1, 0), base + 2, 1e-5);
  EXPECT_NEAR(d.map.at(1, 1), base + 4, 1e-5);
  EXPECT_LT(d.map.at(0, 1), base + 4 - 10);  // other modes: rounding only
}

}  // namespace
