// The picture surface: user scale, retained drawing, text printing and
// measuring, children in user units.
#include <QtTest>
#include <cmath>

#include "ui/picture_surface.h"

using ui::PictureSurface;

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
};

QTEST_MAIN(TestPictureSurface)
#include "test_picture_surface.moc"
