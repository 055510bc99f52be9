// libFuzzer target for the text a user types and the numbers a window shows.
// Each input is checked against a reading made here independently:
// - parseNumber gives, bit for bit, the correctly rounded value of the prefix
//   the number-prefix rule accepts (that prefix is rebuilt here from the text
//   without its blanks and read with strtod under the C locale), and reports
//   out of range exactly when that value overflows;
// - formatFixed, for each display pattern, gives the exact binary value
//   rounded here by hand (from its exact decimal expansion, halves away from
//   zero), and parsing that text back gives the rounded value;
// - the work stays linear: the bytes the functions allocate are bounded by a
//   multiple of the input's length (counted by a sanitizer allocation hook),
//   and inputs are capped in length.
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <sanitizer/allocator_interface.h>

#include "core/numeric.h"

namespace {

std::size_t allocated = 0;  // bytes allocated since the last reset

void countAllocation(const volatile void*, std::size_t size) { allocated += size; }
void ignoreRelease(const volatile void*) {}

[[noreturn]] void fail(const char* what, std::string_view text, const std::string& got,
                       const std::string& want) {
  std::fprintf(stderr, "%s\n  input: \"%.*s\"\n  got:   %s\n  want:  %s\n", what,
               static_cast<int>(text.size()), text.data(), got.c_str(), want.c_str());
  std::abort();
}

std::string bits(double v) {
  char buf[64];
  std::uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  std::snprintf(buf, sizeof buf, "%a (%016llx)", v, static_cast<unsigned long long>(u));
  return buf;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

// The accepted prefix of the text with its blanks taken out, in the form
// strtod reads: [-]digits[.digits][e[-]digits]; empty when it holds no digit.
std::string acceptedPrefix(std::string_view text) {
  std::string t;
  for (char c : text)
    if (!blank(c)) t.push_back(c);
  std::size_t i = 0;
  std::string out;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    if (t[i] == '-') out.push_back('-');
    ++i;
  }
  bool anyDigit = false, point = false;
  for (; i < t.size() && (digit(t[i]) || (t[i] == '.' && !point)); ++i) {
    point = point || t[i] == '.';
    anyDigit = anyDigit || digit(t[i]);
    out.push_back(t[i]);
  }
  if (!anyDigit) return {};
  if (i < t.size() && std::strchr("EeDd", t[i]) && t[i] != '\0') {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) exponent.push_back(t[j++]);
    const std::size_t digitsFrom = j;
    while (j < t.size() && digit(t[j])) exponent.push_back(t[j++]);
    if (j > digitsFrom) out += exponent;
  }
  return out;
}

void checkParse(std::string_view text) {
  const std::string prefix = acceptedPrefix(text);
  double want = 0.0;
  bool overflow = false;
  if (!prefix.empty()) {
    errno = 0;
    want = std::strtod(prefix.c_str(), nullptr);
    overflow = errno == ERANGE && std::isinf(want);
  }
  allocated = 0;
  const core::ParsedNumber got = core::parseNumber(text);
  if (allocated > 2 * text.size() + 256)
    fail("parseNumber allocates more than linearly", text, std::to_string(allocated), "");
  if (!sameBits(got.value, want)) fail("parseNumber value", text, bits(got.value), bits(want));
  if (got.outOfRange != overflow)
    fail("parseNumber out of range", text, got.outOfRange ? "true" : "false",
         overflow ? "true" : "false");
}

// The pattern with `decimals` digits, made from the exact decimal expansion of
// the value (glibc prints every digit of the binary value exactly).
std::string roundedByHand(double value, int decimals) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  static char buf[1600];
  std::snprintf(buf, sizeof buf, "%.1100f", std::fabs(value));  // exact: 1074 places at most
  std::string s(buf);
  const std::size_t point = s.find('.');
  std::string kept = s.substr(0, point + 1 + static_cast<std::size_t>(decimals));
  if (decimals == 0) kept.pop_back();                              // no mark without decimals
  if (s[point + 1 + static_cast<std::size_t>(decimals)] >= '5') {  // at or above the half: away
    std::size_t k = kept.size();
    while (k-- > 0) {
      if (kept[k] == '.') continue;
      if (kept[k] != '9') {
        ++kept[k];
        break;
      }
      kept[k] = '0';
    }
    if (k == static_cast<std::size_t>(-1)) kept.insert(kept.begin(), '1');
  }
  if (value < 0) kept.insert(kept.begin(), '-');
  return kept;
}

void checkFormat(double value, std::string_view source) {
  for (int decimals : {0, 2, 4, 5, 10}) {
    const std::string want = roundedByHand(value, decimals);
    allocated = 0;
    const std::string got = core::formatFixed(value, decimals, ".");
    if (allocated > 4096) fail("formatFixed allocates too much", source, got, want);
    if (got != want) fail("formatFixed text", source, got + " for " + bits(value), want);
    std::string comma = want;
    if (const auto p = comma.find('.'); p != std::string::npos) comma[p] = ',';
    if (core::formatFixed(value, decimals, ",") != comma)
      fail("formatFixed with a comma", source, core::formatFixed(value, decimals, ","), comma);
    if (!std::isfinite(value)) continue;
    // Reading the shown text gives the value rounded to the pattern.
    const double back = core::parseNumber(got).value;
    const double rounded = std::strtod(want.c_str(), nullptr);
    if (!sameBits(back, rounded) && !(back == 0.0 && rounded == 0.0))
      fail("formatFixed then parseNumber", source, bits(back), bits(rounded));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::setlocale(LC_ALL, "C");  // strtod reads the point whatever the environment
  __sanitizer_install_malloc_and_free_hooks(countAllocation, ignoreRelease);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return -1;  // typed fields are short; longer inputs only slow the search
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkParse(text);
  checkFormat(core::parseNumber(text).value, text);
  if (size >= 8) {  // the first eight bytes as a double: every bit pattern, NaN and Inf too
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    checkFormat(raw, text);
  }
  return 0;
}
