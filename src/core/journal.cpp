#include "core/journal.h"

#include <algorithm>
#include <cmath>

namespace core {

double JournalEntry::step() const {
  switch (study) {
    case Study::ConsistencyTime: return Tau;
    case Study::ConsistencySpace: return h;
    case Study::Error: return Epsilon;
    case Study::Stability: break;
  }
  return 0;
}

namespace {

bool sameSeries(const JournalEntry& e, Study study, Scheme scheme) {
  return e.study == study && (study == Study::Error || e.scheme == scheme);
}

}  // namespace

void Journal::recordRun(const StudyState& s, Study study, Scheme scheme, bool completed,
                        bool exactData) {
  ++revision_;
  auto note = [&](TableWriter& w) {
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
    w.serial = revision_;
  };
  if (study == Study::Error) {
    note(writerP0_);
    note(writerPeps_);
  } else {
    note(scheme == Scheme::P0 ? writerP0_ : writerPeps_);
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
  auto entry = [](const Table1& t, double i) {
    const auto k = static_cast<std::int64_t>(i);
    return t.contains(k) ? t(k) : 0.0;
  };
  switch (study) {
    case Study::ConsistencyTime:
      e.divisor = std::ldexp(1.0, static_cast<int>(s.R));
      e.error = entry(s.ErrH, s.R + 1);
      break;
    case Study::ConsistencySpace:
      e.divisor = std::ldexp(1.0, static_cast<int>(s.S));
      e.error = entry(s.ErrT, s.S + 1);
      break;
    case Study::Error:
      e.divisor = s.R;
      e.error = entry(s.ErrH, 1);
      break;
    case Study::Stability: break;
  }
  entries_.push_back(e);
}

void Journal::clearSeries(Study study, Scheme scheme) {
  const auto before = entries_.size();
  std::erase_if(entries_, [&](const JournalEntry& e) { return sameSeries(e, study, scheme); });
  if (entries_.size() != before) ++revision_;
}

void Journal::clear() {
  entries_.clear();
  writerP0_ = writerPeps_ = TableWriter();
  ++revision_;  // never back to a value a reader has already seen
}

std::vector<JournalEntry> Journal::series(Study study, Scheme scheme) const {
  std::vector<JournalEntry> out;
  for (const JournalEntry& e : entries_)
    if (sameSeries(e, study, scheme)) out.push_back(e);
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

}  // namespace core
