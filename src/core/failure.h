// Every refusal the program can give, each with its French message. The
// windows show `message` in the program's message box and change nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace core {

enum class FailureCode {
  EmptyField,        // "Saisie incomplète !"
  BadR,              // "Valeur incorrecte de R !"
  BadS,              // "Valeur incorrecte de S !"
  BadDivisorK,       // "Valeur de k incorrecte !"
  LevelAboveK,       // "Saisie incorrecte : n doit être inférieure ou égale à K !"
  NumberOutOfRange,  // a typed number beyond the double range
  NTooSmall,         // N below 2
  KTooSmall,         // K below 1
  NotWhole,          // N or K with a fraction where the study needs whole counts
  TZero,             // T = 0 where Alpha = Epsilon/Tau is needed
  AlphaMinusOne,     // 1 + Alpha = 0
  NNOutOfRange,      // NN outside the 16-bit range, or 32767
  RTooLarge,         // R above 29
  STooLarge,         // S above 29
  TablesTooLarge,    // tables beyond the memory budget
  OutOfMemory,       // the system refused the memory of tables within the budget
  Overflow,          // a level, an error or an order ratio left the double range
  OrderUndefined,    // an order ratio not positive, or a zero denominator
  LevelNegative,     // a graph level n below 0
  Busy,              // another long computation is running
  ReportNotWritten,  // the session report could not be written
};

struct Failure {
  FailureCode code;
  std::string message;
};

using Outcome = std::optional<Failure>;  // empty = success

namespace fail {
Failure emptyField();
Failure badR();
Failure badS();
Failure badDivisorK();
Failure levelAboveK();
Failure numberOutOfRange(const std::string& fieldCaption);
Failure nTooSmall();
Failure kTooSmall();
Failure notWhole(const std::string& name);  // "N" or "K"
Failure tZero();
Failure alphaMinusOne();
Failure nnOutOfRange();
Failure rTooLarge();
Failure sTooLarge();
Failure tablesTooLarge(double bytesNeeded, double bytesAllowed,
                       const std::string& advice = "Réduisez N ou K.");
Failure outOfMemory();
Failure overflow(std::int64_t level);  // first time level holding a non-finite value
// An error norm beyond the double range; `name` as the list shows it ("E4", "E(k = 2)").
Failure errorOverflow(const std::string& name);
// The ratio of order `letter``index` (q1, p3) beyond the double range.
Failure orderOverflow(char letter, std::int64_t index);
Failure orderUndefined(char letter, std::int64_t index);
Failure levelNegative();
Failure busy();
// `reason` in French, as the file errors give it.
Failure reportNotWritten(const std::string& fileName, const std::string& reason);
}  // namespace fail

}  // namespace core
