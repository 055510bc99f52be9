// The journal of results kept beside the study state: what the shared tables
// cannot say. ErrH and ErrT do not tell which window wrote an entry, nor do
// SolP0 and SolPeps tell which study filled them; every study window tells
// the journal after each run, and the visualisation windows read it. No Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/modes.h"
#include "core/studies.h"
#include "core/study_state.h"

namespace core {

enum class Study { Stability, ConsistencyTime, ConsistencySpace, Error };

// One completed run that produced an error.
struct JournalEntry {
  Study study = Study::Stability;
  Scheme scheme = Scheme::P0;
  double N = 0, K = 0;    // the run's (refined) counts
  double h = 0, Tau = 0;  // the run's (refined) steps
  double Epsilon = 0;     // the run's epsilon (eps/k for the error study)
  double divisor = 0;     // 2^R, 2^S or k
  double error = 0;       // ErrH(R + 1), ErrT(S + 1) or ErrH(1)
  std::uint64_t serial = 0;
  // The data as typed, before halving (N, T, K, a, d, w, phi, Epsilon; the
  // error study: N, T, K, a, Epsilon and its data). Runs on other data make
  // another series: their errors do not lie on one line.
  std::vector<double> base;
  std::uint64_t seriesNumber = 0;  // the same for the runs of one series

  // What the convergence plot puts across: Tau', h' or eps/k.
  double step() const;
};

// The typed values that make a series, by name, in order.
struct BaseValue {
  const char* name;
  double value;
};

// Who last filled a solution table, with the values needed to draw beside it
// the exact solution it approximates.
struct TableWriter {
  bool known = false;  // no run recorded for this table yet
  Study study = Study::Stability;
  bool exactData = false;  // the table approximates uexacte (consistency, error with its data)
  bool completed = false;
  double N = 0, K = 0, h = 0, Tau = 0, T = 0, d = 0, w = 0, phi = 0, Pi = 0, a = 0;
  double Lambda = 0, Alpha = 0;  // the run's grid values (Alpha 0 for P0)
  bool source = false;  // a source term acted on some level
  std::uint64_t serial = 0;  // changes at every run that writes the table
};

// A field of a study window with its text as the student typed it.
struct TypedValue {
  std::string name, text;
};
std::vector<TypedValue> typedValues(const StabilityFields& f, Scheme scheme);
std::vector<TypedValue> typedValues(const ConsistencyFields& f, Scheme scheme, bool timeR);
std::vector<TypedValue> typedValues(const ErrorFields& f, bool exactData);

// One action of the session as its window showed it, in order: a run, or the
// orders computed from the errors of the runs before it. What the session
// report lists.
struct SessionRun {
  Study study = Study::Stability;
  Scheme scheme = Scheme::P0;
  bool orders = false;  // "Calculer les qi" / "Calculer les pi", not a run
  std::vector<TypedValue> typed;
  GridValues grid;
  std::int64_t levels = 0;         // time levels that hold values
  bool completed = true;           // false: stopped by a key or by a failure
  std::string failure;             // the message shown (an overflow), or empty
  std::vector<std::string> lines;  // the lines the run added to its window's lists
};

class Journal {
 public:
  // After a run, completed or not (a stopped run has re-created the tables
  // all the same). `scheme` is the scheme of the window; the error study
  // writes both tables. Only a completed consistency or error run adds an
  // entry. `exactData`: the error study's data option.
  void recordRun(const StudyState& s, Study study, Scheme scheme, bool completed,
                 bool exactData = true);
  // A stability run: recordRun, then its point on the stability map, from
  // the levels it wrote. `sourceTicked`: the Pepsilon option "f=cste pour n".
  void recordStabilityRun(const StudyState& s, Scheme scheme, bool sourceTicked);
  // "Tout Effacer" of a study window: its series goes.
  void clearSeries(Study study, Scheme scheme);
  void clear();
  // Every run and orders computation of the session, kept until clear().
  void noteSession(SessionRun run);
  const std::vector<SessionRun>& session() const { return session_; }

  const std::vector<JournalEntry>& entries() const { return entries_; }
  // Every stability run of the session, in order, with its colour.
  struct StabilityRun {
    StabilityRunFacts facts;
    RunColour colour = RunColour::TooShort;
  };
  const std::vector<StabilityRun>& stabilityRuns() const { return stabilityRuns_; }
  // The entries of the latest series of a study and scheme, in the order of
  // the runs: a run on other typed data than the run before it starts a new
  // series. The error study's series ignores the scheme.
  std::vector<JournalEntry> series(Study study, Scheme scheme) const;
  const TableWriter& writer(Scheme scheme) const {
    return scheme == Scheme::P0 ? writerP0_ : writerPeps_;
  }
  // Changes whenever anything above changes.
  std::uint64_t revision() const { return revision_; }

 private:
  std::vector<JournalEntry> entries_;
  std::vector<SessionRun> session_;
  std::vector<StabilityRun> stabilityRuns_;
  TableWriter writerP0_, writerPeps_;
  std::uint64_t revision_ = 0;
  std::uint64_t seriesCount_ = 0;
};

// The typed data of a run, as its series compares them, with their names.
std::vector<BaseValue> baseValues(const JournalEntry& e);

// Least-squares line through (log10 step, log10 error) of the points with a
// finite, positive step and error.
struct LogLogFit {
  bool valid = false;  // at least two points with distinct steps
  int points = 0;
  double slope = 0, intercept = 0;  // log10 E = intercept + slope * log10 step
};
LogLogFit fitLogLog(const std::vector<double>& steps, const std::vector<double>& errors);

}  // namespace core
