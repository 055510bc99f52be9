// The student guide: each "Essayer" link opens its study window with the
// example's values in place of what was typed and nothing computed; F1 opens
// the guide from any window, not from a message box; the consistency examples
// give their orders.
#include <QTextBrowser>
#include <QtTest>
#include <cmath>

#include "app/windows.h"
#include "guide/guide_window.h"
#include "support/window_support.h"
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

  // The guide's link opens the window with the example's values, replacing whatever was typed
  // before; lists and value labels stay empty. The consistency examples then give orders near 1
  // in time and 2 in space.
  void essayerTypesTheExample() {
    QFETCH(QString, id);
    QFETCH(WindowKind, window);
    QFETCH(test::Fields, example);
    auto* browser = ModGeneral::showWindow(WindowKind::FrmGuide)->findChild<QTextBrowser*>();
    QVERIFY(browser->toHtml().contains("essayer:" + id) && !browser->toPlainText().contains("{{"));
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
    if (!id.startsWith("consist")) return;
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
};

QTEST_MAIN(TestGuide)
#include "test_guide.moc"
