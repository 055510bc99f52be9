// The stability graph windows: scale, labels, curves, legend, read-out,
// refused levels, "Effacer", long levels drawn in one pass, the read-outs
// above the cross-hair, sharp at any scale; names for a screen reader.
#include <QtTest>
#include <cmath>
#include <functional>
#include <limits>

#include "stability/graph_window.h"
#include "support/at_scale.h"
#include "support/window_checks.h"
#include "support/window_support.h"
#include "ui/colours.h"
#include "ui/picture_surface.h"
#include "ui/typeface.h"

namespace {

using Change = std::function<void(core::StudyState&)>;

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

// Level 1 beyond the range, level 2 beyond single precision, level 3 infinite.
void fillHuge() {
  fillState([](int n, int i) {
    return n == 1             ? (i % 2 ? 1e300 : -1e300)
           : n == 2           ? 1e39 * i
           : n == 3 && i == 4 ? std::numeric_limits<double>::infinity()
                              : 1.0;
  });
}

// Types a level and clicks "Tracer le graphe"; returns the messages shown.
QStringList drawLevel(GraphWindow& w, const QString& text) {
  test::setText(&w, "TxtIndicen", text);
  return test::click(&w, "CmdTracage");
}

// Pixels of `img` inside the device rectangle `r` that `is` accepts.
int count(const QImage& img, const QRect& r, const std::function<bool(QColor)>& is) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += img.valid(x, y) && is(img.pixelColor(x, y));
  return n;
}

}  // namespace

Q_DECLARE_METATYPE(Change)

class TestGraphWindow : public QObject {
  Q_OBJECT

 private slots:
  // A level whose largest value is 1 at x = 0.5: the scale's labels, each
  // whole inside the drawing; u = 0 (the red bar) at 7/8 of its height; the
  // legend in red just above the curve's middle point.
  void scaleLabelsAndLegend() {
    fillState([](int n, int i) { return n == 0 ? (i == 5 ? 1.0 : 0.5) : 0; });
    GraphWindow w(core::Scheme::P0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(drawLevel(w, "0").isEmpty());
    ui::PictureSurface* pb1 = w.surface();
    const QStringList texts = pb1->printedTexts();
    QCOMPARE(texts, QStringList({"0,21 °C", "0,42 °C", "0,63 °C", "0,84 °C", "1,05 °C", "0,00 °C",
                                 "n = 0"}));
    const QList<QPointF> at = pb1->printedAt();
    const double th = pb1->textHeight("2");
    for (int k = 0; k < 6; ++k)
      QVERIFY2(at[k].y() >= 0 && at[k].y() + th <= pb1->scaleHeight(), qPrintable(texts[k]));
    const QImage shown = pb1->image();
    const QPoint bar = pb1->toPixelRounded(w.graphState().OriginX + 0.5, w.graphState().OriginY);
    QVERIFY2(std::abs(bar.y() - shown.height() * 7 / 8.0) <= 1,
             qPrintable(QString::number(bar.y())));
    const QPoint b(pb1->border(), pb1->border());
    QCOMPARE(pb1->grab().toImage().pixelColor(bar + b), QColor(255, 0, 0));  // a child widget
    // The legend's box ends at most a text height above the point u(0.5) = 1.
    const double top = w.graphState().OriginY - 1.0;
    QVERIFY2(at[6].y() + th <= top + 1e-9 && at[6].y() >= top - 2 * th,
             qPrintable(QString("%1 %2").arg(at[6].y()).arg(top)));
    const QRect legend(pb1->toPixelRounded(at[6].x(), at[6].y()),
                       pb1->toPixelRounded(at[6].x() + pb1->textWidth("n = 0"), at[6].y() + th));
    QVERIFY(count(shown, legend,
                  [](QColor c) { return c.red() > 200 && c.green() < 100 && c.blue() < 100; }) > 5);
  }

  // An all-negative level scales down from 0; an all-zero one takes the
  // default range (and is said so).
  void scaleForNegativeAndZeroLevels() {
    fillState([](int n, int i) { return n == 0 ? -0.1 * i : 0.0; });
    GraphWindow w(core::Scheme::P0);
    QVERIFY(drawLevel(w, "").isEmpty());
    QCOMPARE(w.graphState().UMin, -0.1 * 9);
    QCOMPARE(w.surface()->printedTexts().mid(6, 100).last(), QString("-0,90 °C"));
    test::button(&w, "CmdEffacer")->click();
    QVERIFY(drawLevel(w, "1").value(0).contains("nulles"));
    QCOMPARE(w.graphState().UMax, 1.0);
  }

  // A typed level draws with its legend, or is refused with nothing drawn.
  void levelChoice_data() {
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("shown");  // the legend, or part of the refusal
    QTest::addColumn<Change>("change");  // to the huge levels
    const auto row = [](const char* name, const char* level, const QString& shown,
                        Change change = {}) {
      QTest::newRow(name) << QString(level) << shown << change;
    };
    const Change plain = [](core::StudyState& s) {
      for (int n = 0; n <= 3; ++n)
        for (int i = 1; i <= 9; ++i) s.SolP0(n + 1, i) = n + 1.0;
    };
    row("3", "3", "n = 3", plain);
    row("2.9 draws level 2", "2.9", "n = 2", plain);
    row("empty draws level 0", "", "n = 0");
    row("above K", "4", "Saisie incorrecte : n doit être inférieure ou égale à K !");
    row("negative", "-0.5", QString::fromStdString(core::fail::levelNegative().message));
    row("range overflows", "1", "trop grandes");
    row("beyond single precision", "2", "trop grandes");
    row("infinite", "3", "infinies");
    row("N changed", "1", "ne correspondent pas", [](core::StudyState& s) { s.N = 19; });
    row("K huge", "1", "ne correspondent pas", [](core::StudyState& s) { s.K = 1e300; });
    row("no table", "1", "Aucun résultat", [](core::StudyState& s) { s.SolP0.reset(); });
    row("stopped before the level", "3", "n'a pas été calculé",
        [](core::StudyState& s) { s.SolP0.stoppedAfterRow(3); });
  }
  void levelChoice() {
    QFETCH(QString, level);
    QFETCH(QString, shown);
    QFETCH(Change, change);
    fillHuge();
    if (change) change(ModGeneral::state());
    GraphWindow w(core::Scheme::P0);
    const QStringList boxes = drawLevel(w, level);
    if (shown.startsWith("n = "))
      QCOMPARE(boxes.join('|') + w.surface()->printedTexts().value(6), shown);
    else
      QVERIFY2(boxes.size() == 1 && boxes[0].contains(shown), qPrintable(boxes.join('|')));
    QCOMPARE(w.graphState().AxesDrawn && !w.surface()->isHidden(), boxes.isEmpty());
  }

  void laterDrawingsKeepFirstScaleUntilEffacer() {
    fillState([](int n, int) { return n == 3 ? 5.0 : 1.0; });
    GraphWindow w(core::Scheme::P0);
    QVERIFY(drawLevel(w, "0").isEmpty() && drawLevel(w, "3").isEmpty());
    QCOMPARE(w.graphState().UMax, 1.0);
    QCOMPARE(w.surface()->printedTexts().mid(5), QStringList({"0,00 °C", "n = 0", "n = 3"}));
    test::button(&w, "CmdEffacer")->click();
    QVERIFY(!w.graphState().AxesDrawn && w.surface()->isHidden());
    QVERIFY(test::field(&w, "TxtIndicen")->text().isEmpty() &&
            w.surface()->printedTexts().isEmpty());
    QVERIFY(drawLevel(w, "3").isEmpty());
    QCOMPARE(w.graphState().UMax, 5.0);
  }

  // Once the scale is set, huge values run off the surface without harm,
  // and a refused level leaves the picture as it was.
  void hugeValuesAfterTheScaleIsSet() {
    fillHuge();
    GraphWindow w(core::Scheme::P0);
    for (const char* level : {"0", "1", "2"}) QVERIFY(drawLevel(w, level).isEmpty());
    const QImage before = w.surface()->image();
    QCOMPARE(drawLevel(w, "1e300").size(), 1);
    QCOMPARE(w.surface()->image(), before);
  }

  // A level, drawn in one pass, has exactly the blue pixels of its segments
  // (from u = 0 at x = 0, point to point, to u = 0 at x = 1) drawn one by
  // one, on the surface and replayed at ratios 1.5 and 2.
  void longLevelHasThePixelsOfItsSegments_data() {
    QTest::addColumn<int>("N");
    QTest::addColumn<QString>("shape");
    QTest::newRow("oscillating, 20000 points") << 20000 << "oscillating";
    QTest::newRow("running off the scale") << 3000 << "off scale";
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
    QVERIFY(drawLevel(w, "0").isEmpty() && drawLevel(w, "1").isEmpty());
    ui::PictureSurface* pb1 = w.surface();
    const double h = ModGeneral::state().h, ox = w.graphState().OriginX,
                 oy = w.graphState().OriginY;
    const core::Table2& sol = ModGeneral::state().SolP0;
    ui::PictureSurface ref(nullptr, pb1->border());
    ref.resize(pb1->size());
    ref.setBackground(Qt::white);
    ref.setScaleHeight(pb1->scaleHeight());
    ref.setScaleWidth(pb1->scaleWidth());
    const QColor blue = ui::colour::blue;
    for (int row : {1, 2}) {
      ref.drawLine(ox, oy, ox + h, oy - sol(row, 1), blue);
      for (int i = 1; i <= N - 1; ++i)
        ref.drawLine(ox + i * h, oy - sol(row, i), ox + (i + 1.0) * h, oy - sol(row, i + 1), blue);
      ref.drawLine(ox + N * h, oy - sol(row, N), ox + 1, oy, blue);
    }
    const auto mask = [&blue](const QImage& img) {
      return test::plain(img).createMaskFromColor(blue.rgb(), Qt::MaskOutColor);
    };
    QCOMPARE(mask(pb1->image()), mask(ref.image()));
    for (double dpr : {1.5, 2.0}) QCOMPARE(mask(pb1->renderedAt(dpr)), mask(ref.renderedAt(dpr)));
  }

  // The read-out of a mouse point, beyond the data too, heard by a screen
  // reader; its boxes lie above the cross-hair lines: where LineY crosses PBY
  // the box's red text shows and no line pixel, and LineX does not cut PBX.
  void readOut() {
    fillState([](int, int) { return 1.0; });
    GraphWindow w(core::Scheme::P0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(drawLevel(w, "0").isEmpty());
    auto* pbY = w.findChild<ui::PictureSurface*>("PBY");
    auto* pbX = w.findChild<ui::PictureSurface*>("PBX");
    const QColor line = QApplication::palette().color(QPalette::WindowText);
    // The red text smoothed onto the yellow box: red full, green well below.
    const auto red = [](QColor c) { return c.red() >= 224 && c.green() < 160 && c.blue() < 64; };
    const auto isLine = [&line](QColor c) { return c == line; };
    for (auto [x, y, texts] : {std::tuple{0.6, 0.64, QStringList{"x = 0,50 m", "U = 0,41 °C"}},
                               {0.35, 0.3, {"x = 0,25 m", "U = 0,75 °C"}},
                               {0.05, 1.1, {"x = -0,05 m", "U = -0,05 °C"}}}) {
      w.readOut(x, y);
      QCOMPARE(pbX->printedTexts() + pbY->printedTexts(), texts);
      QCOMPARE(pbY->accessibleDescription(), texts[1]);
      const QImage shown = w.surface()->grab().toImage();
      const int row = w.findChild<QWidget*>("LineY")->y();
      const QRect alongY(pbY->x(), row, pbY->width(), 1),
          acrossX(w.findChild<QWidget*>("LineX")->x(), pbX->y(), 1, pbX->height());
      QVERIFY(count(shown, alongY, red) > 0);
      QCOMPARE(count(shown, alongY, isLine) + count(shown, acrossX, isLine), 0);
    }
  }

  // Above the read-out box and left of the cross-hair only the picture shows.
  void sharpAtDeviceRatio_data() { test::addScaleRows(); }
  void sharpAtDeviceRatio() {
    QFETCH(QString, scale);
    ORV_AT_SCALE(scale);
    fillState([](int n, int i) { return n == 0 ? std::sin(0.3 * i) : 0; }, 9, 1);
    GraphWindow w(core::Scheme::P0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(drawLevel(w, "0").isEmpty());
    w.readOut(0.6, 0.5);
    ui::PictureSurface* pb1 = w.surface();
    const qreal dpr = scale.toDouble();
    QCOMPARE(pb1->imageRatio(), dpr);
    const int b = pb1->border();
    const QRect band(0, 0, qFloor(w.findChild<QWidget*>("LineX")->x() * dpr) - qRound(b * dpr),
                     qFloor(w.findChild<QWidget*>("PBY")->y() * dpr) - qRound(b * dpr));
    test::checkSharp(pb1, b, pb1->image(), pb1->renderedAt(1.0), band);
  }

  void namesForAScreenReader_data() {
    QTest::addColumn<core::Scheme>("scheme");
    QTest::newRow("P0") << core::Scheme::P0;
    QTest::newRow("Pepsilon") << core::Scheme::Peps;
  }
  // The level field named n, the drawing named for its scheme, the graph's
  // texts in the embedded face (captions: the desktop test's walk).
  void namesForAScreenReader() {
    QFETCH(core::Scheme, scheme);
    fillState([](int, int) { return 1.0; }, 3, 16, scheme);
    GraphWindow w(scheme);
    test::checkFieldNamed(&w, "TxtIndicen", "n");
    QVERIFY(w.surface()->accessibleName().contains(scheme == core::Scheme::P0 ? "P0" : "Pepsilon"));
    QCOMPARE(w.surface()->font().family(), ui::typefaceFamily());
  }
};

QTEST_MAIN(TestGraphWindow)
#include "test_graph_window.moc"
