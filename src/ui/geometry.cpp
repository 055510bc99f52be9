#include "ui/geometry.h"

#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace ui {

void place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(left, top, width, height);
}

void placeTwips(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

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

QFont sansFont(double pointSize, bool bold, bool italic) {
  QFont f(QStringLiteral("Sans Serif"));
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(pointSize);
  f.setBold(bold);
  f.setItalic(italic);
  return f;
}

QLabel* addLabel(QWidget* parent, const QString& text, int left, int top, int width, int height,
                 const QString& objectName) {
  auto* l = new QLabel(text, parent);
  if (!objectName.isEmpty()) l->setObjectName(objectName);
  place(l, left, top, width, height);
  return l;
}

}  // namespace ui
