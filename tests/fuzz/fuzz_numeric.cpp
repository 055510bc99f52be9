// libFuzzer target for the text a user types and the numbers a window shows,
// against readings made here: parseNumber gives strtod's value (C locale) of
// the accepted prefix, bit for bit, and out of range exactly on overflow;
// formatFixed gives the exact binary value rounded by hand, halves away from
// zero, which reads back as the rounded value; the bytes allocated (counted by
// a sanitizer hook) stay linear in the input's length, itself capped.
#include <algorithm>
#include <bit>
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

std::uint64_t raw(double v) { return std::bit_cast<std::uint64_t>(v); }
std::string bits(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%a (%016llx)", v, static_cast<unsigned long long>(raw(v)));
  return buf;
}

// The accepted prefix of the text with its blanks taken out, in the form
// strtod reads: [-]digits[.digits][e[-]digits]; empty when it holds no digit.
std::string acceptedPrefix(std::string_view text) {
  std::string t;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n') t.push_back(c);
  const auto digitsEnd = [&t](std::size_t i) {
    return std::min(t.find_first_not_of("0123456789", i), t.size());
  };
  const std::size_t from = t.starts_with('+') || t.starts_with('-');
  std::size_t end = digitsEnd(from);
  if (end < t.size() && t[end] == '.') end = digitsEnd(end + 1);
  std::string out = t.substr(from, end - from);
  if (out.find_first_of("0123456789") == std::string::npos) return {};
  if (t.starts_with('-')) out.insert(out.begin(), '-');
  if (end < t.size() && t[end] != '\0' && std::strchr("EeDd", t[end])) {
    const std::size_t sign = end + 1 < t.size() && (t[end + 1] == '+' || t[end + 1] == '-');
    const std::size_t digitsFrom = end + 1 + sign;
    if (digitsEnd(digitsFrom) > digitsFrom)
      out += "e" + t.substr(end + 1, digitsEnd(digitsFrom) - end - 1);
  }
  return out;
}

void checkParse(std::string_view text) {
  const std::string prefix = acceptedPrefix(text);
  errno = 0;
  const double want = prefix.empty() ? 0.0 : std::strtod(prefix.c_str(), nullptr);
  const bool overflow = errno == ERANGE && std::isinf(want);
  allocated = 0;
  const core::ParsedNumber got = core::parseNumber(text);
  if (allocated > 2 * text.size() + 256)
    fail("parseNumber allocates more than linearly", text, std::to_string(allocated), "");
  if (raw(got.value) != raw(want)) fail("parseNumber value", text, bits(got.value), bits(want));
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
  const std::string s(buf);
  const std::size_t cut = s.find('.') + 1 + static_cast<std::size_t>(decimals);
  std::string kept = s.substr(0, decimals == 0 ? cut - 1 : cut);  // no mark without decimals
  std::size_t k = kept.size();
  if (s[cut] >= '5') {  // at or above the half: away from zero
    for (; k > 0 && (kept[k - 1] == '9' || kept[k - 1] == '.'); --k)
      if (kept[k - 1] == '9') kept[k - 1] = '0';
    if (k == 0)
      kept.insert(kept.begin(), '1');
    else
      ++kept[k - 1];
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
    if (raw(back) != raw(rounded) && !(back == 0.0 && rounded == 0.0))
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
    double value;
    std::memcpy(&value, data, sizeof value);
    checkFormat(value, text);
  }
  return 0;
}
