// The stability graph windows: scale, labels, curves, legend, read-out, refused levels, "Effacer",
// long levels drawn in one pass, the read-outs above the cross-hair, sharp at any scale;
// captions in the embedded face, names for a screen reader.
#include <QtTest>
#include <cmath>
#include <functional>
#include <limits>

#include "stability/graph_window.h"
#include "support/at_scale.h"
#include "support/window_checks.h"
#include "support/window_support.h"
#include "ui/controls.h"
#include "ui/picture_surface.h"
#include "ui/typeface.h"

namespace {

// A solution table (0 To K+1, 0 To N) with level n (row n + 1) given by value(n, i).
void fillState(const std::function<double(int, int)>& value, int N = 9, int K = 3,
               core::Scheme scheme = core::Scheme::P0) {
  test::freshState();
  core::StudyState& s = ModGeneral::state();
  s.N = N;
  s.K = K;
  s.h = 1.0 / (1 + N);
  core::Table2& sol = scheme == core::Scheme::P0 ? s.SolP0 : s.SolPeps;
  QVERIFY(sol.create(0, K + 1, 0, N));
  for (int n = 0; n <= K; ++n)
    for (int i = 1; i <= N; ++i) sol(n + 1, i) = value(n, i);
}

ui::PictureSurface* pbY(QWidget& w) { return w.findChild<ui::PictureSurface*>("PBY"); }

// Types a level and clicks "Tracer le graphe"; returns the messages shown.
QStringList drawLevel(GraphWindow& w, const QString& text) {
  test::setText(&w, "TxtIndicen", text);
  test::BoxCatcher boxes;
  test::button(&w, "CmdTracage")->click();
  return boxes.texts;
}
// Each scale label lies whole between the top and bottom edges of the
// drawing, the top one included; the others stay centred on their lines.
void checkScaleLabelsInside(GraphWindow& w) {
  const double th = w.surface()->textHeight("2"), bottom = w.graphState().ScaleH;
  const QStringList texts = w.surface()->printedTexts();
  const QList<QPointF> at = w.surface()->printedAt();
  int centred = 0;
  for (int k = 0; k < texts.size(); ++k) {
    if (!texts[k].endsWith(QString::fromUtf8(" °C"))) continue;
    QVERIFY2(at[k].y() >= 0 && at[k].y() + th <= bottom, qPrintable(texts[k]));
    centred += at[k].y() > 0 && at[k].y() + th < bottom;
  }
  QVERIFY(centred >= 4);
}

// The pixels of one colour in an image, as a mask.
QImage maskOf(QImage img, const QColor& colour) {
  img = img.convertToFormat(QImage::Format_RGB32);
  img.setDevicePixelRatio(1.0);
  return img.createMaskFromColor(colour.rgb(), Qt::MaskOutColor);
}

}  // namespace

class TestGraphWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }

  // The scale of a level whose largest value is 1; the red bar lies on u = 0
  // over the shown surface (the curve's pixels are checked against its
  // segments below).
  void scaleForMaxOne() {
    fillState([](int n, int i) { return n == 0 ? (i == 5 ? 1.0 : 0.5) : 0; });
    GraphWindow w(core::Scheme::P0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(drawLevel(w, "0").isEmpty());
    const GraphState& g = w.graphState();
    // Exact values (QList compares doubles with ==).
    QCOMPARE(
        (QList<double>{g.UMax, g.UMin, g.URange, g.ScaleW, g.ScaleH, g.OriginX, g.OriginY,
                       g.TickStep, g.TickTotal}),
        (QList<double>{1.0, 0.0, 1.0, 1.15, 1.2, 0.1, 1.0 / 20 + 1.0, (1.0 / 20 + 1.0) / 5, 5.0}));
    QCOMPARE(w.surface()->scaleHeight(), double(1.2f));  // the surface keeps single precision
    QCOMPARE(w.surface()->printedTexts(), QStringList({"0.21 °C", "0.42 °C", "0.63 °C", "0.84 °C",
                                                       "1.05 °C", "0.00 °C", "n = 0"}));
    checkScaleLabelsInside(w);
    ui::PictureSurface* pb1 = w.surface();
    const QImage shown = pb1->grab().toImage();
    const QPoint bar =
        pb1->toPixelRounded(g.OriginX + 0.5, g.OriginY) + QPoint(pb1->border(), pb1->border());
    QCOMPARE(QColor(shown.pixel(bar)), QColor(255, 0, 0));
    QVERIFY(QColor(shown.pixel(bar - QPoint(0, 3))) != QColor(255, 0, 0));
  }

  void scaleForAllNegativeLevel() {
    fillState([](int, int i) { return -0.1 * i; });
    GraphWindow w(core::Scheme::P0);
    QVERIFY(drawLevel(w, "").isEmpty());
    const GraphState& g = w.graphState();
    QCOMPARE((QList<double>{g.UMax, g.UMin}), (QList<double>{0.0, -0.1 * 9}));
    // Five upper labels, the zero label, TickTotal - 5 lower labels, the legend.
    const QStringList texts = w.surface()->printedTexts();
    QCOMPARE(texts.size(), 5 + 1 + int(g.TickTotal - 5) + 1);
    QCOMPARE(texts[6], QString("-0.01 °C"));
    QCOMPARE(texts[5 + 1 + 99], QString("-0.90 °C"));
    checkScaleLabelsInside(w);
  }

  void levelChoice() {
    const QString aboveK = "Saisie incorrecte : n doit être inférieure ou égale à K !";
    const QString negative = QString::fromStdString(core::fail::levelNegative().message);
    // Typed text, the row drawn (0: refused), the message.
    const std::tuple<QString, double, QString> cases[] = {{"3", 4.0, ""},
                                                          {"2.9", 3.0, ""},
                                                          {"", 1.0, ""},
                                                          {"4", 0.0, aboveK},
                                                          {"-0.5", 0.0, negative}};
    for (const auto& [typed, row, message] : cases) {
      fillState([](int n, int) { return n + 1.0; });
      GraphWindow w(core::Scheme::P0);
      QCOMPARE(drawLevel(w, typed), message.isEmpty() ? QStringList() : QStringList{message});
      QCOMPARE(w.graphState().AxesDrawn, row > 0);
      QCOMPARE(w.surface()->printedTexts().value(6),
               row > 0 ? QString("n = %1").arg(row - 1) : QString());
    }
  }

  void laterDrawingsKeepFirstScaleUntilEffacer() {
    fillState([](int n, int) { return n == 3 ? 5.0 : 1.0; });
    GraphWindow w(core::Scheme::P0);
    QVERIFY(drawLevel(w, "0").isEmpty());
    QVERIFY(drawLevel(w, "3").isEmpty());
    QCOMPARE(w.graphState().UMax, 1.0);
    QCOMPARE(w.surface()->printedTexts().mid(5), QStringList({"0.00 °C", "n = 0", "n = 3"}));
    test::button(&w, "CmdEffacer")->click();
    QVERIFY(!w.graphState().AxesDrawn);
    QVERIFY(test::field(&w, "TxtIndicen")->text().isEmpty());
    QVERIFY(w.surface()->isHidden());
    QVERIFY(w.surface()->printedTexts().isEmpty());
    QVERIFY(drawLevel(w, "3").isEmpty());
    QCOMPARE(w.graphState().UMax, 5.0);
  }

  void readOutTexts() {
    fillState([](int, int) { return 1.0; });
    GraphWindow w(core::Scheme::P0);
    QVERIFY(drawLevel(w, "0").isEmpty());
    auto readOut = [&w](double x, double y) {
      w.readOut(x, y);
      return w.findChild<ui::PictureSurface*>("PBX")->printedTexts() +
             w.findChild<ui::PictureSurface*>("PBY")->printedTexts();
    };
    QCOMPARE(readOut(0.6, 0.55), QStringList({"x = 0.50 m", "U = 0.50 °C"}));
    QCOMPARE(readOut(0.05, 1.1), QStringList({"x = -0.05 m", "U = -0.05 °C"}));  // beyond the data
    QLocale::setDefault(QLocale(QLocale::French));
    QCOMPARE(readOut(0.35, 0.3), QStringList({"x = 0,25 m", "U = 0,75 °C"}));
    // A screen reader hears the value each box shows.
    QCOMPARE(w.findChild<ui::PictureSurface*>("PBY")->accessibleDescription(),
             QString("U = 0,75 °C"));
  }

  void openEndedRefusalsChangeNothing() {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
      const char* level;
      const char* says;
      std::function<void(core::StudyState&)> change;
    };
    const Case cases[] = {
        {"1", "trop grandes", nullptr},  // range overflows
        {"2", "trop grandes", nullptr},  // beyond single precision
        {"3", "infinies", nullptr},
        {"1", "ne correspondent pas", [](core::StudyState& s) { s.N = 19; }},
        {"5", "ne correspondent pas", [](core::StudyState& s) { s.K = 6; }},
        {"1", "ne correspondent pas", [](core::StudyState& s) { s.K = 1e300; }},
        {"1", "Aucun résultat", [](core::StudyState& s) { s.SolP0.reset(); }},
        // A run stopped after level 2: level 3 was never computed.
        {"3", "n'a pas été calculé", [](core::StudyState& s) { s.SolP0.stoppedAfterRow(3); }},
    };
    auto fill = [inf] {
      fillState([inf](int n, int i) {
        return n == 1 ? (i % 2 ? 1e300 : -1e300) : n == 2 ? 1e39 * i : n == 3 && i == 4 ? inf : 1.0;
      });
    };
    for (const Case& c : cases) {
      fill();
      if (c.change) c.change(ModGeneral::state());
      GraphWindow w(core::Scheme::P0);
      const QStringList shown = drawLevel(w, c.level);
      QVERIFY2(shown.size() == 1 && shown[0].contains(c.says), c.says);
      QVERIFY(!w.graphState().AxesDrawn);
      QVERIFY(w.surface()->isHidden());
    }
    // Once the scale is set, huge values run off the surface without harm,
    // and a refused level leaves the picture as it was.
    fill();
    GraphWindow w(core::Scheme::P0);
    for (const char* level : {"0", "1", "2"}) QVERIFY(drawLevel(w, level).isEmpty());
    const QImage before = w.surface()->image();
    QCOMPARE(drawLevel(w, "1e300").size(), 1);
    QCOMPARE(w.surface()->image(), before);
  }

  // A level is drawn as one polyline; its blue pixels are exactly those of
  // its segments (from u = 0 at x = 0, point to point, to u = 0 at x = 1)
  // drawn one by one, on the surface and replayed at ratio 2.
  void longLevelHasThePixelsOfItsSegments_data() {
    QTest::addColumn<int>("N");
    QTest::addColumn<QString>("shape");
    QTest::newRow("smooth, 20000 points") << 20000 << "smooth";
    QTest::newRow("oscillating, 20000 points") << 20000 << "oscillating";
    QTest::newRow("running off the scale") << 3000 << "off scale";
    QTest::newRow("9 points") << 9 << "smooth";
    QTest::newRow("1 point") << 1 << "smooth";
  }
  void longLevelHasThePixelsOfItsSegments() {
    QFETCH(int, N);
    QFETCH(QString, shape);
    fillState(
        [&](int n, int i) {
          const double u = std::sin(3.14159 * i / (N + 1.0));
          if (shape == "oscillating") return n == 0 ? 1.0 : (i % 2 ? u : -u);
          if (shape == "off scale") return n == 0 ? u : 40 * u * (i % 3 ? 1 : -1);
          return n == 0 ? u : 0.5 * u;
        },
        N, 1);
    GraphWindow w(core::Scheme::P0);
    QVERIFY(drawLevel(w, "0").isEmpty());
    QVERIFY(drawLevel(w, "1").isEmpty());
    ui::PictureSurface* pb1 = w.surface();
    const GraphState& g = w.graphState();
    const double h = ModGeneral::state().h;
    const core::Table2& sol = ModGeneral::state().SolP0;
    ui::PictureSurface ref(nullptr, pb1->border());
    ref.resize(pb1->size());
    ref.setBackground(Qt::white);
    ref.setScaleHeight(pb1->scaleHeight());
    ref.setScaleWidth(pb1->scaleWidth());
    for (int row : {1, 2}) {
      const QColor blue(0, 0, 255);
      const double ox = g.OriginX, oy = g.OriginY;
      ref.drawLine(ox, oy, ox + h, oy - sol(row, 1), blue);
      for (int i = 1; i <= N - 1; ++i)
        ref.drawLine(ox + i * h, oy - sol(row, i), ox + (i + 1.0) * h, oy - sol(row, i + 1), blue);
      ref.drawLine(ox + N * h, oy - sol(row, N), ox + 1, oy, blue);
    }
    const QColor blue(0, 0, 255);
    QCOMPARE(maskOf(pb1->image(), blue), maskOf(ref.image(), blue));
    QCOMPARE(maskOf(pb1->renderedAt(2.0), blue), maskOf(ref.renderedAt(2.0), blue));
  }

  // The read-out boxes lie above the cross-hair lines: where LineY crosses
  // PBY the box's red text shows, and LineX does not cut PBX.
  void readOutBoxesLieAboveTheCrossHair() {
    fillState([](int, int) { return 1.0; });
    GraphWindow w(core::Scheme::P0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QLocale::setDefault(QLocale(QLocale::French));
    QVERIFY(drawLevel(w, "0").isEmpty());
    ui::PictureSurface* pb1 = w.surface();
    auto* pbY = w.findChild<ui::PictureSurface*>("PBY");
    auto* pbX = w.findChild<ui::PictureSurface*>("PBX");
    auto* lineY = w.findChild<ui::SurfaceLine*>("LineY");
    auto* lineX = w.findChild<ui::SurfaceLine*>("LineX");
    const QColor lineColour = QApplication::palette().color(QPalette::WindowText);
    // The text is smoothed onto the yellow box: a pixel of its red is one
    // whose red stays full and whose green falls well below the yellow's (the
    // strokes of the narrow face are thin, so the blend is lighter).
    auto red = [](QRgb p) { return qRed(p) >= 224 && qGreen(p) < 160 && qBlue(p) < 64; };
    // Mouse ordinates: the line runs through the middle of the box each time.
    for (double y : {0.64, 0.5, 0.3}) {
      w.readOut(0.6, y);
      QCOMPARE(pbY->printedTexts().value(0).left(4), QString("U = "));
      const QImage shown = pb1->grab().toImage();
      int redOnLineY = 0, lineOverBox = 0;
      const int row = lineY->y();
      for (int x = pbY->x(); x < pbY->x() + pbY->width(); ++x) {
        redOnLineY += red(shown.pixel(x, row));
        lineOverBox += QColor(shown.pixel(x, row)) == lineColour;
      }
      QVERIFY2(redOnLineY > 0 && lineOverBox == 0,
               qPrintable(QString("%1 %2 %3").arg(y).arg(redOnLineY).arg(lineOverBox)));
      const int column = lineX->x();
      int lineOverPbx = 0;
      for (int yy = pbX->y(); yy < pbX->y() + pbX->height(); ++yy) {
        lineOverPbx += QColor(shown.pixel(column, yy)) == lineColour;
      }
      QCOMPARE(lineOverPbx, 0);
    }
  }

  // On a screen scaled by 1.25, 1.5 or 2 the whole surface is drawn at that ratio:
  // the grab has that many more pixels, its drawing area is the retained
  // picture pixel for pixel, and that picture is not a stretched copy.
  void sharpAtDeviceRatio_data() {
    QTest::addColumn<QString>("scale");
    QTest::newRow("1.25") << "1.25";
    QTest::newRow("1.5") << "1.5";
    QTest::newRow("2") << "2";
  }
  void sharpAtDeviceRatio() {
    QFETCH(QString, scale);
    ORV_AT_SCALE(scale);
    const qreal dpr = scale.toDouble();
    fillState([](int n, int i) { return n == 0 ? std::sin(0.3 * i) : 0; }, 9, 1);
    GraphWindow w(core::Scheme::P0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(drawLevel(w, "0").isEmpty());
    w.readOut(0.6, 0.5);
    ui::PictureSurface* pb1 = w.surface();
    QCOMPARE(pb1->imageRatio(), dpr);
    const QImage grabbed = test::plain(pb1->grab().toImage());
    QCOMPARE(grabbed.size(), (QSizeF(pb1->size()) * dpr).toSize());
    // Above the read-out box and left of the cross-hair only the picture shows.
    const int b = qRound(pb1->border() * dpr);
    const QWidget* lineX = w.findChild<QWidget*>("LineX");
    const QRect band(b, b, qFloor(lineX->x() * dpr) - b, qFloor(pbY(w)->y() * dpr) - b);
    const QImage picture = test::plain(pb1->image());
    QVERIFY(grabbed.copy(band) == picture.copy(band.translated(-b, -b)));
    QVERIFY(picture != test::stretched(pb1->renderedAt(1.0), picture.size()));
  }

  void captionsAndNames_data() {
    QTest::addColumn<core::Scheme>("scheme");
    QTest::addColumn<double>("titleSize");
    QTest::newRow("P0") << core::Scheme::P0 << 13.5;
    QTest::newRow("Pepsilon") << core::Scheme::Peps << 8.25;
  }

  // Every caption, button text, frame title and value of a worked example in
  // the embedded face at its window's size (Label3 at its own), whole in its
  // box; the graph's texts drawn in the same face. The level field is
  // announced as the level n (its caption is its buddy); the drawing and its
  // read-outs have French names, the drawing a description.
  void captionsAndNames() {
    QFETCH(core::Scheme, scheme);
    QFETCH(double, titleSize);
    fillState([](int n, int i) { return 0.1 * n * i; }, 3, 16, scheme);
    core::StudyState& s = ModGeneral::state();
    s.T = 1;
    s.Tau = 0.0625;
    s.Lambda = 1;
    s.Alpha = 0.5;
    s.Epsilon = 0.0625;
    GraphWindow w(scheme);
    test::checkCaptions(
        &w, [&](const QString& name) { return name == "Label3" ? titleSize : 8.25; }, 13);
    QCOMPARE(w.surface()->font().family(), ui::typefaceFamily());
    test::checkFieldNamed(&w, "TxtIndicen", "n");
    const QString sn = scheme == core::Scheme::P0 ? "P0" : "Pepsilon";
    for (const auto& [control, word] : {std::pair<const char*, QString>{"PB1", sn},
                                        {"PBY", "Température"},
                                        {"PBX", "Position"}}) {
      const QString said = w.findChild<QWidget*>(control)->accessibleName();
      QVERIFY2(said.contains(QRegularExpression("(^|\\W)" + word + "(\\W|$)")), qPrintable(said));
    }
    QVERIFY(w.surface()->accessibleDescription().contains("Température"));
  }

  void zeroLevelTakesDefaultRange() {
    fillState([](int n, int) { return n == 0 ? 0.0 : 0.3 * n; }, 9, 3, core::Scheme::Peps);
    GraphWindow w(core::Scheme::Peps);
    QVERIFY(drawLevel(w, "0").value(0).contains("nulles"));
    QCOMPARE((QList<double>{w.graphState().UMax, w.graphState().OriginY}),
             (QList<double>{1.0, 1.05}));
    QVERIFY(drawLevel(w, "2").isEmpty());
  }
};

QTEST_MAIN(TestGraphWindow)
#include "test_graph_window.moc"
