// The CSV form of a stability list: one level per row (n, t = n·Tau, its
// values), one point per column, read straight from the shared table.
#include "stability/stability_list_model.h"

ui::LevelsCsv StabilityListModel::levelsCsv() const {
  ui::LevelsCsv levels;
  levels.h = h_;
  levels.columns = columns_;
  levels.levels = shown_ ? levels_ : 0;
  levels.first = first_;
  levels.stride = stride_;
  levels.hasTau = hasTau_;
  levels.tau = tau_;
  return levels;
}

std::int64_t StabilityListModel::csvRows() const { return levelsCsv().csvRows(); }

std::int64_t StabilityListModel::csvFieldsPerRow() const { return columns_ + 2; }

void StabilityListModel::csvHeader(ui::CsvBuffer& out) const { levelsCsv().csvHeader(out); }

void StabilityListModel::csvRow(ui::CsvBuffer& out, std::int64_t row) const {
  levelsCsv().csvRow(out, row);
}
