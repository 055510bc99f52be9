#include "shell/mod_general.h"

#include <QApplication>
#include <array>
#include <memory>

namespace {

struct Slots {
  std::unique_ptr<core::StudyState> state = std::make_unique<core::StudyState>();
  std::array<std::function<QWidget*()>, static_cast<std::size_t>(WindowKind::Count)> factories;
  std::array<QPointer<QWidget>, static_cast<std::size_t>(WindowKind::Count)> windows;
  QPointer<QWidget> computationOwner;
  bool computing = false;
};

Slots& slots() {
  static Slots s;
  return s;
}

std::size_t index(WindowKind kind) { return static_cast<std::size_t>(kind); }

}  // namespace

namespace ModGeneral {

core::StudyState& state() { return *slots().state; }

void resetState() { slots().state = std::make_unique<core::StudyState>(); }

void setFactory(WindowKind kind, std::function<QWidget*()> factory) {
  slots().factories[index(kind)] = std::move(factory);
}

QWidget* window(WindowKind kind) { return slots().windows[index(kind)]; }

QWidget* showWindow(WindowKind kind) {
  auto& slot = slots().windows[index(kind)];
  if (!slot) {
    const auto& factory = slots().factories[index(kind)];
    if (!factory) return nullptr;
    QWidget* w = factory();
    // A closed window is discarded, so the next opening comes back fresh.
    w->setAttribute(Qt::WA_DeleteOnClose);
    slot = w;
  }
  slot->show();
  slot->raise();
  slot->activateWindow();
  return slot;
}

void closeAll() {
  for (auto& w : slots().windows) {
    if (w) w->deleteLater();
    w = nullptr;
  }
}

bool beginComputation(QWidget* owner) {
  if (slots().computing) return false;
  slots().computing = true;
  slots().computationOwner = owner;
  return true;
}

void endComputation(QWidget* owner) {
  if (slots().computing && (slots().computationOwner == owner || !slots().computationOwner)) {
    slots().computing = false;
    slots().computationOwner = nullptr;
  }
}

bool computationRunning() { return slots().computing; }

QWidget* computationOwner() { return slots().computationOwner; }

}  // namespace ModGeneral
