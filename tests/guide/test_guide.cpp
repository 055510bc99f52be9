// The student guide: each "Essayer" link opens its study window with the
// example's values in place of what was typed and nothing computed; F1 opens
// the guide from any window; the consistency examples give their orders;
// every drawing offers one context menu.
#include <QClipboard>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <cmath>

#include "app/windows.h"
#include "guide/guide_window.h"
#include "support/window_support.h"
#include "ui/export_csv.h"
#include "ui/message.h"

namespace {

QTextBrowser* openGuide() {
  QWidget* guide = ModGeneral::showWindow(WindowKind::FrmGuide);
  return guide ? guide->findChild<QTextBrowser*>("TxtGuide") : nullptr;
}

QWidget* shown(const QString& objectName) {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == objectName && top->isVisible()) return top;
  return nullptr;
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
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void essayerTypesTheExample_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("window");
    QTest::addColumn<test::Fields>("example");  // a few of its values
    QTest::newRow("P0 stability") << "stabp0" << "frmstabp0"
                                  << test::Fields{.N = "3", .K = "16", .a = "0.5"};
    QTest::newRow("Pepsilon stability") << "stabpeps" << "frmstabpeps"
                                        << test::Fields{.K = "16", .Epsilon = "0.0625"};
    QTest::newRow("P0 consistency") << "consistp0" << "frmConsistP0"
                                    << test::Fields{.N = "4", .K = "400", .R = "0"};
    QTest::newRow("Pepsilon consistency") << "consistpeps" << "FrmConsistPepsilon"
                                          << test::Fields{.Epsilon = "0.001"};
    QTest::newRow("error study") << "erreur" << "FrmErreurEps0"
                                 << test::Fields{.N = "9", .K = "500", .k = "1"};
  }

  // The guide's link opens the window with the example's values, replacing
  // whatever was typed before; lists and value labels stay empty.
  void essayerTypesTheExample() {
    QFETCH(QString, id);
    QFETCH(QString, window);
    QFETCH(test::Fields, example);
    QTextBrowser* browser = openGuide();
    QVERIFY(browser);
    QVERIFY(browser->toHtml().contains("essayer:" + id));
    QVERIFY(!browser->toPlainText().contains("{{"));
    for (int click = 0; click < 2; ++click) {
      emit browser->anchorClicked(QUrl("essayer:" + id));
      QWidget* w = shown(window);
      QVERIFY(w);
      for (const auto& [name, m] : test::Fields::members())
        if (!(example.*m).isNull()) QCOMPARE(test::field(w, name)->text(), example.*m);
      for (auto* list : w->findChildren<QAbstractItemView*>())
        QCOMPARE(list->model()->rowCount(), 0);
      QVERIFY(test::labelText(w, "LblLambda").isEmpty());
      for (QLineEdit* e : w->findChildren<QLineEdit*>()) e->setText("7");  // typed meanwhile
    }
  }

  void f1OpensTheGuide_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("focus");
    QTest::newRow("main window") << int(WindowKind::Form1) << QString();
    QTest::newRow("stability window, in a field") << int(WindowKind::frmstabp0) << "TxtN";
    QTest::newRow("graph window") << int(WindowKind::FrmStabp0G) << "TxtIndicen";
  }

  void f1OpensTheGuide() {
    QFETCH(int, kind);
    QFETCH(QString, focus);
    QWidget* w = ModGeneral::showWindow(WindowKind(kind));
    QVERIFY(w);
    QWidget* target = focus.isEmpty() ? w : test::field(w, qPrintable(focus));
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

  // The consistency examples give orders near 1 in time and 2 in space.
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
    for (const bool time : {true, false}) {
      for (int e = 0; e <= 3; ++e) {
        test::setText(w, time ? "TxtR" : "TxtS", QString::number(e));
        test::button(w, time ? "CmdCalculerH" : "CmdCalculerTau")->click();
      }
      test::button(w, time ? "CmdCalculerQ" : "CmdCalculerP")->click();
      const core::StudyState& s = ModGeneral::state();
      for (int i = 1; i <= 2; ++i) {
        const double order = time ? s.OrdQ(i) : s.OrdP(i);
        QVERIFY2(std::fabs(order - (time ? 1.0 : 2.0)) < 0.1, qPrintable(QString::number(order)));
      }
    }
    QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.last()));
  }

  void drawingsOfferTheirMenu_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("surface");
    QTest::addColumn<QString>("file");
    QTest::newRow("stability graph, PNG") << int(WindowKind::FrmStabp0G) << "PB1" << "g.png";
    QTest::newRow("evolution, SVG") << int(WindowKind::FrmEvolution) << "PBCourbe" << "e.svg";
    QTest::newRow("map, PDF") << int(WindowKind::FrmCarte) << "PBCarte" << "c.pdf";
    QTest::newRow("convergence, PNG") << int(WindowKind::FrmConvergence) << "PBConvergence"
                                      << "v.png";
  }

  // One context menu on every drawing: the copy is the drawing as it shows,
  // the saved image the drawing again at the file's resolution.
  void drawingsOfferTheirMenu() {
    QFETCH(int, kind);
    QFETCH(QString, surface);
    QFETCH(QString, file);
    test::BoxCatcher boxes;
    test::click(tryGuideExample("stabp0"), "CmdCalculs");
    QWidget* w = ModGeneral::showWindow(WindowKind(kind));
    if (surface == "PB1") test::click(w, "CmdTracage");
    auto* drawing = w->findChild<QWidget*>(surface);
    QVERIFY(drawing);
    QStringList menu;
    for (const QAction* a : drawing->actions()) menu << a->objectName();
    QCOMPARE(menu, QStringList({"actCopierImage", "actEnregistrerImage", "actImprimer"}));
    const int border = surface == "PB1" ? 2 : 0;  // the graph's frame is not drawn
    const QSize shown = drawing->size() - QSize(2, 2) * border;
    QGuiApplication::clipboard()->clear();
    drawing->findChild<QAction*>("actCopierImage")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->image().size(), shown);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    ui::setSaveFileNameProvider(
        [path](QWidget*, const QString&, const QStringList&, QString*) { return path; });
    drawing->findChild<QAction*>("actEnregistrerImage")->trigger();
    ui::setSaveFileNameProvider({});
    QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.last()));
    if (file.endsWith(".png")) QCOMPARE(QImage(path).size(), shown * 4);
    else QVERIFY(QFileInfo(path).size() > 100);
  }
};

QTEST_MAIN(TestGuide)
#include "test_guide.moc"
