// The CSV form of a text result list: its column names and the numbers
// behind each line, or, for a line without numbers (or a list without
// columns), the line as one quoted text field.
#include <algorithm>

#include "ui/result_list.h"

namespace ui {

void ResultListModel::appendLine(const QString& text, std::vector<double> numbers) {
  csvNumbers_.resize(static_cast<std::size_t>(lines_.size()));
  csvNumbers_.push_back(std::move(numbers));
  appendLine(text);
}

std::int64_t ResultListModel::csvRows() const { return static_cast<std::int64_t>(lines_.size()); }

std::int64_t ResultListModel::csvFieldsPerRow() const {
  return std::max<std::int64_t>(1, csvColumns_.size());
}

void ResultListModel::csvHeader(CsvBuffer& out) const {
  if (csvColumns_.isEmpty()) {
    out.text(std::string_view("ligne"));
  } else {
    for (const QString& c : csvColumns_) out.text(c);
  }
  out.endRow();
}

void ResultListModel::csvRow(CsvBuffer& out, std::int64_t row) const {
  const auto r = static_cast<std::size_t>(row);
  if (!csvColumns_.isEmpty() && r < csvNumbers_.size() && !csvNumbers_[r].empty()) {
    for (double v : csvNumbers_[r]) out.number(v);
  } else {
    out.text(lines_.at(static_cast<qsizetype>(row)));
  }
  out.endRow();
}

}  // namespace ui
