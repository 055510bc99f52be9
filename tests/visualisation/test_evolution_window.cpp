// The two views of a solution table. The evolution window: the curve drawn is the chosen level,
// the fixed scale holds the run's largest |u|, the exact solution beside consistency runs, kept
// runs. The space-time map: decimation keeps an isolated blow-up, the palette is symmetric about
// 0, the read-out. Both: tables replaced while the window is open.
#include <QCheckBox>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>
#include <cmath>

#include "app/windows.h"
#include "core/memory_budget.h"
#include "shell/mod_general.h"
#include "support/reference_solution.h"
#include "ui/colours.h"
#include "vis_support.h"
#include "visualisation/carte_window.h"
#include "visualisation/evolution_window.h"
#include "visualisation/render_surface.h"

using core::Scheme;

Q_DECLARE_METATYPE(core::Scheme)

namespace {

const QColor& kCurve = ui::colour::blue;

double wave(int n, int i) { return std::sin(0.7 * i + n) * (1.0 + n); }

QSlider* slider(QWidget& w) { return w.findChild<QSlider*>(QStringLiteral("SliderNiveau")); }

// One entry `peak` at (point, level) of an N x K table, drawn at `dpr`.
struct BlowUp {
  int N, K, point, level;
  double peak;
  bool logarithmic;
  qreal dpr;
};

}  // namespace

Q_DECLARE_METATYPE(BlowUp)

class TestEvolutionWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() { vistest::initWindowTest(); }
  void cleanup() { vistest::cleanupWindowTest(); }

  void curveIsTheChosenLevel_data() {
    QTest::addColumn<Scheme>("scheme");
    QTest::addColumn<int>("level");
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QString>("text");
    QTest::newRow("P0 level 0") << Scheme::P0 << 0 << 1.0 << "n = 0   t = 0 s";
    QTest::newRow("P0 last level, scale 2") << Scheme::P0 << 6 << 2.0 << "n = 6   t = 0,06 s";
    QTest::newRow("Pepsilon level 5, scale 2") << Scheme::Peps << 5 << 2.0 << "n = 5   t = 0,05 s";
  }
  void curveIsTheChosenLevel() {
    QFETCH(Scheme, scheme);
    QFETCH(int, level);
    QFETCH(qreal, dpr);
    QFETCH(QString, text);
    const int N = 9, K = 6;
    vistest::fillTable(scheme, N, K, wave);
    EvolutionWindow w;
    w.chooseScheme(scheme);
    slider(w)->setValue(level);
    QCOMPARE(w.level(), level);
    QCOMPARE(w.levelText(), text);
    const QSize size(600, 400);
    const QImage img = vistest::draw(w, size, dpr);
    const vis::Mapping m = w.mapping(QRectF(QPointF(0, 0), QSizeF(size)));
    const double h = 1.0 / (N + 1);
    const int other = level == 0 ? 1 : 0;
    for (int i = 1; i <= N; ++i) {
      const QPointF at(m.px(i * h), m.py(wave(level, i)));
      QVERIFY2(vistest::colourNear(img, at, kCurve), qPrintable(QStringLiteral("point %1").arg(i)));
      // Where another level stands apart from this one, no curve is drawn.
      if (std::fabs(m.py(wave(other, i)) - at.y()) >= 12)
        QVERIFY(!vistest::colourNear(img, QPointF(at.x(), m.py(wave(other, i))), kCurve, 0));
    }
  }

  // More points than pixel columns: each column reduced to its extremes
  // still reaches every isolated peak and follows the smooth part.
  void longLevelKeepsItsExtremes_data() {
    QTest::addColumn<int>("N");
    QTest::addColumn<int>("up");
    QTest::addColumn<int>("down");
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("200000 points, scale 2") << 200000 << 199999 << 100000 << 2.0;
    QTest::newRow("a million points") << 1000000 << 1 << 999999 << 1.0;
  }
  void longLevelKeepsItsExtremes() {
    QFETCH(int, N);
    QFETCH(int, up);
    QFETCH(int, down);
    QFETCH(qreal, dpr);
    const double h = 1.0 / (N + 1);
    auto value = [&](int, int i) {
      return i == up ? 1.0 : i == down ? -1.0 : 0.3 * std::sin(20 * 3.14159 * i * h);
    };
    vistest::fillTable(Scheme::P0, N, 1, value);
    EvolutionWindow w;
    const QSize size(600, 400);
    const QImage img = vistest::draw(w, size, dpr);
    const vis::Mapping m = w.mapping(QRectF(QPointF(0, 0), QSizeF(size)));
    QVERIFY(vistest::colourNear(img, QPointF(m.px(up * h), m.py(1.0)), kCurve));
    QVERIFY(vistest::colourNear(img, QPointF(m.px(down * h), m.py(-1.0)), kCurve));
    for (int i = N / 17; i < N; i += N / 17) {
      if (std::abs(i - up) < N / 100 || std::abs(i - down) < N / 100) continue;
      QVERIFY2(vistest::colourNear(img, QPointF(m.px(i * h), m.py(value(0, i))), kCurve),
               qPrintable(QString::number(i)));
    }
  }

  void scaleHoldsLargestMagnitude_data() {
    QTest::addColumn<int>("peakLevel");
    QTest::addColumn<double>("peak");
    QTest::addColumn<int>("stoppedAfterRow");  // 0: the run reached K
    QTest::newRow("positive peak at the first level") << 0 << 5.0 << 0;
    QTest::newRow("peak in the middle") << 4 << 1e6 << 0;
    QTest::newRow("peak after a stop is left out") << 7 << 1e9 << 5;
  }
  void scaleHoldsLargestMagnitude() {
    QFETCH(int, peakLevel);
    QFETCH(double, peak);
    QFETCH(int, stoppedAfterRow);
    const int N = 7, K = 8;
    vistest::fillTable(Scheme::P0, N, K, [&](int n, int i) {
      return n == peakLevel && i == 3 ? peak : 0.5 * std::cos(i + n);
    });
    if (stoppedAfterRow) ModGeneral::state().SolP0.stoppedAfterRow(stoppedAfterRow);
    EvolutionWindow w;
    double largest = 0;
    const int lastLevel = stoppedAfterRow ? stoppedAfterRow - 1 : K;
    for (int n = 0; n <= lastLevel; ++n)
      for (int i = 1; i <= N; ++i)
        largest = std::max(largest, std::fabs(ModGeneral::state().SolP0(n + 1, i)));
    QCOMPARE(slider(w)->maximum(), lastLevel);
    for (int n : {0, lastLevel}) {
      slider(w)->setValue(n);
      const auto [lo, hi] = w.valueRange();
      QVERIFY(lo <= 0 && hi >= largest && hi <= largest * 1.2);  // symmetric, with a margin
    }
    // A scale per level follows the level instead.
    w.findChild<QCheckBox*>(QStringLiteral("CheckEchelle"))->setChecked(true);
    slider(w)->setValue(peakLevel == 0 ? 1 : 0);
    QVERIFY(std::max(-w.valueRange().first, w.valueRange().second) < 1.0);
  }

  // After a consistency run the exact curve is drawn, its values uexacte(x_i, T) as the study
  // computes them; a stability run then replacing the table takes it away.
  void exactSolutionBesideConsistencyRuns() {
    QWidget* consist = ModGeneral::showWindow(WindowKind::frmConsistP0);
    QCOMPARE(test::click(consist, "CmdCalculerH",
                         {.N = "9", .T = "0.1", .K = "20", .a = "1", .d = "1", .w = "3",
                          .phi = "0.5", .R = "0", .S = "0"}),
             QStringList());
    EvolutionWindow w;
    QVERIFY(w.source().hasExact());
    std::vector<double> exact;
    w.source().exactLevel(20, exact);
    const core::StudyState& s = ModGeneral::state();
    for (int i = 1; i <= 9; ++i)
      QCOMPARE(reftest::bits(exact[i - 1]),
               reftest::bits(std::cos(3 * (20 * s.Tau) + 0.5) * (std::sin(s.h * (i * s.Pi)) * 1.0)));
    slider(w)->setValue(10);
    QVERIFY(vistest::hasColour(vistest::draw(w, QSize(600, 400)), ui::colour::red));  // exact
    QWidget* stab = ModGeneral::showWindow(WindowKind::frmstabp0);
    QCOMPARE(
        test::click(stab, "CmdCalculs", {.N = "9", .T = "0.1", .K = "20", .a = "1", .u0 = "1"}),
        QStringList());
    w.synchronise();
    QVERIFY(!w.source().hasExact());
  }

  // Both views open, the evolution playing, when the table is replaced: they paint, slide, play
  // and read out against the new table before any timer has run, then follow it.
  void survivesTablesReplacedWhileOpen_data() {
    QTest::addColumn<int>("newN");
    QTest::addColumn<int>("newK");
    QTest::addColumn<int>("stoppedAfterRow");  // 0: whole table
    QTest::addColumn<bool>("recorded");        // the journal heard of the run
    QTest::newRow("larger table") << 2000 << 300 << 0 << true;
    QTest::newRow("smaller table, unrecorded") << 2 << 1 << 0 << false;
    QTest::newRow("stopped run") << 9 << 100 << 4 << true;
    QTest::newRow("table gone") << 0 << 0 << 0 << false;
  }
  void survivesTablesReplacedWhileOpen() {
    QFETCH(int, newN);
    QFETCH(int, newK);
    QFETCH(int, stoppedAfterRow);
    QFETCH(bool, recorded);
    vistest::fillTable(Scheme::P0, 50, 200, wave);
    auto* map = static_cast<MapWindow*>(ModGeneral::showWindow(WindowKind::FrmCarte));
    (void)vistest::draw(*map, QSize(500, 400));
    const QRectF area = map->mapArea(QRectF(map->surface()->rect()));
    QVERIFY(!map->readOut(area.center()).isEmpty());
    auto* w = static_cast<EvolutionWindow*>(ModGeneral::showWindow(WindowKind::FrmEvolution));
    slider(*w)->setValue(150);
    w->togglePlay();
    QTRY_VERIFY(w->level() > 150);  // a tick of the player

    // The P0 table gone, re-created without the journal hearing of it, or a new recorded run.
    if (newN == 0)
      ModGeneral::state().SolP0.reset();
    else if (recorded)
      vistest::fillTable(Scheme::P0, newN, newK, wave);
    else
      QVERIFY(ModGeneral::state().SolP0.create(0, newK + 1, 0, newN));
    if (stoppedAfterRow) ModGeneral::state().SolP0.stoppedAfterRow(stoppedAfterRow);
    (void)map->readOut(area.center());
    (void)vistest::draw(*map, QSize(500, 400), 2.0);
    (void)vistest::draw(*w, QSize(500, 300));
    slider(*w)->setValue(120);
    const int slid = w->level();
    QTRY_VERIFY(!w->playing() || w->level() != slid);  // the player ran against it
    (void)vistest::draw(*w, QSize(500, 300), 2.0);
    const std::int64_t levels = newN == 0 ? 0 : (stoppedAfterRow ? stoppedAfterRow : newK + 1);
    QCOMPARE(w->source().levels(), levels);
    QVERIFY(w->level() <= std::max<std::int64_t>(levels - 1, 0));
    QCOMPARE(slider(*w)->isEnabled(), levels > 0);
    if (levels > 0) QCOMPARE(slider(*w)->maximum(), levels - 1);
    QTRY_COMPARE(map->source().levels(), levels);
    QCOMPARE(map->source().points(), newN);
    QCOMPARE(map->readOut(area.center()).isEmpty(), newN == 0);
    w->close();  // and the player stops
    QVERIFY(!w->playing());
  }

  // No table yet: nothing to choose or play. A Pepsilon table enables its option only; it
  // plays to the last level and pauses, and from there starts again at 0.
  void nothingToShowYetThenPlays() {
    EvolutionWindow w;
    const auto option = [&w](const char* name) { return test::button(&w, name)->isEnabled(); };
    QVERIFY(!option("OptionSolution_0") && !option("OptionSolution_1"));
    QVERIFY(w.source().emptyReason().contains(QStringLiteral("n'a pas encore été calculée")));
    w.togglePlay();
    QVERIFY(!w.playing());
    vistest::fillTable(Scheme::Peps, 20, 40, wave);
    w.synchronise();
    QVERIFY(option("OptionSolution_1") && !option("OptionSolution_0"));
    test::button(&w, "OptionSolution_1")->click();
    w.findChild<QSpinBox*>(QStringLiteral("TxtVitesse"))->setValue(400);
    auto* lecture = test::button(&w, "CmdLecture");
    lecture->click();
    QCOMPARE(lecture->text(), QStringLiteral("Pause"));
    QTRY_VERIFY(!w.playing());
    QCOMPARE(slider(w)->value(), 40);
    QCOMPARE(lecture->text(), QStringLiteral("Lecture"));
    lecture->click();
    QVERIFY(w.playing() && w.level() < 40);
  }

  // Kept runs of other time steps show the level nearest the current time,
  // named in the legend with that level's own t, drawn in their own colours;
  // keeping shares the table's buffer (nothing mapped or allocated).
  void keptRunsFollowTheCurrentTime() {
    EvolutionWindow w;
    for (const auto& [K, Tau] : {std::pair{10, 0.01}, {40, 0.0025}}) {
      vistest::fillTable(Scheme::P0, 9, K, wave, Tau);
      w.synchronise();
      const core::StorageCounters before = core::storageCounters();
      test::button(&w, "CmdGarder")->click();
      QCOMPARE(core::storageCounters().mappings + core::storageCounters().allocations,
               before.mappings + before.allocations);
    }
    QCOMPARE(w.kept().runs().size(), std::size_t{2});
    vistest::fillTable(
        Scheme::P0, 9, 25, [](int n, int i) { return wave(n, i) / 100; }, 0.004);
    w.synchronise();
    slider(w)->setValue(5);  // t = 0.02: level 2 of the first kept run, 8 of the second
    QCOMPARE(w.keptLevel(0), 2);
    QCOMPARE(w.keptLevel(1), 8);
    QCOMPARE(w.keptText(0), QStringLiteral("P0, N = 9, K = 10, Lambda = 0   t = 0,02 s"));
    QVERIFY(w.keptText(1).startsWith(QStringLiteral("P0, N = 9, K = 40,")));
    slider(w)->setValue(7);  // t = 0.028: 2.8 and 11.2 steps
    QCOMPARE(w.keptLevel(0), 3);
    QCOMPARE(w.keptLevel(1), 11);
    const QImage img = vistest::draw(w, QSize(700, 450));
    QVERIFY(vistest::hasColour(img, vis::KeptRuns::colour(0)));
    QVERIFY(vistest::hasColour(img, vis::KeptRuns::colour(1)));
    // The fixed scale holds the kept runs' extremes, far beyond the current run's.
    QVERIFY(w.kept().runs()[1].runMax > 30);
    QVERIFY(w.valueRange().second >= w.kept().runs()[1].runMax);
    test::button(&w, "CmdEffacerGardees")->click();
    QVERIFY(w.kept().runs().empty());
    // A kept run that would leave no room to compute the table again is refused with what holds
    // the memory, and nothing is kept.
    vistest::fillTable(Scheme::P0, 999, 299, wave);  // 2.4 MB
    w.synchronise();
    core::MemoryBudget::process().setLimit(4e6);
    test::BoxCatcher boxes;
    test::button(&w, "CmdGarder")->click();
    QTRY_COMPARE(boxes.texts.size(), 1);
    core::MemoryBudget::process().setLimit(0);
    QVERIFY2(
        boxes.last().startsWith(QStringLiteral("Mémoire insuffisante : garder cette courbe")) &&
            boxes.last().contains(QStringLiteral("solution du schéma P0")),
        qPrintable(boxes.last()));
    QVERIFY(w.kept().runs().empty());
    QCOMPARE(core::MemoryBudget::process().uses().size(), std::size_t{1});  // the table alone
  }

  void blowUpStaysVisible_data() {
    QTest::addColumn<BlowUp>("row");
    QTest::newRow("more levels than pixels") << BlowUp{10, 100000, 4, 77777, 1e6, false, 1.0};
    QTest::newRow("both, negative peak") << BlowUp{3000, 3000, 1, 2999, -1e8, false, 1.0};
    QTest::newRow("both, signed log, scale 2") << BlowUp{3000, 3000, 2500, 1, 1e12, true, 2.0};
  }
  void blowUpStaysVisible() {
    QFETCH(BlowUp, row);
    // Small values everywhere, one entry far above them.
    vistest::fillTable(Scheme::P0, row.N, row.K, [&](int n, int i) {
      return n == row.level && i == row.point ? row.peak : 0.01 * std::sin(0.1 * i + 0.01 * n);
    });
    const vis::ReducedMap reduced =
        vis::reduceTable(ModGeneral::state().SolP0, row.K + 1, row.N, 300, 200);
    QCOMPARE(reduced.maxAbs, std::fabs(row.peak));
    QCOMPARE(reduced.at(std::int64_t(row.point - 1) * reduced.columns / row.N,
                        std::int64_t(row.level) * reduced.rows / (row.K + 1)),
             row.peak);
    MapWindow w;
    w.findChild<QCheckBox*>(QStringLiteral("CheckLog"))->setChecked(row.logarithmic);
    const QSize size(520, 400);
    const QImage img = vistest::draw(w, size, row.dpr);
    const QRectF area = w.mapArea(QRectF(QPointF(0, 0), QSizeF(size)));
    // The peak's extreme colour shows, and only there: the rest of the map is pale.
    QVERIFY(vistest::hasColour(img, vis::divergingColor(row.peak > 0 ? 1.0 : -1.0), area));
    QVERIFY(!vistest::hasColour(img, vis::divergingColor(row.peak > 0 ? -1.0 : 1.0), area));
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
};

QTEST_MAIN(TestEvolutionWindow)
#include "test_evolution_window.moc"
