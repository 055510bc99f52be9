// The session report: a scripted session written to HTML and read back, the
// PDF it makes, and a write that fails.
#include <QAction>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/export_csv.h"
#include "vis_support.h"
#include "visualisation/session_report.h"

namespace {

const test::Fields kStability{.N = "9", .T = "0.1", .K = "20", .a = "1", .u0 = "1"};
// Lambda = 100: the levels leave the double range.
const test::Fields kBlowUp = kStability.with({.T = "1000", .K = "1000"});
const test::Fields kConsist{.N = "9", .T = "0.1", .K = "20", .a = "1", .d = "1", .w = "50",
                           .phi = "0", .S = "0"};
const test::Fields kError{.N = "9", .T = "1", .K = "1000", .a = "1", .Epsilon = "0.05",
                          .d = "1", .w = "1", .phi = "0", .R = "2"};

void click(QWidget* w, const test::Fields& fields, const char* button, bool expectMessage = false) {
  QCOMPARE(test::click(w, button, fields).isEmpty(), !expectMessage);
}

// Stability, an overflow, three consistency runs and their orders, the error study.
void scriptedSession() {
  QWidget* stab = ModGeneral::showWindow(WindowKind::frmstabp0);
  click(stab, kStability, "CmdCalculs");
  click(stab, kBlowUp, "CmdCalculs", true);
  QWidget* consist = ModGeneral::showWindow(WindowKind::frmConsistP0);
  for (const char* r : {"0", "1", "2"})
    click(consist, kConsist.with({.R = r}), "CmdCalculerH");
  click(consist, {}, "CmdCalculerQ");
  QWidget* error = ModGeneral::showWindow(WindowKind::FrmErreurEps0);
  test::button(error, "OptionChoix_1")->click();
  click(error, kError, "CmdCalculerH");
}

}  // namespace

class TestSessionReport : public QObject {
  Q_OBJECT

 private slots:
  void init() { vistest::initWindowTest(); }
  void cleanup() { vistest::cleanupWindowTest(); }

  void htmlHoldsEveryRunInOrder() {
    scriptedSession();
    QTemporaryDir dir;
    const QString name = dir.filePath("séance.html");
    QCOMPARE(vis::writeReport(name, vis::ReportFormat::Html), QString());
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());

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
    QVERIFY(html.contains(QStringLiteral("Orvalend")));
  }

  void pdfIsValidA4() {
    scriptedSession();
    QTemporaryDir dir;
    const QString name = dir.filePath("séance.pdf");
    QCOMPARE(vis::writeReport(name, vis::ReportFormat::Pdf), QString());
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {name});
    QVERIFY(info.waitForFinished());
    QCOMPARE(info.exitCode(), 0);
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(out.contains(QRegularExpression("Page size: .*\\(A4\\)")), qPrintable(out));
    const int pages = QRegularExpression("Pages: +(\\d+)").match(out).captured(1).toInt();
    QVERIFY2(pages >= 3 && pages <= 8, qPrintable(out));
  }

  // Through the menu item: the chosen name decides the format; a failed
  // write says so and leaves nothing.
  void menuItemWritesTheChosenFile() {
    QTemporaryDir dir;
    QString answer;
    ui::setSaveFileNameProvider(
        [&](QWidget*, const QString&, const QStringList&, QString*) { return answer; });
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    auto* item = form1->findChild<QAction*>(QStringLiteral("mnurapport"));
    QVERIFY(item);
    answer = dir.filePath("rapport.html");
    item->trigger();
    QFile html(answer);
    QVERIFY(html.open(QIODevice::ReadOnly));
    QVERIFY(html.readAll().startsWith("<!DOCTYPE html>"));

    answer = dir.filePath("absent/rapport.pdf");
    test::BoxCatcher boxes;
    item->trigger();
    ui::setSaveFileNameProvider({});
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.last().startsWith(QStringLiteral("Le rapport « ")), qPrintable(boxes.last()));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{"rapport.html"});
  }
};

QTEST_MAIN(TestSessionReport)
#include "test_session_report.moc"
