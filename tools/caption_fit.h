// Whether every caption of a window stands whole in its box: the room a
// caption has is its own width, cut where a control or another caption to
// its reading side begins (a caption may run under the field it names, but
// only what is left of the field shows).
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace test {

struct CaptionFit {
  QWidget* widget;
  QString text;
  int room;    // pixels the text may use
  int needed;  // pixels the text needs in its font
  int overflow() const { return needed - room; }
};

inline bool isObstacle(const QWidget* w) {
  if (w->testAttribute(Qt::WA_TransparentForMouseEvents)) return false;  // drawings
  return qobject_cast<const QLabel*>(w) || qobject_cast<const QLineEdit*>(w) ||
         qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QAbstractItemView*>(w);
}

// The room of a single-line label among its siblings.
inline int labelRoom(const QLabel* l) {
  const QRect r = l->geometry();
  int room = l->contentsRect().width() - 2 * l->margin();
  if (l->alignment() & Qt::AlignHCenter) return room;
  const bool right = l->alignment() & Qt::AlignRight;
  for (const QObject* o : l->parent()->children()) {
    const auto* s = qobject_cast<const QWidget*>(o);
    if (!s || s == l || !isObstacle(s)) continue;
    const QRect g = s->geometry();
    if (g.bottom() < r.top() || g.top() > r.bottom()) continue;
    if (!right && g.left() > r.left() && g.left() <= r.right())
      room = std::min(room, g.left() - r.left());
    if (right && g.right() < r.right() && g.right() >= r.left())
      room = std::min(room, r.right() - g.right());
  }
  return room;
}

inline int textWidth(const QFont& f, const QString& text) {
  return static_cast<int>(std::ceil(QFontMetricsF(f).horizontalAdvance(text)));
}

// Every caption, button text, option text and frame title of `window`.
inline QList<CaptionFit> captionFits(QWidget* window) {
  QList<CaptionFit> out;
  for (QLabel* l : window->findChildren<QLabel*>()) {
    if (l->text().isEmpty()) continue;
    if (l->wordWrap()) {
      const QRect need = QFontMetrics(l->font()).boundingRect(
          QRect(0, 0, l->contentsRect().width(), 10000), Qt::TextWordWrap, l->text());
      out.append({l, l->text(), l->contentsRect().height(), need.height()});
      continue;
    }
    out.append({l, l->text(), labelRoom(l), textWidth(l->font(), l->text())});
  }
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    if (b->text().isEmpty()) continue;
    const QStyle* st = b->style();
    int room = b->width();
    if (qobject_cast<QPushButton*>(b)) {
      room -= 2 * (st->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b) + 1);
    } else {
      const bool radio = qobject_cast<QRadioButton*>(b);
      room -=
          st->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth,
                          nullptr, b) +
          st->pixelMetric(
              radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, nullptr,
              b);
    }
    out.append({b, b->text(), room, textWidth(b->font(), b->text())});
  }
  for (QGroupBox* g : window->findChildren<QGroupBox*>()) {
    if (!g->title().isEmpty())
      out.append({g, g->title(), g->width() - 16, textWidth(g->font(), g->title())});
  }
  return out;
}

// The children of `window`'s frames that do not lie inside their frame's
// border, under its caption (drawings that span the frame excepted).
template <class FrameType>
QStringList childrenOutsideFrames(QWidget* window) {
  QStringList out;
  for (auto* frame : window->template findChildren<FrameType*>()) {
    const QRect inside = frame->rect().adjusted(1, frame->titleRect().height() / 2 + 1, -1, -1);
    for (QWidget* child : frame->template findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (child->testAttribute(Qt::WA_TransparentForMouseEvents)) continue;
      if (!inside.contains(child->geometry()))
        out << frame->objectName() + QLatin1Char('/') + child->objectName();
    }
  }
  return out;
}

}  // namespace test
