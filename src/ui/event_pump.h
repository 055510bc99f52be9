// The one place where a long run on the UI thread lets the rest of the program
// breathe.
//
// How to use it:
//   ui::EventPump pump(progressBar);   // progressBar may be nullptr
//   pump.yieldOnce();                  // a yield point outside the time loop
//   core::runConsistency(state, scheme, half, pump, mark);  // the core calls
//                                      // pump.atStep(done, total) every step
//
// The core sets the stride (steps between two calls of poll()) from the work
// of one step, so a time step costs a countdown. poll() then reads a steady
// clock and only when about 10 ms have passed since the last pass does it run
// QCoreApplication::processEvents() (timers included); the progress bar moves
// at such a pass, at most every 50 ms, since it repaints at once. A key press
// handled there sets StopRequested, which the core tests at the next time
// step. Usually owned by LongRun (src/shell/long_run.h), which also shows the
// bar.
#pragma once

#include <chrono>
#include <cstdint>

#include <QPointer>
#include <QProgressBar>

#include "core/step_hook.h"

namespace ui {

class EventPump : public core::StepHook {
 public:
  using Clock = std::chrono::steady_clock;

  explicit EventPump(QProgressBar* bar = nullptr,
                     Clock::duration interval = std::chrono::milliseconds(10),
                     Clock::duration barInterval = std::chrono::milliseconds(50));

  void setProgressBar(QProgressBar* bar) { bar_ = bar; }
  QProgressBar* progressBar() const { return bar_; }

  // Handles pending events now (and restarts the interval).
  void yieldOnce() override;

  // Counters for tests and benchmarks.
  std::int64_t polls() const { return polls_; }    // clock reads
  std::int64_t passes() const { return passes_; }  // processEvents() passes
  std::int64_t lastDone() const { return lastDone_; }
  Clock::duration timeInPasses() const { return timeInPasses_; }  // bar included

 protected:
  void poll(std::int64_t done, std::int64_t total) override;

 private:
  // One pass of the event loop, its time from `start` counted.
  void pass(Clock::time_point start);
  void showProgress(std::int64_t done, std::int64_t total);

  QPointer<QProgressBar> bar_;
  Clock::duration interval_;
  Clock::duration barInterval_;
  Clock::time_point lastPass_;
  Clock::time_point lastShown_{};
  Clock::duration timeInPasses_{};
  std::int64_t polls_ = 0;
  std::int64_t passes_ = 0;
  std::int64_t lastDone_ = 0;
  std::int64_t barTotal_ = -1;
};

}  // namespace ui
