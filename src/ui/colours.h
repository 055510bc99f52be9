// The program's colours, as (red, green, blue), and how a control takes them.
#pragma once

#include <QColor>

class QWidget;

namespace ui::colour {

inline const QColor red{255, 0, 0};
inline const QColor blue{0, 0, 255};
inline const QColor yellow{255, 255, 0};
inline const QColor white{255, 255, 255};
inline const QColor black{0, 0, 0};
inline const QColor lightOrange{255, 192, 128};
inline const QColor orange{255, 128, 0};
inline const QColor grey{192, 192, 192};
inline const QColor lightGrey{210, 210, 210};  // a graph's grid
inline const QColor green{0, 255, 0};
inline const QColor darkGreen{0, 128, 0};

}  // namespace ui::colour

namespace ui {

// Text colour and, when valid, background of a control (a label then fills
// its background).
void setColors(QWidget* w, const QColor& text, const QColor& background = QColor());

}  // namespace ui
