// The program's colours, as (red, green, blue), and how a control takes them.
//
// The colours stand as given under a light desktop palette. Under a dark one
// (its window colour darker than its text) a colour shown over the desktop's
// own background is shown in a shade of the same hue that keeps a contrast of
// at least 4.5:1 against it; pairs the program sets on both sides (blue on
// yellow) and the drawings' white paper stay as they are. This file decides
// every such shade.
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

// True when the application's palette is dark: its window colour darker than its text.
bool darkScheme();

// Contrast ratio of two colours, from 1 to 21 (relative luminance, sRGB).
double contrast(const QColor& a, const QColor& b);

// `colour` as shown over `background`: itself under a light palette, or when
// it already stands 4.5:1 against the background; otherwise the same hue
// mixed towards white (over a dark background) or black, just enough.
QColor shade(const QColor& colour, const QColor& background);

// The drawings' paper and ink: the palette's highlighted text and text
// colours under a light palette, white and black under a dark one.
QColor paper();
QColor ink();

// Text colour and, when valid, background of a control (a label then fills
// its background). A text colour over the desktop's background is shaded
// (see above); an invalid text colour is the palette's text. The control
// follows later palette changes.
void setColors(QWidget* w, const QColor& text, const QColor& background = QColor());

}  // namespace ui
