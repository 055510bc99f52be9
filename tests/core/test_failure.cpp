// The messages whose wording the program's users know by heart.
#include <gtest/gtest.h>

#include "core/failure.h"

namespace {

TEST(Failure, FixedTexts) {
  using core::FailureCode;
  const struct {
    core::Failure failure;
    FailureCode code;
    const char* text;
  } cases[] = {
      {core::fail::emptyField(), FailureCode::EmptyField, "Saisie incomplète !"},
      {core::fail::badR(), FailureCode::BadR, "Valeur incorrecte de R !"},
      {core::fail::badS(), FailureCode::BadS, "Valeur incorrecte de S !"},
      {core::fail::badDivisorK(), FailureCode::BadDivisorK, "Valeur de k incorrecte !"},
      {core::fail::levelAboveK(), FailureCode::LevelAboveK,
       "Saisie incorrecte : n doit être inférieure ou égale à K !"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.failure.code, c.code);
    EXPECT_EQ(c.failure.message, c.text);
  }
  // The overflow message names the level it stopped at.
  EXPECT_NE(core::fail::overflow(184).message.find("184"), std::string::npos);
}

}  // namespace
