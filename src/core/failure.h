// Every message the program can show, each with its French text: the
// refusals (the windows show `message` in the program's message box and
// change nothing else) and the few notices and file reports beside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace core {

enum class FailureCode {
  EmptyField,         // "Saisie incomplète !"
  BadR,               // "Valeur incorrecte de R !"
  BadS,               // "Valeur incorrecte de S !"
  BadDivisorK,        // "Valeur de k incorrecte !"
  LevelAboveK,        // "Saisie incorrecte : n doit être inférieure ou égale à K !"
  NumberOutOfRange,   // a typed number beyond the double range
  NTooSmall,          // N below 2
  KTooSmall,          // K below 1
  NotWhole,           // N or K with a fraction where the study needs whole counts
  TZero,              // T = 0 where Alpha = Epsilon/Tau is needed
  AlphaMinusOne,      // 1 + Alpha = 0
  NNOutOfRange,       // NN outside the 16-bit range, or 32767
  RTooLarge,          // R above 29
  STooLarge,          // S above 29
  TablesTooLarge,     // tables beyond the memory budget
  OutOfMemory,        // the system refused the memory of tables within the budget
  Overflow,           // a level, an error or an order ratio left the double range
  OrdersUndefined,    // orders whose ratio is not positive, or whose denominator is zero
  LevelNegative,      // a graph level n below 0
  Busy,               // another long computation is running
  NoResults,          // a graph window before any run of its scheme
  ResultsOutOfDate,   // a graph window whose table no longer has the stored N and K
  LevelNotComputed,   // a graph level beyond where the run stopped
  LevelNotFinite,     // a graph level holding infinities or NaN
  LevelNoScale,       // a first graph level that cannot fix a scale
  LevelAllZero,       // notice: a first graph level of zeros, drawn on the scale 0 .. 1
  WindowUnavailable,  // a menu item whose window kind is not registered
  SelectionTooLarge,  // a list selection too large to copy
  FileNotSaved,       // a list's CSV file could not be written
  ImageNotSaved,      // a drawing's image file could not be written
  PrintFailed,        // the printer could not be started
  ReportNotWritten,   // the session report could not be written
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
// The orders `names` ("q2, q3") undefined; `missing` the errors never
// computed ("E1, E2") with their divisors ("1, 2"), `button` the button that
// computes them and `name` its divisor ("R"), when any.
Failure ordersUndefined(std::size_t count, const std::string& names, const std::string& missing,
                        const std::string& button, const std::string& name,
                        const std::string& values);
Failure levelNegative();
Failure busy();
// The graph windows; `scheme` is "P0" or "Pepsilon", levels as shown.
Failure noResults(const std::string& scheme);
Failure resultsOutOfDate(const std::string& scheme);
Failure levelNotComputed(const std::string& level, const std::string& stoppedAt);
Failure levelNotFinite(const std::string& level);
Failure levelNoScale(const std::string& level);
Failure levelAllZero(const std::string& level);
Failure windowUnavailable();
Failure selectionTooLarge(std::int64_t lines);
// `file` as the system names it; `reason` the French reason, lower case.
Failure fileNotSaved(const std::string& file, const std::string& reason);
Failure imageNotSaved(const std::string& file, const std::string& reason);
Failure printFailed();
// `reason` in French, as the file errors give it.
Failure reportNotWritten(const std::string& fileName, const std::string& reason);
}  // namespace fail

}  // namespace core
