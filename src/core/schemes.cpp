#include "core/schemes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

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

// The level kernels are also built for AVX2 and picked at load time. Without
// fused multiply-add (never enabled) the wider vectors give the same doubles.
#define ORV_KERNEL ORV_AVX2_CLONES

// Rows first .. last of a P0 level whose three band values are the same on
// every row: ((0 + sub*u[i-1]) + diag*u[i]) + sup*u[i+1], then + tau*f[i].
ORV_KERNEL void p0Rows(double* __restrict out, const double* __restrict prev,
                       const double* __restrict f, double tau, std::int64_t first,
                       std::int64_t last, double sub, double dia, double sup) {
  if (f) {
    for (std::int64_t i = first; i <= last; ++i)
      out[i] = (((0.0 + sub * prev[i - 1]) + dia * prev[i]) + sup * prev[i + 1]) + tau * f[i];
  } else {
    for (std::int64_t i = first; i <= last; ++i)
      out[i] = ((0.0 + sub * prev[i - 1]) + dia * prev[i]) + sup * prev[i + 1];
  }
}

// The same with the band values read row by row.
ORV_KERNEL void p0RowsBand(double* __restrict out, const double* __restrict prev,
                           const double* __restrict f, double tau, std::int64_t first,
                           std::int64_t last, const double* __restrict sub,
                           const double* __restrict dia, const double* __restrict sup) {
  for (std::int64_t i = first; i <= last; ++i) {
    out[i] = ((0.0 + sub[i] * prev[i - 1]) + dia[i] * prev[i]) + sup[i] * prev[i + 1];
    if (f) out[i] = out[i] + tau * f[i];
  }
}

// Pepsilon rows with uniform band values already multiplied by 1/(Alpha + 1):
// (((0 + u[i-1]*cs) + u[i]*cd) + u[i+1]*cp) + older*u2[i], then the source.
ORV_KERNEL void pepsRows(double* __restrict out, const double* __restrict prev,
                         const double* __restrict prev2, const double* __restrict f, double factor,
                         std::int64_t first, std::int64_t last, double cs, double cd, double cp,
                         double older) {
  if (f) {
    for (std::int64_t i = first; i <= last; ++i)
      out[i] = ((((0.0 + prev[i - 1] * cs) + prev[i] * cd) + prev[i + 1] * cp) + prev2[i] * older) +
               factor * f[i];
  } else {
    for (std::int64_t i = first; i <= last; ++i)
      out[i] = (((0.0 + prev[i - 1] * cs) + prev[i] * cd) + prev[i + 1] * cp) + prev2[i] * older;
  }
}

ORV_KERNEL void pepsRowsBand(double* __restrict out, const double* __restrict prev,
                             const double* __restrict prev2, const double* __restrict f,
                             double factor, std::int64_t first, std::int64_t last,
                             const double* __restrict sub, const double* __restrict dia,
                             const double* __restrict sup, double scale, double older) {
  for (std::int64_t i = first; i <= last; ++i) {
    out[i] = ((((0.0 + prev[i - 1] * (sub[i] * scale)) + prev[i] * (dia[i] * scale)) +
               prev[i + 1] * (sup[i] * scale)) +
              prev2[i] * older);
    if (f) out[i] = out[i] + factor * f[i];
  }
}

// The same rows with the source made on the way: f[i] = factors[i]*g is
// stored in SourceVec and added as tau*f[i].
ORV_KERNEL void p0RowsSource(double* __restrict out, const double* __restrict prev,
                             double* __restrict f, const double* __restrict factors, double g,
                             double tau, std::int64_t first, std::int64_t last, double sub,
                             double dia, double sup) {
  if (f) {
    for (std::int64_t i = first; i <= last; ++i) {
      const double fi = factors[i] * g;
      f[i] = fi;
      out[i] = (((0.0 + sub * prev[i - 1]) + dia * prev[i]) + sup * prev[i + 1]) + tau * fi;
    }
  } else {
    for (std::int64_t i = first; i <= last; ++i)
      out[i] = (((0.0 + sub * prev[i - 1]) + dia * prev[i]) + sup * prev[i + 1]) +
               tau * (factors[i] * g);
  }
}

ORV_KERNEL void pepsRowsSource(double* __restrict out, const double* __restrict prev,
                               const double* __restrict prev2, double* __restrict f,
                               const double* __restrict factors, double g, double factor,
                               std::int64_t first, std::int64_t last, double cs, double cd,
                               double cp, double older) {
  if (f) {
    for (std::int64_t i = first; i <= last; ++i) {
      const double fi = factors[i] * g;
      f[i] = fi;
      out[i] = ((((0.0 + prev[i - 1] * cs) + prev[i] * cd) + prev[i + 1] * cp) + prev2[i] * older) +
               factor * fi;
    }
  } else {
    for (std::int64_t i = first; i <= last; ++i)
      out[i] = ((((0.0 + prev[i - 1] * cs) + prev[i] * cd) + prev[i + 1] * cp) + prev2[i] * older) +
               factor * (factors[i] * g);
  }
}

bool coversInterior(const BandMatrix& mat, std::int64_t last) {
  return mat.uniform().first <= 2 && mat.uniform().last >= last - 1;
}

}  // namespace

bool BuildMatP0(StudyState& s) {
  if (!createTables(s.MatP0, s.SolP0, s.N, s.K)) return false;
  writeBand(s.MatP0, s.N, s.Lambda, 1 - (s.Lambda * 2));
  return true;
}

void AdvanceP0(StudyState& s, std::int64_t m, bool source) {
  const std::int64_t last = loopLast(s.N);
  const double* prev = s.SolP0.row(m - 1);
  double* out = s.SolP0.row(m);
  const double tau = s.Tau;
  const double* f = source ? s.SourceVec.data() - s.SourceVec.lower() : nullptr;
  const BandMatrix& mat = s.MatP0;
  // The first and last rows: clipped to the columns 1 .. last.
  for (const std::int64_t i : {std::int64_t{1}, last}) {
    out[i] = edgeRow<false>(mat, prev, i, last, 0.0);
    if (f) out[i] = out[i] + tau * f[i];
  }
  if (coversInterior(mat, last)) {
    const auto& u = mat.uniform();
    p0Rows(out, prev, f, tau, 2, last - 1, u.sub, u.diag, u.sup);
  } else {
    p0RowsBand(out, prev, f, tau, 2, last - 1, mat.diagonal(-1), mat.diagonal(0), mat.diagonal(1));
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
  const double* prev2 = s.SolPeps.row(m - 2);
  const double* prev = s.SolPeps.row(m - 1);
  double* out = s.SolPeps.row(m);
  const BandMatrix& mat = s.MatPeps;
  const double* f = nullptr;
  double factor = 0;
  if (source == PepsSource::Vector) {
    f = s.SourceVec.data() - s.SourceVec.lower();
    factor = s.Tau * (1 / (alpha + 1));
  }
  for (const std::int64_t i : {std::int64_t{1}, last}) {
    out[i] = edgeRow<true>(mat, prev, i, last, scale) + prev2[i] * older;
    if (f) out[i] = out[i] + factor * f[i];
  }
  if (coversInterior(mat, last)) {
    const auto& u = mat.uniform();
    pepsRows(out, prev, prev2, f, factor, 2, last - 1, u.sub * scale, u.diag * scale, u.sup * scale,
             older);
  } else {
    pepsRowsBand(out, prev, prev2, f, factor, 2, last - 1, mat.diagonal(-1), mat.diagonal(0),
                 mat.diagonal(1), scale, older);
  }
  // The stability study's constant source enters one level only: NN + 1 in
  // 16-bit arithmetic (NN = 32767 is refused before a run).
  if (source == PepsSource::ConstantAtLevel &&
      static_cast<std::int16_t>(static_cast<std::int16_t>(s.NN) + 1) == m) {
    const double add = s.FF * (s.Tau / (alpha + 1));
    for (std::int64_t i = 1; i <= last; ++i) out[i] = out[i] + add;
  }
}

void AdvanceP0Source(StudyState& s, std::int64_t m, const std::vector<double>& factors, double g,
                     bool keepSource) {
  const std::int64_t last = loopLast(s.N);
  double* f = s.SourceVec.data() - s.SourceVec.lower();
  const BandMatrix& mat = s.MatP0;
  if (!coversInterior(mat, last)) {
    for (std::int64_t i = 1; i <= last; ++i) f[i] = factors[static_cast<std::size_t>(i)] * g;
    AdvanceP0(s, m, true);
    return;
  }
  const double* prev = s.SolP0.row(m - 1);
  double* out = s.SolP0.row(m);
  const double tau = s.Tau;
  for (const std::int64_t i : {std::int64_t{1}, last}) {
    const double fi = factors[static_cast<std::size_t>(i)] * g;
    if (keepSource) f[i] = fi;
    out[i] = edgeRow<false>(mat, prev, i, last, 0.0) + tau * fi;
  }
  const auto& u = mat.uniform();
  p0RowsSource(out, prev, keepSource ? f : nullptr, factors.data(), g, tau, 2, last - 1, u.sub,
               u.diag, u.sup);
}

void AdvancePepsSource(StudyState& s, std::int64_t m, const std::vector<double>& factors, double g,
                       bool keepSource) {
  const std::int64_t last = loopLast(s.N);
  double* f = s.SourceVec.data() - s.SourceVec.lower();
  const BandMatrix& mat = s.MatPeps;
  if (!coversInterior(mat, last)) {
    for (std::int64_t i = 1; i <= last; ++i) f[i] = factors[static_cast<std::size_t>(i)] * g;
    AdvancePeps(s, m, PepsSource::Vector);
    return;
  }
  const double alpha = s.Alpha;
  const double scale = 1 / (alpha + 1);
  const double older = -(alpha / (alpha + 1));
  const double factor = s.Tau * (1 / (alpha + 1));
  const double* prev2 = s.SolPeps.row(m - 2);
  const double* prev = s.SolPeps.row(m - 1);
  double* out = s.SolPeps.row(m);
  for (const std::int64_t i : {std::int64_t{1}, last}) {
    const double fi = factors[static_cast<std::size_t>(i)] * g;
    if (keepSource) f[i] = fi;
    out[i] = (edgeRow<true>(mat, prev, i, last, scale) + prev2[i] * older) + factor * fi;
  }
  const auto& u = mat.uniform();
  pepsRowsSource(out, prev, prev2, keepSource ? f : nullptr, factors.data(), g, factor, 2, last - 1,
                 u.sub * scale, u.diag * scale, u.sup * scale, older);
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
