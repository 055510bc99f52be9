#include "visualisation/convergence_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "shell/mod_general.h"
#include "ui/colours.h"
#include "visualisation/plot_tools.h"
#include "visualisation/render_surface.h"
#include "visualisation/solution_source.h"

namespace {

const QColor& kPoints = ui::colour::blue;
const QColor& kFit = ui::colour::darkGreen;
const QColor kReference(120, 120, 120);

// log10 axes over [lo, hi] (both > 0) into r.
struct LogMapping {
  QRectF r;
  double x0, x1, y0, y1;  // log10 bounds
  double px(double x) const { return r.left() + (std::log10(x) - x0) / (x1 - x0) * r.width(); }
  double py(double y) const { return r.bottom() - (std::log10(y) - y0) / (y1 - y0) * r.height(); }
};

// Log bounds holding [lo, hi] with a margin, at least one decade wide.
std::pair<double, double> logBounds(double lo, double hi) {
  double a = std::log10(lo), b = std::log10(hi);
  const double centre = (a + b) / 2;
  if (b - a < 1) {
    a = centre - 0.5;
    b = centre + 0.5;
  }
  const double pad = (b - a) * 0.08;
  return {a - pad, b + pad};
}

// Graduations of a log axis over [lo, hi]: the powers of ten, with 2 and 5
// times them as well when fewer than two powers fall inside.
std::vector<double> logTicks(double lo, double hi) {
  std::vector<double> ticks = vis::decadeTicks(lo, hi);
  if (ticks.size() >= 2) return ticks;
  ticks.clear();
  for (int e = static_cast<int>(std::floor(std::log10(lo)));
       e <= static_cast<int>(std::ceil(std::log10(hi))); ++e)
    for (double f : {1.0, 2.0, 5.0}) {
      const double v = f * std::pow(10.0, e);
      if (v >= lo && v <= hi) ticks.push_back(v);
    }
  return ticks;
}

QString tickText(double v) { return vis::shortNumber(v, 2); }

}  // namespace

const std::vector<ConvergenceWindow::Panel>& ConvergenceWindow::panels() {
  using core::Scheme;
  using core::Study;
  static const std::vector<Panel> list = {
      {Study::ConsistencyTime, Scheme::P0, QStringLiteral("Schéma P0 : E selon Tau' (h fixé)"),
       QStringLiteral("Tau' (s)")},
      {Study::ConsistencySpace, Scheme::P0, QStringLiteral("Schéma P0 : E selon h' (Tau fixé)"),
       QStringLiteral("h' (m)")},
      {Study::Error, Scheme::Peps, QStringLiteral("E(k) = || Ueps/k - Uo || selon ε/k"),
       QStringLiteral("ε/k (s)")},
      {Study::ConsistencyTime, Scheme::Peps,
       QStringLiteral("Schéma Pepsilon : E selon Tau' (h fixé)"), QStringLiteral("Tau' (s)")},
      {Study::ConsistencySpace, Scheme::Peps,
       QStringLiteral("Schéma Pepsilon : E selon h' (Tau fixé)"), QStringLiteral("h' (m)")},
  };
  return list;
}

ConvergenceWindow::ConvergenceWindow(QWidget* parent) : QWidget(parent) {
  const auto [layout, bar] =
      vis::setUpWindow(this, QStringLiteral("FrmConvergence"),
                       QStringLiteral("Courbes de convergence"), QSize(900, 620));
  auto* note = new QLabel(
      QStringLiteral("Erreurs des calculs de cette session, en échelles logarithmiques. Chaque "
                     "courbe montre la dernière série : un calcul sur d'autres données (N, T, K…) "
                     "en commence une nouvelle. « Tout Effacer » dans une fenêtre d'étude efface "
                     "ses séries."),
      this);
  note->setObjectName(QStringLiteral("LblNote"));
  note->setWordWrap(true);
  vis::described(note, QStringLiteral("Note"), note->text());
  bar->addWidget(note, 1);
  bar->addWidget(
      vis::quitButton(this, QStringLiteral("Ferme la fenêtre des courbes de convergence")));
  surface_ = new vis::RenderSurface(
      QStringLiteral("PBConvergence"), [this](QPainter& p, const QRectF& r) { render(p, r); },
      this);
  vis::described(
      surface_, QStringLiteral("Courbes de convergence"),
      QStringLiteral("Erreurs en fonction du pas, en échelles logarithmiques, avec la pente des "
                     "moindres carrés et les pentes de référence 1 et 2"));
  layout->addWidget(surface_, 1);

  vis::refreshTimer(this, [this] {
    if (ModGeneral::journal().revision() != seen_) synchronise();
  });
  synchronise();
}

void ConvergenceWindow::synchronise() {
  seen_ = ModGeneral::journal().revision();
  surface_->update();
}

void ConvergenceWindow::points(int k, std::vector<double>& steps,
                               std::vector<double>& errors) const {
  steps.clear();
  errors.clear();
  const Panel& panel = panels()[static_cast<std::size_t>(k)];
  for (const core::JournalEntry& e : ModGeneral::journal().series(panel.study, panel.scheme)) {
    steps.push_back(e.step());
    errors.push_back(e.error);
  }
}

core::LogLogFit ConvergenceWindow::fit(int k) const {
  std::vector<double> steps, errors;
  points(k, steps, errors);
  return core::fitLogLog(steps, errors);
}

QString ConvergenceWindow::slopeText(int k) const {
  const core::LogLogFit f = fit(k);
  if (!f.valid)
    return f.points == 0 ? QString()
                         : QStringLiteral("pente : il faut au moins deux pas différents");
  return QStringLiteral("pente = %1 (moindres carrés, %2 points)")
      .arg(vis::shortNumber(f.slope, 4))
      .arg(f.points);
}

QString ConvergenceWindow::seriesText(int k) const {
  const Panel& panel = panels()[static_cast<std::size_t>(k)];
  const std::vector<core::JournalEntry> series =
      ModGeneral::journal().series(panel.study, panel.scheme);
  if (series.empty()) return QString();
  QStringList parts;
  // N, T, K and Epsilon name the grid; the other typed values are compared
  // all the same.
  for (const core::BaseValue& v : core::baseValues(series.back())) {
    const QString name = QString::fromLatin1(v.name);
    if (name == QLatin1String("N") || name == QLatin1String("T") || name == QLatin1String("K"))
      parts << QStringLiteral("%1 = %2").arg(name, vis::shortNumber(v.value, 6));
    else if (name == QLatin1String("Epsilon"))
      parts << QStringLiteral("ε = %1").arg(vis::shortNumber(v.value, 6));
  }
  const auto n = series.size();
  return QStringLiteral("%1 — %2 point%3")
      .arg(parts.join(QStringLiteral(", ")))
      .arg(n)
      .arg(n > 1 ? "s" : "");
}

void ConvergenceWindow::render(QPainter& p, const QRectF& target) const {
  p.save();
  p.fillRect(target, Qt::white);
  p.setFont(vis::drawingFont());
  if (ModGeneral::journal().entries().empty()) {
    vis::drawMessage(
        p, target,
        QStringLiteral("Aucune erreur enregistrée pour l'instant. Lancez « Calculer E pour R » ou "
                       "« Calculer E pour S » dans une fenêtre de consistance, ou « Calculer E "
                       "pour k » dans la fenêtre de l'erreur entre Ueps/k et Uo : chaque calcul "
                       "terminé ajoute un point ici."));
    p.restore();
    return;
  }
  const double w = target.width() / 3, h = target.height() / 2;
  const int cells[5] = {0, 1, 2, 3, 4};
  for (int k : cells) {
    const int col = k % 3, row = k / 3;
    renderPanel(p, QRectF(target.left() + col * w, target.top() + row * h, w, h), k);
  }
  // The sixth cell: how to read the plots.
  const QRectF legend(target.left() + 2 * w + 12, target.top() + h + 16, w - 24, h - 32);
  const QFontMetricsF fm(p.font());
  double y = legend.top() + fm.height();
  auto line = [&](const QPen& pen, const QString& text) {
    p.setPen(pen);
    p.drawLine(QPointF(legend.left(), y - fm.ascent() / 3),
               QPointF(legend.left() + 30, y - fm.ascent() / 3));
    p.setPen(Qt::black);
    p.drawText(QPointF(legend.left() + 38, y), text);
    y += fm.height() * 1.5;
  };
  p.setPen(kPoints);
  p.setBrush(kPoints);
  p.drawEllipse(QPointF(legend.left() + 15, y - fm.ascent() / 3), 3, 3);
  p.setBrush(Qt::NoBrush);
  p.setPen(Qt::black);
  p.drawText(QPointF(legend.left() + 38, y), QStringLiteral("une erreur calculée"));
  y += fm.height() * 1.5;
  line(QPen(kFit, 0), QStringLiteral("droite des moindres carrés"));
  line(QPen(kReference, 0, Qt::DashLine), QStringLiteral("pente de référence 1"));
  line(QPen(kReference, 0, Qt::DotLine), QStringLiteral("pente de référence 2"));
  p.drawText(QRectF(legend.left(), y, legend.width(), legend.bottom() - y), Qt::TextWordWrap,
             QStringLiteral("Une erreur en C·pas^q donne une droite de pente q. "
                            "Attendu : q → 1 en temps, p → 2 en espace."));
  p.restore();
}

void ConvergenceWindow::renderPanel(QPainter& p, const QRectF& cell, int k) const {
  const Panel& panel = panels()[static_cast<std::size_t>(k)];
  const QFontMetricsF fm(p.font());
  p.setPen(Qt::black);
  p.drawText(QRectF(cell.left() + 4, cell.top() + 4, cell.width() - 8, fm.height()),
             Qt::AlignHCenter, panel.title);
  p.setPen(QColor(60, 60, 60));
  p.drawText(
      QRectF(cell.left() + 4, cell.top() + 4 + 2 * fm.height(), cell.width() - 8, fm.height()),
      Qt::AlignHCenter, fm.elidedText(seriesText(k), Qt::ElideRight, cell.width() - 8));
  p.setPen(Qt::black);
  const QRectF r = cell.adjusted(56, 10 + 3 * fm.height(), -12, -(12 + 2 * fm.height()));
  std::vector<double> steps, errors;
  points(k, steps, errors);
  std::vector<std::size_t> shown;
  for (std::size_t i = 0; i < steps.size(); ++i)
    if (steps[i] > 0 && errors[i] > 0 && std::isfinite(steps[i]) && std::isfinite(errors[i]))
      shown.push_back(i);
  p.drawRect(r);
  if (shown.empty()) {
    vis::drawMessage(p, r,
                     steps.empty() ? QStringLiteral("Aucune erreur enregistrée")
                                   : QStringLiteral("Aucune erreur positive à placer"));
    return;
  }
  double xlo = steps[shown[0]], xhi = xlo, ylo = errors[shown[0]], yhi = ylo;
  for (std::size_t i : shown) {
    xlo = std::min(xlo, steps[i]);
    xhi = std::max(xhi, steps[i]);
    ylo = std::min(ylo, errors[i]);
    yhi = std::max(yhi, errors[i]);
  }
  const auto [x0, x1] = logBounds(xlo, xhi);
  const auto [y0, y1] = logBounds(ylo, yhi);
  const LogMapping m{r, x0, x1, y0, y1};

  // Decade graduations.
  for (double x : logTicks(std::pow(10.0, x0), std::pow(10.0, x1))) {
    p.setPen(QColor(225, 225, 225));
    p.drawLine(QPointF(m.px(x), r.top()), QPointF(m.px(x), r.bottom()));
    p.setPen(Qt::black);
    p.drawText(QRectF(m.px(x) - 30, r.bottom() + 3, 60, fm.height()), Qt::AlignHCenter,
               tickText(x));
  }
  for (double y : logTicks(std::pow(10.0, y0), std::pow(10.0, y1))) {
    p.setPen(QColor(225, 225, 225));
    p.drawLine(QPointF(r.left(), m.py(y)), QPointF(r.right(), m.py(y)));
    p.setPen(Qt::black);
    p.drawText(
        QRectF(cell.left(), m.py(y) - fm.height() / 2, r.left() - cell.left() - 4, fm.height()),
        Qt::AlignRight | Qt::AlignVCenter, tickText(y));
  }
  p.setPen(Qt::black);
  p.drawText(QRectF(r.left(), r.bottom() + 3 + fm.height(), r.width(), fm.height()),
             Qt::AlignHCenter, panel.axis);

  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  const core::LogLogFit f = core::fitLogLog(steps, errors);
  if (f.valid) {
    // Reference slopes pivot on the centre of the points, where the fitted
    // line passes too, so the three slopes compare at a glance.
    double mx = 0;
    for (std::size_t i : shown) mx += std::log10(steps[i]);
    mx /= static_cast<double>(shown.size());
    const double my = f.intercept + f.slope * mx;
    // x0 and x1 copied: clang 14 cannot capture structured bindings.
    auto drawSlope = [&, x0 = x0, x1 = x1](double slope, double b, const QPen& pen) {
      p.setPen(pen);
      const double ya = b + slope * (x0 - mx), yb = b + slope * (x1 - mx);
      p.drawLine(QPointF(m.px(std::pow(10.0, x0)), m.py(std::pow(10.0, ya))),
                 QPointF(m.px(std::pow(10.0, x1)), m.py(std::pow(10.0, yb))));
    };
    drawSlope(1, my, QPen(kReference, 0, Qt::DashLine));
    drawSlope(2, my, QPen(kReference, 0, Qt::DotLine));
    drawSlope(f.slope, my, QPen(kFit, 0));
  }
  p.setPen(kPoints);
  p.setBrush(kPoints);
  for (std::size_t i : shown) p.drawEllipse(QPointF(m.px(steps[i]), m.py(errors[i])), 3, 3);
  p.setBrush(Qt::NoBrush);
  p.restore();

  p.setPen(f.valid ? kFit.darker(120) : QColor(120, 0, 0));
  p.drawText(QRectF(cell.left() + 4, cell.top() + 4 + fm.height(), cell.width() - 8, fm.height()),
             Qt::AlignHCenter, slopeText(k));
}
