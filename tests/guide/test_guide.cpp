// The student guide: each "Essayer" opens its study window with the example
// typed and nothing computed, F1 opens the guide from any window, the worked
// examples show what the guide says they show, and the study windows offer
// the exports.
#include <QBuffer>
#include <QClipboard>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <cmath>

#include "app/windows.h"
#include "guide/guide_window.h"
#include "support/window_support.h"
#include "ui/export_csv.h"
#include "ui/message.h"
#include "ui/typeface.h"

namespace {

void flushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

QTextBrowser* openGuide() {
  QWidget* guide = ModGeneral::showWindow(WindowKind::FrmGuide);
  return guide ? guide->findChild<QTextBrowser*>("TxtGuide") : nullptr;
}

// The CSV a window's list exports, split into lines.
QList<QByteArray> csvLines(QWidget* w, const char* list) {
  auto* view = w->findChild<QAbstractItemView*>(list);
  const auto* source = view ? dynamic_cast<const ui::CsvWritable*>(view->model()) : nullptr;
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (!source || !ui::writeCsv(*source, buffer)) return {};
  return buffer.data().split('\n');
}

}  // namespace

class TestGuide : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    setUpApplication();
    registerWindows();
  }
  void init() { test::freshState(); }
  void cleanup() {
    ModGeneral::closeAll();
    flushDeletes();
  }

  void essayerTypesTheExample_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("described");  // as the guide's text writes the values
    const char* rows[][4] = {
        {"P0 stability", "stabp0", "frmstabp0", "N = 3, T = 1, K = 16, a = 0,5, u0 = 1"},
        {"Pepsilon stability", "stabpeps", "frmstabpeps",
         "N = 3, T = 1, K = 16, a = 0,5, u0 = 1, v0 = 0, ε = 0,0625"},
        {"P0 consistency", "consistp0", "frmConsistP0",
         "N = 4, T = 0,1, K = 400, a = 1, d = 1, w = 1, phi = 0, R = 0, S = 0"},
        {"Pepsilon consistency", "consistpeps", "FrmConsistPepsilon", "ε = 0,001"},
        {"error study", "erreur", "FrmErreurEps0",
         "N = 9, T = 0,5, K = 500, a = 1, ε = 0,01, u0 = 1, v0 = 0, k = 1"}};
    for (const auto& r : rows)
      QTest::newRow(r[0]) << QString(r[1]) << QString(r[2]) << QString::fromUtf8(r[3]);
  }

  void essayerTypesTheExample() {
    QFETCH(QString, id);
    QFETCH(QString, window);
    QFETCH(QString, described);
    QTextBrowser* browser = openGuide();
    QVERIFY(browser);
    QVERIFY(browser->toHtml().contains("essayer:" + id));
    QVERIFY2(browser->toPlainText().contains(described), qPrintable(described));
    QVERIFY(!browser->toPlainText().contains("{{"));

    emit browser->anchorClicked(QUrl("essayer:" + id));
    QWidget* w = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top->objectName() == window && top->isVisible()) w = top;
    QVERIFY(w);
    const GuideExample* example = nullptr;
    for (const GuideExample& e : guideExamples())
      if (e.id == id) example = &e;
    QVERIFY(example);
    for (const auto& [name, text] : example->fields) {
      if (name.startsWith("Option")) {
        QVERIFY(test::button(w, qPrintable(name))->isChecked());
      } else {
        QVERIFY2(test::field(w, qPrintable(name)), qPrintable(name));
        QCOMPARE(test::field(w, qPrintable(name))->text(), text);
      }
    }
    // Typed, not computed: lists and value labels are still empty.
    for (auto* list : w->findChildren<QAbstractItemView*>()) QCOMPARE(list->model()->rowCount(), 0);
    QVERIFY(test::labelText(w, "LblLambda").isEmpty());
    QVERIFY(!ModGeneral::state().Lambda.value());
  }

  // The guide reads in the program's face and is named for a screen reader;
  // anchors inside the guide scroll rather than open anything.
  void guideIsInTheProgramFaceAndNamed() {
    QTextBrowser* b = openGuide();
    QVERIFY(b);
    QCOMPARE(b->font().family(), ui::typefaceFamily());
    QCOMPARE(b->document()->defaultFont().family(), ui::typefaceFamily());
    QVERIFY(!b->accessibleName().isEmpty() && !b->accessibleDescription().isEmpty());
    const int windows = QApplication::topLevelWidgets().size();
    emit b->anchorClicked(QUrl("#erreur"));
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
  }

  void f1OpensTheGuide_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("focus");
    QTest::newRow("main window") << int(WindowKind::Form1) << QString();
    QTest::newRow("stability window, in a field") << int(WindowKind::frmstabp0) << "TxtN";
    QTest::newRow("error window") << int(WindowKind::FrmErreurEps0) << "TxtR";
    QTest::newRow("graph window") << int(WindowKind::FrmStabp0G) << "TxtIndicen";
  }

  void f1OpensTheGuide() {
    QFETCH(int, kind);
    QFETCH(QString, focus);
    QWidget* w = ModGeneral::showWindow(WindowKind(kind));
    QVERIFY(w);
    QWidget* target = focus.isEmpty() ? w : test::field(w, qPrintable(focus));
    QVERIFY(target);
    QVERIFY(!ModGeneral::window(WindowKind::FrmGuide));
    QTest::keyClick(target, Qt::Key_F1);
    QWidget* guide = ModGeneral::window(WindowKind::FrmGuide);
    QVERIFY(guide && guide->isVisible());
    if (!focus.isEmpty()) QCOMPARE(test::field(w, qPrintable(focus))->text(), QString());
  }

  // A message box keeps the keyboard to itself: F1 opens nothing behind it.
  void f1IsLeftToAnOpenMessageBox() {
    QWidget* w = ModGeneral::showWindow(WindowKind::frmstabp0);
    bool guideOpened = true;
    QTimer::singleShot(0, [&guideOpened] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      QTest::keyClick(box, Qt::Key_F1);
      guideOpened = ModGeneral::window(WindowKind::FrmGuide) != nullptr;
      box->close();
    });
    ui::showMessage(w, "Saisie incomplète !");
    QVERIFY(!guideOpened);
  }

  // The consistency examples give the orders the guide announces.
  void consistencyExamplesGiveTheAnnouncedOrders_data() {
    QTest::addColumn<QString>("id");
    QTest::newRow("P0") << "consistp0";
    QTest::newRow("Pepsilon") << "consistpeps";
  }

  void consistencyExamplesGiveTheAnnouncedOrders() {
    QFETCH(QString, id);
    test::BoxCatcher boxes;
    QWidget* w = tryGuideExample(id);
    QVERIFY(w);
    for (const char* half : {"R", "S"}) {
      const bool time = half[0] == 'R';
      for (int e = 0; e <= 3; ++e) {
        test::setText(w, time ? "TxtR" : "TxtS", QString::number(e));
        test::button(w, time ? "CmdCalculerH" : "CmdCalculerTau")->click();
      }
      test::button(w, time ? "CmdCalculerQ" : "CmdCalculerP")->click();
      const core::StudyState& s = ModGeneral::state();
      // The error list exports its divisors, steps and errors in full.
      const QList<QByteArray> rows = csvLines(w, time ? "ListERH" : "ListERT");
      QCOMPARE(rows.value(0), QByteArray(time ? "2^R,Tau',E\r" : "2^S,h',E\r"));
      for (int e = 0; e <= 3; ++e) {
        const QList<QByteArray> f = rows[e + 1].trimmed().split(',');
        QCOMPARE(f[0], QByteArray::number(1 << e));
        const double err = time ? s.ErrH(e + 1) : s.ErrT(e + 1);
        QCOMPARE(std::bit_cast<std::uint64_t>(f[2].toDouble()), std::bit_cast<std::uint64_t>(err));
      }
      for (int i = 1; i <= 2; ++i) {
        const double order = time ? s.OrdQ(i) : s.OrdP(i);
        const double expected = time ? 1.0 : 2.0;
        QVERIFY2(std::fabs(order - expected) < 0.1,
                 qPrintable(QString("%1%2 = %3").arg(time ? "q" : "p").arg(i).arg(order)));
      }
    }
    QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.last()));
  }

  // E(k) shrinks about by half each time k doubles on the guide's example.
  void errorExampleShrinksWithK() {
    test::BoxCatcher boxes;
    QWidget* w = tryGuideExample("erreur");
    QVERIFY(w);
    std::vector<double> errors;
    for (int k : {1, 2, 4, 8}) {
      test::setText(w, "TxtR", QString::number(k));
      test::button(w, "CmdCalculerH")->click();
      errors.push_back(ModGeneral::state().ErrH(1));
    }
    QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.last()));
    for (std::size_t i = 0; i + 1 < errors.size(); ++i) {
      const double ratio = errors[i] / errors[i + 1];
      QVERIFY2(ratio > 1.6 && ratio < 2.4, qPrintable(QString::number(ratio)));
    }
  }

  // A stability list exports its levels from the window itself.
  void stabilityListExportsItsLevels() {
    QWidget* w = tryGuideExample("stabp0");
    test::button(w, "CmdCalculs")->click();
    const QList<QByteArray> rows = csvLines(w, "ListRes");
    QCOMPARE(rows.size(), 19);
    QCOMPARE(rows.mid(0, 3), (QList<QByteArray>{"n,t,x=0.25,x=0.5,x=0.75\r", "0,0,1,1,1\r",
                                                "1,0.0625,0.5,1,0.5\r"}));
  }

  // The drawings of the study windows offer the copy and the image exports,
  // drawn again at the file's resolution.
  void drawingsExportFromTheirWindows_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("surface");
    QTest::addColumn<QString>("file");
    const std::tuple<const char*, WindowKind, const char*, const char*> rows[] = {
        {"stability graph, PNG", WindowKind::FrmStabp0G, "PB1", "graph.png"},
        {"evolution, PNG", WindowKind::FrmEvolution, "PBCourbe", "evolution.png"},
        {"map, PDF", WindowKind::FrmCarte, "PBCarte", "carte.pdf"},
        {"convergence, SVG", WindowKind::FrmConvergence, "PBConvergence", "convergence.svg"}};
    for (const auto& [row, kind, surface, file] : rows)
      QTest::newRow(row) << int(kind) << QString(surface) << QString(file);
  }

  void drawingsExportFromTheirWindows() {
    QFETCH(int, kind);
    QFETCH(QString, surface);
    QFETCH(QString, file);
    QTemporaryDir dir;
    test::BoxCatcher boxes;
    QWidget* study = tryGuideExample("stabp0");
    test::button(study, "CmdCalculs")->click();
    QWidget* w = ModGeneral::showWindow(WindowKind(kind));
    QVERIFY(w);
    if (surface == "PB1") {
      test::setText(w, "TxtIndicen", "3");
      test::button(w, "CmdTracage")->click();
    }
    auto* drawing = w->findChild<QWidget*>(surface);
    QVERIFY(drawing);
    const int border = surface == "PB1" ? 2 : 0;  // the graph's frame is not drawn
    // One context menu on every drawing; the copy is the drawing as it shows.
    QStringList menu;
    for (const QAction* a : drawing->actions()) menu << a->objectName();
    QCOMPARE(menu, QStringList({"actCopierImage", "actEnregistrerImage", "actImprimer"}));
    QGuiApplication::clipboard()->clear();
    drawing->findChild<QAction*>("actCopierImage")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->image().size(), drawing->size() - QSize(2, 2) * border);
    const QString path = dir.filePath(file);
    ui::setSaveFileNameProvider(
        [path](QWidget*, const QString&, const QStringList&, QString*) { return path; });
    drawing->findChild<QAction*>("actEnregistrerImage")->trigger();
    ui::setSaveFileNameProvider({});
    QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.last()));
    QFile out(path);
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    if (file.endsWith(".png")) {
      QImage image;
      QVERIFY(image.loadFromData(bytes, "PNG"));
      // Drawn again at four times (the surface's redrawing is checked with the export).
      QCOMPARE(image.size(), (drawing->size() - QSize(2 * border, 2 * border)) * 4);
    } else if (file.endsWith(".pdf")) {
      QVERIFY(bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF"));
    } else {
      QVERIFY(bytes.contains("<svg"));
    }
  }
};

QTEST_MAIN(TestGuide)
#include "test_guide.moc"
