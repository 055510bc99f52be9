// The study procedures the windows call: each takes the fields' texts, stores
// what it converts into the study state in the order the windows define,
// computes, and builds the texts of the result lists. A window does the rest:
// the empty-field test, enabling its buttons, labels, the message box.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"
#include "core/step_hook.h"
#include "core/study_state.h"

namespace core {

enum class Scheme { P0, Peps };

// The grid values a study window shows ("0.00000"): h, Tau, Lambda and, for
// Pepsilon and the error study, Alpha (0 otherwise).
struct GridValues {
  double h = 0, Tau = 0, Lambda = 0, Alpha = 0;
};
GridValues gridValues(const StudyState& s);

// ---------------------------------------------------------------- stability

struct StabilityFields {
  std::string N{}, T{}, K{}, a{}, u0{};
  std::string v0{}, Epsilon{};  // Pepsilon only
  bool sourceTicked = false;
  std::string FF{}, NN{};  // Pepsilon only, read when sourceTicked
};

// The required fields are empty ("Saisie incomplète !")?
bool stabilityFieldsEmpty(Scheme scheme, const StabilityFields& f);

struct StabilityResult {
  Outcome failure;          // a refusal (levels == 0) or an overflow (levels kept)
  std::int64_t levels = 0;  // time levels 0 .. levels - 1 hold values
  GridValues grid;          // what the labels show, once levels > 0
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

// The two halves of a consistency window: Tau halved R times at fixed h
// ("Pour h fixé"), or h halved S times at fixed Tau ("Pour Tau fixé").
enum class Half { TimeR, SpaceS };

struct ConsistencyFields {
  std::string N{}, T{}, K{}, a{}, d{}, w{}, phi{}, R{}, S{};
  std::string Epsilon{};  // Pepsilon only
};

// Start of a run up to the running state: StopRequested = false; empty test;
// conversions and stores (R or S as its floor; a number beyond the double
// range is refused first, whatever its sign); R < 0 / S < 0; then the limits
// (R or S above 29, N < 2, K < 1, N or K not whole, 1 + Alpha = 0, tables too
// large). What was stored before a refusal stays stored.
Outcome beginConsistency(StudyState& s, Scheme scheme, Half half, const ConsistencyFields& f);

// SetGrid for the steps as typed (with Alpha for Pepsilon); the window shows
// these values before the refined run starts.
GridValues consistencyGrid(StudyState& s, Scheme scheme);

// What a consistency or error run leaves for its window.
struct RunOutcome {
  bool completed = false;   // false: stopped by a key, or a failure
  Outcome failure;          // an overflow (of a level or of the error); empty when stopped by a key
  std::string line;         // the list line when completed
  GridValues grid;          // the values of the run (after refinement)
  std::int64_t levels = 0;  // time levels of the last scheme run that hold values
  double error = std::numeric_limits<double>::quiet_NaN();  // the error, once computed
};

// Refinement, tables, the run with its source, the error into ErrH(R + 1) or
// ErrT(S + 1) and the line "E" then 2^R, " = " and the error. Tests
// StopRequested at the start of every time step, after hook.atStep(). An error
// beyond the double range is stored as computed but gives no line: the run
// reports it as an overflow naming the error (LineText is left as it was).
RunOutcome runConsistency(StudyState& s, Scheme scheme, Half half, StepHook& hook,
                          std::string_view mark);

struct OrderLine {
  std::string text;
  bool defined = true;    // false: the order could not be computed ("indéfini")
  bool overflow = false;  // its ratio of finite errors left the double range
};

struct OrdersResult {
  std::vector<OrderLine> lines;
  Outcome failure;  // the first order whose ratio overflowed, named
};

// "Calculer les qi" / "Calculer les pi": orders for i = 1 .. R - 1 (or S - 1)
// into OrdQ (OrdP), all computed before the lines are built. An order that
// cannot be computed shows "indéfini" and leaves NaN in its table entry; when
// that is because the ratio of finite errors overflowed, the result also
// carries an overflow failure naming the order.
OrdersResult computeOrders(StudyState& s, Half half, std::string_view mark);

// ------------------------------------------------------------- error study

struct ErrorFields {
  std::string N{}, T{}, K{}, a{}, Epsilon{};
  std::string u0{}, v0{};     // constant data
  std::string d{}, w{}, phi{};  // exact-solution data
  std::string k{};              // TxtR
};

// Start of a run up to the running state: StopRequested = false; the empty
// tests for the selected data; k (beyond the double range, then below 1); the
// stores; then N, K, T, 1 + Alpha and the table budget.
Outcome beginErrorStudy(StudyState& s, const ErrorFields& f, bool exactData);

// Epsilon = Epsilon/R (eps/k stored in its place), then the common grid with
// Alpha: h, Tau, Lambda, Alpha.
GridValues errorStudyGrid(StudyState& s);

// The Pepsilon run with eps/k, a pause, the P0 run on the same grid and data,
// E(k) into ErrH(1) and the line "E(k = " then k, ") = " and E. `exactData`
// is asked again at every place the data option is read (initial rows, each
// step's source). An E(k) beyond the double range is stored but gives no
// line: the run reports it as an overflow naming E(k).
RunOutcome runErrorStudy(StudyState& s, const std::function<bool()>& exactData, StepHook& hook,
                         std::string_view mark);

}  // namespace core
