// Typed text to numbers, numbers to shown text, whole numbers from stored
// values.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <string>

#include "core/numeric.h"
#include "core/study_state.h"
#include "support/reference_solution.h"

namespace {

using reftest::bits;

// Compared bit for bit, so the sign of a zero counts too.
TEST(ParseNumber, PrefixRule) {
  const struct {
    std::string text;
    double value;
  } cases[] = {{" 12abc", 12.0}, {"1.5e2", 150.0}, {"abc", 0.0}, {"0,5", 0.0}, {"-.5", -0.5},
               {"1D-2", 0.01}, {"1 e 2", 100.0}, {"1.2.3", 1.2}, {"1e", 1.0}, {" ", 0.0},
               {"9007199254740993", 9007199254740992.0},  // tie to even
               {"4.9e-324", 4.9e-324}, {"1e-999", 0.0}, {"-1e-999", -0.0},
               {"1" + std::string(300, '0') + "e-300", 1.0},
               {"0." + std::string(400, '0') + "1", 0.0}};
  for (const auto& c : cases) {
    const core::ParsedNumber p = core::parseNumber(c.text);
    EXPECT_FALSE(p.outOfRange) << '"' << c.text << '"';
    EXPECT_EQ(bits(p.value), bits(c.value)) << '"' << c.text << "\" read as " << p.value;
  }
  for (const std::string& text :
       {std::string("1e999"), std::string(" 1 e 400"), std::string(400, '9')})
    EXPECT_TRUE(core::parseNumber(text).outOfRange) << text;
  EXPECT_TRUE(core::anyEmpty({"1", "", "2"}));
  EXPECT_FALSE(core::anyEmpty({"1", " ", "abc"})) << "only the empty text is empty";
}

TEST(Format, PatternsRoundTheExactBinaryValueHalvesAway) {
  const struct {
    double value;
    int decimals;
    const char* mark;
    const char* text;
  } cases[] = {{0.875, 2, ".", "0.88"}, {2.5, 0, ".", "3"}, {-0.0, 2, ".", "0.00"},
               {1.005, 2, ".", "1.00"},  // the double lies just below 1.005
               {0.5, 2, ",", "0,50"}, {55.11351921262, 10, ".", "55.1135192126"},
               {5e-324, 10, ".", "0.0000000000"}, {1e23, 0, ".", "99999999999999991611392"}};
  for (const auto& c : cases)
    EXPECT_EQ(core::formatFixed(c.value, c.decimals, c.mark), c.text)
        << c.value << " / " << c.decimals;
  EXPECT_EQ(core::formatPlain(16.0), "16");
  EXPECT_EQ(core::formatPlain(0.1 + 0.2), "0.3");
  EXPECT_EQ(core::formatPlain(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(core::formatPlain(0.5, ","), "0,5");
  EXPECT_EQ(core::formatPlain(core::Real()), "") << "an unset value shows empty";
}

TEST(WholeNumbers, BoundsHalvesToEvenLoopsAndFloor) {
  const struct {
    double value;
    std::int64_t bound, last;
    double floor;
  } cases[] = {{2.5, 2, 2, 2}, {3.5, 4, 3, 3}, {0.5, 0, 0, 0}, {-2.5, -2, -3, -3},
               {2.6, 3, 2, 2}, {-0.5, 0, -1, -1},
               {4503599627370497.0, 4503599627370497, 4503599627370497, 4503599627370497.0}};
  for (const auto& c : cases) {
    EXPECT_EQ(core::roundHalfEven(c.value), c.bound) << c.value;
    EXPECT_EQ(core::loopLast(c.value), c.last) << c.value;
    EXPECT_EQ(core::floorOf(c.value), c.floor) << c.value;
  }
}

// The C library's locale plays no part: French still reads and shows the point.
TEST(Locale, FrenchCLocaleChangesNothing) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr) << "fr_FR.UTF-8 locale missing";
  const double half = core::parseNumber("0.5").value, big = core::parseNumber("1.5e2").value;
  const std::string shown = core::formatFixed(0.5, 2) + " " + core::formatPlain(0.25);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(bits(half), bits(0.5));
  EXPECT_EQ(bits(big), bits(150.0));
  EXPECT_EQ(shown, "0.50 0.25");
}

}  // namespace
