// The About window: the three orbits (places, wraps, hidden arc) and a clean restart.
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <cmath>

#include "about/about_background.h"
#include "about/about_window.h"
#include "shell/mod_general.h"
#include "ui/picture_surface.h"

namespace {

QWidget* dot(AboutWindow& w, const char* name) {
  return w.picture()->findChild<QWidget*>(QString::fromLatin1(name));
}
// The dot's place in the picture's pixels.
QPoint placeOf(AboutWindow& w, const char* name) {
  return dot(w, name)->pos() - QPoint(w.picture()->border(), w.picture()->border());
}
int countColour(const QImage& img, const QColor& colour) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += QColor(img.pixel(x, y)) == colour;
  return n;
}
void ticks(AboutWindow& w, int count) {
  for (int i = 0; i < count; ++i) w.tick();
}
QImage cleanPicture() { return about::backgroundImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace

class TestAboutWindow : public QObject {
  Q_OBJECT

 private slots:
  void firstTickPlacesTheDots() {
    AboutWindow w;
    w.tick();
    QCOMPARE(w.angle1(), 0.5 - 0.2);
    QCOMPARE(w.angle2(), 0.2 - 0.3);
    QCOMPARE(w.angle3(), 0.35 + 0.25);
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
    ticks(w, 1);
    QVERIFY(std::fabs(w.angle3() - 6.1) < 1e-9);
    w.tick();
    QCOMPARE(w.angle3(), 0.0);  // 24 ticks: 6.35 is above 6.25
    ticks(w, 9);
    QVERIFY(std::fabs(w.angle1() - -6.1) < 1e-9);
    w.tick();
    QCOMPARE(w.angle1(), 0.0);  // 34 ticks: -6.3
    w.tick();
    QCOMPARE(w.angle1(), -0.2);
    QCOMPARE(w.angle3(), 0.25 * 11);
  }

  void hiddenDotIsStillMoved() {
    AboutWindow w;
    w.timer()->stop();
    ticks(w, 6);  // Angle1 = -0.7: still drawn
    const int yellowBefore = countColour(w.picture()->image(), QColor(255, 255, 0));
    w.tick();  // Angle1 = -0.9: hidden arc
    QVERIFY(dot(w, "PB1")->isHidden());
    const double a = w.angle1();
    QCOMPARE(placeOf(w, "PB1"), QPoint(int(std::floor(0.9 * 62 * std::cos(a) + 0.95 * 62)),
                                       int(std::floor(62 / 2.0 * std::sin(a) + 0.95 * 62))));
    QCOMPARE(countColour(w.picture()->image(), QColor(255, 255, 0)), yellowBefore);
    ticks(w, 7);  // Angle1 = -2.3: drawing again
    QVERIFY(!dot(w, "PB1")->isHidden());
    QVERIFY(countColour(w.picture()->image(), QColor(255, 255, 0)) > yellowBefore);
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
    // Closed without being destroyed, it also comes back as new and ticking.
    AboutWindow kept;
    kept.show();
    ticks(kept, 5);
    kept.close();
    QVERIFY(!kept.timer()->isActive());
    kept.show();
    QCOMPARE(kept.angle3(), 0.35);
    QCOMPARE(kept.picture()->image(), cleanPicture());
    QCOMPARE(placeOf(kept, "PB3"), QPoint(224, 40));
    QVERIFY(kept.timer()->isActive());
  }
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
