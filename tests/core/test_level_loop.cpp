// The one level-advancing loop: levels that stop changing are copied, and the
// tables are bit for bit those of the plain loop that computes every level.
#include <gtest/gtest.h>

#include <cstdint>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/level_loop.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "core/studies.h"
#include "core/study_state.h"

namespace {

using core::Scheme;

// The plain stability loop: every level computed from the rows before it.
void plainStability(core::StudyState& s, Scheme scheme, bool source) {
  const bool peps = scheme == Scheme::Peps;
  core::SetGrid(s, peps);
  ASSERT_TRUE(peps ? core::BuildMatPeps(s) : core::BuildMatP0(s));
  if (peps) core::StartPeps(s);
  for (std::int64_t i = 1; !peps && i <= core::loopLast(s.N); ++i) s.SolP0(1, i) = s.u0;
  const auto kind = source ? core::PepsSource::ConstantAtLevel : core::PepsSource::None;
  for (std::int64_t m = peps ? 3 : 2; m <= core::loopLast(s.K + 1); ++m)
    peps ? core::AdvancePeps(s, m, kind) : core::AdvanceP0(s, m);
}

struct FixedCase {
  const char* name;
  Scheme scheme;
  double N, K, lambda;
  const char *v0, *Epsilon;
  bool source;
  const char* NN;
  bool repeats;  // the run reaches a level that stops changing
};

class FixedLevel : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedLevel, SameTableAsThePlainLoop) {
  const FixedCase& c = GetParam();
  core::StudyState s, plain;
  const core::StabilityFields f{.N = core::formatPlain(c.N), .T = "1",
                                .K = core::formatPlain(c.K),
                                .a = core::formatPlain(c.lambda * c.K / ((c.N + 1) * (c.N + 1))),
                                .u0 = "1", .v0 = c.v0, .Epsilon = c.Epsilon,
                                .sourceTicked = c.source, .FF = "3", .NN = c.NN};
  const core::StabilityResult r = core::runStability(s, c.scheme, f);
  ASSERT_FALSE(r.failure) << r.failure->message;
  ASSERT_EQ(r.levels, static_cast<std::int64_t>(c.K) + 1);
  ASSERT_FALSE(core::runStability(plain, c.scheme, f).failure);  // the stored values
  plainStability(plain, c.scheme, c.source);
  const bool p0 = c.scheme == Scheme::P0;
  const core::Table2 &got = p0 ? s.SolP0 : s.SolPeps, &want = p0 ? plain.SolP0 : plain.SolPeps;
  for (std::int64_t r = 0; r <= got.rowUpper(); ++r)  // N = 10: 11 columns
    ASSERT_EQ(std::memcmp(got.row(r), want.row(r), 8 * 11), 0) << "row " << r;
  // The table tells where the copies that end the run begin: after the last
  // computed level, every row a copy of the one before.
  const std::int64_t copies = got.copiesFrom();
  ASSERT_EQ(copies != core::Table2::kNoCopies, c.repeats);
  for (std::int64_t r = copies; c.repeats && r <= got.rowUpper(); ++r)
    ASSERT_EQ(std::memcmp(got.row(r - 1), got.row(r), 8 * 11), 0) << "row " << r;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FixedLevel,
    ::testing::Values(
        // P0, N = 10, Lambda = 0.4: the fixed level comes near level 22 500.
        FixedCase{"P0", Scheme::P0, 10, 30000, 0.4, "", "", false, "", true},
        FixedCase{"PepsNoSource", Scheme::Peps, 10, 30000, 0.4, "0", "0.000001", false, "", true},
        // The source enters before the fixed level, then after it: the loop
        // must compute that level and find the next fixed level afresh.
        FixedCase{"PepsSourceEarly", Scheme::Peps, 10, 30000, 0.4, "0", "0.000001", true, "100",
                  true},
        FixedCase{"PepsSourceAfterFixed", Scheme::Peps, 10, 50000, 0.4, "0", "0.000001", true,
                  "25000", true},
        FixedCase{"PepsSourceNever", Scheme::Peps, 10, 3000, 1e-4, "0", "0.00001", true, "7",
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

struct ScriptCase {
  const char* name;
  int depth;
  std::function<double(std::int64_t)> value;  // what a computed step writes
  std::function<bool(std::int64_t)> invariant;
  std::vector<std::int64_t> computed;  // the steps that must run
  std::vector<double> rows;            // rows 1 .. 8 afterwards
};

// A stepper that writes `value(m)` into every column and records its calls.
struct ScriptedStepper : core::Stepper {
  const ScriptCase& c;
  core::Table2& sol;
  std::vector<std::int64_t> computed, asked;
  std::int64_t finishedAt = -1;
  ScriptedStepper(const ScriptCase& sc, core::Table2& t) : c(sc), sol(t) {}
  int depth() const override { return c.depth; }
  bool invariantStep(std::int64_t m) override {
    asked.push_back(m);
    return c.invariant(m);
  }
  core::StepFacts step(std::int64_t m) override {
    computed.push_back(m);
    for (std::int64_t i = 1; i <= 3; ++i) sol(m, i) = c.value(m);
    return {true, true};
  }
  void finish(std::int64_t last) override { finishedAt = last; }
};

class LoopScript : public ::testing::TestWithParam<ScriptCase> {};

// Which steps run and which rows are copies, for the shapes that matter: a
// level equal to the one before, a pair for depth 2, a step that is not the
// invariant one (a source) between repeated levels.
TEST_P(LoopScript, CopiesOnlyWhatTheStepWouldGiveAgain) {
  const ScriptCase& c = GetParam();
  core::Table2 sol;
  ASSERT_TRUE(sol.create(0, 8, 0, 3));
  for (std::int64_t i = 1; i <= 3; ++i) sol(1, i) = 7;
  ScriptedStepper st(c, sol);
  const core::LevelRun run =
      core::advanceLevels(core::LevelLoop{.sol = &sol, .N = 3, .firstStep = 2, .lastRow = 8}, st);
  EXPECT_TRUE(run.completed() && run.lastRow == 8 && st.finishedAt == 8);
  EXPECT_EQ(st.computed, c.computed);
  EXPECT_EQ(st.asked, (std::vector<std::int64_t>{2, 3, 4, 5, 6, 7, 8}))
      << "asked once before every step";
  std::vector<double> rows;
  for (std::int64_t m = 1; m <= 8; ++m) rows.push_back(sol(m, 2));
  EXPECT_EQ(rows, c.rows);
}

const auto always = [](std::int64_t) { return true; };
const auto five = [](std::int64_t) { return 5.0; };
const auto seven = [](std::int64_t) { return 7.0; };
const auto notThree = [](std::int64_t m) { return m != 3; };
const auto notFive = [](std::int64_t m) { return m != 5; };
const auto nineAtFive = [](std::int64_t m) { return m == 5 ? 9.0 : 5.0; };
const auto level = [](std::int64_t m) { return static_cast<double>(m); };

INSTANTIATE_TEST_SUITE_P(
    Shapes, LoopScript,
    ::testing::Values(
        // Row 3 equals row 2, both from the step: rows 4 .. 8 are copies.
        ScriptCase{"DepthOne", 1, five, always, {2, 3}, {7, 5, 5, 5, 5, 5, 5, 5}},
        // Depth 2 needs three equal rows in a row.
        ScriptCase{"DepthTwo", 2, five, always, {2, 3, 4}, {7, 5, 5, 5, 5, 5, 5, 5}},
        // The step gives row 1 again: what it gives from row 2 is row 2.
        ScriptCase{"StepKeepsTheInitialRow", 1, seven, always, {2}, {7, 7, 7, 7, 7, 7, 7, 7}},
        // Row 3 equals row 2 but came from another step (a source): the step
        // writing row 4 runs, and copies start after it.
        ScriptCase{"EqualRowFromTheSourceStep", 1, five, notThree, {2, 3, 4},
                   {7, 5, 5, 5, 5, 5, 5, 5}},
        // The step for row 5 is not the invariant one: it runs, and so does the next.
        ScriptCase{"SourceStepRuns", 1, nineAtFive, notFive, {2, 3, 5, 6, 7},
                   {7, 5, 5, 5, 9, 5, 5, 5}},
        // Levels that never repeat: every step runs.
        ScriptCase{"Never", 1, level, always, {2, 3, 4, 5, 6, 7, 8}, {7, 2, 3, 4, 5, 6, 7, 8}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// The finiteness test on the exponent bits, at the edges of the double range,
// in every position of a row; column 0 is never looked at.
TEST(FiniteColumns, EdgesOfTheRangeInEveryColumn) {
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
