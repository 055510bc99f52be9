#include "core/level_loop.h"

#include <cstring>

#include "core/numeric.h"
#include "core/schemes.h"

namespace core {

namespace {

// Rows m and m - 1 hold the same doubles, bit for bit, in columns 1 .. last.
bool sameAsRowBefore(const Table2& sol, std::int64_t m, std::int64_t last) {
  return std::memcmp(sol.row(m) + 1, sol.row(m - 1) + 1,
                     static_cast<std::size_t>(last) * sizeof(double)) == 0;
}

}  // namespace

LevelRun advanceLevels(const LevelLoop& loop, Stepper& stepper) {
  Table2& sol = *loop.sol;
  const std::int64_t last = loopLast(loop.N);
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
    if (!rowFinite(sol, m, loop.N)) {
      stopAt(m);
      return run;
    }
    repeats = m >= 2 && sameAsRowBefore(sol, m, last) ? repeats + 1 : 0;
  }
  const std::int64_t depth = stepper.depth();
  std::int64_t lastWritten = 0;
  for (std::int64_t m = loop.firstStep; m <= loop.lastRow; ++m) {
    if (loop.hook) loop.hook->atStep(loop.doneBefore + m - loop.firstStep, loop.total);
    if (loop.stop && *loop.stop) {
      stepper.finish(lastWritten);
      sol.stoppedAfterRow(m - 1);
      run.lastRow = m - 1;
      run.stopped = true;
      return run;
    }
    const bool invariant = stepper.invariantStep(m);
    if (invariant && newestInvariant && repeats >= depth) {
      std::memcpy(sol.row(m) + 1, sol.row(m - 1) + 1, static_cast<std::size_t>(last) * sizeof(double));
      lastWritten = m;
      continue;
    }
    stepper.step(m);
    lastWritten = m;
    if (!rowFinite(sol, m, loop.N)) {
      stepper.finish(lastWritten);
      stopAt(m);
      return run;
    }
    newestInvariant = invariant;
    repeats = sameAsRowBefore(sol, m, last) ? repeats + 1 : 0;
  }
  stepper.finish(lastWritten);
  run.lastRow = loop.lastRow;
  return run;
}

}  // namespace core
