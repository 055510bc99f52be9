#include "visualisation/modes_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/numeric.h"
#include "shell/mod_general.h"
#include "ui/colours.h"
#include "ui/controls.h"
#include "ui/number_text.h"
#include "visualisation/render_surface.h"

namespace {

constexpr double kPi = std::numbers::pi;
const QColor kStrong(0, 0, 220);
const QColor kWeak(140, 140, 255);
const QColor kGridModes(0, 0, 110);
const QColor kMeasured(210, 0, 0);
const QColor kUnstableZone(255, 226, 226);
const QColor kBounded(0, 160, 0);
const QColor kGrown(220, 0, 0);
const QColor kTooShort(150, 150, 150);
// How many decades below the largest coefficient the mode-time map shows:
// enough for an exploding run's starting data to show, its rounding noise
// some 16 decades lower still.
constexpr double kMapDecades = 40;

QString text(const std::string& s) { return ui::fromStd(s); }

QString factorText(std::complex<double> g) {
  if (g.imag() == 0) return vis::shortNumber(g.real(), 5);
  return QStringLiteral("%1 ± %2i")
      .arg(vis::shortNumber(g.real(), 5), vis::shortNumber(std::fabs(g.imag()), 5));
}

QString tableName(core::Scheme scheme) {
  return scheme == core::Scheme::P0 ? QStringLiteral("SolP0") : QStringLiteral("SolPeps");
}

// A sequential palette, dark (s = 0) to light (s = 1).
QRgb heatColour(double s) {
  static const int stops[][3] = {
      {0, 0, 4}, {87, 16, 110}, {188, 55, 84}, {249, 142, 9}, {252, 255, 164}};
  s = std::clamp(std::isnan(s) ? 0.0 : s, 0.0, 1.0) * 4;
  const int k = std::min(3, static_cast<int>(s));
  const double f = s - k;
  auto mix = [&](int c) {
    return static_cast<int>(std::lround(stops[k][c] + f * (stops[k + 1][c] - stops[k][c])));
  };
  return qRgb(mix(0), mix(1), mix(2));
}

// Points reduced to what a device pixel column can show: each column keeps
// the lowest and highest point that falls in it.
struct ColumnSpan {
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
};
template <class At>
std::vector<ColumnSpan> columnSpans(std::int64_t count, const QRectF& area, double dpr, At at) {
  std::vector<ColumnSpan> spans(static_cast<std::size_t>(std::max(1.0, area.width() * dpr) + 1));
  for (std::int64_t k = 0; k < count; ++k) {
    const QPointF pt = at(k);
    if (!std::isfinite(pt.x()) || !std::isfinite(pt.y())) continue;
    const auto c = static_cast<std::size_t>(
        std::clamp((pt.x() - area.left()) * dpr, 0.0, static_cast<double>(spans.size() - 1)));
    spans[c].lo = std::min(spans[c].lo, pt.y());
    spans[c].hi = std::max(spans[c].hi, pt.y());
  }
  return spans;
}

// Horizontal grid lines across m.area and their values left of it.
void valueGraduations(QPainter& p, const vis::Mapping& m, const QRectF& target, int digits) {
  const QFontMetricsF fm(p.font());
  for (double y : vis::niceTicks(m.u0, m.u1, 6)) {
    if (y < m.u0 || y > m.u1) continue;
    p.setPen(QPen(ui::colour::lightGrey, 0));
    p.drawLine(QPointF(m.area.left(), m.py(y)), QPointF(m.area.right(), m.py(y)));
    p.setPen(Qt::black);
    p.drawText(QRectF(target.left(), m.py(y) - fm.height() / 2, m.area.left() - target.left() - 4,
                      fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, vis::shortNumber(y, digits));
  }
}

}  // namespace

// ------------------------------------------------------------------ the list

void ModesListModel::setAnalysis(std::shared_ptr<const ModesAnalysis> analysis) {
  beginResetModel();
  analysis_ = std::move(analysis);
  endResetModel();
}

int ModesListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !analysis_) return 0;
  return static_cast<int>(std::min<std::int64_t>(analysis_->N, std::numeric_limits<int>::max()));
}

ModesListModel::Mode ModesListModel::mode(std::int64_t row) const {
  const ModesAnalysis& a = *analysis_;
  const std::int64_t j = row + 1;
  const double theta = core::modeAngle(j, a.N);
  return {j, theta, core::amplification(a.scheme, a.Lambda, a.Alpha, theta),
          a.measured[static_cast<std::size_t>(row)]};
}

QString ModesListModel::line(int row) const {
  if (!analysis_ || row < 0 || row >= rowCount()) return QString();
  const auto [j, theta, g, m] = mode(row);
  QString s =
      QStringLiteral("j=%1  θ=%2  g=%3  ").arg(j).arg(vis::shortNumber(theta, 5), factorText(g.g1));
  if (m.status == core::MeasuredMode::Status::Measured)
    s += QStringLiteral("mesuré %1  n=%2–%3")
             .arg(factorText(m.g))
             .arg(m.firstLevel)
             .arg(m.lastLevel);
  else
    s += QStringLiteral("(%1)").arg(text(core::measurementNote(m)));
  return s;
}

std::int64_t ModesListModel::csvRows() const { return rowCount(); }

void ModesListModel::csvHeader(ui::CsvBuffer& out) const {
  for (const char* name : {"j", "theta", "g_formule", "g_formule_im", "g_mesure", "g_mesure_im",
                           "premier_niveau", "dernier_niveau", "remarque"})
    out.text(std::string_view(name));
  out.endRow();
}

void ModesListModel::csvRow(ui::CsvBuffer& out, std::int64_t row) const {
  const auto [j, theta, g, m] = mode(row);
  out.integer(j);
  out.number(theta);
  out.number(g.g1.real());
  out.number(g.g1.imag());
  if (m.status == core::MeasuredMode::Status::Measured) {
    out.number(m.g.real());
    out.number(m.g.imag());
    out.integer(m.firstLevel);
    out.integer(m.lastLevel);
    out.text(std::string_view());
  } else {
    for (int k = 0; k < 4; ++k) out.text(std::string_view());
    out.text(core::measurementNote(m));
  }
  out.endRow();
}

// ---------------------------------------------------------------- the window

ModesWindow::ModesWindow(QWidget* parent) : vis::TableWindow(parent) {
  const auto [layout, bar] =
      setUp(QStringLiteral("FrmModes"), QStringLiteral("Modes de Fourier et stabilité"),
            QSize(1040, 760));
  lblVerdict_ = vis::named(new QLabel(this), "LblVerdict", QStringLiteral("Verdict"),
                           QStringLiteral("La stabilité selon les modes de la grille et selon "
                                          "tous les θ, et ce que la mesure ne peut pas montrer"));
  lblVerdict_->setWordWrap(true);
  lblVerdict_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  bar->addWidget(lblVerdict_, 1);
  bar->addWidget(vis::quitButton(this, QStringLiteral("Ferme la fenêtre des modes de Fourier")), 0,
                 Qt::AlignTop);

  auto surface = [this](const char* name,
                        void (ModesWindow::*render)(QPainter&, const QRectF&) const,
                        const QString& title, const QString& description) {
    auto* s = new vis::RenderSurface(
        QString::fromLatin1(name),
        [this, render](QPainter& p, const QRectF& r) { (this->*render)(p, r); }, this);
    vis::described(s, title, description);
    return s;
  };
  amplification_ = surface(
      "PBAmplification", &ModesWindow::renderAmplification,
      QStringLiteral("Facteurs d'amplification"),
      QStringLiteral("|g(θ)| de 0 à π, les modes de la grille en points, les facteurs mesurés "
                     "en croix, la droite |g| = 1"));
  modeMap_ =
      surface("PBModesTemps", &ModesWindow::renderModeMap, QStringLiteral("Carte modes–temps"),
              QStringLiteral("log10 |c_j(n)| : les modes en travers, les niveaux vers le "
                             "haut, la plus grande valeur de chaque pixel"));
  stabilityMap_ = surface(
      "PBStabilite", &ModesWindow::renderStabilityMap, QStringLiteral("Carte de stabilité"),
      QStringLiteral("Les études de stabilité de la séance dans le plan (Lambda, Alpha), avec "
                     "les bornes de stabilité"));
  // Up to N lines of the same shape: the fixed-pitch list, one line height.
  listModes_ = ui::list(this, "ListModes", QRect(), QStringLiteral("Liste des modes"),
                        QStringLiteral("Pour chaque mode j : θ_j, g_j par la formule, g_j mesuré "
                                       "et les niveaux de la mesure"),
                        ui::ListKind::Levels);
  model_ = new ModesListModel(this);
  listModes_->setLineModel(model_);

  auto* grid = new QGridLayout;
  grid->addWidget(amplification_, 0, 0);
  grid->addWidget(modeMap_, 0, 1);
  grid->addWidget(stabilityMap_, 1, 0);
  grid->addWidget(listModes_, 1, 1);
  grid->setRowStretch(0, 1);
  grid->setRowStretch(1, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid, 1);

  vis::refreshTimer(this, [this] {
    if (outdated() || ModGeneral::journal().revision() != journalSeen_) synchronise();
  });
  open();
}

void ModesWindow::current() const {
  source_.refresh();
  if (analysed_ && analysedFor_ == source_.identity()) return;
  analysed_ = true;
  analysedFor_ = source_.identity();
  analysis_.reset();
  mapImageFor_ = nullptr;
  if (!source_.available()) return;

  auto a = std::make_shared<ModesAnalysis>();
  a->scheme = source_.scheme();
  a->N = source_.points();
  a->levels = source_.levels();
  // The grid values of the run that wrote the table, else the stored ones.
  const core::TableWriter& w = source_.writer();
  const core::StudyState& s = ModGeneral::state();
  const bool known = w.known && core::roundHalfEven(w.N) == a->N;
  a->Lambda = known ? w.Lambda : double(s.Lambda);
  a->Alpha = a->scheme == core::Scheme::P0 ? 0.0 : known ? w.Alpha : double(s.Alpha);
  a->source = known && w.source;
  a->verdicts = core::verdicts(a->scheme, a->Lambda, a->Alpha, a->N);
  a->gridModulus.resize(static_cast<std::size_t>(a->N));
  for (std::int64_t j = 1; j <= a->N; ++j)
    a->gridModulus[static_cast<std::size_t>(j - 1)] =
        core::amplification(a->scheme, a->Lambda, a->Alpha, core::modeAngle(j, a->N)).largest();

  const core::Table2& t = vis::SolutionSource::table(a->scheme);
  spectral::Decomposition d = spectral::decompose(
      a->scheme, t.row(1) + 1, t.colUpper() - t.colLower() + 1, a->N, a->levels, 1024, 1024);
  a->measured.resize(static_cast<std::size_t>(a->N));
  for (std::int64_t j = 1; j <= a->N; ++j) {
    a->measured[static_cast<std::size_t>(j - 1)] = d.meter.result(j);
  }
  a->map = std::move(d.map);
  analysis_ = std::move(a);
}

std::shared_ptr<const ModesAnalysis> ModesWindow::analysis() const {
  current();
  return analysis_;
}

bool ModesWindow::startAnalysed(QPainter& p, const QRectF& target) const {
  current();
  return vis::startDrawing(p, target, analysis_ ? QString() : source_.emptyReason());
}

QString ModesWindow::notesText() const {
  if (!analysis_) return source_.emptyReason();
  const ModesAnalysis& a = *analysis_;
  QStringList lines;
  lines << text(core::stabilityVerdict(a.scheme, a.Lambda, a.Alpha, a.N, ui::decimalMark()));
  if (a.levels < (a.scheme == core::Scheme::P0 ? 2 : 3)) lines << text(core::tooShortNote());
  if (a.source) lines << text(core::sourceNote());
  std::int64_t absent = 0;
  for (const core::MeasuredMode& m : a.measured)
    absent += m.status == core::MeasuredMode::Status::Absent ? 1 : 0;
  if (absent > 0 && absent < a.N) lines << text(core::absentModesNote(absent));
  return lines.join(QLatin1Char('\n'));
}

void ModesWindow::synchronise() {
  current();
  journalSeen_ = ModGeneral::journal().revision();
  chooser_->showTables(source_.scheme());
  // The list starts again only for another table, not at every journal change.
  if (model_->analysis() != analysis_) model_->setAnalysis(analysis_);
  lblVerdict_->setText(notesText());
  amplification_->update();
  modeMap_->update();
  stabilityMap_->update();
}

// ------------------------------------------------------ amplification curve

vis::Mapping ModesWindow::amplificationMapping(const QRectF& target) const {
  vis::Mapping m;
  m.area = target.adjusted(48, 40, -14, -34);
  m.x0 = 0;
  m.x1 = kPi;
  m.u0 = 0;
  double top = 1;
  if (analysis_) {
    const ModesAnalysis& a = *analysis_;
    top = std::max(top, a.verdicts.allLargest);
    // A measured factor far off the curve (a source) does not crush it.
    const double cap = 4 * top;
    for (const core::MeasuredMode& mm : a.measured)
      if (mm.status == core::MeasuredMode::Status::Measured && std::isfinite(std::abs(mm.g)))
        top = std::max(top, std::min(cap, std::abs(mm.g)));
  }
  m.u1 = top * 1.12;
  return m;
}

void ModesWindow::renderAmplification(QPainter& p, const QRectF& target) const {
  const vis::PaintGuard guard(p);
  if (!startAnalysed(p, target)) return;
  const ModesAnalysis& a = *analysis_;
  const QFontMetricsF fm(p.font());
  const vis::Mapping m = amplificationMapping(target);
  const QRectF& r = m.area;
  const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
  auto g = [&](double theta) { return core::amplification(a.scheme, a.Lambda, a.Alpha, theta); };

  // Where |g| > 1, shaded column by column.
  const int columns = std::max(1, static_cast<int>(r.width() * dpr));
  for (int c = 0; c < columns;) {
    auto unstable = [&](int k) {
      return g(m.xAt(r.left() + (k + 0.5) / dpr)).largest() > 1 + 1e-12;
    };
    if (!unstable(c)) {
      ++c;
      continue;
    }
    int e = c;
    while (e < columns && unstable(e)) ++e;
    p.fillRect(QRectF(r.left() + c / dpr, r.top(), (e - c) / dpr, r.height()), kUnstableZone);
    c = e;
  }

  // Graduations.
  p.setPen(QPen(ui::colour::lightGrey, 0));
  const QString angles[] = {QStringLiteral("0"), QStringLiteral("π/4"), QStringLiteral("π/2"),
                            QStringLiteral("3π/4"), QStringLiteral("π")};
  for (int k = 0; k <= 4; ++k) {
    const double x = m.px(kPi * k / 4);
    p.setPen(QPen(ui::colour::lightGrey, 0));
    p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    p.setPen(Qt::black);
    p.drawText(QRectF(x - 30, r.bottom() + 3, 60, fm.height()), Qt::AlignHCenter, angles[k]);
  }
  valueGraduations(p, m, target, 3);
  p.drawText(QRectF(r.left(), r.bottom() + 3 + fm.height(), r.width(), fm.height()),
             Qt::AlignHCenter, QStringLiteral("θ = j π h"));
  p.setPen(QPen(Qt::black, 0, Qt::DashLine));
  p.drawLine(QPointF(r.left(), m.py(1)), QPointF(r.right(), m.py(1)));
  p.setPen(Qt::black);
  p.drawText(QPointF(r.left() + 4, m.py(1) - 3), QStringLiteral("|g| = 1"));

  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  // The curves, one point per device pixel column.
  QPolygonF strong, weak;
  for (int c = 0; c <= columns; ++c) {
    const double x = r.left() + c / dpr;
    const core::Amplification f = g(m.xAt(x));
    strong << QPointF(x, m.py(std::abs(f.g1)));
    weak << QPointF(x, m.py(std::abs(f.g2)));
  }
  if (a.scheme == core::Scheme::Peps) {
    p.setPen(QPen(kWeak, 1.2));
    p.drawPolyline(weak);
  }
  p.setPen(QPen(kStrong, 2.2));
  p.drawPolyline(strong);

  // The grid's modes as dots and the measured factors as crosses; past a
  // few per pixel, each device column shows the span of its points.
  const bool few = static_cast<double>(a.N) * 6 < r.width();
  auto drawPoints = [&](const QColor& colour, bool cross, auto at) {
    p.setPen(QPen(colour, cross ? 1.4 : 1.0));
    p.setBrush(cross ? Qt::NoBrush : QBrush(colour));
    if (few) {
      for (std::int64_t k = 0; k < a.N; ++k) {
        const QPointF pt = at(k);
        if (!std::isfinite(pt.y())) continue;
        if (cross) {
          p.drawLine(pt + QPointF(-4, -4), pt + QPointF(4, 4));
          p.drawLine(pt + QPointF(-4, 4), pt + QPointF(4, -4));
        } else {
          p.drawEllipse(pt, 3, 3);
        }
      }
      return;
    }
    const std::vector<ColumnSpan> spans = columnSpans(a.N, r, dpr, at);
    p.setPen(QPen(colour, 2.5 / dpr * std::max(1.0, dpr), Qt::SolidLine, Qt::SquareCap));
    std::vector<QLineF> lines;
    for (std::size_t c = 0; c < spans.size(); ++c)
      if (spans[c].lo <= spans[c].hi) {
        const double x = r.left() + (static_cast<double>(c) + 0.5) / dpr;
        lines.emplace_back(QPointF(x, spans[c].lo - 1), QPointF(x, spans[c].hi + 1));
      }
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
  };
  drawPoints(kGridModes, false, [&](std::int64_t k) {
    return QPointF(m.px(core::modeAngle(k + 1, a.N)),
                   m.py(a.gridModulus[static_cast<std::size_t>(k)]));
  });
  drawPoints(kMeasured, true, [&](std::int64_t k) {
    const core::MeasuredMode& mm = a.measured[static_cast<std::size_t>(k)];
    const double y = mm.status == core::MeasuredMode::Status::Measured
                         ? m.py(std::abs(mm.g))
                         : std::numeric_limits<double>::quiet_NaN();
    return QPointF(m.px(core::modeAngle(k + 1, a.N)), y);
  });
  p.setBrush(Qt::NoBrush);
  p.restore();
  p.setPen(Qt::black);
  p.drawRect(r);

  // Title, legend, and the mark of differing verdicts.
  QString title = QStringLiteral("|g(θ)| du calcul de %1 : N = %2, Lambda = %3")
                      .arg(tableName(a.scheme))
                      .arg(a.N)
                      .arg(vis::shortNumber(a.Lambda, 5));
  if (a.scheme == core::Scheme::Peps)
    title += QStringLiteral(", Alpha = %1").arg(vis::shortNumber(a.Alpha, 5));
  p.drawText(QRectF(target.left() + 4, target.top() + 3, target.width() - 8, fm.height()),
             Qt::AlignLeft, title);
  double x = r.left();
  const double y = target.top() + 5 + fm.height() * 1.5;
  auto legend = [&](const QColor& colour, int kind, const QString& label) {
    p.setPen(QPen(colour, kind == 0 ? 2.2 : 1.2));
    p.setBrush(kind == 2 ? QBrush(colour) : Qt::NoBrush);
    if (kind == 2)
      p.drawEllipse(QPointF(x + 8, y - fm.ascent() / 3), 3, 3);
    else if (kind == 3) {
      const QPointF c(x + 8, y - fm.ascent() / 3);
      p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
      p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
    } else {
      p.drawLine(QPointF(x, y - fm.ascent() / 3), QPointF(x + 16, y - fm.ascent() / 3));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    p.drawText(QPointF(x + 20, y), label);
    x += 28 + fm.horizontalAdvance(label);
  };
  legend(
      kStrong, 0,
      a.scheme == core::Scheme::P0 ? QStringLiteral("|g|") : QStringLiteral("|g| le plus grand"));
  if (a.scheme == core::Scheme::Peps) legend(kWeak, 1, QStringLiteral("l'autre racine"));
  legend(kGridModes, 2, QStringLiteral("modes de la grille"));
  legend(kMeasured, 3, QStringLiteral("mesurés"));
  if (a.verdicts.gridStable != a.verdicts.allStable) {
    p.setPen(QColor(170, 0, 0));
    p.drawText(QRectF(r.left() + 6, r.top() + 4, r.width() - 12, fm.height() * 2.2),
               Qt::AlignRight | Qt::TextWordWrap,
               QStringLiteral("Verdicts différents : |g| > 1 (zone rosée) entre les modes de la "
                              "grille, aucun mode n'y tombe"));
  }
}

// ------------------------------------------------------------ mode-time map

void ModesWindow::renderModeMap(QPainter& p, const QRectF& target) const {
  const vis::PaintGuard guard(p);
  if (!startAnalysed(p, target)) return;
  const ModesAnalysis& a = *analysis_;
  const spectral::ModeMap& map = a.map;
  float hi = -std::numeric_limits<float>::infinity(), lo = -hi;
  for (float v : map.log10Max)
    if (std::isfinite(v)) {
      hi = std::max(hi, v);
      lo = std::min(lo, v);
    }
  if (!(hi >= lo)) {
    vis::drawMessage(p, target, text(core::allCoefficientsZeroMessage()));
    return;
  }
  const double top = hi, bottom = std::max<double>(lo, top - kMapDecades);
  const double span = top > bottom ? top - bottom : 1;
  const QFontMetricsF fm(p.font());
  const QRectF area = target.adjusted(56, 26, -86, -34);
  const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
  const QSize pixels(std::max(1, static_cast<int>(std::lround(area.width() * dpr))),
                     std::max(1, static_cast<int>(std::lround(area.height() * dpr))));
  if (mapImageFor_ != &a || mapImage_.size() != pixels) {
    // Cells to at most one per device pixel, each keeping the largest it covers.
    const std::int64_t tw = std::min<std::int64_t>(map.columns, pixels.width());
    const std::int64_t th = std::min<std::int64_t>(map.rows, pixels.height());
    std::vector<float> reduced(static_cast<std::size_t>(tw * th),
                               -std::numeric_limits<float>::infinity());
    for (std::int64_t rr = 0; rr < map.rows; ++rr) {
      float* out = reduced.data() + (rr * th / map.rows) * tw;
      for (std::int64_t c = 0; c < map.columns; ++c) {
        float& cell = out[c * tw / map.columns];
        cell = std::max(cell, map.at(c, rr));
      }
    }
    QImage cells(static_cast<int>(tw), static_cast<int>(th), QImage::Format_RGB32);
    for (std::int64_t rr = 0; rr < th; ++rr) {
      auto* line = reinterpret_cast<QRgb*>(cells.scanLine(static_cast<int>(th - 1 - rr)));
      for (std::int64_t c = 0; c < tw; ++c)
        line[c] = heatColour((reduced[static_cast<std::size_t>(rr * tw + c)] - bottom) / span);
    }
    mapImage_ = cells.scaled(pixels, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    mapImageFor_ = &a;
  }
  p.drawImage(area, mapImage_);
  p.setPen(QPen(Qt::black, 0));
  p.drawRect(area.adjusted(-1, -1, 0, 0));

  // Modes across (cell centres), levels up.
  const double N = static_cast<double>(a.N);
  for (double j : vis::niceTicks(1, N, 5)) {
    if (j < 1 || j > N || j != std::floor(j)) continue;
    const double px = area.left() + (j - 0.5) / N * area.width();
    p.drawLine(QPointF(px, area.bottom() + 1), QPointF(px, area.bottom() + 4));
    p.drawText(QRectF(px - 40, area.bottom() + 5, 80, fm.height()), Qt::AlignHCenter,
               QString::number(static_cast<std::int64_t>(j)));
  }
  p.drawText(QRectF(area.left(), area.bottom() + 5 + fm.height(), area.width(), fm.height()),
             Qt::AlignHCenter, QStringLiteral("mode j"));
  const double last = static_cast<double>(a.levels - 1);
  for (double n : vis::niceTicks(0, last, 6)) {
    if (n < 0 || n > last || n != std::floor(n)) continue;
    const double py = last > 0 ? area.bottom() - n / last * area.height() : area.bottom();
    vis::leftTick(p, area, target, py, QString::number(static_cast<std::int64_t>(n)));
  }
  p.drawText(QRectF(target.left() + 4, target.top() + 4, target.width() - 8, fm.height() + 4),
             Qt::AlignLeft,
             QStringLiteral("log10 |c_j(n)| de %1 : %2 niveaux × %3 modes (axe vertical : n)")
                 .arg(tableName(a.scheme))
                 .arg(a.levels)
                 .arg(a.N));

  const QRectF bar(area.right() + 14, area.top(), 14, area.height());
  for (int yy = 0; yy < static_cast<int>(bar.height()); ++yy)
    p.fillRect(QRectF(bar.left(), bar.top() + yy, bar.width(), 1.0),
               QColor(heatColour(1.0 - (yy + 0.5) / bar.height())));
  p.drawRect(bar);
  double lastY = -1e9;
  for (double v : vis::niceTicks(bottom, top, 6)) {
    if (v < bottom || v > top) continue;
    const double py = bar.bottom() - (v - bottom) / span * bar.height();
    if (std::fabs(py - lastY) < fm.height()) continue;
    lastY = py;
    p.drawLine(QPointF(bar.right(), py), QPointF(bar.right() + 4, py));
    p.drawText(QRectF(bar.right() + 6, py - fm.height() / 2, target.right() - bar.right() - 6,
                      fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("1e%1").arg(static_cast<int>(std::lround(v))));
  }
}

// ----------------------------------------------------------- stability map

void ModesWindow::renderStabilityMap(QPainter& p, const QRectF& target) const {
  current();
  const vis::PaintGuard guard(p);
  const auto& runs = ModGeneral::journal().stabilityRuns();
  if (!vis::startDrawing(p, target, runs.empty() ? text(core::noStabilityRunMessage()) : QString()))
    return;
  const QFontMetricsF fm(p.font());
  const QString rule = text(core::stabilityColourRule());
  const QRectF ruleBox(target.left() + 6, 0, target.width() - 12, 0);
  const double ruleHeight =
      fm.boundingRect(QRectF(0, 0, ruleBox.width(), 1e6), Qt::TextWordWrap, rule).height();
  const QRectF r =
      target.adjusted(52, 10 + 2 * fm.height(), -16, -(ruleHeight + 18 + 3 * fm.height()));

  // Axes holding every point, the origin and (1, 1).
  double x0 = 0, x1 = 1, y0 = 0, y1 = 1;
  for (const auto& run : runs) {
    if (std::isfinite(run.facts.Lambda)) {
      x0 = std::min(x0, run.facts.Lambda);
      x1 = std::max(x1, run.facts.Lambda);
    }
    if (std::isfinite(run.facts.Alpha)) {
      y0 = std::min(y0, run.facts.Alpha);
      y1 = std::max(y1, run.facts.Alpha);
    }
  }
  const double padX = (x1 - x0) * 0.08, padY = (y1 - y0) * 0.08;
  const vis::Mapping m{r, x0 - padX, x1 + padX, y0 - padY, y1 + padY};
  for (double x : vis::niceTicks(m.x0, m.x1, 6)) {
    if (x < m.x0 || x > m.x1) continue;
    p.setPen(QPen(ui::colour::lightGrey, 0));
    p.drawLine(QPointF(m.px(x), r.top()), QPointF(m.px(x), r.bottom()));
    p.setPen(Qt::black);
    p.drawText(QRectF(m.px(x) - 30, r.bottom() + 3, 60, fm.height()), Qt::AlignHCenter,
               vis::shortNumber(x, 4));
  }
  valueGraduations(p, m, target, 4);
  p.drawText(QRectF(r.left(), r.bottom() + 3 + fm.height(), r.width(), fm.height()),
             Qt::AlignHCenter, QStringLiteral("Lambda"));
  p.drawText(
      QRectF(target.left() + 4, target.top() + 4, target.width() - 8, fm.height()), Qt::AlignLeft,
      QStringLiteral("Études de stabilité de la séance : Alpha selon Lambda (Alpha = 0 : P0)"));

  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(90, 90, 90), 0));
  p.drawLine(QPointF(r.left(), m.py(0)), QPointF(r.right(), m.py(0)));
  // The bounds as lines Lambda = f(Alpha), for Alpha >= -1/2.
  const std::int64_t lastN = runs.back().facts.N;
  const double a0 = std::max(-0.5, m.u0), a1 = m.u1;
  auto bound = [&](double (*f)(double, std::int64_t), const QPen& pen) {
    p.setPen(pen);
    p.drawLine(QPointF(m.px(f(a0, lastN)), m.py(a0)), QPointF(m.px(f(a1, lastN)), m.py(a1)));
  };
  bound([](double al, std::int64_t) { return core::boundAllAngles(al); }, QPen(Qt::black, 1.5));
  bound([](double al, std::int64_t n) { return core::boundGrid(al, n); },
        QPen(QColor(0, 0, 170), 1.5, Qt::DashLine));
  for (const auto& run : runs) {
    const QColor c = run.colour == core::RunColour::Bounded ? kBounded
                     : run.colour == core::RunColour::Grown ? kGrown
                                                            : kTooShort;
    p.setPen(QPen(c.darker(140), 1));
    p.setBrush(c);
    p.drawEllipse(QPointF(m.px(run.facts.Lambda), m.py(run.facts.Alpha)), 4.5, 4.5);
  }
  p.setBrush(Qt::NoBrush);
  p.restore();
  p.setPen(Qt::black);
  p.drawRect(r);

  // Legend of the lines, then the rule of the colours.
  double y = r.bottom() + 8 + 2 * fm.height();
  double x = r.left();
  auto legend = [&](const QPen& pen, const QString& label) {
    p.setPen(pen);
    p.drawLine(QPointF(x, y + fm.height() / 2), QPointF(x + 22, y + fm.height() / 2));
    p.setPen(Qt::black);
    p.drawText(QPointF(x + 26, y + fm.ascent()), label);
    x += 40 + fm.horizontalAdvance(label);
  };
  legend(QPen(Qt::black, 1.5), QStringLiteral("Lambda = 1/2 + Alpha (tous les θ)"));
  legend(QPen(QColor(0, 0, 170), 1.5, Qt::DashLine),
         QStringLiteral("borne de la grille, N = %1").arg(lastN));
  p.drawText(QRectF(target.left() + 6, target.bottom() - ruleHeight - 4, target.width() - 12,
                    ruleHeight + 2),
             Qt::TextWordWrap, rule);
}
