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

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "core/numeric.h"
#include "core/studies.h"
#include "ui/message.h"

namespace ui {

namespace {

constexpr std::size_t kRecentLines = 128;

// Memory for the kept numbers, not initialised. A large list asks for huge
// pages: copying a table of a hundred megabytes then costs a few dozen page
// faults instead of tens of thousands.
double* allocateValues(std::size_t count) {
  const std::size_t bytes = count * sizeof(double);
  constexpr std::size_t kHuge = std::size_t{2} << 20;
  if (bytes >= 2 * kHuge) {
    void* p = nullptr;
    const std::size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
    if (posix_memalign(&p, kHuge, rounded) != 0) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return static_cast<double*>(p);
  }
  return static_cast<double*>(std::malloc(std::max<std::size_t>(bytes, sizeof(double))));
}

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

}  // namespace

// ------------------------------------------------------------------ model

void ResultListModel::Free::operator()(double* p) const { std::free(p); }

ResultListModel::ResultListModel(QObject* parent) : QAbstractListModel(parent) {}

void ResultListModel::resetContents() {
  lines_.clear();
  values_.reset();
  columns_ = levels_ = 0;
  h_ = 0.0;
  widest_ = 0;
  hasTau_ = false;
  csvNumbers_.clear();
  recent_.clear();
  recentNext_ = 0;
}

bool ResultListModel::startLevels(double h, std::int64_t columns, std::int64_t levels,
                                  const QString& mark) {
  beginResetModel();
  resetContents();
  mode_ = Mode::Text;
  columns = std::max<std::int64_t>(columns, 0);
  // A view counts its lines in int: the header and the levels must fit.
  levels = std::clamp<std::int64_t>(levels, 0, std::numeric_limits<int>::max() - 1);
  // Uninitialised on purpose: every entry is written before it is read, and
  // a large list then costs one pass over its memory instead of two.
  if (columns * levels > 0) {
    values_.reset(allocateValues(static_cast<std::size_t>(columns * levels)));
    if (!values_) {
      endResetModel();
      return false;
    }
  }
  mode_ = Mode::Levels;
  h_ = h;
  columns_ = columns;
  levels_ = levels;
  mark_ = mark.toStdString();
  return true;
}

// The widest line: the header is built once; the level lines were measured
// while their numbers were copied.
void ResultListModel::finishLevels(std::int64_t widestValues) {
  widest_ = static_cast<qsizetype>(core::stabilityHeaderLine(h_, columns_, mark_).size());
  if (levels_ > 0) {
    // "n= " level " ", the last level having the most digits.
    const auto prefix =
        3 + static_cast<qsizetype>(core::formatPlain(double(levels_ - 1)).size()) + 1;
    const auto markLength = static_cast<qsizetype>(mark_.size());
    widest_ = std::max(widest_, prefix + static_cast<qsizetype>(widestValues) +
                                    static_cast<qsizetype>(columns_) * (3 + markLength));
  }
  endResetModel();
}

namespace {

// Copies one level; returns the characters its values take when shown,
// without marks and separators.
std::int64_t copyLevel(const double* from, double* to, std::int64_t columns) {
  std::int64_t chars = 0;
  for (std::int64_t i = 0; i < columns; ++i) {
    const double v = from[i];
    to[i] = v;
    chars += fixed2Length(v);
  }
  return chars;
}

}  // namespace

bool ResultListModel::setLevels(double h, std::int64_t columns, std::int64_t levels,
                                std::vector<double> values, const QString& mark) {
  if (static_cast<std::int64_t>(values.size()) < columns * levels) levels = 0;
  return setLevels(h, columns, levels, values.data(), columns, mark);
}

bool ResultListModel::setLevels(double h, std::int64_t columns, std::int64_t levels,
                                const double* firstRow, std::int64_t rowStride,
                                const QString& mark) {
  if (!startLevels(h, columns, levels, mark)) return false;
  std::int64_t widest = 0;
  for (std::int64_t m = 0; m < levels_; ++m) {
    widest = std::max(widest, copyLevel(firstRow + m * rowStride, values_.get() + m * columns_,
                                        columns_));
  }
  finishLevels(widest);
  return true;
}

void ResultListModel::appendLine(const QString& text) {
  if (mode_ != Mode::Text) clear();
  const int row = static_cast<int>(lines_.size());
  beginInsertRows(QModelIndex(), row, row);
  lines_.append(text);
  widest_ = std::max(widest_, text.size());
  endInsertRows();
}

void ResultListModel::clear() {
  beginResetModel();
  resetContents();
  mode_ = Mode::Text;
  endResetModel();
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  if (mode_ == Mode::Text) return static_cast<int>(lines_.size());
  return static_cast<int>(levels_ + 1);
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return line(index.row());
  return {};
}

QString ResultListModel::line(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  if (mode_ == Mode::Text) return lines_.at(row);
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

QString ResultListModel::buildLine(int row) const {
  if (row == 0) return QString::fromStdString(core::stabilityHeaderLine(h_, columns_, mark_));
  const std::int64_t level = row - 1;
  return QString::fromStdString(
      core::stabilityLevelLine(level, values_.get() + level * columns_, columns_, mark_));
}

std::size_t ResultListModel::bytesHeld() const {
  std::size_t bytes =
      values_ ? static_cast<std::size_t>(columns_ * levels_) * sizeof(double) : 0;
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
  const auto first = std::max<qsizetype>(
      0, static_cast<qsizetype>(std::floor((visible.left() - left) / cw)) - 1);
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
  if (const auto* m = qobject_cast<const ResultListModel*>(index.model())) {
    chars = std::max(chars, m->widestLine());
  }
  const qreal width = static_cast<qreal>(chars) * charWidth(opt.font) + 2 * textMargin(widget) + 2;
  size.setWidth(static_cast<int>(std::min<qreal>(std::ceil(width), 1 << 30)));
  return size;
}

// ------------------------------------------------------------------- view

ResultListView::ResultListView(QWidget* parent)
    : QListView(parent), model_(new ResultListModel(this)) {
  setModel(model_);
  setItemDelegate(new ResultLineDelegate(this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPointSizeF(9);
  setFont(mono);
  // Appending a longer line changes every line's width: lay out again.
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { widthMayHaveChanged(); });
  connect(model_, &QAbstractItemModel::modelReset, this,
          [this] { laidOutWidest_ = model_->widestLine(); });
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
    ui::showMessage(this, QStringLiteral("La sélection est trop grande pour être copiée (%1 lignes) : "
                                         "choisissez moins de lignes.")
                              .arg(rows));
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
  connect(save, &QAction::triggered, this, [this] { saveListAs(this, model()); });
  connect(copy, &QAction::triggered, this, &ResultListView::copySelection);
  connect(all, &QAction::triggered, this, &QAbstractItemView::selectAll);
  menu.exec(event->globalPos());
}

}  // namespace ui
