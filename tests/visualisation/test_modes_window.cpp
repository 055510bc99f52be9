// The modes window: it follows the runs of the stability windows, says which
// modes are absent, and writes its list of modes as CSV.
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/windows.h"
#include "shell/mod_general.h"
#include "ui/export_csv.h"
#include "vis_support.h"
#include "visualisation/modes_window.h"

class TestModesWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    vistest::initWindowTest();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
  }
  void cleanup() { vistest::cleanupWindowTest(); }

  void followsTheRunsOfTheStabilityWindows() {
    auto* w = qobject_cast<ModesWindow*>(ModGeneral::showWindow(WindowKind::FrmModes));
    QVERIFY(w);
    auto* verdict = w->findChild<QLabel*>(QStringLiteral("LblVerdict"));
    QVERIFY(verdict->text().startsWith(QStringLiteral("Rien à afficher")));
    QVERIFY(!w->findChild<QRadioButton*>(QStringLiteral("OptionSolution_0"))->isEnabled());

    QWidget* study = ModGeneral::showWindow(WindowKind::frmstabp0);
    vistest::typeAndClick(study, {.N = "3", .T = "12.5", .K = "200", .a = "0.55", .u0 = "1"},
                          "CmdCalculs");
    QTRY_VERIFY(w->analysis() && w->analysis()->N == 3);
    QTRY_VERIFY(verdict->text().contains(QStringLiteral("diffèrent")));
    QVERIFY(w->findChild<QRadioButton*>(QStringLiteral("OptionSolution_0"))->isEnabled());
    QVERIFY(!w->findChild<QRadioButton*>(QStringLiteral("OptionSolution_1"))->isEnabled());
    const QStringList lines = test::lines(w, "ListModes");
    QCOMPARE(lines.size(), 3);
    // Mode 1 decays faster than mode 3 (0,68 against 0,88): below the noise after level 115.
    QCOMPARE(lines[0], QStringLiteral("j=1  θ=0,7854  g=0,67782  mesuré 0,67782  n=0–115"));
    // A constant u0 has no even mode: j = 2 stays at the rounding noise.
    QCOMPARE(lines[1], QStringLiteral("j=2  θ=1,5708  g=-0,1  (mode absent de la donnée initiale)"));

    // A new run replaces what the window shows, and adds a point to the map.
    test::setText(study, "TxtN", QStringLiteral("49"));
    test::setText(study, "TxtT", QStringLiteral("0.408"));
    test::setText(study, "TxtK", QStringLiteral("2000"));
    test::setText(study, "Txta", QStringLiteral("1"));
    test::button(study, "CmdCalculs")->click();
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
};

QTEST_MAIN(TestModesWindow)
#include "test_modes_window.moc"
