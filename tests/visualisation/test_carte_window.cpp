// The space-time map: decimation keeps an isolated blow-up, the palette is
// symmetric about 0, the read-out, and tables replaced while the window is open.
#include <QCheckBox>
#include <QLabel>
#include <QtTest>
#include <cmath>

#include "app/windows.h"
#include "shell/mod_general.h"
#include "vis_support.h"
#include "visualisation/carte_window.h"
#include "visualisation/render_surface.h"

using core::Scheme;

namespace {

// One entry `peak` at (point, level) of an N x K table, drawn at `dpr`.
struct BlowUp {
  int N, K, point, level;
  double peak;
  bool logarithmic;
  qreal dpr;
};

}  // namespace

Q_DECLARE_METATYPE(BlowUp)

class TestCarteWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() { vistest::initWindowTest(); }
  void cleanup() { vistest::cleanupWindowTest(); }

  void blowUpStaysVisible_data() {
    QTest::addColumn<BlowUp>("row");
    QTest::newRow("more levels than pixels") << BlowUp{10, 100000, 4, 77777, 1e6, false, 1.0};
    QTest::newRow("both, negative peak") << BlowUp{3000, 3000, 1, 2999, -1e8, false, 1.0};
    QTest::newRow("both, signed log, scale 2") << BlowUp{3000, 3000, 2500, 1, 1e12, true, 2.0};
  }
  void blowUpStaysVisible() {
    QFETCH(BlowUp, row);
    const int N = row.N, K = row.K, point = row.point, level = row.level;
    const double peak = row.peak;
    // Small values everywhere, one entry far above them.
    vistest::fillTable(Scheme::P0, N, K, [&](int n, int i) {
      return n == level && i == point ? peak : 0.01 * std::sin(0.1 * i + 0.01 * n);
    });
    const core::Table2& sol = ModGeneral::state().SolP0;

    const vis::ReducedMap reduced = vis::reduceTable(sol, K + 1, N, 300, 200);
    QCOMPARE(reduced.maxAbs, std::fabs(peak));
    const std::int64_t c = std::int64_t(point - 1) * reduced.columns / N;
    const std::int64_t r = std::int64_t(level) * reduced.rows / (K + 1);
    QCOMPARE(reduced.at(c, r), peak);

    MapWindow w;
    w.findChild<QCheckBox*>(QStringLiteral("CheckLog"))->setChecked(row.logarithmic);
    const QSize size(520, 400);
    const QImage img = vistest::draw(w, size, row.dpr);
    const QRectF area = w.mapArea(QRectF(QPointF(0, 0), QSizeF(size)));
    const QColor extreme = vis::divergingColor(peak > 0 ? 1.0 : -1.0);
    QVERIFY(vistest::hasColour(img, extreme, area));
    // Only there: the rest of the map is pale.
    const QColor otherExtreme = vis::divergingColor(peak > 0 ? -1.0 : 1.0);
    QVERIFY(!vistest::hasColour(img, otherExtreme, area));
  }

  // Opposite values get opposite parameters, away from the colour of 0; the
  // logarithm lifts small values well above the linear scale.
  void paletteSymmetricAboutZero() {
    const double M = 250;
    for (bool log : {false, true}) {
      QCOMPARE(vis::paletteParameter(-M, M, log), -1.0);
      for (double v : {0.0, 3.0, M}) {
        QCOMPARE(vis::paletteParameter(-v, M, log), -vis::paletteParameter(v, M, log));
        QCOMPARE(vis::divergingColor(vis::paletteParameter(v, M, log)) == vis::divergingColor(0),
                 v == 0);
      }
    }
    QVERIFY(vis::paletteParameter(M * 1e-4, M, true) > 0.3);
  }

  void readOutUnderTheMouse() {
    vistest::fillTable(Scheme::P0, 9, 4, [](int n, int i) { return 10.0 * n + i; });
    MapWindow w;
    w.resize(700, 500);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.surface()->repaint();
    const QRectF area = w.mapArea(QRectF(w.surface()->rect()));
    // The middle of the cell of point 3 (x = 0.3), level 2 (t = 0.02 s).
    const QPointF at(area.left() + area.width() * 2.5 / 9, area.bottom() - area.height() * 2.5 / 5);
    QCOMPARE(w.readOut(at), QStringLiteral("x = 0,3 m   t = 0,02 s (n = 2)   u = 23 °C"));
    QCOMPARE(w.readOut(QPointF(2, 2)), QString());
  }

  void survivesTablesReplacedWhileOpen_data() {
    QTest::addColumn<int>("newN");
    QTest::addColumn<int>("newK");
    QTest::addColumn<bool>("recorded");
    QTest::newRow("larger table") << 3000 << 2000 << true;
    QTest::newRow("smaller table, unrecorded") << 2 << 1 << false;
    QTest::newRow("table gone") << 0 << 0 << false;
  }
  void survivesTablesReplacedWhileOpen() {
    QFETCH(int, newN);
    QFETCH(int, newK);
    QFETCH(bool, recorded);
    vistest::fillTable(Scheme::P0, 60, 500, [](int n, int i) { return std::sin(i * 0.1 * n); });
    auto* w = static_cast<MapWindow*>(ModGeneral::showWindow(WindowKind::FrmCarte));
    QVERIFY(w);
    (void)vistest::draw(*w, QSize(500, 400));
    const QRectF area = w->mapArea(QRectF(w->surface()->rect()));
    QVERIFY(!w->readOut(area.center()).isEmpty());

    vistest::replaceTable(newN, newK, recorded);
    // The mouse and a paint come before any timer has run.
    (void)w->readOut(area.center());
    (void)vistest::draw(*w, QSize(500, 400), 2.0);
    QTRY_COMPARE(w->source().levels(), newN == 0 ? 0 : newK + 1);
    QCOMPARE(w->source().points(), newN);
    QCOMPARE(w->readOut(area.center()).isEmpty(), newN == 0);
  }
};

QTEST_MAIN(TestCarteWindow)
#include "test_carte_window.moc"
