// Typed text to numbers, numbers to shown text, and whole numbers taken from
// stored values.
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/numeric.h"
#include "core/study_state.h"

namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

struct ParseCase {
  const char* text;
  double value;
};

// Every case is compared bit for bit, so the sign of a zero counts too.
const ParseCase kParseCases[] = {
    {" 12abc", 12.0},
    {"1.5e2", 150.0},
    {"abc", 0.0},
    {"0,5", 0.0},
    {"-.5", -0.5},
    {"1 2", 12.0},
    {"1e", 1.0},
    {"1d", 1.0},
    {"- 2", -2.0},
    {"1d2", 100.0},
    {"1D-2", 0.01},
    {"1E+2", 100.0},
    {"1 e 2", 100.0},
    {"\t7\n", 7.0},
    {"+3", 3.0},
    {".5", 0.5},
    {"5.", 5.0},
    {"1.2.3", 1.2},
    {"1e2x", 100.0},
    {"", 0.0},
    {" ", 0.0},
    {".", 0.0},
    {"-", 0.0},
    {"--5", 0.0},
    {"e5", 0.0},
    {"0.1", 0.1},
    {"0.3", 0.3},
    {"3.1415926535898", 3.1415926535898},
    {"9007199254740993", 9007199254740992.0},  // exact tie: to even
    {"123456789012345678901234567890", 123456789012345678901234567890.0},
    {"2.2250738585072011e-308", 2.2250738585072011e-308},
    {"4.9e-324", 4.9e-324},
    {"1.7976931348623157e308", 1.7976931348623157e308},
    {"1e-999", 0.0},
    {"0e99999", 0.0},
    {"1e00000000000000000002", 100.0},
    {"0.000000000000000000000000000001e30", 1.0},
};

TEST(ParseNumber, PrefixRule) {
  for (const auto& c : kParseCases) {
    const core::ParsedNumber p = core::parseNumber(c.text);
    EXPECT_FALSE(p.outOfRange) << '"' << c.text << '"';
    EXPECT_EQ(bits(p.value), bits(c.value)) << '"' << c.text << "\" read as " << p.value;
  }
}

TEST(ParseNumber, TooSmallKeepsItsSign) {
  const core::ParsedNumber p = core::parseNumber("-1e-999");
  EXPECT_FALSE(p.outOfRange);
  EXPECT_EQ(p.value, 0.0);
  EXPECT_TRUE(std::signbit(p.value));
}

TEST(ParseNumber, BeyondTheDoubleRange) {
  for (const char* text : {"1e999", "-1e999", "1.8e308", " 1 e 400", "1e99999999999999999999"}) {
    EXPECT_TRUE(core::parseNumber(text).outOfRange) << '"' << text << '"';
  }
}

// Long pasted texts: every digit counts, exponents of any length.
TEST(ParseNumber, LongTexts) {
  EXPECT_TRUE(core::parseNumber(std::string(400, '9')).outOfRange);
  const core::ParsedNumber tiny = core::parseNumber("0." + std::string(400, '0') + "1");
  EXPECT_FALSE(tiny.outOfRange);
  EXPECT_EQ(bits(tiny.value), bits(0.0));
  EXPECT_EQ(bits(core::parseNumber(std::string(400, '0') + "1").value), bits(1.0));
  EXPECT_EQ(bits(core::parseNumber("1" + std::string(300, '0') + "e-300").value), bits(1.0));
  EXPECT_EQ(bits(core::parseNumber("0." + std::string(299, '0') + "1e300").value), bits(1.0));
  const core::ParsedNumber negExp = core::parseNumber("1e-99999999999999999999");
  EXPECT_FALSE(negExp.outOfRange);
  EXPECT_EQ(bits(negExp.value), bits(0.0));
}

TEST(EmptyField, OnlyTheEmptyTextIsEmpty) {
  EXPECT_TRUE(core::isEmptyField(""));
  EXPECT_FALSE(core::isEmptyField(" "));
  EXPECT_TRUE(core::anyEmpty({"1", "", "2"}));
  EXPECT_FALSE(core::anyEmpty({"1", " ", "abc"}));
}

struct FixedCase {
  double value;
  int decimals;
  const char* mark;
  const char* text;
};

const FixedCase kFixedCases[] = {
    {0.875, 2, ".", "0.88"},
    {2.5, 0, ".", "3"},
    {-2.5, 0, ".", "-3"},
    {0.5, 0, ".", "1"},
    {0.4999999999999999, 0, ".", "0"},
    {-0.001, 2, ".", "-0.00"},
    {-0.0, 2, ".", "0.00"},
    {0.0, 0, ".", "0"},
    {1.005, 2, ".", "1.00"},  // the double lies just below 1.005
    {0.125, 2, ".", "0.13"},
    {9.999, 2, ".", "10.00"},
    {-9.999, 2, ".", "-10.00"},
    {0.5, 2, ",", "0,50"},
    {-1.25, 1, ",", "-1,3"},
    {0.25, 5, ".", "0.25000"},
    {0.0625, 5, ".", "0.06250"},
    {0.0625, 4, ".", "0.0625"},
    {1.0 / 3.0, 10, ".", "0.3333333333"},
    {55.11351921262, 10, ".", "55.1135192126"},
    {5e-324, 10, ".", "0.0000000000"},
    {1e22, 0, ".", "10000000000000000000000"},
    {1e23, 0, ".", "99999999999999991611392"},  // the exact value of the double
    {1e23, 2, ".", "99999999999999991611392.00"},
    {16.0, 0, ".", "16"},
};

TEST(FormatFixed, RoundsTheExactBinaryValueHalvesAway) {
  for (const auto& c : kFixedCases) {
    EXPECT_EQ(core::formatFixed(c.value, c.decimals, c.mark), c.text)
        << c.value << " with " << c.decimals << " decimals";
  }
}

TEST(FormatPlain, WholeNumbersAndFifteenDigits) {
  EXPECT_EQ(core::formatPlain(16.0), "16");
  EXPECT_EQ(core::formatPlain(0.0), "0");
  EXPECT_EQ(core::formatPlain(-3.0), "-3");
  EXPECT_EQ(core::formatPlain(123456789.0), "123456789");
  EXPECT_EQ(core::formatPlain(0.5), "0.5");
  EXPECT_EQ(core::formatPlain(0.5, ","), "0,5");
  EXPECT_EQ(core::formatPlain(-0.25), "-0.25");
  EXPECT_EQ(core::formatPlain(123.456), "123.456");
  EXPECT_EQ(core::formatPlain(0.1 + 0.2), "0.3");
  EXPECT_EQ(core::formatPlain(1.0000000000000002), "1");
  EXPECT_EQ(core::formatPlain(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(core::formatPlain(2.0 / 3.0), "0.666666666666667");
  EXPECT_EQ(core::formatPlain(0.0625), "0.0625");
}

TEST(FormatPlain, UnsetValueShowsEmpty) {
  core::Real r;
  EXPECT_EQ(core::formatPlain(r), "");
  r = 2.5;
  EXPECT_EQ(core::formatPlain(r), "2.5");
  EXPECT_EQ(core::formatPlain(r, ","), "2,5");
}

TEST(WholeNumbers, HalvesToEvenForBounds) {
  const struct {
    double value;
    std::int64_t whole;
  } cases[] = {{2.5, 2}, {3.5, 4}, {0.5, 0}, {1.5, 2}, {-2.5, -2}, {-3.5, -4}, {2.4999999, 2},
               {2.6, 3}, {7.0, 7}, {1e9, 1000000000}, {4503599627370497.0, 4503599627370497}};
  for (const auto& c : cases) EXPECT_EQ(core::roundHalfEven(c.value), c.whole) << c.value;
}

TEST(WholeNumbers, LoopsStopAtTheLastWholeCounter) {
  EXPECT_EQ(core::loopLast(2.5), 2);
  EXPECT_EQ(core::loopLast(2.0), 2);
  EXPECT_EQ(core::loopLast(3.5), 3);
  EXPECT_EQ(core::loopLast(1.9999999), 1);
  EXPECT_EQ(core::loopLast(0.0), 0);
  EXPECT_EQ(core::loopLast(-0.5), -1);
}

TEST(WholeNumbers, WholePartIsTheFloor) {
  EXPECT_EQ(core::wholePart(2.7), 2.0);
  EXPECT_EQ(core::wholePart(2.9), 2.0);
  EXPECT_EQ(core::wholePart(-0.5), -1.0);
  EXPECT_EQ(core::wholePart(-3.0), -3.0);
  EXPECT_EQ(core::wholePart(29.0), 29.0);
}

// The C library's locale must play no part: a French locale (comma as its
// decimal mark) still reads and shows the point.
TEST(Locale, FrenchCLocaleChangesNothing) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr) << "fr_FR.UTF-8 locale missing";
  const core::ParsedNumber p = core::parseNumber("0.5");
  const std::string fixed = core::formatFixed(0.5, 2);
  const std::string plain = core::formatPlain(0.25);
  const core::ParsedNumber big = core::parseNumber("1.5e2");
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(bits(p.value), bits(0.5));
  EXPECT_EQ(bits(big.value), bits(150.0));
  EXPECT_EQ(fixed, "0.50");
  EXPECT_EQ(plain, "0.25");
}

}  // namespace
