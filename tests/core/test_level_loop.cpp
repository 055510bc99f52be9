// The one level-advancing loop: levels that stop changing are copied, and the
// tables are bit for bit those of the plain loop that computes every level.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/level_loop.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "core/studies.h"
#include "core/study_state.h"

namespace {

using core::Scheme;

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

// N = 10, Lambda = 0.4: the level stops changing near level 22 500. A source
// that enters before that level, or after it, must be computed and the next
// fixed level found afresh; Lambda = 1e-4 never reaches one. After the last
// computed level every row is a copy of the one before.
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

// Which steps run, for the shapes that matter; every row then holds what its
// step would write.
TEST(LoopScript, CopiesOnlyWhatTheStepWouldGiveAgain) {
  const std::vector<double> five(7, 5.0);
  const ScriptCase cases[] = {
      // Row 3 equals row 2, both from the step: rows 4 .. 8 are copies.
      {1, five, 0, {2, 3}},
      // Depth 2 needs three equal rows in a row.
      {2, five, 0, {2, 3, 4}},
      // The step gives row 1 (7) again: what it gives from row 2 is row 2.
      {1, std::vector<double>(7, 7.0), 0, {2}},
      // Row 3 equals row 2 but came from another step (a source): the step
      // writing row 4 runs, and copies start after it.
      {1, five, 3, {2, 3, 4}},
      // The step for row 5 is not the invariant one: it runs, and so does the next.
      {1, {5, 5, 5, 9, 5, 5, 5}, 5, {2, 3, 5, 6, 7}},
      // Levels that never repeat: every step runs.
      {1, {2, 3, 4, 5, 6, 7, 8}, 0, {2, 3, 4, 5, 6, 7, 8}}};
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

}  // namespace
