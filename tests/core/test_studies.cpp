// The study procedures the windows call: stability lists, consistency runs
// and orders, the error study, their refusals, overflow and the stop key.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "core/studies.h"
#include "core/study_state.h"
#include "reference.h"

namespace {

using core::FailureCode;
using core::Scheme;
using ref::bits;
using ref::Row;

// Whole runs must refuse large tables long before allocating anything.
constexpr auto kQuick = std::chrono::milliseconds(500);

bool rowZero(const core::Table2& t, std::int64_t m) {
  for (std::int64_t i = t.colLower(); i <= t.colUpper(); ++i)
    if (bits(t(m, i)) != 0) return false;
  return true;
}

// ================================================================ stability

core::StabilityFields stabFields(const char* N, const char* T, const char* K, const char* a,
                                 const char* u0, const char* v0 = "", const char* eps = "") {
  core::StabilityFields f;
  f.N = N;
  f.T = T;
  f.K = K;
  f.a = a;
  f.u0 = u0;
  f.v0 = v0;
  f.Epsilon = eps;
  return f;
}

// The list a stability window shows: the header, then one line per level.
std::vector<std::string> stabilityList(const core::StudyState& s, const core::Table2& sol,
                                       std::int64_t levels, std::string_view mark = ".") {
  const std::int64_t n = core::loopLast(s.N);
  std::vector<std::string> lines{core::stabilityHeaderLine(s.h, n, mark)};
  for (std::int64_t m = 1; m <= levels; ++m)
    lines.push_back(core::stabilityLevelLine(m - 1, sol.row(m) + 1, n, mark));
  return lines;
}

TEST(StabilityP0, WorkedExampleList) {
  core::StudyState s;
  const core::StabilityResult r = core::runStability(s, Scheme::P0, stabFields("3", "1", "16", "0.5", "1"));
  ASSERT_FALSE(r.failure) << r.failure->message;
  EXPECT_EQ(r.levels, 17);
  EXPECT_EQ(bits(s.N), bits(3.0));
  EXPECT_EQ(bits(s.T), bits(1.0));
  EXPECT_EQ(bits(s.K), bits(16.0));
  EXPECT_EQ(bits(s.a), bits(0.5));
  EXPECT_EQ(bits(s.u0), bits(1.0));
  EXPECT_EQ(core::formatFixed(s.h, 5), "0.25000");
  EXPECT_EQ(core::formatFixed(s.Tau, 5), "0.06250");
  EXPECT_EQ(core::formatFixed(s.Lambda, 5), "0.50000");
  const std::vector<std::string> lines = stabilityList(s, s.SolP0, r.levels);
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[0], "x =    # 0.25 # 0.50 # 0.75");
  EXPECT_EQ(lines[1], "n= 0  # 1.00 # 1.00 # 1.00");
  EXPECT_EQ(lines[2], "n= 1  # 0.50 # 1.00 # 0.50");
  EXPECT_EQ(lines[3], "n= 2  # 0.50 # 0.50 # 0.50");
  EXPECT_EQ(lines[4], "n= 3  # 0.25 # 0.50 # 0.25");
  EXPECT_EQ(lines[17], "n= 16  # 0.00 # 0.00 # 0.00");
  EXPECT_EQ(core::stabilityValues(s.SolP0.row(3) + 1, 3, ","), " # 0,50 # 0,50 # 0,50");
  EXPECT_EQ(core::stabilityHeaderLine(s.h, 3, ","), "x =    # 0,25 # 0,50 # 0,75");
}

TEST(StabilityP0, BlankFieldReadsZeroAndZeroDurationIsAccepted) {
  core::StudyState s;
  core::StabilityResult r = core::runStability(s, Scheme::P0, stabFields("3", "1", "4", "0.5", " "));
  ASSERT_FALSE(r.failure);
  EXPECT_EQ(stabilityList(s, s.SolP0, r.levels)[5], "n= 4  # 0.00 # 0.00 # 0.00");
  r = core::runStability(s, Scheme::P0, stabFields("3", "0", "4", "0.5", "2"));
  ASSERT_FALSE(r.failure) << "P0 needs no Alpha: T = 0 only makes Lambda 0";
  EXPECT_EQ(stabilityList(s, s.SolP0, r.levels)[5], "n= 4  # 2.00 # 2.00 # 2.00");
}

// N = 2.5 and K = 2.5: bounds are the rounded expressions (columns 0 To
// round(2.5) = 2, rows 0 To round(3.5) = 4), loops run up to the whole part
// (levels 0 .. 2).
TEST(StabilityP0, FractionalCounts) {
  core::StudyState s;
  const core::StabilityResult r = core::runStability(s, Scheme::P0, stabFields("2.5", "1", "2.5", "0.3", "1"));
  ASSERT_FALSE(r.failure) << r.failure->message;
  EXPECT_EQ(r.levels, 3);
  EXPECT_EQ(s.SolP0.colUpper(), 2);
  EXPECT_EQ(s.SolP0.rowUpper(), 4);
  const double L = s.Lambda, d = 1.0 - (L * 2.0);
  // Row 2 of the matrix is (0, d): (2, 1) was never written.
  EXPECT_EQ(bits(s.SolP0(2, 1)), bits((0.0 + d * 1.0) + L * 1.0));
  EXPECT_EQ(bits(s.SolP0(2, 2)), bits((0.0 + 0.0 * 1.0) + d * 1.0));
  EXPECT_EQ(stabilityList(s, s.SolP0, r.levels).size(), 4u);
}

TEST(StabilityPeps, WorkedExampleList) {
  core::StudyState s;
  const auto f = stabFields("3", "1", "16", "0.5", "1", "0", "0.0625");
  const core::StabilityResult r = core::runStability(s, Scheme::Peps, f);
  ASSERT_FALSE(r.failure) << r.failure->message;
  EXPECT_EQ(r.levels, 17);
  EXPECT_EQ(core::formatFixed(s.Alpha, 5), "1.00000");
  const auto lines = stabilityList(s, s.SolPeps, r.levels);
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[1], "n= 0  # 1.00 # 1.00 # 1.00");
  EXPECT_EQ(lines[2], "n= 1  # 1.00 # 1.00 # 1.00");
  EXPECT_EQ(lines[3], "n= 2  # 0.75 # 1.00 # 0.75");
  EXPECT_EQ(lines[4], "n= 3  # 0.50 # 0.88 # 0.50");
}

TEST(StabilityPeps, ConstantSourceOption) {
  core::StudyState plain;
  const auto base = stabFields("3", "1", "16", "0.5", "1", "0", "0.0625");
  ASSERT_FALSE(core::runStability(plain, Scheme::Peps, base).failure);
  const auto plainLines = stabilityList(plain, plain.SolPeps, 17);

  core::StudyState s;
  auto f = base;
  f.sourceTicked = true;
  f.FF = "8";
  f.NN = "2";
  ASSERT_FALSE(core::runStability(s, Scheme::Peps, f).failure);
  EXPECT_EQ(bits(s.FF), bits(8.0));
  EXPECT_EQ(static_cast<int>(s.NN), 2);
  auto lines = stabilityList(s, s.SolPeps, 17);
  EXPECT_EQ(lines[3], "n= 2  # 1.00 # 1.25 # 1.00");
  EXPECT_EQ(bits(s.SolPeps(4, 2)), bits(1.25));
  EXPECT_EQ(bits(s.SolPeps(5, 2)), bits(1.03125));

  // 2.5 rounds to 2 (halves to even); 3.5 to 4.
  f.NN = "2.5";
  ASSERT_FALSE(core::runStability(s, Scheme::Peps, f).failure);
  EXPECT_EQ(static_cast<int>(s.NN), 2);
  f.NN = "3.5";
  ASSERT_FALSE(core::runStability(s, Scheme::Peps, f).failure);
  EXPECT_EQ(static_cast<int>(s.NN), 4);

  // Levels 1 and K + 1 receive nothing, nor does an empty field (0).
  for (const char* nn : {"1", "17", "", "abc", "-32768"}) {
    f.NN = nn;
    ASSERT_FALSE(core::runStability(s, Scheme::Peps, f).failure) << nn;
    EXPECT_EQ(stabilityList(s, s.SolPeps, 17), plainLines) << "NN = \"" << nn << '"';
  }

  // Unticked: the source is not applied and FF, NN keep their old values.
  f.NN = "2";
  ASSERT_FALSE(core::runStability(s, Scheme::Peps, f).failure);
  f.sourceTicked = false;
  f.FF = "99";
  f.NN = "99999";
  ASSERT_FALSE(core::runStability(s, Scheme::Peps, f).failure);
  EXPECT_EQ(bits(s.FF), bits(8.0));
  EXPECT_EQ(static_cast<int>(s.NN), 2);
  EXPECT_EQ(stabilityList(s, s.SolPeps, 17), plainLines);
}

struct StabRefusal {
  Scheme scheme;
  core::StabilityFields fields;
  FailureCode code;
};

core::StabilityFields ticked(core::StabilityFields f, const char* nn) {
  f.sourceTicked = true;
  f.FF = "1";
  f.NN = nn;
  return f;
}

TEST(Stability, Refusals) {
  const StabRefusal cases[] = {
      {Scheme::P0, stabFields("1", "1", "16", "0.5", "1"), FailureCode::NTooSmall},
      {Scheme::P0, stabFields("1.9", "1", "16", "0.5", "1"), FailureCode::NTooSmall},
      {Scheme::P0, stabFields("abc", "1", "16", "0.5", "1"), FailureCode::NTooSmall},
      {Scheme::P0, stabFields("3", "1", "0", "0.5", "1"), FailureCode::KTooSmall},
      {Scheme::P0, stabFields("3", "1", "-4", "0.5", "1"), FailureCode::KTooSmall},
      {Scheme::Peps, stabFields("3", "1", "0.5", "0.5", "1", "0", "1"), FailureCode::KTooSmall},
      {Scheme::Peps, stabFields("3", "0", "16", "0.5", "1", "0", "0.0625"), FailureCode::TZero},
      {Scheme::Peps, stabFields("3", "1", "16", "0.5", "1", "0", "-0.0625"), FailureCode::AlphaMinusOne},
      {Scheme::P0, stabFields("1e999", "1", "16", "0.5", "1"), FailureCode::NumberOutOfRange},
      {Scheme::P0, stabFields("3", "1", "16", "0.5", "-1e999"), FailureCode::NumberOutOfRange},
      {Scheme::Peps, stabFields("3", "1", "16", "0.5", "1", "0", "1e999"), FailureCode::NumberOutOfRange},
      {Scheme::Peps, ticked(stabFields("3", "1", "16", "0.5", "1", "0", "1"), "32767"),
       FailureCode::NNOutOfRange},
      {Scheme::Peps, ticked(stabFields("3", "1", "16", "0.5", "1", "0", "1"), "40000"),
       FailureCode::NNOutOfRange},
      {Scheme::Peps, ticked(stabFields("3", "1", "16", "0.5", "1", "0", "1"), "-40000"),
       FailureCode::NNOutOfRange},
      {Scheme::P0, stabFields("1000", "1", "1e9", "0.5", "1"), FailureCode::TablesTooLarge},
      {Scheme::Peps, stabFields("1e9", "1", "1000", "0.5", "1", "0", "1"), FailureCode::TablesTooLarge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "N=" << c.fields.N << " T=" << c.fields.T << " K=" << c.fields.K
                                    << " u0=" << c.fields.u0 << " eps=" << c.fields.Epsilon
                                    << " NN=" << c.fields.NN);
    core::StudyState s;
    const auto start = std::chrono::steady_clock::now();
    const core::StabilityResult r = core::runStability(s, c.scheme, c.fields);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kQuick);
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->code, c.code) << r.failure->message;
    EXPECT_FALSE(r.failure->message.empty());
    EXPECT_EQ(r.levels, 0);
  }
}

// An unstable run: the first level holding a non-finite value is reported and
// cleared, the levels before it are kept as computed.
TEST(Stability, OverflowStopsAtTheFirstNonFiniteLevel) {
  for (Scheme scheme : {Scheme::P0, Scheme::Peps}) {
    SCOPED_TRACE(scheme == Scheme::P0 ? "P0" : "Pepsilon");
    core::StudyState s;
    // Tau = 0.1, Lambda = 12.1: far outside the stable range.
    const auto f = stabFields("10", "100", "1000", "1", "1", "0", "0.01");
    const core::StabilityResult r = core::runStability(s, scheme, f);
    const core::Table2& sol = scheme == Scheme::P0 ? s.SolP0 : s.SolPeps;

    const ref::Grid g = ref::grid(10, 100, 1000, 1, 0.01);
    std::vector<Row> want{Row(11, 1.0)};
    want[0][0] = 0.0;
    if (scheme == Scheme::Peps) want.push_back(want[0]);  // v0 = 0: u1 = u0 + Tau*0
    std::int64_t bad = -1;
    while (bad < 0 && want.size() < 1001) {
      const std::size_t n = want.size();
      want.push_back(scheme == Scheme::P0 ? ref::p0Band(want[n - 1], 10, g.Lambda)
                                          : ref::pepsBand(want[n - 1], want[n - 2], 10, g.Lambda, g.Alpha));
      for (int i = 1; i <= 10; ++i)
        if (!std::isfinite(want.back()[i])) bad = static_cast<std::int64_t>(n);
    }
    ASSERT_GT(bad, 0) << "the reference run should overflow";
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->code, FailureCode::Overflow);
    EXPECT_EQ(r.failure->message, core::fail::overflow(bad).message);
    EXPECT_EQ(r.levels, bad);
    for (std::int64_t level = 0; level < bad; ++level)
      for (int i = 1; i <= 10; ++i)
        ASSERT_EQ(bits(sol(level + 1, i)), bits(want[level][i])) << "level " << level << ", i " << i;
    EXPECT_TRUE(rowZero(sol, bad + 1)) << "the non-finite level is reset";
  }
}

// ============================================================ references

// The final row of a run by the band formulas: row 1 from u0, row 2 of
// Pepsilon u0 + Tau*v0, then every step with its source f(i, m).
struct RefRun {
  Scheme scheme;
  int n;
  std::int64_t K;
  double Lambda, Alpha, Tau;
};

Row finalRow(const RefRun& r, const std::function<double(int)>& u0, const std::function<double(int)>& v0,
             const std::function<double(int, std::int64_t)>& f) {
  Row prev2(r.n + 1, 0.0), prev(r.n + 1, 0.0), term(r.n + 1, 0.0);
  for (int i = 1; i <= r.n; ++i) prev[i] = u0(i);
  if (r.scheme == Scheme::Peps) {
    prev2 = prev;
    for (int i = 1; i <= r.n; ++i) prev[i] = prev2[i] + r.Tau * v0(i);
  }
  for (std::int64_t m = r.scheme == Scheme::P0 ? 2 : 3; m <= r.K + 1; ++m) {
    if (r.scheme == Scheme::P0) {
      for (int i = 1; i <= r.n; ++i) term[i] = f(i, m);
      prev = ref::p0Band(prev, r.n, r.Lambda, &term, r.Tau);
    } else {
      for (int i = 1; i <= r.n; ++i) term[i] = (r.Tau * (1.0 / (r.Alpha + 1.0))) * f(i, m);
      prev2 = std::exchange(prev, ref::pepsBand(prev, prev2, r.n, r.Lambda, r.Alpha, &term));
    }
  }
  return prev;
}

struct NoHook : core::StepHook {};

// Sets the stop flag at its first poll, as a key press during a yield does.
struct StopHook : core::StepHook {
  core::StudyState* s = nullptr;
  std::int64_t after = 0;  // steps done before the key
  std::int64_t stoppedAt = -1;

 protected:
  void poll(std::int64_t done, std::int64_t /*total*/) override {
    if (stoppedAt < 0 && done > after) {
      stoppedAt = done;
      s->StopRequested = true;
    }
  }
};

// ============================================================== consistency

struct ConsData {
  double N, T, K, a, d, w, phi, Epsilon;
};

core::ConsistencyFields consFields(const ConsData& x, int R, int S) {
  const auto t = [](double v) { return core::formatPlain(v); };
  return {t(x.N), t(x.T), t(x.K), t(x.a), t(x.d), t(x.w), t(x.phi), std::to_string(R), std::to_string(S),
          t(x.Epsilon)};
}

// The error of one refined run, straight from the formulas.
double referenceError(Scheme scheme, const ConsData& x, int R, int S) {
  const ref::Grid g = ref::grid(x.N, x.T, x.K, x.a, x.Epsilon);
  double h = g.h, Tau = g.Tau, N = x.N, K = x.K, Alpha = g.Alpha;
  if (R > 0) {
    Tau = Tau / std::pow(2.0, R);
    K = K * std::pow(2.0, R);
    Alpha = x.Epsilon / Tau;
  }
  if (S > 0) {
    h = h / std::pow(2.0, S);
    N = (N + 1) * std::pow(2.0, S) - 1;
  }
  const double Lambda = (Tau * x.a) / (h * h);
  const ref::Exact e{h, core::piValue(), x.d, x.w, x.phi, x.a, x.Epsilon, Tau, x.T};
  const int n = static_cast<int>(N);
  const Row u = finalRow(
      {scheme, n, static_cast<std::int64_t>(K), Lambda, Alpha, Tau}, [&](int i) { return e.uo(i); },
      [&](int i) { return e.vo(i); },
      [&](int i, std::int64_t m) { return scheme == Scheme::P0 ? e.f(i, m) : e.feps(i, m); });
  return ref::l2(u, [&](int i) { return e.atT(i); }, n, h);
}

core::RunOutcome consistencyRun(core::StudyState& s, Scheme scheme, core::Half half, const ConsData& x,
                                int R, int S, std::string_view mark = ".") {
  s.Pi = core::piValue();
  const core::Outcome o = core::beginConsistency(s, scheme, half, consFields(x, R, S));
  EXPECT_FALSE(o) << o->message;
  if (o) return {};
  core::consistencyGrid(s, scheme);
  NoHook hook;
  return core::runConsistency(s, scheme, half, hook, mark);
}

TEST(Consistency, P0ErrorsMatchTheFormulas) {
  const ConsData x{2, 0.5, 1, 1, 1.5, 2, 0.3, 0};
  core::StudyState s;
  for (int R : {0, 1, 3}) {
    const core::RunOutcome out = consistencyRun(s, Scheme::P0, core::Half::TimeR, x, R, 0);
    ASSERT_TRUE(out.completed);
    const double E = referenceError(Scheme::P0, x, R, 0);
    EXPECT_EQ(bits(s.ErrH(R + 1)), bits(E)) << "R = " << R << ": " << s.ErrH(R + 1) << " vs " << E;
    EXPECT_EQ(out.line, "E" + std::to_string(1 << R) + " = " + core::formatFixed(E, 10));
    EXPECT_EQ(bits(s.K), bits(static_cast<double>(1 << R))) << "the refined count stays";
    EXPECT_EQ(bits(s.Tau), bits(0.5 / (1 << R)));
  }
  const core::RunOutcome out = consistencyRun(s, Scheme::P0, core::Half::SpaceS, x, 0, 2);
  ASSERT_TRUE(out.completed);
  const double E = referenceError(Scheme::P0, x, 0, 2);
  EXPECT_EQ(bits(s.ErrT(3)), bits(E));
  EXPECT_EQ(out.line, "E4 = " + core::formatFixed(E, 10));
  EXPECT_EQ(bits(s.N), bits(11.0));
  EXPECT_EQ(bits(s.h), bits(1.0 / 12.0));

  // K*Tau differs from T in the last bit: still 11 steps, exact value at T.
  const ConsData y{4, 0.1, 11, 0.2, 1, 5, 0.1, 0};
  ASSERT_TRUE(consistencyRun(s, Scheme::P0, core::Half::TimeR, y, 0, 0).completed);
  EXPECT_EQ(bits(s.ErrH(1)), bits(referenceError(Scheme::P0, y, 0, 0)));
  EXPECT_FALSE(rowZero(s.SolP0, 12));
}

TEST(Consistency, PepsilonErrorsMatchTheFormulas) {
  const ConsData x{3, 0.5, 2, 0.5, 1, 3, 0.4, 0.05};
  core::StudyState s;
  for (int R : {0, 1, 2}) {
    const core::RunOutcome out = consistencyRun(s, Scheme::Peps, core::Half::TimeR, x, R, 0, ",");
    ASSERT_TRUE(out.completed);
    const double E = referenceError(Scheme::Peps, x, R, 0);
    EXPECT_EQ(bits(s.ErrH(R + 1)), bits(E)) << "R = " << R;
    EXPECT_EQ(out.line, "E" + std::to_string(1 << R) + " = " + core::formatFixed(E, 10, ","));
    EXPECT_EQ(bits(s.Alpha), bits(0.05 / (0.25 / (1 << R)))) << "Alpha of the refined step";
  }
  ASSERT_TRUE(consistencyRun(s, Scheme::Peps, core::Half::SpaceS, x, 0, 1).completed);
  EXPECT_EQ(bits(s.ErrT(2)), bits(referenceError(Scheme::Peps, x, 0, 1)));

  // K = 1: the final row is the one-step start uo + Tau*vo.
  const ConsData y{4, 0.2, 1, 1, 1, 2, 0.7, 0.3};
  ASSERT_TRUE(consistencyRun(s, Scheme::Peps, core::Half::TimeR, y, 0, 0).completed);
  EXPECT_EQ(bits(s.ErrH(1)), bits(referenceError(Scheme::Peps, y, 0, 0)));

  // The labels show the steps as typed; the run then refines them.
  ASSERT_FALSE(core::beginConsistency(s, Scheme::Peps, core::Half::TimeR,
                                      consFields({3, 1, 16, 0.5, 1, 1, 0, 0.0625}, 2, 0)));
  core::consistencyGrid(s, Scheme::Peps);
  EXPECT_EQ(bits(s.Tau), bits(0.0625));
  EXPECT_EQ(bits(s.Lambda), bits(0.5));
  EXPECT_EQ(bits(s.Alpha), bits(1.0));
}

// A smooth case: the P0 scheme is first order in time.
TEST(Consistency, ObservedOrderInTimeIsOne) {
  const ConsData x{5, 0.1, 20, 1, 1, 1, 0.5, 0};
  core::StudyState s;
  for (int R = 0; R <= 3; ++R) {
    ASSERT_TRUE(consistencyRun(s, Scheme::P0, core::Half::TimeR, x, R, 0).completed);
    const std::size_t orders = core::computeOrders(s, core::Half::TimeR, ".").size();
    EXPECT_EQ(orders, static_cast<std::size_t>(std::max(R - 1, 0))) << "after R = " << R;
  }
  const std::vector<core::OrderLine> lines = core::computeOrders(s, core::Half::TimeR, ".");
  ASSERT_EQ(lines.size(), 2u);
  for (std::int64_t i = 1; i <= 2; ++i) {
    const double E1 = s.ErrH(i), E2 = s.ErrH(i + 1), E3 = s.ErrH(i + 2);
    const double q = std::log((E1 - E2) / (E2 - E3)) / std::log(2.0);
    EXPECT_EQ(bits(s.OrdQ(i)), bits(q));
    EXPECT_NEAR(q, 1.0, 0.1);
    EXPECT_TRUE(lines[i - 1].defined);
  }
  EXPECT_EQ(lines[0].text, "q1 = Ln((E1 - E2)/(E2 - E4))/Ln2 = " + core::formatFixed(s.OrdQ(1), 4));
  EXPECT_EQ(lines[1].text, "q2 = Ln((E2 - E4)/(E4 - E8))/Ln2 = " + core::formatFixed(s.OrdQ(2), 4));
  EXPECT_EQ(core::computeOrders(s, core::Half::TimeR, ",")[0].text,
            "q1 = Ln((E1 - E2)/(E2 - E4))/Ln2 = " + core::formatFixed(s.OrdQ(1), 4, ","));
}

TEST(Consistency, OrdersThatCannotBeComputed) {
  core::StudyState s;
  s.R = 4.0;
  s.ErrH(1) = 1.0;  // (1 - 2)/(2 - 1.5) < 0
  s.ErrH(2) = 2.0;
  s.ErrH(3) = 1.5;
  s.ErrH(4) = 1.5;  // zero denominator for i = 2
  // Entry 5 never computed: reads 0, i = 3 gives (1.5 - 0)/(0 - 0).
  const std::vector<core::OrderLine> lines = core::computeOrders(s, core::Half::TimeR, ".");
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& line : lines) {
    EXPECT_FALSE(line.defined) << line.text;
    EXPECT_NE(line.text.find("indéfini"), std::string::npos) << line.text;
  }
  EXPECT_EQ(lines[0].text.rfind("q1 = Ln((E1 - E2)/(E2 - E4))/Ln2 = ", 0), 0u) << lines[0].text;
  EXPECT_EQ(lines[2].text.rfind("q3 = Ln((E4 - E8)/(E8 - E16))/Ln2 = ", 0), 0u) << lines[2].text;
  EXPECT_TRUE(std::isnan(s.OrdQ(1)));
  s.S = 1.0;
  EXPECT_TRUE(core::computeOrders(s, core::Half::SpaceS, ".").empty());
}

std::string* consField(core::ConsistencyFields& f, std::string_view name) {
  for (auto [n, p] : {std::pair{"N", &f.N}, {"T", &f.T}, {"K", &f.K}, {"a", &f.a}, {"phi", &f.phi},
                      {"R", &f.R}, {"S", &f.S}, {"Epsilon", &f.Epsilon}})
    if (name == n) return p;
  return nullptr;
}

TEST(Consistency, Refusals) {
  using core::Half;
  const struct {
    Scheme scheme;
    Half half;
    const char* field;
    const char* text;
    FailureCode code;
  } cases[] = {
      {Scheme::P0, Half::TimeR, "S", "", FailureCode::EmptyField},
      {Scheme::P0, Half::SpaceS, "R", "", FailureCode::EmptyField},
      {Scheme::P0, Half::TimeR, "phi", "", FailureCode::EmptyField},
      {Scheme::Peps, Half::TimeR, "Epsilon", "", FailureCode::EmptyField},
      {Scheme::Peps, Half::SpaceS, "Epsilon", "", FailureCode::EmptyField},
      {Scheme::P0, Half::TimeR, "R", "-1", FailureCode::BadR},
      {Scheme::P0, Half::SpaceS, "S", "-0.5", FailureCode::BadS},
      {Scheme::P0, Half::TimeR, "R", "30", FailureCode::RTooLarge},
      {Scheme::Peps, Half::SpaceS, "S", "30", FailureCode::STooLarge},
      {Scheme::P0, Half::TimeR, "N", "1", FailureCode::NTooSmall},
      {Scheme::P0, Half::TimeR, "K", "0", FailureCode::KTooSmall},
      {Scheme::P0, Half::TimeR, "N", "2.5", FailureCode::NotWhole},
      {Scheme::P0, Half::SpaceS, "K", "1.5", FailureCode::NotWhole},
      {Scheme::P0, Half::TimeR, "a", "1e999", FailureCode::NumberOutOfRange},
      {Scheme::Peps, Half::SpaceS, "Epsilon", "-0.0625", FailureCode::AlphaMinusOne},
      // Left half with R = 2: Alpha is taken for Tau/4.
      {Scheme::Peps, Half::TimeR, "Epsilon", "-0.015625", FailureCode::AlphaMinusOne},
      {Scheme::Peps, Half::TimeR, "T", "0", FailureCode::TZero},
      {Scheme::P0, Half::TimeR, "R", "29", FailureCode::TablesTooLarge},
      {Scheme::Peps, Half::SpaceS, "S", "29", FailureCode::TablesTooLarge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.scheme == Scheme::P0 ? "P0 " : "Pepsilon ")
                                    << (c.half == Half::TimeR ? "R " : "S ") << c.field << " = \""
                                    << c.text << '"');
    core::StudyState s;
    s.StopRequested = true;
    core::ConsistencyFields f = consFields({3, 1, 16, 0.5, 1, 1, 0.3, 0.1}, 2, 2);
    *consField(f, c.field) = c.text;
    const auto start = std::chrono::steady_clock::now();
    const core::Outcome o = core::beginConsistency(s, c.scheme, c.half, f);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kQuick);
    EXPECT_FALSE(s.StopRequested);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->code, c.code) << o->message;
    const char* message = c.code == FailureCode::EmptyField ? "Saisie incomplète !"
                          : c.code == FailureCode::BadR     ? "Valeur incorrecte de R !"
                          : c.code == FailureCode::BadS     ? "Valeur incorrecte de S !"
                                                            : nullptr;
    if (message) { EXPECT_EQ(o->message, message); }
    EXPECT_EQ(s.N.isSet(), c.code != FailureCode::EmptyField) << "stored only after the empty test";
  }
}

// What was stored before a refusal stays stored: R = -1 after "-0.5", and
// the orders then list nothing; a refused R = 35 never makes them read past
// entry 30.
TEST(Consistency, RefusedValuesStayStored) {
  core::StudyState s;
  core::ConsistencyFields f = consFields({3, 1, 16, 0.5, 1, 1, 0.3, 0.7}, 0, 0);
  f.R = "-0.5";
  const core::Outcome o = core::beginConsistency(s, Scheme::Peps, core::Half::TimeR, f);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->code, FailureCode::BadR);
  EXPECT_EQ(bits(s.R), bits(-1.0));
  EXPECT_EQ(bits(s.phi), bits(0.3));
  EXPECT_EQ(bits(s.Epsilon), bits(0.7)) << "Epsilon is stored before the sign of R is tested";
  EXPECT_TRUE(core::computeOrders(s, core::Half::TimeR, ".").empty());

  f.R = "35";
  EXPECT_TRUE(core::beginConsistency(s, Scheme::P0, core::Half::TimeR, f));
  EXPECT_LE(core::computeOrders(s, core::Half::TimeR, ".").size(), 28u);

  f.R = "2.7";
  EXPECT_FALSE(core::beginConsistency(s, Scheme::Peps, core::Half::TimeR, f));
  EXPECT_EQ(bits(s.R), bits(2.0));
  f.R = "abc";
  EXPECT_FALSE(core::beginConsistency(s, Scheme::Peps, core::Half::TimeR, f));
  EXPECT_EQ(bits(s.R), bits(0.0));
}

// A stop (flag set before the run, or by a key during it) and an overflow
// both end the run with no line and the table entry as it was.
TEST(Consistency, StopAndOverflowAddNoLine) {
  const ConsData small{2, 1, 16, 0.1, 1, 1, 0.3, 0};
  const ConsData longRun{2, 1, 200000, 0.1, 1, 1, 0.3, 0};
  const ConsData unstable{10, 200, 2000, 1, 1, 1, 0.3, 0};  // Lambda = 12.1
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant == 0 ? "stopped at once" : variant == 1 ? "stopped by the hook" : "overflow");
    core::StudyState s;
    s.Pi = core::piValue();
    s.ErrH(1) = 123.0;
    const ConsData& x = variant == 0 ? small : variant == 1 ? longRun : unstable;
    ASSERT_FALSE(core::beginConsistency(s, Scheme::P0, core::Half::TimeR, consFields(x, 0, 0)));
    core::consistencyGrid(s, Scheme::P0);
    if (variant == 0) s.StopRequested = true;
    StopHook hook;
    hook.s = &s;
    hook.after = variant == 1 ? 0 : INT64_MAX;
    const core::RunOutcome out = core::runConsistency(s, Scheme::P0, core::Half::TimeR, hook, ".");
    EXPECT_FALSE(out.completed);
    EXPECT_TRUE(out.line.empty());
    EXPECT_EQ(bits(s.ErrH(1)), bits(123.0));
    if (variant == 2) {
      ASSERT_TRUE(out.failure);
      EXPECT_EQ(out.failure->code, FailureCode::Overflow);
      continue;
    }
    EXPECT_FALSE(out.failure);
    if (variant == 0) { EXPECT_TRUE(rowZero(s.SolP0, 2)); }
    if (variant == 1) {
      ASSERT_GE(hook.stoppedAt, 0) << "the hook was never polled";
      for (std::int64_t m = hook.stoppedAt + 3; m <= 200001; m += 997)
        ASSERT_TRUE(rowZero(s.SolP0, m)) << "row " << m << " computed after the stop";
    }
    // The next run starts afresh.
    ASSERT_TRUE(consistencyRun(s, Scheme::P0, core::Half::TimeR, small, 0, 0).completed);
    EXPECT_EQ(bits(s.ErrH(1)), bits(referenceError(Scheme::P0, small, 0, 0)));
  }
}

// ============================================================== error study

struct ErrData {
  double N, T, K, a, eps, k;
  bool exact;
  double u0, v0, d, w, phi;
};

core::ErrorFields errFields(const ErrData& x) {
  const auto t = [](double v) { return core::formatPlain(v); };
  return {t(x.N), t(x.T), t(x.K), t(x.a), t(x.eps), t(x.u0), t(x.v0), t(x.d), t(x.w), t(x.phi), t(x.k)};
}

// E(k) from the two schemes run by the formulas.
double referenceErrorStudy(const ErrData& x) {
  const double k = std::floor(x.k);
  const ref::Grid g = ref::grid(x.N, x.T, x.K, x.a, x.eps / k);
  const ref::Exact e{g.h, core::piValue(), x.d, x.w, x.phi, x.a, x.eps / k, g.Tau, x.T};
  const auto u0 = [&](int i) { return x.exact ? e.uo(i) : x.u0; };
  const auto v0 = [&](int i) { return x.exact ? e.vo(i) : x.v0; };
  const int n = static_cast<int>(x.N);
  const auto K = static_cast<std::int64_t>(x.K);
  const Row peps = finalRow({Scheme::Peps, n, K, g.Lambda, g.Alpha, g.Tau}, u0, v0,
                            [&](int i, std::int64_t m) { return x.exact ? e.feps(i, m) : 0.0; });
  const Row p0 = finalRow({Scheme::P0, n, K, g.Lambda, g.Alpha, g.Tau}, u0, v0,
                          [&](int i, std::int64_t m) { return x.exact ? e.f(i, m) : 0.0; });
  return ref::l2(p0, [&](int i) { return peps[i]; }, n, g.h);
}

core::RunOutcome errorRun(core::StudyState& s, const ErrData& x, std::string_view mark = ".") {
  s.Pi = core::piValue();
  const core::Outcome o = core::beginErrorStudy(s, errFields(x), x.exact);
  EXPECT_FALSE(o) << o->message;
  if (o) return {};
  core::errorStudyGrid(s);
  NoHook hook;
  return core::runErrorStudy(s, [&x] { return x.exact; }, hook, mark);
}

TEST(ErrorStudy, WorkedExamples) {
  core::StudyState s;
  ErrData x{2, 2, 2, 1, 1, 1, false, 1, 0, 0, 0, 0};
  core::RunOutcome out = errorRun(s, x);
  ASSERT_TRUE(out.completed);
  EXPECT_EQ(out.line, "E(k = 1) = 55.1135192126");
  EXPECT_EQ(bits(s.SolPeps(3, 1)), bits(-3.5));
  EXPECT_EQ(bits(s.SolPeps(3, 2)), bits(-3.5));
  EXPECT_EQ(bits(s.SolP0(3, 1)), bits(64.0));
  EXPECT_EQ(bits(s.SolP0(3, 2)), bits(64.0));
  EXPECT_EQ(bits(s.ErrH(1)), bits(referenceErrorStudy(x)));

  x.k = 2;
  out = errorRun(s, x, ",");
  ASSERT_TRUE(out.completed);
  EXPECT_EQ(out.line, "E(k = 2) = 56,3382640840");
  EXPECT_EQ(bits(s.Epsilon), bits(0.5)) << "eps/k is stored in place of eps";
  EXPECT_EQ(bits(s.R), bits(2.0));
  EXPECT_EQ(bits(s.Alpha), bits(0.5));
  EXPECT_NEAR(s.SolPeps(3, 1), -5.0, 1e-14);
  EXPECT_EQ(bits(s.ErrH(1)), bits(referenceErrorStudy(x)));

  out = errorRun(s, {2, 1, 1, 1, 1, 1, false, 1, 0, 0, 0, 0});
  ASSERT_TRUE(out.completed);
  EXPECT_EQ(out.line, "E(k = 1) = 7.3484692283");
  EXPECT_EQ(bits(s.SolPeps(2, 1)), bits(1.0));
  EXPECT_EQ(bits(s.SolP0(2, 2)), bits(-8.0));

  out = errorRun(s, {5, 1, 10, 0.1, 0.3, 2.9, false, 0, 0, 0, 0, 0});
  ASSERT_TRUE(out.completed);
  EXPECT_EQ(out.line, "E(k = 2) = 0.0000000000");
}

TEST(ErrorStudy, DataMatchTheFormulas) {
  for (const ErrData& x : {ErrData{3, 0.4, 4, 0.3, 0.02, 2, true, 0, 0, 1.2, 2.5, 0.6},
                           ErrData{4, 0.5, 7, 0.1, 0.3, 4, false, 1.5, -2, 0, 0, 0}}) {
    core::StudyState s;
    const core::RunOutcome out = errorRun(s, x);
    ASSERT_TRUE(out.completed);
    const double E = referenceErrorStudy(x);
    EXPECT_EQ(bits(s.ErrH(1)), bits(E));
    EXPECT_EQ(out.line, "E(k = " + core::formatPlain(x.k) + ") = " + core::formatFixed(E, 10));
  }
}

std::string* errField(core::ErrorFields& f, std::string_view name) {
  for (auto [n, p] : {std::pair{"N", &f.N}, {"T", &f.T}, {"K", &f.K}, {"a", &f.a}, {"Epsilon", &f.Epsilon},
                      {"k", &f.k}, {"u0", &f.u0}, {"phi", &f.phi}})
    if (name == n) return p;
  return nullptr;
}

TEST(ErrorStudy, Refusals) {
  const struct {
    bool exact;
    const char* field;
    const char* text;
    FailureCode code;
  } cases[] = {
      {false, "Epsilon", "", FailureCode::EmptyField}, {false, "u0", "", FailureCode::EmptyField},
      {true, "phi", "", FailureCode::EmptyField},      {false, "k", "0.5", FailureCode::BadDivisorK},
      {false, "k", "0", FailureCode::BadDivisorK},     {false, "k", "", FailureCode::BadDivisorK},
      {true, "k", "abc", FailureCode::BadDivisorK},    {false, "N", "1", FailureCode::NTooSmall},
      {false, "K", "0", FailureCode::KTooSmall},       {false, "T", "0", FailureCode::TZero},
      {false, "a", "1e999", FailureCode::NumberOutOfRange},
      {false, "K", "1e9", FailureCode::TablesTooLarge},
      {false, "Epsilon", "-0.5", FailureCode::AlphaMinusOne},  // eps/k = -0.25 = -Tau
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.field << " = \"" << c.text << '"');
    core::ErrorFields f = errFields({1000, 1, 4, 1, 1, 2, c.exact, 1, 0, 1, 1, 0.5});
    *errField(f, c.field) = c.text;
    core::StudyState s;
    s.StopRequested = true;
    const auto start = std::chrono::steady_clock::now();
    const core::Outcome o = core::beginErrorStudy(s, f, c.exact);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kQuick);
    EXPECT_FALSE(s.StopRequested);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->code, c.code) << o->message;
    const char* message = c.code == FailureCode::EmptyField    ? "Saisie incomplète !"
                          : c.code == FailureCode::BadDivisorK ? "Valeur de k incorrecte !"
                                                               : nullptr;
    if (message) {
      EXPECT_EQ(o->message, message);
      EXPECT_FALSE(s.N.isSet() || s.Epsilon.isSet() || s.R.isSet()) << "no input stored";
    }
  }
  // The fields of the option not selected are neither tested nor read.
  core::StudyState s;
  core::ErrorFields f = errFields({3, 1, 4, 1, 1, 1, true, 0, 0, 1, 1, 0.5});
  f.u0 = f.v0 = "";
  EXPECT_FALSE(core::beginErrorStudy(s, f, true));
  EXPECT_FALSE(s.u0.isSet());
}

// A stop before the first step, a key during the second (P0) run, and an
// overflow: no line, ErrH(1) as it was, eps/k stays stored.
TEST(ErrorStudy, StopAndOverflowAddNoLine) {
  const ErrData cases[] = {{4, 1, 50, 0.1, 0.2, 1, false, 1, 0, 0, 0, 0},
                           {2, 1, 100000, 0.1, 0.2, 2, false, 1, 0, 0, 0, 0},
                           {10, 100, 1000, 1, 0.01, 1, false, 1, 0, 0, 0, 0}};  // Lambda = 12.1
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    const ErrData& x = cases[variant];
    core::StudyState s;
    s.Pi = core::piValue();
    s.ErrH(1) = 42.0;
    ASSERT_FALSE(core::beginErrorStudy(s, errFields(x), false));
    core::errorStudyGrid(s);
    if (variant == 0) s.StopRequested = true;
    StopHook hook;
    hook.s = &s;
    hook.after = variant == 1 ? static_cast<std::int64_t>(x.K) + 10 : INT64_MAX;
    const core::RunOutcome out = core::runErrorStudy(s, [] { return false; }, hook, ".");
    EXPECT_FALSE(out.completed);
    EXPECT_TRUE(out.line.empty());
    EXPECT_EQ(bits(s.ErrH(1)), bits(42.0));
    EXPECT_EQ(bits(s.Epsilon), bits(x.eps / x.k));
    EXPECT_EQ(static_cast<bool>(out.failure), variant == 2);
    if (variant == 2) { EXPECT_EQ(out.failure->code, FailureCode::Overflow); }
    if (variant == 1) {
      EXPECT_FALSE(rowZero(s.SolPeps, 100001)) << "the first run was complete";
      EXPECT_TRUE(rowZero(s.SolP0, 100001));
    }
  }
}

}  // namespace
