// The About window: the three orbits (places, wraps, hidden arc), a clean restart, and the
// picture named for a screen reader. Its sharpness at each screen scale: test_desktop.
#include <QPointer>
#include <QtTest>

#include "about/about_background.h"
#include "about/about_window.h"
#include "shell/mod_general.h"
#include "ui/picture_surface.h"

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
QImage cleanPicture() { return about::backgroundImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace

class TestAboutWindow : public QObject {
  Q_OBJECT

 private slots:
  // The first step draws each orbit; dot 1 moves on along its hidden arc without drawing, then
  // draws again. A screen reader names the picture and says what it shows, in French.
  void orbitsDrawTheirSteps() {
    AboutWindow w;
    QVERIFY(w.picture()->accessibleName().contains("Image"));
    QVERIFY(w.picture()->accessibleDescription().contains("orbites"));
    const QImage before = w.picture()->image();
    w.tick();
    for (const char* dot : {"PB1", "PB2", "PB3"})
      QVERIFY2(w.picture()->image().pixel(placeOf(w, dot)) != before.pixel(placeOf(w, dot)), dot);
    for (int k = 0; k < 5; ++k) w.tick();  // Angle1 = -0.7: still drawn
    const int yellowBefore = yellowCount(w.picture()->image());
    const QPoint placeBefore = placeOf(w, "PB1");
    w.tick();  // Angle1 = -0.9: hidden arc
    QVERIFY(w.picture()->findChild<QWidget*>("PB1")->isHidden());
    QVERIFY(placeOf(w, "PB1") != placeBefore);
    QCOMPARE(yellowCount(w.picture()->image()), yellowBefore);
    for (int k = 0; k < 7; ++k) w.tick();  // Angle1 = -2.3: drawing again
    QVERIFY(yellowCount(w.picture()->image()) > yellowBefore);
  }

  void reopenedWindowStartsClean() {
    ModGeneral::setFactory(WindowKind::FrmAPropos, [] { return new AboutWindow; });
    auto* w = qobject_cast<AboutWindow*>(ModGeneral::showWindow(WindowKind::FrmAPropos));
    for (int k = 0; k < 15; ++k) w->tick();
    QPointer<AboutWindow> guard(w);
    w->close();
    QTRY_VERIFY(guard.isNull());
    w = qobject_cast<AboutWindow*>(ModGeneral::showWindow(WindowKind::FrmAPropos));
    QCOMPARE(w->angle1(), 0.5);
    QCOMPARE(w->picture()->image(), cleanPicture());
    w->close();
  }
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
