// Orvalend: the program starts on its main window; every study window is
// reached from its menu.
#include <QApplication>

#include "app/windows.h"
#include "shell/mod_general.h"
#include "ui/typeface.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ui::loadTypeface();  // the embedded face, before any window
  setUpApplication();
  registerWindows();
  ModGeneral::showWindow(WindowKind::Form1);
  return app.exec();
}
