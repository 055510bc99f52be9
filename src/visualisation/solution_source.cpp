#include "visualisation/solution_source.h"

#include <algorithm>
#include <cmath>

#include "core/exact.h"
#include "core/numeric.h"
#include "shell/mod_general.h"
#include "ui/number_text.h"

namespace vis {

const core::Table2& SolutionSource::table(core::Scheme scheme) {
  const core::StudyState& s = ModGeneral::state();
  return scheme == core::Scheme::P0 ? s.SolP0 : s.SolPeps;
}

TableIdentity SolutionSource::identityOf(core::Scheme scheme) {
  const core::Table2& sol = table(scheme);
  TableIdentity id;
  id.writerSerial = ModGeneral::journal().writer(scheme).serial;
  if (!sol.exists()) return id;
  id.base = sol.row(sol.rowLower()) + sol.colLower();
  id.rowLower = sol.rowLower();
  id.rowUpper = sol.rowUpper();
  id.colLower = sol.colLower();
  id.colUpper = sol.colUpper();
  id.lastRow = sol.lastRowReached();
  return id;
}

bool SolutionSource::computed(core::Scheme scheme) {
  const core::Table2& sol = table(scheme);
  return sol.exists() && sol.rowLower() <= 1 && sol.colLower() <= 1 &&
         std::min(sol.lastRowReached(), sol.rowUpper()) >= 1 && sol.colUpper() >= 1;
}

void SolutionSource::setScheme(core::Scheme scheme) {
  if (scheme == scheme_) return;
  scheme_ = scheme;
  everLoaded_ = false;
}

bool SolutionSource::refresh() {
  const TableIdentity id = identityOf(scheme_);
  if (everLoaded_ && id == loaded_) return false;
  everLoaded_ = true;
  loaded_ = id;
  levels_ = points_ = 0;
  h_ = tau_ = 0;
  runMin_ = runMax_ = 0;
  extremesKnown_ = false;
  factors_.clear();
  writer_ = ModGeneral::journal().writer(scheme_);
  if (!computed(scheme_)) return true;

  const core::Table2& sol = table(scheme_);
  // Rows 1 .. lastRow hold levels 0 .. lastRow - 1; columns 1 .. N the points.
  levels_ = std::min(sol.lastRowReached(), sol.rowUpper());
  points_ = sol.colUpper();

  // Steps: those of the run that wrote the table when the journal's record
  // has its shape, else the ones the shape implies (h) or the stored ones.
  const core::StudyState& s = ModGeneral::state();
  const bool writerMatches = writer_.known && core::roundHalfEven(writer_.N) == points_ &&
                             core::roundHalfEven(writer_.K) + 1 == sol.rowUpper();
  h_ = writerMatches && writer_.h > 0 ? writer_.h : 1.0 / static_cast<double>(points_ + 1);
  if (writerMatches && writer_.Tau > 0)
    tau_ = writer_.Tau;
  else if (core::roundHalfEven(s.K) + 1 == sol.rowUpper() && s.Tau > 0 && std::isfinite(s.Tau))
    tau_ = s.Tau;

  if (writerMatches && writer_.exactData) {
    core::StudyState e;
    e.N = static_cast<double>(points_);
    e.h = h_;
    e.d = writer_.d;
    e.Pi = writer_.Pi;
    factors_ = core::spaceFactors(e);
  }
  return true;
}

std::pair<double, double> SolutionSource::extremes() const {
  if (extremesKnown_ || !available()) return {runMin_, runMax_};
  const core::Table2& sol = table(scheme_);
  // Per point over the levels first (a loop the compiler vectorises), then
  // over the points.
  std::vector<double> his(static_cast<std::size_t>(points_), 0.0), los(his);
  double* hp = his.data();
  double* lp = los.data();
  for (std::int64_t r = 1; r <= levels_; ++r) {
    const double* row = sol.row(r) + 1;
    for (std::int64_t i = 0; i < points_; ++i) {
      hp[i] = row[i] > hp[i] ? row[i] : hp[i];  // NaN compares false and is left out
      lp[i] = row[i] < lp[i] ? row[i] : lp[i];
    }
  }
  double lo = 0, hi = 0;
  for (std::int64_t i = 0; i < points_; ++i) {
    hi = std::max(hi, hp[i]);
    lo = std::min(lo, lp[i]);
  }
  runMin_ = std::isfinite(lo) ? lo : -1e308;
  runMax_ = std::isfinite(hi) ? hi : 1e308;
  extremesKnown_ = true;
  return {runMin_, runMax_};
}

QString SolutionSource::emptyReason() const {
  if (available()) return {};
  const core::Table2& sol = table(scheme_);
  const QString name =
      scheme_ == core::Scheme::P0 ? QStringLiteral("SolP0") : QStringLiteral("SolPeps");
  if (!sol.exists())
    return QStringLiteral(
               "Rien à afficher pour l'instant : la table %1 n'a pas encore été calculée. "
               "Lancez une étude (stabilité, consistance ou erreur) du schéma %2.")
        .arg(name, scheme_ == core::Scheme::P0 ? QStringLiteral("P0") : QStringLiteral("Pepsilon"));
  return QStringLiteral("La table %1 ne contient aucun niveau calculé.").arg(name);
}

const double* SolutionSource::level(std::int64_t n) const { return table(scheme_).row(n + 1) + 1; }

void SolutionSource::exactLevel(std::int64_t n, std::vector<double>& out) const {
  out.resize(static_cast<std::size_t>(points_));
  if (factors_.empty()) return;
  const double g = std::cos(writer_.w * t(n) + writer_.phi);
  for (std::int64_t i = 1; i <= points_; ++i)
    out[static_cast<std::size_t>(i - 1)] = g * factors_[static_cast<std::size_t>(i)];
}

QString shortNumber(double v, int significant) {
  QString text = QString::number(v, 'g', significant);
  const QString mark = ui::fromStd(ui::decimalMark());
  if (mark != QLatin1String(".")) text.replace(QLatin1Char('.'), mark);
  return text;
}

}  // namespace vis
