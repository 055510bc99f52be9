// The program as a student starts it: Form1, its menu, one instance per
// window kind, fresh windows after a close, Pi at start, "Quitter".
#include <QMenuBar>
#include <QProcess>
#include <QtTest>
#include <bit>

#include "app/windows.h"
#include "support/window_support.h"

namespace {

QAction* item(QWidget* form1, const char* name) { return form1->findChild<QAction*>(name); }

void flushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// Child process: "Quitter" comes while a long run pumps events and a study
// window is open; the run ends only once asked to stop.
int quitDuringRun(QApplication& app) {
  QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
  ModGeneral::showWindow(WindowKind::frmstabp0);
  QTimer::singleShot(0, [form1] {
    QTimer::singleShot(200, form1, [form1] { item(form1, "mnuquitter")->trigger(); });
    while (!ModGeneral::state().StopRequested)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  });
  return app.exec();
}

}  // namespace

class TestShell : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(setUpApplication()); }  // with Qt's own texts in French
  void cleanup() {
    ModGeneral::closeAll();
    flushDeletes();
    ModGeneral::resetState();
  }

  void startStoresPiAndShowsTheMenu() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    QCOMPARE(std::bit_cast<std::uint64_t>(ModGeneral::state().Pi.value()), 0x400921FB54442D28u);
    for (int k = 1; k < int(WindowKind::Count); ++k) QVERIFY(!ModGeneral::window(WindowKind(k)));
    // Every menu title whole on the bar; only the guide has a key (F1).
    QStringList keyed;
    auto* bar = form1->findChild<QMenuBar*>();
    for (QAction* top : bar->actions()) {
      QVERIFY(bar->rect().contains(bar->actionGeometry(top)));
      for (QAction* a : top->menu()->actions())
        if (!a->shortcut().isEmpty()) keyed << a->objectName();
    }
    QCOMPARE(keyed, QStringList{"mnuguide"});
  }

  void eachItemOpensOneNonModalWindow_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    for (const QString& pair :
         QStringLiteral("mnup0=frmstabp0 mnupepsilon=frmstabpeps mnuconsistp0=frmConsistP0 "
                        "mnuconsistpepsilon=FrmConsistPepsilon mnuCalculErreur=FrmErreurEps0 "
                        "mnuAPropos=FrmAPropos mnuguide=FrmGuide mnuevolution=FrmEvolution "
                        "mnucarte=FrmCarte mnuconvergence=FrmConvergence mnumodes=FrmModes")
             .split(' '))
      QTest::newRow(qPrintable(pair)) << pair.section('=', 0, 0) << pair.section('=', 1);
  }

  // A second choice of the item shows the same window.
  void eachItemOpensOneNonModalWindow() {
    QFETCH(QString, item);
    QFETCH(QString, window);
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    auto open = [&] {
      form1->findChild<QAction*>(item)->trigger();
      QWidgetList found;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == window) found << w;
      return found;
    };
    const QWidgetList first = open();
    QCOMPARE(open(), first);
    QCOMPARE(first.size(), 1);
    QVERIFY(first[0]->isVisible() && !first[0]->isModal() && !first[0]->parentWidget());
    QVERIFY(!QApplication::activeModalWidget() && form1->isVisible());
  }

  // Each window's closing touches that window only; a reopened one is fresh.
  void closedWindowComesBackFreshOthersStay() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    item(form1, "mnup0")->trigger();
    QPointer<QWidget> w = ModGeneral::window(WindowKind::frmstabp0);
    test::click(w, "CmdCalculs", {.N = "3", .T = "1", .K = "16", .a = "0.5", .u0 = "1"});
    QCOMPARE(test::lines(w, "ListRes").size(), 18);
    test::button(w, "Cmdgraphique")->click();
    QPointer<QWidget> graph = ModGeneral::window(WindowKind::FrmStabp0G);
    test::button(w, "CmdCalculs")->click();
    test::button(w, "Cmdgraphique")->click();  // the open graph window is kept
    QCOMPARE(ModGeneral::window(WindowKind::FrmStabp0G), graph.data());
    test::button(w, "CmdQuitter")->click();
    flushDeletes();
    QVERIFY(!w && graph && graph->isVisible());  // discarded, not only hidden
    item(form1, "mnup0")->trigger();
    QWidget* again = ModGeneral::window(WindowKind::frmstabp0);
    for (auto* e : again->findChildren<QLineEdit*>()) QVERIFY(e->text().isEmpty());
    for (const char* l : {"LblH", "LblTau", "LblLambda"})
      QVERIFY(test::labelText(again, l).isEmpty());
    QVERIFY(test::lines(again, "ListRes").isEmpty());
    QVERIFY(!test::button(again, "Cmdgraphique")->isEnabled());
    // Closing Form1 leaves the others open and the program running.
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    form1->close();
    flushDeletes();
    QVERIFY(!ModGeneral::window(WindowKind::Form1));
    QVERIFY(again->isVisible() && graph->isVisible());
    QCOMPARE(lastClosed.count(), 0);
  }

  void quitterEndsTheProcessDuringALongRun() {
    QProcess child;
    qputenv("ORV_QUIT_CHILD", "1");
    child.start(QCoreApplication::applicationFilePath(), {});
    qunsetenv("ORV_QUIT_CHILD");
    QVERIFY(child.waitForFinished(60000));  // only guards against a hang
    QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  registerWindows();
  if (!qEnvironmentVariableIsEmpty("ORV_QUIT_CHILD")) return quitDuringRun(app);
  TestShell test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_shell.moc"
