#include "about/about_background.h"

#include <cmath>

namespace about {

namespace {

constexpr int kSide = 124;
constexpr int kGridIndex = 255;  // the grid's own palette entry
constexpr double kPi = 3.14159265358979323846;

}  // namespace

QImage backgroundImage(qreal dpr) {
  // At a ratio above 1 each picture pixel is made of finer device pixels
  // sampled from the same field; the grid stays one picture pixel wide.
  const int side = static_cast<int>(std::ceil(kSide * dpr));
  QImage image(side, side, QImage::Format_Indexed8);
  // Indices 0 … 254 run from black through deep blue to a dark violet, so
  // the yellow, red and green paths stand out everywhere.
  QList<QRgb> palette(256);
  for (int k = 0; k < 255; ++k) {
    const double t = k / 254.0;
    palette[k] =
        qRgb(static_cast<int>(std::lround(120 * t * t)), static_cast<int>(std::lround(24 * t)),
             static_cast<int>(std::lround(30 + 120 * t)));
  }
  palette[kGridIndex] = qRgb(48, 56, 96);
  image.setColorTable(palette);

  for (int row = 0; row < side; ++row) {
    uchar* line = image.scanLine(row);
    const double pictureRow = row / dpr;
    const double t = 2.5 * pictureRow / (kSide - 1);
    const bool gridRow = static_cast<int>(std::floor(pictureRow)) % 31 == 0;
    for (int col = 0; col < side; ++col) {
      const double pictureCol = col / dpr;
      const double x = pictureCol / double(kSide - 1);
      const double u = std::sin(kPi * x) * std::exp(-t);
      line[col] = static_cast<uchar>(std::lround(254 * u));
      // A grid every 31 pixels: the finite-difference mesh behind the orbits.
      if (gridRow || static_cast<int>(std::floor(pictureCol)) % 31 == 0) line[col] = kGridIndex;
    }
  }
  image.setDevicePixelRatio(dpr);
  return image;
}

}  // namespace about
