#include "visualisation/plot_tools.h"

#include <QButtonGroup>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

#include "ui/controls.h"
#include "ui/level_columns.h"
#include "ui/typeface.h"
#include "visualisation/solution_source.h"

namespace vis {

namespace {

// Points 0 .. n + 1 of a level (x_k = k h, the boundary values 0 at both
// ends) and the device pixel columns they fall on at ratio `dpr`.
struct LevelPoints {
  const double* values;
  std::int64_t n;
  double h;
  const Mapping& m;
  double scale, offset;  // device column of abscissa x: floor(x * scale + offset)

  LevelPoints(const double* v, std::int64_t count, double step, const Mapping& mapping, double dpr)
      : values(v), n(count), h(step), m(mapping) {
    scale = dpr * m.area.width() / (m.x1 - m.x0);
    offset = dpr * m.area.left() - m.x0 * scale;
  }
  double valueAt(std::int64_t k) const { return k == 0 || k == n + 1 ? 0.0 : values[k - 1]; }
  double xAt(std::int64_t k) const { return k == n + 1 ? 1.0 : static_cast<double>(k) * h; }
  std::int64_t columnOf(std::int64_t k) const {
    return static_cast<std::int64_t>(std::floor(xAt(k) * scale + offset));
  }

  // Calls visit(a, b, lowest, highest) for every device column, in order:
  // a and b its first and last point of finite value, lowest and highest
  // the extremes of its finite values. Columns without one are skipped.
  template <class Visit>
  void forEachColumn(const Visit& visit) const {
    // The last point of column c, from the inverse of the mapping.
    auto lastOf = [&](std::int64_t k, std::int64_t c) {
      if (!(h > 0)) return k;
      return static_cast<std::int64_t>(
          std::floor((static_cast<double>(c + 1) - offset) / scale / h));
    };
    ui::forEachColumn(
        0, n + 1, [&](std::int64_t k) { return columnOf(k); }, lastOf,
        [&](std::int64_t k, std::int64_t end) {
          // First and last finite value of points k .. end; the inner points
          // are one contiguous run of the level.
          std::int64_t a = k, b = end;
          while (a <= end && !std::isfinite(valueAt(a))) ++a;
          if (a > end) return;
          while (!std::isfinite(valueAt(b))) --b;
          const ui::ValueRange r = ui::finiteRange(values, std::max<std::int64_t>(k, 1) - 1,
                                                   std::min<std::int64_t>(end, n) - 1);
          double lowest = r.lowest, highest = r.highest;
          if (k == 0 || end == n + 1) {  // a boundary value 0 belongs to this column
            lowest = std::min(0.0, lowest);
            highest = std::max(0.0, highest);
          }
          visit(a, b, lowest, highest);
        });
  }
};

std::int64_t deviceColumns(const Mapping& m, double dpr) {
  return static_cast<std::int64_t>(std::ceil(m.area.width() * dpr)) + 1;
}

// The device rows from `top` to `bottom` (both drawn) of device column `column`.
struct Span {
  std::int64_t column;
  double top, bottom;
};

// Fills `spans` (in column order) in `colour`, a device pixel being 1 / dpr
// of the painter, as rectangles each as wide as the rows it covers run
// unbroken from column to column. Qt fills a wide rectangle a row at a time,
// far faster than a column pixel by pixel, and a steep level covers most of
// the height.
void fillSpans(QPainter& p, const QColor& colour, double dpr, const std::vector<Span>& spans) {
  auto fill = [&](std::int64_t c0, std::int64_t c1, double y0, double y1) {
    p.fillRect(QRectF(static_cast<double>(c0) / dpr, y0 / dpr,
                      static_cast<double>(c1 - c0 + 1) / dpr, (y1 - y0 + 1) / dpr),
               colour);
  };
  // The rows of the previous column, cut into bands by the column where
  // their run began, top band first.
  struct Band {
    std::int64_t from;
    double top, bottom;
  };
  std::deque<Band> open;
  std::int64_t last = 0;  // the previous column
  for (const Span& s : spans) {
    const bool joined = !open.empty() && s.column == last + 1;
    const double t = joined ? s.top : std::numeric_limits<double>::infinity();
    const double b = joined ? s.bottom : -std::numeric_limits<double>::infinity();
    // Rows of the previous column this one leaves end their run.
    while (!open.empty() && open.front().top < t) {
      Band& f = open.front();
      fill(f.from, last, f.top, std::min(f.bottom, t - 1));
      if (f.bottom < t)
        open.pop_front();
      else
        f.top = t;
    }
    while (!open.empty() && open.back().bottom > b) {
      Band& k = open.back();
      fill(k.from, last, std::max(k.top, b + 1), k.bottom);
      if (k.top > b)
        open.pop_back();
      else
        k.bottom = b;
    }
    // Rows this column adds begin a run here.
    if (open.empty()) {
      open.push_back({s.column, s.top, s.bottom});
    } else {
      if (s.top < open.front().top) open.push_front({s.column, s.top, open.front().top - 1});
      if (s.bottom > open.back().bottom)
        open.push_back({s.column, open.back().bottom + 1, s.bottom});
    }
    last = s.column;
  }
  for (const Band& k : open) fill(k.from, last, k.top, k.bottom);
}

}  // namespace

QPolygonF levelPolyline(const double* values, std::int64_t n, double h, const Mapping& m,
                        double devicePixelRatio) {
  QPolygonF out;
  const double dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  const std::int64_t columns = deviceColumns(m, dpr);
  const LevelPoints level(values, n, h, m, dpr);

  if (n + 2 <= 4 * columns) {
    out.reserve(static_cast<int>(n + 2));
    for (std::int64_t k = 0; k <= n + 1; ++k) {
      const double v = level.valueAt(k);
      if (std::isfinite(v)) out << QPointF(m.px(level.xAt(k)), m.py(v));
    }
    return out;
  }

  out.reserve(static_cast<int>(4 * columns + 8));
  level.forEachColumn([&](std::int64_t a, std::int64_t b, double lowest, double highest) {
    const double xMid = m.px((level.xAt(a) + level.xAt(b)) / 2);
    out << QPointF(m.px(level.xAt(a)), m.py(level.valueAt(a))) << QPointF(xMid, m.py(lowest))
        << QPointF(xMid, m.py(highest)) << QPointF(m.px(level.xAt(b)), m.py(level.valueAt(b)));
  });
  return out;
}

void drawLevel(QPainter& p, const double* values, std::int64_t n, double h, const Mapping& m,
               double devicePixelRatio) {
  const double dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  const QPen pen = p.pen();
  if (n + 2 <= deviceColumns(m, dpr)) {
    p.drawPolyline(levelPolyline(values, n, h, m, dpr));
    return;
  }
  // A dashed pen's dash runs along x: a column is drawn or left out by the
  // pen's pattern, counted in pixels of the drawing. Each column drawn covers
  // the device rows from its highest to its lowest value.
  const QList<qreal> dash = pen.dashPattern();
  qreal period = 0;
  for (qreal d : dash) period += d;
  auto drawn = [&](std::int64_t step) {
    if (dash.isEmpty()) return true;
    qreal t = std::fmod(static_cast<qreal>(step), period);
    for (qsizetype i = 0; i + 1 < dash.size(); i += 2) {
      if (t < dash[i]) return true;
      t -= dash[i] + dash[i + 1];
      if (t < 0) return false;
    }
    return true;
  };
  // Rows far outside the drawing are cut off before they become integers.
  const double rowLimit = dpr * (std::fabs(m.area.top()) + std::fabs(m.area.bottom())) + 4;
  auto row = [&](double y) { return std::floor(std::clamp(y * dpr, -rowLimit, rowLimit)); };
  const LevelPoints level(values, n, h, m, dpr);
  const double unit = std::max(1.0, std::round(dpr));
  std::vector<Span> spans;
  spans.reserve(static_cast<std::size_t>(deviceColumns(m, dpr)));
  // The segment from the last point of a column to the first of the next
  // joins them: it goes to the one of the two it lengthens least, so that a
  // lone peak stays one column wide.
  auto added = [](const Span& s, double y) { return std::max({0.0, s.top - y, y - s.bottom}); };
  auto extend = [](Span& s, double y) {
    s.top = std::min(s.top, y);
    s.bottom = std::max(s.bottom, y);
  };
  std::int64_t before = std::numeric_limits<std::int64_t>::min(), last = 0;
  level.forEachColumn([&](std::int64_t a, std::int64_t b, double lowest, double highest) {
    const std::int64_t c = level.columnOf(a);
    const bool shown = drawn(static_cast<std::int64_t>(std::floor(static_cast<double>(c) / unit)));
    Span here{c, row(m.py(highest)), row(m.py(lowest))};
    Span* previous = !spans.empty() && spans.back().column == c - 1 ? &spans.back() : nullptr;
    if (before == c - 1) {
      const double y0 = row(m.py(level.valueAt(last))), y1 = row(m.py(level.valueAt(a)));
      if (previous && (!shown || added(*previous, y1) <= added(here, y0)))
        extend(*previous, y1);
      else
        extend(here, y0);
    }
    before = c;
    last = b;
    if (shown && here.top <= here.bottom) spans.push_back(here);
  });
  fillSpans(p, pen.color(), dpr, spans);
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

void leftTick(QPainter& p, const QRectF& area, const QRectF& target, double py,
              const QString& text) {
  const QFontMetricsF fm(p.font());
  p.drawLine(QPointF(area.left() - 5, py), QPointF(area.left() - 1, py));
  p.drawText(
      QRectF(target.left(), py - fm.height() / 2, area.left() - target.left() - 7, fm.height()),
      Qt::AlignRight | Qt::AlignVCenter, text);
}

bool startDrawing(QPainter& p, const QRectF& target, const QString& empty) {
  p.fillRect(target, Qt::white);
  p.setFont(drawingFont());
  if (empty.isEmpty()) return true;
  drawMessage(p, target, empty);
  return false;
}

QFont drawingFont() { return ui::sansFont(8.5); }

WindowLayout setUpWindow(QWidget* window, const QString& name, const QString& title, QSize size) {
  window->setObjectName(name);
  window->setWindowTitle(title);
  window->setWindowFlags(Qt::Window);
  window->resize(size);
  WindowLayout l{new QVBoxLayout(window), new QHBoxLayout};
  l.column->addLayout(l.bar);
  return l;
}

QPushButton* button(QWidget* window, const char* objectName, const QString& text,
                    const QString& description) {
  return named(new QPushButton(text, window), objectName, text, description);
}

QPushButton* quitButton(QWidget* window, const QString& description) {
  QPushButton* b = button(window, "CmdQuitter", QStringLiteral("Quitter"), description);
  QObject::connect(b, &QPushButton::clicked, window, &QWidget::close);
  return b;
}

QTimer* refreshTimer(QWidget* window, std::function<void()> refresh) {
  QTimer* t = ui::timer(window, "TmrActualise", 250, [window, refresh = std::move(refresh)] {
    if (window->isVisible()) refresh();
  });
  t->start();
  return t;
}

SchemeChooser::SchemeChooser(QWidget* parent, std::function<void(core::Scheme)> chosen)
    : QGroupBox(QStringLiteral("Table"), parent) {
  setObjectName(QStringLiteral("FrameTable"));
  described(this, QStringLiteral("Table"),
            QStringLiteral("Choix de la table de solutions montrée"));
  auto* layout = new QHBoxLayout(this);
  auto* group = new QButtonGroup(this);
  const QString captions[2] = {QStringLiteral("SolP0 (schéma P0)"),
                               QStringLiteral("SolPeps (schéma Pepsilon)")};
  const QString descriptions[2] = {
      QStringLiteral("Montre la table SolP0, calculée par le schéma P0"),
      QStringLiteral("Montre la table SolPeps, calculée par le schéma Pepsilon")};
  for (int k = 0; k < 2; ++k) {
    option_[k] = new QRadioButton(captions[k], this);
    option_[k]->setObjectName(QStringLiteral("OptionSolution_%1").arg(k));
    described(option_[k], captions[k], descriptions[k]);
    group->addButton(option_[k], k);
    layout->addWidget(option_[k]);
  }
  connect(group, &QButtonGroup::idClicked, this, [chosen = std::move(chosen)](int id) {
    chosen(id == 0 ? core::Scheme::P0 : core::Scheme::Peps);
  });
}

core::Scheme SchemeChooser::opening() {
  const bool p0 = SolutionSource::computed(core::Scheme::P0);
  const bool peps = SolutionSource::computed(core::Scheme::Peps);
  return !p0 && peps ? core::Scheme::Peps : core::Scheme::P0;
}

void SchemeChooser::showTables(core::Scheme shown) {
  option_[0]->setEnabled(SolutionSource::computed(core::Scheme::P0));
  option_[1]->setEnabled(SolutionSource::computed(core::Scheme::Peps));
  option_[shown == core::Scheme::P0 ? 0 : 1]->setChecked(true);
}

bool SchemeChooser::outdated() const {
  return option_[0]->isEnabled() != SolutionSource::computed(core::Scheme::P0) ||
         option_[1]->isEnabled() != SolutionSource::computed(core::Scheme::Peps);
}

}  // namespace vis
