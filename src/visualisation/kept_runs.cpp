#include "visualisation/kept_runs.h"

#include <algorithm>
#include <cmath>

#include "core/memory_budget.h"
#include "core/numeric.h"

namespace vis {

std::int64_t KeptRun::levelNear(double t, std::int64_t sameN) const {
  const std::int64_t last = std::max<std::int64_t>(levels - 1, 0);
  if (!(Tau > 0) || !std::isfinite(t)) return std::clamp<std::int64_t>(sameN, 0, last);
  const double n = std::round(t / Tau);
  return n >= static_cast<double>(last) ? last : n <= 0 ? 0 : static_cast<std::int64_t>(n);
}

QString runData(core::Scheme scheme, const core::TableWriter& writer, std::int64_t points,
                std::int64_t levels) {
  QString text = scheme == core::Scheme::P0 ? QStringLiteral("P0") : QStringLiteral("Pepsilon");
  // The run's K even when it stopped early (an overflow), if the journal knows it.
  const bool recorded = writer.known && core::roundHalfEven(writer.N) == points;
  const std::int64_t K =
      recorded ? core::roundHalfEven(writer.K) : std::max<std::int64_t>(levels - 1, 0);
  text += QStringLiteral(", N = %1, K = %2").arg(points).arg(K);
  if (recorded) {
    text += QStringLiteral(", Lambda = %1").arg(shortNumber(writer.Lambda, 5));
    if (scheme == core::Scheme::Peps)
      text += QStringLiteral(", Alpha = %1").arg(shortNumber(writer.Alpha, 5));
  }
  return text;
}

bool KeptRuns::holds(const SolutionSource& source) const {
  return std::any_of(runs_.begin(), runs_.end(), [&](const KeptRun& r) {
    return r.table.exists() &&
           r.table.row(r.table.rowLower()) + r.table.colLower() == source.identity().base;
  });
}

core::Outcome KeptRuns::keep(const SolutionSource& source) {
  if (!source.available() || full() || holds(source)) return {};
  const core::Table2& table = SolutionSource::table(source.scheme());
  // Held past the next run, the buffer makes that run take a new one: keep
  // only while the same table could still be made beside it.
  const double bytes = static_cast<double>(table.rowUpper() - table.rowLower() + 1) *
                       static_cast<double>(table.colUpper() - table.colLower() + 1) *
                       static_cast<double>(sizeof(double));
  if (core::Outcome refused = core::MemoryBudget::process().check(
          bytes, {}, "effacez les courbes gardées.", "garder cette courbe"))
    return refused;
  const core::Scheme scheme = source.scheme();
  const QString name =
      QStringLiteral("courbe gardée %1 (%2)")
          .arg(runs_.size() + 1)
          .arg(scheme == core::Scheme::P0 ? QStringLiteral("SolP0") : QStringLiteral("SolPeps"));
  runs_.push_back({.table = table.share(name.toStdString()),
                   .scheme = scheme,
                   .writer = source.writer(),
                   .levels = source.levels(),
                   .points = source.points(),
                   .h = source.h(),
                   .Tau = source.Tau(),
                   .runMin = source.runMin(),
                   .runMax = source.runMax()});
  return {};
}

QColor KeptRuns::colour(int k) {
  static const QColor colours[kMost] = {QColor(0, 128, 0), QColor(230, 120, 0), QColor(150, 0, 150),
                                        QColor(90, 90, 90)};
  return colours[k % kMost];
}

Qt::PenStyle KeptRuns::dash(int k) {
  static const Qt::PenStyle dashes[kMost] = {Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                             Qt::DashDotDotLine};
  return dashes[k % kMost];
}

}  // namespace vis
