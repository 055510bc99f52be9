#include "visualisation/carte_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/numeric.h"
#include "shell/mod_general.h"
#include "visualisation/render_surface.h"

namespace vis {

ReducedMap reduceTable(const core::Table2& table, std::int64_t levels, std::int64_t points,
                       std::int64_t columns, std::int64_t rows) {
  ReducedMap m;
  if (levels < 1 || points < 1 || columns < 1 || rows < 1) return m;
  m.columns = std::min(points, columns);
  m.rows = std::min(levels, rows);
  m.values.assign(static_cast<std::size_t>(m.columns * m.rows),
                  std::numeric_limits<double>::quiet_NaN());
  const auto count = static_cast<std::size_t>(points);
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> hi(count), lo(count);
  double top = 0;

  // Levels n0 .. n1 - 1 make cell row r. Within it each point keeps its
  // largest and smallest value (a loop the compiler vectorises, as fast as
  // reading the table); the entry of largest magnitude is one of the two.
  std::int64_t n0 = 0;
  for (std::int64_t r = 0; r < m.rows; ++r) {
    // The first level whose cell row is r + 1: n * rows / levels >= r + 1.
    const std::int64_t n1 = r + 1 == m.rows ? levels : ((r + 1) * levels + m.rows - 1) / m.rows;
    std::fill(hi.begin(), hi.end(), -inf);
    std::fill(lo.begin(), lo.end(), inf);
    double* h = hi.data();
    double* l = lo.data();
    for (std::int64_t n = n0; n < n1; ++n) {
      const double* v = table.row(n + 1) + 1;
      for (std::int64_t i = 0; i < points; ++i) {
        h[i] = v[i] > h[i] ? v[i] : h[i];  // NaN never wins a comparison
        l[i] = v[i] < l[i] ? v[i] : l[i];
      }
    }
    n0 = n1;
    double* out = m.values.data() + r * m.columns;
    for (std::int64_t i = 0; i < points; ++i) {
      if (h[i] < l[i]) continue;  // no computed entry
      const double pick = h[i] >= -l[i] ? h[i] : l[i];
      const std::int64_t c = i * m.columns / points;
      if (!(std::fabs(out[c]) >= std::fabs(pick))) out[c] = pick;  // NaN: empty cell
      if (std::isfinite(pick) && std::fabs(pick) > top) top = std::fabs(pick);
    }
  }
  m.maxAbs = top;
  return m;
}

double paletteParameter(double v, double maxAbs, bool logarithmic) {
  if (!(v == v)) return v;
  if (!(maxAbs > 0)) return 0;
  if (std::isinf(v)) return v > 0 ? 1 : -1;
  if (!logarithmic) return std::clamp(v / maxAbs, -1.0, 1.0);
  const double c = maxAbs * 1e-6;
  const double s = std::log1p(std::fabs(v) / c) / std::log1p(maxAbs / c);
  return std::clamp(v < 0 ? -s : s, -1.0, 1.0);
}

}  // namespace vis

MapWindow::MapWindow(QWidget* parent) : vis::TableWindow(parent) {
  const auto [layout, bar] =
      setUp(QStringLiteral("FrmCarte"), QStringLiteral("Carte espace–temps"), QSize(760, 560));

  const QString logScale = QStringLiteral("Échelle logarithmique signée");
  checkLog_ = vis::named(
      new QCheckBox(logScale, this), "CheckLog", logScale,
      QStringLiteral("Couleurs selon signe(u)·log(1 + |u|/c) au lieu d'une échelle linéaire"));
  checkLog_->setToolTip(
      QStringLiteral("Couleur selon signe(u)·log(1 + |u|/c) : montre à la fois les petites "
                     "valeurs et une explosion de la solution."));
  connect(checkLog_, &QCheckBox::toggled, this, [this] { surface_->update(); });
  bar->addWidget(checkLog_);
  bar->addStretch();
  bar->addWidget(vis::quitButton(this, QStringLiteral("Ferme la carte espace–temps")));

  surface_ = new vis::RenderSurface(
      QStringLiteral("PBCarte"), [this](QPainter& p, const QRectF& r) { render(p, r); }, this);
  vis::described(
      surface_, QStringLiteral("Carte espace–temps"),
      QStringLiteral(
          "La table entière en une image : x en travers, t vers le haut, couleur selon la valeur"));
  layout->addWidget(surface_, 1);
  surface_->onMouseMove = [this](QPointF pos) { readOutLabel_->setText(readOut(pos)); };
  surface_->onLeave = [this] { readOutLabel_->clear(); };

  readOutLabel_ =
      vis::named(new QLabel(this), "LblLecture", QStringLiteral("Lecture sous la souris"),
                 QStringLiteral("x, t et u au point de la carte sous la souris"));
  readOutLabel_->setMinimumHeight(readOutLabel_->fontMetrics().height() + 4);
  layout->addWidget(readOutLabel_);

  vis::refreshTimer(this, [this] {
    if (outdated()) synchronise();
  });
  open();
}

void MapWindow::synchronise() {
  if (source_.refresh()) cacheValid_ = false;
  chooser_->showTables(source_.scheme());
  readOutLabel_->clear();
  surface_->update();
}

QRectF MapWindow::mapArea(const QRectF& target) const { return target.adjusted(78, 34, -118, -42); }

const QImage& MapWindow::image(QSize size) const {
  const bool logarithmic = checkLog_->isChecked();
  const core::Table2& table = vis::SolutionSource::table(source_.scheme());
  const std::int64_t columns = std::min<std::int64_t>(source_.points(), size.width());
  const std::int64_t rows = std::min<std::int64_t>(source_.levels(), size.height());
  if (!cacheValid_ || reducedFor_ != source_.identity() || reduced_.columns != columns ||
      reduced_.rows != rows) {
    reduced_ = vis::reduceTable(table, source_.levels(), source_.points(), columns, rows);
    reducedFor_ = source_.identity();
    image_ = QImage();
    cacheValid_ = true;
  }
  if (image_.size() != size || imageLog_ != logarithmic) {
    // One colour per cell, then stretched to the area by nearest neighbour.
    QImage cells(static_cast<int>(reduced_.columns), static_cast<int>(reduced_.rows),
                 QImage::Format_RGB32);
    for (std::int64_t r = 0; r < reduced_.rows; ++r) {
      auto* line = reinterpret_cast<QRgb*>(cells.scanLine(static_cast<int>(reduced_.rows - 1 - r)));
      for (std::int64_t c = 0; c < reduced_.columns; ++c)
        line[c] = vis::divergingColor(
            vis::paletteParameter(reduced_.at(c, r), reduced_.maxAbs, logarithmic));
    }
    image_ = cells.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    imageLog_ = logarithmic;
  }
  return image_;
}

void MapWindow::render(QPainter& p, const QRectF& target) const {
  source_.refresh();
  const vis::PaintGuard guard(p);
  if (!vis::startDrawing(p, target, source_.emptyReason())) return;
  const QFontMetricsF fm(p.font());
  const QRectF area = mapArea(target);
  const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
  const QSize pixels(std::max(1, static_cast<int>(std::lround(area.width() * dpr))),
                     std::max(1, static_cast<int>(std::lround(area.height() * dpr))));
  const QImage& img = image(pixels);
  p.drawImage(area, img);
  // The frame stands just outside the image: the cells on the edges show.
  p.setPen(QPen(Qt::black, 0));
  p.drawRect(area.adjusted(-1, -1, 0, 0));

  // Axes: x from x_1 to x_N across, t (or n) from level 0 up to the last one.
  const double xFirst = source_.x(1), xLast = source_.x(source_.points());
  const std::int64_t lastLevel = source_.levels() - 1;
  const double tLast = source_.timeKnown() ? source_.t(lastLevel) : static_cast<double>(lastLevel);
  for (double x : vis::niceTicks(xFirst, xLast, 5)) {
    const double px = xLast > xFirst ? area.left() + (x - xFirst) / (xLast - xFirst) * area.width()
                                     : area.center().x();
    p.drawLine(QPointF(px, area.bottom() + 1), QPointF(px, area.bottom() + 4));
    p.drawText(QRectF(px - 40, area.bottom() + 5, 80, fm.height()), Qt::AlignHCenter,
               vis::shortNumber(x));
  }
  p.drawText(QRectF(area.left(), area.bottom() + 5 + fm.height(), area.width(), fm.height()),
             Qt::AlignHCenter, QStringLiteral("x (m)"));
  for (double t : vis::niceTicks(0, tLast, 6)) {
    const double py = tLast > 0 ? area.bottom() - t / tLast * area.height() : area.bottom();
    vis::leftTick(p, area, target, py, vis::shortNumber(t));
  }
  const QString table =
      source_.scheme() == core::Scheme::P0 ? QStringLiteral("SolP0") : QStringLiteral("SolPeps");
  p.drawText(QRectF(target.left() + 4, target.top() + 6, target.width() - 8, fm.height() + 4),
             Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("%1 : %2 niveaux × %3 points   (axe vertical : %4)")
                 .arg(table)
                 .arg(source_.levels())
                 .arg(source_.points())
                 .arg(source_.timeKnown() ? QStringLiteral("t en s") : QStringLiteral("niveau n")));

  // Colour bar with its graduations.
  const bool logarithmic = checkLog_->isChecked();
  const double maxAbs = reduced_.maxAbs;
  const QRectF barRect(area.right() + 16, area.top(), 16, area.height());
  for (int y = 0; y < static_cast<int>(barRect.height()); ++y) {
    const double s = 1.0 - 2.0 * (y + 0.5) / barRect.height();
    p.fillRect(QRectF(barRect.left(), barRect.top() + y, barRect.width(), 1.0),
               QColor(vis::divergingColor(s)));
  }
  p.setPen(Qt::black);
  p.drawRect(barRect);
  std::vector<double> ticks;
  if (maxAbs > 0) {
    if (logarithmic) {
      ticks.push_back(0);
      for (double d : vis::decadeTicks(maxAbs * 1e-6, maxAbs)) {
        ticks.push_back(d);
        ticks.push_back(-d);
      }
      ticks.push_back(maxAbs);
      ticks.push_back(-maxAbs);
    } else {
      ticks = vis::niceTicks(-maxAbs, maxAbs, 6);
    }
  }
  double lastY = -1e9;
  std::sort(ticks.begin(), ticks.end(), std::greater<double>());
  for (double v : ticks) {
    const double s = vis::paletteParameter(v, maxAbs, logarithmic);
    const double py = barRect.top() + (1.0 - s) / 2.0 * barRect.height();
    if (py - lastY < fm.height() * 0.9) continue;  // graduations never overlap
    lastY = py;
    p.drawLine(QPointF(barRect.right(), py), QPointF(barRect.right() + 4, py));
    p.drawText(QRectF(barRect.right() + 6, py - fm.height() / 2,
                      target.right() - barRect.right() - 6, fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter, vis::shortNumber(v, 3));
  }
  p.drawText(QRectF(barRect.left() - 10, target.top() + 6, target.right() - barRect.left() + 10,
                    fm.height() + 4),
             Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("u (°C)"));
}

QString MapWindow::readOut(QPointF pos) const {
  source_.refresh();
  // The cells are those of the last paint; a table replaced since has none yet.
  if (!source_.available() || !cacheValid_ || reduced_.columns < 1 ||
      !(reducedFor_ == source_.identity()))
    return QString();
  const QRectF area = mapArea(QRectF(surface_->rect()));
  if (!area.contains(pos)) return QString();
  const double fx = (pos.x() - area.left()) / area.width();
  const double fy = (area.bottom() - pos.y()) / area.height();
  const auto c = std::clamp<std::int64_t>(static_cast<std::int64_t>(fx * reduced_.columns), 0,
                                          reduced_.columns - 1);
  const auto r =
      std::clamp<std::int64_t>(static_cast<std::int64_t>(fy * reduced_.rows), 0, reduced_.rows - 1);
  // The point and level under the mouse, and the value its cell shows.
  const auto i = std::clamp<std::int64_t>(static_cast<std::int64_t>(fx * source_.points()) + 1, 1,
                                          source_.points());
  const auto n = std::clamp<std::int64_t>(static_cast<std::int64_t>(fy * source_.levels()), 0,
                                          source_.levels() - 1);
  const double u = reduced_.at(c, r);
  QString text = QStringLiteral("x = %1 m   ").arg(vis::shortNumber(source_.x(i), 6));
  text += source_.timeKnown()
              ? QStringLiteral("t = %1 s (n = %2)   ").arg(vis::shortNumber(source_.t(n), 6)).arg(n)
              : QStringLiteral("n = %1   ").arg(n);
  text += QStringLiteral("u = %1 °C").arg(vis::shortNumber(u, 6));
  if (reduced_.columns < source_.points() || reduced_.rows < source_.levels())
    text += QStringLiteral("   (plus grande valeur absolue du pixel)");
  return text;
}
