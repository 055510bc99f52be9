#include "visualisation/plot_tools.h"

#include <algorithm>
#include <cmath>

namespace vis {

QPolygonF levelPolyline(const double* values, std::int64_t n, double h, const Mapping& m,
                        double devicePixelRatio) {
  QPolygonF out;
  const double dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  const auto columns = static_cast<std::int64_t>(std::ceil(m.area.width() * dpr)) + 1;
  auto valueAt = [&](std::int64_t k) { return k == 0 || k == n + 1 ? 0.0 : values[k - 1]; };
  auto xAt = [&](std::int64_t k) { return k == n + 1 ? 1.0 : static_cast<double>(k) * h; };

  if (n + 2 <= 4 * columns) {
    out.reserve(static_cast<int>(n + 2));
    for (std::int64_t k = 0; k <= n + 1; ++k) {
      const double v = valueAt(k);
      if (std::isfinite(v)) out << QPointF(m.px(xAt(k)), m.py(v));
    }
    return out;
  }

  out.reserve(static_cast<int>(4 * columns + 8));
  // Device pixel column of abscissa x: one multiply per point.
  const double scale = dpr * m.area.width() / (m.x1 - m.x0);
  const double offset = dpr * m.area.left() - m.x0 * scale;
  std::int64_t column = -1;
  double first = 0, lowest = 0, highest = 0, last = 0, xFirst = 0, xLast = 0;
  bool open = false;
  auto flush = [&] {
    if (!open) return;
    const double xMid = m.px((xFirst + xLast) / 2);
    out << QPointF(m.px(xFirst), m.py(first)) << QPointF(xMid, m.py(lowest))
        << QPointF(xMid, m.py(highest)) << QPointF(m.px(xLast), m.py(last));
    open = false;
  };
  for (std::int64_t k = 0; k <= n + 1; ++k) {
    const double v = valueAt(k);
    if (!std::isfinite(v)) continue;
    const double x = xAt(k);
    const auto c = static_cast<std::int64_t>(std::floor(x * scale + offset));
    if (c != column || !open) {
      flush();
      column = c;
      first = lowest = highest = last = v;
      xFirst = xLast = x;
      open = true;
      continue;
    }
    lowest = v < lowest ? v : lowest;
    highest = v > highest ? v : highest;
    last = v;
    xLast = x;
  }
  flush();
  return out;
}

std::vector<double> niceTicks(double lo, double hi, int count) {
  std::vector<double> ticks;
  if (!(hi > lo) || !std::isfinite(hi - lo) || count < 1) return ticks;
  const double raw = (hi - lo) / count;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  double step = p;
  for (double f : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    step = f * p;
    if (step >= raw) break;
  }
  const double start = std::ceil(lo / step - 1e-9) * step;
  for (int k = 0; k < 1000; ++k) {
    double v = start + k * step;
    if (v > hi + step * 1e-9) break;
    if (std::fabs(v) < step * 1e-9) v = 0;
    ticks.push_back(v);
  }
  return ticks;
}

std::vector<double> decadeTicks(double lo, double hi) {
  std::vector<double> ticks;
  if (!(lo > 0) || !(hi >= lo) || !std::isfinite(hi)) return ticks;
  for (int e = static_cast<int>(std::ceil(std::log10(lo) - 1e-9));
       e <= static_cast<int>(std::floor(std::log10(hi) + 1e-9)); ++e)
    ticks.push_back(std::pow(10.0, e));
  return ticks;
}

QRgb divergingColor(double s) {
  if (!(s == s)) return qRgb(160, 160, 160);
  s = std::clamp(s, -1.0, 1.0);
  // White at 0, a deep blue at -1 and a deep red at +1, through lighter tints.
  const double a = std::fabs(s);
  const QColor end = s < 0 ? QColor(33, 64, 154) : QColor(178, 24, 43);
  const QColor mid = s < 0 ? QColor(103, 169, 207) : QColor(239, 138, 98);
  auto mix = [](const QColor& c0, const QColor& c1, double f) {
    return qRgb(static_cast<int>(c0.red() + (c1.red() - c0.red()) * f + 0.5),
                static_cast<int>(c0.green() + (c1.green() - c0.green()) * f + 0.5),
                static_cast<int>(c0.blue() + (c1.blue() - c0.blue()) * f + 0.5));
  };
  if (a < 0.5) return mix(QColor(247, 247, 247), mid, a * 2);
  return mix(mid, end, (a - 0.5) * 2);
}

void drawMessage(QPainter& p, const QRectF& r, const QString& text) {
  p.save();
  p.setPen(QColor(60, 60, 60));
  p.drawText(r.adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, text);
  p.restore();
}

}  // namespace vis
