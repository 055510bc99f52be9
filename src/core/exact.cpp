#include "core/exact.h"

#include <cmath>

#include "core/numeric.h"
#include "core/simd_clones.h"

namespace core {

double sinPiX(const StudyState& s, std::int64_t i) {
  return std::sin(s.h * (static_cast<double>(i) * s.Pi));
}

std::vector<double> spaceFactors(const StudyState& s) {
  const std::int64_t last = loopLast(s.N);
  std::vector<double> factors(static_cast<std::size_t>(last + 1), 0.0);
  for (std::int64_t i = 1; i <= last; ++i)
    factors[static_cast<std::size_t>(i)] = sinPiX(s, i) * s.d;
  return factors;
}

void writeInitialExact(const StudyState& s, Table2& sol) {
  const std::int64_t last = loopLast(s.N);
  const double cosPhi = std::cos(s.phi);
  for (std::int64_t i = 1; i <= last; ++i) sol(1, i) = cosPhi * (sinPiX(s, i) * s.d);
}

void writeSecondExact(const StudyState& s, Table2& sol) {
  const std::int64_t last = loopLast(s.N);
  const double sinPhi = std::sin(s.phi);
  for (std::int64_t i = 1; i <= last; ++i) {
    const double vo = ((((-1) * s.d) * s.w) * sinPiX(s, i)) * sinPhi;
    sol(2, i) = sol(1, i) + s.Tau * vo;
  }
}

namespace {
double theta(const StudyState& s, std::int64_t m) {
  return (s.w * static_cast<double>(m - 2)) * s.Tau + s.phi;
}

// SourceVec(i) = factors[i]*g: one product per point, every step of a run.
ORV_AVX2_CLONES void scaleInto(double* __restrict out, const double* __restrict factors, double g,
                               std::int64_t last) {
  for (std::int64_t i = 1; i <= last; ++i) out[i] = factors[i] * g;
}

void fill(StudyState& s, const std::vector<double>& factors, double g) {
  scaleInto(s.SourceVec.data() - s.SourceVec.lower(), factors.data(), g, loopLast(s.N));
}
}  // namespace

double sourceTimeF(const StudyState& s, std::int64_t m) {
  const double t = theta(s, m);
  return (-s.w) * std::sin(t) + (s.a * (s.Pi * s.Pi)) * std::cos(t);
}

double sourceTimeFeps(const StudyState& s, std::int64_t m) {
  const double t = theta(s, m);
  const double c = std::cos(t);
  return (((-s.Epsilon) * (s.w * s.w)) * c - s.w * std::sin(t)) + (s.a * (s.Pi * s.Pi)) * c;
}

void fillSourceF(StudyState& s, std::int64_t m, const std::vector<double>& factors) {
  fill(s, factors, sourceTimeF(s, m));
}

void fillSourceFeps(StudyState& s, std::int64_t m, const std::vector<double>& factors) {
  fill(s, factors, sourceTimeFeps(s, m));
}

double exactAtT(const StudyState& s, std::int64_t i) {
  return std::cos(s.w * s.T + s.phi) * (s.d * sinPiX(s, i));
}

}  // namespace core
