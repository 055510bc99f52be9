// The About window: the three orbits (places, wraps, hidden arc), a clean restart, and the
// picture made at the screen's device pixel ratio, captions in the embedded face, the picture
// named for a screen reader.
#include <QPointer>
#include <QtTest>
#include <cmath>

#include "about/about_background.h"
#include "about/about_window.h"
#include "shell/mod_general.h"
#include "support/at_scale.h"
#include "support/window_checks.h"
#include "ui/controls.h"
#include "ui/picture_surface.h"
#include "ui/typeface.h"

namespace {

// The dot's place in the picture's pixels.
QPoint placeOf(AboutWindow& w, const char* name) {
  return w.picture()->findChild<QWidget*>(name)->pos() -
         QPoint(w.picture()->border(), w.picture()->border());
}
int yellowCount(const QImage& img) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += QColor(img.pixel(x, y)) == QColor(255, 255, 0);
  return n;
}
void ticks(AboutWindow& w, int count) {
  while (count--) w.tick();
}
QImage cleanPicture() { return about::backgroundImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace

class TestAboutWindow : public QObject {
  Q_OBJECT

 private slots:
  // Every caption in the embedded face at 8.25 pt, whole in its box; a
  // screen reader names the picture and says what it shows, in French.
  void captionsAndPictureName() {
    AboutWindow w;
    test::checkCaptions(
        &w, [](const QString&) { return 8.25; }, 8);
    QVERIFY(w.picture()->accessibleName().contains("Image"));
    QVERIFY(w.picture()->accessibleDescription().contains("orbites"));
  }

  void firstTickPlacesTheDots() {
    AboutWindow w;
    w.tick();
    QCOMPARE((QList<double>{w.angle1(), w.angle2(), w.angle3()}),
             (QList<double>{0.5 - 0.2, 0.2 - 0.3, 0.35 + 0.25}));
    // Places worked by hand from the orbit formulas with W2 = H2 = 62.
    QCOMPARE(placeOf(w, "PB1"), QPoint(112, 68));
    QCOMPARE(placeOf(w, "PB2"), QPoint(100, 17));
    QCOMPARE(placeOf(w, "PB3"), QPoint(41, 104));
    // Each dot drew its step, orbit 1 from (107, 73) to its new place.
    const QImage img = w.picture()->image();
    QCOMPARE(QColor(img.pixel(112, 68)), QColor(255, 255, 0));
    QCOMPARE(QColor(img.pixel(107, 73)), QColor(255, 255, 0));
    QCOMPARE(QColor(img.pixel(100, 17)), QColor(255, 0, 0));
    QCOMPARE(QColor(img.pixel(41, 104)), QColor(0, 255, 0));
  }

  void anglesWrap() {
    AboutWindow w;
    ticks(w, 22);
    QCOMPARE(w.angle2(), 0.0);  // 0.2 - 6.6 is below -6.25
    ticks(w, 2);
    QCOMPARE(w.angle3(), 0.0);  // 0.35 + 6 is above 6.25
    ticks(w, 10);
    QCOMPARE(w.angle1(), 0.0);  // 0.5 - 6.8
  }

  void hiddenDotIsStillMoved() {
    AboutWindow w;
    ticks(w, 6);  // Angle1 = -0.7: still drawn
    const int yellowBefore = yellowCount(w.picture()->image());
    const QPoint placeBefore = placeOf(w, "PB1");
    w.tick();  // Angle1 = -0.9: hidden arc
    QVERIFY(w.picture()->findChild<QWidget*>("PB1")->isHidden());
    QVERIFY(placeOf(w, "PB1") != placeBefore);
    QCOMPARE(yellowCount(w.picture()->image()), yellowBefore);
    ticks(w, 7);  // Angle1 = -2.3: drawing again
    QVERIFY(yellowCount(w.picture()->image()) > yellowBefore);
  }

  void reopenedWindowStartsClean() {
    ModGeneral::setFactory(WindowKind::FrmAPropos, [] { return new AboutWindow; });
    auto* w = qobject_cast<AboutWindow*>(ModGeneral::showWindow(WindowKind::FrmAPropos));
    ticks(*w, 15);
    QPointer<AboutWindow> guard(w);
    w->close();
    QTRY_VERIFY(guard.isNull());
    w = qobject_cast<AboutWindow*>(ModGeneral::showWindow(WindowKind::FrmAPropos));
    QCOMPARE(w->angle1(), 0.5);
    QCOMPARE(w->picture()->image(), cleanPicture());
    w->close();
  }

  // On a screen scaled by 1.5 or 2 the picture is made at that ratio (the
  // heat map sampled finer, not stretched) and the window shows it pixel
  // for pixel; the orbits keep their places in picture pixels.
  void pictureAtDeviceRatio_data() {
    QTest::addColumn<QString>("scale");
    QTest::newRow("1.5") << "1.5";
    QTest::newRow("2") << "2";
  }
  void pictureAtDeviceRatio() {
    QFETCH(QString, scale);
    const qreal dpr = scale.toDouble();
    const QImage fine = test::plain(about::backgroundImage(dpr));
    QCOMPARE(fine.size(), QSize(qCeil(124 * dpr), qCeil(124 * dpr)));
    QVERIFY(fine != test::stretched(cleanPicture(), fine.size()));
    ORV_AT_SCALE(scale);
    AboutWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.timer()->stop();
    QVERIFY(test::plain(w.picture()->image()) == fine);
    w.tick();
    QCOMPARE(placeOf(w, "PB1"), QPoint(112, 68));
    // The top rows of the picture hold no dot: there the grab is the picture.
    const QImage grabbed = test::plain(w.picture()->grab().toImage());
    const int b = qRound(2 * dpr), rows = qFloor(16 * dpr);
    QVERIFY(grabbed.copy(b, b, fine.width(), rows) ==
            test::plain(w.picture()->image()).copy(0, 0, fine.width(), rows));
  }
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
