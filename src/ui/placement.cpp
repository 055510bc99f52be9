#include "ui/placement.h"

#include <QWidget>

namespace ui {

void place(QWidget* w, const QRect& pixels) { w->setGeometry(pixels); }

}  // namespace ui
