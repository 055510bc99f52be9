// The CSV form of a result list. A list of levels writes itself as
// LevelsCsv (one level per row, one point per column). A text list writes
// its column names and the numbers behind each line, or, when it has none,
// each line as one quoted text field.
#include <algorithm>

#include "ui/result_list.h"

namespace ui {

void ResultListModel::appendLine(const QString& text, std::vector<double> numbers) {
  if (mode_ != Mode::Text) clear();
  csvNumbers_.resize(static_cast<std::size_t>(lines_.size()));
  csvNumbers_.push_back(std::move(numbers));
  appendLine(text);
}

LevelsCsv ResultListModel::levelsCsv() const {
  LevelsCsv levels;
  levels.h = h_;
  levels.columns = columns_;
  levels.levels = levels_;
  levels.first = values_.get();
  levels.stride = columns_;
  levels.hasTau = hasTau_;
  levels.tau = tau_;
  return levels;
}

std::int64_t ResultListModel::csvRows() const {
  return mode_ == Mode::Levels ? levels_ : static_cast<std::int64_t>(lines_.size());
}

std::int64_t ResultListModel::csvFieldsPerRow() const {
  if (mode_ == Mode::Levels) return columns_ + 2;
  return std::max<std::int64_t>(1, csvColumns_.size());
}

void ResultListModel::csvHeader(CsvBuffer& out) const {
  if (mode_ == Mode::Levels) {
    levelsCsv().csvHeader(out);
    return;
  }
  if (csvColumns_.isEmpty()) {
    out.text(std::string_view("ligne"));
  } else {
    for (const QString& c : csvColumns_) out.text(c);
  }
  out.endRow();
}

void ResultListModel::csvRow(CsvBuffer& out, std::int64_t row) const {
  if (mode_ == Mode::Levels) {
    levelsCsv().csvRow(out, row);
    return;
  }
  const auto r = static_cast<std::size_t>(row);
  if (!csvColumns_.isEmpty() && r < csvNumbers_.size() && !csvNumbers_[r].empty()) {
    for (double v : csvNumbers_[r]) out.number(v);
  } else {
    out.text(lines_.at(static_cast<qsizetype>(row)));
  }
  out.endRow();
}

}  // namespace ui
