// Places a control in its container at (left, top, width, height), in pixels
// at 96 dots per inch or in twips (15 twips to the pixel).
#pragma once

#include <QRect>

class QWidget;

namespace ui {

inline int twips(int t) { return (t + 7) / 15; }
inline QRect twipsRect(int left, int top, int width, int height) {
  return {twips(left), twips(top), twips(width), twips(height)};
}

void place(QWidget* w, const QRect& pixels);
inline void place(QWidget* w, int left, int top, int width, int height) {
  place(w, QRect(left, top, width, height));
}
inline void placeTwips(QWidget* w, int left, int top, int width, int height) {
  place(w, twipsRect(left, top, width, height));
}

}  // namespace ui
