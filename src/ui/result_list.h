// The result lists of the study windows. A list is a model of lines that
// builds the text of a line when asked (LineListModel): the plain text lines
// of the consistency and error windows (ResultListModel: append a line,
// clear), or the levels of a whole solution, which the stability windows
// keep beside themselves (stability/stability_list_model.h).
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QString>
#include <QStringList>
#include <QStyledItemDelegate>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/export_csv.h"

namespace ui {

class LineListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  // The text of line `row` (0 = first line), as shown; empty outside the list.
  virtual QString line(int row) const = 0;
  // The length, in characters, of the longest line (or a few more).
  virtual qsizetype widestLine() const { return widest_; }
  // Memory the model keeps for its lines, in bytes.
  virtual std::size_t bytesHeld() const = 0;

  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 protected:
  qsizetype widest_ = 0;  // kept up to date by models that measure their lines
};

// Plain text lines.
class ResultListModel : public LineListModel, public CsvWritable {
  Q_OBJECT

 public:
  using LineListModel::LineListModel;

  void clear();
  void appendLine(const QString& text);
  // A line with the numbers behind its text, which the CSV export writes
  // under the columns named by setCsvColumns (result_list_csv.cpp).
  void appendLine(const QString& text, std::vector<double> numbers);
  void setCsvColumns(const QStringList& names) { csvColumns_ = names; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QString line(int row) const override;
  std::size_t bytesHeld() const override;

  std::int64_t csvRows() const override;
  std::int64_t csvFieldsPerRow() const override;
  void csvHeader(CsvBuffer& out) const override;
  void csvRow(CsvBuffer& out, std::int64_t row) const override;

 private:
  QStringList lines_;
  QStringList csvColumns_;
  std::vector<std::vector<double>> csvNumbers_;
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
  ~ResultListView() override;

  // The plain text lines the view shows unless another model is set.
  ResultListModel* resultModel() const { return text_; }
  // The model shown; nullptr shows the plain text lines again. The view does
  // not take ownership.
  void setLineModel(LineListModel* model);
  LineListModel* lineModel() const { return model_; }
  // The selected lines' text, in list order, joined by line feeds.
  QString selectedText() const;
  // Copies the selected lines to the clipboard; a selection too large to copy
  // is refused with a message.
  void copySelection();

  // Largest text the clipboard receives, in characters.
  static constexpr qsizetype kMaxCopyChars = 64 * 1024 * 1024;

 public slots:
  void doItemsLayout() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void widthMayHaveChanged();

  ResultListModel* text_;
  LineListModel* model_;
  qsizetype laidOutWidest_ = 0;
};

}  // namespace ui
