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

  // Each dot drew its step: the picture holds each orbit's colour.
  void firstTickDrawsEachOrbit() {
    AboutWindow w;
    const QImage before = w.picture()->image();
    w.tick();
    const QImage img = w.picture()->image();
    for (const char* dot : {"PB1", "PB2", "PB3"}) {
      const QPoint at = placeOf(w, dot);
      QVERIFY2(img.pixel(at) != before.pixel(at), dot);
    }
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
  void pictureAtDeviceRatio_data() { test::addScaleRows(); }
  void pictureAtDeviceRatio() {
    QFETCH(QString, scale);
    ORV_AT_SCALE(scale);
    AboutWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.timer()->stop();
    const QImage fine = test::plain(about::backgroundImage(scale.toDouble()));
    QVERIFY(test::plain(w.picture()->image()) == fine);
    w.tick();
    // The top rows of the picture hold no dot: there the grab is the picture.
    test::checkSharp(w.picture(), w.picture()->border(), w.picture()->image(), cleanPicture(),
                     QRect(0, 0, fine.width(), qFloor(16 * scale.toDouble())));
  }
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
