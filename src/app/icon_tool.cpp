// Build step: writes the program's icon as PNG files for installation.
#include <QDir>
#include <QString>
#include <cstdio>

#include "app/app_icon.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orvalend_icon <output folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  for (int size : {16, 32, 48, 64, 128, 256}) {
    const QString file = QStringLiteral("%1/orvalend-%2.png").arg(folder).arg(size);
    if (!paintOrvalendIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
