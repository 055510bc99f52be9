#include "shell/mod_general.h"

#include <QApplication>
#include <array>
#include <memory>

#include "ui/message.h"

namespace {

struct Slots {
  std::unique_ptr<core::StudyState> state = std::make_unique<core::StudyState>();
  core::Journal journal;
  std::array<std::function<QWidget*()>, static_cast<std::size_t>(WindowKind::Count)> factories;
  std::array<QPointer<QWidget>, static_cast<std::size_t>(WindowKind::Count)> windows;
  std::function<void(QWidget*)> sessionReport;
  QPointer<QWidget> computationOwner;
  bool computing = false;
};

Slots& registry() {
  static Slots s;
  return s;
}

std::size_t index(WindowKind kind) { return static_cast<std::size_t>(kind); }

}  // namespace

namespace ModGeneral {

core::StudyState& state() { return *registry().state; }

core::Journal& journal() { return registry().journal; }

void resetState() {
  registry().state = std::make_unique<core::StudyState>();
  registry().journal.clear();
}

void setFactory(WindowKind kind, std::function<QWidget*()> factory) {
  registry().factories[index(kind)] = std::move(factory);
}

void setSessionReport(std::function<void(QWidget*)> write) {
  registry().sessionReport = std::move(write);
}

void writeSessionReport(QWidget* parent) {
  if (registry().sessionReport) registry().sessionReport(parent);
}

QWidget* window(WindowKind kind) { return registry().windows[index(kind)]; }

QWidget* showWindow(WindowKind kind) {
  auto& slot = registry().windows[index(kind)];
  if (!slot) {
    const auto& factory = registry().factories[index(kind)];
    if (!factory) return nullptr;
    QWidget* w = factory();
    // A closed window is discarded, so the next opening comes back fresh.
    w->setAttribute(Qt::WA_DeleteOnClose);
    slot = w;
  }
  slot->setWindowState(slot->windowState() & ~Qt::WindowMinimized);
  slot->show();
  slot->raise();
  slot->activateWindow();
  return slot;
}

void closeAll() {
  for (auto& w : registry().windows) {
    if (w) w->deleteLater();
    w = nullptr;
  }
}

bool beginComputation(QWidget* owner) {
  if (registry().computing) return false;
  registry().computing = true;
  registry().computationOwner = owner;
  return true;
}

void endComputation(QWidget* owner) {
  if (registry().computing &&
      (registry().computationOwner == owner || !registry().computationOwner)) {
    registry().computing = false;
    registry().computationOwner = nullptr;
  }
}

bool computationRunning() { return registry().computing; }

bool refusedWhileRunning(QWidget* window) {
  if (!computationRunning()) return false;
  ui::showFailure(window, core::fail::busy());
  return true;
}

QWidget* computationOwner() { return registry().computationOwner; }

}  // namespace ModGeneral
