// The About window: layout texts, the background picture, the three orbits
// (places, wraps, hidden arcs) and a clean restart on every opening.
#include <QGroupBox>
#include <QLabel>
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
    for (int x = 0; x < img.width(); ++x)
      if (QColor(img.pixel(x, y)) == colour) ++n;
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
  void layoutAndTexts();
  void backgroundPicture();
  void loadStartsTheAnimation();
  void firstTickPlacesTheDots();
  void anglesWrap();
  void hiddenDotIsStillMoved();
  void pathsAccumulate();
  void reopenedWindowStartsClean();
  void timerTicksByItself();
};

void TestAboutWindow::layoutAndTexts() {
  AboutWindow w;
  QCOMPARE(w.objectName(), QStringLiteral("FrmAPropos"));
  QCOMPARE(w.windowTitle(), QStringLiteral("A PROPOS DE ORVALEND"));
  QCOMPARE(w.size(), QSize(334, 177));
  QCOMPARE(w.findChild<QLabel*>("Label12")->text(),
           QStringLiteral("ORVALEND Version 2.0    (05/2002)"));
  QCOMPARE(w.findChild<QGroupBox*>("Frame4")->title(), QStringLiteral("Version du logiciel"));
  QCOMPARE(w.findChild<QGroupBox*>("Frame1")->title(), QStringLiteral("Auteur du logiciel ORVALEND"));
  QCOMPARE(w.findChild<QLabel*>("Label1")->text(), AboutWindow::authorName());
  for (const char* name : {"Label2", "Label3", "Label4"})
    QVERIFY(!w.findChild<QLabel*>(name)->text().isEmpty());
  auto* label5 = w.findChild<QLabel*>("Label5");
  QCOMPARE(label5->text(), QStringLiteral("Etude comparative d'un problème de chaleur de type "
                                          "parabolique et de type hyperbolique (Mervodan)."));
  QVERIFY(label5->wordWrap());
  QCOMPARE(label5->geometry(), QRect(4, 122, 192, 47));
  QCOMPARE(w.picture()->geometry(), QRect(202, 42, 128, 128));
  QCOMPARE(w.picture()->drawingRect().size(), QSize(124, 124));
  for (const char* name : {"PB1", "PB2", "PB3"}) QCOMPARE(dot(w, name)->size(), QSize(3, 3));
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  ticks(w, 40);
  if (qEnvironmentVariableIsSet("ORV_SHOT")) w.grab().save(QStringLiteral("/tmp/B_about.png"));
}

void TestAboutWindow::backgroundPicture() {
  const QImage img = about::backgroundImage();
  QCOMPARE(img.size(), QSize(124, 124));
  QCOMPARE(img.format(), QImage::Format_Indexed8);
  QCOMPARE(img.colorCount(), 256);
  QCOMPARE(img.depth(), 8);
  QVERIFY(img == about::backgroundImage());  // made the same way every time
}

void TestAboutWindow::loadStartsTheAnimation() {
  AboutWindow w;
  QCOMPARE(w.angle1(), 0.5);
  QCOMPARE(w.angle2(), 0.2);
  QCOMPARE(w.angle3(), 0.35);
  QTimer* timer = w.findChild<QTimer*>("TmrAPropos");
  QVERIFY(timer);
  QCOMPARE(timer->interval(), 100);
  QVERIFY(timer->isActive());
  QCOMPARE(placeOf(w, "PB1"), QPoint(39, 44));
  QCOMPARE(placeOf(w, "PB2"), QPoint(76, 28));
  QCOMPARE(placeOf(w, "PB3"), QPoint(224, 40));
  QCOMPARE(w.picture()->image(), cleanPicture());
}

void TestAboutWindow::firstTickPlacesTheDots() {
  AboutWindow w;
  w.tick();
  QCOMPARE(w.angle1(), 0.5 - 0.2);
  QCOMPARE(w.angle2(), 0.2 - 0.3);
  QCOMPARE(w.angle3(), 0.35 + 0.25);
  // Angle 0.3 on orbit 1, -0.1 on orbit 2, 0.6 on orbit 3 (worked by hand
  // from the orbit formulas with W2 = H2 = 62).
  QCOMPARE(placeOf(w, "PB1"), QPoint(112, 68));
  QCOMPARE(placeOf(w, "PB2"), QPoint(100, 17));
  QCOMPARE(placeOf(w, "PB3"), QPoint(41, 104));
  for (const char* name : {"PB1", "PB2", "PB3"}) QVERIFY2(!dot(w, name)->isHidden(), name);
  // Each visible dot drew its step: the segment ends at its new place.
  const QImage img = w.picture()->image();
  QCOMPARE(QColor(img.pixel(112, 68)), QColor(255, 255, 0));
  QCOMPARE(QColor(img.pixel(100, 17)), QColor(255, 0, 0));
  QCOMPARE(QColor(img.pixel(41, 104)), QColor(0, 255, 0));
  // Orbit 1 from angle 0.5 (place (107, 73)) to 0.3.
  QCOMPARE(QColor(img.pixel(107, 73)), QColor(255, 255, 0));
}

void TestAboutWindow::anglesWrap() {
  AboutWindow w;
  ticks(w, 21);
  QVERIFY(w.angle2() < -6.0 && w.angle2() > -6.25);
  w.tick();  // the 22nd: 0.2 - 6.6 is below -6.25
  QCOMPARE(w.angle2(), 0.0);
  ticks(w, 1);
  QVERIFY(std::fabs(w.angle3() - 6.1) < 1e-9);  // 23 ticks
  w.tick();
  QCOMPARE(w.angle3(), 0.0);  // 24 ticks: 6.35 is above 6.25
  ticks(w, 9);
  QVERIFY(std::fabs(w.angle1() - -6.1) < 1e-9);  // 33 ticks
  w.tick();
  QCOMPARE(w.angle1(), 0.0);  // 34 ticks: -6.3
  // After the wrap the angles go on from 0.
  w.tick();
  QCOMPARE(w.angle1(), -0.2);
  QCOMPARE(w.angle3(), 0.0 + 0.25 * 11);
}

void TestAboutWindow::hiddenDotIsStillMoved() {
  AboutWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.timer()->stop();
  ticks(w, 6);  // Angle1 = -0.7: still drawn
  QVERIFY(!dot(w, "PB1")->isHidden());
  const int yellowBefore = countColour(w.picture()->image(), QColor(255, 255, 0));
  const QPoint before = placeOf(w, "PB1");
  w.tick();  // Angle1 = -0.9: hidden arc
  QVERIFY(w.angle1() < -0.8 && w.angle1() > -2.2);
  QVERIFY(dot(w, "PB1")->isHidden());
  QVERIFY(placeOf(w, "PB1") != before);
  const double a = w.angle1();
  QCOMPARE(placeOf(w, "PB1"), QPoint(int(std::floor(0.9 * 62 * std::cos(a) + 0.95 * 62)),
                                     int(std::floor(62 / 2.0 * std::sin(a) + 0.95 * 62))));
  QCOMPARE(countColour(w.picture()->image(), QColor(255, 255, 0)), yellowBefore);
  ticks(w, 7);  // Angle1 = -2.3: out of the hidden arc, drawing again
  QVERIFY(!dot(w, "PB1")->isHidden());
  QVERIFY(countColour(w.picture()->image(), QColor(255, 255, 0)) > yellowBefore);
}

void TestAboutWindow::pathsAccumulate() {
  // The animation never erases: the pixels changed from the clean picture
  // only grow in number, and after full revolutions all three colours stand.
  AboutWindow w;
  w.timer()->stop();
  const QImage clean = cleanPicture();
  auto changed = [&clean](const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixel(x, y) != clean.pixel(x, y)) ++n;
    return n;
  };
  int last = 0;
  for (int round = 0; round < 8; ++round) {
    ticks(w, 10);
    const int now = changed(w.picture()->image());
    QVERIFY(now >= last);
    last = now;
  }
  for (const QColor& c : {QColor(255, 255, 0), QColor(255, 0, 0), QColor(0, 255, 0)})
    QVERIFY(countColour(w.picture()->image(), c) > 50);
}

void TestAboutWindow::reopenedWindowStartsClean() {
  ModGeneral::setFactory(WindowKind::FrmAPropos, [] { return new AboutWindow; });
  auto* w = qobject_cast<AboutWindow*>(ModGeneral::showWindow(WindowKind::FrmAPropos));
  QVERIFY(w);
  ticks(*w, 15);
  QVERIFY(w->picture()->image() != cleanPicture());
  QPointer<AboutWindow> guard(w);
  w->close();
  QVERIFY(!w->timer()->isActive() || guard.isNull());
  QTRY_VERIFY(guard.isNull());
  w = qobject_cast<AboutWindow*>(ModGeneral::showWindow(WindowKind::FrmAPropos));
  QCOMPARE(w->angle1(), 0.5);
  QCOMPARE(w->picture()->image(), cleanPicture());
  w->close();

  // A window closed without being destroyed also comes back as new.
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

void TestAboutWindow::timerTicksByItself() {
  AboutWindow w;
  w.show();
  QTRY_VERIFY_WITH_TIMEOUT(w.angle1() < 0.5 - 0.3, 2000);  // a few 100-ms ticks
}

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
