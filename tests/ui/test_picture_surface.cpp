// The picture surface: user scale, retained drawing, text printing and
// measuring, children in user units, mouse moves in user units.
#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <limits>

#include "ui/picture_surface.h"

using ui::PictureSurface;

class TestPictureSurface : public QObject {
  Q_OBJECT

 private slots:
  void scalesMapUserUnitsToPixels();
  void segmentsStayOnTheRetainedImage();
  void farSegmentsAreCutAtTheEdges();
  void batchDrawsTheSamePixels();
  void printingMovesTheTextPosition();
  void clearStartsAgain();
  void childrenKeepTheirPixelsWhenTheScaleChanges();
  void lineEndsInUserUnits();
  void mouseMovesInUserUnits();
  void composedImageLeavesOutReadOuts();
  void childrenAreClippedToTheDrawingArea();
};

void TestPictureSurface::scalesMapUserUnitsToPixels() {
  PictureSurface s(nullptr, 2);
  s.resize(204, 104);  // drawing area 200 × 100
  QCOMPARE(s.drawingRect(), QRect(2, 2, 200, 100));
  QCOMPARE(s.toPixel(10, 20), QPointF(10, 20));
  s.setScaleTwips();
  QCOMPARE(s.toPixel(150, 300), QPointF(10, 20));
  QCOMPARE(s.scaleWidth(), 3000.0);
  s.setScaleHeight(2.0);
  s.setScaleWidth(4.0);
  QCOMPARE(s.toPixel(1.0, 0.5), QPointF(50, 25));
  QCOMPARE(s.toUser(QPointF(50, 25)), QPointF(1.0, 0.5));
  QCOMPARE(s.toPixelRounded(1.01, 0.51), QPoint(51, 26));
  QCOMPARE(s.unitsPerPixelX(), 0.02);
  // Setting one side keeps the other one's current extent.
  s.setScalePixels();
  s.setScaleWidth(20.0);
  QCOMPARE(s.scaleHeight(), 100.0);
  QCOMPARE(s.toPixel(1.0, 1.0), QPointF(10, 1));
}

void TestPictureSurface::segmentsStayOnTheRetainedImage() {
  PictureSurface s;
  s.resize(100, 60);
  s.setBackground(Qt::white);
  s.drawLine(10, 20, 90, 20, QColor(0, 0, 255));
  QCOMPARE(QColor(s.image().pixel(50, 20)), QColor(0, 0, 255));
  QCOMPARE(QColor(s.image().pixel(50, 21)), QColor(Qt::white));
  // Drawn while hidden, kept, and shown when the surface is shown.
  QVERIFY(s.isHidden());
  s.drawLine(50, 0, 50, 59, QColor(255, 0, 0));
  s.show();
  QVERIFY(QTest::qWaitForWindowExposed(&s));
  const QImage shown = s.grab().toImage();
  QCOMPARE(QColor(shown.pixel(50, 40)), QColor(255, 0, 0));
  QCOMPARE(QColor(shown.pixel(20, 20)), QColor(0, 0, 255));
}

void TestPictureSurface::farSegmentsAreCutAtTheEdges() {
  PictureSurface s;
  s.resize(100, 100);
  s.setBackground(Qt::white);
  s.setScaleHeight(1.0);
  s.setScaleWidth(1.0);
  // From the middle of the left edge to a point 1e300 units below: the part
  // inside is drawn with its true slope (a vertical line here).
  s.drawLine(0.5, 0.5, 0.5, 1e300, Qt::black);
  QCOMPARE(QColor(s.image().pixel(50, 99)), QColor(Qt::black));
  QCOMPARE(QColor(s.image().pixel(50, 10)), QColor(Qt::white));
  // Non-finite ends draw nothing and do not crash.
  const QImage before = s.image();
  s.drawLine(0.1, 0.1, std::numeric_limits<double>::infinity(), 0.2, Qt::black);
  s.drawLine(0.1, 0.1, std::numeric_limits<double>::quiet_NaN(), 0.2, Qt::black);
  s.drawLine(-5, -5, -4, -4, Qt::black);  // wholly outside
  QCOMPARE(s.image(), before);
}

void TestPictureSurface::batchDrawsTheSamePixels() {
  PictureSurface a;
  PictureSurface b;
  for (PictureSurface* s : {&a, &b}) {
    s->resize(120, 80);
    s->setScaleWidth(1.0);
    s->setScaleHeight(1.0);
  }
  auto curve = [](PictureSurface& s) {
    for (int i = 0; i < 2000; ++i) {
      const double x = i / 2000.0;
      s.drawLine(x, 0.5 + 0.4 * std::sin(20 * x), x + 0.0005, 0.5 + 0.4 * std::sin(20 * (x + 0.0005)),
                 QColor(0, 0, 255));
    }
    s.setTextPos(0.1, 0.1);
    s.print(QStringLiteral("n = 1"));
  };
  curve(a);
  {
    PictureSurface::Batch batch(b);
    PictureSurface::Batch nested(b);  // a nested batch shares the painter
    curve(b);
  }
  QCOMPARE(a.image(), b.image());
}

void TestPictureSurface::printingMovesTheTextPosition() {
  PictureSurface s;
  s.resize(300, 200);
  s.setBackground(Qt::white);
  s.setScaleTwips();
  const double th = s.textHeight(QStringLiteral("2"));
  QVERIFY(th > 0);
  QCOMPARE(s.textWidth(QStringLiteral("22")), 2 * s.textWidth(QStringLiteral("2")));
  s.setTextPos(300, 450);
  s.setForeColor(QColor(255, 0, 0));
  s.print(QStringLiteral("0.21 °C"));
  QCOMPARE(s.currentX(), 0.0);
  QCOMPARE(s.currentY(), 450 + th);
  s.print(QStringLiteral("n = 0"));
  QCOMPARE(s.printedTexts(), QStringList({"0.21 °C", "n = 0"}));
  QCOMPARE(s.printedAt(), QList<QPointF>({QPointF(300, 450), QPointF(0, 450 + th)}));
  // The text is in the text colour, inside its box below and right of the
  // position (20, 30) in pixels.
  int red = 0;
  const QRect box(20, 30, int(s.textWidth(QStringLiteral("0.21 °C")) / 15) + 1, int(th / 15) + 1);
  for (int y = 0; y < s.image().height(); ++y)
    for (int x = 0; x < s.image().width(); ++x) {
      const QColor c(s.image().pixel(x, y));
      if (c.red() > 200 && c.green() < 100) {
        ++red;
        if (y < 30 + int(th / 15) + 1) QVERIFY(box.contains(x, y));
      }
    }
  QVERIFY(red > 10);
}

void TestPictureSurface::clearStartsAgain() {
  PictureSurface s;
  s.resize(50, 50);
  s.setBackground(QColor(255, 255, 0));
  s.drawLine(0, 0, 49, 49, Qt::black);
  s.setTextPos(10, 10);
  s.print(QStringLiteral("x"));
  s.clear();
  QCOMPARE(s.currentX(), 0.0);
  QCOMPARE(s.currentY(), 0.0);
  QVERIFY(s.printedTexts().isEmpty());
  QImage yellow(s.image().size(), s.image().format());
  yellow.fill(QColor(255, 255, 0));
  QCOMPARE(s.image(), yellow);
}

void TestPictureSurface::childrenKeepTheirPixelsWhenTheScaleChanges() {
  PictureSurface s(nullptr, 2);
  s.resize(614, 377);  // drawing area 610 × 373
  s.setScaleTwips();
  QWidget child(&s);
  s.placeChild(&child, 1080, 3480, 7095, 30);
  QCOMPARE(child.geometry(), QRect(72 + 2, 232 + 2, 473, 2));
  s.setScaleHeight(1.2);
  s.setScaleWidth(1.15);
  QCOMPARE(child.geometry(), QRect(74, 234, 473, 2));
  const QRectF r = s.childRect(&child);
  QVERIFY(std::fabs(r.left() - 72 * 1.15 / 610) < 1e-12);
  s.resizeChild(&child, 1.0, r.height());
  s.moveChild(&child, 0.1, 0.6);
  QCOMPARE(child.geometry(), QRect(qRound(0.1 * 610 / 1.15) + 2, qRound(0.6 * 373 / 1.2) + 2,
                                   qRound(610 / 1.15), 2));
}

void TestPictureSurface::lineEndsInUserUnits() {
  PictureSurface s(nullptr, 2);
  s.resize(614, 377);
  s.setScaleTwips();
  ui::SurfaceLine line(&s);
  line.setEnds(-15, 630, 9060, 630);
  QCOMPARE(line.pixelEnds(), QLineF(-1, 42, 604, 42));
  QCOMPARE(line.geometry(), QRect(1, 44, 606, 1));
  s.setScaleHeight(1.2);
  s.setScaleWidth(1.15);
  const QLineF e = line.ends();
  QVERIFY(std::fabs(e.y1() - 42 * 1.2 / 373) < 1e-12);
  line.setEnds(e.x1(), 0.6, e.x2(), 0.6);
  QVERIFY(std::fabs(line.ends().y2() - 0.6) < 1e-12);
  QCOMPARE(line.ends().x1(), e.x1());
}

void TestPictureSurface::mouseMovesInUserUnits() {
  PictureSurface s(nullptr, 2);
  s.resize(204, 104);
  s.setScaleWidth(2.0);
  s.setScaleHeight(1.0);
  QWidget box(&s);
  box.setAttribute(Qt::WA_NoMousePropagation);
  box.setGeometry(150, 50, 20, 20);
  s.show();
  QVERIFY(QTest::qWaitForWindowExposed(&s));
  QSignalSpy spy(&s, &PictureSurface::mouseMoved);
  QTest::mouseMove(&s, QPoint(52, 27));
  QTRY_COMPARE(spy.size(), 1);
  QCOMPARE(spy[0][0].toDouble(), 0.5);
  QCOMPARE(spy[0][1].toDouble(), 0.25);
  // A move over a child box is not the surface's.
  QMouseEvent over(QEvent::MouseMove, QPointF(5, 5), box.mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&box, &over);
  QCOMPARE(spy.size(), 1);
}

void TestPictureSurface::composedImageLeavesOutReadOuts() {
  PictureSurface s;
  s.resize(40, 40);
  s.setBackground(Qt::white);
  QWidget bar(&s);
  bar.setAutoFillBackground(true);
  QPalette p = bar.palette();
  p.setColor(QPalette::Window, Qt::red);
  bar.setPalette(p);
  bar.setGeometry(0, 10, 40, 2);
  ui::SurfaceLine cross(&s);
  cross.setEnds(20, 0, 20, 39);
  s.show();
  QVERIFY(QTest::qWaitForWindowExposed(&s));
  const QImage img = s.composedImage();
  QCOMPARE(QColor(img.pixel(5, 10)), QColor(Qt::red));
  QCOMPARE(QColor(img.pixel(20, 30)), QColor(Qt::white));
  QCOMPARE(QColor(s.grab().toImage().pixel(20, 30)), QColor(Qt::black));
}

void TestPictureSurface::childrenAreClippedToTheDrawingArea() {
  PictureSurface s(nullptr, 2);
  s.resize(20, 20);  // drawing area 16 × 16 at (2, 2)
  s.setBackground(Qt::black);
  QWidget dot(&s);
  dot.setAutoFillBackground(true);
  QPalette p = dot.palette();
  p.setColor(QPalette::Window, Qt::yellow);
  dot.setPalette(p);
  s.placeChild(&dot, 15, 5, 3, 3);  // one column inside, two over the border
  s.show();
  QVERIFY(QTest::qWaitForWindowExposed(&s));
  QImage shown = s.grab().toImage();
  QCOMPARE(QColor(shown.pixel(17, 8)), QColor(Qt::yellow));
  QVERIFY(QColor(shown.pixel(18, 8)) != QColor(Qt::yellow));
  s.moveChild(&dot, 17, 5);  // wholly over the border
  shown = s.grab().toImage();
  QVERIFY(QColor(shown.pixel(19, 8)) != QColor(Qt::yellow));
  s.moveChild(&dot, 5, 5);  // wholly inside again
  shown = s.grab().toImage();
  QCOMPARE(QColor(shown.pixel(9, 9)), QColor(Qt::yellow));
}

QTEST_MAIN(TestPictureSurface)
#include "test_picture_surface.moc"
