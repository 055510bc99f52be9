// Keyboard access shared by every window: the context-menu keys, and
// drawings that take the focus by Tab and show it.
#pragma once

#include <QColor>
#include <QRect>

class QPainter;
class QWidget;

namespace ui {

// The Menu key and Shift+F10 open the context menu of the widget that has
// the focus, at its centre (one application-wide filter; installed once).
void installContextMenuKeys();

// A drawing with a context menu takes the focus by Tab (a click leaves the
// focus where it was), and is drawn again when it gains or loses it.
void focusByTab(QWidget* drawing);
void repaintOnFocus(QWidget* w);

// The mark of a control that has the focus and shows it no other way: a
// dashed frame inside `r`, black over a light background (the drawings'
// paper), lightened over a dark one.
void drawFocusMark(QPainter& p, const QRect& r, const QColor& background);

}  // namespace ui
