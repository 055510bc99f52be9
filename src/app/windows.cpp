#include "app/windows.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "about/about_window.h"
#include "consistency/consistency_window.h"
#include "epsilon_error/epsilon_error_window.h"
#include "guide/guide_window.h"
#include "shell/form1.h"
#include "shell/mod_general.h"
#include "stability/graph_window.h"
#include "stability/stability_window.h"
#include "visualisation/carte_window.h"
#include "visualisation/convergence_window.h"
#include "visualisation/evolution_window.h"
#include "visualisation/modes_window.h"
#include "visualisation/session_report.h"

void registerWindows() {
  using core::Scheme;
  ModGeneral::setFactory(WindowKind::Form1, [] { return new Form1; });
  ModGeneral::setFactory(WindowKind::frmstabp0, [] { return new StabilityWindow(Scheme::P0); });
  ModGeneral::setFactory(WindowKind::frmstabpeps, [] { return new StabilityWindow(Scheme::Peps); });
  ModGeneral::setFactory(WindowKind::FrmStabp0G, [] { return new GraphWindow(Scheme::P0); });
  ModGeneral::setFactory(WindowKind::FrmStabpepsG, [] { return new GraphWindow(Scheme::Peps); });
  ModGeneral::setFactory(WindowKind::frmConsistP0,
                         [] { return new ConsistencyWindow(Scheme::P0); });
  ModGeneral::setFactory(WindowKind::FrmConsistPepsilon,
                         [] { return new ConsistencyWindow(Scheme::Peps); });
  ModGeneral::setFactory(WindowKind::FrmErreurEps0, [] { return new EpsilonErrorWindow; });
  ModGeneral::setFactory(WindowKind::FrmAPropos, [] { return new AboutWindow; });
  ModGeneral::setFactory(WindowKind::FrmEvolution, [] { return new EvolutionWindow; });
  ModGeneral::setFactory(WindowKind::FrmCarte, [] { return new CarteWindow; });
  ModGeneral::setFactory(WindowKind::FrmConvergence, [] { return new ConvergenceWindow; });
  ModGeneral::setFactory(WindowKind::FrmModes, [] { return new ModesWindow; });
  ModGeneral::setFactory(WindowKind::FrmGuide, [] { return new GuideWindow; });
  ModGeneral::setSessionReport([](QWidget* parent) { vis::saveReportAs(parent); });
  installGuideShortcut();
}

bool setUpApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("Orvalend"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORV_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("fr.orvalend.Orvalend"));

  Q_INIT_RESOURCE(app_icon);  // the resources of a static library are linked on request
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icon/%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);

  auto* qtFrench = new QTranslator(qApp);
  if (!qtFrench->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete qtFrench;
    return false;
  }
  QCoreApplication::installTranslator(qtFrench);
  return true;
}
