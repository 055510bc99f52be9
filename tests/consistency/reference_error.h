// The consistency window tests' own helper: the consistency errors computed
// independently, from the formulas of the schemes and the exact solution.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "support/window_support.h"

namespace test {

struct Data {
  double N, T, K, a, d, w, phi, Epsilon = 0.0;
};

// The error of one consistency run, from the formulas of the two schemes
// and of the exact solution, band sums left to right.
inline double referenceError(bool peps, bool timeHalf, const Data& in, int count) {
  const double Pi = programPi();
  const double scale = std::ldexp(1.0, count);
  double h = 1 / (1 + in.N);
  double Tau = in.T / in.K;
  double N = in.N, K = in.K;
  if (timeHalf) {
    Tau = Tau / scale;
    K = K * scale;
  } else {
    h = h / scale;
    N = (N + 1) * scale - 1;
  }
  const double Lambda = in.a * Tau / (h * h);
  const double Alpha = in.Epsilon / Tau;
  const auto n = static_cast<std::int64_t>(N);
  const auto k = static_cast<std::int64_t>(K);
  std::vector<double> sinPx(n + 2, 0.0);
  for (std::int64_t i = 1; i <= n; ++i) sinPx[i] = std::sin(h * (static_cast<double>(i) * Pi));

  std::vector<double> older(n + 2, 0.0), prev(n + 2, 0.0), next(n + 2, 0.0);
  for (std::int64_t i = 1; i <= n; ++i) prev[i] = std::cos(in.phi) * (sinPx[i] * in.d);
  std::int64_t first = 2;
  if (peps) {
    older = prev;
    for (std::int64_t i = 1; i <= n; ++i)
      prev[i] = older[i] + Tau * ((((-1.0 * in.d) * in.w) * sinPx[i]) * std::sin(in.phi));
    first = 3;
  }
  const double diag = peps ? ((Alpha * 2) + 1) - (Lambda * 2) : 1 - (Lambda * 2);
  const double inv = 1 / (Alpha + 1);
  for (std::int64_t m = first; m <= k + 1; ++m) {
    const double theta = (in.w * static_cast<double>(m - 2)) * Tau + in.phi;
    for (std::int64_t i = 1; i <= n; ++i) {
      const double amp = sinPx[i] * in.d;
      double f;
      if (peps)
        f = amp * ((((-in.Epsilon) * (in.w * in.w)) * std::cos(theta) - in.w * std::sin(theta)) +
                   (in.a * (Pi * Pi)) * std::cos(theta));
      else
        f = amp * ((-in.w) * std::sin(theta) + (in.a * (Pi * Pi)) * std::cos(theta));
      double u = 0;
      if (peps) {
        if (i > 1) u = u + prev[i - 1] * (Lambda * inv);
        u = u + prev[i] * (diag * inv);
        if (i < n) u = u + prev[i + 1] * (Lambda * inv);
        u = u + older[i] * (-(Alpha / (Alpha + 1)));
        u = u + (Tau * inv) * f;
      } else {
        if (i > 1) u = u + Lambda * prev[i - 1];
        u = u + diag * prev[i];
        if (i < n) u = u + Lambda * prev[i + 1];
        u = u + Tau * f;
      }
      next[i] = u;
    }
    older.swap(prev);
    prev.swap(next);
  }
  double sum = 0;
  for (std::int64_t i = 1; i <= n; ++i) {
    const double diff = std::cos(in.w * in.T + in.phi) * (in.d * sinPx[i]) - prev[i];
    sum = sum + diff * diff;
  }
  return std::sqrt(sum * h);
}

}  // namespace test
