// The program as a student starts it: Form1, its menu, one instance per
// window kind, fresh windows after a close, Pi at start, "Quitter".
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <bit>
#include <map>
#include <cstdint>
#include <thread>

#include "app/windows.h"
#include "shell/form1.h"
#include "shell/mod_general.h"

namespace {

QAction* item(QWidget* form1, const char* name) {
  auto* a = form1->findChild<QAction*>(name);
  if (!a) qFatal("no menu item %s", name);
  return a;
}

void flushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// Child process: Form1 and a long run that pumps events, or a message box
// waiting in a study window; "Quitter" is chosen meanwhile. `stubborn` runs
// ignore StopRequested.
int quitDuringRun(int argc, char** argv, const QByteArray& mode) {
  const bool stubborn = mode == "stubborn";
  QApplication app(argc, argv);
  setUpApplication();
  registerWindows();
  QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
  QWidget* stab = ModGeneral::showWindow(WindowKind::frmstabp0);
  QTimer::singleShot(200, form1, [form1] { item(form1, "mnuquitter")->trigger(); });
  if (mode == "box") {  // "Saisie incomplète !" is open when "Quitter" comes
    QTimer::singleShot(0, stab, [stab] { stab->findChild<QPushButton*>("CmdCalculs")->click(); });
    app.exec();
    return 0;
  }
  QTimer::singleShot(0, [form1, stubborn] {
    ModGeneral::beginComputation(form1);
    while (stubborn || !ModGeneral::state().StopRequested) {
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ModGeneral::endComputation(form1);
  });
  app.exec();
  return 0;
}

}  // namespace

class TestShell : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(setUpApplication());
    registerWindows();
  }
  void cleanup() {
    ModGeneral::closeAll();
    flushDeletes();
    ModGeneral::resetState();
  }

  void startStoresPiAndOpensOnlyForm1() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    QVERIFY(form1);
    QCOMPARE(std::bit_cast<std::uint64_t>(ModGeneral::state().Pi.value()),
             std::uint64_t{0x400921FB54442D28});
    for (int k = 1; k < int(WindowKind::Count); ++k) {
      QVERIFY(!ModGeneral::window(WindowKind(k)));
    }
    QCOMPARE(QCoreApplication::applicationVersion(), QString("1.00"));
    QCOMPARE(QCoreApplication::applicationName(), QString("Orvalend"));
    // Qt's own texts speak French (a field's context menu).
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Copy"), QString("Cop&ier"));
  }

  void form1Contents() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    QCOMPARE(form1->objectName(), QString("Form1"));
    QCOMPARE(form1->windowTitle(), QString("ORVALEND - Version 1.0"));
    QCOMPARE(form1->minimumSize(), form1->maximumSize());
    QVERIFY(!(form1->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form1->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form1->findChild<QWidget*>("Form1Client")->size(), QSize(531, 355));
    auto label = [form1](const char* n) { return form1->findChild<QLabel*>(n); };
    QCOMPARE(label("Label1")->text(), QString("ORVALEND"));
    QCOMPARE(label("Label2")->text(),
             QString("Etude comparative d'un problème de chaleur de type parabolique et de "
                     "type hyperbolique (Mervodan)"));
    QCOMPARE(label("Label3")->text(), QString("Modèle classique"));
    QCOMPARE(label("Label4")->text(), QString("Modèle de Mervodan"));
    QCOMPARE(label("Label1")->palette().color(QPalette::Window), QColor(255, 192, 128));
    QCOMPARE(label("Label3")->palette().color(QPalette::Window), QColor(255, 255, 0));
    QCOMPARE(label("Label1")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(label("Label1")->geometry(), QRect(133, 8, 289, 23));
    QCOMPARE(form1->findChild<QWidget*>("Picture1")->geometry(), QRect(28, 106, 471, 91));
    QCOMPARE(form1->findChild<QWidget*>("Picture2")->geometry(), QRect(25, 227, 476, 112));

    // The menu bar, in order, without shortcuts.
    const QStringList expected{
        "mnufichier:Fichier",          "mnuquitter:Quitter",
        "mnuetudeexpstab:Etude Exp. de la stabilité", "mnup0:Schéma P0",
        "mnupepsilon:Schéma Pepsilon", "mnuetudeexpconsistance:Etude Exp. de la consistance",
        "mnuconsistp0:Schéma P0",      "mnuconsistpepsilon:Schéma Pepsilon",
        "mnuEtudeerreurueps0:Erreur entre Ueps/k et Uo", "mnuCalculErreur:Calcul de l'Erreur",
        "mnuinter:?",                  "mnuAPropos:A Propos de ce logiciel"};
    QStringList seen;
    auto* bar = form1->findChild<QMenuBar*>();
    for (QAction* top : bar->actions()) {
      seen << top->objectName() + ":" + top->text();
      QVERIFY(top->menu());
      for (QAction* a : top->menu()->actions()) {
        seen << a->objectName() + ":" + a->text();
        QVERIFY(a->shortcut().isEmpty());
      }
    }
    QCOMPARE(seen, expected);
    // Every menu title stands within the fixed width (none folded away).
    for (QAction* top : bar->actions()) {
      QVERIFY(bar->rect().contains(bar->actionGeometry(top)));
    }
  }

  void everyItemOpensItsWindowWithoutModalWait_data() {
    QTest::addColumn<QString>("itemName");
    QTest::addColumn<int>("kind");
    QTest::newRow("mnup0") << "mnup0" << int(WindowKind::frmstabp0);
    QTest::newRow("mnupepsilon") << "mnupepsilon" << int(WindowKind::frmstabpeps);
    QTest::newRow("mnuconsistp0") << "mnuconsistp0" << int(WindowKind::frmConsistP0);
    QTest::newRow("mnuconsistpepsilon")
        << "mnuconsistpepsilon" << int(WindowKind::FrmConsistPepsilon);
    QTest::newRow("mnuCalculErreur") << "mnuCalculErreur" << int(WindowKind::FrmErreurEps0);
    QTest::newRow("mnuAPropos") << "mnuAPropos" << int(WindowKind::FrmAPropos);
  }
  void everyItemOpensItsWindowWithoutModalWait() {
    QFETCH(QString, itemName);
    QFETCH(int, kind);
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    item(form1, itemName.toLatin1().constData())->trigger();
    QWidget* w = ModGeneral::window(WindowKind(kind));
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(w->isWindow());
    QVERIFY(!w->isModal());
    QVERIFY(!w->parentWidget());  // Form1 does not own it
    QVERIFY(!QApplication::activeModalWidget());
    static const char* names[] = {"Form1",        "frmstabp0",          "frmstabpeps",
                                  "FrmStabp0G",   "FrmStabpepsG",       "frmConsistP0",
                                  "FrmConsistPepsilon", "FrmErreurEps0", "FrmAPropos"};
    QCOMPARE(w->objectName(), QString(names[kind]));
    QVERIFY(form1->isVisible());
  }

  void secondChoiceKeepsTheOpenWindow() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    item(form1, "mnup0")->trigger();
    QWidget* first = ModGeneral::window(WindowKind::frmstabp0);
    first->findChild<QLineEdit*>("TxtN")->setText("3");
    item(form1, "mnup0")->trigger();
    QCOMPARE(ModGeneral::window(WindowKind::frmstabp0), first);
    QCOMPARE(first->findChild<QLineEdit*>("TxtN")->text(), QString("3"));
    const auto tops = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(tops.begin(), tops.end(),
                           [](QWidget* w) { return w->objectName() == "frmstabp0"; }),
             1);
  }

  void closedWindowComesBackFresh() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    for (const char* name : {"mnup0", "mnupepsilon"}) {
      item(form1, name)->trigger();
      QPointer<QWidget> w = ModGeneral::window(std::string(name) == "mnup0" ? WindowKind::frmstabp0
                                                           : WindowKind::frmstabpeps);
      const bool peps = std::string(name) == "mnupepsilon";
      const std::map<QString, QString> fields =
          peps ? std::map<QString, QString>{{"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "16"},
                                            {"Txta", "0.5"}, {"Txtu0", "1"}, {"TxtV0", "0"},
                                            {"TxtEpsilon", "0.0625"}}
               : std::map<QString, QString>{
                     {"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "16"}, {"Txta", "0.5"}, {"Txtu0", "1"}};
      for (const auto& [n, t] : fields) w->findChild<QLineEdit*>(n)->setText(t);
      if (peps) w->findChild<QAbstractButton*>("CheckF")->setChecked(true);
      w->findChild<QPushButton*>("CmdCalculs")->click();
      QVERIFY(w->findChild<QPushButton*>("Cmdgraphique")->isEnabled());
      QCOMPARE(w->findChild<QAbstractItemView*>("ListRes")->model()->rowCount(), 18);

      w->findChild<QPushButton*>("CmdQuitter")->click();
      flushDeletes();
      QVERIFY(!w);  // discarded, not only hidden
      item(form1, name)->trigger();
      QWidget* again = ModGeneral::window(peps ? WindowKind::frmstabpeps : WindowKind::frmstabp0);
      QVERIFY(again);
      for (auto* e : again->findChildren<QLineEdit*>()) QVERIFY(e->text().isEmpty());
      for (const char* l : {"LblH", "LblTau", "LblLambda"}) {
        QVERIFY(again->findChild<QLabel*>(l)->text().isEmpty());
      }
      QCOMPARE(again->findChild<QAbstractItemView*>("ListRes")->model()->rowCount(), 0);
      QVERIFY(!again->findChild<QPushButton*>("Cmdgraphique")->isEnabled());
      if (peps) QVERIFY(!again->findChild<QAbstractButton*>("CheckF")->isChecked());
    }
  }

  void graphiquesOpensTheGraphWindow() {
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    item(form1, "mnup0")->trigger();
    QWidget* stab = ModGeneral::window(WindowKind::frmstabp0);
    const std::map<QString, QString> fields{
        {"TxtN", "3"}, {"TxtT", "1"}, {"TxtK", "16"}, {"Txta", "0.5"}, {"Txtu0", "1"}};
    for (const auto& [n, t] : fields) stab->findChild<QLineEdit*>(n)->setText(t);
    stab->findChild<QPushButton*>("CmdCalculs")->click();
    stab->findChild<QPushButton*>("Cmdgraphique")->click();
    QWidget* graph = ModGeneral::window(WindowKind::FrmStabp0G);
    QVERIFY(graph);
    QCOMPARE(graph->objectName(), QString("FrmStabp0G"));
    QVERIFY(!graph->parentWidget());
    // A new run and a second click leave the open graph window as it is.
    stab->findChild<QPushButton*>("CmdCalculs")->click();
    stab->findChild<QPushButton*>("Cmdgraphique")->click();
    QCOMPARE(ModGeneral::window(WindowKind::FrmStabp0G), graph);
  }

  void closingForm1KeepsTheOthers() {
    QVERIFY(QApplication::quitOnLastWindowClosed());
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    item(form1, "mnup0")->trigger();
    QPointer<QWidget> stab = ModGeneral::window(WindowKind::frmstabp0);
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    form1->close();
    flushDeletes();
    QVERIFY(!ModGeneral::window(WindowKind::Form1));
    QVERIFY(stab && stab->isVisible());
    QCOMPARE(lastClosed.count(), 0);
  }

  void quitterStopsTheRunAndClosesEverything() {
    bool ended = false;
    Form1::setProgramEnd([&ended] { ended = true; });
    QWidget* form1 = ModGeneral::showWindow(WindowKind::Form1);
    item(form1, "mnup0")->trigger();
    item(form1, "mnuAPropos")->trigger();
    QPointer<QWidget> stab = ModGeneral::window(WindowKind::frmstabp0);
    item(form1, "mnuquitter")->trigger();
    QVERIFY(ended);
    QVERIFY(ModGeneral::state().StopRequested);
    QVERIFY(!stab || !stab->isVisible());
    flushDeletes();
    for (int k = 0; k < int(WindowKind::Count); ++k) QVERIFY(!ModGeneral::window(WindowKind(k)));
    Form1::setProgramEnd(nullptr);
  }

  void quitterEndsTheProcessDuringALongRun_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("withinMs");
    QTest::newRow("run that stops on request") << "stops" << 2000;
    QTest::newRow("run that ignores the request") << "stubborn" << 6000;
    QTest::newRow("message box open") << "box" << 2000;
  }
  void quitterEndsTheProcessDuringALongRun() {
    QFETCH(QString, mode);
    QFETCH(int, withinMs);
    QProcess child;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("ORV_QUIT_CHILD", mode);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    const bool finished = child.waitForFinished(withinMs + 3000);
    if (!finished) child.kill();
    QVERIFY(finished);
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QVERIFY(clock.elapsed() < withinMs);
  }
};

int main(int argc, char** argv) {
  const QByteArray child = qgetenv("ORV_QUIT_CHILD");
  if (!child.isEmpty()) return quitDuringRun(argc, argv, child);
  QApplication app(argc, argv);
  TestShell test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_shell.moc"
