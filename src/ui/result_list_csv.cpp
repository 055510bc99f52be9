// The CSV form of a result list. A list of levels writes one header row
// "n,t,x=<x_1>,…,x=<x_N>" (t only when the time step is known) and one row
// per level: its number, its time and its values, all at full precision, so
// a spreadsheet gets one level per row and one point per column. A text
// list writes its column names and the numbers behind each line, or, when
// it has none, each line as one quoted text field.
#include <algorithm>

#include "ui/result_list.h"

namespace ui {

void ResultListModel::appendLine(const QString& text, std::vector<double> numbers) {
  if (mode_ != Mode::Text) clear();
  csvNumbers_.resize(static_cast<std::size_t>(lines_.size()));
  csvNumbers_.push_back(std::move(numbers));
  appendLine(text);
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
    out.text(std::string_view("n"));
    if (hasTau_) out.text(std::string_view("t"));
    char name[40] = "x=";
    for (std::int64_t i = 1; i <= columns_; ++i) {
      char* end = CsvBuffer::write(name + 2, h_ * static_cast<double>(i));
      out.text(std::string_view(name, static_cast<std::size_t>(end - name)));
    }
  } else if (csvColumns_.isEmpty()) {
    out.text(std::string_view("ligne"));
  } else {
    for (const QString& c : csvColumns_) out.text(c);
  }
  out.endRow();
}

void ResultListModel::csvRow(CsvBuffer& out, std::int64_t row) const {
  if (mode_ == Mode::Levels) {
    out.integer(row);
    if (hasTau_) out.number(static_cast<double>(row) * tau_);
    const double* v = values_.get() + row * columns_;
    for (std::int64_t i = 0; i < columns_; ++i) out.number(v[i]);
  } else {
    const auto r = static_cast<std::size_t>(row);
    if (!csvColumns_.isEmpty() && r < csvNumbers_.size() && !csvNumbers_[r].empty()) {
      for (double v : csvNumbers_[r]) out.number(v);
    } else {
      out.text(lines_.at(static_cast<qsizetype>(row)));
    }
  }
  out.endRow();
}

}  // namespace ui
