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
Failure ordersUndefined(std::size_t count, const std::string& names, const std::string& missing,
                        const std::string& button, const std::string& name,
                        const std::string& values) {
  std::string text = count == 1 ? "L'ordre " + names + " n'a pas pu être calculé (indéfini)."
                                : "Les ordres " + names + " n'ont pas pu être calculés (indéfini).";
  if (!missing.empty())
    text += "\n\nErreurs nulles ou jamais calculées : " + missing + ". Lancez « " + button +
            " » pour " + name + " = " + values + ".";
  text +=
      "\n\nUn ordre n'est défini que si les trois erreurs qu'il utilise sont calculées, "
      "que deux erreurs successives sont différentes et que leurs différences sont de même signe.";
  return make(FailureCode::OrdersUndefined, std::move(text));
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

Failure noResults(const std::string& scheme) {
  return make(FailureCode::NoResults, "Aucun résultat du schéma " + scheme +
                                          " n'est disponible : lancez d'abord les calculs dans "
                                          "la fenêtre de stabilité.");
}
Failure resultsOutOfDate(const std::string& scheme) {
  return make(FailureCode::ResultsOutOfDate,
              "Les résultats du schéma " + scheme +
                  " ne correspondent pas aux valeurs actuelles de N et de K (un calcul refusé ou "
                  "un autre calcul les a modifiées) : relancez les calculs dans la fenêtre de "
                  "stabilité.");
}
Failure levelNotComputed(const std::string& level, const std::string& stoppedAt) {
  return make(FailureCode::LevelNotComputed,
              "Le niveau n = " + level +
                  " n'a pas été calculé : le calcul s'est arrêté au niveau n = " + stoppedAt + ".");
}
Failure levelNotFinite(const std::string& level) {
  return make(FailureCode::LevelNotFinite,
              "Le niveau n = " + level +
                  " contient des valeurs infinies ou indéterminées : il ne peut pas être tracé.");
}
Failure levelNoScale(const std::string& level) {
  return make(FailureCode::LevelNoScale,
              "Les valeurs du niveau n = " + level +
                  " sont trop grandes ou trop proches de 0 pour fixer l'échelle du graphe : "
                  "choisissez un autre niveau.");
}
Failure levelAllZero(const std::string& level) {
  return make(FailureCode::LevelAllZero,
              "Toutes les valeurs du niveau n = " + level +
                  " sont nulles : l'échelle du graphe est prise comme si la plus grande valeur "
                  "était 1 °C (de 0 à 1 °C).");
}
Failure windowUnavailable() {
  return make(FailureCode::WindowUnavailable, "Cette fenêtre n'est pas disponible.");
}
Failure selectionTooLarge(std::int64_t lines) {
  return make(FailureCode::SelectionTooLarge, "La sélection est trop grande pour être copiée (" +
                                                  std::to_string(lines) +
                                                  " lignes) : choisissez moins de lignes.");
}
Failure fileNotSaved(const std::string& file, const std::string& reason) {
  return make(FailureCode::FileNotSaved, "Le fichier « " + file +
                                             " » n'a pas pu être enregistré : " + reason +
                                             ".\nLa liste reste affichée telle quelle.");
}
Failure imageNotSaved(const std::string& file, const std::string& reason) {
  return make(FailureCode::ImageNotSaved, "L'image « " + file +
                                              " » n'a pas pu être enregistrée : " + reason +
                                              ".\nLe dessin reste affiché tel quel.");
}
Failure printFailed() {
  return make(FailureCode::PrintFailed,
              "L'impression n'a pas pu être lancée : vérifiez l'imprimante choisie.\n"
              "Le dessin reste affiché tel quel.");
}

}  // namespace core::fail
