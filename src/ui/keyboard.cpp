#include "ui/keyboard.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QWidget>

#include "ui/colours.h"
#include "ui/event_filter.h"

namespace ui {

namespace {

// The Menu key or Shift+F10 sends a context-menu request to the focus widget.
bool contextMenuKey(QObject* watched, QEvent* event, bool& menuKeyHandled) {
  if (event->type() == QEvent::ContextMenu) {
    // Some platforms follow the Menu key with a menu request of their own,
    // at the mouse pointer: the key has already opened the menu.
    const auto* request = static_cast<QContextMenuEvent*>(event);
    if (menuKeyHandled && request->reason() == QContextMenuEvent::Keyboard &&
        event->spontaneous()) {
      menuKeyHandled = false;
      return true;
    }
    return false;
  }
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool menuKey = key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier;
  const bool shiftF10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
  auto* w = static_cast<QWidget*>(watched);
  if (!(menuKey || shiftF10) || w != QApplication::focusWidget() ||
      w->contextMenuPolicy() == Qt::NoContextMenu ||
      w->contextMenuPolicy() == Qt::PreventContextMenu)
    return false;
  menuKeyHandled = menuKey;
  const QPoint centre = w->rect().center();
  QContextMenuEvent request(QContextMenuEvent::Keyboard, centre, w->mapToGlobal(centre),
                            key->modifiers());
  QApplication::sendEvent(w, &request);
  return true;
}

}  // namespace

void installContextMenuKeys() {
  static QObject* filter = nullptr;
  if (filter) return;
  filter = functionFilter(qApp, [menuKeyHandled = false](QObject* watched, QEvent* event) mutable {
    return contextMenuKey(watched, event, menuKeyHandled);
  });
  qApp->installEventFilter(filter);
}

void repaintOnFocus(QWidget* w) {
  // Drawn again when it gains or loses the focus, for its mark.
  static QObject* repaint = functionFilter(qApp, [](QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
      static_cast<QWidget*>(watched)->update();
    return false;
  });
  w->installEventFilter(repaint);
}

void focusByTab(QWidget* drawing) {
  drawing->setFocusPolicy(Qt::TabFocus);
  repaintOnFocus(drawing);
}

void drawFocusMark(QPainter& p, const QRect& r, const QColor& background) {
  p.save();
  p.setPen(QPen(shade(colour::black, background), 1, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(1, 1, -2, -2));
  p.restore();
}

}  // namespace ui
