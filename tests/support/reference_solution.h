// Independent references for the study tests, straight from the formulas
// with plain vectors: the band formulas of both schemes summed left to
// right, the exact solution and its sources, and the error of a refined run.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/schemes.h"
#include "core/studies.h"

namespace reftest {

using core::Scheme;
using Row = std::vector<double>;  // index 0 unused, 1 .. n the grid points

// A double's bits, to compare numbers bit for bit.
inline std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The bounds, the last row reached of a solution table, then every entry as
// bits: what the list and the graph windows can read.
template <class Table>
std::vector<std::uint64_t> tableBits(const Table& t) {
  std::vector<std::uint64_t> s{std::uint64_t(t.rowUpper()), std::uint64_t(t.colUpper())};
  if constexpr (requires { t.lastRowReached(); }) s.push_back(t.lastRowReached());
  for (std::int64_t r = t.rowLower(); r <= t.rowUpper(); ++r)
    for (std::int64_t c = t.colLower(); c <= t.colUpper(); ++c) s.push_back(bits(t(r, c)));
  return s;
}

// One level by the band formula, summed left to right: Pepsilon's, or P0's
// when there is no `prev2` (with Alpha = 0 its products are P0's: 1 - Lambda*2
// and Lambda), then + term[i], the source term passed whole.
inline Row band(const Row& prev, const Row* prev2, int n, double Lambda, double Alpha,
                const Row* term = nullptr) {
  const double c = ((Alpha * 2.0) + 1.0) - (Lambda * 2.0), inv = 1.0 / (Alpha + 1.0);
  Row next(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) {
    double v = 0.0;
    if (i > 1) v = v + prev[i - 1] * (Lambda * inv);
    v = v + prev[i] * (c * inv);
    if (i < n) v = v + prev[i + 1] * (Lambda * inv);
    if (prev2) v = v + (*prev2)[i] * (-(Alpha / (Alpha + 1.0)));
    next[i] = term ? v + (*term)[i] : v;
  }
  return next;
}

// Exact-solution data at the grid points, each as its formula is written.
struct Exact {
  double h, Pi, d, w, phi, a, Epsilon, Tau, T;
  double sinPiX(int i) const { return std::sin(h * (i * Pi)); }
  double uo(int i) const { return std::cos(phi) * (sinPiX(i) * d); }
  double vo(int i) const { return ((((-1.0) * d) * w) * sinPiX(i)) * std::sin(phi); }
  // f, or feps with `eps`, for the step that produces row m.
  double f(int i, std::int64_t m, bool eps) const {
    const double th = (w * static_cast<double>(m - 2)) * Tau + phi,
                 diffusion = (a * (Pi * Pi)) * std::cos(th);
    return (sinPiX(i) * d) *
           (eps ? (((-Epsilon) * (w * w)) * std::cos(th) - w * std::sin(th)) + diffusion
                : (-w) * std::sin(th) + diffusion);
  }
  double atT(int i) const { return std::cos(w * T + phi) * (d * sinPiX(i)); }
};

// The discrete L2 distance of two rows: (h * sum of squares in increasing i)^0.5.
inline double l2(const Row& u, const Row& v, int n, double h) {
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum = sum + (u[i] - v[i]) * (u[i] - v[i]);
  return std::pow(sum * h, 0.5);
}

// The final row of a run on the exact-solution data by the band formulas:
// row 1 (uo), row 2 of Pepsilon (uo + Tau*vo), then each step with its source.
inline Row finalRow(Scheme scheme, const Exact& e, int n, std::int64_t K) {
  const bool peps = scheme == Scheme::Peps;
  const double Lambda = (e.Tau * e.a) / (e.h * e.h), Alpha = peps ? e.Epsilon / e.Tau : 0.0;
  Row prev2(n + 1, 0.0), prev(n + 1, 0.0), term(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) prev[i] = e.uo(i);
  for (int i = 1; peps && i <= n; ++i) prev2[i] = std::exchange(prev[i], prev[i] + e.Tau * e.vo(i));
  for (std::int64_t m = peps ? 3 : 2; m <= K + 1; ++m) {
    for (int i = 1; i <= n; ++i) term[i] = (e.Tau * (1.0 / (Alpha + 1.0))) * e.f(i, m, peps);
    prev2 = std::exchange(prev, band(prev, peps ? &prev2 : nullptr, n, Lambda, Alpha, &term));
  }
  return prev;
}

struct ConsData {
  double N, T, K, a, d, w, phi, Epsilon;
};

// The error of one refined run, straight from the formulas, uexacte at the stored T.
inline double referenceError(Scheme scheme, const ConsData& x, int R, int S) {
  const int n = static_cast<int>((x.N + 1) * std::pow(2.0, S) - 1);
  const double h = (1.0 / (1.0 + x.N)) / std::pow(2.0, S), Tau = (x.T / x.K) / std::pow(2.0, R);
  const Exact e{h, core::piValue(), x.d, x.w, x.phi, x.a, x.Epsilon, Tau, x.T};
  Row exact(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) exact[i] = e.atT(i);
  const auto K = static_cast<std::int64_t>(x.K * std::pow(2.0, R));
  return l2(exact, finalRow(scheme, e, n, K), n, h);
}

}  // namespace reftest
