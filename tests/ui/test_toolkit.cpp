// The window toolkit. The picture surface: user scale, retained drawing,
// text printing and measuring, children in user units, drawing at the
// device pixel ratio. The result list: plain text lines, another line model
// shown in the view, copying exactly what is shown. The event pump of long
// runs: events only at polls once the interval has passed, the progress bar
// following the steps done.
#include <QApplication>
#include <QClipboard>
#include <QProgressBar>
#include <QScrollBar>
#include <QtTest>
#include <chrono>
#include <cmath>
#include <limits>

#include "support/at_scale.h"
#include "support/window_support.h"
#include "ui/event_pump.h"
#include "ui/picture_surface.h"
#include "ui/result_list.h"

using namespace std::chrono_literals;
using ui::PictureSurface;

namespace {

// Lines "line <row>" padded to `width` characters, none of them stored.
class GeneratedLines : public ui::LineListModel {
 public:
  GeneratedLines(int rows, int width, QObject* parent)
      : ui::LineListModel(parent), rows_(rows), width_(width) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : rows_;
  }
  QString line(int row) const override {
    return QStringLiteral("line %1").arg(row).leftJustified(width_, QLatin1Char('.'));
  }
  qsizetype widestLine() const override { return width_; }
  std::size_t bytesHeld() const override { return 0; }

 private:
  int rows_, width_;
};

}  // namespace

class TestToolkit : public QObject {
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

  // Segments that leave the picture are cut at its edges the same way
  // whether drawn one by one or as a polyline, and a curve cut in two is
  // drawn as two pieces.
  void polylineCutAtTheEdges() {
    PictureSurface one(nullptr, 0), many(nullptr, 0);
    for (PictureSurface* s : {&one, &many}) {
      s->resize(200, 100);
      s->setBackground(Qt::white);
    }
    const QPolygonF curve{{-50, 50}, {20, 10}, {40, 1e30}, {60, -1e300}, {80, 30}, {250, 120}};
    many.drawPolyline(curve, Qt::red);
    for (qsizetype k = 1; k < curve.size(); ++k)
      one.drawLine(curve[k - 1].x(), curve[k - 1].y(), curve[k].x(), curve[k].y(), Qt::red);
    QVERIFY(one.image() == many.image());
    QCOMPARE(QColor(many.image().pixel(20, 10)), QColor(Qt::red));
  }

  // A drawing that never ends (the About orbits) keeps a bounded record:
  // beyond it the record becomes the picture, which stays as drawn.
  void endlessDrawingKeepsBoundedRecord() {
    PictureSurface s(nullptr, 0);
    s.resize(50, 50);
    s.setBackground(Qt::black);
    const QColor colours[] = {Qt::yellow, Qt::red, Qt::green};
    for (int k = 0; k < 70000; ++k)
      s.drawLine(k % 47, (k * 7) % 43, (k * 3) % 41, (k * 5) % 49, colours[k % 3]);
    QVERIFY(s.recordedOps() < 70000);
    QVERIFY(s.image() == s.renderedAt(1.0));
    s.drawLine(0, 0, 49, 0, Qt::blue);
    QCOMPARE(QColor(s.image().pixel(25, 0)), QColor(Qt::blue));
    QVERIFY(s.image() == s.renderedAt(1.0));
  }

  // On a screen scaled by 1.25, 1.5 or 2 the drawing is made at that ratio:
  // a line's edge falls on a device pixel, not on a stretched picture pixel.
  void grabsAtDeviceRatio_data() { test::addScaleRows(); }
  void grabsAtDeviceRatio() {
    QFETCH(QString, scale);
    ORV_AT_SCALE(scale);
    const qreal dpr = scale.toDouble();
    PictureSurface s(nullptr, 2);
    s.resize(204, 104);
    s.setBackground(Qt::white);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    s.drawLine(10.25, 0, 10.25, 99, Qt::blue);  // a vertical line a quarter pixel in
    s.drawLine(20, 90, 190, 10, Qt::blue);
    s.setTextPos(120, 60);
    s.print("U = 0,41 °C");
    QCOMPARE(s.image().size(), QSize(qCeil(200 * dpr), qCeil(100 * dpr)));
    test::checkSharp(&s, 2, s.image(), s.renderedAt(1.0));
    // The line's left edge: the device pixel where 10.25 lands.
    const QImage picture = test::plain(s.image());
    const int edge = qRound(10.25 * dpr), y = qRound(50 * dpr);
    QCOMPARE(QColor(picture.pixel(edge, y)), QColor(Qt::blue));
    QCOMPARE(QColor(picture.pixel(edge - 1, y)), QColor(Qt::white));
  }

  // Plain text lines; another model shown in their place until it goes (the
  // list's clearing and width are the window and long-list tests').
  void textLinesThenAnotherModel() {
    QWidget w;
    auto* view = new ui::ResultListView(&w);
    view->setObjectName("ListRes");
    auto* model = view->resultModel();
    model->appendLine("E1 = 0,0010000000");
    model->appendLine("E2 = 0,0002500000 and more");
    QCOMPARE(test::lines(&w, "ListRes"),
             QStringList({"E1 = 0,0010000000", "E2 = 0,0002500000 and more"}));
    auto* generated = new GeneratedLines(3, 8, view);
    view->setLineModel(generated);
    QCOMPARE(test::lines(&w, "ListRes"), QStringList({"line 0..", "line 1..", "line 2.."}));
    delete generated;
    QCOMPARE(test::lines(&w, "ListRes"),
             QStringList({"E1 = 0,0010000000", "E2 = 0,0002500000 and more"}));
  }

  // A long list is laid out as a grid of one line size: every line at its
  // place down to the last, and the width follows the widest line as lines
  // are appended.
  void longListsLaidOutLineByLine() {
    ui::ResultListView view;
    view.resize(300, 200);
    view.show();
    auto* many = new GeneratedLines(200000, 30, &view);
    view.setLineModel(many);
    view.scrollToBottom();
    QCoreApplication::processEvents();
    const int lineHeight = view.visualRect(many->index(0, 0)).height();
    const QRect last = view.visualRect(many->index(199999, 0));
    QVERIFY(lineHeight > 0 && view.viewport()->rect().contains(last));
    QCOMPARE(view.visualRect(many->index(199998, 0)).top() + lineHeight, last.top());
    QCOMPARE(view.indexAt(last.center()).row(), 199999);
    // Scrolling by pixels still steps a whole line at a time.
    QCOMPARE(view.verticalScrollBar()->singleStep(), lineHeight);
    view.setLineModel(nullptr);
    view.resultModel()->appendLine("court");
    QCoreApplication::processEvents();
    const int narrow = view.horizontalScrollBar()->maximum();
    view.resultModel()->appendLine(QString(400, QLatin1Char('x')));
    QCoreApplication::processEvents();
    QVERIFY(view.horizontalScrollBar()->maximum() > narrow + 300);
  }

  // Ctrl+C copies the selected lines as shown, in order; a selection too
  // large for the clipboard is refused and the clipboard kept.
  void ctrlCCopiesTheSelectedLinesAsShown() {
    ui::ResultListView view;
    for (const char* l : {"E1 = 1", "E2 = 2", "E4 = 3", "E8 = 4", "E16 = 5"})
      view.resultModel()->appendLine(l);
    view.show();
    auto* sel = view.selectionModel();
    sel->select(view.model()->index(4, 0), QItemSelectionModel::Select);
    sel->select(QItemSelection(view.model()->index(0, 0), view.model()->index(1, 0)),
                QItemSelectionModel::Select);
    QApplication::clipboard()->clear();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("E1 = 1\nE2 = 2\nE16 = 5"));
    view.setLineModel(new GeneratedLines(6000, 12000, &view));
    view.selectAll();
    QApplication::clipboard()->setText("avant");
    test::BoxCatcher boxes;
    view.copySelection();
    QVERIFY(boxes.last().startsWith("La sélection est trop grande"));
    QCOMPARE(QApplication::clipboard()->text(), QString("avant"));
  }

  // The clock is read every stride steps; events run only once the interval
  // has passed, or when a pass is asked for. The bar shows the steps done (in
  // millionths beyond int), at most every bar interval.
  void eventPump() {
    ui::EventPump strided(nullptr, 0ms);
    strided.setStride(100);
    for (std::int64_t m = 0; m < 1000; ++m) strided.atStep(m, 1000);
    QCOMPARE(strided.polls(), 10);
    QCOMPARE(strided.passes(), 10);
    int posted = 0;
    QMetaObject::invokeMethod(
        this, [&] { ++posted; }, Qt::QueuedConnection);
    ui::EventPump gated(nullptr, 1h);
    gated.setStride(1);
    for (std::int64_t m = 0; m < 10000; ++m) gated.atStep(m, 20000);
    QCOMPARE(gated.polls(), 10000);
    QCOMPARE(gated.passes() + posted, 0);
    gated.yieldOnce();
    QCOMPARE(posted, 1);

    QProgressBar bar;
    ui::EventPump pump(&bar, 0ms, 0ms);
    pump.setStride(1);
    pump.atStep(150, 200);
    QCOMPARE(QPoint(bar.value(), bar.maximum()), QPoint(150, 200));
    const std::int64_t huge = std::int64_t{std::numeric_limits<int>::max()} * 4;
    pump.atStep(huge / 2, huge);
    QCOMPARE(QPoint(bar.value(), bar.maximum()), QPoint(500'000, 1'000'000));
    ui::EventPump slow(&bar, 0ms, 1h);
    slow.setStride(1);
    slow.atStep(10, 100);  // the first pass sets the range and shows
    slow.atStep(20, 100);
    QCOMPARE(bar.value(), 10);
    QCOMPARE(slow.passes(), 2);  // events ran all the same
  }
};

QTEST_MAIN(TestToolkit)
#include "test_toolkit.moc"
