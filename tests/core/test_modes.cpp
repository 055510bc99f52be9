// Amplification factors, bounds, verdicts, the colour of a stability run and
// the convergence plot's fit.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "core/journal.h"
#include "core/modes.h"
#include "core/studies.h"

namespace {

using core::Scheme;

// The largest root modulus of (1 + A) g^2 - (1 + 2A - mu) g + A over the
// grid's modes, by std::complex, not the program's root routine.
double largestRoot(double Lambda, double A, std::int64_t N) {
  double top = 0;
  for (std::int64_t j = 1; j <= N; ++j) {
    const double s = std::sin(j * std::numbers::pi / (2.0 * (N + 1)));
    const double b = (1 + 2 * A - 4 * Lambda * s * s) / (1 + A), c = A / (1 + A);
    const std::complex<double> root = std::sqrt(std::complex<double>(b * b - 4 * c));
    top = std::max({top, std::abs((b + root) / 2.0), std::abs((b - root) / 2.0)});
  }
  return top;
}

TEST(Modes, GridBoundIsWhereTheLargestRootCrossesOne) {
  for (double A : {0.0, 0.3, 1.0, 5.0})
    for (std::int64_t N : {2, 3, 10, 49}) {
      // Bisection on Lambda for the largest root modulus reaching 1.
      double lo = 0, hi = 100;
      for (int k = 0; k < 200; ++k) {
        const double mid = (lo + hi) / 2;
        (largestRoot(mid, A, N) <= 1 + 1e-13 ? lo : hi) = mid;
      }
      EXPECT_NEAR(core::boundGrid(A, N), lo, 1e-9) << A << " " << N;
      EXPECT_EQ(core::boundAllAngles(A), 0.5 + A);
    }
}

TEST(Modes, VerdictsDifferWhereTheGridMissesTheUnstableAngles) {
  const core::Verdicts v = core::verdicts(Scheme::P0, 0.55, 0, 3);
  EXPECT_TRUE(v.gridStable && !v.allStable && v.gridMode == 3);
  const std::string text = core::stabilityVerdict(Scheme::P0, 0.55, 0, 3, ",");
  EXPECT_NE(text.find("vaut 0,8778 (j = 3) ≤ 1"), std::string::npos) << text;
  EXPECT_NE(text.find("diffèrent"), std::string::npos);
  EXPECT_NE(text.find("Lambda ≤ 0,5858"), std::string::npos);
  const core::Verdicts peps = core::verdicts(Scheme::Peps, 1.4, 1, 9);
  EXPECT_TRUE(peps.gridStable && peps.allStable);
  EXPECT_EQ(core::stabilityVerdict(Scheme::Peps, 1.4, 1, 9, ".").find("diffèrent"),
            std::string::npos);
}

// Runs through the study and the journal (Pepsilon when v0 is given):
// bounded, grown, overflowed, too short to tell.
TEST(Modes, ColourOfAStabilityRun) {
  using enum core::RunColour;
  using F = core::StabilityFields;
  const F peps{.N = "9", .T = "7", .K = "500", .a = "1", .u0 = "1", .v0 = "0", .Epsilon = "0.014"};
  F source = peps, short2 = peps;  // a source at level 5 lifts the solution without any growth
  source.sourceTicked = true, source.FF = "1000", source.NN = "5";
  short2.T = "0.002", short2.K = "2";
  // |g| = 1.002 over 2500 steps (N = 49): a growth of 10^2.2, too little to
  // tell; a stable run of one step (two for Pepsilon) is too short as well.
  const std::pair<F, core::RunColour> cases[] = {
      {{.N = "3", .T = "12.5", .K = "200", .a = "0.55", .u0 = "1"}, Bounded},
      {{.N = "9", .T = "1", .K = "100", .a = "0.6", .u0 = "1"}, Grown},
      {{.N = "9", .T = "1", .K = "2000", .a = "30", .u0 = "1"}, Grown},
      {{.N = "49", .T = "0.501", .K = "2500", .a = "1", .u0 = "1"}, TooShort},
      {{.N = "9", .T = "0.001", .K = "1", .a = "1", .u0 = "1"}, TooShort},
      {short2, TooShort},
      {peps, Bounded},
      {source, Bounded}};
  core::Journal journal;
  for (const auto& [fields, colour] : cases) {
    const core::Scheme scheme = fields.v0.empty() ? Scheme::P0 : Scheme::Peps;
    core::StudyState s;
    core::runStability(s, scheme, fields);
    journal.recordStabilityRun(s, scheme, fields.sourceTicked);
    EXPECT_EQ(journal.stabilityRuns().back().colour, colour) << fields.N << " " << fields.a;
  }
  EXPECT_TRUE(journal.stabilityRuns()[2].facts.overflowed);
  EXPECT_TRUE(journal.writer(Scheme::Peps).source);
}

// The convergence plot's least-squares line: two points are enough; an error
// a logarithm cannot place is left out; one step, even twice, gives no line.
TEST(Journal, FitLeavesOutWhatALogCannotPlace) {
  const struct {
    std::vector<double> steps, errors;
    int points;
    double slope;  // 0: no line
  } cases[] = {{{0.1, 0.01}, {1e-2, 1e-4}, 2, 2.0},
               {{0.1, 0.05, 0.025, 0.0125}, {0.3, 0.0, 0.075, -1.0}, 2, 1.0},
               {{0.1}, {0.3}, 1, 0},
               {{0.1, 0.1}, {0.3, 0.2}, 2, 0}};
  for (const auto& c : cases) {
    const core::LogLogFit fit = core::fitLogLog(c.steps, c.errors);
    EXPECT_EQ(fit.points, c.points);
    EXPECT_EQ(fit.valid, c.slope != 0);
    EXPECT_NEAR(fit.valid ? fit.slope : 0.0, c.slope, 1e-12);
  }
}

}  // namespace
