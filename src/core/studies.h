// The study procedures the windows call: each takes the fields' texts, stores
// what it converts into the study state in the order the windows define,
// computes, and builds the texts of the result lists. A window does the rest:
// the empty-field test, enabling its buttons, labels, the message box.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"
#include "core/study_state.h"

namespace core {

enum class Scheme { P0, Peps };

// Called by long runs at the start of every time step. atStep() is a
// countdown; every `stride` steps it calls poll(), where a window lets pending
// events run (and so lets a key press set StopRequested) and shows progress.
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
  // The yield points outside the time loop (the error study's pause between
  // its two runs).
  virtual void yieldOnce() {}

 protected:
  virtual void poll(std::int64_t /*done*/, std::int64_t /*total*/) {}

 private:
  std::int64_t stride_ = 1;
  std::int64_t countdown_ = 1;
};

// ---------------------------------------------------------------- stability

struct StabilityFields {
  std::string N, T, K, a, u0;
  std::string v0, Epsilon;  // Pepsilon only
  bool sourceTicked = false;
  std::string FF, NN;       // Pepsilon only, read when sourceTicked
};

// The required fields are empty ("Saisie incomplète !")?
bool stabilityFieldsEmpty(Scheme scheme, const StabilityFields& f);

struct StabilityResult {
  Outcome failure;          // a refusal (levels == 0) or an overflow (levels kept)
  std::int64_t levels = 0;  // time levels 0 .. levels - 1 hold values
};

// After the empty test: converts and stores the fields, checks what the grid
// cannot take, SetGrid, builds the tables, writes the initial level(s) and
// advances to level K. Stops at the first level holding a non-finite value,
// which is reset to unset, and reports it.
StabilityResult runStability(StudyState& s, Scheme scheme, const StabilityFields& f);

// "x =   " then " # " and h*i with "0.00" for i = 1 .. columns.
std::string stabilityHeaderLine(double h, std::int64_t columns, std::string_view mark);
// The " # "-joined values of one level with "0.00" (what LineText holds).
std::string stabilityValues(const double* values, std::int64_t columns, std::string_view mark);
// "n= " level " " values; `values` points at column 1 of the level's row.
std::string stabilityLevelLine(std::int64_t level, const double* values, std::int64_t columns,
                               std::string_view mark);

// -------------------------------------------------------------- consistency

enum class Half { TimeR, SpaceS };  // "Pour h fixé" (R) and "Pour Tau fixé" (S)

struct ConsistencyFields {
  std::string N, T, K, a, d, w, phi, R, S;
  std::string Epsilon;  // Pepsilon only
};

// Start of a run up to the running state: StopRequested = false; empty test;
// conversions and stores (R or S as the whole part); R < 0 / S < 0; then the
// limits (R or S above 29, N < 2, K < 1, N or K not whole, 1 + Alpha = 0,
// tables too large). What was stored before a refusal stays stored.
Outcome beginConsistency(StudyState& s, Scheme scheme, Half half, const ConsistencyFields& f);

// SetGrid for the steps as typed (with Alpha for Pepsilon); the window shows
// these values before the refined run starts.
void consistencyGrid(StudyState& s, Scheme scheme);

struct RunOutcome {
  bool completed = false;  // false: stopped by a key, or a failure
  Outcome failure;         // e.g. an overflow; empty when stopped by a key
  std::string line;        // the list line when completed
};

// Refinement, tables, the run with its source, the error into ErrH(R + 1) or
// ErrT(S + 1) and the line "E" & 2^R & " = " & error. Tests StopRequested at
// the start of every time step, after hook.atStep().
RunOutcome runConsistency(StudyState& s, Scheme scheme, Half half, StepHook& hook,
                          std::string_view mark);

struct OrderLine {
  std::string text;
  bool defined = true;  // false: ratio not positive or zero denominator
};

// "Calculer les qi" / "Calculer les pi": orders for i = 1 .. R - 1 (or S - 1)
// into OrdQ (OrdP), all computed before the lines are built. An order that
// cannot be computed shows "indéfini" and leaves NaN in its table entry.
std::vector<OrderLine> computeOrders(StudyState& s, Half half, std::string_view mark);

// ------------------------------------------------------------- error study

struct ErrorFields {
  std::string N, T, K, a, Epsilon;
  std::string u0, v0;      // constant data
  std::string d, w, phi;   // exact-solution data
  std::string k;           // TxtR
};

// Steps 1 to 4 and the limits: StopRequested = false; the empty tests for the
// selected data; k; the stores; then N, K, T, 1 + Alpha and the table budget.
Outcome beginErrorStudy(StudyState& s, const ErrorFields& f, bool exactData);

// Step 6: h, Tau, Epsilon = Epsilon/R, Lambda, Alpha.
void errorStudyGrid(StudyState& s);

// Steps 7 to 11: the Pepsilon run with eps/k, the P0 run, E(k) into ErrH(1)
// and the line "E(k = " & k & ") = " & E. `exactData` is asked again at every
// place the data option is read (initial rows, each source fill).
RunOutcome runErrorStudy(StudyState& s, const std::function<bool()>& exactData, StepHook& hook,
                         std::string_view mark);

}  // namespace core
