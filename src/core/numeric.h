// How typed text becomes a number and how numbers are shown. Nothing here
// depends on the C library's locale: the decimal mark shown is a parameter and
// typed text is always read with the point.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace core {

struct ParsedNumber {
  double value = 0.0;
  bool outOfRange = false;  // the text names a number beyond the double range ("1e999")
};

// The number-prefix rule: blanks are skipped wherever they stand; then an
// optional sign, digits with at most one point, an optional exponent (E, D, e
// or d, optional sign, digits); the first other character ends the number; no
// digit gives 0. Correctly rounded. Too small a number reads as (signed) 0.
ParsedNumber parseNumber(std::string_view text);

// A field is empty only when its text has no character at all.
inline bool isEmptyField(std::string_view text) { return text.empty(); }
bool anyEmpty(std::initializer_list<std::string_view> texts);

// Fixed pattern with `decimals` digits after the mark ("0" = 0, "0.00" = 2,
// "0.0000" = 4, "0.00000" = 5, "0.0000000000" = 10). Rounds the exact binary
// value, exact halves away from zero; a minus sign when the value is below 0.
std::string formatFixed(double value, int decimals, std::string_view mark = ".");

// The plain text of a number: whole numbers without decimals, otherwise at most
// 15 significant digits, no trailing zeros, a leading zero before the mark.
std::string formatPlain(double value, std::string_view mark = ".");

// Shows an unset value as the empty text.
template <class T>
class Stored;
using Real = Stored<double>;
std::string formatPlain(const Real& value, std::string_view mark = ".");

// A whole double as a 64-bit integer, NaN as 0, beyond +-9.2e18 held there.
// Inline: the level loops take their bounds through it at every level.
inline std::int64_t saturate(double v) {
  constexpr double kMax = 9.2e18;
  if (v != v) return 0;
  if (v >= kMax) return static_cast<std::int64_t>(kMax);
  if (v <= -kMax) return -static_cast<std::int64_t>(kMax);
  return static_cast<std::int64_t>(v);
}

// Whole number for a table bound or index: nearest, halves to even.
std::int64_t roundHalfEven(double value);

// Counting loops "for c = start To end" run with a double counter while it
// does not exceed the end. For whole starts below 2^53 that is every whole c
// from start to floor(end); this gives floor(end) (or start - 1 for no pass).
inline std::int64_t loopLast(double end) { return saturate(std::floor(end)); }

// The floor: the largest whole number not above the value (R, S, k and n
// are taken this way from what was typed).
double floorOf(double value);

}  // namespace core
