#include "app/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

QImage paintOrvalendIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);  // drawn on a 64 x 64 grid

  // Rounded tile, dark blue to blue.
  QLinearGradient sky(0, 0, 0, 64);
  sky.setColorAt(0, QColor(20, 40, 120));
  sky.setColorAt(1, QColor(40, 90, 200));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 11, 11);

  // The grid points x_i and the axis u = 0.
  p.setPen(QPen(QColor(255, 255, 255, 70), 0.8));
  for (int i = 1; i < 8; ++i) p.drawLine(QPointF(8 + i * 6.0, 12), QPointF(8 + i * 6.0, 52));
  p.setPen(QPen(QColor(255, 255, 255, 200), 1.6));
  p.drawLine(QPointF(8, 52), QPointF(56, 52));

  // Levels n = 0, 1, 2, ... of the solution: sine profiles whose height
  // decays, from hot orange to pale yellow.
  const QColor colours[] = {QColor(255, 90, 40), QColor(255, 140, 50), QColor(255, 190, 70),
                            QColor(255, 230, 120)};
  double height = 36;
  for (const QColor& c : colours) {
    QPainterPath curve;
    for (int k = 0; k <= 48; ++k) {
      const double x = 8 + k;
      const double y = 52 - height * std::sin(3.14159265358979 * k / 48.0);
      if (k == 0) curve.moveTo(x, y); else curve.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(curve);
    height *= 0.62;
  }
  // The fixed ends u = 0 at x = 0 and x = 1.
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(8, 52), 2.6, 2.6);
  p.drawEllipse(QPointF(56, 52), 2.6, 2.6);
  return image;
}
