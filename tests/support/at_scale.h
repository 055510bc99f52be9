// Runs a test function again in a child process whose screens have another
// scale factor, so a drawing can be checked at device pixel ratio 1.25, 1.5 or 2.
#pragma once
#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QtTest>

namespace test {

// The image in 32-bit RGB at ratio 1, to compare pixel for pixel.
inline QImage plain(QImage img) {
  img = img.convertToFormat(QImage::Format_RGB32);
  img.setDevicePixelRatio(1.0);
  return img;
}

// The rows of a device-ratio test: screens scaled by 1.25, 1.5 and 2.
inline void addScaleRows() {
  QTest::addColumn<QString>("scale");
  for (const char* scale : {"1.25", "1.5", "2"}) QTest::newRow(scale) << QString::fromLatin1(scale);
}

// Sharp at the device ratio of `w`'s screen: its grab has that many more
// pixels; inside its `border`, the device pixels `band` of the picture (all
// of it when empty) show `picture` pixel for pixel; and `picture` was drawn
// at that ratio, not `atOne` stretched.
inline void checkSharp(QWidget* w, int border, const QImage& picture, const QImage& atOne,
                       QRect band = QRect()) {
  const qreal dpr = w->devicePixelRatioF();
  const QImage grabbed = plain(w->grab().toImage());
  QCOMPARE(grabbed.size(), (QSizeF(w->size()) * dpr).toSize());  // as Qt rounds it
  const QImage pic = plain(picture);
  if (band.isNull()) band = pic.rect();
  const int b = qRound(border * dpr);
  QVERIFY(grabbed.copy(band.translated(b, b)) == pic.copy(band));
  QVERIFY(pic != plain(atOne).scaled(pic.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

// Runs `function` of this test program in a child whose screens have the
// scale factor `scale`; true when it passed, its output in `output`.
inline bool passesAtScale(const char* function, const QString& scale, QString* output) {
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

}  // namespace test

// In the test run, hands the current test function to a child at `scale`
// (scale "1" runs here); in that child, goes on for its own scale only.
#define ORV_AT_SCALE(scale)                                                        \
  do {                                                                             \
    const QString running_ = qEnvironmentVariable("ORV_TEST_SCALE");               \
    if (running_.isEmpty() && (scale) != QLatin1String("1")) {                     \
      QString output_;                                                             \
      QVERIFY2(test::passesAtScale(QTest::currentTestFunction(), scale, &output_), \
               qPrintable(output_));                                               \
      return;                                                                      \
    }                                                                              \
    if (!running_.isEmpty() && running_ != (scale)) QSKIP("another scale");        \
  } while (0)
