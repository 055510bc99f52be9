#include "core/studies.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/exact.h"
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

// The whole part of a field (R, S, k), refused when beyond the double range.
Outcome storeWhole(Real& target, const std::string& text, const char* caption) {
  const ParsedNumber p = parseNumber(text);
  if (p.outOfRange) return fail::numberOutOfRange(caption);
  target = wholePart(p.value);
  return {};
}

#define ORV_TRY(expr)                 \
  do {                                \
    if (Outcome o_ = (expr)) return o_; \
  } while (false)

// Work per time step decides how many steps run between two polls of the hook:
// a poll reads the clock, so at small N it must not happen at every step.
void setStrideForWidth(StepHook& hook, std::int64_t columns) {
  hook.setStride(std::clamp<std::int64_t>(65536 / (columns + 1), 1, 4096));
}

double powerOfTwo(double e) { return std::ldexp(1.0, static_cast<int>(e)); }

// Row m holds a value beyond the double range: every study stops there the
// same way. The row is reset to unset, the table remembers that its run ended
// at the row before, and the failure names level m - 1.
Failure stopAtNonFinite(Table2& sol, std::int64_t m) {
  clearRow(sol, m);
  sol.stoppedAfterRow(m - 1);
  return fail::overflow(m - 1);
}

}  // namespace

// ---------------------------------------------------------------- stability

bool stabilityFieldsEmpty(Scheme scheme, const StabilityFields& f) {
  if (anyEmpty({f.N, f.a, f.u0, f.T, f.K})) return true;
  return scheme == Scheme::Peps && anyEmpty({f.v0, f.Epsilon});
}

namespace {

Outcome storeStabilityFields(StudyState& s, Scheme scheme, const StabilityFields& f) {
  ORV_TRY(store(s.N, f.N, "N"));
  ORV_TRY(store(s.T, f.T, "T"));
  ORV_TRY(store(s.K, f.K, "K"));
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
  Table2& sol = peps ? s.SolPeps : s.SolP0;
  if (!(peps ? BuildMatPeps(s) : BuildMatP0(s))) {
    result.failure = fail::outOfMemory();
    return result;
  }
  const std::int64_t columns = loopLast(s.N);
  const std::int64_t lastRow = loopLast(s.K + 1);
  std::int64_t firstComputed = 2;
  if (peps) {
    StartPeps(s);
    firstComputed = 3;
  } else {
    for (std::int64_t i = 1; i <= columns; ++i) s.SolP0(1, i) = s.u0;
  }
  for (std::int64_t m = 1; m <= lastRow; ++m) {
    if (m >= firstComputed) {
      if (peps) {
        AdvancePeps(s, m, f.sourceTicked ? PepsSource::ConstantAtLevel : PepsSource::None);
      } else {
        AdvanceP0(s, m);
      }
    }
    if (!rowFinite(sol, m, s.N)) {
      result.levels = m - 1;
      result.failure = stopAtNonFinite(sol, m);
      return result;
    }
  }
  result.levels = lastRow;
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
  const bool left = half == Half::TimeR;
  s.StopRequested = false;
  if (anyEmpty({f.N, f.a, f.d, f.T, f.K, f.w, f.phi, f.R, f.S})) return fail::emptyField();
  if (peps && isEmptyField(f.Epsilon)) return fail::emptyField();

  ORV_TRY(store(s.N, f.N, "N"));
  ORV_TRY(store(s.T, f.T, "T"));
  ORV_TRY(store(s.K, f.K, "K"));
  ORV_TRY(store(s.a, f.a, "a"));
  ORV_TRY(store(s.d, f.d, "d"));
  ORV_TRY(store(s.w, f.w, "w"));
  ORV_TRY(store(s.phi, f.phi, "phi"));
  Real& count = left ? s.R : s.S;
  ORV_TRY(storeWhole(count, left ? f.R : f.S, left ? "R" : "S"));
  if (peps) ORV_TRY(store(s.Epsilon, f.Epsilon, "Epsilon"));
  if (count < 0) return left ? fail::badR() : fail::badS();

  // What the window itself does not test.
  if (count > 29) return left ? fail::rTooLarge() : fail::sTooLarge();
  ORV_TRY(checkGrid(s.N, s.K));
  if (s.N != std::floor(s.N)) return fail::notWhole("N");
  if (s.K != std::floor(s.K)) return fail::notWhole("K");
  const double scale = powerOfTwo(count);
  const double runN = left ? s.N : (s.N + 1) * scale - 1;
  const double runK = left ? s.K * scale : s.K;
  if (peps) ORV_TRY(checkAlpha(s.T, runK, s.Epsilon));
  return checkTableBudget(runN, runK, 1, left ? "Réduisez R, N ou K." : "Réduisez S, N ou K.",
                          peps ? Recreates::SolPeps : Recreates::SolP0);
}

void consistencyGrid(StudyState& s, Scheme scheme) { SetGrid(s, scheme == Scheme::Peps); }

namespace {

// Discrete L2 norm at the final time against the exact solution, accumulated
// in the table entry itself.
double storeError(StudyState& s, const Table2& sol, double& entry) {
  const std::int64_t last = loopLast(s.N);
  const std::int64_t finalRow = loopLast(s.K + 1);
  entry = 0;
  for (std::int64_t i = 1; i <= last; ++i) {
    const double diff = exactAtT(s, i) - sol(finalRow, i);
    entry = entry + diff * diff;
  }
  entry = std::sqrt(entry * s.h);
  return entry;
}

}  // namespace

RunOutcome runConsistency(StudyState& s, Scheme scheme, Half half, StepHook& hook,
                          std::string_view mark) {
  const bool peps = scheme == Scheme::Peps;
  const bool left = half == Half::TimeR;
  const double count = left ? s.R : s.S;
  const double scale = powerOfTwo(count);
  if (left) {
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
  s.SourceVec.create(0, roundHalfEven(s.N));
  if (!(peps ? BuildMatPeps(s) : BuildMatP0(s))) {
    outcome.failure = fail::outOfMemory();
    return outcome;
  }
  Table2& sol = peps ? s.SolPeps : s.SolP0;
  const std::int64_t columns = loopLast(s.N);
  const std::int64_t lastRow = loopLast(s.K + 1);
  const std::vector<double> factors = spaceFactors(s);
  writeInitialExact(s, sol);
  if (peps) writeSecondExact(s, sol);
  const std::int64_t firstComputed = peps ? 3 : 2;
  for (std::int64_t m = 1; m < firstComputed; ++m) {
    if (!rowFinite(sol, m, s.N)) {
      outcome.failure = stopAtNonFinite(sol, m);
      return outcome;
    }
  }
  setStrideForWidth(hook, columns);
  const std::int64_t total = std::max<std::int64_t>(lastRow - firstComputed + 1, 0);
  // The steps make their source without storing it; SourceVec receives the
  // source of the last step run, whichever way the run ends.
  std::int64_t sourceStep = 0;
  const auto keepLastSource = [&] {
    if (sourceStep == 0) return;
    if (peps) {
      fillSourceFeps(s, sourceStep, factors);
    } else {
      fillSourceF(s, sourceStep, factors);
    }
  };
  for (std::int64_t m = firstComputed; m <= lastRow; ++m) {
    hook.atStep(m - firstComputed, total);
    if (s.StopRequested) {
      keepLastSource();
      sol.stoppedAfterRow(m - 1);
      return outcome;
    }
    if (peps) {
      AdvancePepsSource(s, m, factors, sourceTimeFeps(s, m), false);
    } else {
      AdvanceP0Source(s, m, factors, sourceTimeF(s, m), false);
    }
    sourceStep = m;
    if (!rowFinite(sol, m, s.N)) {
      keepLastSource();
      outcome.failure = stopAtNonFinite(sol, m);
      return outcome;
    }
  }
  keepLastSource();
  Table1& errors = left ? s.ErrH : s.ErrT;
  const double error = storeError(s, sol, errors(static_cast<std::int64_t>(count) + 1));
  s.LineText = "E" + formatFixed(scale, 0, mark) + " = " + formatFixed(error, 10, mark);
  outcome.completed = true;
  outcome.line = s.LineText;
  return outcome;
}

std::vector<OrderLine> computeOrders(StudyState& s, Half half, std::string_view mark) {
  const bool left = half == Half::TimeR;
  const Table1& errors = left ? s.ErrH : s.ErrT;
  Table1& orders = left ? s.OrdQ : s.OrdP;
  const char letter = left ? 'q' : 'p';
  // Entries i + 2 must exist in the (0 To 30) tables.
  const std::int64_t last = std::min<std::int64_t>(loopLast((left ? s.R : s.S) - 1), 28);
  std::vector<bool> defined;
  for (std::int64_t i = 1; i <= last; ++i) {
    const double numerator = errors(i) - errors(i + 1);
    const double denominator = errors(i + 1) - errors(i + 2);
    const double ratio = numerator / denominator;
    const bool ok = denominator != 0 && ratio > 0 && std::isfinite(ratio);
    orders(i) = ok ? std::log(ratio) / std::log(2.0) : std::numeric_limits<double>::quiet_NaN();
    defined.push_back(ok);
  }
  std::vector<OrderLine> lines;
  for (std::int64_t i = 1; i <= last; ++i) {
    const auto e = [&](std::int64_t p) { return "E" + formatFixed(powerOfTwo(static_cast<double>(p)), 0, mark); };
    const bool ok = defined[static_cast<std::size_t>(i - 1)];
    std::string text = std::string(1, letter) + formatFixed(static_cast<double>(i), 0, mark) +
                       " = " + "Ln((" + e(i - 1) + " - " + e(i) + ")/(" + e(i) + " - " +
                       e(i + 1) + "))/Ln2" + " = " +
                       (ok ? formatFixed(orders(i), 4, mark) : std::string("indéfini"));
    s.LineText = text;
    lines.push_back({std::move(text), ok});
  }
  return lines;
}

// ------------------------------------------------------------- error study

Outcome beginErrorStudy(StudyState& s, const ErrorFields& f, bool exactData) {
  s.StopRequested = false;
  if (anyEmpty({f.N, f.a, f.T, f.K, f.Epsilon})) return fail::emptyField();
  if (exactData ? anyEmpty({f.d, f.w, f.phi}) : anyEmpty({f.u0, f.v0})) return fail::emptyField();
  const ParsedNumber k = parseNumber(f.k);
  if (k.value < 1) return fail::badDivisorK();
  if (k.outOfRange) return fail::numberOutOfRange("k");

  ORV_TRY(store(s.N, f.N, "N"));
  ORV_TRY(store(s.T, f.T, "T"));
  ORV_TRY(store(s.K, f.K, "K"));
  if (exactData) {
    ORV_TRY(store(s.d, f.d, "d"));
    ORV_TRY(store(s.w, f.w, "w"));
    ORV_TRY(store(s.phi, f.phi, "phi"));
  } else {
    ORV_TRY(store(s.u0, f.u0, "u0"));
    ORV_TRY(store(s.v0, f.v0, "v0"));
  }
  ORV_TRY(store(s.a, f.a, "a"));
  ORV_TRY(store(s.Epsilon, f.Epsilon, "Epsilon"));
  s.R = wholePart(k.value);

  ORV_TRY(checkGrid(s.N, s.K));
  if (s.N != std::floor(s.N)) return fail::notWhole("N");
  if (s.K != std::floor(s.K)) return fail::notWhole("K");
  ORV_TRY(checkAlpha(s.T, s.K, s.Epsilon / s.R));
  return checkTableBudget(s.N, s.K, 2);
}

void errorStudyGrid(StudyState& s) {
  s.h = 1 / (s.N + 1);
  s.Tau = s.T / s.K;
  s.Epsilon = s.Epsilon / s.R;
  s.Lambda = (s.Tau * s.a) / (s.h * s.h);
  s.Alpha = s.Epsilon / s.Tau;
}

RunOutcome runErrorStudy(StudyState& s, const std::function<bool()>& exactData, StepHook& hook,
                         std::string_view mark) {
  RunOutcome outcome;
  const std::int64_t columns = loopLast(s.N);
  const std::int64_t lastRow = loopLast(s.K + 1);
  const std::int64_t pepsSteps = std::max<std::int64_t>(lastRow - 2, 0);
  const std::int64_t total = pepsSteps + std::max<std::int64_t>(lastRow - 1, 0);
  setStrideForWidth(hook, columns);

  // Pepsilon with eps/k.
  s.SourceVec.create(0, roundHalfEven(s.N));
  if (!BuildMatPeps(s)) {
    outcome.failure = fail::outOfMemory();
    return outcome;
  }
  const std::vector<double> factors = spaceFactors(s);
  if (exactData()) {
    writeInitialExact(s, s.SolPeps);
    writeSecondExact(s, s.SolPeps);
  } else {
    StartPeps(s);
  }
  for (std::int64_t m = 1; m <= std::min<std::int64_t>(2, lastRow); ++m) {
    if (!rowFinite(s.SolPeps, m, s.N)) {
      outcome.failure = stopAtNonFinite(s.SolPeps, m);
      return outcome;
    }
  }
  for (std::int64_t m = 3; m <= lastRow; ++m) {
    hook.atStep(m - 3, total);
    if (s.StopRequested) {
      s.SolPeps.stoppedAfterRow(m - 1);
      return outcome;
    }
    if (exactData()) {
      AdvancePepsSource(s, m, factors, sourceTimeFeps(s, m));
    } else {
      for (std::int64_t i = 1; i <= columns; ++i) s.SourceVec(i) = 0;
      AdvancePeps(s, m, PepsSource::Vector);
    }
    if (!rowFinite(s.SolPeps, m, s.N)) {
      outcome.failure = stopAtNonFinite(s.SolPeps, m);
      return outcome;
    }
  }
  hook.yieldOnce();

  // P0 on the same grid and data.
  s.SourceVec.create(0, roundHalfEven(s.N));
  if (!BuildMatP0(s)) {
    outcome.failure = fail::outOfMemory();
    return outcome;
  }
  const bool exactStart = exactData();
  for (std::int64_t i = 1; i <= columns; ++i) {
    s.SolP0(1, i) = exactStart ? std::cos(s.phi) * factors[static_cast<std::size_t>(i)] : s.u0;
  }
  for (std::int64_t m = 2; m <= lastRow; ++m) {
    hook.atStep(pepsSteps + m - 2, total);
    if (s.StopRequested) {
      s.SolP0.stoppedAfterRow(m - 1);
      return outcome;
    }
    if (exactData()) {
      AdvanceP0Source(s, m, factors, sourceTimeF(s, m));
    } else {
      for (std::int64_t i = 1; i <= columns; ++i) s.SourceVec(i) = 0;
      AdvanceP0(s, m, true);
    }
    if (!rowFinite(s.SolP0, m, s.N)) {
      outcome.failure = stopAtNonFinite(s.SolP0, m);
      return outcome;
    }
  }

  double& entry = s.ErrH(1);
  entry = 0;
  for (std::int64_t i = 1; i <= columns; ++i) {
    const double diff = s.SolP0(lastRow, i) - s.SolPeps(lastRow, i);
    entry = entry + diff * diff;
  }
  entry = std::sqrt(s.h * entry);
  s.LineText = "";
  s.LineText = "E(k = " + formatFixed(s.R, 0, mark) + ") = " + formatFixed(entry, 10, mark);
  outcome.completed = true;
  outcome.line = s.LineText;
  return outcome;
}

}  // namespace core
