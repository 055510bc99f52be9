// The stability graph windows: scale, grid labels, curves, legend, read-out,
// refused levels and the reset of "Effacer le(s) graphe(s)".
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "core/failure.h"
#include "core/studies.h"
#include "shell/mod_general.h"
#include "stability/graph_window.h"
#include "ui/picture_surface.h"

namespace {

// Runs `action` while closing every message box it opens; returns their texts.
QStringList messagesDuring(const std::function<void()>& action) {
  QStringList texts;
  QTimer closer;
  closer.setInterval(5);
  QObject::connect(&closer, &QTimer::timeout, [&texts] {
    QWidget* w = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      texts << box->text();
      box->done(QMessageBox::Ok);
    }
  });
  closer.start();
  action();
  QCoreApplication::processEvents();
  closer.stop();
  return texts;
}

// A solution table (0 To K+1, 0 To N) for the stored N and K, with level n
// (row n + 1) given by value(n, i) at column i.
void fillState(core::Scheme scheme, int N, int K,
               const std::function<double(int, int)>& value) {
  ModGeneral::resetState();
  core::StudyState& s = ModGeneral::state();
  s.N = N;
  s.K = K;
  s.T = 1;
  s.h = 1.0 / (1 + N);
  s.Tau = 1.0 / K;
  s.Lambda = (s.Tau * 1.0) / (s.h * s.h);
  s.Alpha = 0.5;
  s.Epsilon = 0.25;
  core::Table2& sol = scheme == core::Scheme::P0 ? s.SolP0 : s.SolPeps;
  QVERIFY(sol.create(0, K + 1, 0, N));
  for (int n = 0; n <= K; ++n)
    for (int i = 1; i <= N; ++i) sol(n + 1, i) = value(n, i);
}

QLineEdit* field(QWidget* w) { return w->findChild<QLineEdit*>(QStringLiteral("TxtIndicen")); }
QAbstractButton* button(QWidget* w, const char* name) {
  return w->findChild<QAbstractButton*>(QString::fromLatin1(name));
}
ui::PictureSurface* surface(QWidget* w, const char* name) {
  return w->findChild<ui::PictureSurface*>(QString::fromLatin1(name));
}

// Types a level and clicks "Tracer le graphe"; returns the messages shown.
QStringList drawLevel(GraphWindow& w, const QString& text) {
  field(&w)->setText(text);
  return messagesDuring([&] { button(&w, "CmdTracage")->click(); });
}

bool near(QRgb pixel, const QColor& colour) { return QColor(pixel) == colour; }

// Whether a pixel within one of (x, y) of the image has the colour.
bool colourNear(const QImage& img, QPoint p, const QColor& colour) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const QPoint q = p + QPoint(dx, dy);
      if (img.rect().contains(q) && near(img.pixel(q), colour)) return true;
    }
  return false;
}

}  // namespace

class TestGraphWindow : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void loadFillsLabelsAndHidesSurface();
  void pepsilonWindowDiffers();
  void scaleForMaxOne();
  void scaleForAllNegativeLevel();
  void levelChoice_data();
  void levelChoice();
  void refusedLevelChangesNothing();
  void legendSitsAtMiddlePoint_data();
  void legendSitsAtMiddlePoint();
  void laterDrawingsKeepFirstScale();
  void effacerStartsAgain();
  void readOutTexts();
  void mouseMoveUpdatesReadOut();
  void pixelsShowCurveAndBar();
  void zeroLevelTakesDefaultRange();
  void tableNoLongerMatchesGrid();
  void nonFiniteLevelRefused();
  void hugeLevelRefusedScale();
  void closedWindowComesBackFresh();
  void drawsComputedStudies();
  void millionPointLevel();
};

void TestGraphWindow::loadFillsLabelsAndHidesSurface() {
  fillState(core::Scheme::P0, 9, 3, [](int, int) { return 1.0; });
  GraphWindow w(core::Scheme::P0);
  QCOMPARE(w.objectName(), QStringLiteral("FrmStabp0G"));
  QCOMPARE(w.windowTitle(), QStringLiteral("Graphiques - Stabilité du schéma P0"));
  QCOMPARE(w.findChild<QLabel*>("LblRN")->text(), QStringLiteral("N = 9"));
  QCOMPARE(w.findChild<QLabel*>("LblRH")->text(), QStringLiteral("h = 0.1000"));
  QCOMPARE(w.findChild<QLabel*>("LblRT")->text(), QStringLiteral("T = 1 s"));
  QCOMPARE(w.findChild<QLabel*>("LblRK")->text(), QStringLiteral("K = 3"));
  QCOMPARE(w.findChild<QLabel*>("LblRTau")->text(), QStringLiteral("Tau = 0.3333 s"));
  QCOMPARE(w.findChild<QLabel*>("LblRLambda")->text(), QStringLiteral("Lambda = 33.3333"));
  QVERIFY(!w.findChild<QLabel*>("LblAlpha"));
  QVERIFY(field(&w)->text().isEmpty());
  QVERIFY(!w.graphState().AxesDrawn);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(!surface(&w, "PB1")->isVisible());
  QCOMPARE(QApplication::focusWidget(), field(&w));
  for (const char* name : {"PBbarre", "PBX", "PBY", "LineX", "LineY"})
    QVERIFY2(surface(&w, "PB1")->findChild<QWidget*>(QString::fromLatin1(name)), name);
  QCOMPARE(w.size(), QSize(621, 446));
  // The labels keep their load values when the state changes afterwards.
  ModGeneral::state().N = 20;
  QCOMPARE(w.findChild<QLabel*>("LblRN")->text(), QStringLiteral("N = 9"));
}

void TestGraphWindow::pepsilonWindowDiffers() {
  QLocale::setDefault(QLocale(QLocale::French));
  fillState(core::Scheme::Peps, 4, 2, [](int n, int) { return n + 1.0; });
  GraphWindow w(core::Scheme::Peps);
  QLocale::setDefault(QLocale::c());
  QCOMPARE(w.objectName(), QStringLiteral("FrmStabpepsG"));
  QCOMPARE(w.windowTitle(), QStringLiteral("Graphiques - Stabilité du schéma Pepsilon "));
  QCOMPARE(w.findChild<QLabel*>("LblAlpha")->text(), QStringLiteral("Alpha = 0,5000"));
  QCOMPARE(w.findChild<QLabel*>("LblEpsilon")->text(), QStringLiteral("Epsilon = 0,2500"));
  QCOMPARE(w.findChild<QLabel*>("Label3")->text(), QStringLiteral("Stabilité du schéma Pepsilon"));
  QCOMPARE(button(&w, "CmdTracage")->geometry(), QRect(426, 22, 114, 20));
  // It reads SolPeps: level 1 is 2 everywhere.
  QVERIFY(drawLevel(w, QStringLiteral("1")).isEmpty());
  QCOMPARE(w.graphState().UMax, 2.0);
}

void TestGraphWindow::scaleForMaxOne() {
  fillState(core::Scheme::P0, 9, 3, [](int n, int i) { return n == 0 ? (i == 5 ? 1.0 : 0.5) : 0; });
  GraphWindow w(core::Scheme::P0);
  QVERIFY(drawLevel(w, QStringLiteral("0")).isEmpty());
  const GraphState& g = w.graphState();
  QVERIFY(g.AxesDrawn);
  QCOMPARE(g.LevelRow, 1.0);
  QCOMPARE(g.UMax, 1.0);
  QCOMPARE(g.UMin, 0.0);
  QCOMPARE(g.URange, 1.0);
  QCOMPARE(g.ScaleW, 1.15);
  QCOMPARE(g.ScaleH, 1.2);
  QCOMPARE(g.OriginX, 0.1);
  QCOMPARE(g.OriginY, 1.0 / 20 + 1.0);
  QCOMPARE(g.TickCount, std::int16_t(5));
  QCOMPARE(g.TickStep, (1.0 / 20 + 1.0) / 5);
  QCOMPARE(g.TickTotal, 5.0);
  // The surface's scale is the single-precision one.
  ui::PictureSurface* pb1 = surface(&w, "PB1");
  QCOMPARE(pb1->scaleHeight(), double(1.2f));
  QCOMPARE(pb1->scaleWidth(), double(1.15f));
  QVERIFY(pb1->isVisible() || !w.isVisible());
  QCOMPARE(pb1->printedTexts(),
           QStringList({"0.21 °C", "0.42 °C", "0.63 °C", "0.84 °C", "1.05 °C", "0.00 °C", "n = 0"}));
  // Each label is centred on its line: top = line - th/2.
  const double th = pb1->textHeight(QStringLiteral("2"));
  const QList<QPointF> at = pb1->printedAt();
  QCOMPARE(at[0], QPointF(0.02, (g.OriginY - 1 * g.TickStep) - th / 2));
  QCOMPARE(at[5], QPointF(0.02, g.OriginY - th / 2));
}

void TestGraphWindow::scaleForAllNegativeLevel() {
  fillState(core::Scheme::P0, 9, 3, [](int, int i) { return -0.1 * i; });
  GraphWindow w(core::Scheme::P0);
  QVERIFY(drawLevel(w, QString()).isEmpty());
  const GraphState& g = w.graphState();
  QCOMPARE(g.UMax, 0.0);
  QCOMPARE(g.UMin, -0.1 * 9);
  QCOMPARE(g.OriginY, std::fabs(g.URange / 20 + 0.0));
  QCOMPARE(g.TickStep, g.OriginY / 5);
  QCOMPARE(g.TickTotal, std::floor(std::fabs(g.URange * 1.2) / g.TickStep));
  QVERIFY(g.TickTotal >= 119);
  const QStringList texts = surface(&w, "PB1")->printedTexts();
  // Five upper labels, the zero label, TickTotal - 5 lower labels, the legend.
  QCOMPARE(texts.size(), 5 + 1 + int(g.TickTotal - 5) + 1);
  QCOMPARE(texts[6], QStringLiteral("-0.01 °C"));  // a hundredth of the range 0.9, rounded
  QCOMPARE(texts[5 + 1 + 99], QStringLiteral("-0.90 °C"));
  QCOMPARE(texts.last(), QStringLiteral("n = 0"));
}

void TestGraphWindow::levelChoice_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<double>("row");
  QTest::newRow("n = K") << "3" << 4.0;
  QTest::newRow("2.9 reads as 2") << "2.9" << 3.0;
  QTest::newRow("empty reads as 0") << "" << 1.0;
  QTest::newRow("not a number reads as 0") << "abc" << 1.0;
  QTest::newRow("blanks skipped") << " 1 " << 2.0;
}

void TestGraphWindow::levelChoice() {
  QFETCH(QString, typed);
  QFETCH(double, row);
  fillState(core::Scheme::P0, 9, 3, [](int n, int) { return n + 1.0; });
  GraphWindow w(core::Scheme::P0);
  QVERIFY(drawLevel(w, typed).isEmpty());
  QCOMPARE(w.graphState().LevelRow, row);
  QCOMPARE(w.graphState().UMax, row);  // level n is n + 1 everywhere
  QCOMPARE(surface(&w, "PB1")->printedTexts().last(),
           QStringLiteral("n = %1").arg(int(row) - 1));
}

void TestGraphWindow::refusedLevelChangesNothing() {
  fillState(core::Scheme::P0, 9, 3, [](int n, int) { return n + 1.0; });
  GraphWindow w(core::Scheme::P0);
  QCOMPARE(drawLevel(w, QStringLiteral("4")),
           QStringList{QString::fromStdString(core::fail::levelAboveK().message)});
  QCOMPARE(drawLevel(w, QStringLiteral("4")).value(0),
           QStringLiteral("Saisie incorrecte : n doit être inférieure ou égale à K !"));
  QVERIFY(!w.graphState().AxesDrawn);
  QVERIFY(surface(&w, "PB1")->isHidden());
  QVERIFY(surface(&w, "PB1")->printedTexts().isEmpty());
  QCOMPARE(drawLevel(w, QStringLiteral("-1")),
           QStringList{QString::fromStdString(core::fail::levelNegative().message)});
  QCOMPARE(drawLevel(w, QStringLiteral("-0.5")).size(), 1);  // floor gives -1
  QVERIFY(!w.graphState().AxesDrawn);
  // After a drawing, a refused level leaves the picture as it was.
  QVERIFY(drawLevel(w, QStringLiteral("1")).isEmpty());
  const QImage before = surface(&w, "PB1")->image();
  QCOMPARE(drawLevel(w, QStringLiteral("1e300")).size(), 1);
  QCOMPARE(surface(&w, "PB1")->image(), before);
}

void TestGraphWindow::legendSitsAtMiddlePoint_data() {
  QTest::addColumn<int>("N");
  QTest::addColumn<int>("m");
  QTest::newRow("N = 9") << 9 << 5;
  QTest::newRow("N = 3") << 3 << 2;
  QTest::newRow("N = 4") << 4 << 3;
}

void TestGraphWindow::legendSitsAtMiddlePoint() {
  QFETCH(int, N);
  QFETCH(int, m);
  fillState(core::Scheme::P0, N, 2, [](int, int i) { return 0.1 * i; });
  GraphWindow w(core::Scheme::P0);
  QVERIFY(drawLevel(w, QStringLiteral("0")).isEmpty());
  ui::PictureSurface* pb1 = surface(&w, "PB1");
  const GraphState& g = w.graphState();
  const double h = ModGeneral::state().h;
  const double wText = pb1->textWidth(QStringLiteral("n = "));
  const double th = pb1->textHeight(QStringLiteral("2"));
  QCOMPARE(pb1->printedAt().last(),
           QPointF((g.OriginX + m * h) - wText, (g.OriginY - 0.1 * m) - th));
}

void TestGraphWindow::laterDrawingsKeepFirstScale() {
  fillState(core::Scheme::P0, 9, 3, [](int n, int) { return n == 3 ? 5.0 : 1.0; });
  GraphWindow w(core::Scheme::P0);
  QVERIFY(drawLevel(w, QStringLiteral("0")).isEmpty());
  const GraphState first = w.graphState();
  QVERIFY(drawLevel(w, QStringLiteral("3")).isEmpty());
  QCOMPARE(w.graphState().UMax, first.UMax);
  QCOMPARE(w.graphState().OriginY, first.OriginY);
  QCOMPARE(w.graphState().LevelRow, 4.0);
  // Scale labels are drawn once; each drawing adds its legend.
  const QStringList texts = surface(&w, "PB1")->printedTexts();
  QCOMPARE(texts.size(), 8);
  QCOMPARE(texts.mid(6), QStringList({"n = 0", "n = 3"}));
}

void TestGraphWindow::effacerStartsAgain() {
  fillState(core::Scheme::P0, 9, 3, [](int n, int) { return n + 1.0; });
  GraphWindow w(core::Scheme::P0);
  w.show();
  QVERIFY(drawLevel(w, QStringLiteral("0")).isEmpty());
  QVERIFY(surface(&w, "PB1")->isVisible());
  ModGeneral::state().N = 9;  // the labels are refilled from the state
  ModGeneral::state().T = 2;
  button(&w, "CmdEffacer")->click();
  QVERIFY(w.isVisible());
  QVERIFY(!w.graphState().AxesDrawn);
  QVERIFY(field(&w)->text().isEmpty());
  QVERIFY(!surface(&w, "PB1")->isVisible());
  QVERIFY(surface(&w, "PB1")->printedTexts().isEmpty());
  QCOMPARE(w.findChild<QLabel*>("LblRT")->text(), QStringLiteral("T = 2 s"));
  QVERIFY(drawLevel(w, QStringLiteral("3")).isEmpty());
  QCOMPARE(w.graphState().UMax, 4.0);
  QCOMPARE(w.graphState().OriginY, std::fabs(4.0 / 20 + 4.0));
}

void TestGraphWindow::readOutTexts() {
  fillState(core::Scheme::P0, 9, 3, [](int, int) { return 1.0; });
  GraphWindow w(core::Scheme::P0);
  QVERIFY(drawLevel(w, QStringLiteral("0")).isEmpty());
  ui::PictureSurface* pb1 = surface(&w, "PB1");
  ui::PictureSurface* pbx = surface(&w, "PBX");
  ui::PictureSurface* pby = surface(&w, "PBY");
  const GraphState& g = w.graphState();

  w.readOut(0.6, 0.55);
  QCOMPARE(pby->printedTexts(), QStringList{"U = 0.50 °C"});
  QCOMPARE(pbx->printedTexts(), QStringList{"x = 0.50 m"});
  // The boxes: PBY against the left edge centred on the mouse, PBX on the
  // bottom edge centred on the mouse; the lines through the mouse.
  const QRectF y = pb1->childRect(pby);
  QVERIFY(std::fabs(y.left()) < pb1->unitsPerPixelX());
  QVERIFY(std::fabs(y.center().y() - 0.55) < pb1->unitsPerPixelY());
  const QRectF x = pb1->childRect(pbx);
  QVERIFY(std::fabs(x.center().x() - 0.6) < pb1->unitsPerPixelX());
  const double th = pb1->textHeight(QStringLiteral("2"));
  QVERIFY(std::fabs(x.top() - (g.ScaleH - 1.5 * th)) < pb1->unitsPerPixelY());
  const double th2 = pb1->textHeight(QStringLiteral("22"));
  QVERIFY(std::fabs(x.height() - 1.5 * th2) < pb1->unitsPerPixelY());
  QVERIFY(std::fabs(x.width() - pb1->textWidth(QStringLiteral("x = 0.50 m  "))) <
          pb1->unitsPerPixelX());
  auto* lineX = pb1->findChild<ui::SurfaceLine*>("LineX");
  auto* lineY = pb1->findChild<ui::SurfaceLine*>("LineY");
  QVERIFY(std::fabs(lineX->ends().x1() - 0.6) < 1e-9);
  QVERIFY(std::fabs(lineX->ends().x2() - 0.6) < 1e-9);
  QVERIFY(std::fabs(lineY->ends().y1() - 0.55) < 1e-9);
  QVERIFY(std::fabs(lineY->ends().y2() - 0.55) < 1e-9);

  // Beyond the data: negative readings, widths from the absolute value.
  w.readOut(0.05, 1.1);
  QCOMPARE(pby->printedTexts(), QStringList{"U = -0.05 °C"});
  QCOMPARE(pbx->printedTexts(), QStringList{"x = -0.05 m"});
  QVERIFY(std::fabs(pb1->childRect(pbx).width() - pb1->textWidth(QStringLiteral("x = 0.05 m  "))) <
          pb1->unitsPerPixelX());

  // The decimal mark is the locale's.
  QLocale::setDefault(QLocale(QLocale::French));
  w.readOut(0.35, 0.3);
  QLocale::setDefault(QLocale::c());
  QCOMPARE(pby->printedTexts(), QStringList{"U = 0,75 °C"});
  QCOMPARE(pbx->printedTexts(), QStringList{"x = 0,25 m"});
}

void TestGraphWindow::mouseMoveUpdatesReadOut() {
  fillState(core::Scheme::P0, 9, 3, [](int, int) { return 1.0; });
  GraphWindow w(core::Scheme::P0);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(drawLevel(w, QStringLiteral("0")).isEmpty());
  ui::PictureSurface* pb1 = surface(&w, "PB1");
  const QPoint at = pb1->toPixelRounded(0.1 + 0.3, 1.05 - 0.5) + QPoint(pb1->border(), pb1->border());
  QMouseEvent move(QEvent::MouseMove, QPointF(at), pb1->mapToGlobal(QPointF(at)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(pb1, &move);
  QCOMPARE(surface(&w, "PBY")->printedTexts(), QStringList{"U = 0.50 °C"});
  QCOMPARE(surface(&w, "PBX")->printedTexts(), QStringList{"x = 0.30 m"});
}

void TestGraphWindow::pixelsShowCurveAndBar() {
  // Level 0 is 1 at every point: the curve is a horizontal blue line at
  // u = 1 from x = h to x = N h, the red bar lies on u = 0 from 0 to 1.
  fillState(core::Scheme::P0, 9, 3, [](int n, int) { return n == 0 ? 1.0 : 0.5; });
  GraphWindow w(core::Scheme::P0);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(drawLevel(w, QStringLiteral("0")).isEmpty());
  QVERIFY(drawLevel(w, QStringLiteral("2")).isEmpty());
  ui::PictureSurface* pb1 = surface(&w, "PB1");
  const GraphState& g = w.graphState();
  const QImage img = pb1->image();
  const QColor blue(0, 0, 255);
  for (double x : {0.15, 0.5, 0.85}) {
    QVERIFY2(colourNear(img, pb1->toPixelRounded(g.OriginX + x, g.OriginY - 1.0), blue),
             qPrintable(QString::number(x)));
    QVERIFY(colourNear(img, pb1->toPixelRounded(g.OriginX + x, g.OriginY - 0.5), blue));
  }
  // Nothing blue between the two curves.
  QVERIFY(!colourNear(img, pb1->toPixelRounded(g.OriginX + 0.5, g.OriginY - 0.75), blue));
  // Grey grid lines at grid points, none at the next abscissa in between.
  const QColor grey(210, 210, 210);
  QVERIFY(near(img.pixel(pb1->toPixelRounded(g.OriginX + 0.3, g.OriginY - 0.25)), grey));
  QVERIFY(!colourNear(img, pb1->toPixelRounded(g.OriginX + 0.35, g.OriginY - 0.30), grey));
  const QImage shown = pb1->grab().toImage();
  const QPoint bar = pb1->toPixelRounded(g.OriginX + 0.5, g.OriginY) +
                     QPoint(pb1->border(), pb1->border());
  QVERIFY(near(shown.pixel(bar), QColor(255, 0, 0)));
  QVERIFY(!near(shown.pixel(bar - QPoint(0, 3)), QColor(255, 0, 0)));
  // The context menu copies the drawing without the cross-hair.
  auto* copy = pb1->findChild<QAction*>("actCopierImage");
  QVERIFY(copy);
  QCOMPARE(copy->text(), QStringLiteral("Copier l'image"));
  QCOMPARE(pb1->contextMenuPolicy(), Qt::ActionsContextMenu);
  copy->trigger();
  QCOMPARE(QApplication::clipboard()->image().size(), pb1->drawingRect().size());
  QVERIFY(near(pb1->composedImage().pixel(bar - QPoint(pb1->border(), pb1->border())),
               QColor(255, 0, 0)));
  if (qEnvironmentVariableIsSet("ORV_SHOT")) w.grab().save(QStringLiteral("/tmp/B_graph_p0.png"));
}

void TestGraphWindow::zeroLevelTakesDefaultRange() {
  fillState(core::Scheme::Peps, 9, 3, [](int n, int) { return n == 0 ? 0.0 : 0.3 * n; });
  GraphWindow w(core::Scheme::Peps);
  const QStringList shown = drawLevel(w, QStringLiteral("0"));
  QCOMPARE(shown.size(), 1);
  QVERIFY(shown[0].contains(QStringLiteral("nulles")));
  const GraphState& g = w.graphState();
  QVERIFY(g.AxesDrawn);
  QCOMPARE(g.UMax, 1.0);
  QCOMPARE(g.URange, 1.0);
  QCOMPARE(g.OriginY, 1.05);
  // A later level is drawn on that scale without a message.
  QVERIFY(drawLevel(w, QStringLiteral("2")).isEmpty());
}

void TestGraphWindow::tableNoLongerMatchesGrid() {
  fillState(core::Scheme::P0, 9, 3, [](int, int) { return 1.0; });
  GraphWindow w(core::Scheme::P0);
  ModGeneral::state().N = 19;  // another study stored a finer grid since
  QCOMPARE(drawLevel(w, QStringLiteral("1")).size(), 1);
  QVERIFY(!w.graphState().AxesDrawn);
  ModGeneral::state().N = 9;
  ModGeneral::state().K = 6;
  QCOMPARE(drawLevel(w, QStringLiteral("5")).size(), 1);
  ModGeneral::state().K = 1e300;
  QCOMPARE(drawLevel(w, QStringLiteral("1")).size(), 1);
  ModGeneral::state().SolP0.reset();
  ModGeneral::state().K = 3;
  QVERIFY(drawLevel(w, QStringLiteral("1")).value(0).contains(QStringLiteral("Aucun résultat")));
  QVERIFY(surface(&w, "PB1")->isHidden());
}

void TestGraphWindow::nonFiniteLevelRefused() {
  fillState(core::Scheme::P0, 9, 3, [](int n, int i) {
    return n == 2 && i == 4 ? std::numeric_limits<double>::infinity() : 1.0;
  });
  GraphWindow w(core::Scheme::P0);
  QCOMPARE(drawLevel(w, QStringLiteral("2")).size(), 1);
  QVERIFY(!w.graphState().AxesDrawn);
  QVERIFY(drawLevel(w, QStringLiteral("1")).isEmpty());
}

void TestGraphWindow::hugeLevelRefusedScale() {
  fillState(core::Scheme::P0, 9, 3, [](int n, int i) {
    return n == 1 ? (i % 2 ? 1e300 : -1e300) : (n == 2 ? 1e39 * i : 1.0);
  });
  GraphWindow w(core::Scheme::P0);
  QCOMPARE(drawLevel(w, QStringLiteral("1")).size(), 1);  // the range overflows
  QCOMPARE(drawLevel(w, QStringLiteral("2")).size(), 1);  // beyond single precision
  QVERIFY(!w.graphState().AxesDrawn);
  QVERIFY(drawLevel(w, QStringLiteral("0")).isEmpty());
  // Once the scale is set, huge values run off the surface without harm.
  QVERIFY(drawLevel(w, QStringLiteral("1")).isEmpty());
  QVERIFY(drawLevel(w, QStringLiteral("2")).isEmpty());
  QCOMPARE(w.graphState().UMax, 1.0);
}

void TestGraphWindow::closedWindowComesBackFresh() {
  fillState(core::Scheme::P0, 9, 3, [](int, int) { return 1.0; });
  ModGeneral::setFactory(WindowKind::FrmStabp0G, [] { return new GraphWindow(core::Scheme::P0); });
  auto* w = qobject_cast<GraphWindow*>(ModGeneral::showWindow(WindowKind::FrmStabp0G));
  QVERIFY(w);
  QVERIFY(drawLevel(*w, QStringLiteral("1")).isEmpty());
  QPointer<GraphWindow> guard(w);
  button(w, "CmdQuitter")->click();
  QTRY_VERIFY(guard.isNull());
  w = qobject_cast<GraphWindow*>(ModGeneral::showWindow(WindowKind::FrmStabp0G));
  QVERIFY(!w->graphState().AxesDrawn);
  QVERIFY(field(w)->text().isEmpty());
  w->close();
  // Without deletion on close, showing it again also loads it anew.
  GraphWindow kept(core::Scheme::P0);
  kept.show();
  QVERIFY(drawLevel(kept, QStringLiteral("1")).isEmpty());
  kept.close();
  kept.show();
  QVERIFY(!kept.graphState().AxesDrawn);
}

void TestGraphWindow::drawsComputedStudies() {
  // The stability procedures fill the state; both windows draw from it.
  ModGeneral::resetState();
  core::StabilityFields f;
  f.N = "9";
  f.T = "1";
  f.K = "10";
  f.a = "0.01";
  f.u0 = "1";
  core::StudyState& s = ModGeneral::state();
  QVERIFY(!core::runStability(s, core::Scheme::P0, f).failure);
  GraphWindow p0(core::Scheme::P0);
  p0.show();
  QVERIFY(drawLevel(p0, QStringLiteral("0")).isEmpty());
  QVERIFY(drawLevel(p0, QStringLiteral("10")).isEmpty());
  QCOMPARE(p0.graphState().UMax, 1.0);
  QCOMPARE(p0.graphState().LevelRow, 11.0);
  p0.readOut(0.6, 0.4);

  f.u0 = "0";
  f.v0 = "2";
  f.Epsilon = "0.1";
  QVERIFY(!core::runStability(s, core::Scheme::Peps, f).failure);
  GraphWindow peps(core::Scheme::Peps);
  peps.show();
  // Level 0 is all zeros with u0 = 0; level 1 (Tau·v0 everywhere) gives the scale.
  QVERIFY(drawLevel(peps, QStringLiteral("1")).isEmpty());
  QCOMPARE(peps.graphState().UMax, s.SolPeps(2, 5));
  QVERIFY(peps.graphState().UMax > 0);
  QVERIFY(drawLevel(peps, QStringLiteral("10")).isEmpty());
  peps.readOut(0.3, 0.1);
  if (qEnvironmentVariableIsSet("ORV_SHOT")) {
    p0.grab().save(QStringLiteral("/tmp/B_graph_p0_run.png"));
    peps.grab().save(QStringLiteral("/tmp/B_graph_peps_run.png"));
  }
}

void TestGraphWindow::millionPointLevel() {
  // A level of hundreds of thousands of points draws in one pass and keeps the window usable.
  const int N = qEnvironmentVariableIntValue("ORV_GRAPH_POINTS") > 0
                    ? qEnvironmentVariableIntValue("ORV_GRAPH_POINTS")
                    : 300000;
  fillState(core::Scheme::P0, N, 1, [N](int n, int i) {
    return (n + 1) * std::sin(3.14159 * i / (N + 1.0)) + 0.01 * (i % 7);
  });
  GraphWindow w(core::Scheme::P0);
  QElapsedTimer clock;
  clock.start();
  QVERIFY(drawLevel(w, QStringLiteral("0")).isEmpty());
  QVERIFY(drawLevel(w, QStringLiteral("1")).isEmpty());
  qInfo("two drawings of N = %d points: %lld ms", N, static_cast<long long>(clock.elapsed()));
  QCOMPARE(w.graphState().LevelRow, 2.0);
  QCOMPARE(surface(&w, "PB1")->printedTexts().last(), QStringLiteral("n = 1"));
}

QTEST_MAIN(TestGraphWindow)
#include "test_graph_window.moc"
