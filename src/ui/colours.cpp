#include "ui/colours.h"

#include <QPalette>
#include <QWidget>

namespace ui {

void setColors(QWidget* w, const QColor& text, const QColor& background) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::ButtonText, text);
  if (background.isValid()) {
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::Base, background);
    w->setAutoFillBackground(true);
  }
  w->setPalette(p);
}

}  // namespace ui
