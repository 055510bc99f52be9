#include "core/numeric.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/study_state.h"

namespace core {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the next character that is not a blank; returns '\0' at the end.
struct Cursor {
  std::string_view text;
  std::size_t pos = 0;
  char peek() {
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    return pos < text.size() ? text[pos] : '\0';
  }
  void next() { ++pos; }
};

// Adds one unit in the last digit of a decimal text (digits and at most one point).
void incrementLastDigit(std::string& s) {
  for (std::size_t k = s.size(); k-- > 0;) {
    if (s[k] == '.') continue;
    if (s[k] != '9') {
      ++s[k];
      return;
    }
    s[k] = '0';
  }
  s.insert(s.begin(), '1');
}

std::string withMark(std::string s, std::string_view mark) {
  const auto p = s.find('.');
  if (p != std::string::npos && mark != ".") s.replace(p, 1, mark);
  return s;
}

std::string nonFinite(double v) {
  if (std::isnan(v)) return "NaN";
  return v < 0 ? "-Inf" : "Inf";
}

}  // namespace

ParsedNumber parseNumber(std::string_view text) {
  Cursor in{text};
  std::string number;
  number.reserve(text.size() + 8);
  char c = in.peek();
  if (c == '+' || c == '-') {
    if (c == '-') number.push_back('-');
    in.next();
  }
  bool digits = false, point = false;
  std::int64_t leadingPlaces = 0;  // digits before the point, leading zeros excepted
  bool nonZeroSeen = false;
  for (c = in.peek(); isDigit(c) || (c == '.' && !point); c = in.peek()) {
    if (c == '.') {
      point = true;
    } else {
      digits = true;
      if (c != '0') nonZeroSeen = true;
      if (!point && nonZeroSeen) ++leadingPlaces;
    }
    number.push_back(c);
    in.next();
  }
  if (!digits) return {};
  // Exponent: kept only when at least one digit follows its letter.
  std::int64_t exponent = 0;
  if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
    Cursor probe = in;
    probe.next();
    bool negative = false;
    char e = probe.peek();
    if (e == '+' || e == '-') {
      negative = e == '-';
      probe.next();
    }
    bool expDigits = false;
    for (e = probe.peek(); isDigit(e); e = probe.peek()) {
      expDigits = true;
      if (exponent < 100000000) exponent = exponent * 10 + (e - '0');
      probe.next();
    }
    if (expDigits && negative) exponent = -exponent;
  }
  if (exponent != 0) {
    number.push_back('e');
    number += std::to_string(exponent);
  }
  ParsedNumber result;
  const char* first = number.data();
  const char* last = number.data() + number.size();
  const auto [ptr, ec] = std::from_chars(first, last, result.value, std::chars_format::general);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    if (!nonZeroSeen) return {};  // all zeros
    // Decide between overflow and underflow from the decimal magnitude.
    if (leadingPlaces + exponent > 0) {
      result.value = number[0] == '-' ? -std::numeric_limits<double>::infinity()
                                      : std::numeric_limits<double>::infinity();
      result.outOfRange = true;
    } else {
      result.value = number[0] == '-' ? -0.0 : 0.0;
    }
  } else if (ec != std::errc()) {
    result.value = 0.0;
  }
  return result;
}

bool anyEmpty(std::initializer_list<std::string_view> texts) {
  for (auto t : texts)
    if (isEmptyField(t)) return true;
  return false;
}

std::string formatFixed(double value, int decimals, std::string_view mark) {
  if (!std::isfinite(value)) return nonFinite(value);
  const bool negative = value < 0;
  const double a = std::fabs(value);
  std::array<char, 400> buf{};
  std::string s;
  // An exact half at the last shown place is the only case where the exact
  // binary value does not decide the rounding: a = m * 2^e with m odd is a
  // half exactly when e = -(decimals + 1). Then round away from zero.
  bool tie = false;
  if (a != 0.0) {
    int ex = 0;
    const double f = std::frexp(a, &ex);
    const auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
    const int e = ex - 53 + std::countr_zero(m);
    tie = e == -(decimals + 1);
  }
  if (tie) {
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), a, std::chars_format::fixed,
                           decimals + 1);
    s.assign(buf.data(), r.ptr);
    s.pop_back();  // the exact trailing 5
    if (!s.empty() && s.back() == '.') s.pop_back();
    incrementLastDigit(s);
  } else {
    auto r =
        std::to_chars(buf.data(), buf.data() + buf.size(), a, std::chars_format::fixed, decimals);
    s.assign(buf.data(), r.ptr);
  }
  if (negative) s.insert(s.begin(), '-');
  return withMark(std::move(s), mark);
}

std::string formatPlain(double value, std::string_view mark) {
  if (!std::isfinite(value)) return nonFinite(value);
  if (value == 0.0) return "0";
  std::array<char, 64> buf{};
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), static_cast<std::int64_t>(value));
    return std::string(buf.data(), r.ptr);
  }
  // Round to 15 significant digits, then choose fixed or scientific.
  auto r =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::scientific, 14);
  std::string sci(buf.data(), r.ptr);
  const bool negative = sci[0] == '-';
  if (negative) sci.erase(0, 1);
  const auto ePos = sci.find('e');
  int exponent = std::stoi(sci.substr(ePos + 1));
  std::string digits = sci.substr(0, 1) + sci.substr(2, ePos - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out;
  if (exponent >= 15 || exponent < -5) {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out.append(".").append(digits, 1);
    const std::string exp = std::to_string(std::abs(exponent));
    out += std::string("E") + (exponent < 0 ? "-" : "+") + (exp.size() < 2 ? "0" : "") + exp;
  } else if (exponent < 0) {
    out = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  } else {
    const auto whole = static_cast<std::size_t>(exponent + 1);
    if (digits.size() <= whole) {
      out = digits + std::string(whole - digits.size(), '0');
    } else {
      out = digits.substr(0, whole) + "." + digits.substr(whole);
    }
  }
  if (negative) out.insert(out.begin(), '-');
  return withMark(std::move(out), mark);
}

std::string formatPlain(const Real& value, std::string_view mark) {
  return value.isSet() ? formatPlain(value.value(), mark) : std::string();
}

std::int64_t roundHalfEven(double value) {
  if (!std::isfinite(value)) return saturate(value);
  const double fl = std::floor(value);
  const double diff = value - fl;
  double r = fl;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(fl, 2.0) != 0.0)) r = fl + 1.0;
  return saturate(r);
}

double floorOf(double value) { return std::floor(value); }

}  // namespace core
