// The one loop that advances a scheme level by level, for every study: the
// stability runs, the consistency runs and both runs of the error study.
#pragma once

#include <cstdint>

#include "core/failure.h"
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
  // Writes row m; called right after invariantStep(m).
  virtual void step(std::int64_t m) = 0;
  // The run ended (completed, stopped by a key, or stopped at a non-finite
  // level); `lastStep` is the last row a step wrote, 0 when none ran.
  virtual void finish(std::int64_t /*lastStep*/) {}
};

struct LevelLoop {
  Table2* sol = nullptr;
  double N = 0;                     // the stored N: columns 1 .. floor(N) are checked
  std::int64_t firstStep = 2;       // rows 1 .. firstStep - 1 are written before the loop
  std::int64_t lastRow = 0;         // floor(K + 1)
  StepHook* hook = nullptr;         // null: the run does not yield (stability)
  const bool* stop = nullptr;       // StopRequested, tested after every hook call
  std::int64_t doneBefore = 0;      // steps of earlier runs of the same click (progress)
  std::int64_t total = 0;           // steps of the whole click (progress)
};

struct LevelRun {
  std::int64_t lastRow = 0;  // last row holding a computed level
  bool stopped = false;      // StopRequested ended the run
  Outcome failure;           // a level left the double range
  bool completed() const { return !stopped && !failure; }
};

// Checks the rows written before the loop, then for m = firstStep .. lastRow:
// calls the hook and tests the stop request, writes row m (by the stepper, or
// as a copy of row m - 1 once the levels have stopped changing), and stops at
// the first row holding a non-finite value: that row is reset to unset, the
// table remembers that its run ended at the row before, and the failure names
// the last good level. The stepper's finish() is called whichever way the run
// ends, once a step could have run.
LevelRun advanceLevels(const LevelLoop& loop, Stepper& stepper);

}  // namespace core
