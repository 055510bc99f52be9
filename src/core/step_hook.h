// What a long run calls at the start of every time step, so that a window can
// let pending events run (a key press then sets StopRequested) and show
// progress. No Qt: the window's event pump derives from it.
#pragma once

#include <cstdint>

namespace core {

// atStep() is a countdown; every `stride` steps it calls poll().
class StepHook {
 public:
  virtual ~StepHook() = default;
  void atStep(std::int64_t done, std::int64_t total) {
    if (--countdown_ <= 0) {
      countdown_ = stride_;
      poll(done, total);
    }
  }
  // Steps between two polls; runs set it from the work of one step.
  void setStride(std::int64_t stride) { stride_ = countdown_ = stride < 1 ? 1 : stride; }
  std::int64_t stride() const { return stride_; }
  // A yield point outside the time loop (the error study's pause between its
  // two runs).
  virtual void yieldOnce() {}

 protected:
  virtual void poll(std::int64_t /*done*/, std::int64_t /*total*/) {}

 private:
  std::int64_t stride_ = 1;
  std::int64_t countdown_ = 1;
};

}  // namespace core
