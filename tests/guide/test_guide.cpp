// The student guide: each "Essayer" link opens its study window with the
// example's values in place of what was typed and nothing computed; F1 opens
// the guide from any window, not from a message box; the consistency examples
// give their orders; every drawing offers one context menu.
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

Q_DECLARE_METATYPE(WindowKind)

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
    QTest::addColumn<WindowKind>("window");
    QTest::addColumn<test::Fields>("example");  // a few of its values
    QTest::newRow("P0 stability") << "stabp0" << WindowKind::frmstabp0
                                  << test::Fields{.N = "3", .K = "16", .a = "0.5"};
    QTest::newRow("Pepsilon stability")
        << "stabpeps" << WindowKind::frmstabpeps << test::Fields{.K = "16", .Epsilon = "0.0625"};
    QTest::newRow("P0 consistency")
        << "consistp0" << WindowKind::frmConsistP0 << test::Fields{.N = "4", .K = "400", .R = "0"};
    QTest::newRow("Pepsilon consistency")
        << "consistpeps" << WindowKind::FrmConsistPepsilon << test::Fields{.Epsilon = "0.001"};
    QTest::newRow("error study") << "erreur" << WindowKind::FrmErreurEps0
                                 << test::Fields{.N = "9", .K = "500", .k = "1"};
  }

  // The guide's link opens the window with the example's values, replacing
  // whatever was typed before; lists and value labels stay empty.
  void essayerTypesTheExample() {
    QFETCH(QString, id);
    QFETCH(WindowKind, window);
    QFETCH(test::Fields, example);
    auto* browser = ModGeneral::showWindow(WindowKind::FrmGuide)->findChild<QTextBrowser*>();
    QVERIFY(browser->toHtml().contains("essayer:" + id));
    QVERIFY(!browser->toPlainText().contains("{{"));
    for (int click = 0; click < 2; ++click) {
      emit browser->anchorClicked(QUrl("essayer:" + id));
      QWidget* w = ModGeneral::window(window);
      QVERIFY(w && w->isVisible());
      for (const auto& [name, m] : test::Fields::members())
        if (!(example.*m).isNull()) QCOMPARE(test::field(w, name)->text(), example.*m);
      for (auto* list : w->findChildren<QAbstractItemView*>())
        QCOMPARE(list->model()->rowCount(), 0);
      QVERIFY(test::labelText(w, "LblLambda").isEmpty());
      for (QLineEdit* e : w->findChildren<QLineEdit*>()) e->setText("7");  // typed meanwhile
    }
  }

  void f1OpensTheGuide_data() {
    QTest::addColumn<WindowKind>("kind");
    QTest::addColumn<QString>("focus");
    QTest::newRow("main window") << WindowKind::Form1 << QString();
    QTest::newRow("stability window, in a field") << WindowKind::frmstabp0 << "TxtN";
    QTest::newRow("graph window") << WindowKind::FrmStabp0G << "TxtIndicen";
  }
  // F1 opens the guide and types nothing; a message box keeps the keyboard to itself.
  void f1OpensTheGuide() {
    QFETCH(WindowKind, kind);
    QFETCH(QString, focus);
    QWidget* w = ModGeneral::showWindow(kind);
    bool openedBehindBox = true;
    QTimer::singleShot(0, [&openedBehindBox] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      QTest::keyClick(box, Qt::Key_F1);
      openedBehindBox = ModGeneral::window(WindowKind::FrmGuide) != nullptr;
      box->close();
    });
    ui::showMessage(w, "Saisie incomplète !");
    QVERIFY(!openedBehindBox);
    QTest::keyClick(focus.isEmpty() ? w : test::field(w, qPrintable(focus)), Qt::Key_F1);
    QWidget* guide = ModGeneral::window(WindowKind::FrmGuide);
    QVERIFY(guide && guide->isVisible());
    if (!focus.isEmpty()) QCOMPARE(test::field(w, qPrintable(focus))->text(), QString());
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
    QTest::addColumn<QString>("surface");
    QTest::addColumn<WindowKind>("kind");
    QTest::addColumn<QString>("file");
    QTest::newRow("stability graph, PNG") << "PB1" << WindowKind::FrmStabp0G << "g.png";
    QTest::newRow("evolution, SVG") << "PBCourbe" << WindowKind::FrmEvolution << "e.svg";
    QTest::newRow("map, PDF") << "PBCarte" << WindowKind::FrmCarte << "c.pdf";
    QTest::newRow("convergence, PNG") << "PBConvergence" << WindowKind::FrmConvergence << "v.png";
  }

  // One context menu on every drawing: the copy is the drawing as it shows,
  // the saved image the drawing again at the file's resolution.
  void drawingsOfferTheirMenu() {
    QFETCH(QString, surface);
    QFETCH(WindowKind, kind);
    QFETCH(QString, file);
    test::BoxCatcher boxes;
    test::click(tryGuideExample("stabp0"), "CmdCalculs");
    QWidget* w = ModGeneral::showWindow(kind);
    if (surface == "PB1") test::click(w, "CmdTracage");
    auto* drawing = w->findChild<QWidget*>(surface);
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
    QVERIFY(file.endsWith(".png") ? QImage(path).size() == shown * 4
                                  : QFileInfo(path).size() > 100);
  }
};

QTEST_MAIN(TestGuide)
#include "test_guide.moc"
