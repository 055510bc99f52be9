// Grabs every window of the program into a folder, before and after a worked
// example: <folder>/<window>-before.png and <window>-after.png; with --dark,
// under a dark desktop palette. Run by scripts/screenshots.sh (offscreen, at
// each screen scale it is given).
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string_view>
#include <utility>

#include "app/windows.h"
#include "guide/guide_window.h"
#include "shell/mod_general.h"
#include "stability/graph_window.h"
#include "dark_palette.h"
#include "ui/typeface.h"
#include "visualisation/evolution_window.h"

namespace {

void set(QWidget* w, const char* name, const char* text) {
  if (auto* e = w->findChild<QLineEdit*>(QString::fromLatin1(name)))
    e->setText(QString::fromUtf8(text));
}

void click(QWidget* w, const char* name) {
  if (auto* b = w->findChild<QAbstractButton*>(QString::fromLatin1(name))) b->click();
}

void save(QWidget* w, const QString& folder, const QString& name) {
  w->show();
  QApplication::processEvents();
  w->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ui::loadTypeface();
  setUpApplication();
  registerWindows();
  QStringList args = app.arguments().mid(1);
  if (args.removeAll(QStringLiteral("--dark")) > 0) QApplication::setPalette(test::darkPalette());
  const QString folder = args.isEmpty() ? QStringLiteral("screenshots") : args.first();
  QDir().mkpath(folder);
  // A message box would stop the run: answer it (none is expected).
  QTimer boxes;
  QObject::connect(&boxes, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
  });
  boxes.start(20);

  struct Shot {
    WindowKind kind;
    const char* name;
    std::function<void(QWidget*)> example;
  };
  const auto stability = [](bool peps) {
    return [peps](QWidget* w) {
      const char* fields[][2] = {{"TxtN", "9"},           {"TxtT", "1"},  {"TxtK", "40"},
                                 {"Txta", "0.1"},         {"Txtu0", "1"}, {"TxtV0", "0"},
                                 {"TxtEpsilon", "0.0625"}};
      for (const auto& f : fields) set(w, f[0], f[1]);
      (void)peps;
      click(w, "CmdCalculs");
    };
  };
  const auto graph = [](WindowKind study) {
    return [study](QWidget* w) {
      (void)ModGeneral::showWindow(study);
      for (const char* level : {"0", "10", "40"}) {
        set(w, "TxtIndicen", level);
        click(w, "CmdTracage");
      }
      // The cross-hair and its read-outs, as the mouse over the drawing shows them.
      if (auto* g = qobject_cast<GraphWindow*>(w)) g->readOut(0.6, 0.5);
    };
  };
  // Time halvings on a grid where the time error dominates, so that the
  // convergence plot shows its slope; space halvings with a small Lambda.
  const auto consistency = [](QWidget* w) {
    const char* fields[][2] = {{"TxtN", "10"},    {"TxtT", "1"},          {"TxtK", "20"},
                               {"Txta", "0.1"},   {"TxtD", "2"},          {"TxtW", "3"},
                               {"TxtPhi", "0.5"}, {"TxtEpsilon", "0.01"}, {"TxtS", "0"}};
    for (const auto& f : fields) set(w, f[0], f[1]);
    for (const char* r : {"0", "1", "2", "3", "4", "5"}) {
      set(w, "TxtR", r);
      click(w, "CmdCalculerH");
    }
    click(w, "CmdCalculerQ");
    set(w, "TxtK", "4000");
    set(w, "TxtN", "4");
    set(w, "TxtT", "0.5");
    for (const char* s : {"0", "1", "2", "3"}) {
      set(w, "TxtS", s);
      click(w, "CmdCalculerTau");
    }
    click(w, "CmdCalculerP");
  };
  // The README's error-study example: E(k) halves as k doubles.
  const auto error = [](QWidget* w) {
    const char* fields[][2] = {{"TxtN", "9"}, {"TxtT", "0.5"},        {"TxtK", "500"},
                               {"Txta", "1"}, {"TxtEpsilon", "0.01"}, {"Txtu0", "1"},
                               {"TxtV0", "0"}};
    for (const auto& f : fields) set(w, f[0], f[1]);
    for (const char* k : {"1", "2", "4", "8"}) {
      set(w, "TxtR", k);
      click(w, "CmdCalculerH");
    }
  };
  const Shot shots[] = {
      {WindowKind::Form1, "Form1", nullptr},
      {WindowKind::frmstabp0, "frmstabp0", stability(false)},
      {WindowKind::FrmStabp0G, "FrmStabp0G", graph(WindowKind::frmstabp0)},
      {WindowKind::frmstabpeps, "frmstabpeps", stability(true)},
      {WindowKind::FrmStabpepsG, "FrmStabpepsG", graph(WindowKind::frmstabpeps)},
      {WindowKind::frmConsistP0, "frmConsistP0", consistency},
      {WindowKind::FrmConsistPepsilon, "FrmConsistPepsilon", consistency},
      {WindowKind::FrmErreurEps0, "FrmErreurEps0", error},
      {WindowKind::FrmAPropos, "FrmAPropos", nullptr},
  };
  // The visualisation windows read what the studies leave: grabbed before
  // any run and again after all of them.
  const std::pair<WindowKind, const char*> readers[] = {
      {WindowKind::FrmEvolution, "FrmEvolution"},
      {WindowKind::FrmCarte, "FrmCarte"},
      {WindowKind::FrmConvergence, "FrmConvergence"},
      {WindowKind::FrmModes, "FrmModes"},
      {WindowKind::FrmGuide, "FrmGuide"}};
  for (const auto& [kind, name] : readers) {
    if (QWidget* w = ModGeneral::showWindow(kind))
      save(w, folder, QString::fromLatin1(name) + QStringLiteral("-before"));
  }
  for (const Shot& shot : shots) {
    QWidget* w = ModGeneral::showWindow(shot.kind);
    if (!w) continue;
    save(w, folder, QString::fromLatin1(shot.name) + QStringLiteral("-before"));
    if (shot.example) {
      shot.example(w);
      save(w, folder, QString::fromLatin1(shot.name) + QStringLiteral("-after"));
    }
  }
  for (const auto& [kind, name] : readers) {
    if (QWidget* w = ModGeneral::showWindow(kind))
      save(w, folder, QString::fromLatin1(name) + QStringLiteral("-after"));
  }
  // Three runs of other conductivities kept beside a fourth, halfway through it.
  auto* evolution =
      qobject_cast<EvolutionWindow*>(ModGeneral::showWindow(WindowKind::FrmEvolution));
  QWidget* stab = ModGeneral::showWindow(WindowKind::frmstabp0);
  if (evolution && stab) {
    const char* runs[][2] = {{"0.5", "100"}, {"2", "200"}, {"3", "300"}, {"1", "100"}};
    for (const auto& [a, K] : runs) {
      const char* fields[][2] = {
          {"TxtN", "19"}, {"TxtT", "0.1"}, {"TxtK", K}, {"Txta", a}, {"Txtu0", "1"}};
      for (const auto& f : fields) set(stab, f[0], f[1]);
      click(stab, "CmdCalculs");
      evolution->chooseScheme(core::Scheme::P0);
      if (std::string_view(a) != "1") click(evolution, "CmdGarder");
    }
    evolution->setLevel(50);
    save(evolution, folder, QStringLiteral("FrmEvolution-kept"));
  }
  // The modes window on the guide's three examples of "Pourquoi un schéma explose".
  for (const char* id : {"modesp0n3", "modesp0n49", "modespeps"}) {
    if (QWidget* study = tryGuideExample(QString::fromLatin1(id))) click(study, "CmdCalculs");
    if (QWidget* w = ModGeneral::showWindow(WindowKind::FrmModes)) {
      const bool peps = std::string_view(id) == "modespeps";
      if (auto* b = w->findChild<QAbstractButton*>(
              QString::fromLatin1(peps ? "OptionSolution_1" : "OptionSolution_0")))
        b->click();
      QMetaObject::invokeMethod(w, "synchronise");
      save(w, folder, QStringLiteral("FrmModes-%1").arg(QString::fromLatin1(id)));
    }
  }
  ModGeneral::closeAll();
  return 0;
}
