#include "ui/keyboard.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QWidget>

#include "ui/colours.h"

namespace ui {

namespace {

class ContextMenuKeys : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ContextMenu) {
      // Some platforms follow the Menu key with a menu request of their own,
      // at the mouse pointer: the key has already opened the menu.
      const auto* request = static_cast<QContextMenuEvent*>(event);
      if (menuKeyHandled_ && request->reason() == QContextMenuEvent::Keyboard &&
          event->spontaneous()) {
        menuKeyHandled_ = false;
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
    menuKeyHandled_ = menuKey;
    const QPoint centre = w->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, centre, w->mapToGlobal(centre),
                              key->modifiers());
    QApplication::sendEvent(w, &request);
    return true;
  }

 private:
  bool menuKeyHandled_ = false;
};

// Draws a drawing again when it gains or loses the focus, for its mark.
class RepaintOnFocus : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
      static_cast<QWidget*>(watched)->update();
    return false;
  }
};

}  // namespace

void installContextMenuKeys() {
  static QObject* filter = nullptr;
  if (filter) return;
  filter = new ContextMenuKeys(qApp);
  qApp->installEventFilter(filter);
}

void repaintOnFocus(QWidget* w) {
  static QObject* repaint = new RepaintOnFocus(qApp);
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
