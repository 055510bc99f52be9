#include "core/studies.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>

#include "core/exact.h"
#include "core/level_loop.h"
#include "core/numeric.h"
#include "core/schemes.h"

namespace core {

namespace {

// Converts a field by the number-prefix rule into `target`; a number beyond
// the double range is refused and leaves the target as it was.
Outcome store(Real& target, const std::string& text, const char* caption) {
  const ParsedNumber p = parseNumber(text);
  if (p.outOfRange) return fail::numberOutOfRange(caption);
  target = p.value;
  return {};
}

// The floor of a field (R, S), refused when beyond the double range.
Outcome storeFloor(Real& target, const std::string& text, const char* caption) {
  const ParsedNumber p = parseNumber(text);
  if (p.outOfRange) return fail::numberOutOfRange(caption);
  target = floorOf(p.value);
  return {};
}

#define ORV_TRY(expr)                   \
  do {                                  \
    if (Outcome o_ = (expr)) return o_; \
  } while (false)

// Work per time step decides how many steps run between two polls of the hook:
// a poll reads the clock, so at small N it must not happen at every step.
void setStrideForWidth(StepHook& hook, std::int64_t columns) {
  hook.setStride(std::clamp<std::int64_t>(65536 / (columns + 1), 1, 4096));
}

double powerOfTwo(double e) { return std::ldexp(1.0, static_cast<int>(e)); }

// Where a run's source comes from.
enum class Source {
  None,             // stability P0; Pepsilon without the box ticked
  ConstantAtLevel,  // Pepsilon stability: FF added at level NN only
  ExactLastKept,    // consistency: f or feps, SourceVec written for the last step only
  ErrorStudyData,   // error study: f or feps, or a zero SourceVec, as the data option says
};

// A scheme's step, its table and its first computed row, behind the loop's
// Stepper: the studies name the scheme and the source once, here.
class SchemeStepper final : public Stepper {
 public:
  SchemeStepper(StudyState& s, Scheme scheme, Source source,
                const std::vector<double>* factors = nullptr,
                const std::function<bool()>* exactData = nullptr)
      : s_(s),
        peps_(scheme == Scheme::Peps),
        source_(source),
        factors_(factors),
        exactData_(exactData) {}

  Table2& table() { return peps_ ? s_.SolPeps : s_.SolP0; }
  // Builds the band matrix and the table, then prepares the step on them.
  bool build() {
    if (!(peps_ ? BuildMatPeps(s_) : BuildMatP0(s_))) return false;
    step_.emplace(s_, peps_);
    return true;
  }
  std::int64_t firstStep() const { return peps_ ? 3 : 2; }
  int depth() const override { return peps_ ? 2 : 1; }

  bool invariantStep(std::int64_t m) override {
    switch (source_) {
      case Source::None:
        return true;
      case Source::ConstantAtLevel:
        return !(peps_ && sourceLevel(m));
      case Source::ExactLastKept:
        return false;
      case Source::ErrorStudyData:
        exactNow_ = (*exactData_)();
        return !exactNow_;
    }
    return false;
  }

  StepFacts step(std::int64_t m) override {
    switch (source_) {
      case Source::None:
        break;
      case Source::ConstantAtLevel:
        if (peps_ && sourceLevel(m)) {
          AdvancePeps(s_, m, PepsSource::ConstantAtLevel);
          return {finiteColumns(s_.SolPeps.row(m), loopLast(s_.N)), true};
        }
        break;
      case Source::ExactLastKept:
        return exactStep(m, false);
      case Source::ErrorStudyData: {
        if (exactNow_) return exactStep(m, true);
        double* f = sourceValues(s_);
        for (std::int64_t i = 1, last = loopLast(s_.N); i <= last; ++i) f[i] = 0;
        return step_->advance(m, f);
      }
    }
    return step_->advance(m, nullptr);
  }

  // Without a source, every step is the time-invariant one.
  bool runsInBatches() const override { return source_ == Source::None; }
  std::pair<std::int64_t, StepFacts> stepRun(std::int64_t m, std::int64_t last) override {
    if (source_ != Source::None) return {m, step(m)};
    return step_->advanceRun(m, last);
  }

  // The consistency steps make their source without storing it; SourceVec
  // receives the source of the last step run, whichever way the run ends.
  void finish(std::int64_t lastStep) override {
    if (source_ != Source::ExactLastKept || lastStep < firstStep()) return;
    if (peps_) {
      fillSourceFeps(s_, lastStep, *factors_);
    } else {
      fillSourceF(s_, lastStep, *factors_);
    }
  }

 private:
  // The constant source enters the step that makes row NN + 1 (16-bit sum).
  bool sourceLevel(std::int64_t m) const {
    return static_cast<std::int16_t>(static_cast<std::int16_t>(s_.NN) + 1) == m;
  }
  StepFacts exactStep(std::int64_t m, bool keepSource) {
    const double g = peps_ ? sourceTimeFeps(s_, m) : sourceTimeF(s_, m);
    return step_->advanceSource(m, *factors_, g, keepSource);
  }

  StudyState& s_;
  bool peps_;
  Source source_;
  const std::vector<double>* factors_;
  const std::function<bool()>* exactData_;
  bool exactNow_ = false;
  std::optional<LevelStep> step_;
};

}  // namespace

// ---------------------------------------------------------------- stability

bool stabilityFieldsEmpty(Scheme scheme, const StabilityFields& f) {
  if (anyEmpty({f.N, f.a, f.u0, f.T, f.K})) return true;
  return scheme == Scheme::Peps && anyEmpty({f.v0, f.Epsilon});
}

namespace {

struct Target {
  Real& value;
  const std::string& text;
  const char* caption;
};

// Stores the fields in turn; what was stored before a refusal stays stored.
Outcome store(std::initializer_list<Target> targets) {
  for (const Target& t : targets) ORV_TRY(store(t.value, t.text, t.caption));
  return {};
}

// N, T and K, in this order: the first fields every study stores.
template <class Fields>
Outcome storeGrid(StudyState& s, const Fields& f) {
  return store({{s.N, f.N, "N"}, {s.T, f.T, "T"}, {s.K, f.K, "K"}});
}

// d, w and phi, in this order: the data of the exact solution.
template <class Fields>
Outcome storeExactData(StudyState& s, const Fields& f) {
  return store({{s.d, f.d, "d"}, {s.w, f.w, "w"}, {s.phi, f.phi, "phi"}});
}

Outcome storeStabilityFields(StudyState& s, Scheme scheme, const StabilityFields& f) {
  ORV_TRY(storeGrid(s, f));
  ORV_TRY(store(s.a, f.a, "a"));
  ORV_TRY(store(s.u0, f.u0, "u0"));
  if (scheme == Scheme::P0) return {};
  ORV_TRY(store(s.v0, f.v0, "v0"));
  ORV_TRY(store(s.Epsilon, f.Epsilon, "Epsilon"));
  if (f.sourceTicked) {
    ORV_TRY(store(s.FF, f.FF, "f"));
    const ParsedNumber nn = parseNumber(f.NN);
    const std::int64_t level = roundHalfEven(nn.value);
    if (nn.outOfRange || level < -32768 || level > 32766) return fail::nnOutOfRange();
    s.NN = static_cast<std::int16_t>(level);
  }
  return {};
}

}  // namespace

GridValues gridValues(const StudyState& s) { return {s.h, s.Tau, s.Lambda, s.Alpha}; }

StabilityResult runStability(StudyState& s, Scheme scheme, const StabilityFields& f) {
  StabilityResult result;
  const bool peps = scheme == Scheme::Peps;
  result.failure = storeStabilityFields(s, scheme, f);
  if (!result.failure) result.failure = checkGrid(s.N, s.K);
  if (!result.failure && peps) result.failure = checkAlpha(s.T, s.K, s.Epsilon);
  if (!result.failure)
    result.failure = checkTableBudget(s.N, s.K, 1, "Réduisez N ou K.",
                                      peps ? Recreates::SolPeps : Recreates::SolP0);
  if (result.failure) return result;

  SetGrid(s, peps);
  result.grid = gridValues(s);
  SchemeStepper stepper(s, scheme, peps && f.sourceTicked ? Source::ConstantAtLevel : Source::None);
  if (!stepper.build()) {
    result.failure = fail::outOfMemory();
    return result;
  }
  if (peps) {
    StartPeps(s);
  } else {
    for (std::int64_t i = 1, columns = loopLast(s.N); i <= columns; ++i) s.SolP0(1, i) = s.u0;
  }
  LevelLoop loop;
  loop.sol = &stepper.table();
  loop.N = s.N;
  loop.firstStep = stepper.firstStep();
  loop.lastRow = loopLast(s.K + 1);
  const LevelRun run = advanceLevels(loop, stepper);
  result.levels = run.lastRow;
  result.failure = run.failure;
  return result;
}

std::string stabilityHeaderLine(double h, std::int64_t columns, std::string_view mark) {
  std::string line = "x =   ";
  for (std::int64_t i = 1; i <= columns; ++i) {
    line += " # ";
    line += formatFixed(h * static_cast<double>(i), 2, mark);
  }
  return line;
}

std::string stabilityValues(const double* values, std::int64_t columns, std::string_view mark) {
  std::string text;
  text.reserve(static_cast<std::size_t>(columns) * 8);
  for (std::int64_t i = 0; i < columns; ++i) {
    text += " # ";
    text += formatFixed(values[i], 2, mark);
  }
  return text;
}

std::string stabilityLevelLine(std::int64_t level, const double* values, std::int64_t columns,
                               std::string_view mark) {
  return "n= " + formatPlain(static_cast<double>(level), mark) + " " +
         stabilityValues(values, columns, mark);
}

// -------------------------------------------------------------- consistency

Outcome beginConsistency(StudyState& s, Scheme scheme, Half half, const ConsistencyFields& f) {
  const bool peps = scheme == Scheme::Peps;
  const bool inTime = half == Half::TimeR;
  s.StopRequested = false;
  if (anyEmpty({f.N, f.a, f.d, f.T, f.K, f.w, f.phi, f.R, f.S})) return fail::emptyField();
  if (peps && isEmptyField(f.Epsilon)) return fail::emptyField();

  ORV_TRY(storeGrid(s, f));
  ORV_TRY(store(s.a, f.a, "a"));
  ORV_TRY(storeExactData(s, f));
  Real& count = inTime ? s.R : s.S;
  ORV_TRY(storeFloor(count, inTime ? f.R : f.S, inTime ? "R" : "S"));
  if (peps) ORV_TRY(store(s.Epsilon, f.Epsilon, "Epsilon"));
  if (count < 0) return inTime ? fail::badR() : fail::badS();

  // What the window itself does not test.
  if (count > 29) return inTime ? fail::rTooLarge() : fail::sTooLarge();
  ORV_TRY(checkGrid(s.N, s.K));
  if (s.N != std::floor(s.N)) return fail::notWhole("N");
  if (s.K != std::floor(s.K)) return fail::notWhole("K");
  const double scale = powerOfTwo(count);
  const double runN = inTime ? s.N : (s.N + 1) * scale - 1;
  const double runK = inTime ? s.K * scale : s.K;
  if (peps) ORV_TRY(checkAlpha(s.T, runK, s.Epsilon));
  return checkTableBudget(runN, runK, 1, inTime ? "Réduisez R, N ou K." : "Réduisez S, N ou K.",
                          peps ? Recreates::SolPeps : Recreates::SolP0);
}

GridValues consistencyGrid(StudyState& s, Scheme scheme) {
  SetGrid(s, scheme == Scheme::Peps);
  return gridValues(s);
}

namespace {

// The discrete L2 norm sqrt(Σ (a(i) - b(i))² · h), i = 1 .. floor(N),
// accumulated in the table entry that keeps it.
template <class A, class B>
double storeNorm(const StudyState& s, double& entry, const A& a, const B& b) {
  const std::int64_t last = loopLast(s.N);
  entry = 0;
  for (std::int64_t i = 1; i <= last; ++i) {
    const double diff = a(i) - b(i);
    entry = entry + diff * diff;
  }
  entry = std::sqrt(entry * s.h);
  return entry;
}

// The loop of a long study's run: every row up to floor(K + 1), the hook's
// stride for the row width, the stop flag.
LevelLoop longLoop(StudyState& s, StepHook& hook) {
  LevelLoop loop;
  loop.N = s.N;
  loop.lastRow = loopLast(s.K + 1);
  loop.hook = &hook;
  loop.stop = &s.StopRequested;
  setStrideForWidth(hook, loopLast(s.N));
  return loop;
}

// One scheme's run: the source row and the stepper's tables made (or the
// memory refusal), the first levels written by `start`, then every step.
// `outcome` takes the levels reached and any failure; true when the run
// reached its last row.
bool runLevels(StudyState& s, SchemeStepper& stepper, LevelLoop& loop, RunOutcome& outcome,
               const std::function<void()>& start) {
  s.SourceVec.create(0, roundHalfEven(s.N));
  if (!stepper.build()) {
    outcome.failure = fail::outOfMemory();
    return false;
  }
  start();
  loop.sol = &stepper.table();
  loop.firstStep = stepper.firstStep();
  const LevelRun run = advanceLevels(loop, stepper);
  outcome.levels = run.lastRow;
  outcome.failure = run.failure;
  return run.completed();
}

// A run that reached its last row: its error as the list line `name = E`,
// or the overflow refusal when the error left the double range.
void finishWithError(StudyState& s, RunOutcome& outcome, double error, const std::string& name,
                     std::string_view mark) {
  outcome.error = error;
  if (!std::isfinite(error)) {
    outcome.failure = fail::errorOverflow(name);
    return;
  }
  s.LineText = name + " = " + formatFixed(error, 10, mark);
  outcome.completed = true;
  outcome.line = s.LineText;
}

}  // namespace

RunOutcome runConsistency(StudyState& s, Scheme scheme, Half half, StepHook& hook,
                          std::string_view mark) {
  const bool peps = scheme == Scheme::Peps;
  const bool inTime = half == Half::TimeR;
  const double count = inTime ? s.R : s.S;
  const double scale = powerOfTwo(count);
  if (inTime) {
    s.Tau = s.Tau / scale;
    s.K = s.K * scale;
    if (peps) s.Alpha = s.Epsilon / s.Tau;
    s.Lambda = s.a * s.Tau / (s.h * s.h);
  } else {
    s.h = s.h / scale;
    s.N = (s.N + 1) * scale - 1;
    s.Lambda = s.a * s.Tau / (s.h * s.h);
  }
  RunOutcome outcome;
  outcome.grid = gridValues(s);
  std::vector<double> factors;
  SchemeStepper stepper(s, scheme, Source::ExactLastKept, &factors);
  LevelLoop loop = longLoop(s, hook);
  loop.total = std::max<std::int64_t>(loop.lastRow - stepper.firstStep() + 1, 0);
  const bool completed = runLevels(s, stepper, loop, outcome, [&] {
    factors = spaceFactors(s);
    writeInitialExact(s, stepper.table());
    if (peps) writeSecondExact(s, stepper.table());
  });
  if (!completed) return outcome;

  const Table2& sol = stepper.table();
  Table1& errors = inTime ? s.ErrH : s.ErrT;
  const double error = storeNorm(
      s, errors(static_cast<std::int64_t>(count) + 1),
      [&](std::int64_t i) { return exactAtT(s, i); },
      [&](std::int64_t i) { return sol(loop.lastRow, i); });
  finishWithError(s, outcome, error, "E" + formatFixed(scale, 0, mark), mark);
  return outcome;
}

OrdersResult computeOrders(StudyState& s, Half half, std::string_view mark) {
  const bool inTime = half == Half::TimeR;
  const Table1& errors = inTime ? s.ErrH : s.ErrT;
  Table1& orders = inTime ? s.OrdQ : s.OrdP;
  const char letter = inTime ? 'q' : 'p';
  // Entries i + 2 must exist in the (0 To 30) tables.
  const std::int64_t last = std::min<std::int64_t>(loopLast((inTime ? s.R : s.S) - 1), 28);
  OrdersResult result;
  std::vector<bool> defined, overflow;
  for (std::int64_t i = 1; i <= last; ++i) {
    const double numerator = errors(i) - errors(i + 1);
    const double denominator = errors(i + 1) - errors(i + 2);
    const double ratio = numerator / denominator;
    const bool ok = denominator != 0 && ratio > 0 && std::isfinite(ratio);
    // Finite errors whose ratio leaves the double range: named as an overflow.
    const bool over = denominator != 0 && std::isinf(ratio) && std::isfinite(numerator) &&
                      std::isfinite(denominator);
    orders(i) = ok ? std::log(ratio) / std::log(2.0) : std::numeric_limits<double>::quiet_NaN();
    defined.push_back(ok);
    overflow.push_back(over);
    if (over && !result.failure) result.failure = fail::orderOverflow(letter, i);
  }
  for (std::int64_t i = 1; i <= last; ++i) {
    const auto e = [&](std::int64_t p) {
      return "E" + formatFixed(powerOfTwo(static_cast<double>(p)), 0, mark);
    };
    const bool ok = defined[static_cast<std::size_t>(i - 1)];
    std::string text = std::string(1, letter) + formatFixed(static_cast<double>(i), 0, mark) +
                       " = " + "Ln((" + e(i - 1) + " - " + e(i) + ")/(" + e(i) + " - " + e(i + 1) +
                       "))/Ln2" + " = " +
                       (ok ? formatFixed(orders(i), 4, mark) : std::string("indéfini"));
    s.LineText = text;
    result.lines.push_back({std::move(text), ok, overflow[static_cast<std::size_t>(i - 1)]});
  }
  return result;
}

// ------------------------------------------------------------- error study

Outcome beginErrorStudy(StudyState& s, const ErrorFields& f, bool exactData) {
  s.StopRequested = false;
  if (anyEmpty({f.N, f.a, f.T, f.K, f.Epsilon})) return fail::emptyField();
  if (exactData ? anyEmpty({f.d, f.w, f.phi}) : anyEmpty({f.u0, f.v0})) return fail::emptyField();
  // A number beyond the double range is refused as such whatever its sign,
  // as every other field is; then k below 1.
  const ParsedNumber k = parseNumber(f.k);
  if (k.outOfRange) return fail::numberOutOfRange("k");
  if (k.value < 1) return fail::badDivisorK();

  ORV_TRY(storeGrid(s, f));
  if (exactData) {
    ORV_TRY(storeExactData(s, f));
  } else {
    ORV_TRY(store(s.u0, f.u0, "u0"));
    ORV_TRY(store(s.v0, f.v0, "v0"));
  }
  ORV_TRY(store(s.a, f.a, "a"));
  ORV_TRY(store(s.Epsilon, f.Epsilon, "Epsilon"));
  s.R = floorOf(k.value);  // the study keeps its divisor k in R
  const double divisor = s.R;

  ORV_TRY(checkGrid(s.N, s.K));
  if (s.N != std::floor(s.N)) return fail::notWhole("N");
  if (s.K != std::floor(s.K)) return fail::notWhole("K");
  ORV_TRY(checkAlpha(s.T, s.K, s.Epsilon / divisor));
  return checkTableBudget(s.N, s.K, 2);
}

GridValues errorStudyGrid(StudyState& s) {
  const double k = s.R;  // the divisor k, kept in R
  s.Epsilon = s.Epsilon / k;
  SetGrid(s, true);
  return gridValues(s);
}

RunOutcome runErrorStudy(StudyState& s, const std::function<bool()>& exactData, StepHook& hook,
                         std::string_view mark) {
  RunOutcome outcome;
  outcome.grid = gridValues(s);
  const std::int64_t columns = loopLast(s.N);
  LevelLoop loop = longLoop(s, hook);
  const std::int64_t pepsSteps = std::max<std::int64_t>(loop.lastRow - 2, 0);
  loop.total = pepsSteps + std::max<std::int64_t>(loop.lastRow - 1, 0);

  // Pepsilon with eps/k.
  std::vector<double> factors;
  SchemeStepper peps(s, Scheme::Peps, Source::ErrorStudyData, &factors, &exactData);
  if (!runLevels(s, peps, loop, outcome, [&] {
        factors = spaceFactors(s);
        if (exactData()) {
          writeInitialExact(s, s.SolPeps);
          writeSecondExact(s, s.SolPeps);
        } else {
          StartPeps(s);
        }
      }))
    return outcome;
  hook.yieldOnce();

  // P0 on the same grid and data.
  SchemeStepper p0(s, Scheme::P0, Source::ErrorStudyData, &factors, &exactData);
  loop.doneBefore = pepsSteps;
  if (!runLevels(s, p0, loop, outcome, [&] {
        const bool exactStart = exactData();
        for (std::int64_t i = 1; i <= columns; ++i)
          s.SolP0(1, i) =
              exactStart ? std::cos(s.phi) * factors[static_cast<std::size_t>(i)] : s.u0;
      }))
    return outcome;

  const double error = storeNorm(
      s, s.ErrH(1), [&](std::int64_t i) { return s.SolP0(loop.lastRow, i); },
      [&](std::int64_t i) { return s.SolPeps(loop.lastRow, i); });
  const double k = s.R;  // the divisor k, kept in R
  finishWithError(s, outcome, error, "E(k = " + formatFixed(k, 0, mark) + ")", mark);
  return outcome;
}

}  // namespace core
