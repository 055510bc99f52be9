// The exact solution, its initial data and source terms at the grid points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/exact.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "core/study_state.h"
#include "reference.h"

namespace {

using ref::bits;

struct Data {
  double N, T, K, a, d, w, phi, Epsilon;
};

core::StudyState make(const Data& x) {
  core::StudyState s;
  s.Pi = core::piValue();
  s.N = x.N;
  s.T = x.T;
  s.K = x.K;
  s.a = x.a;
  s.d = x.d;
  s.w = x.w;
  s.phi = x.phi;
  s.Epsilon = x.Epsilon;
  core::SetGrid(s, true);
  s.SourceVec.create(0, core::roundHalfEven(x.N));
  return s;
}

ref::Exact exact(const core::StudyState& s) {
  return {s.h, s.Pi, s.d, s.w, s.phi, s.a, s.Epsilon, s.Tau, s.T};
}

const Data kData[] = {
    {7, 0.5, 9, 0.8, 1.5, 2.0, 0.3, 0.01},
    {3, 1, 16, 0.5, -2.0, 11.0, 1.2, 0.2},
    {12, 0.1, 11, 1.0, 0.7, 0.0, -0.4, 0.0},
};

TEST(Exact, SpaceFactorUsesTheStoredPi) {
  core::StudyState s = make(kData[0]);
  s.Pi = 3.0;  // not pi: the formulas must read the stored value
  s.h = 0.5;
  EXPECT_EQ(bits(core::sinPiX(s, 1)), bits(std::sin(0.5 * (1 * 3.0))));
  EXPECT_EQ(bits(core::sinPiX(s, 3)), bits(std::sin(0.5 * (3 * 3.0))));
}

TEST(Exact, SpaceFactorsAndInitialRows) {
  for (const Data& x : kData) {
    core::StudyState s = make(x);
    const ref::Exact e = exact(s);
    const std::int64_t n = core::loopLast(x.N);
    const std::vector<double> f = core::spaceFactors(s);
    ASSERT_GE(static_cast<std::int64_t>(f.size()), n + 1);
    ASSERT_TRUE(core::BuildMatPeps(s));
    core::writeInitialExact(s, s.SolPeps);
    core::writeSecondExact(s, s.SolPeps);
    for (int i = 1; i <= n; ++i) {
      SCOPED_TRACE(testing::Message() << "N = " << x.N << ", i = " << i);
      EXPECT_EQ(bits(core::sinPiX(s, i)), bits(e.sinPiX(i)));
      EXPECT_EQ(bits(f[i]), bits(e.sinPiX(i) * x.d));
      EXPECT_EQ(bits(s.SolPeps(1, i)), bits(e.uo(i)));
      EXPECT_EQ(bits(s.SolPeps(2, i)), bits(e.uo(i) + s.Tau * e.vo(i)));
      EXPECT_EQ(bits(core::exactAtT(s, i)), bits(e.atT(i)));
    }
  }
}

TEST(Exact, SourcesOfEveryStep) {
  for (const Data& x : kData) {
    core::StudyState s = make(x);
    const ref::Exact e = exact(s);
    const std::int64_t n = core::loopLast(x.N);
    const std::vector<double> f = core::spaceFactors(s);
    for (std::int64_t m : {2, 3, 7, 10}) {
      SCOPED_TRACE(testing::Message() << "N = " << x.N << ", m = " << m);
      core::fillSourceF(s, m, f);
      for (int i = 1; i <= n; ++i) EXPECT_EQ(bits(s.SourceVec(i)), bits(e.f(i, m))) << i;
      core::fillSourceFeps(s, m, f);
      for (int i = 1; i <= n; ++i) EXPECT_EQ(bits(s.SourceVec(i)), bits(e.feps(i, m))) << i;
    }
  }
}

// The final time is the stored T, not K*Tau.
TEST(Exact, FinalTimeIsTheStoredDuration) {
  core::StudyState s = make({5, 0.1, 11, 1, 1, 7, 0.2, 0});
  ASSERT_NE(bits(s.K * s.Tau), bits(s.T));
  const ref::Exact e = exact(s);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(bits(core::exactAtT(s, i)), bits(e.atT(i)));
}

TEST(Exact, PhaseZeroGivesNoInitialRate) {
  core::StudyState s = make({6, 1, 4, 1, 2, 3, 0, 0.1});
  ASSERT_TRUE(core::BuildMatPeps(s));
  core::writeInitialExact(s, s.SolPeps);
  core::writeSecondExact(s, s.SolPeps);
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(bits(s.SolPeps(2, i)), bits(s.SolPeps(1, i)));
}

TEST(Exact, ZeroFrequencyMakesTheSourceConstantInTime) {
  core::StudyState s = make({6, 1, 4, 0.3, 2, 0, 0.5, 0.1});
  const std::vector<double> f = core::spaceFactors(s);
  std::vector<double> first;
  for (std::int64_t m : {2, 5, 9}) {
    core::fillSourceF(s, m, f);
    for (int i = 1; i <= 6; ++i) {
      if (m == 2) first.push_back(s.SourceVec(i));
      EXPECT_EQ(bits(s.SourceVec(i)), bits(first[i - 1]));
      core::fillSourceFeps(s, m, f);
      EXPECT_EQ(bits(s.SourceVec(i)), bits(first[i - 1])) << "feps = f when w = 0";
      core::fillSourceF(s, m, f);
    }
  }
  EXPECT_NEAR(first[0], 0.3 * (s.Pi * s.Pi) * 2 * std::cos(0.5) * std::sin(s.Pi / 7), 1e-12);
}

TEST(Exact, ZeroEpsilonMakesFepsEqualF) {
  core::StudyState s = make({9, 1, 10, 0.7, 1.3, 4, 0.9, 0.0});
  const std::vector<double> f = core::spaceFactors(s);
  for (std::int64_t m = 2; m <= 11; ++m) {
    core::fillSourceF(s, m, f);
    std::vector<double> p0(s.SourceVec.data() + 1, s.SourceVec.data() + 10);
    core::fillSourceFeps(s, m, f);
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(bits(s.SourceVec(i)), bits(p0[i - 1])) << m << ", " << i;
  }
}

TEST(Exact, ZeroAmplitudeIsZeroEverywhere) {
  core::StudyState s = make({4, 1, 4, 1, 0, 3, 0.4, 0.1});
  const std::vector<double> f = core::spaceFactors(s);
  ASSERT_TRUE(core::BuildMatPeps(s));
  core::writeInitialExact(s, s.SolPeps);
  core::writeSecondExact(s, s.SolPeps);
  core::fillSourceFeps(s, 3, f);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(s.SolPeps(1, i), 0.0);
    EXPECT_EQ(s.SolPeps(2, i), 0.0);
    EXPECT_EQ(s.SourceVec(i), 0.0);
    EXPECT_EQ(core::exactAtT(s, i), 0.0);
  }
}

}  // namespace
