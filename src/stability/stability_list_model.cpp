#include "stability/stability_list_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/numeric.h"
#include "core/simd_clones.h"
#include "core/studies.h"

namespace {

constexpr std::size_t kRecentLines = 128;

// Characters of a value shown with "0.00" (sign, whole part after rounding,
// two decimals), without the mark; at most one more near a power of ten.
inline std::int64_t fixed2Length(double v) {
  const double a = std::fabs(v);
  std::int64_t whole = 1;
  if (!(a < 9.99)) {  // 9.995 may show as 10.00; NaN and infinities too
    const double rounded = a + 0.005;
    if (!std::isfinite(rounded)) {
      whole = 8;
    } else if (rounded < 1e6) {
      for (double p = 10.0; rounded >= p; p *= 10.0) ++whole;
    } else {
      whole = static_cast<std::int64_t>(std::floor(std::log10(rounded))) + 1;
    }
  }
  return (v < 0.0 ? 1 : 0) + whole + 2;
}

// The characters one level's values take when shown, without marks and
// separators. Most levels hold only values below 9.99 in size: those are
// counted in one vectorised pass over the numbers (a level of a large table
// is read once here, at memory speed; the file is built at -O3).
ORV_AVX2_CLONES std::int64_t smallLevelChars(const double* v, std::int64_t columns, bool& large) {
  double negatives = 0.0;
  double inRange = 0.0;
  for (std::int64_t i = 0; i < columns; ++i) {
    negatives += v[i] < 0.0 ? 1.0 : 0.0;
    inRange += std::fabs(v[i]) < 9.99 ? 1.0 : 0.0;  // false for NaN
  }
  large = inRange != static_cast<double>(columns);
  return 3 * columns + static_cast<std::int64_t>(negatives);
}

std::int64_t levelChars(const double* v, std::int64_t columns) {
  bool large = false;
  const std::int64_t chars = smallLevelChars(v, columns, large);
  if (!large) return chars;
  std::int64_t all = 0;
  for (std::int64_t i = 0; i < columns; ++i) all += fixed2Length(v[i]);
  return all;
}

}  // namespace

void StabilityListModel::forget() {
  table_ = core::SharedTable();
  own_ = std::vector<double>();
  first_ = nullptr;
  stride_ = columns_ = levels_ = 0;
  h_ = 0.0;
  widest_ = 0;
  shown_ = false;
  hasTau_ = false;
  recent_.clear();
  recentNext_ = 0;
}

void StabilityListModel::setLevels(double h, std::int64_t columns, std::int64_t levels,
                                   core::SharedTable table, const QString& mark) {
  beginResetModel();
  forget();
  table_ = std::move(table);
  if (!table_.exists()) levels = 0;
  // Never past the table's bounds.
  if (table_.exists()) {
    columns = std::min(columns, table_.colUpper());
    levels = std::min(levels, table_.rowUpper());
  }
  const double* first = levels > 0 && columns > 0 ? table_.row(1) + 1 : nullptr;
  // Level m is row m + 1: the levels from copiesFrom - 1 on repeat the one before.
  const std::int64_t measured = table_.copiesFrom() != core::Table2::kNoCopies
                                    ? std::max<std::int64_t>(table_.copiesFrom() - 1, 1)
                                    : levels;
  show(h, columns, levels, first, table_.exists() ? table_.cols() : 0, mark, measured);
}

void StabilityListModel::setLevels(double h, std::int64_t columns, std::int64_t levels,
                                   std::vector<double> values, const QString& mark) {
  beginResetModel();
  forget();
  columns = std::max<std::int64_t>(columns, 0);
  if (static_cast<std::int64_t>(values.size()) < columns * levels) levels = 0;
  own_ = std::move(values);
  show(h, columns, levels, own_.data(), columns, mark, levels);
}

void StabilityListModel::show(double h, std::int64_t columns, std::int64_t levels,
                              const double* first, std::int64_t stride, const QString& mark,
                              std::int64_t measured) {
  columns_ = std::max<std::int64_t>(columns, 0);
  // A view counts its lines in int: the header and the levels must fit.
  levels_ = std::clamp<std::int64_t>(levels, 0, std::numeric_limits<int>::max() - 1);
  if (!first) levels_ = 0;
  first_ = first;
  stride_ = stride;
  shown_ = true;
  h_ = h;
  mark_ = mark.toStdString();
  // The widest line: the header is built once; the level lines are measured
  // in one pass over the numbers, up to the first of the levels that only
  // repeat the one before them.
  widest_ = static_cast<qsizetype>(core::stabilityHeaderLine(h_, columns_, mark_).size());
  if (levels_ > 0) {
    std::int64_t widestValues = 0;
    for (std::int64_t m = 0, end = std::min(levels_, measured); m < end; ++m)
      widestValues = std::max(widestValues, levelChars(first_ + m * stride_, columns_));
    // "n= " level " ", the last level having the most digits.
    const auto prefix =
        3 + static_cast<qsizetype>(core::formatPlain(double(levels_ - 1)).size()) + 1;
    const auto markLength = static_cast<qsizetype>(mark_.size());
    widest_ = std::max(widest_, prefix + static_cast<qsizetype>(widestValues) +
                                    static_cast<qsizetype>(columns_) * (3 + markLength));
  }
  endResetModel();
}

void StabilityListModel::clear() {
  beginResetModel();
  forget();
  endResetModel();
}

int StabilityListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !shown_) return 0;
  return static_cast<int>(levels_ + 1);
}

QString StabilityListModel::line(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  for (const auto& [r, text] : recent_) {
    if (r == row) return text;
  }
  QString text = buildLine(row);
  if (recent_.size() < kRecentLines) {
    recent_.emplace_back(row, text);
  } else {
    recent_[recentNext_] = {row, text};
    recentNext_ = (recentNext_ + 1) % kRecentLines;
  }
  return text;
}

QString StabilityListModel::buildLine(int row) const {
  if (row == 0) return QString::fromStdString(core::stabilityHeaderLine(h_, columns_, mark_));
  const std::int64_t level = row - 1;
  return QString::fromStdString(
      core::stabilityLevelLine(level, first_ + level * stride_, columns_, mark_));
}

std::size_t StabilityListModel::bytesHeld() const {
  return table_.bytes() + own_.size() * sizeof(double);
}
