#include "ui/result_list.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

#include "ui/keyboard.h"
#include "ui/message.h"

namespace ui {

// ------------------------------------------------------------------ models

QVariant LineListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return line(index.row());
  return {};
}

void ResultListModel::appendLine(const QString& text) {
  const int row = static_cast<int>(lines_.size());
  beginInsertRows(QModelIndex(), row, row);
  lines_.append(text);
  widest_ = std::max(widest_, text.size());
  endInsertRows();
}

void ResultListModel::clear() {
  beginResetModel();
  lines_.clear();
  csvNumbers_.clear();
  widest_ = 0;
  endResetModel();
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QString ResultListModel::line(int row) const {
  return row >= 0 && row < lines_.size() ? lines_.at(row) : QString();
}

std::size_t ResultListModel::bytesHeld() const {
  std::size_t bytes = 0;
  for (const QString& l : lines_) bytes += static_cast<std::size_t>(l.capacity()) * sizeof(QChar);
  return bytes;
}

// --------------------------------------------------------------- delegate

namespace {

qreal charWidth(const QFont& font) {
  const QFontMetricsF fm(font);
  return fm.horizontalAdvance(QString(64, QLatin1Char('0'))) / 64.0;
}

int textMargin(const QWidget* widget) {
  const QStyle* style = widget ? widget->style() : QApplication::style();
  return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}

}  // namespace

void ResultLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QString text = opt.text;
  opt.text.clear();
  const QWidget* widget = opt.widget;
  const QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
  if (text.isEmpty()) return;

  const qreal cw = charWidth(opt.font);
  const qreal left = opt.rect.left() + textMargin(widget);
  QRectF visible = opt.rect;
  if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
    visible = visible.intersected(QRectF(view->viewport()->rect()));
  }
  const auto first =
      std::max<qsizetype>(0, static_cast<qsizetype>(std::floor((visible.left() - left) / cw)) - 1);
  const auto last = std::min<qsizetype>(
      text.size(), static_cast<qsizetype>(std::ceil((visible.right() - left) / cw)) + 2);
  if (first >= last) return;

  const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                     : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                          : QPalette::Inactive;
  painter->save();
  painter->setFont(opt.font);
  painter->setPen(opt.palette.color(
      group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
  const QRectF target(left + static_cast<qreal>(first) * cw, opt.rect.top(),
                      static_cast<qreal>(last - first + 1) * cw, opt.rect.height());
  painter->drawText(target, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    text.mid(first, last - first));
  painter->restore();
}

QSize ResultLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  opt.text = QStringLiteral("0");
  const QWidget* widget = opt.widget;
  const QStyle* style = widget ? widget->style() : QApplication::style();
  QSize size = style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), widget);
  qsizetype chars = index.data().toString().size();
  if (const auto* m = qobject_cast<const LineListModel*>(index.model())) {
    chars = std::max(chars, m->widestLine());
  }
  const qreal width = static_cast<qreal>(chars) * charWidth(opt.font) + 2 * textMargin(widget) + 2;
  size.setWidth(static_cast<int>(std::min<qreal>(std::ceil(width), 1 << 30)));
  return size;
}

// ------------------------------------------------------------------- view

ResultListView::ResultListView(QWidget* parent)
    : QListView(parent), text_(new ResultListModel(this)), model_(nullptr) {
  setLineModel(nullptr);
  setItemDelegate(new ResultLineDelegate(this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Scrolling by pixels spares the view a list of every line's place each
  // time it lays them out (a million lines in a long run).
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPointSizeF(9);
  setFont(mono);
  repaintOnFocus(this);
}

ResultListView::~ResultListView() {
  // The models die with the view's children, after this: let them go quietly.
  if (model_) disconnect(model_, nullptr, this, nullptr);
}

void ResultListView::setLineModel(LineListModel* model) {
  if (!model) model = text_;
  if (model == model_) return;
  if (model_) disconnect(model_, nullptr, this, nullptr);
  model_ = model;
  setModel(model_);
  laidOutWidest_ = model_->widestLine();
  // Appending a longer line changes every line's width: lay out again.
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { widthMayHaveChanged(); });
  connect(model_, &QAbstractItemModel::modelReset, this,
          [this] { laidOutWidest_ = model_->widestLine(); });
  // A model that goes away before the view leaves the plain lines shown.
  connect(model_, &QObject::destroyed, this, [this](QObject* gone) {
    if (gone == model_) {
      model_ = nullptr;
      setLineModel(nullptr);
    }
  });
}

void ResultListView::doItemsLayout() {
  // Every line has the same size: given as the grid, the layout places the
  // lines without asking the model and the delegate about each of them.
  if (model() && model()->rowCount() > 0) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QSize line = itemDelegate()->sizeHint(option, model()->index(0, 0));
    if (line != gridSize()) setGridSize(line);  // the layout below follows at once
  }
  QListView::doItemsLayout();
}

void ResultListView::widthMayHaveChanged() {
  if (model_->widestLine() != laidOutWidest_) {
    laidOutWidest_ = model_->widestLine();
    scheduleDelayedItemsLayout();
  }
}

QString ResultListView::selectedText() const {
  std::vector<std::pair<int, int>> ranges;
  for (const QItemSelectionRange& r : selectionModel()->selection()) {
    ranges.emplace_back(r.top(), r.bottom());
  }
  std::sort(ranges.begin(), ranges.end());
  QString text;
  int next = 0;  // first row not yet copied, so overlapping ranges copy once
  bool firstLine = true;
  for (const auto& [top, bottom] : ranges) {
    for (int row = std::max(top, next); row <= bottom; ++row) {
      if (!firstLine) text += QLatin1Char('\n');
      text += model_->line(row);
      firstLine = false;
    }
    next = std::max(next, bottom + 1);
  }
  return text;
}

void ResultListView::copySelection() {
  qsizetype rows = 0;
  for (const QItemSelectionRange& r : selectionModel()->selection()) rows += r.height();
  if (rows == 0) return;
  if (rows * (model_->widestLine() + 1) > kMaxCopyChars) {
    ui::showFailure(this, core::fail::selectionTooLarge(rows));
    return;
  }
  QGuiApplication::clipboard()->setText(selectedText());
}

void ResultListView::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::Copy) {
    copySelection();
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

void ResultListView::paintEvent(QPaintEvent* event) {
  QListView::paintEvent(event);
  // A list without a current line shows the focus by a mark of its own.
  if (hasFocus() && !currentIndex().isValid()) {
    QPainter p(viewport());
    drawFocusMark(p, viewport()->rect(), palette().color(QPalette::Base));
  }
}

void ResultListView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("Copier"));
  copy->setObjectName(QStringLiteral("actionCopier"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(selectionModel()->hasSelection());
  QAction* all = menu.addAction(QStringLiteral("Tout sélectionner"));
  all->setObjectName(QStringLiteral("actionToutSelectionner"));
  all->setShortcut(QKeySequence::SelectAll);
  all->setEnabled(model_->rowCount() > 0);
  QAction* save = menu.addAction(QStringLiteral("Enregistrer sous…"));
  save->setObjectName(QStringLiteral("actionEnregistrerSous"));
  save->setEnabled(model_->rowCount() > 0);
  connect(save, &QAction::triggered, this, [this] { saveListAs(this, model_); });
  connect(copy, &QAction::triggered, this, &ResultListView::copySelection);
  connect(all, &QAction::triggered, this, &QAbstractItemView::selectAll);
  menu.exec(event->globalPos());
}

}  // namespace ui
