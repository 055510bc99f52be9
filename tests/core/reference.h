// Independent reference computations for the core tests, written straight
// from the scheme formulas with plain vectors: the full (dense) row sums, the
// band formulas and the exact-solution data. Nothing here calls the core.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace ref {

inline std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

using Row = std::vector<double>;  // index 0 unused (always 0), 1 .. n the grid points

struct Grid {
  double h, Tau, Lambda, Alpha;
};

inline Grid grid(double N, double T, double K, double a, double Epsilon = 0.0) {
  Grid g{};
  g.h = 1.0 / (1.0 + N);
  g.Tau = T / K;
  g.Lambda = (g.Tau * a) / (g.h * g.h);
  g.Alpha = Epsilon / g.Tau;
  return g;
}

// One P0 level by the band formula, left to right: (L*u[i-1] + d*u[i]) + L*u[i+1],
// the boundary terms absent; then + Tau*f[i] when a source is given.
inline Row p0Band(const Row& prev, int n, double Lambda, const Row* f = nullptr, double Tau = 0) {
  const double d = 1.0 - (Lambda * 2.0);
  Row next(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) {
    double v = 0.0;
    if (i > 1) v = v + Lambda * prev[i - 1];
    v = v + d * prev[i];
    if (i < n) v = v + Lambda * prev[i + 1];
    if (f) v = v + Tau * (*f)[i];
    next[i] = v;
  }
  return next;
}

// One Pepsilon level by the band formula; the source term is passed whole.
inline Row pepsBand(const Row& prev, const Row& prev2, int n, double Lambda, double Alpha,
                    const Row* term = nullptr) {
  const double c = ((Alpha * 2.0) + 1.0) - (Lambda * 2.0);
  const double inv = 1.0 / (Alpha + 1.0);
  Row next(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) {
    double v = 0.0;
    if (i > 1) v = v + prev[i - 1] * (Lambda * inv);
    v = v + prev[i] * (c * inv);
    if (i < n) v = v + prev[i + 1] * (Lambda * inv);
    v = v + prev2[i] * (-(Alpha / (Alpha + 1.0)));
    if (term) v = v + (*term)[i];
    next[i] = v;
  }
  return next;
}

// Exact-solution data at the grid points, each as its formula is written.
struct Exact {
  double h, Pi, d, w, phi, a, Epsilon, Tau, T;
  double sinPiX(int i) const { return std::sin(h * (i * Pi)); }
  double uo(int i) const { return std::cos(phi) * (sinPiX(i) * d); }
  double vo(int i) const { return ((((-1.0) * d) * w) * sinPiX(i)) * std::sin(phi); }
  double theta(std::int64_t m) const { return (w * static_cast<double>(m - 2)) * Tau + phi; }
  double f(int i, std::int64_t m) const {
    const double th = theta(m);
    return (sinPiX(i) * d) * ((-w) * std::sin(th) + (a * (Pi * Pi)) * std::cos(th));
  }
  double feps(int i, std::int64_t m) const {
    const double th = theta(m);
    return (sinPiX(i) * d) *
           ((((-Epsilon) * (w * w)) * std::cos(th) - w * std::sin(th)) + (a * (Pi * Pi)) * std::cos(th));
  }
  double atT(int i) const { return std::cos(w * T + phi) * (d * sinPiX(i)); }
};

// The discrete L2 norm at one level: (h * sum of squares in increasing i)^0.5.
inline double l2(const Row& u, const std::function<double(int)>& exact, int n, double h) {
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double e = exact(i) - u[i];
    sum = sum + e * e;
  }
  return std::pow(sum * h, 0.5);
}

}  // namespace ref
