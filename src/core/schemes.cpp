#include "core/schemes.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "core/numeric.h"

namespace core {

double piValue() { return std::bit_cast<double>(std::uint64_t{0x400921FB54442D28}); }

Outcome checkTableBudget(double N, double K, int schemes) {
  const double cols = static_cast<double>(roundHalfEven(N)) + 1.0;
  const double rows = static_cast<double>(roundHalfEven(K)) + 2.0;
  // Solution table, the band matrix (four diagonals) and SourceVec, per scheme.
  const double bytes = schemes * (rows * cols + 5.0 * cols) * sizeof(double);
  if (!(bytes <= kTableBudgetBytes)) return fail::tablesTooLarge(bytes, kTableBudgetBytes);
  return {};
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
  const std::int64_t last = loopLast(N - 1);
  for (std::int64_t i = 2; i <= last; ++i) {
    mat.set(i, i - 1, lambda);
    mat.set(i, i, diagonal);
    mat.set(i, i + 1, lambda);
  }
}

bool createTables(BandMatrix& mat, Table2& sol, double N, double K) {
  const std::int64_t n = roundHalfEven(N);
  const std::int64_t k = roundHalfEven(K);
  if (!mat.create(n) || !sol.create(0, k + 1, 0, n)) {
    mat.reset();
    sol.reset();
    return false;
  }
  return true;
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

bool BuildMatP0(StudyState& s) {
  if (!createTables(s.MatP0, s.SolP0, s.N, s.K)) return false;
  writeBand(s.MatP0, s.N, s.Lambda, 1 - (s.Lambda * 2));
  return true;
}

void AdvanceP0(StudyState& s, std::int64_t m, bool source) {
  const std::int64_t last = loopLast(s.N);
  const double* __restrict prev = s.SolP0.row(m - 1);
  double* __restrict out = s.SolP0.row(m);
  const double* __restrict sub = s.MatP0.diagonal(-1);
  const double* __restrict dia = s.MatP0.diagonal(0);
  const double* __restrict sup = s.MatP0.diagonal(1);
  out[1] = edgeRow<false>(s.MatP0, prev, 1, last, 0.0);
  // Rows strictly inside hold only the three diagonals, all columns in range.
  for (std::int64_t i = 2; i < last; ++i) {
    out[i] = ((0.0 + sub[i] * prev[i - 1]) + dia[i] * prev[i]) + sup[i] * prev[i + 1];
  }
  if (last > 1) out[last] = edgeRow<false>(s.MatP0, prev, last, last, 0.0);
  if (source) {
    const double tau = s.Tau;
    const double* f = s.SourceVec.data() - s.SourceVec.lower();
    for (std::int64_t i = 1; i <= last; ++i) out[i] = out[i] + tau * f[i];
  }
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
  const std::int64_t last = loopLast(s.N);
  const double alpha = s.Alpha;
  const double scale = 1 / (alpha + 1);
  const double older = -(alpha / (alpha + 1));
  const double* __restrict prev2 = s.SolPeps.row(m - 2);
  const double* __restrict prev = s.SolPeps.row(m - 1);
  double* __restrict out = s.SolPeps.row(m);
  const double* __restrict sub = s.MatPeps.diagonal(-1);
  const double* __restrict dia = s.MatPeps.diagonal(0);
  const double* __restrict sup = s.MatPeps.diagonal(1);
  out[1] = edgeRow<true>(s.MatPeps, prev, 1, last, scale);
  for (std::int64_t i = 2; i < last; ++i) {
    out[i] = ((0.0 + prev[i - 1] * (sub[i] * scale)) + prev[i] * (dia[i] * scale)) +
             prev[i + 1] * (sup[i] * scale);
  }
  if (last > 1) out[last] = edgeRow<true>(s.MatPeps, prev, last, last, scale);
  for (std::int64_t i = 1; i <= last; ++i) out[i] = out[i] + prev2[i] * older;
  if (source == PepsSource::ConstantAtLevel) {
    // NN + 1 in 16-bit arithmetic; NN = 32767 is refused before a run.
    if (static_cast<std::int16_t>(static_cast<std::int16_t>(s.NN) + 1) == m) {
      const double add = s.FF * (s.Tau / (alpha + 1));
      for (std::int64_t i = 1; i <= last; ++i) out[i] = out[i] + add;
    }
  } else if (source == PepsSource::Vector) {
    const double factor = s.Tau * (1 / (alpha + 1));
    const double* f = s.SourceVec.data() - s.SourceVec.lower();
    for (std::int64_t i = 1; i <= last; ++i) out[i] = out[i] + factor * f[i];
  }
}

bool rowFinite(const Table2& sol, std::int64_t m, double N) {
  const std::int64_t last = loopLast(N);
  const double* row = sol.row(m);
  bool finite = true;
  for (std::int64_t i = 1; i <= last; ++i) finite &= std::isfinite(row[i]);
  return finite;
}

void clearRow(Table2& sol, std::int64_t m) {
  double* row = sol.row(m);
  for (std::int64_t c = sol.colLower(); c <= sol.colUpper(); ++c) row[c] = 0.0;
}

}  // namespace core
