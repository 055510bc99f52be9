// The About window: the three orbits (places, wraps, hidden arc), a clean restart, and the
// picture made at the screen's device pixel ratio, captions in the embedded face, the picture
// named for a screen reader.
#include <QPointer>
#include <QProcess>
#include <QtTest>
#include <cmath>

#include "about/about_background.h"
#include "about/about_window.h"
#include "shell/mod_general.h"
#include "support/caption_fit.h"
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
QImage plain(QImage img) {
  img = img.convertToFormat(QImage::Format_RGB32);
  img.setDevicePixelRatio(1.0);
  return img;
}
bool passesAtScale(const char* function, const QString& scale, QString* output) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_SCALE_FACTOR", scale);
  env.insert("ORV_TEST_SCALE", scale);
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(function)});
  child.waitForFinished(60000);
  *output = QString::fromLocal8Bit(child.readAll());
  return child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

}  // namespace

class TestAboutWindow : public QObject {
  Q_OBJECT

 private slots:
  void captionsStandWholeAtTheirSize_data() {
    QTest::addColumn<QString>("control");
    for (const char* c :
         {"Frame4", "Label12", "Frame1", "Label1", "Label2", "Label3", "Label4", "Label5"})
      QTest::newRow(c) << c;
  }

  // In the embedded face at the window's 8.25 pt, whole in its box; the
  // frames' labels inside their borders.
  void captionsStandWholeAtTheirSize() {
    QFETCH(QString, control);
    AboutWindow w;
    QVERIFY(!ui::typefaceFamily().isEmpty());
    const QList<test::CaptionFit> fits = test::captionFits(&w);
    const auto it = std::find_if(fits.begin(), fits.end(), [&](const test::CaptionFit& c) {
      return c.widget->objectName() == control;
    });
    QVERIFY2(it != fits.end(), qPrintable(control));
    QCOMPARE(it->widget->font().family(), ui::typefaceFamily());
    QCOMPARE(it->widget->font().pointSizeF(), 8.25);
    QVERIFY2(it->overflow() <= 0,
             qPrintable(it->text + QStringLiteral(": %1 px too wide").arg(it->overflow())));
    QCOMPARE(test::childrenOutsideFrames<ui::Frame>(&w), QStringList());
  }

  // A screen reader names the picture and says what it shows, in French.
  void pictureIsNamed() {
    AboutWindow w;
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
    w.tick();  // Angle1 = -0.9: hidden arc
    QVERIFY(w.picture()->findChild<QWidget*>("PB1")->isHidden());
    const double a = w.angle1();
    QCOMPARE(placeOf(w, "PB1"), QPoint(int(std::floor(0.9 * 62 * std::cos(a) + 0.95 * 62)),
                                       int(std::floor(62 / 2.0 * std::sin(a) + 0.95 * 62))));
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
    const QImage fine = plain(about::backgroundImage(dpr));
    QCOMPARE(fine.size(), QSize(qCeil(124 * dpr), qCeil(124 * dpr)));
    QVERIFY(
        fine !=
        plain(cleanPicture()).scaled(fine.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    if (qEnvironmentVariable("ORV_TEST_SCALE").isEmpty()) {
      QString output;
      QVERIFY2(passesAtScale("pictureAtDeviceRatio", scale, &output), qPrintable(output));
      return;
    }
    if (qEnvironmentVariable("ORV_TEST_SCALE") != scale) QSKIP("another scale");
    AboutWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.timer()->stop();
    QVERIFY(plain(w.picture()->image()) == fine);
    w.tick();
    QCOMPARE(placeOf(w, "PB1"), QPoint(112, 68));
    // The top rows of the picture hold no dot: there the grab is the picture.
    const QImage grabbed = plain(w.picture()->grab().toImage());
    const int b = qRound(2 * dpr), rows = qFloor(16 * dpr);
    QVERIFY(grabbed.copy(b, b, fine.width(), rows) ==
            plain(w.picture()->image()).copy(0, 0, fine.width(), rows));
  }
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
