// The one loop that advances a scheme level by level, for every study: the
// stability runs, the consistency runs and both runs of the error study.
#pragma once

#include <concepts>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <utility>

#include "core/failure.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "core/step_hook.h"
#include "core/study_state.h"

namespace core {

// One scheme's time step, as the loop sees it. Row m of the solution table is
// time level m - 1; a step writes row m from the `depth()` rows before it.
class Stepper {
 public:
  virtual ~Stepper() = default;
  // Rows a step reads behind the row it writes: 1 (P0) or 2 (Pepsilon).
  virtual int depth() const = 0;
  // Asked once before the step that writes row m (and before the loop copies
  // a repeated level into row m). True when that step is the run's one
  // time-invariant step: the same function of the rows before it as every
  // other step for which it answers true (no source, or a source that is zero
  // and stays zero). Only such steps let the loop copy a repeated level.
  virtual bool invariantStep(std::int64_t m) = 0;
  // Writes row m; called right after invariantStep(m). Returns whether every
  // value of row m is finite (as finiteColumns) and, when it knows, that row m
  // differs from row m - 1 (the loop then need not compare them).
  virtual StepFacts step(std::int64_t m) = 0;
  // Writes rows m .. at most `last` in one call when every step of the run
  // is the time-invariant one (as invariantStep would answer, with nothing
  // else to do): it stops after the first row whose facts are not finite or
  // may repeat, and returns that row (or `last`) with its facts. Asked only
  // when the loop has no hook and no stop flag; one step by default.
  virtual std::pair<std::int64_t, StepFacts> stepRun(std::int64_t m, std::int64_t /*last*/) {
    return {m, step(m)};
  }
  // True when stepRun may write more than one row.
  virtual bool runsInBatches() const { return false; }
  // The run ended (completed, stopped by a key, or stopped at a non-finite
  // level); `lastStep` is the last row a step wrote, 0 when none ran.
  virtual void finish(std::int64_t /*lastStep*/) {}
};

struct LevelLoop {
  Table2* sol = nullptr;
  double N = 0;                 // the stored N: columns 1 .. floor(N) are checked
  std::int64_t firstStep = 2;   // rows 1 .. firstStep - 1 are written before the loop
  std::int64_t lastRow = 0;     // floor(K + 1)
  StepHook* hook = nullptr;     // null: the run does not yield (stability)
  const bool* stop = nullptr;   // StopRequested, tested after every hook call
  std::int64_t doneBefore = 0;  // steps of earlier runs of the same click (progress)
  std::int64_t total = 0;       // steps of the whole click (progress)
};

struct LevelRun {
  std::int64_t lastRow = 0;  // last row holding a computed level
  bool stopped = false;      // StopRequested ended the run
  Outcome failure;           // a level left the double range
  bool completed() const { return !stopped && !failure; }
};

namespace detail {

// Rows m and m - 1 hold the same doubles, bit for bit, in columns 1 .. last.
// The first value is compared inline: levels that still change differ there.
inline bool sameAsRowBefore(const Table2& sol, std::int64_t m, std::int64_t last) {
  const double* row = sol.row(m);
  const double* before = sol.row(m - 1);
  if (std::memcmp(row + 1, before + 1, sizeof(double)) != 0) return false;
  return std::memcmp(row + 1, before + 1, static_cast<std::size_t>(last) * sizeof(double)) == 0;
}

}  // namespace detail

// Checks the rows written before the loop, then for m = firstStep .. lastRow:
// calls the hook and tests the stop request, writes row m (by the stepper, or
// as a copy of row m - 1 once the levels have stopped changing), and stops at
// the first row holding a non-finite value: that row is reset to unset, the
// table remembers that its run ended at the row before, and the failure names
// the last good level. The stepper's finish() is called whichever way the run
// ends, once the rows before the loop were found finite. A template so that a
// final stepper's calls are direct; any Stepper works.
template <std::derived_from<Stepper> S>
LevelRun advanceLevels(const LevelLoop& loop, S& stepper) {
  Table2& sol = *loop.sol;
  const std::int64_t last = loopLast(loop.N);
  const auto bytes = static_cast<std::size_t>(last) * sizeof(double);
  LevelRun run;
  const auto stopAt = [&](std::int64_t m) {
    // Row m holds a value beyond the double range: it is reset to unset, and
    // the table remembers that its run ended at the row before.
    clearRow(sol, m);
    sol.stoppedAfterRow(m - 1);
    run.lastRow = m - 1;
    run.failure = fail::overflow(m - 1);
  };

  // How many rows in a row, ending at the newest, equal the row before them;
  // once that reaches the step's depth and the newest row came from the
  // time-invariant step, every later invariant step would give that row again.
  std::int64_t repeats = 0;
  bool newestInvariant = false;
  for (std::int64_t m = 1; m < loop.firstStep && m <= loop.lastRow; ++m) {
    if (!finiteColumns(sol.row(m), last)) {
      stopAt(m);
      return run;
    }
    repeats = m >= 2 && detail::sameAsRowBefore(sol, m, last) ? repeats + 1 : 0;
  }
  const std::int64_t depth = stepper.depth();
  // With nothing to do between levels, the stepper writes the levels that
  // still change in batches, and the loop looks only at the last of each.
  const bool batches = !loop.hook && !loop.stop && stepper.runsInBatches();
  std::int64_t lastWritten = 0;
  std::int64_t copyStart = 0;  // first row of the copies that end the run so far
  for (std::int64_t m = loop.firstStep; m <= loop.lastRow; ++m) {
    if (loop.hook) loop.hook->atStep(loop.doneBefore + m - loop.firstStep, loop.total);
    if (loop.stop && *loop.stop) {
      stepper.finish(lastWritten);
      if (copyStart > 0) sol.setCopiesFrom(copyStart);
      sol.stoppedAfterRow(m - 1);
      run.lastRow = m - 1;
      run.stopped = true;
      return run;
    }
    const bool invariant = stepper.invariantStep(m);
    if (invariant && newestInvariant && repeats >= depth) {
      if (copyStart == 0) copyStart = m;
      if (batches) {
        // Every later step is the same invariant one: the rest of the run
        // is this level again.
        sol.repeatRow(m - 1, m, loop.lastRow);
        m = loop.lastRow;
      } else {
        std::memcpy(sol.row(m) + 1, sol.row(m - 1) + 1, bytes);
      }
      lastWritten = m;
      continue;
    }
    StepFacts facts;
    if (batches) {
      const std::int64_t first = m;
      std::tie(m, facts) = stepper.stepRun(m, loop.lastRow);
      if (m > first) repeats = 0;  // the rows before m certainly changed
    } else {
      facts = stepper.step(m);
    }
    lastWritten = m;
    copyStart = 0;
    if (!facts.finite) {
      stepper.finish(lastWritten);
      stopAt(m);
      return run;
    }
    newestInvariant = invariant;
    repeats = facts.maybeRepeat && detail::sameAsRowBefore(sol, m, last) ? repeats + 1 : 0;
  }
  stepper.finish(lastWritten);
  if (copyStart > 0) sol.setCopiesFrom(copyStart);
  run.lastRow = loop.lastRow;
  return run;
}

}  // namespace core
