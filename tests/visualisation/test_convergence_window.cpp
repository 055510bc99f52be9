// The journal of results and what reads it. The convergence plots: runs from the three study
// windows recorded in order, "Tout Effacer" clearing its series, each plot's slope and fitted
// line on worked examples. The modes window. The session report, in HTML and PDF.
#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "app/windows.h"
#include "shell/mod_general.h"
#include "support/reference_solution.h"
#include "ui/export_csv.h"
#include "vis_support.h"
#include "visualisation/convergence_window.h"
#include "visualisation/modes_window.h"
#include "visualisation/render_surface.h"
#include "visualisation/session_report.h"

using core::Scheme;
using core::Study;
using test::Fields;

namespace {

const Fields kConsistP0{.N = "9", .T = "0.1", .K = "20", .a = "1", .d = "1", .w = "50",
                        .phi = "0", .R = "0", .S = "0"};
const Fields kSpaceP0{.N = "4", .T = "1", .K = "1000", .a = "1", .d = "1", .w = "0",
                      .phi = "0", .R = "0", .S = "0"};
// Tau far below eps/k: E(k) falls like eps/k. (With Tau near eps/k it levels
// off at a part of the order of Tau that the two schemes do not share.)
const Fields kError{.N = "9", .T = "1", .K = "1000", .a = "1", .Epsilon = "0.05", .d = "1",
                    .w = "1", .phi = "0"};
const Fields kConsistPeps = kConsistP0.with({.Epsilon = "0.0001"});
const Fields kSpacePeps = kSpaceP0.with({.Epsilon = "0.0001"});

// The five plots in their order: the study half each shows, the window of its runs (the
// space halvings through TxtS and the "Tau" buttons, the others through TxtR and the "H" ones),
// and a worked example.
struct Plot {
  WindowKind kind;
  Study study;
  Scheme scheme;
  QList<int> counts;  // the halvings (or k) of the example's runs
  Fields example;
  bool space() const { return study == Study::ConsistencySpace; }
};
using enum WindowKind;
const Plot kPlots[] = {
    {frmConsistP0, Study::ConsistencyTime, Scheme::P0, {0, 1, 2, 3}, kConsistP0},
    {frmConsistP0, Study::ConsistencySpace, Scheme::P0, {0, 1, 2}, kSpaceP0},
    {FrmErreurEps0, Study::Error, Scheme::Peps, {1, 2, 4, 8}, kError},
    {FrmConsistPepsilon, Study::ConsistencyTime, Scheme::Peps, {0, 1, 2, 3}, kConsistPeps},
    {FrmConsistPepsilon, Study::ConsistencySpace, Scheme::Peps, {0, 1, 2}, kSpacePeps}};

// One run of plot `plot`'s half typed into its window: the counter gets `count`.
void run(int plot, Fields fields, int count) {
  const Plot& p = kPlots[plot];
  QWidget* w = ModGeneral::showWindow(p.kind);
  if (p.kind == WindowKind::FrmErreurEps0) test::button(w, "OptionChoix_1")->click();
  (p.space() ? fields.S : fields.R) = QString::number(count);
  QCOMPARE(test::click(w, p.space() ? "CmdCalculerTau" : "CmdCalculerH", fields), QStringList());
}

void clear(int plot) {
  test::button(ModGeneral::window(kPlots[plot].kind),
               kPlots[plot].space() ? "CmdEffacerTau" : "CmdEffacerH")
      ->click();
}

}  // namespace

class TestConvergenceWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() { vistest::initWindowTest(); }
  void cleanup() { vistest::cleanupWindowTest(); }

  void journalRecordsRunsInOrder() {
    QWidget* stab = ModGeneral::showWindow(WindowKind::frmstabp0);
    test::click(stab, "CmdCalculs", {.N = "9", .T = "0.1", .K = "20", .a = "1", .u0 = "1"});
    QCOMPARE(int(ModGeneral::journal().writer(Scheme::P0).study), int(Study::Stability));
    QVERIFY(!ModGeneral::journal().writer(Scheme::P0).exactData);
    // Study, scheme, divisor, then error, Tau, h and Epsilon bit for bit.
    const auto entry = [](Study study, Scheme scheme, double divisor, auto... v) {
      QString text = QString("%1 %2 %3").arg(int(study)).arg(int(scheme)).arg(divisor);
      for (double d : {static_cast<double>(v)...})
        text += QString(" %1").arg(reftest::bits(d), 0, 16);
      return text;
    };
    QStringList expected, got;
    for (const auto& [plot, count] : {std::pair{0, 0}, {0, 1}, {4, 1}, {2, 2}, {1, 0}, {2, 4}}) {
      const Plot& p = kPlots[plot];
      run(plot, p.example, count);
      const core::StudyState& st = ModGeneral::state();
      // The journal names the study that last wrote each table.
      QCOMPARE(int(ModGeneral::journal().writer(p.scheme).study), int(p.study));
      QVERIFY(ModGeneral::journal().writer(p.scheme).exactData);
      const double error = p.study == Study::ConsistencySpace ? st.ErrT(count + 1)
                           : p.study == Study::Error          ? st.ErrH(1)
                                                              : st.ErrH(count + 1);
      const double divisor = p.study == Study::Error ? count : std::ldexp(1.0, count);
      expected << entry(p.study, p.scheme, divisor, error, st.Tau, st.h, st.Epsilon);
    }
    const std::vector<core::JournalEntry>& entries = ModGeneral::journal().entries();
    for (const core::JournalEntry& e : entries)
      got << entry(e.study, e.scheme, e.divisor, e.error, e.Tau, e.h, e.Epsilon);
    QCOMPARE(got, expected);
    // The error study's steps are eps/k.
    QCOMPARE(entries[3].step(), 0.05 / 2);
    QCOMPARE(entries[5].step(), 0.05 / 4);
  }

  // Nothing to show at first; one point gives no slope yet; "Tout Effacer" of one half empties
  // that half's plot only.
  void clearingASeries() {
    ConvergenceWindow plots;
    for (int k = 0; k < 5; ++k) QCOMPARE(plots.slopeText(k), QString());
    (void)vistest::draw(plots, QSize(700, 500));
    for (int k = 0; k < 5; ++k) run(k, kPlots[k].example, kPlots[k].counts[0]);
    QCOMPARE(plots.slopeText(3), QStringLiteral("pente : il faut au moins deux pas différents"));
    for (int cleared = 0; cleared < 5; ++cleared) {
      clear(cleared);
      for (int k = 0; k < 5; ++k) QCOMPARE(plots.seriesText(k).isEmpty(), k == cleared);
      run(cleared, kPlots[cleared].example, kPlots[cleared].counts[0]);
    }
  }

  // A series holds the runs of one grid: a change of the typed data between
  // two runs starts another series, and the plot shows the latest.
  void seriesFollowTheTypedData_data() {
    QTest::addColumn<int>("plot");
    QTest::addColumn<Fields>("first");
    QTest::addColumn<Fields>("second");
    QTest::addColumn<QString>("label");
    QTest::newRow("P0, same data: appended")
        << 0 << kConsistP0 << kConsistP0 << "N = 9, T = 0,1, K = 20 — 2 points";
    QTest::newRow("P0 space halvings, w changed: new series")
        << 1 << kSpaceP0 << kSpaceP0.with({.w = "1"}) << "N = 4, T = 1, K = 1000 — 1 point";
    QTest::newRow("Pepsilon, Epsilon changed: new series")
        << 3 << kConsistP0.with({.Epsilon = "0.001"}) << kConsistP0.with({.Epsilon = "0.002"})
        << "N = 9, T = 0,1, K = 20, ε = 0,002 — 1 point";
    QTest::newRow("error study, K changed: new series")
        << 2 << kError << kError.with({.K = "2000"})
        << "N = 9, T = 1, K = 2000, ε = 0,05 — 1 point";
  }
  void seriesFollowTheTypedData() {
    QFETCH(int, plot);
    QFETCH(Fields, first);
    QFETCH(Fields, second);
    QFETCH(QString, label);
    // Two halving counts, so that the second run is a finer grid of the same data.
    run(plot, first, 1);
    run(plot, second, 2);
    ConvergenceWindow w;
    QCOMPARE(w.seriesText(plot), label);
    // The earlier series stays in the journal until "Tout Effacer".
    QCOMPARE(int(ModGeneral::journal().entries().size()), 2);
    clear(plot);
    QCOMPARE(w.seriesText(plot), QString());
    QVERIFY(ModGeneral::journal().entries().empty());
  }

  // On the worked examples each plot's least-squares slope shows the announced order (q near 1
  // in time, p near 2 in space, E(k) near 1 against eps/k); drawn, each point's marker has a
  // pixel of the fitted line within a few device pixels.
  void slopeOfWorkedExamples_data() {
    QTest::addColumn<int>("plot");
    QTest::addColumn<QString>("slope");
    QTest::newRow("P0, h fixed") << 0 << "pente = 0,9703 (moindres carrés, 4 points)";
    QTest::newRow("P0, Tau fixed") << 1 << "pente = 2,013 (moindres carrés, 3 points)";
    QTest::newRow("error study") << 2 << "pente = 0,991 (moindres carrés, 4 points)";
    QTest::newRow("Pepsilon, h fixed") << 3 << "pente = 0,9699 (moindres carrés, 4 points)";
    QTest::newRow("Pepsilon, Tau fixed") << 4 << "pente = 2,013 (moindres carrés, 3 points)";
  }
  void slopeOfWorkedExamples() {
    QFETCH(int, plot);
    QFETCH(QString, slope);
    const Plot& p = kPlots[plot];
    for (int c : p.counts) run(plot, p.example, c);
    ConvergenceWindow w;
    QCOMPARE(w.slopeText(plot), slope);
    const QImage img = vistest::draw(w, QSize(900, 600), 2.0);
    const auto isFit = [](QColor c) { return c.green() > c.red() + 40 && c.green() > c.blue() + 40; };
    const QRect cell(plot % 3 * 600, plot / 3 * 600, 600, 600);  // device pixels
    int markers = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x) {
        if (img.pixelColor(x, y) != QColor(0, 0, 255)) continue;
        ++markers;
        bool near = false;
        for (int dy = -12; dy <= 12 && !near; ++dy)
          for (int dx = -12; dx <= 12 && !near; ++dx)
            near = img.valid(x + dx, y + dy) && isFit(img.pixelColor(x + dx, y + dy));
        QVERIFY2(near, qPrintable(QString("marker pixel %1, %2").arg(x).arg(y)));
      }
    QVERIFY2(markers >= 4 * p.counts.size(), qPrintable(QString::number(markers)));
  }

  // The modes window follows the runs of the stability windows, says which modes are absent,
  // and writes its list of modes as CSV.
  void modesFollowTheStabilityRuns() {
    auto* w = qobject_cast<ModesWindow*>(ModGeneral::showWindow(WindowKind::FrmModes));
    auto* verdict = w->findChild<QLabel*>(QStringLiteral("LblVerdict"));
    QVERIFY(verdict->text().startsWith(QStringLiteral("Rien à afficher")));
    QVERIFY(!test::button(w, "OptionSolution_0")->isEnabled());
    QWidget* study = ModGeneral::showWindow(WindowKind::frmstabp0);
    test::click(study, "CmdCalculs", {.N = "3", .T = "12.5", .K = "200", .a = "0.55", .u0 = "1"});
    QTRY_VERIFY(w->analysis() && w->analysis()->N == 3);
    QTRY_VERIFY(verdict->text().contains(QStringLiteral("diffèrent")));
    QVERIFY(test::button(w, "OptionSolution_0")->isEnabled());
    QVERIFY(!test::button(w, "OptionSolution_1")->isEnabled());
    const QStringList lines = test::lines(w, "ListModes");
    QCOMPARE(lines.size(), 3);
    // Mode 1 decays faster than mode 3 (0,68 against 0,88): below the noise after level 115.
    QCOMPARE(lines[0], QStringLiteral("j=1  θ=0,7854  g=0,67782  mesuré 0,67782  n=0–115"));
    // A constant u0 has no even mode: j = 2 stays at the rounding noise.
    QCOMPARE(lines[1],
             QStringLiteral("j=2  θ=1,5708  g=-0,1  (mode absent de la donnée initiale)"));

    // A new run replaces what the window shows, and adds a point to the map.
    test::click(study, "CmdCalculs", {.N = "49", .T = "0.408", .K = "2000", .a = "1"});
    QTRY_VERIFY(w->analysis()->N == 49);
    QTRY_COMPARE(test::lines(w, "ListModes").size(), 49);
    QCOMPARE(ModGeneral::journal().stabilityRuns().size(), std::size_t{2});
    QCOMPARE(ModGeneral::journal().stabilityRuns().back().colour, core::RunColour::Grown);

    // The list as CSV: its columns, a measured mode and an absent one.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("modes.csv"));
    const auto* model = dynamic_cast<const ui::CsvWritable*>(
        w->findChild<QAbstractItemView*>(QStringLiteral("ListModes"))->model());
    QVERIFY(model);
    QVERIFY(ui::saveCsv(*model, file).isEmpty());
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    QCOMPARE(rows[0], QStringLiteral("j,theta,g_formule,g_formule_im,g_mesure,g_mesure_im,"
                                     "premier_niveau,dernier_niveau,remarque"));
    QVERIFY(rows[49].startsWith(QStringLiteral("49,3.07876")));
    QVERIFY(rows[49].endsWith(QStringLiteral(",0,2000,")));
    QVERIFY(rows[2].endsWith(QStringLiteral(",,,,,mode absent de la donnée initiale")));
  }

  // A scripted session (stability, an overflow, three consistency runs and their orders, the
  // error study) written through the menu item, the chosen name deciding the format: the HTML
  // holds every run in order, the PDF is A4; a failed write says so and leaves nothing.
  void sessionReport() {
    const auto click = [](QWidget* w, const Fields& fields, const char* button, bool message) {
      QCOMPARE(test::click(w, button, fields).isEmpty(), !message);
    };
    const Fields stability{.N = "9", .T = "0.1", .K = "20", .a = "1", .u0 = "1"};
    QWidget* stab = ModGeneral::showWindow(WindowKind::frmstabp0);
    click(stab, stability, "CmdCalculs", false);
    click(stab, stability.with({.T = "1000", .K = "1000"}), "CmdCalculs", true);  // Lambda = 100
    QWidget* consist = ModGeneral::showWindow(WindowKind::frmConsistP0);
    for (const char* r : {"0", "1", "2"})
      click(consist, kConsistP0.with({.R = r}), "CmdCalculerH", false);
    click(consist, {}, "CmdCalculerQ", false);
    QWidget* error = ModGeneral::showWindow(WindowKind::FrmErreurEps0);
    test::button(error, "OptionChoix_1")->click();
    click(error, kError.with({.R = "2"}), "CmdCalculerH", false);

    QTemporaryDir dir;
    QString answer;
    ui::setSaveFileNameProvider(
        [&](QWidget*, const QString&, const QStringList&, QString*) { return answer; });
    QAction* item = ModGeneral::showWindow(WindowKind::Form1)->findChild<QAction*>("mnurapport");
    const auto write = [&](const char* name) {
      answer = dir.filePath(QString::fromUtf8(name));
      item->trigger();
      return answer;
    };
    QFile file(write("séance.html"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(html.startsWith("<!DOCTYPE html>") && html.contains(QStringLiteral("Orvalend")));
    // Each run's section: its title, then its data, grid values and outcome.
    const QStringList sections = html.split(QStringLiteral("<h3>")).mid(1);
    const QStringList expected = {
        "1. Stabilité, schéma P0|N = 9 ; T = 0.1 ; K = 20|Lambda = 0,50000|21 niveaux|: stable",
        "2. Stabilité, schéma P0|T = 1000|Lambda = 100,00000|dépassement : |: instable",
        "3. Consistance, schéma P0 (h fixé)|R = 0|Tau = 0,00500|E1 = ",
        "4. Consistance, schéma P0 (h fixé)|R = 1|Tau = 0,00250|E2 = ",
        "5. Consistance, schéma P0 (h fixé)|R = 2|Tau = 0,00125|E4 = ",
        "6. Ordres qi, schéma P0 (h fixé)|q1 = ",
        "7. Erreur entre Ueps/k et Uo|Epsilon = 0.05 ; d = 1|Alpha = |E(k = 2) = "};
    QCOMPARE(sections.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
      for (const QString& part : expected[i].split('|'))
        QVERIFY2(sections[i].contains(part), qPrintable(expected[i] + " / " + sections[i]));
    // Images inside the file: the convergence plots and the two tables' drawings.
    QCOMPARE(html.count(QStringLiteral("src=\"data:image/png;base64,")), 5);

    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {write("séance.pdf")});
    QVERIFY(info.waitForFinished());
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(out.contains(QRegularExpression("Pages: +[3-8]\\n(.*\\n)*Page size: .*\\(A4\\)")),
             qPrintable(out));

    test::BoxCatcher boxes;
    write("absent/rapport.pdf");
    ui::setSaveFileNameProvider({});
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.last().startsWith(QStringLiteral("Le rapport « ")), qPrintable(boxes.last()));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"séance.html", "séance.pdf"}));
  }
};

QTEST_MAIN(TestConvergenceWindow)
#include "test_convergence_window.moc"
