#include "ui/typeface.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>
#include <algorithm>

// The resource lives in this static library: make sure the linker keeps it.
static void initTypefaceResource() { Q_INIT_RESOURCE(typeface); }

namespace ui {

namespace {

QString& family() {
  static QString name;
  return name;
}

}  // namespace

bool loadTypeface() {
  static bool tried = false;
  if (tried) return !family().isEmpty();
  tried = true;
  initTypefaceResource();
  // Every style of the one face the resources hold (regular first).
  QStringList files = QDir(QStringLiteral(":/fonts")).entryList({QStringLiteral("*.ttf")});
  std::stable_partition(files.begin(), files.end(),
                        [](const QString& f) { return f.contains(QStringLiteral("Regular")); });
  for (const QString& file : files) {
    const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/") + file);
    if (id < 0) continue;
    if (family().isEmpty()) family() = QFontDatabase::applicationFontFamilies(id).value(0);
  }
  if (family().isEmpty()) return false;
  QApplication::setFont(typeface(8));
  return true;
}

QString typefaceFamily() { return family(); }

void setTypefaceFamily(const QString& name) {
  family() = name;
  QApplication::setFont(typeface(8));
}

QFont typeface(double pointSize, bool bold, bool italic) {
  // The first window to ask registers the face (tests have no main()).
  if (family().isEmpty() && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    loadTypeface();
  }
  QFont f(family().isEmpty() ? QStringLiteral("Sans Serif") : family());
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(pointSize);
  f.setBold(bold);
  f.setItalic(italic);
  return f;
}

}  // namespace ui
