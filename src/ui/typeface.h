// The program's one typeface, embedded in its resources so that every
// machine, and the offscreen tests, draw the same captions at the same sizes.
#pragma once

#include <QFont>
#include <QString>

namespace ui {

// Registers the embedded face with Qt's font database and makes it the
// application's font at 8 pt. Call once after the QApplication exists;
// false when the resource is missing (the system's sans-serif is used then).
bool loadTypeface();

// The family name of the embedded face.
QString typefaceFamily();
// Makes another registered family the program's face (to measure candidate
// faces against the windows' captions).
void setTypefaceFamily(const QString& family);

// The embedded face at a point size and style. Captions are shown at the
// point size their window gives, never shrunk to fit.
QFont typeface(double pointSize, bool bold = false, bool italic = false);
inline QFont sansFont(double pointSize, bool bold = false, bool italic = false) {
  return typeface(pointSize, bold, italic);
}

}  // namespace ui
