#include "core/failure.h"

#include <cmath>
#include <string>

#include "core/numeric.h"

namespace core::fail {

namespace {
Failure make(FailureCode code, std::string text) { return Failure{code, std::move(text)}; }

std::string megabytes(double bytes) {
  return formatFixed(std::ceil(bytes / (1024.0 * 1024.0)), 0, ",");
}
}  // namespace

Failure emptyField() { return make(FailureCode::EmptyField, "Saisie incomplète !"); }
Failure badR() { return make(FailureCode::BadR, "Valeur incorrecte de R !"); }
Failure badS() { return make(FailureCode::BadS, "Valeur incorrecte de S !"); }
Failure badDivisorK() { return make(FailureCode::BadDivisorK, "Valeur de k incorrecte !"); }
Failure levelAboveK() {
  return make(FailureCode::LevelAboveK,
              "Saisie incorrecte : n doit être inférieure ou égale à K !");
}
Failure numberOutOfRange(const std::string& fieldCaption) {
  return make(FailureCode::NumberOutOfRange,
              "Valeur trop grande pour " + fieldCaption +
                  " : un nombre doit rester inférieur à 1,7E+308 en valeur absolue.");
}
Failure nTooSmall() {
  return make(FailureCode::NTooSmall,
              "Valeur incorrecte de N : il faut au moins 2 points intérieurs (N >= 2).");
}
Failure kTooSmall() {
  return make(FailureCode::KTooSmall,
              "Valeur incorrecte de K : il faut au moins un intervalle de temps (K >= 1).");
}
Failure notWhole(const std::string& name) {
  return make(FailureCode::NotWhole,
              "Valeur incorrecte de " + name + " : " + name + " doit être un nombre entier.");
}
Failure tZero() {
  return make(FailureCode::TZero,
              "Valeur incorrecte de T : la durée totale ne peut pas être nulle, "
              "car Alpha = Epsilon/Tau divise par Tau.");
}
Failure alphaMinusOne() {
  return make(FailureCode::AlphaMinusOne,
              "Valeur incorrecte de Epsilon : avec Epsilon = -Tau, 1 + Alpha est nul "
              "et le schéma divise par zéro.");
}
Failure nnOutOfRange() {
  return make(FailureCode::NNOutOfRange,
              "Valeur incorrecte de n : n doit être un entier compris entre -32768 et 32766.");
}
Failure rTooLarge() {
  return make(FailureCode::RTooLarge, "Valeur incorrecte de R : R doit être au plus 29.");
}
Failure sTooLarge() {
  return make(FailureCode::STooLarge, "Valeur incorrecte de S : S doit être au plus 29.");
}
Failure tablesTooLarge(double bytesNeeded, double bytesAllowed, const std::string& advice) {
  return make(FailureCode::TablesTooLarge,
              "Calcul trop volumineux : les tableaux demanderaient " + megabytes(bytesNeeded) +
                  " Mo, au-delà de la limite de " + megabytes(bytesAllowed) + " Mo. " + advice);
}
Failure outOfMemory() {
  return make(FailureCode::OutOfMemory,
              "Mémoire insuffisante : le système n'a pas pu fournir les tableaux du calcul. "
              "Fermez d'autres programmes ou réduisez N ou K.");
}
Failure overflow(std::int64_t level) {
  return make(FailureCode::Overflow,
              "Les valeurs sortent du domaine des nombres représentables au niveau n = " +
                  std::to_string(level) +
                  " : le calcul est arrêté là ; les niveaux précédents sont conservés.");
}
Failure errorOverflow(const std::string& name) {
  return make(FailureCode::Overflow,
              "L'erreur " + name +
                  " dépasse le domaine des nombres représentables : elle n'est pas ajoutée à la "
                  "liste ; les niveaux calculés sont conservés.");
}
Failure orderOverflow(char letter, std::int64_t index) {
  return make(FailureCode::Overflow,
              std::string("Le rapport des différences d'erreurs de l'ordre ") + letter +
                  std::to_string(index) +
                  " dépasse le domaine des nombres représentables : l'ordre n'est pas calculé.");
}
Failure orderUndefined(char letter, std::int64_t index) {
  return make(FailureCode::OrderUndefined,
              std::string("Ordre ") + letter + std::to_string(index) +
                  " non calculable : le rapport des différences d'erreurs n'est pas strictement "
                  "positif ou son dénominateur est nul (une erreur nécessaire n'a peut-être pas "
                  "été calculée).");
}
Failure levelNegative() {
  return make(FailureCode::LevelNegative,
              "Saisie incorrecte : n doit être supérieure ou égale à 0 !");
}
Failure busy() {
  return make(FailureCode::Busy,
              "Un calcul est déjà en cours dans une autre fenêtre. Attendez qu'il se termine, "
              "ou appuyez sur une touche dans sa fenêtre pour l'arrêter.");
}
Failure reportNotWritten(const std::string& fileName, const std::string& reason) {
  return make(FailureCode::ReportNotWritten, "Le rapport « " + fileName +
                                                 " » n'a pas pu être écrit : " + reason +
                                                 ". Aucun fichier incomplet n'a été laissé.");
}

}  // namespace core::fail
