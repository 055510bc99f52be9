#include "ui/busy_cursor.h"

#include <QApplication>

namespace ui {

BusyCursor::BusyCursor(bool show) : shown_(show) {
  if (shown_) QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() { release(); }

void BusyCursor::release() {
  if (!shown_) return;
  shown_ = false;
  QApplication::restoreOverrideCursor();
}

}  // namespace ui
