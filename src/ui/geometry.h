// Places controls at the positions of the layout tables (left, top, width,
// height), in pixels at 96 dots per inch or in twips (15 twips to the pixel).
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;
class QLabel;

namespace ui {

void place(QWidget* w, int left, int top, int width, int height);
void placeTwips(QWidget* w, int left, int top, int width, int height);
inline int twips(int t) { return (t + 7) / 15; }

// Text and background colours of a control (labels get autoFillBackground).
void setColors(QWidget* w, const QColor& text, const QColor& background = QColor());
// The nearest sans-serif font at a point size and style.
QFont sansFont(double pointSize, bool bold = false, bool italic = false);

// A label child of `parent` with its caption, placed in pixels.
QLabel* addLabel(QWidget* parent, const QString& text, int left, int top, int width, int height,
                 const QString& objectName = QString());

}  // namespace ui
