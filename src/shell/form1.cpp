#include "shell/form1.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/schemes.h"
#include "shell/mod_general.h"
#include "shell/problem_picture.h"
#include "ui/message.h"
#include "ui/window_kit.h"

namespace {

// Leaves the main event loop (and every nested one: an open message box, a
// modal wait). Should anything keep the process alive a moment later, it is
// ended anyway: "Quitter" asks nothing and saves nothing.
void endProcess() {
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::_Exit(0);
  }).detach();
  QCoreApplication::exit(0);
}

// The six menus stand side by side within the window's fixed width.
const QString kMenuBarStyle = QStringLiteral("QMenuBar::item { padding: 2px 3px; }");

std::function<void()>& programEnd() {
  static std::function<void()> end = endProcess;
  return end;
}

QLabel* titleLabel(QWidget* parent, const char* name, const QString& text, const QRect& place,
                   const QFont& font, const QColor& background) {
  QLabel* l = ui::caption(parent, text, place, QColor(), Qt::AlignCenter);
  l->setObjectName(QString::fromLatin1(name));
  l->setFont(font);
  ui::setColors(l, ui::colour::blue, background);
  return l;
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("ORVALEND - Version 1.0"));
  // Load step: the one value the program sets before any study.
  ModGeneral::state().Pi = core::piValue();
  buildMenus();
  buildContents();
  setFixedSize(531, 355 + menuBar()->sizeHint().height());
}

void Form1::setProgramEnd(std::function<void()> end) {
  programEnd() = end ? std::move(end) : std::function<void()>(endProcess);
}

void Form1::buildContents() {
  auto* area = new QWidget(this);
  area->setObjectName(QStringLiteral("Form1Client"));
  area->setFixedSize(531, 355);
  setCentralWidget(area);

  using ui::colour::lightOrange;
  using ui::colour::yellow;
  titleLabel(area, "Label1", QStringLiteral("ORVALEND"), {133, 8, 289, 23},
             ui::typeface(13.5, true, true), lightOrange);
  titleLabel(area, "Label2",
             QStringLiteral("Etude comparative d'un problème de chaleur de type parabolique et de "
                            "type hyperbolique (Mervodan)"),
             {88, 34, 383, 34}, ui::typeface(9.75, true), lightOrange)
      ->setWordWrap(true);
  titleLabel(area, "Label3", QStringLiteral("Modèle classique"), {29, 84, 160, 20},
             ui::typeface(9.75, true), yellow);
  titleLabel(area, "Label4", QStringLiteral("Modèle de Mervodan"), {27, 206, 160, 20},
             ui::typeface(9.75, true), yellow);

  // A problem's statement, named for screen readers by its text in one line.
  const auto picture = [area](Problem problem, const char* name, const QString& accessibleName,
                              const QString& statement, const QRect& place) {
    auto* p = new ProblemPicture(problem, place.size() - QSize(4, 4), area);
    p->setObjectName(QLatin1String(name));
    p->setAccessibleName(accessibleName);
    p->setAccessibleDescription(statement);
    ui::place(p, place);
  };
  picture(Problem::P0, "Picture1", QStringLiteral("Problème P0"),
          QStringLiteral("-a.Delta u0 + u0_t = f pour x dans (0,1), t > 0 ; u0(x,0) = u0(x) pour "
                         "x dans (0,1) ; u0(0,t) = u0(1,t) = 0 pour t > 0"),
          {28, 106, 471, 91});
  picture(Problem::Pepsilon, "Picture2", QStringLiteral("Problème Pepsilon"),
          QStringLiteral("epsilon.ueps_tt - a.Delta ueps + ueps_t = f pour x dans (0,1), t > 0 ; "
                         "ueps(x,0) = u0(x) pour x dans (0,1) ; ueps_t(x,0) = v0eps(x) pour x "
                         "dans (0,1) ; ueps(0,t) = ueps(1,t) = 0 pour t > 0"),
          {25, 227, 476, 112});
}

QAction* Form1::addItem(QMenu* menu, const char* name, const QString& caption, WindowKind kind) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  connect(item, &QAction::triggered, this, [this, kind] {
    if (!ModGeneral::showWindow(kind)) {
      ui::showFailure(this, core::fail::windowUnavailable());
    }
  });
  return item;
}

void Form1::buildMenus() {
  QMenuBar* bar = menuBar();
  bar->setFont(ui::typeface(8));
  // Each caption's mnemonic ("&") is a letter of its own within its menu:
  // Alt + the letter opens a menu, the letter alone chooses an item.
  bar->setStyleSheet(kMenuBarStyle);
  auto topLevel = [bar](const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
  };

  QMenu* fichier = topLevel("mnufichier", QStringLiteral("&Fichier"));
  QAction* quitter = fichier->addAction(QStringLiteral("&Quitter"));
  quitter->setObjectName(QStringLiteral("mnuquitter"));
  connect(quitter, &QAction::triggered, this, &Form1::quitProgram);

  QMenu* stab = topLevel("mnuetudeexpstab", QStringLiteral("Etude Exp. de la &stabilité"));
  addItem(stab, "mnup0", QStringLiteral("Schéma &P0"), WindowKind::frmstabp0);
  addItem(stab, "mnupepsilon", QStringLiteral("Schéma P&epsilon"), WindowKind::frmstabpeps);

  QMenu* consist =
      topLevel("mnuetudeexpconsistance", QStringLiteral("Etude Exp. de la &consistance"));
  addItem(consist, "mnuconsistp0", QStringLiteral("Schéma &P0"), WindowKind::frmConsistP0);
  addItem(consist, "mnuconsistpepsilon", QStringLiteral("Schéma P&epsilon"),
          WindowKind::FrmConsistPepsilon);

  QMenu* erreur = topLevel("mnuEtudeerreurueps0", QStringLiteral("&Erreur entre Ueps/k et Uo"));
  addItem(erreur, "mnuCalculErreur", QStringLiteral("&Calcul de l'Erreur"),
          WindowKind::FrmErreurEps0);

  QMenu* visu = topLevel("mnuvisualisation", QStringLiteral("&Visualisation"));
  addItem(visu, "mnuevolution", QStringLiteral("É&volution de la solution"),
          WindowKind::FrmEvolution);
  addItem(visu, "mnucarte", QStringLiteral("&Carte espace–temps"), WindowKind::FrmCarte);
  addItem(visu, "mnuconvergence", QStringLiteral("C&ourbes de convergence"),
          WindowKind::FrmConvergence);
  addItem(visu, "mnumodes", QStringLiteral("&Modes de Fourier et stabilité"), WindowKind::FrmModes);
  QAction* rapport = visu->addAction(QStringLiteral("&Rapport de séance…"));
  rapport->setObjectName(QStringLiteral("mnurapport"));
  connect(rapport, &QAction::triggered, this, [this] { ModGeneral::writeSessionReport(this); });

  QMenu* inter = topLevel("mnuinter", QStringLiteral("&?"));
  addItem(inter, "mnuguide", QStringLiteral("&Guide de l'étudiant"), WindowKind::FrmGuide)
      ->setShortcut(Qt::Key_F1);  // F1 works from every window (guide_window.cpp)
  addItem(inter, "mnuAPropos", QStringLiteral("&A Propos de ce logiciel"), WindowKind::FrmAPropos);
}

void Form1::changeEvent(QEvent* event) {
  // A style sheet keeps the palette it was set under: set it again so that
  // the menu bar follows a new desktop palette.
  if (event->type() == QEvent::PaletteChange) {
    menuBar()->setStyleSheet(QString());
    menuBar()->setStyleSheet(kMenuBarStyle);
  }
  QMainWindow::changeEvent(event);
}

void Form1::quitProgram() {
  // A run that is pumping events stops at its next step; every window goes
  // at once, without its own closing step.
  ModGeneral::state().StopRequested = true;
  for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
  ModGeneral::closeAll();
  programEnd()();
}
