// The running state of one window's long computation, in one object that
// lives on the stack of the button handler.
//
// A study window's button handler is one call of LongRun::click (below),
// which goes through the steps that follow. Used by hand (in a button's
// clicked handler):
//
//   LongRun run(this, LblCalculs, progressBar);   // takes the program-wide guard
//   if (!run.acquired()) {                        // another run is in progress:
//     ui::showFailure(this, core::fail::busy());  // say so and change nothing
//     return;
//   }
//   if (auto f = core::begin...(...)) {           // refused before running:
//     run.finish();                               // idle first, then the message
//     ui::showFailure(this, *f);
//     return;
//   }
//   run.start(pressedButton);   // LblCalculs + bar shown, button disabled,
//                               // any key in this window -> StopRequested
//   run.pump().yieldOnce();
//   auto r = core::run...(state, ..., run.pump(), mark);
//   ...
//   run.finish();               // or let the destructor do it
//
// While started, an application-wide event filter
//  - turns every key press aimed at a widget of the running window (whatever
//    child has the focus) into StopRequested = true and swallows it;
//  - turns a close of the window (title bar, a "Quitter" button calling
//    close(), ModGeneral::closeAll's deletion) into StopRequested = true and
//    holds it back, so the window outlives the stack frame that uses it; the
//    destructor has the close (or deletion) carried out from the event loop,
//    once the handler that owns this object has returned. Between finish()
//    and the end of the handler, do not let events run (no processEvents);
//    a message box is fine unless closeRequested().
// The window therefore needs no closeEvent of its own for this. finish() (or
// the destructor) restores the idle state and releases the guard; it is safe
// to call twice.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "core/failure.h"

#include "ui/controls.h"
#include "ui/event_pump.h"

class QAbstractButton;
class QLabel;
class QProgressBar;
class QWidget;

class LongRun final : public QObject {
  Q_OBJECT

 public:
  // `busyLabel` and `progress` are the window's LblCalculs and progress bar
  // (either may be nullptr); they are shown by start() and hidden by finish().
  LongRun(QWidget* window, QLabel* busyLabel, QProgressBar* progress);
  ~LongRun() override;
  LongRun(const LongRun&) = delete;
  LongRun& operator=(const LongRun&) = delete;

  // The one-computation guard was taken by this object.
  bool acquired() const { return acquired_; }
  // Between start() and finish().
  bool running() const { return running_; }
  // The user asked to close the window during the run (the run has been told
  // to stop; the window closes once the handler returns to the event loop).
  bool closeRequested() const { return closePending_ || deletePending_; }

  // Enters the running state; `pressed` (may be nullptr) is disabled until
  // finish(). Does nothing unless acquired().
  void start(QAbstractButton* pressed);
  // Back to idle: hides the label and bar, re-enables the button, removes the
  // key filter and releases the guard.
  void finish();

  ui::EventPump& pump() { return pump_; }

  // `window`'s long run holds the one-computation guard (from the click until
  // the run has ended).
  static bool runsIn(const QWidget* window);

  // The whole click of a long run: the guard (else the busy refusal, and
  // nothing changes), `begin` (a refusal is shown, nothing else changes), the
  // running state with `pressed` disabled while `body` runs with the pump,
  // then idle, and the failure `body` returns shown unless the window is
  // closing.
  static void click(QWidget* window, const ui::RunNotice& notice, QAbstractButton* pressed,
                    const std::function<core::Outcome()>& begin,
                    const std::function<core::Outcome(ui::EventPump&)>& body);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void carryOutHeldClose();
  bool insideWindow(QObject* object) const;

  QPointer<QWidget> window_;
  QPointer<QLabel> label_;
  QPointer<QProgressBar> bar_;
  QPointer<QAbstractButton> pressed_;
  ui::EventPump pump_;
  bool acquired_ = false;
  bool running_ = false;
  bool closePending_ = false;
  bool deletePending_ = false;
};
