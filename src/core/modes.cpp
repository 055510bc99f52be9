#include "core/modes.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/numeric.h"

namespace core {

namespace {

// Roots of a g^2 - b g + c = 0, the one of largest modulus first; the real
// pair computed without cancellation.
Amplification quadraticRoots(double a, double b, double c) {
  Amplification r;
  const double disc = b * b - 4 * a * c;
  if (disc >= 0) {
    const double q = (b + std::copysign(std::sqrt(disc), b)) / 2;
    r.g1 = q / a;
    r.g2 = q != 0 ? c / q : 0.0;
  } else {
    const double re = b / (2 * a), im = std::sqrt(-disc) / (2 * std::fabs(a));
    r.g1 = {re, im};
    r.g2 = {re, -im};
  }
  return r;
}

// |g| at most 1, allowing for the rounding of the factors themselves.
bool withinOne(double modulus) { return modulus <= 1 + 1e-12; }

// Enough samples of [0, pi] that the curve's largest value is found to the
// plot's precision; the ends, where the extremes lie, are always in.
constexpr int kAngleSamples = 4096;

std::string fixed4(double v, std::string_view mark) { return formatFixed(v, 4, mark); }

}  // namespace

double modeAngle(std::int64_t j, std::int64_t N) {
  return static_cast<double>(j) * std::numbers::pi / static_cast<double>(N + 1);
}

Amplification amplification(Scheme scheme, double Lambda, double Alpha, double theta) {
  const double s = std::sin(theta / 2);
  const double mu = 4 * Lambda * (s * s);
  if (scheme == Scheme::P0) return {1 - mu, 0.0};
  return quadraticRoots(1 + Alpha, 1 + 2 * Alpha - mu, Alpha);
}

double boundAllAngles(double Alpha) {
  return Alpha >= -0.5 ? 0.5 + Alpha : -std::numeric_limits<double>::infinity();
}

double boundGrid(double Alpha, std::int64_t N) {
  const double c = std::cos(std::numbers::pi / static_cast<double>(2 * N + 2));
  return boundAllAngles(Alpha) / (c * c);
}

Verdicts verdicts(Scheme scheme, double Lambda, double Alpha, std::int64_t N) {
  Verdicts v;
  for (std::int64_t j = 1; j <= N; ++j) {
    const double m = amplification(scheme, Lambda, Alpha, modeAngle(j, N)).largest();
    if (!(m <= v.gridLargest)) {
      v.gridLargest = m;
      v.gridMode = j;
    }
  }
  for (int k = 0; k <= kAngleSamples; ++k) {
    const double theta = std::numbers::pi * k / kAngleSamples;
    const double m = amplification(scheme, Lambda, Alpha, theta).largest();
    if (!(m <= v.allLargest)) {
      v.allLargest = m;
      v.allAngle = theta;
    }
  }
  v.gridStable = withinOne(v.gridLargest);
  v.allStable = withinOne(v.allLargest) && v.gridStable;
  return v;
}

std::string stabilityVerdict(Scheme scheme, double Lambda, double Alpha, std::int64_t N,
                             std::string_view mark) {
  const Verdicts v = verdicts(scheme, Lambda, Alpha, N);
  const bool p0 = scheme == Scheme::P0;
  const std::string bound = p0             ? "Lambda ≤ 1/2"
                            : Alpha < -0.5 ? "Alpha ≥ -1/2"
                                           : "Lambda ≤ 1/2 + Alpha = " + fixed4(0.5 + Alpha, mark);
  std::string text = "Selon les " + std::to_string(N) + " modes de la grille : ";
  text += v.gridStable ? "stable" : "instable";
  text += ", le plus grand |g_j| vaut " + fixed4(v.gridLargest, mark) + " (j = " +
          std::to_string(v.gridMode) + ")" + (v.gridStable ? " ≤ 1.\n" : " > 1.\n");
  text += "Selon tous les θ de 0 à π : ";
  if (v.allStable)
    text += "stable, |g(θ)| ≤ 1 partout (" + bound + ").";
  else
    text += "instable, |g(θ)| atteint " + fixed4(v.allLargest, mark) + " en θ = " +
            fixed4(v.allAngle, mark) + " (il faudrait " + bound + ").";
  if (v.gridStable != v.allStable)
    text += "\nLes deux verdicts diffèrent : les θ où |g| > 1 tombent entre les modes de cette "
            "grille, dont la borne propre est Lambda ≤ " +
            fixed4(boundGrid(p0 ? 0.0 : Alpha, N), mark) + ".";
  return text;
}

// ------------------------------------------------------------ measurement

GrowthMeter::GrowthMeter(Scheme scheme, std::int64_t modes)
    : scheme_(scheme),
      modes_(modes),
      noiseFactor_(kAboveNoise * static_cast<double>(modes) * std::numeric_limits<double>::epsilon()) {
  const auto n = static_cast<std::size_t>(std::max<std::int64_t>(modes, 0));
  prev1_.assign(n, 0.0);
  prev2_.assign(n, 0.0);
  for (auto* v : {&s11_, &s12_, &s22_, &sy1_, &sy2_, &above_, &used_, &last_}) v->assign(n, 0.0);
  first_.assign(n, -1.0);
}

void GrowthMeter::addLevels(const double* coefficients, std::int64_t first, std::int64_t count,
                            std::int64_t stride) {
  for (std::int64_t k = 0; k < count; ++k) level(coefficients + k * stride, first + k);
}

void GrowthMeter::level(const double* c, std::int64_t n) {
  const std::int64_t N = modes_;
  double top = 0;
  for (std::int64_t j = 0; j < N; ++j) {
    const double a = std::fabs(c[j]);
    top = a > top ? a : top;  // a non-finite coefficient never counts (below)
  }
  // Below this a coefficient has lost bits to the subnormal range.
  constexpr double kFloor = DBL_MIN / std::numeric_limits<double>::epsilon();
  const double t0 = std::max(noiseFactor_ * top, kFloor);
  const double t1 = std::max(noiseFactor_ * prevMax1_, kFloor);
  const double t2 = std::max(noiseFactor_ * prevMax2_, kFloor);
  const double* p1 = prev1_.data();
  const double* p2 = prev2_.data();
  const double dn = static_cast<double>(n);
  const double inf = std::numeric_limits<double>::infinity();
  if (scheme_ == Scheme::P0) {
    const bool pairs = levels_ >= 1;
    const double w = pairs && prevMax1_ > 0 && prevMax1_ < inf ? 1 / prevMax1_ : 0;
    const double start = dn - 1;
    for (std::int64_t j = 0; j < N; ++j) {
      const double y = c[j], x = p1[j];
      const bool now = std::fabs(y) > t0 && std::fabs(y) < inf;
      const bool use = now && w > 0 && std::fabs(x) > t1 && std::fabs(x) < inf;
      const double xs = use ? x * w : 0, ys = use ? y * w : 0;
      s11_[j] += xs * xs;
      sy1_[j] += xs * ys;
      above_[j] += now ? 1 : 0;
      used_[j] += use ? 1 : 0;
      first_[j] = use && first_[j] < 0 ? start : first_[j];
      last_[j] = use ? dn : last_[j];
    }
  } else {
    const bool triples = levels_ >= 2;
    const double w = triples && prevMax2_ > 0 && prevMax2_ < inf ? 1 / prevMax2_ : 0;
    const double start = dn - 2;
    for (std::int64_t j = 0; j < N; ++j) {
      const double y = c[j], x1 = p1[j], x2 = p2[j];
      const bool now = std::fabs(y) > t0 && std::fabs(y) < inf;
      const bool use = now && w > 0 && std::fabs(x1) > t1 && std::fabs(x1) < inf &&
                       std::fabs(x2) > t2 && std::fabs(x2) < inf;
      const double a1 = use ? x1 * w : 0, a2 = use ? x2 * w : 0, ys = use ? y * w : 0;
      s11_[j] += a1 * a1;
      s12_[j] += a1 * a2;
      s22_[j] += a2 * a2;
      sy1_[j] += ys * a1;
      sy2_[j] += ys * a2;
      above_[j] += now ? 1 : 0;
      used_[j] += use ? 1 : 0;
      first_[j] = use && first_[j] < 0 ? start : first_[j];
      last_[j] = use ? dn : last_[j];
    }
    std::copy(prev1_.begin(), prev1_.end(), prev2_.begin());
    prevMax2_ = prevMax1_;
  }
  std::copy(c, c + N, prev1_.begin());
  prevMax1_ = top;
  lastMax_ = top;
  ++levels_;
}

MeasuredMode GrowthMeter::result(std::int64_t j) const {
  MeasuredMode m;
  const auto k = static_cast<std::size_t>(j - 1);
  if (j < 1 || j > modes_ || above_[k] == 0) return m;
  if (used_[k] == 0) {
    m.status = MeasuredMode::Status::TooFewLevels;
    return m;
  }
  m.status = MeasuredMode::Status::Measured;
  m.firstLevel = static_cast<std::int64_t>(first_[k]);
  m.lastLevel = static_cast<std::int64_t>(last_[k]);
  const double oneTerm = sy1_[k] / s11_[k];
  m.g = oneTerm;
  if (scheme_ == Scheme::Peps) {
    // Both factors when both components are in the data; when one has died
    // out the fit only knows the other, which the one-term ratio gives.
    const double det = s11_[k] * s22_[k] - s12_[k] * s12_[k];
    if (det > 1e-6 * s11_[k] * s22_[k]) {
      const double s = (sy1_[k] * s22_[k] - sy2_[k] * s12_[k]) / det;
      const double p = -(s11_[k] * sy2_[k] - s12_[k] * sy1_[k]) / det;
      m.g = quadraticRoots(1, s, p).g1;
    }
  }
  return m;
}

std::string measurementNote(const MeasuredMode& m) {
  switch (m.status) {
    case MeasuredMode::Status::Absent:
      return "mode absent de la donnée initiale";
    case MeasuredMode::Status::TooFewLevels:
      return "trop peu de niveaux";
    case MeasuredMode::Status::Measured:
      break;
  }
  return {};
}

std::string sourceNote() {
  return "Ce calcul avait un terme source : il s'ajoute aux modes à chaque pas où il agit, la "
         "croissance mesurée n'est donc pas seulement celle du schéma.";
}

std::string tooShortNote() {
  return "Trop peu de niveaux pour mesurer une croissance : il en faut au moins 2 pour P0, 3 "
         "pour Pepsilon.";
}

std::string absentModesNote(std::int64_t count) {
  if (count < 1) return {};
  return count == 1 ? "1 mode absent de la donnée initiale : il ne s'élève jamais au-dessus du "
                      "bruit d'arrondi, sa croissance ne se mesure pas."
                    : std::to_string(count) +
                          " modes absents de la donnée initiale : ils ne s'élèvent jamais "
                          "au-dessus du bruit d'arrondi, leur croissance ne se mesure pas.";
}

std::string noStabilityRunMessage() {
  return "Aucune étude de stabilité dans cette séance pour l'instant. Lancez « Lancer les "
         "calculs » dans une fenêtre de stabilité (P0 ou Pepsilon) : chaque calcul ajoute un "
         "point ici.";
}

std::string allCoefficientsZeroMessage() {
  return "Tous les coefficients de sinus sont nuls : la table ne contient que des zéros.";
}

// ------------------------------------------------------ stability runs

RunColour stabilityColour(const StabilityRunFacts& run) {
  if (run.overflowed || run.lastLargest > run.startLargest) return RunColour::Grown;
  const std::int64_t past = run.steps - (run.scheme == Scheme::P0 ? 0 : 1);
  if (past < 2) return RunColour::TooShort;
  const double g = verdicts(run.scheme, run.Lambda, run.Alpha, run.N).gridLargest;
  if (g > 1 && static_cast<double>(run.steps) * std::log10(g) < 20) return RunColour::TooShort;
  return RunColour::Bounded;
}

std::string stabilityColourRule() {
  return "Rouge : le calcul a débordé, ou son dernier niveau dépasse (en max |u|) ses niveaux de "
         "départ et celui de la source. Gris : sinon, s'il compte moins de 2 pas après ses "
         "niveaux de départ, ou si un mode de sa grille a |g| > 1 mais que |g|^K < 10^20 : en K "
         "pas, un tel mode n'a pas pu sortir du bruit d'arrondi (10^-16) jusqu'à la taille de la "
         "donnée. Vert : dans les autres cas.";
}

}  // namespace core
