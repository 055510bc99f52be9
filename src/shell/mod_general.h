// ModGeneral: the one study state shared by every window, one slot per window
// kind, and the rule that only one long computation runs at a time.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "core/journal.h"
#include "core/study_state.h"

enum class WindowKind {
  Form1,
  frmstabp0,
  frmstabpeps,
  FrmStabp0G,
  FrmStabpepsG,
  frmConsistP0,
  FrmConsistPepsilon,
  FrmErreurEps0,
  FrmAPropos,
  FrmEvolution,
  FrmCarte,
  FrmConvergence,
  FrmModes,
  FrmGuide,
  Count
};

namespace ModGeneral {

core::StudyState& state();
// The journal of results beside it: which study wrote which table, errors in order.
core::Journal& journal();
// Starts over with an empty state and journal (tests).
void resetState();

// How a window kind is created; registered once at start-up (and by tests).
void setFactory(WindowKind kind, std::function<QWidget*()> factory);
// The open instance, or nullptr.
QWidget* window(WindowKind kind);
// Creates the instance if none is open, then shows it without a modal wait;
// an open window is left as it is (only raised).
QWidget* showWindow(WindowKind kind);
// What the menu item "Rapport de séance…" does (registered at start-up: the
// report draws with the visualisation windows); `parent` is the main window.
void setSessionReport(std::function<void(QWidget*)> write);
void writeSessionReport(QWidget* parent);

// Closes every open window (the main menu's "Quitter").
void closeAll();

// One long computation (consistency or error run) at a time in the program.
// beginComputation() returns false when one is already running. While one
// runs, every window that would start a computation refuses with
// core::fail::busy().
bool beginComputation(QWidget* owner);
void endComputation(QWidget* owner);
bool computationRunning();
// While one runs: says so in a message over `window` and returns true.
bool refusedWhileRunning(QWidget* window);
QWidget* computationOwner();

}  // namespace ModGeneral
