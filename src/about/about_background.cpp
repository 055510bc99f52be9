#include "about/about_background.h"

#include <cmath>

namespace about {

namespace {

constexpr int kSide = 124;
constexpr int kGridIndex = 255;  // the grid's own palette entry
constexpr double kPi = 3.14159265358979323846;

}  // namespace

QImage backgroundImage() {
  QImage image(kSide, kSide, QImage::Format_Indexed8);
  // Indices 0 … 254 run from black through deep blue to a dark violet, so
  // the yellow, red and green paths stand out everywhere.
  QList<QRgb> palette(256);
  for (int k = 0; k < 255; ++k) {
    const double t = k / 254.0;
    palette[k] = qRgb(static_cast<int>(std::lround(120 * t * t)), static_cast<int>(std::lround(24 * t)),
                      static_cast<int>(std::lround(30 + 120 * t)));
  }
  palette[kGridIndex] = qRgb(48, 56, 96);
  image.setColorTable(palette);

  for (int row = 0; row < kSide; ++row) {
    uchar* line = image.scanLine(row);
    const double t = 2.5 * row / (kSide - 1);
    for (int col = 0; col < kSide; ++col) {
      const double x = col / double(kSide - 1);
      const double u = std::sin(kPi * x) * std::exp(-t);
      line[col] = static_cast<uchar>(std::lround(254 * u));
      // A grid every 31 pixels: the finite-difference mesh behind the orbits.
      if (col % 31 == 0 || row % 31 == 0) line[col] = kGridIndex;
    }
  }
  return image;
}

}  // namespace about
