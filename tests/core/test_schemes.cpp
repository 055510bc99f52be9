// The grid, the band matrices, both schemes' steps on the study state, and
// the one loop that advances them: levels that stop changing are copied, and
// the tables are bit for bit those of the plain loop that computes every level.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/level_loop.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "core/studies.h"
#include "core/study_state.h"
#include "support/reference_solution.h"

namespace {

using core::Scheme;
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

// Every entry: 'd' = 1 - (Lambda*2), 'L' = Lambda, '.' = 0. N = 2.5 writes
// (N, N - 1) over (2, 2); N = 3.5 writes it at (4, 2), row 3 left empty.
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

// One non-finite value in any column of a level: the step says so (odd, even,
// long rows, clipped edges at N = 3.5), and so does finiteColumns at the edges
// of the double range (column 0 never looked at).
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
  constexpr double inf = std::numeric_limits<double>::infinity();
  for (const double v : {-std::numeric_limits<double>::max(), 4.9e-324, -inf, -std::nan("")})
    for (std::int64_t last : {1, 7, 33})
      for (std::int64_t at = 1; at <= last; ++at) {
        std::vector<double> row(static_cast<std::size_t>(last) + 1, 1.0);
        row[0] = inf;
        row[static_cast<std::size_t>(at)] = v;
        EXPECT_EQ(core::finiteColumns(row.data(), last), std::isfinite(v)) << v << " at " << at;
      }
}

// The plain stability loop: every level computed from the rows before it.
void plainStability(core::StudyState& s, bool peps, bool source) {
  core::SetGrid(s, peps);
  ASSERT_TRUE(peps ? core::BuildMatPeps(s) : core::BuildMatP0(s));
  if (peps) core::StartPeps(s);
  for (std::int64_t i = 1; !peps && i <= core::loopLast(s.N); ++i) s.SolP0(1, i) = s.u0;
  const auto kind = source ? core::PepsSource::ConstantAtLevel : core::PepsSource::None;
  for (std::int64_t m = peps ? 3 : 2; m <= core::loopLast(s.K + 1); ++m)
    peps ? core::AdvancePeps(s, m, kind) : core::AdvanceP0(s, m);
}

// N = 10, Lambda = 0.4: the level stops changing near level 22 500; a source
// before or after it is computed and the next fixed level found afresh;
// Lambda = 1e-4 never reaches one. After the last computed level, copies.
TEST(FixedLevel, SameTableAsThePlainLoop) {
  const struct {
    double K, lambda;
    const char *Epsilon, *NN;  // Epsilon empty: P0; NN empty: no source
    bool repeats;              // the run reaches a level that stops changing
  } cases[] = {{30000, 0.4, "", "", true},
               {30000, 0.4, "0.000001", "", true},
               {30000, 0.4, "0.000001", "100", true},
               {50000, 0.4, "0.000001", "25000", true},
               {3000, 1e-4, "0.00001", "7", false}};
  for (const auto& c : cases) {
    const bool peps = *c.Epsilon, source = *c.NN;
    core::StabilityFields f{.N = "10", .T = "1", .K = core::formatPlain(c.K), .u0 = "1", .FF = "3"};
    f.a = core::formatPlain(c.lambda * c.K / 121), f.v0 = peps ? "0" : "";
    f.Epsilon = c.Epsilon, f.sourceTicked = source, f.NN = c.NN;
    SCOPED_TRACE(std::string(c.Epsilon) + " " + c.NN);
    core::StudyState s, plain;
    const Scheme scheme = peps ? Scheme::Peps : Scheme::P0;
    const core::StabilityResult r = core::runStability(s, scheme, f);
    ASSERT_FALSE(r.failure) << r.failure->message;
    ASSERT_EQ(r.levels, static_cast<std::int64_t>(c.K) + 1);
    ASSERT_FALSE(core::runStability(plain, scheme, f).failure);  // the stored values
    plainStability(plain, peps, source);
    const core::Table2 &got = peps ? s.SolPeps : s.SolP0,
                       &want = peps ? plain.SolPeps : plain.SolP0;
    for (std::int64_t r = 0; r <= got.rowUpper(); ++r)  // 11 columns
      ASSERT_EQ(std::memcmp(got.row(r), want.row(r), 8 * 11), 0) << "row " << r;
    const std::int64_t copies = got.copiesFrom();
    ASSERT_EQ(copies != core::Table2::kNoCopies, c.repeats);
    for (std::int64_t r = copies; c.repeats && r <= got.rowUpper(); ++r)
      ASSERT_EQ(std::memcmp(got.row(r - 1), got.row(r), 8 * 11), 0) << "row " << r;
  }
}

struct ScriptCase {
  int depth;
  std::vector<double> values;          // what the step writing row m = 2 .. 8 writes
  std::int64_t notInvariant;           // the one step that is not the invariant one, or 0
  std::vector<std::int64_t> computed;  // the steps that must run
};

// A stepper that writes the case's value into every column and records its calls.
struct ScriptedStepper : core::Stepper {
  const ScriptCase& c;
  core::Table2& sol;
  std::vector<std::int64_t> computed, asked;
  std::int64_t finishedAt = -1;
  ScriptedStepper(const ScriptCase& sc, core::Table2& t) : c(sc), sol(t) {}
  int depth() const override { return c.depth; }
  bool invariantStep(std::int64_t m) override {
    asked.push_back(m);
    return m != c.notInvariant;
  }
  core::StepFacts step(std::int64_t m) override {
    computed.push_back(m);
    for (std::int64_t i = 1; i <= 3; ++i) sol(m, i) = c.values[m - 2];
    return {true, true};
  }
  void finish(std::int64_t last) override { finishedAt = last; }
};

// Which steps run, for the shapes that matter: a level equal to the one
// before, from the invariant step or not; every row then holds what its step
// would write.
TEST(LoopScript, CopiesOnlyWhatTheStepWouldGiveAgain) {
  const std::vector<double> five(7, 5.0), seven(7, 7.0);
  const ScriptCase cases[] = {
      {1, five, 0, {2, 3}},                            // rows 2 and 3 equal: 4 .. 8 are copies
      {2, five, 0, {2, 3, 4}},                         // depth 2 needs three equal rows
      {1, seven, 0, {2}},                              // the step gives row 1 again
      {1, five, 3, {2, 3, 4}},                         // row 3 came from a source step
      {1, {5, 5, 5, 9, 5, 5, 5}, 5, {2, 3, 5, 6, 7}},  // a source step, and the next, run
      {1, {2, 3, 4, 5, 6, 7, 8}, 0, {2, 3, 4, 5, 6, 7, 8}}};  // levels that never repeat
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
    core::Table2 sol;
    ASSERT_TRUE(sol.create(0, 8, 0, 3));
    for (std::int64_t i = 1; i <= 3; ++i) sol(1, i) = 7;
    ScriptedStepper st(c, sol);
    const core::LevelRun run =
        core::advanceLevels(core::LevelLoop{.sol = &sol, .N = 3, .firstStep = 2, .lastRow = 8}, st);
    EXPECT_TRUE(run.completed() && run.lastRow == 8 && st.finishedAt == 8);
    EXPECT_EQ(st.computed, c.computed);
    EXPECT_EQ(st.asked, (std::vector<std::int64_t>{2, 3, 4, 5, 6, 7, 8}))
        << "asked before each step";
    std::vector<double> rows;
    for (std::int64_t m = 2; m <= 8; ++m) rows.push_back(sol(m, 2));
    EXPECT_EQ(rows, c.values);
  }
}

}  // namespace
