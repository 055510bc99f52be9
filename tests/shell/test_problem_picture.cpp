// The two problem statements of the main window: drawn as text and paths at
// the screen's device pixel ratio, the same on the window as on an image.
#include <QtTest>

#include "shell/problem_picture.h"
#include "support/at_scale.h"

namespace {

// Rows of the image that hold some dark (ink) pixel.
int inkedRows(const QImage& img) {
  int rows = 0;
  for (int y = 0; y < img.height(); ++y) {
    bool ink = false;
    for (int x = 0; x < img.width() && !ink; ++x) ink = qGray(img.pixel(x, y)) < 96;
    rows += ink;
  }
  return rows;
}

}  // namespace

class TestProblemPicture : public QObject {
  Q_OBJECT

 private slots:
  // Drawn for ratio 2 the statement has four times the pixels and finer
  // edges than the ratio-1 drawing stretched, with ink on as many rows.
  void statementIsVectorDrawn_data() {
    QTest::addColumn<int>("problem");
    QTest::addColumn<QSize>("size");
    QTest::newRow("P0") << int(Problem::P0) << QSize(467, 87);
    QTest::newRow("Pepsilon") << int(Problem::Pepsilon) << QSize(472, 108);
  }
  void statementIsVectorDrawn() {
    QFETCH(int, problem);
    QFETCH(QSize, size);
    const QImage one = test::plain(problemStatementImage(Problem(problem), size, 1.0));
    const QImage two = test::plain(problemStatementImage(Problem(problem), size, 2.0));
    QCOMPARE(one.size(), size);
    QCOMPARE(two.size(), size * 2);
    QVERIFY(inkedRows(one) > size.height() / 3);
    QVERIFY(inkedRows(two) > inkedRows(one));
  }

  // On the window the picture shows, inside its sunken border, exactly the
  // statement drawn at the window's ratio.
  void windowShowsTheStatementAtItsRatio_data() { test::addScaleRows(); }
  void windowShowsTheStatementAtItsRatio() {
    QFETCH(QString, scale);
    ORV_AT_SCALE(scale);
    ProblemPicture picture(Problem::P0, QSize(467, 87));
    picture.resize(471, 91);
    picture.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picture));
    QCOMPARE(picture.devicePixelRatioF(), scale.toDouble());
    test::checkSharp(&picture, 2, problemStatementImage(Problem::P0, QSize(467, 87), scale.toDouble()),
                     problemStatementImage(Problem::P0, QSize(467, 87), 1.0));
  }
};

QTEST_MAIN(TestProblemPicture)
#include "test_problem_picture.moc"
