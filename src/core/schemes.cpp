#include "core/schemes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/memory_budget.h"
#include "core/numeric.h"
#include "core/simd_clones.h"

namespace core {

double piValue() { return std::bit_cast<double>(std::uint64_t{0x400921FB54442D28}); }

double tableBudgetBytes() { return MemoryBudget::process().limit(); }

Outcome checkTableBudget(double N, double K, int schemes, const std::string& advice,
                         Recreates recreates) {
  const double cols = static_cast<double>(roundHalfEven(N)) + 1.0;
  const double rows = static_cast<double>(roundHalfEven(K + 1)) + 1.0;
  // Solution table, the band matrix (four diagonals) and SourceVec, per scheme.
  const double bytes = schemes * (rows * cols + 5.0 * cols) * sizeof(double);
  if (schemes >= 2) recreates = Recreates::Both;
  std::vector<std::string> freed;
  if (recreates == Recreates::SolP0 || recreates == Recreates::Both) freed.push_back(kSolP0Holder);
  if (recreates == Recreates::SolPeps || recreates == Recreates::Both)
    freed.push_back(kSolPepsHolder);
  return MemoryBudget::process().check(bytes, freed, advice);
}

Outcome checkGrid(double N, double K) {
  if (!(N >= 2)) return fail::nTooSmall();
  if (!(K >= 1)) return fail::kTooSmall();
  return {};
}

Outcome checkAlpha(double T, double K, double Epsilon) {
  const double Tau = T / K;
  if (Tau == 0) return fail::tZero();
  const double Alpha = Epsilon / Tau;
  if (Alpha + 1 == 0) return fail::alphaMinusOne();
  return {};
}

void SetGrid(StudyState& s, bool withAlpha) {
  s.h = 1 / (1 + s.N);
  s.Tau = s.T / s.K;
  s.Lambda = (s.Tau * s.a) / (s.h * s.h);
  if (withAlpha) s.Alpha = s.Epsilon / s.Tau;
}

namespace {

// Writes the band in the order the matrix is defined: the first row, the last
// row (its indices rounded from the double N and N - 1), then the rows between.
void writeBand(BandMatrix& mat, double N, double lambda, double diagonal) {
  mat.set(1, 1, diagonal);
  mat.set(1, 2, lambda);
  mat.set(roundHalfEven(N), roundHalfEven(N - 1), lambda);
  mat.set(roundHalfEven(N), roundHalfEven(N), diagonal);
  mat.setRows(2, loopLast(N - 1), lambda, diagonal, lambda);
  mat.noteClippedEdges(loopLast(N));
}

bool createTables(BandMatrix& mat, Table2& sol, double N, double K) {
  const std::int64_t n = roundHalfEven(N);
  if (!mat.create(n) || !sol.create(0, roundHalfEven(K + 1), 0, n)) {
    mat.reset();
    sol.reset();
    return false;
  }
  return true;
}

// Two neighbouring columns of a level in one vector register (SSE2, NEON).
// Lane by lane the kernels below do the scalar operations in the same order,
// and no multiply-add is ever fused, so they give the doubles of one column
// at a time.
using Pair = double __attribute__((vector_size(16)));
using PairBits = std::uint64_t __attribute__((vector_size(16)));

inline Pair load(const double* p) {
  Pair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
// Lane 1 of a, lane 0 of b: the columns between two pairs.
inline Pair mid(Pair a, Pair b) { return Pair{a[1], b[0]}; }

// Reading and writing columns i, i + 1 of a row (Two), or column i alone (One,
// lane 1 unused): what a kernel reads or writes beside the level itself.
struct Two {
  static Pair get(const double* p, std::int64_t i) { return load(p + i); }
  static void put(double* p, std::int64_t i, Pair v) { std::memcpy(p + i, &v, sizeof v); }
};
struct One {
  static Pair get(const double* p, std::int64_t i) { return Pair{p[i], 0.0}; }
  static void put(double* p, std::int64_t i, Pair v) { p[i] = v[0]; }
};

// A magnitude at or above infinity's carries into the sign bit when the
// lowest exponent unit is added to it: OR-ing those sums finds a non-finite
// value with no floating-point operation (subnormal values cost nothing) and
// no comparison.
constexpr std::uint64_t kMagnitude = 0x7FFFFFFFFFFFFFFFu;
constexpr std::uint64_t kExponentUnit = 0x0010000000000000u;

struct Finiteness {
  PairBits carries{};
  void add(Pair value) { carries |= (std::bit_cast<PairBits>(value) & kMagnitude) + kExponentUnit; }
  bool finite() const { return ((carries[0] | carries[1]) >> 63) == 0; }
};

// Columns first .. last of a level, with the values of the columns on either
// side in the level before.
struct Columns {
  std::int64_t first, last;
  double before, after;
};

// Walks columns first .. last of a level two at a time: row(i, left, centre,
// right, lanes) gives columns i, i + 1, where centre holds those columns of the
// level before and left and right the same shifted by one column; an odd last
// column goes alone with lanes = One. The values are stored in `out`; returns
// whether they are all finite. The walk reads no memory outside its columns (column
// last + 1 of a whole row is the next row, not yet in the cache). Every pair
// is loaded from the place the previous level stored one and the shifted
// pairs are made in registers, so the next level reads a value straight from
// the store that wrote it: at a few columns a level, that hand-over is what
// sets the pace.
template <class Row>
inline bool levelPairs(double* out, const double* prev, const Columns& cols, Row row) {
  const auto [first, last, before, after] = cols;
  Finiteness finiteness;
  if (first > last) return true;
  Pair left = {0.0, before};
  Pair centre = first < last ? load(prev + first) : Pair{prev[first], after};
  std::int64_t i = first;
  const auto pair = [&](Pair next) {
    const Pair v = row(i, mid(left, centre), centre, mid(centre, next), Two{});
    Two::put(out, i, v);
    finiteness.add(v);
    left = centre;
    centre = next;
    i += 2;
  };
  while (i + 3 <= last) pair(load(prev + i + 2));
  if (i + 1 <= last) pair(Pair{i + 2 == last ? prev[last] : after, after});
  if (i == last) {
    const Pair v = row(i, mid(left, centre), centre, Pair{after, after}, One{});
    One::put(out, i, v);
    finiteness.add(Pair{v[0], 0.0});
  }
  return finiteness.finite();
}

// Rows of a level whose three band values are the same on every row: P0
// ((0 + sub*u[i-1]) + diag*u[i]) + sup*u[i+1]; Pepsilon, with the values
// already multiplied by 1/(Alpha + 1),
// (((0 + u[i-1]*sub) + u[i]*diag) + u[i+1]*sup) + older*u2[i]; then the source
// times `factor`.
enum class SourceKind { None, Values, Made };

// Reading and writing one column as a plain double.
struct Single {
  static double get(const double* p, std::int64_t i) { return p[i]; }
  static void put(double* p, std::int64_t i, double v) { p[i] = v; }
};

// Column i of a uniform row (T = double, lanes = Single), or columns i, i + 1
// (T = Pair): l, c, r are the level before at i - 1, i, i + 1.
template <bool peps, SourceKind kind, class T, class Lanes>
[[gnu::always_inline]] inline T uniformValue(const LevelStep::Coefficients& u,
                                             const LevelStep::SourceTerm& src, const double* prev2,
                                             std::int64_t i, T l, T c, T r, Lanes lanes) {
  T v;
  if constexpr (peps) {
    v = (((T{} + l * u.sub) + c * u.diag) + r * u.sup) + lanes.get(prev2, i) * u.older;
  } else {
    v = ((T{} + u.sub * l) + u.diag * c) + u.sup * r;
  }
  if constexpr (kind == SourceKind::Values) v = v + u.factor * lanes.get(src.values, i);
  if constexpr (kind == SourceKind::Made) {
    const T fi = lanes.get(src.factors, i) * src.g;
    if (src.keep) lanes.put(src.keep, i, fi);
    v = v + u.factor * fi;
  }
  return v;
}

// Short rows: walked in pairs (see levelPairs). One walk for each scheme and
// kind of source, so that no choice is made inside a level.
template <bool peps, SourceKind kind>
[[gnu::always_inline]] inline bool pairRows(double* out, const double* prev, const double* prev2,
                                            const LevelStep::Coefficients& u,
                                            const LevelStep::SourceTerm& src, const Columns& cols) {
  return levelPairs(out, prev, cols, [&](std::int64_t i, Pair l, Pair c, Pair r, auto lanes) {
    return uniformValue<peps, kind>(u, src, prev2, i, l, c, r, lanes);
  });
}

// Long rows: one column at a time in a plain loop, which the compiler makes
// as wide as the processor allows. Their stores have left the processor's
// queue by the time the next level reads them, so pairs gain nothing there.
template <bool peps, SourceKind kind>
[[gnu::always_inline]] inline bool loopRows(double* out, const double* prev, const double* prev2,
                                            const LevelStep::Coefficients& u,
                                            const LevelStep::SourceTerm& src, const Columns& cols) {
  // The columns on either side are read where they are: they hold
  // cols.before and cols.after.
  std::uint64_t carries = 0;
  for (std::int64_t i = cols.first; i <= cols.last; ++i) {
    const double v =
        uniformValue<peps, kind>(u, src, prev2, i, prev[i - 1], prev[i], prev[i + 1], Single{});
    out[i] = v;
    carries |= (std::bit_cast<std::uint64_t>(v) & kMagnitude) + kExponentUnit;
  }
  return (carries >> 63) == 0;
}

// Rows are long from this many columns: whole runs measured faster in pairs
// at 10 columns a level, and with the loop from 50.
constexpr std::int64_t kLongRow = 32;

// Calls rows.operator()<peps, kind>(): one walk for each scheme and kind of
// source, chosen once a level.
template <class Rows>
[[gnu::always_inline]] inline bool forSchemeAndSource(bool peps, SourceKind kind, Rows rows) {
  using enum SourceKind;
  if (peps) {
    if (kind == Made) return rows.template operator()<true, Made>();
    if (kind == Values) return rows.template operator()<true, Values>();
    return rows.template operator()<true, None>();
  }
  if (kind == Made) return rows.template operator()<false, Made>();
  if (kind == Values) return rows.template operator()<false, Values>();
  return rows.template operator()<false, None>();
}

// The loop is also built for AVX2 and picked at load time. Without fused
// multiply-add (never enabled) the wider vectors give the same doubles.
ORV_AVX2_CLONES bool longRows(bool peps, SourceKind kind, double* out, const double* prev,
                              const double* prev2, const LevelStep::Coefficients& u,
                              const LevelStep::SourceTerm& src, const Columns& cols) {
  return forSchemeAndSource(peps, kind, [&]<bool p, SourceKind k>() {
    return loopRows<p, k>(out, prev, prev2, u, src, cols);
  });
}

bool shortRows(bool peps, SourceKind kind, double* out, const double* prev, const double* prev2,
               const LevelStep::Coefficients& u, const LevelStep::SourceTerm& src,
               const Columns& cols) {
  return forSchemeAndSource(peps, kind, [&]<bool p, SourceKind k>() {
    return pairRows<p, k>(out, prev, prev2, u, src, cols);
  });
}

// One row of the band product, summed over the band columns that lie in
// 1 .. last in increasing order from +0.0. Only the first and last rows need
// the clipping and the entry two left of the diagonal; `scale` multiplies each
// matrix entry first (Pepsilon: 1/(Alpha + 1)), when `scaled` is set.
template <bool scaled>
double edgeRow(const BandMatrix& mat, const double* prev, std::int64_t i, std::int64_t last,
               double scale) {
  double sum = 0.0;
  for (int offset = -2; offset <= 1; ++offset) {
    const std::int64_t j = i + offset;
    if (j < 1 || j > last) continue;
    const double m = mat.diagonal(offset)[i];
    if constexpr (scaled) {
      sum = sum + prev[j] * (m * scale);
    } else {
      sum = sum + m * prev[j];
    }
  }
  return sum;
}

}  // namespace

bool finiteColumns(const double* row, std::int64_t last) {
  std::uint64_t carries = 0;
  for (std::int64_t i = 1; i <= last; ++i) {
    std::uint64_t b;
    std::memcpy(&b, row + i, sizeof b);
    carries |= (b & kMagnitude) + kExponentUnit;
  }
  return (carries >> 63) == 0;
}

LevelStep::LevelStep(StudyState& s, bool peps)
    : s_(s),
      sol_(peps ? s.SolPeps : s.SolP0),
      mat_(peps ? s.MatPeps : s.MatP0),
      peps_(peps),
      last_(loopLast(s.N)) {
  const BandMatrix::Uniform& u = mat_.uniform();
  inner_ = u.first <= 2 && u.last >= last_ - 1;
  if (peps) {
    const double alpha = s.Alpha;
    scale_ = 1 / (alpha + 1);
    c_.older = -(alpha / (alpha + 1));
    c_.factor = s.Tau * (1 / (alpha + 1));
    c_.sub = u.sub * scale_;
    c_.diag = u.diag * scale_;
    c_.sup = u.sup * scale_;
  } else {
    c_.factor = s.Tau;
    c_.sub = u.sub;
    c_.diag = u.diag;
    c_.sup = u.sup;
  }
  // Every row 1 .. last is then a uniform row: the edges hold the uniform
  // values and each coefficient is finite, so the extra terms of columns 0
  // and last + 1, which read 0, add only zeros.
  whole_ =
      u.clippedEdges && std::isfinite(c_.sub) && std::isfinite(c_.diag) && std::isfinite(c_.sup);
}

bool LevelStep::uniformRows(double* out, const double* prev, const double* prev2,
                            const SourceTerm& src, std::int64_t first, std::int64_t last,
                            double before, double after) const {
  const Columns cols{first, last, before, after};
  const SourceKind kind = src.factors  ? SourceKind::Made
                          : src.values ? SourceKind::Values
                                       : SourceKind::None;
  return last - first + 1 >= kLongRow ? longRows(peps_, kind, out, prev, prev2, c_, src, cols)
                                      : shortRows(peps_, kind, out, prev, prev2, c_, src, cols);
}

StepFacts LevelStep::write(std::int64_t m, const SourceTerm& src) {
  const double* prev2 = peps_ ? sol_.row(m - 2) : nullptr;
  const double* prev = sol_.row(m - 1);
  double* out = sol_.row(m);
  const std::int64_t last = last_;
  // A whole row's columns 0 and last + 1 read 0. A level that still changes
  // differs from the one before in its first value, most often.
  if (whole_) {
    const bool finite = uniformRows(out, prev, prev2, src, 1, last, 0.0, 0.0);
    return {finite, std::bit_cast<std::uint64_t>(out[1]) == std::bit_cast<std::uint64_t>(prev[1])};
  }

  // The first and last rows clipped to the columns 1 .. last, then the rows
  // between: uniform, or with the band values read row by row.
  const auto withSource = [&](double sum, std::int64_t i) {
    if (src.factors) {
      const double fi = src.factors[i] * src.g;
      if (src.keep) src.keep[i] = fi;
      return sum + c_.factor * fi;
    }
    return src.values ? sum + c_.factor * src.values[i] : sum;
  };
  const auto edge = [&](std::int64_t i) {
    return withSource(peps_ ? edgeRow<true>(mat_, prev, i, last, scale_) + prev2[i] * c_.older
                            : edgeRow<false>(mat_, prev, i, last, 0.0),
                      i);
  };
  const double first = edge(1), lastValue = edge(last);
  if (inner_) {
    uniformRows(out, prev, prev2, src, 2, last - 1, prev[1], prev[last]);
  } else {
    const double* sub = mat_.diagonal(-1);
    const double* dia = mat_.diagonal(0);
    const double* sup = mat_.diagonal(1);
    for (std::int64_t i = 2; i <= last - 1; ++i) {
      const double sum =
          peps_ ? (((0.0 + prev[i - 1] * (sub[i] * scale_)) + prev[i] * (dia[i] * scale_)) +
                   prev[i + 1] * (sup[i] * scale_)) +
                      prev2[i] * c_.older
                : ((0.0 + sub[i] * prev[i - 1]) + dia[i] * prev[i]) + sup[i] * prev[i + 1];
      out[i] = withSource(sum, i);
    }
  }
  out[1] = first;
  out[last] = lastValue;
  return {finiteColumns(out, last), true};
}

// Flattened: at a few columns a level, the calls down to the walk would cost
// as much as the level itself.
__attribute__((flatten)) StepFacts LevelStep::advance(std::int64_t m, const double* f) {
  return write(m, {f, nullptr, nullptr, 0.0});
}

// Flattened too: the levels follow one another with nothing between them.
__attribute__((flatten)) std::pair<std::int64_t, StepFacts> LevelStep::advanceRun(
    std::int64_t m, std::int64_t last) {
  for (;; ++m) {
    const StepFacts facts = write(m, {nullptr, nullptr, nullptr, 0.0});
    if (!facts.finite || facts.maybeRepeat || m >= last) return {m, facts};
  }
}

__attribute__((flatten)) StepFacts LevelStep::advanceSource(std::int64_t m,
                                                            const std::vector<double>& factors,
                                                            double g, bool keepSource) {
  return write(m, {nullptr, keepSource ? sourceValues(s_) : nullptr, factors.data(), g});
}

bool BuildMatP0(StudyState& s) {
  if (!createTables(s.MatP0, s.SolP0, s.N, s.K)) return false;
  writeBand(s.MatP0, s.N, s.Lambda, 1 - (s.Lambda * 2));
  return true;
}

double* sourceValues(StudyState& s) { return s.SourceVec.data() - s.SourceVec.lower(); }

void AdvanceP0(StudyState& s, std::int64_t m, bool source) {
  LevelStep(s, false).advance(m, source ? sourceValues(s) : nullptr);
}

bool BuildMatPeps(StudyState& s) {
  if (!createTables(s.MatPeps, s.SolPeps, s.N, s.K)) return false;
  writeBand(s.MatPeps, s.N, s.Lambda, ((s.Alpha * 2) + 1) - (s.Lambda * 2));
  return true;
}

void StartPeps(StudyState& s) {
  const std::int64_t last = loopLast(s.N);
  for (std::int64_t j = 1; j <= last; ++j) {
    s.SolPeps(1, j) = s.u0;
    s.SolPeps(2, j) = s.SolPeps(1, j) + s.Tau * s.v0;
  }
}

void AdvancePeps(StudyState& s, std::int64_t m, PepsSource source) {
  LevelStep(s, true).advance(m, source == PepsSource::Vector ? sourceValues(s) : nullptr);
  // The stability study's constant source enters one level only: NN + 1 in
  // 16-bit arithmetic (NN = 32767 is refused before a run).
  if (source == PepsSource::ConstantAtLevel &&
      static_cast<std::int16_t>(static_cast<std::int16_t>(s.NN) + 1) == m) {
    const double add = s.FF * (s.Tau / (s.Alpha + 1));
    double* out = s.SolPeps.row(m);
    for (std::int64_t i = 1, last = loopLast(s.N); i <= last; ++i) out[i] = out[i] + add;
  }
}

void AdvanceP0Source(StudyState& s, std::int64_t m, const std::vector<double>& factors, double g,
                     bool keepSource) {
  LevelStep(s, false).advanceSource(m, factors, g, keepSource);
}

bool rowFinite(const Table2& sol, std::int64_t m, double N) {
  return finiteColumns(sol.row(m), loopLast(N));
}

void clearRow(Table2& sol, std::int64_t m) {
  double* row = sol.row(m);
  for (std::int64_t c = sol.colLower(); c <= sol.colUpper(); ++c) row[c] = 0.0;
}

}  // namespace core
