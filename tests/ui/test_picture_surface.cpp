// The picture surface: user scale, retained drawing, text printing and
// measuring, children in user units, curves drawn in one pass with the
// pixels of their segments, drawing at the device pixel ratio.
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

#include "support/at_scale.h"
#include "ui/picture_surface.h"

using ui::PictureSurface;

namespace {

// The curve's segments drawn one painter call each, at `dpr`, on the
// background: what drawPolyline() must give pixel for pixel.
QImage segmentBySegment(const PictureSurface& s, const QPolygonF& user, const QColor& color,
                        qreal dpr) {
  QImage out = s.renderedAt(dpr);
  out.setDevicePixelRatio(1.0);
  out.fill(s.background());
  QPainter p(&out);
  p.setPen(ui::devicePen(color, dpr));
  const double right = s.drawingRect().width() + 4.0, bottom = s.drawingRect().height() + 4.0;
  for (qsizetype k = 1; k < user.size(); ++k) {
    const QPointF a = s.toPixel(user[k - 1].x(), user[k - 1].y());
    const QPointF b = s.toPixel(user[k].x(), user[k].y());
    // The rows' curves lie inside the picture, where nothing is cut; an
    // empty image (a failed comparison) otherwise.
    const QRectF inside(-4.0, -4.0, right + 4.0, bottom + 4.0);
    if (!inside.contains(a) || !inside.contains(b)) return QImage();
    p.drawLine(ui::deviceSegment(a, b, dpr));
  }
  return out;
}

}  // namespace

class TestPictureSurface : public QObject {
  Q_OBJECT

 private slots:
  void scalesMapUserUnitsToPixels() {
    PictureSurface s(nullptr, 2);
    s.resize(204, 104);  // drawing area 200 × 100 inside the border
    QCOMPARE(s.drawingRect(), QRect(2, 2, 200, 100));
    s.setScaleTwips();
    QCOMPARE(s.toPixel(150, 300), QPointF(10, 20));
    s.setScaleHeight(2.0);
    s.setScaleWidth(4.0);
    QCOMPARE(s.toPixel(1.0, 0.5), QPointF(50, 25));
    QCOMPARE(s.toUser(QPointF(50, 25)), QPointF(1.0, 0.5));
    QCOMPARE(s.toPixelRounded(1.01, 0.51), QPoint(51, 26));
    // Setting one side keeps the other one's current extent.
    s.setScalePixels();
    s.setScaleWidth(20.0);
    QCOMPARE(s.scaleHeight(), 100.0);
    QCOMPARE(s.toPixel(1.0, 1.0), QPointF(10, 1));
  }

  void retainedImageSurvivesHide() {
    PictureSurface s;
    s.resize(100, 60);
    s.setBackground(Qt::white);
    s.drawLine(10, 20, 90, 20, Qt::blue);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    s.hide();
    s.drawLine(50, 0, 50, 59, Qt::red);  // drawn while hidden
    s.show();
    const QImage shown = s.grab().toImage();
    QCOMPARE(QColor(shown.pixel(50, 40)), QColor(Qt::red));
    QCOMPARE(QColor(shown.pixel(20, 20)), QColor(Qt::blue));
  }

  void printMeasuresAndMovesTheTextPosition() {
    PictureSurface s;
    s.resize(300, 200);
    s.setBackground(Qt::white);
    s.setScaleTwips();
    const double th = s.textHeight("2");
    QCOMPARE(s.textWidth("22"), 2 * s.textWidth("2"));
    s.setTextPos(300, 450);
    s.setForeColor(Qt::red);
    s.print("0.21 °C");
    s.print("n = 0");  // the next line starts at the left edge
    QCOMPARE(s.printedAt(), QList<QPointF>({QPointF(300, 450), QPointF(0, 450 + th)}));
    QCOMPARE(s.currentY(), 450 + 2 * th);
    // The text is drawn in its colour inside its box at pixel (20, 30).
    const QRect box(20, 30, int(s.textWidth("0.21 °C") / 15) + 1, int(th / 15) + 1);
    int red = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
      for (int x = box.left(); x <= box.right(); ++x) red += s.image().pixelColor(x, y) == Qt::red;
    QVERIFY(red > 10);
    s.clear();
    QVERIFY(s.printedTexts().isEmpty() && s.currentX() == 0 && s.currentY() == 0);
  }

  void childrenArePlacedInUserUnits() {
    PictureSurface s(nullptr, 2);
    s.resize(614, 377);  // drawing area 610 × 373
    s.setScaleTwips();
    QWidget child(&s);
    s.placeChild(&child, 1080, 3480, 7095, 30);
    QCOMPARE(child.geometry(), QRect(74, 234, 473, 2));
    ui::SurfaceLine line(&s);
    line.setEnds(-15, 630, 9060, 630);
    QCOMPARE(line.pixelEnds(), QLineF(-1, 42, 604, 42));
    // A new scale keeps the pixels; positions are read back in the new units.
    s.setScaleHeight(1.2);
    s.setScaleWidth(1.15);
    QCOMPARE(child.geometry(), QRect(74, 234, 473, 2));
    QVERIFY(std::fabs(s.childRect(&child).left() - 72 * 1.15 / 610) < 1e-12);
    QVERIFY(std::fabs(line.ends().y1() - 42 * 1.2 / 373) < 1e-12);
    s.resizeChild(&child, 1.0, s.childRect(&child).height());
    s.moveChild(&child, 0.1, 0.6);
    QCOMPARE(child.geometry(), QRect(qRound(0.1 * 610 / 1.15) + 2, qRound(0.6 * 373 / 1.2) + 2,
                                     qRound(610 / 1.15), 2));
  }

  // A curve drawn in one pass has exactly the pixels of its segments drawn
  // one by one, at every device pixel ratio.
  void polylineMatchesSegments_data() {
    QTest::addColumn<QString>("shape");
    QTest::addColumn<double>("dpr");
    for (const char* shape :
         {"oscillating", "random", "one column", "steep steps"})
      for (double dpr : {1.0, 1.5, 2.0})
        QTest::addRow("%s at %.1f", shape, dpr) << QString::fromLatin1(shape) << dpr;
  }
  void polylineMatchesSegments() {
    QFETCH(QString, shape);
    QFETCH(double, dpr);
    PictureSurface s(nullptr, 2);
    s.resize(614, 377);
    s.setBackground(Qt::white);
    s.setScaleHeight(1.2);
    s.setScaleWidth(1.15);
    const int n = 20000;
    QRandomGenerator random(7);
    QPolygonF curve;
    for (int i = 0; i <= n; ++i) {
      const double x = 0.1 + double(i) / n;
      double u = 0;
      if (shape == "oscillating") u = (i % 2 ? 0.9 : -0.1) * std::sin(3.14159 * (x - 0.1));
      if (shape == "random") u = random.generateDouble() * 1.1 - 0.1;
      if (shape == "steep steps") u = std::floor((x - 0.1) * 40) / 40;
      curve.append(QPointF(shape == "one column" ? 0.5 : x, 1.05 - u));
    }
    s.drawPolyline(curve, Qt::blue);
    QImage batched = s.renderedAt(dpr);
    batched.setDevicePixelRatio(1.0);
    const QImage reference = segmentBySegment(s, curve, Qt::blue, dpr);
    QCOMPARE(batched.size(), reference.size());
    QVERIFY(batched == reference);
    // At ratio 1 the retained picture is that drawing.
    if (dpr == 1.0) QVERIFY(s.image() == reference);
  }

  // Segments that leave the picture are cut at its edges the same way
  // whether drawn one by one or as a polyline, and a curve cut in two is
  // drawn as two pieces.
  void polylineCutAtTheEdges() {
    PictureSurface one(nullptr, 0), many(nullptr, 0);
    for (PictureSurface* s : {&one, &many}) {
      s->resize(200, 100);
      s->setBackground(Qt::white);
    }
    const QPolygonF curve{{-50, 50}, {20, 10}, {40, 1e30}, {60, -1e300}, {80, 30}, {250, 120}};
    many.drawPolyline(curve, Qt::red);
    for (qsizetype k = 1; k < curve.size(); ++k)
      one.drawLine(curve[k - 1].x(), curve[k - 1].y(), curve[k].x(), curve[k].y(), Qt::red);
    QVERIFY(one.image() == many.image());
    QCOMPARE(QColor(many.image().pixel(20, 10)), QColor(Qt::red));
  }

  // A drawing that never ends (the About orbits) keeps a bounded record:
  // beyond it the record becomes the picture, which stays as drawn.
  void endlessDrawingKeepsBoundedRecord() {
    PictureSurface s(nullptr, 0);
    s.resize(50, 50);
    s.setBackground(Qt::black);
    const QColor colours[] = {Qt::yellow, Qt::red, Qt::green};
    for (int k = 0; k < 70000; ++k)
      s.drawLine(k % 47, (k * 7) % 43, (k * 3) % 41, (k * 5) % 49, colours[k % 3]);
    QVERIFY(s.recordedOps() < 70000);
    QVERIFY(s.image() == s.renderedAt(1.0));
    s.drawLine(0, 0, 49, 0, Qt::blue);
    QCOMPARE(QColor(s.image().pixel(25, 0)), QColor(Qt::blue));
    QVERIFY(s.image() == s.renderedAt(1.0));
  }

  // On a screen scaled by 1.5 or 2 the drawing is made at that ratio: a
  // line's edge falls on a device pixel, not on a stretched picture pixel.
  void grabsAtDeviceRatio_data() { test::addScaleRows(); }
  void grabsAtDeviceRatio() {
    QFETCH(QString, scale);
    ORV_AT_SCALE(scale);
    const qreal dpr = scale.toDouble();
    PictureSurface s(nullptr, 2);
    s.resize(204, 104);
    s.setBackground(Qt::white);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    s.drawLine(10.25, 0, 10.25, 99, Qt::blue);  // a vertical line a quarter pixel in
    s.drawLine(20, 90, 190, 10, Qt::blue);
    s.setTextPos(120, 60);
    s.print("U = 0,41 °C");
    QCOMPARE(s.image().size(), QSize(qCeil(200 * dpr), qCeil(100 * dpr)));
    test::checkSharp(&s, 2, s.image(), s.renderedAt(1.0));
    // The line's left edge: the device pixel where 10.25 lands.
    const QImage picture = test::plain(s.image());
    const int edge = qRound(10.25 * dpr), y = qRound(50 * dpr);
    QCOMPARE(QColor(picture.pixel(edge, y)), QColor(Qt::blue));
    QCOMPARE(QColor(picture.pixel(edge - 1, y)), QColor(Qt::white));
  }
};

QTEST_MAIN(TestPictureSurface)
#include "test_picture_surface.moc"
