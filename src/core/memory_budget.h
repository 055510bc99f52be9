// The one memory budget of the process. Every large block the program keeps
// (a solution table, the numbers a result list shows, another window's
// results) is a record here while it lives, with the names of who holds it;
// a block held by several holders counts once. A computation is refused,
// with a message saying what is in use and by what, before anything is
// allocated, and the storage itself never takes a block beyond the limit.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/failure.h"

namespace core {

class MemoryBudget {
 public:
  static MemoryBudget& process();

  // 2 GiB, or half the machine's memory if that is less.
  static double machineLimit();
  double limit() const;
  // Replaces the limit (tests, benchmarks); a value <= 0 restores machineLimit().
  void setLimit(double bytes);

  // Bytes of every record, each counted once.
  double inUse() const;

  struct Use {
    std::string what;  // the holders' names joined by " et "
    double bytes = 0;
  };
  // The records, largest first.
  std::vector<Use> uses() const;

  // Refuses `needed` more bytes when the total would exceed the limit once
  // the blocks held only by `recreated` (the tables the computation makes
  // again, which it frees first) are gone. `advice` ends the message
  // ("Réduisez N ou K."); `subject` is what asks ("ce calcul").
  Outcome check(double needed, const std::vector<std::string>& recreated, const std::string& advice,
                const std::string& subject = "ce calcul") const;

  // Records: enter() returns 0 (and records nothing) when `bytes` more would
  // exceed the limit.
  std::uint64_t enter(double bytes);
  void leave(std::uint64_t id);
  void addHolder(std::uint64_t id, const std::string& who);
  void removeHolder(std::uint64_t id, const std::string& who);

 private:
  struct Record {
    double bytes = 0;
    std::vector<std::string> holders;
  };
  double inUseLocked() const;

  mutable std::mutex mutex_;
  std::map<std::uint64_t, Record> records_;
  std::uint64_t next_ = 1;
  double limit_ = 0;  // 0: machineLimit()
};

// The refusal: "Calcul trop volumineux …" when nothing else is held,
// "Mémoire insuffisante : ce calcul demande … Mo ; … Mo sont déjà utilisés
// (…) sur … Mo permis. Fermez une fenêtre ou …" otherwise.
Failure budgetRefusal(double needed, double inUse, const std::vector<MemoryBudget::Use>& uses,
                      double limit, const std::string& advice,
                      const std::string& subject = "ce calcul");

}  // namespace core
