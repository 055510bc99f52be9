#include "stability/graph_window.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPolygonF>
#include <QPushButton>
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#include "core/failure.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "shell/mod_general.h"
#include "ui/export_image.h"
#include "ui/level_columns.h"
#include "ui/message.h"
#include "ui/picture_surface.h"
#include "ui/window_kit.h"

namespace {

// A value label of the frame, in twips, in its own colours.
ui::ValueLabel* valueTwips(QWidget* parent, const char* name, int left, int top, int width,
                           int height, const QColor& text, const QColor& background) {
  ui::ValueLabel* l = ui::valueLabel(parent, name, ui::twipsRect(left, top, width, height));
  ui::setColors(l, text, background);
  return l;
}

QPushButton* buttonTwips(QWidget* parent, const char* name, const QString& text, int left, int top,
                         int width, int height) {
  return ui::button(parent, name, text, ui::twipsRect(left, top, width, height));
}

// x + h + h + ... (each sum rounded) continued while `stop` is false for the
// next sum: the last sum before the first for which it holds. Where x and its
// sums stay in one binade and h is not half a spacing off a multiple of it,
// every addition adds the same r = (x + h) - x, so the k-th sum is exactly
// x + k·r and is found by bisection (`stop` must hold from some sum on).
// Elsewhere x itself.
template <class Stop>
double lastSumBefore(double x, double h, const Stop& stop) {
  if (!(x >= DBL_MIN) || !(x < DBL_MAX / 4) || !(h > 0)) return x;
  int e = 0;
  std::frexp(x, &e);  // x in [2^(e-1), 2^e)
  const double top = std::ldexp(1.0, e);
  const double spacing = std::ldexp(1.0, e - 53);
  const double r = (x + h) - x;
  if (!(r >= spacing) || !(h >= spacing) || !(x + r < top) || std::fabs(h - r) == spacing / 2)
    return x;
  auto sum = [&](double k) { return x + k * r; };
  double most = std::floor((top - x) / r) - 1;  // sums 1 .. most stay below top
  while (most >= 1 && !(sum(most) < top)) --most;
  if (most < 1 || stop(sum(1))) return x;
  if (!stop(sum(most))) return sum(most);
  double below = 1, above = most;  // stop is false at below, true at above
  while (above - below > 1) {
    const double mid = std::floor((below + above) / 2);
    (stop(sum(mid)) ? above : below) = mid;
  }
  return sum(below);
}

}  // namespace

GraphWindow::GraphWindow(core::Scheme scheme, QWidget* parent)
    : ui::ReopeningWindow(parent), scheme_(scheme) {
  buildControls();
  reload();
}

// ------------------------------------------------------------------ layout

void GraphWindow::buildControls() {
  using namespace ui::colour;
  const bool peps = scheme_ == core::Scheme::Peps;
  setObjectName(peps ? QStringLiteral("FrmStabpepsG") : QStringLiteral("FrmStabp0G"));
  setWindowTitle(peps ? QStringLiteral("Graphiques - Stabilité du schéma Pepsilon ")
                      : QStringLiteral("Graphiques - Stabilité du schéma P0"));
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
  setFixedSize(ui::twips(9315), ui::twips(6690));
  setFont(ui::typeface(8.25));

  QLabel* label3 =
      peps ? ui::caption(this, QStringLiteral("Stabilité du schéma Pepsilon"),
                         ui::twipsRect(6360, 45, 2925, 225), red, Qt::AlignHCenter | Qt::AlignTop)
           : ui::caption(this, QStringLiteral("Stabilité du schéma P0"),
                         ui::twipsRect(4905, 150, 4170, 375), red, Qt::AlignHCenter | Qt::AlignTop);
  label3->setObjectName(QStringLiteral("Label3"));
  label3->setFont(peps ? ui::typeface(8.25, true, true) : ui::typeface(13.5, false, true));

  Frame1 = ui::frame(this, "Frame1", QStringLiteral("Paramètres du tracé"),
                     peps ? ui::twipsRect(60, 0, 6300, 945) : ui::twipsRect(45, 0, 4830, 945));

  QLabel* label1 =
      ui::caption(Frame1, QStringLiteral("Valeur de n :"), ui::twipsRect(105, 330, 1005, 285));
  label1->setObjectName(QStringLiteral("Label1"));
  TxtIndicen = ui::field(Frame1, "TxtIndicen", ui::twipsRect(1065, 300, 495, 285), label1);
  TxtIndicen->setAccessibleName(QStringLiteral("Valeur de n, niveau de temps à tracer"));
  TxtIndicen->setAccessibleDescription(QStringLiteral("tn = n × Tau, n de 0 à K"));
  QLabel* label2 = ui::caption(Frame1, QStringLiteral("tn = nxTau ; n = 0,1,2,.,K "),
                               ui::twipsRect(105, 615, 1800, 300));
  label2->setObjectName(QStringLiteral("Label2"));

  LblRN = valueTwips(Frame1, "LblRN", 1740, 300, 645, 210, blue, lightOrange);
  LblRH = valueTwips(Frame1, "LblRH", 2445, 300, 915, 210, blue, lightOrange);
  LblRLambda = valueTwips(Frame1, "LblRLambda", 3405, 300, 1365, 210, blue, lightOrange);
  LblRT = valueTwips(Frame1, "LblRT", 1950, 600, 645, 210, red, yellow);
  LblRK = valueTwips(Frame1, "LblRK", 2640, 600, 735, 210, red, yellow);
  LblRTau = valueTwips(Frame1, "LblRTau", 3420, 600, 1350, 210, red, yellow);
  if (peps) {
    LblAlpha = valueTwips(Frame1, "LblAlpha", 4815, 300, 1440, 210, red, yellow);
    LblEpsilon = valueTwips(Frame1, "LblEpsilon", 4815, 600, 1440, 210, red, yellow);
  }

  CmdTracage = peps ? buttonTwips(this, "CmdTracage", QStringLiteral("Tracer le graphe"), 6390, 330,
                                  1710, 300)
                    : buttonTwips(this, "CmdTracage", QStringLiteral("Tracer le graphe"), 4935, 660,
                                  1425, 300);
  CmdEffacer = buttonTwips(this, "CmdEffacer", QStringLiteral("Effacer le(s) graphe(s)"), 6390, 660,
                           1710, 300);
  CmdQuitter = buttonTwips(this, "CmdQuitter", QStringLiteral("Quitter"), 8145, 660, 1125, 300);
  connect(CmdTracage, &QPushButton::clicked, this, &GraphWindow::drawLevel);
  connect(CmdEffacer, &QPushButton::clicked, this, &GraphWindow::clearGraphs);
  connect(CmdQuitter, &QPushButton::clicked, this, &QWidget::close);
  // Enter in the level field draws, as the first button would.
  connect(TxtIndicen, &QLineEdit::returnPressed, this, &GraphWindow::drawLevel);

  // The drawing surface: white paper (the highlighted-text colour of the
  // system under a light palette), with a two-pixel sunken border around the drawing area.
  PB1 = new ui::PictureSurface(this, 2);
  PB1->setObjectName(QStringLiteral("PB1"));
  ui::placeTwips(PB1, 60, 990, 9210, 5655);
  PB1->setFont(ui::typeface(8.25));
  PB1->setAccessibleName(peps ? QStringLiteral("Graphe des niveaux du schéma Pepsilon")
                              : QStringLiteral("Graphe des niveaux du schéma P0"));
  PB1->setAccessibleDescription(
      QStringLiteral("Température u en °C selon la position x en m, pour chaque niveau de temps "
                     "tracé ; la souris lit x et U sur le graphe."));
  PB1->setBackground(ui::paper());
  ui::focusByTab(PB1);         // after the buttons, its context menu one key away
  ui::enableImageExport(PB1);  // "Copier l'image", "Enregistrer l'image sous…", "Imprimer…"
  connect(PB1, &ui::PictureSurface::mouseMoved, this, &GraphWindow::readOut);

  PBbarre = new QWidget(PB1);
  PBbarre->setObjectName(QStringLiteral("PBbarre"));
  ui::setColors(PBbarre, red, red);
  PBbarre->setAttribute(Qt::WA_NoMousePropagation);

  PBY = new ui::PictureSurface(PB1, 0);
  PBY->setObjectName(QStringLiteral("PBY"));
  PBY->setAccessibleName(QStringLiteral("Température lue sous la souris"));
  PBX = new ui::PictureSurface(PB1, 0);
  PBX->setObjectName(QStringLiteral("PBX"));
  PBX->setAccessibleName(QStringLiteral("Position lue sous la souris"));
  for (ui::PictureSurface* box : {PBY, PBX}) {
    box->setMouseTracking(false);
    box->setAttribute(Qt::WA_NoMousePropagation);
    box->setBackground(yellow);
    box->setForeColor(red);
    ui::PictureSurface::setReadOut(box);
  }

  LineX = new ui::SurfaceLine(PB1);
  LineX->setObjectName(QStringLiteral("LineX"));
  LineY = new ui::SurfaceLine(PB1);
  LineY->setObjectName(QStringLiteral("LineY"));
  const QColor lineColour = ui::ink();
  LineX->setColor(lineColour);
  LineY->setColor(lineColour);
  // The read-out boxes lie above the cross-hair, which never cuts their text.
  PBY->raise();
  PBX->raise();

  setTabOrder(TxtIndicen, CmdTracage);
  setTabOrder(CmdTracage, CmdEffacer);
  setTabOrder(CmdEffacer, CmdQuitter);
  setTabOrder(CmdQuitter, PB1);
}

// -------------------------------------------------------------------- load

void GraphWindow::load() {
  g_ = GraphState{};
  g_.AxesDrawn = false;

  // The surface as loaded: hidden, empty, measured in twips, children at
  // their places.
  PB1->hide();
  PB1->setScaleTwips();
  PB1->setForeColor(ui::ink());
  PB1->clear();
  PB1->placeChild(PBbarre, 1080, 3480, 7095, 25);
  PB1->placeChild(PBY, 90, 465, 570, 345);
  PB1->placeChild(PBX, 4755, 5235, 600, 375);
  PBY->clear();
  PBX->clear();
  LineX->setEnds(5040, 45, 5040, 5700);
  LineY->setEnds(-15, 630, 9060, 630);
  TxtIndicen->clear();

  const core::StudyState& s = ModGeneral::state();
  const std::string m = ui::decimalMark();
  LblRN->showText(QStringLiteral("N = ") + ui::fromStd(core::formatPlain(s.N, m)));
  LblRH->showText(QStringLiteral("h = ") + ui::fromStd(core::formatFixed(s.h, 4, m)));
  LblRT->showText(QStringLiteral("T = ") + ui::fromStd(core::formatPlain(s.T, m)) +
                  QStringLiteral(" s"));
  LblRK->showText(QStringLiteral("K = ") + ui::fromStd(core::formatPlain(s.K, m)));
  LblRTau->showText(QStringLiteral("Tau = ") + ui::fromStd(core::formatFixed(s.Tau, 4, m)) +
                    QStringLiteral(" s"));
  LblRLambda->showText(QStringLiteral("Lambda = ") +
                       ui::fromStd(core::formatFixed(s.Lambda, 4, m)));
  if (scheme_ == core::Scheme::Peps) {
    LblAlpha->showText(QStringLiteral("Alpha = ") + ui::fromStd(core::formatFixed(s.Alpha, 4, m)));
    LblEpsilon->showText(QStringLiteral("Epsilon = ") +
                         ui::fromStd(core::formatFixed(s.Epsilon, 4, m)));
  }

  TxtIndicen->setFocus();
}

void GraphWindow::clearGraphs() { reload(); }

// ------------------------------------------------------------------ checks

const core::Table2& GraphWindow::solution() const {
  const core::StudyState& s = ModGeneral::state();
  return scheme_ == core::Scheme::P0 ? s.SolP0 : s.SolPeps;
}

bool GraphWindow::solutionMatchesGrid() const {
  const core::StudyState& s = ModGeneral::state();
  const core::Table2& sol = solution();
  const double N = s.N;
  const double K = s.K;
  // Bounds beyond 2^53 cannot be the bounds of a table in memory.
  const double limit = 9007199254740992.0;
  if (!sol.exists() || !(N >= 1 && N < limit) || !(K >= 0 && K < limit)) return false;
  if (!(s.h > 0.0) || !std::isfinite(s.h)) return false;
  return sol.rowLower() == 0 && sol.rowUpper() == core::roundHalfEven(K + 1) &&
         sol.colLower() == 0 && sol.colUpper() == core::roundHalfEven(N);
}

// ---------------------------------------------------------------- drawing

void GraphWindow::drawLevel() {
  const core::StudyState& s = ModGeneral::state();
  const std::string m = ui::decimalMark();
  const double n = core::floorOf(core::parseNumber(TxtIndicen->text().toStdString()).value);
  g_.LevelRow = n + 1;
  if (g_.LevelRow > s.K + 1) {
    ui::showFailure(this, core::fail::levelAboveK());
    return;
  }
  if (n < 0) {
    ui::showFailure(this, core::fail::levelNegative());
    return;
  }
  const std::string schemeName = scheme_ == core::Scheme::P0 ? "P0" : "Pepsilon";
  if (!solution().exists()) {
    ui::showFailure(this, core::fail::noResults(schemeName));
    return;
  }
  if (!solutionMatchesGrid()) {
    ui::showFailure(this, core::fail::resultsOutOfDate(schemeName));
    return;
  }
  const auto rowIndex = static_cast<std::int64_t>(g_.LevelRow);
  const core::Table2& sol = solution();
  const std::string level = core::formatPlain(n, m);
  if (rowIndex > sol.lastRowReached()) {
    ui::showFailure(
        this, core::fail::levelNotComputed(
                  level, core::formatPlain(static_cast<double>(sol.lastRowReached() - 1), m)));
    return;
  }
  const double* row = sol.row(rowIndex);
  // One pass over the level: whether it is finite, and its extremes for the scale.
  const ui::ValueRange range = ui::finiteRange(row, 1, core::loopLast(s.N));
  if (!range.allFinite) {
    ui::showFailure(this, core::fail::levelNotFinite(level));
    return;
  }

  bool defaultRange = false;
  bool drawn = false;
  {
    ui::PictureSurface::Batch batch(*PB1);
    if (g_.AxesDrawn || drawAxes(row, range, &defaultRange)) {
      PB1->show();
      drawCurve(row);
      drawLegend(row);
      drawn = true;
    }
  }
  if (!drawn) {
    ui::showFailure(this, core::fail::levelNoScale(level));
    return;
  }
  if (defaultRange) ui::showFailure(this, core::fail::levelAllZero(level));
}

bool GraphWindow::drawAxes(const double* row, const ui::ValueRange& range, bool* defaultRange) {
  const core::StudyState& s = ModGeneral::state();
  const std::string m = ui::decimalMark();
  const double N = s.N;
  const double h = s.h;
  const std::int64_t last = core::loopLast(N);

  // The largest and smallest of 0 and the level's values, as a scan that
  // keeps the last of equal values gives them: a zero extreme has the sign
  // of the level's last zero.
  auto lastZero = [&] {
    for (std::int64_t i = last; i >= 1; --i)
      if (row[i] == 0.0) return row[i];
    return 0.0;
  };
  double uMax = range.highest > 0.0 ? range.highest : range.highest == 0.0 ? lastZero() : 0.0;
  const double uMin = range.lowest < 0.0 ? range.lowest : range.lowest == 0.0 ? lastZero() : 0.0;
  double uRange = uMax - uMin;
  if (uRange == 0.0) {
    // A level that is 0 everywhere gives no height: draw it on the scale of
    // a level whose largest value is 1.
    uMax = 1.0;
    uRange = uMax - uMin;
    *defaultRange = true;
  }
  const double scaleW = 1.15;
  const double scaleH = uRange * 1.2;
  const auto userHeight = static_cast<float>(std::fabs(scaleH));
  const auto userWidth = static_cast<float>(std::fabs(scaleW));
  // The surface keeps its scale in single precision: a range it cannot hold
  // (beyond about 1e38, or too close to 0) cannot give a scale.
  if (!std::isfinite(uRange) || !std::isfinite(userHeight) || userHeight < FLT_MIN) return false;

  g_.UMax = uMax;
  g_.UMin = uMin;
  g_.URange = uRange;
  g_.ScaleW = scaleW;
  g_.ScaleH = scaleH;
  PB1->setScaleHeight(static_cast<double>(userHeight));
  PB1->setScaleWidth(static_cast<double>(userWidth));
  g_.OriginX = 0.1;
  g_.OriginY = std::fabs(g_.URange / 20 + g_.UMax);

  // The red bar: its top edge on u = 0, from x = 0 to x = 1; it keeps its
  // height in pixels.
  PB1->resizeChild(PBbarre, 1.0, PBbarre->height() * PB1->unitsPerPixelY());
  PB1->moveChild(PBbarre, g_.OriginX, g_.OriginY);

  g_.TickCount = 5;
  g_.TickStep = g_.OriginY / g_.TickCount;

  // Vertical grid, one line per grid point; lines that land on a column
  // already drawn are the same pixels and are skipped. Below `nextEdge`
  // (short of the column's edge by far more than any rounding) a line lands
  // on the column just drawn, so the column is computed only past it.
  const double xEnd = 1 + h;
  int lastColumn = INT_MIN;
  double nextEdge = -DBL_MAX;
  const double unitsPerPixel = PB1->unitsPerPixelX();  // fixed during the loop
  for (double x = 0; x <= xEnd; x = x + h) {
    if (!(g_.OriginX + x < nextEdge)) {
      const int column = ui::PictureSurface::pixelIndex(
          unitsPerPixel != 0.0 ? (g_.OriginX + x) / unitsPerPixel : 0.0);
      if (column != lastColumn) {
        lastColumn = column;
        PB1->drawLine(g_.OriginX + x, g_.ScaleH, g_.OriginX + x, 0, ui::colour::lightGrey);
      }
      if (unitsPerPixel > 0.0 && column >= 0 && column < 1000000)
        nextEdge = (column + 0.5) * unitsPerPixel * (1 - 1e-9);
    }
    if (x + h == x) break;
    // Straight to the last grid point before the next column or the end.
    x = lastSumBefore(x, h,
                      [&](double next) { return next > xEnd || !(g_.OriginX + next < nextEdge); });
  }

  g_.TickTotal = std::floor(std::fabs(g_.ScaleH) / g_.TickStep);
  const double th = PB1->textHeight(QStringLiteral("2"));
  const QString unit = QStringLiteral(" °C");
  // A scale label is centred on its line, but kept whole inside the drawing:
  // the top line's label hangs below the top edge instead of being cut by it.
  const auto labelTop = [&](double y) {
    return std::clamp(y - th / 2, 0.0, std::max(0.0, g_.ScaleH - th));
  };

  for (double j = 1; j <= 5; j = j + 1) {
    const double y = g_.OriginY - j * g_.TickStep;
    PB1->drawLine(g_.OriginX, y, g_.OriginX + 1, y, ui::colour::lightGrey);
    PB1->setTextPos(0.02, labelTop(y));
    PB1->print(ui::fromStd(core::formatFixed(j * g_.TickStep, 2, m)) + unit);
  }
  PB1->setTextPos(0.02, labelTop(g_.OriginY));
  PB1->print(ui::fromStd(core::formatFixed(0, 2, m)) + unit);
  if (g_.TickTotal >= g_.TickCount + 1) {
    for (double j = 1; j <= g_.TickTotal - 5; j = j + 1) {
      const double y = g_.OriginY + j * g_.TickStep;
      PB1->drawLine(g_.OriginX, y, g_.OriginX + 1, y, ui::colour::lightGrey);
      PB1->setTextPos(0.02, labelTop(y));
      PB1->print(ui::fromStd(core::formatFixed(-j * g_.TickStep, 2, m)) + unit);
    }
  }
  g_.AxesDrawn = true;
  return true;
}

void GraphWindow::drawCurve(const double* row) {
  const core::StudyState& s = ModGeneral::state();
  const double N = s.N;
  const double h = s.h;
  const double ox = g_.OriginX;
  const double oy = g_.OriginY;
  // The segments from (0, 0) through every point to (1, 0), as one
  // polyline: each segment starts exactly where the one before it ends.
  // A long level keeps only the points that make its pixels.
  const std::int64_t last = core::loopLast(N - 1);
  QPolygonF curve{QPointF(ox, oy)};
  curve += PB1->levelPoints(row, 1, std::max<std::int64_t>(last, 0) + 1, ox, h, oy);
  const QPointF lastPoint(ox + N * h, oy - row[core::roundHalfEven(N)]);
  if (lastPoint.x() != curve.last().x() || lastPoint.y() != curve.last().y()) {
    // Only a count N that is not whole leaves a gap before the last segment.
    PB1->drawPolyline(curve, ui::colour::blue);
    curve = QPolygonF{lastPoint};
  }
  curve.append(QPointF(ox + 1, oy));
  PB1->drawPolyline(curve, ui::colour::blue);
}

void GraphWindow::drawLegend(const double* row) {
  const core::StudyState& s = ModGeneral::state();
  const double mPoint = std::floor(s.N / 2 + 1);
  const double w = PB1->textWidth(QStringLiteral("n = "));
  const double th = PB1->textHeight(QStringLiteral("2"));
  const double uM = row[static_cast<std::int64_t>(mPoint)];
  PB1->setTextPos((g_.OriginX + mPoint * s.h) - w, (g_.OriginY - uM) - th);
  PB1->setForeColor(ui::colour::red);
  PB1->print(QStringLiteral("n = ") +
             ui::fromStd(core::formatPlain(g_.LevelRow - 1, ui::decimalMark())));
}

// ---------------------------------------------------------------- read-out

void GraphWindow::readOut(double x, double y) {
  if (!g_.AxesDrawn) return;
  // A read-out box as wide as its text would be for the value's magnitude
  // (so it does not jump with the sign), showing "<name> = <value> <unit>".
  const double th2 = PB1->textHeight(QStringLiteral("22"));
  auto show = [&](ui::PictureSurface* box, const QString& name, double value, const QString& unit) {
    const std::string m = ui::decimalMark();
    PB1->resizeChild(box,
                     PB1->textWidth(name + ui::fromStd(core::formatFixed(std::fabs(value), 2, m)) +
                                    unit + QStringLiteral("  ")),
                     1.5 * th2);
    box->clear();
    box->print(name + ui::fromStd(core::formatFixed(value, 2, m)) + unit);
  };

  show(PBY, QStringLiteral("U = "), g_.OriginY - y, QStringLiteral(" °C"));
  PB1->moveChild(PBY, 0, y - PB1->childRect(PBY).height() / 2);

  const QLineF ly = LineY->ends();
  LineY->setEnds(ly.x1(), y, ly.x2(), y);

  show(PBX, QStringLiteral("x = "), x - g_.OriginX, QStringLiteral(" m"));
  const double th = PB1->textHeight(QStringLiteral("2"));
  PB1->moveChild(PBX, x - PB1->childRect(PBX).width() / 2, g_.ScaleH - 1.5 * th);

  const QLineF lx = LineX->ends();
  LineX->setEnds(x, lx.y1(), x, lx.y2());
}
