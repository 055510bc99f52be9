// The list of a stability window: the header of abscissas "x =   " (h·i with
// "0.00"), then one line "n= <level> " per time level with its values. A
// list can hold millions of lines, so the model keeps no text and no copy of
// the numbers: it holds the run's table itself, read-only, shared with the
// study state (a later run re-creates the table on another buffer, so the
// list keeps showing its own run), and builds a line only when the view
// draws or copies it.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/table_storage.h"
#include "ui/result_list.h"

class StabilityListModel : public ui::LineListModel, public ui::CsvWritable {
  Q_OBJECT

 public:
  using ui::LineListModel::LineListModel;

  // Levels 0 .. levels - 1 are rows 1 .. levels of `table`, columns 1 ..
  // columns. The model keeps the share; nothing is copied.
  void setLevels(double h, std::int64_t columns, std::int64_t levels, core::SharedTable table,
                 const QString& mark);
  // The same from plain numbers, level 0 first, `columns` values per level
  // (the model keeps the vector).
  void setLevels(double h, std::int64_t columns, std::int64_t levels, std::vector<double> values,
                 const QString& mark);
  void clear();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QString line(int row) const override;
  // Bytes of the numbers the model keeps alive: the shared table's buffer
  // counts whole, as the process's memory budget counts it.
  std::size_t bytesHeld() const override;

  // CSV export (stability_list_csv.cpp), through ui::LevelsCsv: t = n·Tau is
  // written once the time step is given (after setLevels).
  void setTimeStep(double tau) {
    tau_ = tau;
    hasTau_ = true;
  }
  std::int64_t csvRows() const override;
  std::int64_t csvFieldsPerRow() const override;
  void csvHeader(ui::CsvBuffer& out) const override;
  void csvRow(ui::CsvBuffer& out, std::int64_t row) const override;

  // The buffer shown (for tests: shared with the table that the run filled).
  const core::SharedTable& table() const { return table_; }

 private:
  // Shows `levels` levels; the first `measured` are measured for the widest
  // line, the others repeating the last of those.
  void show(double h, std::int64_t columns, std::int64_t levels, const double* first,
            std::int64_t stride, const QString& mark, std::int64_t measured);
  void forget();
  QString buildLine(int row) const;

  core::SharedTable table_;
  std::vector<double> own_;
  const double* first_ = nullptr;  // column 1 of level 0
  std::int64_t stride_ = 0;
  std::int64_t columns_ = 0;
  std::int64_t levels_ = 0;
  double h_ = 0.0;
  std::string mark_ = ".";
  bool shown_ = false;  // the header and the levels, or nothing after clear()
  double tau_ = 0.0;
  bool hasTau_ = false;
  ui::LevelsCsv levelsCsv() const;
  // The last lines built, so that a repaint or a horizontal scroll does not
  // format the same long lines again.
  mutable std::vector<std::pair<int, QString>> recent_;
  mutable std::size_t recentNext_ = 0;
};
