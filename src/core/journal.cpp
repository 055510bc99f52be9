#include "core/journal.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace core {

double JournalEntry::step() const {
  switch (study) {
    case Study::ConsistencyTime:
      return Tau;
    case Study::ConsistencySpace:
      return h;
    case Study::Error:
      return Epsilon;
    case Study::Stability:
      break;
  }
  return 0;
}

namespace {

bool sameStudy(const JournalEntry& e, Study study, Scheme scheme) {
  return e.study == study && (study == Study::Error || e.scheme == scheme);
}

// The divisor of a consistency run's finest grid: 2^R of Tau, or 2^S of h.
double finestDivisor(const StudyState& s, Study study) {
  return std::ldexp(1.0, static_cast<int>(study == Study::ConsistencyTime ? s.R : s.S));
}

// The fields as typed. The halvings scale exactly by powers of two, so the
// typed N and K come back bit for bit; the error study's Epsilon comes back
// as (eps/k)·k, within an ulp or two of the typed value.
std::vector<double> typedData(const StudyState& s, Study study, Scheme scheme, bool exactData) {
  switch (study) {
    case Study::ConsistencyTime:
    case Study::ConsistencySpace: {
      const double scale = finestDivisor(s, study);
      const bool inTime = study == Study::ConsistencyTime;
      const double N = inTime ? double(s.N) : (s.N + 1) / scale - 1;
      const double K = inTime ? s.K / scale : double(s.K);
      return {N, s.T, K, s.a, s.d, s.w, s.phi, scheme == Scheme::Peps ? double(s.Epsilon) : 0.0};
    }
    case Study::Error:
      return {s.N,
              s.T,
              s.K,
              s.a,
              s.Epsilon * s.R,
              exactData ? 1.0 : 0.0,
              exactData ? double(s.d) : double(s.u0),
              exactData ? double(s.w) : double(s.v0),
              exactData ? double(s.phi) : 0.0};
    case Study::Stability:
      break;
  }
  return {};
}

bool sameData(const std::vector<double>& a, const std::vector<double>& b, Study study) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    // Epsilon of the error study (index 4) is the one value not kept exactly.
    const bool rebuilt = study == Study::Error && i == 4;
    if (rebuilt ? !(std::fabs(a[i] - b[i]) <= 4e-16 * std::fabs(b[i])) : a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

void Journal::recordRun(const StudyState& s, Study study, Scheme scheme, bool completed,
                        bool exactData) {
  ++revision_;
  auto note = [&](TableWriter& w, Scheme table) {
    w.known = true;
    w.study = study;
    w.exactData = study == Study::ConsistencyTime || study == Study::ConsistencySpace ||
                  (study == Study::Error && exactData);
    w.completed = completed;
    w.N = s.N;
    w.K = s.K;
    w.h = s.h;
    w.Tau = s.Tau;
    w.T = s.T;
    w.d = s.d;
    w.w = s.w;
    w.phi = s.phi;
    w.Pi = s.Pi;
    w.a = s.a;
    w.Lambda = s.Lambda;
    w.Alpha = table == Scheme::P0 ? 0.0 : double(s.Alpha);
    // Consistency and error runs always add a source; a stability run only
    // with its option (recordStabilityRun says so).
    w.source = study != Study::Stability;
    w.serial = revision_;
  };
  if (study == Study::Error) {
    note(writerP0_, Scheme::P0);
    note(writerPeps_, Scheme::Peps);
  } else {
    note(scheme == Scheme::P0 ? writerP0_ : writerPeps_, scheme);
  }
  if (!completed || study == Study::Stability) return;

  JournalEntry e;
  e.study = study;
  e.scheme = study == Study::Error ? Scheme::Peps : scheme;
  e.N = s.N;
  e.K = s.K;
  e.h = s.h;
  e.Tau = s.Tau;
  e.Epsilon = s.Epsilon;
  e.serial = revision_;
  e.base = typedData(s, study, e.scheme, exactData);
  const auto last = std::find_if(entries_.rbegin(), entries_.rend(), [&](const JournalEntry& x) {
    return sameStudy(x, study, e.scheme);
  });
  e.seriesNumber = last != entries_.rend() && sameData(last->base, e.base, study)
                       ? last->seriesNumber
                       : ++seriesCount_;
  auto entry = [](const Table1& t, double i) {
    const auto k = static_cast<std::int64_t>(i);
    return t.contains(k) ? t(k) : 0.0;
  };
  switch (study) {
    case Study::ConsistencyTime:
    case Study::ConsistencySpace:
      // The error of the finest grid.
      e.divisor = finestDivisor(s, study);
      e.error = study == Study::ConsistencyTime ? entry(s.ErrH, s.R + 1) : entry(s.ErrT, s.S + 1);
      break;
    case Study::Error:
      e.divisor = s.R;
      e.error = entry(s.ErrH, 1);
      break;
    case Study::Stability:
      break;
  }
  entries_.push_back(e);
}

namespace {

double largestMagnitude(const Table2& t, std::int64_t row, std::int64_t points) {
  double top = 0;
  const double* v = t.row(row);
  for (std::int64_t i = 1; i <= points; ++i) top = std::max(top, std::fabs(v[i]));
  return top;
}

}  // namespace

void Journal::recordStabilityRun(const StudyState& s, Scheme scheme, bool sourceTicked) {
  recordRun(s, Study::Stability, scheme, true);
  const Table2& t = scheme == Scheme::P0 ? s.SolP0 : s.SolPeps;
  if (!t.exists() || t.lastRowReached() < 1) return;
  StabilityRunFacts f;
  f.scheme = scheme;
  f.Lambda = s.Lambda;
  f.Alpha = scheme == Scheme::P0 ? 0.0 : double(s.Alpha);
  f.N = t.colUpper();
  f.steps = t.rowUpper() - 1;
  const std::int64_t last = std::min(t.lastRowReached(), t.rowUpper());
  f.overflowed = last < t.rowUpper();
  // The starting levels: level 0, level 1 for Pepsilon, and the level that
  // received the constant source.
  const std::int64_t starts = scheme == Scheme::P0 ? 1 : 2;
  for (std::int64_t r = 1; r <= std::min(starts, last); ++r)
    f.startLargest = std::max(f.startLargest, largestMagnitude(t, r, f.N));
  const std::int64_t sourceRow = static_cast<std::int64_t>(s.NN) + 1;
  const bool source = scheme == Scheme::Peps && sourceTicked && sourceRow >= 3 && sourceRow <= last;
  if (source) f.startLargest = std::max(f.startLargest, largestMagnitude(t, sourceRow, f.N));
  f.lastLargest = largestMagnitude(t, last, f.N);
  (scheme == Scheme::P0 ? writerP0_ : writerPeps_).source = source;
  stabilityRuns_.push_back({f, stabilityColour(f)});
}

void Journal::clearSeries(Study study, Scheme scheme) {
  const auto before = entries_.size();
  std::erase_if(entries_, [&](const JournalEntry& e) { return sameStudy(e, study, scheme); });
  if (entries_.size() != before) ++revision_;
}

void Journal::noteSession(SessionRun run) {
  session_.push_back(std::move(run));
  ++revision_;
}

void Journal::clear() {
  entries_.clear();
  session_.clear();
  stabilityRuns_.clear();
  writerP0_ = writerPeps_ = TableWriter();
  ++revision_;  // never back to a value a reader has already seen
}

std::vector<JournalEntry> Journal::series(Study study, Scheme scheme) const {
  std::vector<JournalEntry> out;
  const auto last = std::find_if(entries_.rbegin(), entries_.rend(), [&](const JournalEntry& e) {
    return sameStudy(e, study, scheme);
  });
  if (last == entries_.rend()) return out;
  for (const JournalEntry& e : entries_)
    if (e.seriesNumber == last->seriesNumber) out.push_back(e);
  return out;
}

std::vector<TypedValue> typedValues(const StabilityFields& f, Scheme scheme) {
  std::vector<TypedValue> out{{"N", f.N}, {"T", f.T}, {"K", f.K}, {"a", f.a}, {"u0", f.u0}};
  if (scheme == Scheme::P0) return out;
  out.insert(out.end(), {{"v0", f.v0}, {"Epsilon", f.Epsilon}});
  if (f.sourceTicked) out.insert(out.end(), {{"FF", f.FF}, {"NN", f.NN}});
  return out;
}

std::vector<TypedValue> typedValues(const ConsistencyFields& f, Scheme scheme, bool timeR) {
  std::vector<TypedValue> out{
      {"N", f.N}, {"T", f.T}, {"K", f.K},     {"a", f.a},
      {"d", f.d}, {"w", f.w}, {"phi", f.phi}, timeR ? TypedValue{"R", f.R} : TypedValue{"S", f.S}};
  if (scheme == Scheme::Peps) out.push_back({"Epsilon", f.Epsilon});
  return out;
}

std::vector<TypedValue> typedValues(const ErrorFields& f, bool exactData) {
  std::vector<TypedValue> out{
      {"N", f.N}, {"T", f.T}, {"K", f.K}, {"a", f.a}, {"Epsilon", f.Epsilon}};
  if (exactData)
    out.insert(out.end(), {{"d", f.d}, {"w", f.w}, {"phi", f.phi}});
  else
    out.insert(out.end(), {{"u0", f.u0}, {"v0", f.v0}});
  out.push_back({"k", f.k});
  return out;
}

std::vector<BaseValue> baseValues(const JournalEntry& e) {
  static const char* const consistency[] = {"N", "T", "K", "a", "d", "w", "phi", "Epsilon"};
  static const char* const exactNames[] = {"N", "T", "K", "a", "Epsilon", "", "d", "w", "phi"};
  static const char* const startNames[] = {"N", "T", "K", "a", "Epsilon", "", "u0", "v0", ""};
  std::vector<BaseValue> out;
  const bool error = e.study == Study::Error;
  const bool exact = error && e.base.size() > 5 && e.base[5] != 0;
  for (std::size_t i = 0; i < e.base.size(); ++i) {
    const char* name = !error ? consistency[i] : exact ? exactNames[i] : startNames[i];
    if (*name == 0 || (!error && i == 7 && e.scheme == Scheme::P0)) continue;
    out.push_back({name, e.base[i]});
  }
  return out;
}

LogLogFit fitLogLog(const std::vector<double>& steps, const std::vector<double>& errors) {
  std::vector<double> xs, ys;
  for (std::size_t i = 0; i < std::min(steps.size(), errors.size()); ++i) {
    const double x = steps[i], y = errors[i];
    if (!(x > 0) || !(y > 0) || !std::isfinite(x) || !std::isfinite(y)) continue;
    xs.push_back(std::log10(x));
    ys.push_back(std::log10(y));
  }
  LogLogFit fit;
  fit.points = static_cast<int>(xs.size());
  if (xs.size() < 2) return fit;
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    mx += xs[i];
    my += ys[i];
  }
  mx /= static_cast<double>(xs.size());
  my /= static_cast<double>(xs.size());
  double sxx = 0, sxy = 0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    sxx += (xs[i] - mx) * (xs[i] - mx);
    sxy += (xs[i] - mx) * (ys[i] - my);
  }
  if (!(sxx > 0)) return fit;
  fit.valid = true;
  fit.slope = sxy / sxx;
  fit.intercept = my - fit.slope * mx;
  return fit;
}

SessionRun sessionRun(Study study, Scheme scheme, std::vector<TypedValue> typed,
                      const RunOutcome& outcome) {
  SessionRun note;
  note.study = study;
  note.scheme = scheme;
  note.typed = std::move(typed);
  note.grid = outcome.grid;
  note.levels = outcome.levels;
  note.completed = outcome.completed;
  note.failure = outcome.failure ? outcome.failure->message : std::string();
  if (outcome.completed) note.lines = {outcome.line};
  return note;
}

}  // namespace core
