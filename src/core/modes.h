// Why a run stays bounded or explodes, mode by mode. With u = 0 at both ends
// the discrete sine modes sin(j pi x_i), j = 1 .. N, are eigenvectors of both
// schemes: a source-free P0 step multiplies the j-th sine coefficient by
// g_j = 1 - 4 Lambda sin^2(theta_j / 2), theta_j = j pi h; a Pepsilon step
// follows a two-term recurrence whose factors are the roots of
// (1 + Alpha) g^2 - (1 + 2 Alpha - mu) g + Alpha = 0, mu = 4 Lambda sin^2(theta/2).
// Here: those factors, the bounds they give, the measurement of a run's own
// growth from its sine coefficients, the rule that colours a stability run,
// and the French sentences that say all this. No Qt, no FFT.
#pragma once

#include <complex>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/studies.h"

namespace core {

// theta_j = j pi / (N + 1).
double modeAngle(std::int64_t j, std::int64_t N);

// The amplification factors at angle theta, the one of largest modulus
// first. P0 has one (the second is 0); Pepsilon's two may be complex
// conjugates.
struct Amplification {
  std::complex<double> g1, g2;
  double largest() const { return std::abs(g1); }
};
Amplification amplification(Scheme scheme, double Lambda, double Alpha, double theta);

// The largest Lambda for which every factor has modulus at most 1 (Alpha >= -1/2):
// over every theta, 1/2 + Alpha; over the N modes of the grid only,
// (1/2 + Alpha) / cos^2(pi / (2N + 2)). P0 is Alpha = 0. Below Alpha = -1/2
// no Lambda is stable and the bound is -infinity.
double boundAllAngles(double Alpha);
double boundGrid(double Alpha, std::int64_t N);

// The largest modulus over the grid's modes and over every theta in [0, pi].
struct Verdicts {
  double gridLargest = 0;   // max over j of |g_j|
  std::int64_t gridMode = 0;  // the j that reaches it
  double allLargest = 0;    // max over theta of |g(theta)|
  double allAngle = 0;      // a theta that reaches it
  bool gridStable = true, allStable = true;
};
Verdicts verdicts(Scheme scheme, double Lambda, double Alpha, std::int64_t N);

// The French verdict of a run on grid N: by the grid's modes and by every
// theta, with the largest |g_j|, and why they differ when they do.
std::string stabilityVerdict(Scheme scheme, double Lambda, double Alpha, std::int64_t N,
                             std::string_view mark);

// ------------------------------------------------------------ measurement

// A coefficient counts when it stands this many times above the rounding
// noise of its level, taken as N eps max_j |c_j(n)| (what one step or one
// transform can put into any coefficient, up to a small factor).
inline constexpr double kAboveNoise = 1024.0;

struct MeasuredMode {
  enum class Status { Measured, Absent, TooFewLevels };
  Status status = Status::Absent;
  std::complex<double> g;  // the measured factor of largest modulus
  std::int64_t firstLevel = -1, lastLevel = -1;  // the levels the fit used
};

// Measures each mode's growth per step, level after level, without keeping
// the levels: P0 fits c(n) = g c(n - 1), Pepsilon c(n) = s c(n - 1) - p c(n - 2)
// (g^2 - s g + p = 0 gives both factors) by least squares over the runs of
// consecutive levels where the mode stands above the noise. Each pair or
// triple is scaled by the largest coefficient of its first level, so that
// neither a decaying nor an exploding run leaves the double range.
class GrowthMeter {
 public:
  GrowthMeter(Scheme scheme, std::int64_t modes);

  // `count` consecutive levels, level `first` first, each `modes` sine
  // coefficients (c_1 .. c_N) `stride` apart; the two levels before `first`
  // are those of the previous call.
  void addLevels(const double* coefficients, std::int64_t first, std::int64_t count,
                 std::int64_t stride);

  std::int64_t modes() const { return modes_; }
  std::int64_t levels() const { return levels_; }
  MeasuredMode result(std::int64_t j) const;  // j = 1 .. N
  // The largest |c_j(n)| of the last level added (0 before any).
  double lastLevelLargest() const { return lastMax_; }

 private:
  void level(const double* c, std::int64_t n);

  Scheme scheme_;
  std::int64_t modes_;
  std::int64_t levels_ = 0;
  double noiseFactor_;
  // The two previous levels' coefficients and their largest magnitudes.
  std::vector<double> prev1_, prev2_;
  double prevMax1_ = 0, prevMax2_ = 0, lastMax_ = 0;
  // Per mode: the sums of the normal equations (y = c(n), x1 = c(n-1),
  // x2 = c(n-2), scaled), how often it stood above the noise, the levels used.
  std::vector<double> s11_, s12_, s22_, sy1_, sy2_, above_, used_, first_, last_;
};

// What a measurement cannot show, in French; empty when nothing to say.
std::string measurementNote(const MeasuredMode& m);
// "un terme source modifie la croissance mesurée…", for a run that had one.
std::string sourceNote();
std::string tooShortNote();
// How many modes never rose above the noise.
std::string absentModesNote(std::int64_t count);
// The stability map with no stability run yet; a table of zero coefficients.
std::string noStabilityRunMessage();
std::string allCoefficientsZeroMessage();

// ------------------------------------------------------ stability runs

// A stability run as the stability map shows it.
enum class RunColour { Bounded, Grown, TooShort };

struct StabilityRunFacts {
  Scheme scheme = Scheme::P0;
  double Lambda = 0, Alpha = 0;
  std::int64_t N = 0;
  std::int64_t steps = 0;  // time steps asked (K)
  bool overflowed = false;  // stopped at a level leaving the double range
  double startLargest = 0;  // max |u| over the starting levels (and a source's level)
  double lastLargest = 0;   // max |u| over the last level
};

// Red (Grown) when the run overflowed or ended larger than it started; grey
// (TooShort) when it did not, but took fewer than 2 steps past its starting
// levels, or its grid has a factor |g| > 1 that in K steps could not have
// lifted a mode from rounding (1e-16) to the size of the data: |g|max^K < 1e20;
// green (Bounded) otherwise.
RunColour stabilityColour(const StabilityRunFacts& run);
// The rule above as the window and the guide state it.
std::string stabilityColourRule();

}  // namespace core
