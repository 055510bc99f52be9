// The grid, the P0 and Pepsilon schemes and the limits checked before any table
// is created.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "core/failure.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "core/study_state.h"
#include "reference.h"

namespace {

using ref::bits;
using ref::Row;

core::StudyState grid(double N, double T, double K, double a, double Epsilon = 0.0) {
  core::StudyState s;
  s.N = N;
  s.T = T;
  s.K = K;
  s.a = a;
  s.Epsilon = Epsilon;
  return s;
}

Row rowOf(const core::Table2& t, std::int64_t m, std::int64_t n) {
  Row r(n + 1, 0.0);
  for (std::int64_t i = 1; i <= n; ++i) r[i] = t(m, i);
  return r;
}

void expectRow(const core::Table2& t, std::int64_t m, const Row& want) {
  for (std::size_t i = 1; i < want.size(); ++i)
    EXPECT_EQ(bits(t(m, static_cast<std::int64_t>(i))), bits(want[i]))
        << "row " << m << " column " << i << ": " << t(m, static_cast<std::int64_t>(i))
        << " instead of " << want[i];
}

// ------------------------------------------------------------------ grid

TEST(Grid, PiIsTheProgramsOwnValue) { EXPECT_EQ(bits(core::piValue()), 0x400921FB54442D28u); }

TEST(Grid, StepsAndLambda) {
  core::StudyState s = grid(3, 1, 16, 0.5, 0.0625);
  core::SetGrid(s);
  EXPECT_EQ(bits(s.h), bits(0.25));
  EXPECT_EQ(bits(s.Tau), bits(0.0625));
  EXPECT_EQ(bits(s.Lambda), bits(0.5));
  EXPECT_FALSE(s.Alpha.isSet()) << "the P0 grid leaves Alpha alone";
  core::SetGrid(s, true);
  EXPECT_EQ(bits(s.Alpha), bits(1.0));

  // Operation order on values that do round.
  core::StudyState u = grid(7, 0.3, 7, 1.3, 0.07);
  core::SetGrid(u, true);
  const ref::Grid g = ref::grid(7, 0.3, 7, 1.3, 0.07);
  EXPECT_EQ(bits(u.h), bits(g.h));
  EXPECT_EQ(bits(u.Tau), bits(g.Tau));
  EXPECT_EQ(bits(u.Lambda), bits(g.Lambda));
  EXPECT_EQ(bits(u.Alpha), bits(g.Alpha));
}

TEST(Grid, FractionalCountsUseTheTypedValue) {
  core::StudyState s = grid(2.5, 1, 2.5, 1);
  core::SetGrid(s);
  EXPECT_EQ(bits(s.h), bits(1.0 / 3.5));
  EXPECT_EQ(bits(s.Tau), bits(1.0 / 2.5));
}

// ------------------------------------------------------------- P0 matrix

// Every entry of (0 To n, 0 To n) read through operator(), off-band ones too.
void expectMatrix(const core::BandMatrix& M, const std::vector<std::vector<double>>& want) {
  const std::int64_t n = static_cast<std::int64_t>(want.size()) - 1;
  ASSERT_TRUE(M.exists());
  ASSERT_EQ(M.upper(), n);
  for (std::int64_t i = 0; i <= n; ++i)
    for (std::int64_t j = 0; j <= n; ++j)
      EXPECT_EQ(bits(M(i, j)), bits(want[i][j])) << "entry (" << i << ", " << j << ")";
}

TEST(BuildMatP0, TwoPointsIsTheFullTwoByTwo) {
  core::StudyState s = grid(2, 1, 4, 0.3);
  core::SetGrid(s);
  ASSERT_TRUE(core::BuildMatP0(s));
  const double L = s.Lambda, d = 1.0 - (L * 2.0);
  expectMatrix(s.MatP0, {{0, 0, 0}, {0, d, L}, {0, L, d}});
  EXPECT_EQ(s.SolP0.rowLower(), 0);
  EXPECT_EQ(s.SolP0.rowUpper(), 5);
  EXPECT_EQ(s.SolP0.colLower(), 0);
  EXPECT_EQ(s.SolP0.colUpper(), 2);
  for (std::int64_t m = 0; m <= 5; ++m)
    for (std::int64_t i = 0; i <= 2; ++i) EXPECT_EQ(bits(s.SolP0(m, i)), 0u);
}

TEST(BuildMatP0, BandOfFivePoints) {
  core::StudyState s = grid(5, 1, 100, 1);
  core::SetGrid(s);
  ASSERT_TRUE(core::BuildMatP0(s));
  const double L = s.Lambda, d = 1.0 - (L * 2.0);
  std::vector<std::vector<double>> want(6, std::vector<double>(6, 0.0));
  for (int i = 1; i <= 5; ++i) {
    want[i][i] = d;
    if (i > 1) want[i][i - 1] = L;
    if (i < 5) want[i][i + 1] = L;
  }
  expectMatrix(s.MatP0, want);
}

// N = 2.5: the table is sized 2, (N, N - 1) lands on (2, 2) and is then
// overwritten by (N, N); (2, 1) is never written; the middle loop has no pass.
TEST(BuildMatP0, FractionalNTwoAndAHalf) {
  core::StudyState s = grid(2.5, 1, 4, 0.3);
  core::SetGrid(s);
  ASSERT_TRUE(core::BuildMatP0(s));
  const double L = s.Lambda, d = 1.0 - (L * 2.0);
  expectMatrix(s.MatP0, {{0, 0, 0}, {0, d, L}, {0, 0, d}});
  EXPECT_EQ(s.SolP0.colUpper(), 2);
}

// N = 3.5: sized 4; (N, N - 1) is (4, 2), two places left of the diagonal;
// the middle loop runs for i = 2 only, so row 3 stays empty.
TEST(BuildMatP0, FractionalNThreeAndAHalf) {
  core::StudyState s = grid(3.5, 1, 4, 0.3);
  core::SetGrid(s);
  ASSERT_TRUE(core::BuildMatP0(s));
  const double L = s.Lambda, d = 1.0 - (L * 2.0);
  expectMatrix(s.MatP0, {{0, 0, 0, 0, 0},
                         {0, d, L, 0, 0},
                         {0, L, d, L, 0},
                         {0, 0, 0, 0, 0},
                         {0, 0, L, 0, d}});
}

// ------------------------------------------------------------- P0 levels

void startP0(core::StudyState& s, double u0) {
  core::SetGrid(s);
  ASSERT_TRUE(core::BuildMatP0(s));
  for (std::int64_t i = 1; i <= core::loopLast(s.N); ++i) s.SolP0(1, i) = u0;
}

TEST(AdvanceP0, WorkedExample) {
  core::StudyState s = grid(3, 1, 16, 0.5);
  startP0(s, 1.0);
  for (std::int64_t m = 2; m <= 17; ++m) core::AdvanceP0(s, m);
  expectRow(s.SolP0, 1, {0, 1, 1, 1});
  expectRow(s.SolP0, 2, {0, 0.5, 1, 0.5});
  expectRow(s.SolP0, 3, {0, 0.5, 0.5, 0.5});
  expectRow(s.SolP0, 4, {0, 0.25, 0.5, 0.25});
  expectRow(s.SolP0, 17, {0, 0.00390625, 0.00390625, 0.00390625});
  for (std::int64_t m = 0; m <= 17; ++m) EXPECT_EQ(bits(s.SolP0(m, 0)), 0u) << "column 0, row " << m;
  for (std::int64_t i = 0; i <= 3; ++i) EXPECT_EQ(bits(s.SolP0(0, i)), 0u) << "row 0, column " << i;
}

TEST(AdvanceP0, OneTimeStep) {
  core::StudyState s = grid(3, 1, 1, 0.01);
  startP0(s, 2.0);
  EXPECT_EQ(s.SolP0.rowUpper(), 2);
  core::AdvanceP0(s, 2);
  expectRow(s.SolP0, 2, ref::p0Band({0, 2, 2, 2}, 3, s.Lambda));
}

TEST(AdvanceP0, SourceAddedAfterTheRowSum) {
  core::StudyState s = grid(4, 0.3, 3, 0.7);
  startP0(s, 1.5);
  s.SourceVec.create(0, 4);
  const Row f{0, 0.3, -1.7, 2.9, 0.1};
  for (int i = 1; i <= 4; ++i) s.SourceVec(i) = f[i];
  core::AdvanceP0(s, 2, true);
  expectRow(s.SolP0, 2, ref::p0Band({0, 1.5, 1.5, 1.5, 1.5}, 4, s.Lambda, &f, s.Tau));
}

// --------------------------------------------------------- Pepsilon levels

void startPeps(core::StudyState& s, double u0, double v0) {
  s.u0 = u0;
  s.v0 = v0;
  core::SetGrid(s, true);
  ASSERT_TRUE(core::BuildMatPeps(s));
  core::StartPeps(s);
}

void runPeps(core::StudyState& s, core::PepsSource src = core::PepsSource::None) {
  for (std::int64_t m = 3; m <= core::loopLast(s.K + 1); ++m) core::AdvancePeps(s, m, src);
}

TEST(BuildMatPeps, BandWithDiagonalC) {
  core::StudyState s = grid(3, 1, 16, 0.5, 0.0625);
  core::SetGrid(s, true);
  ASSERT_TRUE(core::BuildMatPeps(s));
  expectMatrix(s.MatPeps, {{0, 0, 0, 0}, {0, 2, 0.5, 0}, {0, 0.5, 2, 0.5}, {0, 0, 0.5, 2}});
  core::StudyState u = grid(2, 0.7, 3, 0.2, 0.013);
  core::SetGrid(u, true);
  ASSERT_TRUE(core::BuildMatPeps(u));
  const double c = ((u.Alpha * 2.0) + 1.0) - (u.Lambda * 2.0);
  expectMatrix(u.MatPeps, {{0, 0, 0}, {0, c, u.Lambda}, {0, u.Lambda, c}});
}

TEST(AdvancePeps, WorkedExample) {
  core::StudyState s = grid(3, 1, 16, 0.5, 0.0625);
  startPeps(s, 1, 0);
  runPeps(s);
  expectRow(s.SolPeps, 1, {0, 1, 1, 1});
  expectRow(s.SolPeps, 2, {0, 1, 1, 1});
  expectRow(s.SolPeps, 3, {0, 0.75, 1, 0.75});
  expectRow(s.SolPeps, 4, {0, 0.5, 0.875, 0.5});
  expectRow(s.SolPeps, 5, {0, 0.34375, 0.625, 0.34375});
}

TEST(AdvancePeps, ConstantSourceAtLevelTwoOnly) {
  core::StudyState s = grid(3, 1, 16, 0.5, 0.0625);
  s.FF = 8.0;
  s.NN = std::int16_t{2};
  startPeps(s, 1, 0);
  runPeps(s, core::PepsSource::ConstantAtLevel);
  expectRow(s.SolPeps, 2, {0, 1, 1, 1});
  expectRow(s.SolPeps, 3, {0, 1, 1.25, 1});
  expectRow(s.SolPeps, 4, {0, 0.8125, 1.25, 0.8125});
  expectRow(s.SolPeps, 5, {0, 0.625, 1.03125, 0.625});
}

// NN outside 2 .. K applies no source; NN = K applies it to the last row only.
TEST(AdvancePeps, ConstantSourceLevelsOutsideTheRun) {
  core::StudyState plain = grid(3, 1, 16, 0.5, 0.0625);
  startPeps(plain, 1, 0);
  runPeps(plain);
  for (int nn : {-5, 0, 1, 17, 30000}) {
    core::StudyState s = grid(3, 1, 16, 0.5, 0.0625);
    s.FF = 8.0;
    s.NN = static_cast<std::int16_t>(nn);
    startPeps(s, 1, 0);
    runPeps(s, core::PepsSource::ConstantAtLevel);
    SCOPED_TRACE(nn);
    for (std::int64_t m = 1; m <= 17; ++m) expectRow(s.SolPeps, m, rowOf(plain.SolPeps, m, 3));
  }
  core::StudyState s = grid(3, 1, 16, 0.5, 0.0625);
  s.FF = 8.0;
  s.NN = std::int16_t{16};
  startPeps(s, 1, 0);
  runPeps(s, core::PepsSource::ConstantAtLevel);
  for (std::int64_t m = 1; m <= 16; ++m) expectRow(s.SolPeps, m, rowOf(plain.SolPeps, m, 3));
  const double term = 8.0 * (s.Tau / (s.Alpha + 1.0));
  EXPECT_EQ(bits(s.SolPeps(17, 2)), bits(plain.SolPeps(17, 2) + term));
}

TEST(AdvancePeps, InitialRateGivesTheSecondRow) {
  core::StudyState s = grid(4, 0.3, 7, 0.5, 0.01);
  startPeps(s, 1.3, -0.7);
  const double second = 1.3 + s.Tau * -0.7;
  expectRow(s.SolPeps, 1, {0, 1.3, 1.3, 1.3, 1.3});
  expectRow(s.SolPeps, 2, {0, second, second, second, second});
}

// Epsilon = 0: rows from 3 on are the P0 update of the row before.
TEST(AdvancePeps, ZeroEpsilonFollowsP0) {
  core::StudyState s = grid(5, 1, 40, 0.1, 0.0);
  startPeps(s, 2.0, 3.0);
  runPeps(s);
  EXPECT_EQ(bits(s.Alpha), bits(0.0));
  const double second = 2.0 + s.Tau * 3.0;
  expectRow(s.SolPeps, 2, {0, second, second, second, second, second});
  for (std::int64_t m = 3; m <= 41; ++m)
    expectRow(s.SolPeps, m, ref::p0Band(rowOf(s.SolPeps, m - 1, 5), 5, s.Lambda));
}

TEST(AdvancePeps, OneTimeStepHasOnlyTheStart) {
  core::StudyState s = grid(3, 1, 1, 0.5, 0.2);
  startPeps(s, 1, 2);
  EXPECT_EQ(s.SolPeps.rowUpper(), 2);
  expectRow(s.SolPeps, 2, {0, 3, 3, 3});
}

// ------------------------------------------------------ banded = dense

// The full row sum over j of the (0 To N, 0 To N) matrix, read entry by entry.
Row denseP0(const core::StudyState& s, const Row& prev, std::int64_t n, bool source) {
  Row next(n + 1, 0.0);
  for (std::int64_t i = 1; i <= n; ++i) {
    double v = 0.0;
    for (std::int64_t j = 1; j <= n; ++j) v = v + s.MatP0(i, j) * prev[j];
    if (source) v = v + s.Tau * s.SourceVec(i);
    next[i] = v;
  }
  return next;
}

Row densePeps(const core::StudyState& s, const Row& prev, const Row& prev2, std::int64_t n,
              std::int64_t m, core::PepsSource src) {
  Row next(n + 1, 0.0);
  for (std::int64_t i = 1; i <= n; ++i) {
    double v = 0.0;
    for (std::int64_t j = 1; j <= n; ++j) v = v + prev[j] * (s.MatPeps(i, j) * (1.0 / (s.Alpha + 1.0)));
    v = v + prev2[i] * (-(s.Alpha / (s.Alpha + 1.0)));
    if (src == core::PepsSource::ConstantAtLevel && static_cast<std::int64_t>(s.NN) + 1 == m)
      v = v + s.FF * (s.Tau / (s.Alpha + 1.0));
    if (src == core::PepsSource::Vector) v = v + (s.Tau * (1.0 / (s.Alpha + 1.0))) * s.SourceVec(i);
    next[i] = v;
  }
  return next;
}

const double kDenseN[] = {2, 3, 7, 31, 2.5, 3.5, 10.5, 17.5, 12.4};

TEST(BandedEqualsDense, P0OnRandomData) {
  std::mt19937_64 rng(20021);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lam(0.05, 0.5);
  for (double N : kDenseN) {
    for (bool source : {false, true}) {
      SCOPED_TRACE(testing::Message() << "N = " << N << (source ? " with source" : ""));
      const double K = 300;
      core::StudyState s = grid(N, 1, K, 1);
      core::SetGrid(s);
      s.Lambda = lam(rng);  // any Lambda: the scheme only reads the stored one
      ASSERT_TRUE(core::BuildMatP0(s));
      const std::int64_t n = core::loopLast(N);
      s.SourceVec.create(0, core::roundHalfEven(N));
      for (std::int64_t i = 1; i <= n; ++i) s.SolP0(1, i) = unit(rng);
      Row prev = rowOf(s.SolP0, 1, n);
      for (std::int64_t m = 2; m <= K + 1; ++m) {
        for (std::int64_t i = 1; i <= n; ++i) s.SourceVec(i) = unit(rng);
        const Row want = denseP0(s, prev, n, source);
        core::AdvanceP0(s, m, source);
        prev = rowOf(s.SolP0, m, n);
        for (std::int64_t i = 1; i <= n; ++i)
          ASSERT_EQ(bits(prev[i]), bits(want[i])) << "level " << m - 1 << ", column " << i;
      }
    }
  }
}

TEST(BandedEqualsDense, PepsilonOnRandomData) {
  std::mt19937_64 rng(1996);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lam(0.05, 0.5), eps(0.0, 3.0);
  for (double N : kDenseN) {
    for (core::PepsSource src :
         {core::PepsSource::None, core::PepsSource::ConstantAtLevel, core::PepsSource::Vector}) {
      SCOPED_TRACE(testing::Message() << "N = " << N << " source " << static_cast<int>(src));
      const double K = 300;
      core::StudyState s = grid(N, 1, K, 1, 0.0);
      core::SetGrid(s, true);
      s.Lambda = lam(rng);
      s.Alpha = eps(rng);
      s.FF = unit(rng) * 10.0;
      s.NN = std::int16_t{150};
      ASSERT_TRUE(core::BuildMatPeps(s));
      const std::int64_t n = core::loopLast(N);
      s.SourceVec.create(0, core::roundHalfEven(N));
      for (std::int64_t i = 1; i <= n; ++i) {
        s.SolPeps(1, i) = unit(rng);
        s.SolPeps(2, i) = unit(rng);
      }
      Row prev2 = rowOf(s.SolPeps, 1, n), prev = rowOf(s.SolPeps, 2, n);
      for (std::int64_t m = 3; m <= K + 1; ++m) {
        for (std::int64_t i = 1; i <= n; ++i) s.SourceVec(i) = unit(rng);
        const Row want = densePeps(s, prev, prev2, n, m, src);
        core::AdvancePeps(s, m, src);
        prev2 = prev;
        prev = rowOf(s.SolPeps, m, n);
        for (std::int64_t i = 1; i <= n; ++i)
          ASSERT_EQ(bits(prev[i]), bits(want[i])) << "level " << m - 1 << ", column " << i;
      }
    }
  }
}

// ------------------------------------------------------------- limits

TEST(Limits, GridNeedsTwoPointsAndOneStep) {
  EXPECT_FALSE(core::checkGrid(2, 1));
  EXPECT_FALSE(core::checkGrid(2.5, 1.5));
  const struct {
    double N, K;
    core::FailureCode code;
  } bad[] = {{1, 5, core::FailureCode::NTooSmall},   {1.9, 5, core::FailureCode::NTooSmall},
             {-3, 5, core::FailureCode::NTooSmall},  {0, 5, core::FailureCode::NTooSmall},
             {5, 0, core::FailureCode::KTooSmall},   {5, 0.5, core::FailureCode::KTooSmall},
             {5, -2, core::FailureCode::KTooSmall}};
  for (const auto& c : bad) {
    const core::Outcome o = core::checkGrid(c.N, c.K);
    ASSERT_TRUE(o) << "N = " << c.N << ", K = " << c.K;
    EXPECT_EQ(o->code, c.code) << "N = " << c.N << ", K = " << c.K;
    EXPECT_FALSE(o->message.empty());
  }
}

TEST(Limits, AlphaNeedsATimeStepAndOnePlusAlphaNonZero) {
  EXPECT_FALSE(core::checkAlpha(1, 16, 0.0625));
  EXPECT_FALSE(core::checkAlpha(1, 16, 0));
  EXPECT_FALSE(core::checkAlpha(1, 16, -0.5));  // negative, but 1 + Alpha is not 0
  const core::Outcome zeroT = core::checkAlpha(0, 16, 0.0625);
  ASSERT_TRUE(zeroT);
  EXPECT_EQ(zeroT->code, core::FailureCode::TZero);
  const core::Outcome minusTau = core::checkAlpha(1, 16, -0.0625);
  ASSERT_TRUE(minusTau);
  EXPECT_EQ(minusTau->code, core::FailureCode::AlphaMinusOne);
}

TEST(Limits, TablesBeyondTheBudgetAreRefusedAtOnce) {
  EXPECT_FALSE(core::checkTableBudget(100, 1000));
  EXPECT_FALSE(core::checkTableBudget(1000, 1000, 2));
  const auto start = std::chrono::steady_clock::now();
  for (const auto& [N, K] : {std::pair{1000.0, 1e9}, std::pair{1e9, 10.0}, std::pair{3.0, 1e300}}) {
    const core::Outcome o = core::checkTableBudget(N, K);
    ASSERT_TRUE(o) << "N = " << N << ", K = " << K;
    EXPECT_EQ(o->code, core::FailureCode::TablesTooLarge);
  }
  // Just under the budget for one scheme, over it for two.
  const double K = core::kTableBudgetBytes / 8.0 / 101.0 * 0.7;
  EXPECT_FALSE(core::checkTableBudget(100, K, 1));
  EXPECT_TRUE(core::checkTableBudget(100, K, 2));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

}  // namespace
