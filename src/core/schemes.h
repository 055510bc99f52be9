// The space-time grid and the two explicit schemes, as operations on the
// study state. Each level is evaluated as the band sum in increasing column
// order starting from +0.0, which gives the same doubles as the full row sum.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "core/study_state.h"

namespace core {

// The double the program uses for pi (one step above the nearest double).
double piValue();  // bit pattern 400921FB54442D28

// The process's memory budget (MemoryBudget::process().limit()): 2 GiB, or
// half the machine's memory if that is less, so that a run is refused with a
// message rather than ended by the system when its pages are first written.
double tableBudgetBytes();

// Which solution tables a run re-creates (their old buffers are freed first,
// unless a result list still holds them).
enum class Recreates { Unknown, SolP0, SolPeps, Both };

// Refuses, before anything is allocated, a run whose tables would not fit in
// what the process budget leaves: one solution table (0 To K+1, 0 To N), one
// band matrix and SourceVec, for `schemes` schemes (the error study runs
// both). `advice` ends the message. With Unknown, neither old table is
// counted as freed.
Outcome checkTableBudget(double N, double K, int schemes = 1,
                         const std::string& advice = "Réduisez N ou K.",
                         Recreates recreates = Recreates::Unknown);

// The checks the grid needs before any table is created: N >= 2, K >= 1.
Outcome checkGrid(double N, double K);
// For the Pepsilon scheme: T != 0 and 1 + Epsilon/(T/K) != 0.
Outcome checkAlpha(double T, double K, double Epsilon);

// h = 1/(1 + N); Tau = T/K; Lambda = (Tau*a)/(h*h); with Alpha: Alpha = Epsilon/Tau.
void SetGrid(StudyState& s, bool withAlpha = false);

// Re-creates MatP0 (0 To N, 0 To N) and SolP0 (0 To K+1, 0 To N) and writes the band.
// Returns false if the memory was not there (tables left empty).
bool BuildMatP0(StudyState& s);
// Writes row m of SolP0 from row m - 1; with `source`, adds Tau*SourceVec(i).
void AdvanceP0(StudyState& s, std::int64_t m, bool source = false);

bool BuildMatPeps(StudyState& s);
// Rows 1 and 2 from the constants u0 and v0 (stability study).
void StartPeps(StudyState& s);
// How AdvancePeps adds its source.
enum class PepsSource {
  None,
  ConstantAtLevel,  // FF*(Tau/(Alpha + 1)) when NN + 1 = m (stability study)
  Vector,           // (Tau*(1/(Alpha + 1)))*SourceVec(i) (consistency and error studies)
};
void AdvancePeps(StudyState& s, std::int64_t m, PepsSource source = PepsSource::None);

// A step whose source is SourceVec(i) = factors[i]*g (the consistency and
// error studies), made in the same pass as the level: the same doubles as
// filling SourceVec first and then advancing with it. With keepSource false
// SourceVec is not written; the caller then fills it for the last step it ran
// (fillSourceF / fillSourceFeps), so a whole run leaves the same state.
void AdvanceP0Source(StudyState& s, std::int64_t m, const std::vector<double>& factors, double g,
                     bool keepSource = true);

// SourceVec indexed by column.
double* sourceValues(StudyState& s);

// Every value of columns 1 .. last is finite (tested on the exponent bits, so
// subnormal values cost nothing extra).
bool finiteColumns(const double* row, std::int64_t last);

// What a step tells of the level it wrote (columns 1 .. floor(N)).
struct StepFacts {
  bool finite = true;       // every value is finite
  bool maybeRepeat = true;  // false: the level certainly differs from the one before
};

// One scheme's step with what stays the same from level to level worked out
// once (the columns, the band values, the way the rows are summed), so that a
// level costs only its columns; it tells the facts of the level it wrote.
// Made after the band matrix is built; it reads the state's grid values then.
// AdvanceP0 and AdvancePeps make one for a single level.
class LevelStep {
 public:
  LevelStep(StudyState& s, bool peps);
  // Writes row m from the rows before it; `f` (indexed by column), when given,
  // is the source added.
  StepFacts advance(std::int64_t m, const double* f);
  // The same with the source factors[i]*g made on the way (see AdvanceP0Source).
  StepFacts advanceSource(std::int64_t m, const std::vector<double>& factors, double g,
                          bool keepSource);
  // Advances without a source through rows m, m + 1, ... up to `last`,
  // stopping after the first row that is not finite or may repeat the one
  // before it; returns that row (or `last`) and its facts.
  std::pair<std::int64_t, StepFacts> advanceRun(std::int64_t m, std::int64_t last);

  // The source of a level, by column: `values` added as they are, or
  // factors[i]*g made on the way and stored in `keep` when it is given.
  struct SourceTerm {
    const double* values;
    double* keep;
    const double* factors;
    double g;
  };
  // The values a uniform row is made of: the band values (Pepsilon: times
  // 1/(Alpha + 1)), Pepsilon's -(Alpha/(Alpha + 1)) for the level two back,
  // and the source's factor (Tau, or Tau*(1/(Alpha + 1))).
  struct Coefficients {
    double sub = 0, diag = 0, sup = 0, older = 0, factor = 0;
  };

 private:
  StepFacts write(std::int64_t m, const SourceTerm& src);
  // Columns first .. last as uniform rows; `before` and `after` are the
  // values of columns first - 1 and last + 1 of the level before.
  bool uniformRows(double* out, const double* prev, const double* prev2, const SourceTerm& src,
                   std::int64_t first, std::int64_t last, double before, double after) const;

  StudyState& s_;
  Table2& sol_;
  const BandMatrix& mat_;
  bool peps_;
  std::int64_t last_;
  bool inner_ = false;  // rows 2 .. last - 1 share the uniform band values
  bool whole_ = false;  // so do rows 1 .. last, read in the columns 1 .. last
  Coefficients c_;
  double scale_ = 1;  // Pepsilon: 1/(Alpha + 1)
};

// True when every value of row m, columns 1 .. floor(N), is finite.
bool rowFinite(const Table2& sol, std::int64_t m, double N);
// Resets row m to unset (0) values.
void clearRow(Table2& sol, std::int64_t m);

}  // namespace core
