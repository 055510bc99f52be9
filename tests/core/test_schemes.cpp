// The grid, the band matrices and both schemes on the study state.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/numeric.h"
#include "core/schemes.h"
#include "core/study_state.h"
#include "support/reference_solution.h"

namespace {

using reftest::bits;

core::StudyState state(double N, double T, double K, double a, double Epsilon = 0.0) {
  core::StudyState s;
  s.N = N, s.T = T, s.K = K, s.a = a, s.Epsilon = Epsilon;
  return s;
}

// Alpha's own order is checked with the error study's grid.
TEST(Grid, PiAndNoAlphaForP0) {
  EXPECT_EQ(bits(core::piValue()), 0x400921FB54442D28u);
  core::StudyState s = state(7, 0.3, 7, 1.3, 0.07);
  core::SetGrid(s);
  EXPECT_FALSE(s.Alpha.isSet()) << "the P0 grid leaves Alpha alone";
}

// Every entry of (0 To n, 0 To n): 'd' = 1 - (Lambda*2), 'L' = Lambda, '.' = 0.
// N = 2.5 writes (N, N - 1) over (2, 2); N = 3.5 writes it at (4, 2) and the
// middle loop leaves row 3 empty.
TEST(BuildMatP0, BandIncludingFractionalN) {
  const struct {
    double N;
    std::vector<std::string> rows;
  } cases[] = {{2, {"...", ".dL", ".Ld"}},
               {2.5, {"...", ".dL", "..d"}},
               {3.5, {".....", ".dL..", ".LdL.", ".....", "..L.d"}},
               {5, {"......", ".dL...", ".LdL..", "..LdL.", "...LdL", "....Ld"}}};
  for (const auto& c : cases) {
    core::StudyState s = state(c.N, 1, 4, 0.3);
    core::SetGrid(s);
    ASSERT_TRUE(core::BuildMatP0(s));
    const double L = s.Lambda, d = 1.0 - (L * 2.0);
    const auto n = static_cast<std::int64_t>(c.rows.size()) - 1;
    ASSERT_EQ(s.MatP0.upper(), n);
    EXPECT_TRUE(s.SolP0.rowUpper() == 5 && s.SolP0.colUpper() == n);
    for (std::int64_t i = 0; i <= n; ++i)
      for (std::int64_t j = 0; j <= n; ++j) {
        const char e = c.rows[i][j];
        const double want = e == 'd' ? d : (e == 'L' ? L : 0.0);
        EXPECT_EQ(bits(s.MatP0(i, j)), bits(want))
            << "N = " << c.N << ", (" << i << ", " << j << ")";
      }
  }
}

// The band kernels must give the doubles of the full row sum over the
// (0 To N, 0 To N) matrix for any data, fractional N and every source kind.
TEST(Schemes, BandedEqualsDenseOnRandomData) {
  using core::PepsSource;
  std::mt19937_64 rng(20021);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lam(0.05, 0.5), alpha(0.0, 3.0);
  for (double N : {2.0, 3.0, 10.0, 31.0, 40.0, 3.5, 12.4}) {
    for (int variant = 0; variant < 5; ++variant) {  // P0 without, with source; Pepsilon x 3
      const bool p0 = variant < 2;
      const auto src = static_cast<PepsSource>(p0 ? 0 : variant - 2);
      core::StudyState s = state(N, 1, 300, 1);
      core::SetGrid(s, true);
      s.Lambda = lam(rng), s.Alpha = alpha(rng);  // the schemes read only the stored values
      s.FF = 10.0 * unit(rng), s.NN = std::int16_t{150};
      ASSERT_TRUE(p0 ? core::BuildMatP0(s) : core::BuildMatPeps(s));
      core::Table2& sol = p0 ? s.SolP0 : s.SolPeps;
      const core::BandMatrix& M = p0 ? s.MatP0 : s.MatPeps;
      const std::int64_t n = core::loopLast(N);
      const double inv = 1.0 / (s.Alpha + 1.0);
      s.SourceVec.create(0, core::roundHalfEven(N));
      for (std::int64_t i = 1; i <= n; ++i) {
        sol(1, i) = unit(rng);
        if (!p0) sol(2, i) = unit(rng);
      }
      for (std::int64_t m = p0 ? 2 : 3; m <= 301; ++m) {
        for (std::int64_t i = 1; i <= n; ++i) s.SourceVec(i) = unit(rng);
        std::vector<double> want(n + 1, 0.0);
        for (std::int64_t i = 1; i <= n; ++i) {
          double v = 0.0;
          for (std::int64_t j = 1; j <= n; ++j)
            v = p0 ? v + M(i, j) * sol(m - 1, j) : v + sol(m - 1, j) * (M(i, j) * inv);
          if (p0 && variant == 1) v = v + s.Tau * s.SourceVec(i);
          if (!p0) v = v + sol(m - 2, i) * (-(s.Alpha / (s.Alpha + 1.0)));
          if (src == PepsSource::ConstantAtLevel && s.NN + 1 == m)
            v = v + s.FF * (s.Tau / (s.Alpha + 1.0));
          if (src == PepsSource::Vector) v = v + (s.Tau * inv) * s.SourceVec(i);
          want[i] = v;
        }
        p0 ? core::AdvanceP0(s, m, variant == 1) : core::AdvancePeps(s, m, src);
        for (std::int64_t i = 1; i <= n; ++i)
          ASSERT_EQ(bits(sol(m, i)), bits(want[i]))
              << "N = " << N << ", variant " << variant << ", level " << m - 1 << ", column " << i;
      }
    }
  }
}

// A step tells whether the level it wrote is finite: one value beyond the
// double range, in any column, for short rows of an even and an odd number of
// columns, a long row, and rows with clipped edges (N = 3.5).
TEST(Schemes, StepTellsWhetherTheLevelIsFinite) {
  for (const bool peps : {false, true})
    for (const double N : {9.0, 10.0, 40.0, 3.5})
      for (std::int64_t at = 0; at <= core::loopLast(N); ++at) {  // 0: every value finite
        core::StudyState s = state(N, 1, 4, 0.01, 0.5);
        core::SetGrid(s, true);
        ASSERT_TRUE(peps ? core::BuildMatPeps(s) : core::BuildMatP0(s));
        s.SourceVec.create(0, core::roundHalfEven(N));
        core::Table2& sol = peps ? s.SolPeps : s.SolP0;
        for (std::int64_t i = 1; i <= core::loopLast(N); ++i) sol(1, i) = sol(2, i) = 1.0;
        if (at > 0) s.SourceVec(at) = std::numeric_limits<double>::infinity();
        const core::StepFacts f =
            core::LevelStep(s, peps).advance(peps ? 3 : 2, core::sourceValues(s));
        EXPECT_EQ(f.finite, at == 0) << (peps ? "Pepsilon" : "P0") << ", N = " << N << ", " << at;
      }
}

}  // namespace
