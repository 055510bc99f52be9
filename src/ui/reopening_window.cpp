#include "ui/reopening_window.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace ui {

void ReopeningWindow::reload() {
  load();
  loaded_ = true;
}

void ReopeningWindow::showEvent(QShowEvent* event) {
  if (!loaded_) reload();
  QWidget::showEvent(event);
}

void ReopeningWindow::closeEvent(QCloseEvent* event) {
  unload();
  loaded_ = false;
  QWidget::closeEvent(event);
}

}  // namespace ui
