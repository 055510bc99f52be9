// The result list of the study windows. A list can hold millions of lines, so
// the model keeps the numbers themselves (one contiguous vector of doubles)
// and builds the text of a line only when the view draws or copies it. The
// copy keeps a list as it was shown even when a later run overwrites the
// shared solution tables. Small lists (consistency, error study) use the
// plain text mode: append a line, clear.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QString>
#include <QStringList>
#include <QStyledItemDelegate>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/export_csv.h"

namespace ui {

class ResultListModel : public QAbstractListModel, public CsvWritable {
  Q_OBJECT

 public:
  explicit ResultListModel(QObject* parent = nullptr);

  // Levels of a solution: the header of abscissas "x =   " (h·i, "0.00"), then
  // one line "n= <level> " per level with its `columns` values. `values`
  // holds levels × columns doubles, level 0 first, row by row.
  // Returns false, with an empty list, when the memory for the copy is not there.
  bool setLevels(double h, std::int64_t columns, std::int64_t levels, std::vector<double> values,
                 const QString& mark);
  // The same, copying level n from firstRow + n × rowStride (the rows of a
  // solution table, column 1 first) in one pass over the numbers.
  bool setLevels(double h, std::int64_t columns, std::int64_t levels, const double* firstRow,
                 std::int64_t rowStride, const QString& mark);

  // Plain text mode.
  void appendLine(const QString& text);
  void clear();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // The text of line `row` (0 = first line), as shown.
  QString line(int row) const;
  // The length, in characters, of the longest line (or one or two more).
  qsizetype widestLine() const { return widest_; }
  // Memory the model keeps for its lines (numbers or texts), in bytes.
  std::size_t bytesHeld() const;

  // CSV export (result_list_csv.cpp): the levels' time step (t = n·Tau is
  // written when known; set it after setLevels), the column names of a text
  // list and, per line, the numbers behind its text.
  void setTimeStep(double tau) {
    tau_ = tau;
    hasTau_ = true;
  }
  void setCsvColumns(const QStringList& names) { csvColumns_ = names; }
  void appendLine(const QString& text, std::vector<double> numbers);
  std::int64_t csvRows() const override;
  std::int64_t csvFieldsPerRow() const override;
  void csvHeader(CsvBuffer& out) const override;
  void csvRow(CsvBuffer& out, std::int64_t row) const override;

 private:
  LevelsCsv levelsCsv() const;
  enum class Mode { Text, Levels };
  void resetContents();
  bool startLevels(double h, std::int64_t columns, std::int64_t levels, const QString& mark);
  void finishLevels(std::int64_t widestValues);
  QString buildLine(int row) const;

  Mode mode_ = Mode::Text;
  QStringList lines_;
  struct Free {
    void operator()(double* p) const;
  };
  std::unique_ptr<double[], Free> values_;  // levels × columns, filled before use
  std::int64_t columns_ = 0;
  std::int64_t levels_ = 0;
  double h_ = 0.0;
  std::string mark_ = ".";
  qsizetype widest_ = 0;
  double tau_ = 0.0;
  bool hasTau_ = false;
  QStringList csvColumns_;
  std::vector<std::vector<double>> csvNumbers_;
  // The last lines built, so that a repaint or a horizontal scroll does not
  // format the same long lines again.
  mutable std::vector<std::pair<int, QString>> recent_;
  mutable std::size_t recentNext_ = 0;
};

// Draws a line from a fixed-pitch font and only the characters that fall in
// the visible part of the viewport, so that very long lines cost no more
// than short ones.
class ResultLineDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The list view: every line the same height, extended selection, Ctrl+C and
// the context menu ("Copier", "Tout sélectionner") copy the selected lines
// exactly as shown, one per line.
class ResultListView : public QListView {
  Q_OBJECT

 public:
  explicit ResultListView(QWidget* parent = nullptr);

  ResultListModel* resultModel() const { return model_; }
  // The selected lines' text, in list order, joined by line feeds.
  QString selectedText() const;
  // Copies the selected lines to the clipboard; a selection too large to copy
  // is refused with a message.
  void copySelection();

  // Largest text the clipboard receives, in characters.
  static constexpr qsizetype kMaxCopyChars = 64 * 1024 * 1024;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void widthMayHaveChanged();

  ResultListModel* model_;
  qsizetype laidOutWidest_ = 0;
};

}  // namespace ui
