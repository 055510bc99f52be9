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
    const QStringList expected{// in order, only the guide has a key (F1), none folded away
                               "mnufichier:Fichier",
                               "mnuquitter:Quitter",
                               "mnuetudeexpstab:Etude Exp. de la stabilité",
                               "mnup0:Schéma P0",
                               "mnupepsilon:Schéma Pepsilon",
                               "mnuetudeexpconsistance:Etude Exp. de la consistance",
                               "mnuconsistp0:Schéma P0",
                               "mnuconsistpepsilon:Schéma Pepsilon",
                               "mnuEtudeerreurueps0:Erreur entre Ueps/k et Uo",
                               "mnuCalculErreur:Calcul de l'Erreur",
                               "mnuvisualisation:Visualisation",
                               "mnuevolution:Évolution de la solution",
                               "mnucarte:Carte espace–temps",
                               "mnuconvergence:Courbes de convergence",
                               "mnumodes:Modes de Fourier et stabilité",
                               "mnurapport:Rapport de séance…",
                               "mnuinter:?",
                               "mnuguide:Guide de l'étudiant+key",
                               "mnuAPropos:A Propos de ce logiciel"};
    QStringList seen;
    auto* bar = form1->findChild<QMenuBar*>();
    for (QAction* top : bar->actions()) {
      seen << top->objectName() + ":" + top->text();
      QVERIFY(bar->rect().contains(bar->actionGeometry(top)));
      for (QAction* a : top->menu()->actions())
        seen << a->objectName() + ":" + a->text() + (a->shortcut().isEmpty() ? "" : "+key");
    }
    QCOMPARE(seen, expected);
  }

  void eachItemOpensOneNonModalWindow() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    const char* items[][2] = {{"mnup0", "frmstabp0"},
                              {"mnupepsilon", "frmstabpeps"},
                              {"mnuconsistp0", "frmConsistP0"},
                              {"mnuconsistpepsilon", "FrmConsistPepsilon"},
                              {"mnuCalculErreur", "FrmErreurEps0"},
                              {"mnuAPropos", "FrmAPropos"},
                              {"mnuguide", "FrmGuide"},
                              {"mnuevolution", "FrmEvolution"},
                              {"mnucarte", "FrmCarte"},
                              {"mnuconvergence", "FrmConvergence"},
                              {"mnumodes", "FrmModes"}};
    for (const auto& row : items) {
      const char* itemName = row[0];
      const char* window = row[1];
      auto open = [&] {
        item(form1, itemName)->trigger();
        QWidgetList found;
        for (QWidget* w : QApplication::topLevelWidgets())
          if (w->objectName() == window) found << w;
        return found;
      };
      const QWidgetList first = open();
      QCOMPARE(open(), first);  // a second choice shows the same window
      QCOMPARE(first.size(), 1);
      QVERIFY(first[0]->isVisible() && !first[0]->isModal() && !first[0]->parentWidget());
    }
    QVERIFY(!QApplication::activeModalWidget() && form1->isVisible());
  }

  // Each window's closing touches that window only; a reopened one is fresh.
  void closedWindowComesBackFreshOthersStay() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    item(form1, "mnup0")->trigger();
    QPointer<QWidget> w = ModGeneral::window(WindowKind::frmstabp0);
    const char* fields[][2] = {
        {"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "16"}, {"Txta", "0.5"}, {"Txtu0", "1"}};
    for (auto& f : fields) test::setText(w, f[0], f[1]);
    test::button(w, "CmdCalculs")->click();
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
