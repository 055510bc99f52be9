#include "stability/graph_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QPolygonF>
#include <QPushButton>
#include <cfloat>
#include <climits>
#include <cmath>

#include "core/failure.h"
#include "core/numeric.h"
#include "core/schemes.h"
#include "shell/mod_general.h"
#include "ui/geometry.h"
#include "ui/message.h"
#include "ui/export_image.h"
#include "ui/picture_surface.h"

namespace {

const QColor kGrey(210, 210, 210);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kOrange(255, 192, 128);

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The window's small captions were laid out for a narrow 8-point face; the
// condensed cut of the sans-serif family keeps them inside their places.
QFont narrowFont(double pointSize, bool bold = false, bool italic = false) {
  QFont f = ui::sansFont(pointSize, bold, italic);
  f.setStretch(QFont::SemiCondensed);
  return f;
}

QLabel* labelTwips(QWidget* parent, const QString& name, const QString& text, int left, int top,
                   int width, int height) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  ui::placeTwips(l, left, top, width, height);
  return l;
}

QPushButton* buttonTwips(QWidget* parent, const QString& name, const QString& text, int left,
                         int top, int width, int height) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  ui::placeTwips(b, left, top, width, height);
  return b;
}

}  // namespace

GraphWindow::GraphWindow(core::Scheme scheme, QWidget* parent) : QWidget(parent), scheme_(scheme) {
  buildControls();
  load();
}

QString GraphWindow::mark() const { return QLocale().decimalPoint(); }

// ------------------------------------------------------------------ layout

void GraphWindow::buildControls() {
  const bool peps = scheme_ == core::Scheme::Peps;
  setObjectName(peps ? QStringLiteral("FrmStabpepsG") : QStringLiteral("FrmStabp0G"));
  setWindowTitle(peps ? QStringLiteral("Graphiques - Stabilité du schéma Pepsilon ")
                      : QStringLiteral("Graphiques - Stabilité du schéma P0"));
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
  setFixedSize(ui::twips(9315), ui::twips(6690));
  setFont(narrowFont(8.25));

  auto* label3 = new QLabel(this);
  label3->setObjectName(QStringLiteral("Label3"));
  label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  ui::setColors(label3, kRed);
  if (peps) {
    label3->setText(QStringLiteral("Stabilité du schéma Pepsilon"));
    label3->setFont(narrowFont(8.25, true, true));
    ui::placeTwips(label3, 6360, 45, 2925, 225);
  } else {
    label3->setText(QStringLiteral("Stabilité du schéma P0"));
    label3->setFont(ui::sansFont(13.5, false, true));
    ui::placeTwips(label3, 4905, 150, 4170, 375);
  }

  frame1_ = new QGroupBox(QStringLiteral("Paramètres du tracé"), this);
  frame1_->setObjectName(QStringLiteral("Frame1"));
  if (peps)
    ui::placeTwips(frame1_, 60, 0, 6300, 945);
  else
    ui::placeTwips(frame1_, 45, 0, 4830, 945);

  labelTwips(frame1_, QStringLiteral("Label1"), QStringLiteral("Valeur de n :"), 105, 330, 1005,
             285);
  txtIndicen_ = new QLineEdit(frame1_);
  txtIndicen_->setObjectName(QStringLiteral("TxtIndicen"));
  ui::placeTwips(txtIndicen_, 1065, 300, 495, 285);
  QLabel* label2 = labelTwips(frame1_, QStringLiteral("Label2"),
                              QStringLiteral("tn = nxTau ; n = 0,1,2,.,K "), 105, 615, 1800, 300);
  label2->setFont(narrowFont(7));  // the whole caption within its place

  lblRN_ = labelTwips(frame1_, QStringLiteral("LblRN"), QString(), 1740, 300, 645, 210);
  lblRH_ = labelTwips(frame1_, QStringLiteral("LblRH"), QString(), 2445, 300, 915, 210);
  lblRLambda_ = labelTwips(frame1_, QStringLiteral("LblRLambda"), QString(), 3405, 300, 1365, 210);
  lblRT_ = labelTwips(frame1_, QStringLiteral("LblRT"), QString(), 1950, 600, 645, 210);
  lblRK_ = labelTwips(frame1_, QStringLiteral("LblRK"), QString(), 2640, 600, 735, 210);
  lblRTau_ = labelTwips(frame1_, QStringLiteral("LblRTau"), QString(), 3420, 600, 1350, 210);
  for (QLabel* l : {lblRN_, lblRH_, lblRLambda_}) ui::setColors(l, kBlue, kOrange);
  for (QLabel* l : {lblRT_, lblRK_, lblRTau_}) ui::setColors(l, kRed, kYellow);
  if (peps) {
    lblAlpha_ = labelTwips(frame1_, QStringLiteral("LblAlpha"), QString(), 4815, 300, 1440, 210);
    lblEpsilon_ = labelTwips(frame1_, QStringLiteral("LblEpsilon"), QString(), 4815, 600, 1440, 210);
    ui::setColors(lblAlpha_, kRed, kYellow);
    ui::setColors(lblEpsilon_, kRed, kYellow);
  }

  if (peps)
    cmdTracage_ = buttonTwips(this, QStringLiteral("CmdTracage"), QStringLiteral("Tracer le graphe"),
                              6390, 330, 1710, 300);
  else
    cmdTracage_ = buttonTwips(this, QStringLiteral("CmdTracage"), QStringLiteral("Tracer le graphe"),
                              4935, 660, 1425, 300);
  cmdEffacer_ = buttonTwips(this, QStringLiteral("CmdEffacer"),
                            QStringLiteral("Effacer le(s) graphe(s)"), 6390, 660, 1710, 300);
  cmdQuitter_ =
      buttonTwips(this, QStringLiteral("CmdQuitter"), QStringLiteral("Quitter"), 8145, 660, 1125, 300);
  connect(cmdTracage_, &QPushButton::clicked, this, &GraphWindow::drawLevel);
  connect(cmdEffacer_, &QPushButton::clicked, this, &GraphWindow::clearGraphs);
  connect(cmdQuitter_, &QPushButton::clicked, this, &QWidget::close);
  // Enter in the level field draws, as the first button would.
  connect(txtIndicen_, &QLineEdit::returnPressed, this, &GraphWindow::drawLevel);

  // The drawing surface: white (the highlighted-text colour of the system),
  // with a two-pixel sunken border around the drawing area.
  pb1_ = new ui::PictureSurface(this, 2);
  pb1_->setObjectName(QStringLiteral("PB1"));
  ui::placeTwips(pb1_, 60, 990, 9210, 5655);
  pb1_->setFont(narrowFont(8.25));
  pb1_->setBackground(QApplication::palette().color(QPalette::HighlightedText));
  pb1_->enableCopyMenu();
  ui::enableImageExport(pb1_);  // "Enregistrer l'image sous…", "Imprimer…"
  connect(pb1_, &ui::PictureSurface::mouseMoved, this, &GraphWindow::readOut);

  pbBarre_ = new QWidget(pb1_);
  pbBarre_->setObjectName(QStringLiteral("PBbarre"));
  ui::setColors(pbBarre_, kRed, kRed);
  pbBarre_->setAttribute(Qt::WA_NoMousePropagation);

  pbY_ = new ui::PictureSurface(pb1_, 0);
  pbY_->setObjectName(QStringLiteral("PBY"));
  pbX_ = new ui::PictureSurface(pb1_, 0);
  pbX_->setObjectName(QStringLiteral("PBX"));
  for (ui::PictureSurface* box : {pbY_, pbX_}) {
    box->setMouseTracking(false);
    box->setAttribute(Qt::WA_NoMousePropagation);
    box->setBackground(kYellow);
    box->setForeColor(kRed);
    ui::PictureSurface::setReadOut(box);
  }

  lineX_ = new ui::SurfaceLine(pb1_);
  lineX_->setObjectName(QStringLiteral("LineX"));
  lineY_ = new ui::SurfaceLine(pb1_);
  lineY_->setObjectName(QStringLiteral("LineY"));
  const QColor lineColour = QApplication::palette().color(QPalette::WindowText);
  lineX_->setColor(lineColour);
  lineY_->setColor(lineColour);
  // The read-out boxes lie above the cross-hair, which never cuts their text.
  pbY_->raise();
  pbX_->raise();

  setTabOrder(txtIndicen_, cmdTracage_);
  setTabOrder(cmdTracage_, cmdEffacer_);
  setTabOrder(cmdEffacer_, cmdQuitter_);
}

// -------------------------------------------------------------------- load

void GraphWindow::load() {
  g_ = GraphState{};
  g_.AxesDrawn = false;

  // The surface as loaded: hidden, empty, measured in twips, children at
  // their places.
  pb1_->hide();
  pb1_->setScaleTwips();
  pb1_->setForeColor(QApplication::palette().color(QPalette::WindowText));
  pb1_->clear();
  pb1_->placeChild(pbBarre_, 1080, 3480, 7095, 25);
  pb1_->placeChild(pbY_, 90, 465, 570, 345);
  pb1_->placeChild(pbX_, 4755, 5235, 600, 375);
  pbY_->clear();
  pbX_->clear();
  lineX_->setEnds(5040, 45, 5040, 5700);
  lineY_->setEnds(-15, 630, 9060, 630);
  txtIndicen_->clear();

  const core::StudyState& s = ModGeneral::state();
  const std::string m = mark().toStdString();
  lblRN_->setText(QStringLiteral("N = ") + qs(core::formatPlain(s.N, m)));
  lblRH_->setText(QStringLiteral("h = ") + qs(core::formatFixed(s.h, 4, m)));
  lblRT_->setText(QStringLiteral("T = ") + qs(core::formatPlain(s.T, m)) + QStringLiteral(" s"));
  lblRK_->setText(QStringLiteral("K = ") + qs(core::formatPlain(s.K, m)));
  lblRTau_->setText(QStringLiteral("Tau = ") + qs(core::formatFixed(s.Tau, 4, m)) +
                    QStringLiteral(" s"));
  lblRLambda_->setText(QStringLiteral("Lambda = ") + qs(core::formatFixed(s.Lambda, 4, m)));
  if (scheme_ == core::Scheme::Peps) {
    lblAlpha_->setText(QStringLiteral("Alpha = ") + qs(core::formatFixed(s.Alpha, 4, m)));
    lblEpsilon_->setText(QStringLiteral("Epsilon = ") + qs(core::formatFixed(s.Epsilon, 4, m)));
  }

  txtIndicen_->setFocus();
  loaded_ = true;
}

void GraphWindow::showEvent(QShowEvent* event) {
  // A window closed without being destroyed comes back as new.
  if (!loaded_) load();
  QWidget::showEvent(event);
}

void GraphWindow::closeEvent(QCloseEvent* event) {
  loaded_ = false;
  QWidget::closeEvent(event);
}

void GraphWindow::clearGraphs() { load(); }

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
  const std::string m = mark().toStdString();
  const double n = core::floorOf(core::parseNumber(txtIndicen_->text().toStdString()).value);
  g_.LevelRow = n + 1;
  if (g_.LevelRow > s.K + 1) {
    ui::showFailure(this, core::fail::levelAboveK());
    return;
  }
  if (n < 0) {
    ui::showFailure(this, core::fail::levelNegative());
    return;
  }
  const QString schemeName = scheme_ == core::Scheme::P0 ? QStringLiteral("P0")
                                                         : QStringLiteral("Pepsilon");
  if (!solution().exists()) {
    ui::showMessage(this, QStringLiteral("Aucun résultat du schéma %1 n'est disponible : lancez "
                                         "d'abord les calculs dans la fenêtre de stabilité.")
                              .arg(schemeName));
    return;
  }
  if (!solutionMatchesGrid()) {
    ui::showMessage(this, QStringLiteral("Les résultats du schéma %1 ne correspondent pas aux "
                                         "valeurs actuelles de N et de K (un calcul refusé ou "
                                         "un autre calcul les a modifiées) : relancez les calculs "
                                         "dans la fenêtre de stabilité.")
                              .arg(schemeName));
    return;
  }
  const auto rowIndex = static_cast<std::int64_t>(g_.LevelRow);
  const core::Table2& sol = solution();
  if (rowIndex > sol.lastRowReached()) {
    ui::showMessage(this, QStringLiteral("Le niveau n = %1 n'a pas été calculé : le calcul s'est "
                                         "arrêté au niveau n = %2.")
                              .arg(qs(core::formatPlain(n, m)),
                                   qs(core::formatPlain(
                                       static_cast<double>(sol.lastRowReached() - 1), m))));
    return;
  }
  if (!core::rowFinite(sol, rowIndex, s.N)) {
    ui::showMessage(this, QStringLiteral("Le niveau n = %1 contient des valeurs infinies ou "
                                         "indéterminées : il ne peut pas être tracé.")
                              .arg(qs(core::formatPlain(n, m))));
    return;
  }
  const double* row = sol.row(rowIndex);

  bool defaultRange = false;
  bool drawn = false;
  {
    ui::PictureSurface::Batch batch(*pb1_);
    if (g_.AxesDrawn || drawAxes(row, &defaultRange)) {
      pb1_->show();
      drawCurve(row);
      drawLegend(row);
      drawn = true;
    }
  }
  if (!drawn) {
    ui::showMessage(this, QStringLiteral("Les valeurs du niveau n = %1 sont trop grandes ou trop "
                                         "proches de 0 pour fixer l'échelle du graphe : choisissez "
                                         "un autre niveau.")
                              .arg(qs(core::formatPlain(n, m))));
    return;
  }
  if (defaultRange)
    ui::showMessage(this, QStringLiteral("Toutes les valeurs du niveau n = %1 sont nulles : "
                                         "l'échelle du graphe est prise comme si la plus grande "
                                         "valeur était 1 °C (de 0 à 1 °C).")
                              .arg(qs(core::formatPlain(n, m))));
}

bool GraphWindow::drawAxes(const double* row, bool* defaultRange) {
  const core::StudyState& s = ModGeneral::state();
  const std::string m = mark().toStdString();
  const double N = s.N;
  const double h = s.h;
  const std::int64_t last = core::loopLast(N);

  double uMax = 0.0;
  for (std::int64_t i = 1; i <= last; ++i)
    if (row[i] >= uMax) uMax = row[i];
  double uMin = 0.0;
  for (std::int64_t i = 1; i <= last; ++i)
    if (row[i] <= uMin) uMin = row[i];
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
  pb1_->setScaleHeight(static_cast<double>(userHeight));
  pb1_->setScaleWidth(static_cast<double>(userWidth));
  g_.OriginX = 0.1;
  g_.OriginY = std::fabs(g_.URange / 20 + g_.UMax);

  // The red bar: its top edge on u = 0, from x = 0 to x = 1; it keeps its
  // height in pixels.
  pb1_->resizeChild(pbBarre_, 1.0, pbBarre_->height() * pb1_->unitsPerPixelY());
  pb1_->moveChild(pbBarre_, g_.OriginX, g_.OriginY);

  g_.TickCount = 5;
  g_.TickStep = g_.OriginY / g_.TickCount;

  // Vertical grid, one line per grid point; lines that land on a column
  // already drawn are the same pixels and are skipped.
  const double xEnd = 1 + h;
  int lastColumn = INT_MIN;
  const double unitsPerPixel = pb1_->unitsPerPixelX();  // fixed during the loop
  for (double x = 0; x <= xEnd; x = x + h) {
    const int column = ui::PictureSurface::pixelIndex(
        unitsPerPixel != 0.0 ? (g_.OriginX + x) / unitsPerPixel : 0.0);
    if (column != lastColumn) {
      lastColumn = column;
      pb1_->drawLine(g_.OriginX + x, g_.ScaleH, g_.OriginX + x, 0, kGrey);
    }
    if (x + h == x) break;
  }

  g_.TickTotal = std::floor(std::fabs(g_.ScaleH) / g_.TickStep);
  const double th = pb1_->textHeight(QStringLiteral("2"));
  const QString unit = QStringLiteral(" °C");

  for (double j = 1; j <= 5; j = j + 1) {
    const double y = g_.OriginY - j * g_.TickStep;
    pb1_->drawLine(g_.OriginX, y, g_.OriginX + 1, y, kGrey);
    pb1_->setTextPos(0.02, y - th / 2);
    pb1_->print(qs(core::formatFixed(j * g_.TickStep, 2, m)) + unit);
  }
  pb1_->setTextPos(0.02, g_.OriginY - th / 2);
  pb1_->print(qs(core::formatFixed(0, 2, m)) + unit);
  if (g_.TickTotal >= g_.TickCount + 1) {
    for (double j = 1; j <= g_.TickTotal - 5; j = j + 1) {
      const double y = g_.OriginY + j * g_.TickStep;
      pb1_->drawLine(g_.OriginX, y, g_.OriginX + 1, y, kGrey);
      pb1_->setTextPos(0.02, y - th / 2);
      pb1_->print(qs(core::formatFixed(-j * g_.TickStep, 2, m)) + unit);
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
  const std::int64_t last = core::loopLast(N - 1);
  QPolygonF curve;
  curve.reserve(static_cast<qsizetype>(std::max<std::int64_t>(last, 0)) + 3);
  curve.append(QPointF(ox, oy));
  curve.append(QPointF(ox + h, oy - row[1]));
  for (std::int64_t i = 1; i <= last; ++i)
    curve.append(QPointF(ox + (static_cast<double>(i) + 1) * h, oy - row[i + 1]));
  const QPointF lastPoint(ox + N * h, oy - row[core::roundHalfEven(N)]);
  if (lastPoint.x() != curve.last().x() || lastPoint.y() != curve.last().y()) {
    // Only a count N that is not whole leaves a gap before the last segment.
    pb1_->drawPolyline(curve, kBlue);
    curve = QPolygonF{lastPoint};
  }
  curve.append(QPointF(ox + 1, oy));
  pb1_->drawPolyline(curve, kBlue);
}

void GraphWindow::drawLegend(const double* row) {
  const core::StudyState& s = ModGeneral::state();
  const double N = s.N;
  const double h = s.h;
  const double mPoint = std::floor(N / 2 + 1);
  const double w = pb1_->textWidth(QStringLiteral("n = "));
  const double th = pb1_->textHeight(QStringLiteral("2"));
  const double uM = row[static_cast<std::int64_t>(mPoint)];
  pb1_->setTextPos((g_.OriginX + mPoint * h) - w, (g_.OriginY - uM) - th);
  pb1_->setForeColor(kRed);
  pb1_->print(QStringLiteral("n = ") + qs(core::formatPlain(g_.LevelRow - 1, mark().toStdString())));
}

// ---------------------------------------------------------------- read-out

void GraphWindow::readOut(double x, double y) {
  if (!g_.AxesDrawn) return;
  const std::string m = mark().toStdString();
  const double th2 = pb1_->textHeight(QStringLiteral("22"));

  const double u = g_.OriginY - y;
  pb1_->resizeChild(pbY_, pb1_->textWidth(QStringLiteral("U = ") +
                                          qs(core::formatFixed(std::fabs(u), 2, m)) +
                                          QStringLiteral(" °C  ")),
                    1.5 * th2);
  pbY_->clear();
  pbY_->print(QStringLiteral("U = ") + qs(core::formatFixed(u, 2, m)) + QStringLiteral(" °C"));
  pb1_->moveChild(pbY_, 0, y - pb1_->childRect(pbY_).height() / 2);

  const QLineF ly = lineY_->ends();
  lineY_->setEnds(ly.x1(), y, ly.x2(), y);

  const double xm = x - g_.OriginX;
  pb1_->resizeChild(pbX_, pb1_->textWidth(QStringLiteral("x = ") +
                                          qs(core::formatFixed(std::fabs(xm), 2, m)) +
                                          QStringLiteral(" m  ")),
                    1.5 * th2);
  pbX_->clear();
  pbX_->print(QStringLiteral("x = ") + qs(core::formatFixed(xm, 2, m)) + QStringLiteral(" m"));
  const double th = pb1_->textHeight(QStringLiteral("2"));
  pb1_->moveChild(pbX_, x - pb1_->childRect(pbX_).width() / 2, g_.ScaleH - 1.5 * th);

  const QLineF lx = lineX_->ends();
  lineX_->setEnds(x, lx.y1(), x, lx.y2());
}
