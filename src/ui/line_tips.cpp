#include "ui/line_tips.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStringList>
#include <QToolTip>

namespace ui {

namespace {

// The room an item view leaves on each side of a line's text.
constexpr int kTextMargin = 4;

}  // namespace

LineTips::LineTips(QAbstractItemView* view) : QObject(view), view_(view) {
  view->viewport()->installEventFilter(this);
}

bool LineTips::lineHidden(const QAbstractItemView* view, const QModelIndex& index) {
  if (!index.isValid()) return false;
  const QString text = index.data(Qt::DisplayRole).toString();
  const QRect item = view->visualRect(index);
  const int textWidth = QFontMetrics(view->font()).horizontalAdvance(text) + 2 * kTextMargin;
  return item.left() < 0 || item.left() + textWidth > view->viewport()->width();
}

QString LineTips::tipText(const QString& line, int width) {
  if (line.size() <= width) return line;
  QStringList pieces;
  qsizetype start = 0;
  while (line.size() - start > width) {
    // Break at the last blank that leaves a piece no longer than `width`.
    qsizetype cut = line.lastIndexOf(QLatin1Char(' '), start + width);
    if (cut <= start) cut = start + width;
    pieces << line.mid(start, cut - start);
    start = cut;
  }
  pieces << line.mid(start);
  return pieces.join(QLatin1Char('\n'));
}

bool LineTips::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip || watched != view_->viewport()) {
    return QObject::eventFilter(watched, event);
  }
  auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex index = view_->indexAt(help->pos());
  if (!lineHidden(view_, index)) {
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  QToolTip::showText(help->globalPos(), tipText(index.data(Qt::DisplayRole).toString()),
                     view_->viewport(), view_->visualRect(index));
  return true;
}

}  // namespace ui
