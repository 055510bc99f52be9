#include "shell/long_run.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

#include "shell/mod_general.h"
#include "ui/message.h"

LongRun::LongRun(QWidget* window, QLabel* busyLabel, QProgressBar* progress)
    : window_(window), label_(busyLabel), bar_(progress), pump_(progress) {
  acquired_ = ModGeneral::beginComputation(window);
}

LongRun::~LongRun() {
  finish();
  carryOutHeldClose();
}

void LongRun::click(QWidget* window, const ui::RunNotice& notice, QAbstractButton* pressed,
                    const std::function<core::Outcome()>& begin,
                    const std::function<core::Outcome(ui::EventPump&)>& body) {
  // The guard comes first: a refused click must not touch StopRequested,
  // which belongs to the run in progress.
  LongRun run(window, notice.label, notice.progress);
  if (!run.acquired()) {
    ui::showFailure(window, core::fail::busy());
    return;
  }
  if (const core::Outcome refused = begin()) {
    run.finish();
    ui::showFailure(window, *refused);
    return;
  }
  run.start(pressed);
  const core::Outcome failure = body(run.pump());
  // A close asked for during the run is carried out once the run is idle; a
  // message box would then outlive its window.
  const bool closing = run.closeRequested();
  run.finish();
  if (failure && !closing) ui::showFailure(window, *failure);
}

bool LongRun::runsIn(const QWidget* window) {
  return ModGeneral::computationRunning() && ModGeneral::computationOwner() == window;
}

void LongRun::start(QAbstractButton* pressed) {
  if (!acquired_ || running_) return;
  running_ = true;
  pressed_ = pressed;
  if (bar_) {
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->show();
    bar_->raise();
  }
  if (label_) {
    label_->show();
    label_->raise();
  }
  if (pressed_) pressed_->setEnabled(false);
  qApp->installEventFilter(this);
}

void LongRun::finish() {
  if (running_) {
    running_ = false;
    qApp->removeEventFilter(this);
    if (label_) label_->hide();
    if (bar_) bar_->hide();
    if (pressed_) pressed_->setEnabled(true);
  }
  if (acquired_) {
    acquired_ = false;
    ModGeneral::endComputation(window_);
  }
}

void LongRun::carryOutHeldClose() {
  if (!window_ || !(deletePending_ || closePending_)) return;
  // From the event loop, once the handler that owns this run (and uses the
  // window) has returned. A swallowed deferred deletion cannot be posted
  // again (Qt posts one per object), so the window is deleted directly.
  QPointer<QWidget> w = window_;
  const bool remove = deletePending_;
  deletePending_ = closePending_ = false;
  QTimer::singleShot(0, qApp, [w, remove] {
    if (!w) return;
    if (remove)
      delete w.data();
    else
      w->close();
  });
}

bool LongRun::insideWindow(QObject* object) const {
  if (!window_ || !object || !object->isWidgetType()) return false;
  auto* w = static_cast<QWidget*>(object);
  return w == window_ || window_->isAncestorOf(w);
}

bool LongRun::eventFilter(QObject* watched, QEvent* event) {
  if (!running_) return false;
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Claim the key so no shortcut of the window acts on it; the key press
      // that follows stops the run.
      if (insideWindow(watched)) {
        event->accept();
        return true;
      }
      break;
    case QEvent::KeyPress:
      if (insideWindow(watched)) {
        ModGeneral::state().StopRequested = true;
        return true;
      }
      break;
    case QEvent::Close:
    case QEvent::DeferredDelete:
      // Held back until the run has stopped (the destructor carries it out).
      if (watched == window_) {
        ModGeneral::state().StopRequested = true;
        if (event->type() == QEvent::Close) {
          closePending_ = true;
          event->ignore();
        } else {
          deletePending_ = true;
        }
        return true;
      }
      break;
    default:
      break;
  }
  return false;
}
