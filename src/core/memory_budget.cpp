#include "core/memory_budget.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "core/numeric.h"

namespace core {

namespace {

std::string megabytes(double bytes) {
  return formatFixed(std::ceil(bytes / (1024.0 * 1024.0)), 0, ",");
}

std::string joined(const std::vector<std::string>& names) {
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  std::string text;
  for (const std::string& n : sorted) text += (text.empty() ? "" : " et ") + n;
  return text.empty() ? "mémoire réservée" : text;
}

// "Réduisez N ou K." continues a sentence as "réduisez N ou K.".
std::string continued(const std::string& advice) {
  if (!advice.empty() && advice[0] >= 'A' && advice[0] <= 'Z') {
    return static_cast<char>(advice[0] - 'A' + 'a') + advice.substr(1);
  }
  return advice;
}

}  // namespace

MemoryBudget& MemoryBudget::process() {
  // Never destroyed: tables held by other static objects leave it at exit.
  static MemoryBudget* budget = new MemoryBudget;
  return *budget;
}

double MemoryBudget::machineLimit() {
  constexpr double kCeiling = 2.0 * 1024 * 1024 * 1024;
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return kCeiling;
  return std::min(kCeiling, 0.5 * static_cast<double>(pages) * static_cast<double>(pageSize));
}

double MemoryBudget::limit() const {
  std::lock_guard lock(mutex_);
  return limit_ > 0 ? limit_ : machineLimit();
}

void MemoryBudget::setLimit(double bytes) {
  std::lock_guard lock(mutex_);
  limit_ = bytes > 0 ? bytes : 0;
}

double MemoryBudget::inUseLocked() const {
  double total = 0;
  for (const auto& [id, r] : records_) total += r.bytes;
  return total;
}

double MemoryBudget::inUse() const {
  std::lock_guard lock(mutex_);
  return inUseLocked();
}

std::vector<MemoryBudget::Use> MemoryBudget::uses() const {
  std::lock_guard lock(mutex_);
  std::vector<Use> out;
  for (const auto& [id, r] : records_) out.push_back({joined(r.holders), r.bytes});
  std::stable_sort(out.begin(), out.end(),
                   [](const Use& x, const Use& y) { return x.bytes > y.bytes; });
  return out;
}

Outcome MemoryBudget::check(double needed, const std::vector<std::string>& recreated,
                            const std::string& advice, const std::string& subject) const {
  double held = 0;
  std::vector<Use> kept;
  double allowed = 0;
  {
    std::lock_guard lock(mutex_);
    allowed = limit_ > 0 ? limit_ : machineLimit();
    for (const auto& [id, r] : records_) {
      const bool freed =
          !r.holders.empty() && std::all_of(r.holders.begin(), r.holders.end(), [&](const auto& h) {
            return std::find(recreated.begin(), recreated.end(), h) != recreated.end();
          });
      if (freed) continue;
      held += r.bytes;
      kept.push_back({joined(r.holders), r.bytes});
    }
  }
  if (held + needed <= allowed) return {};
  std::stable_sort(kept.begin(), kept.end(),
                   [](const Use& x, const Use& y) { return x.bytes > y.bytes; });
  return budgetRefusal(needed, held, kept, allowed, advice, subject);
}

std::uint64_t MemoryBudget::enter(double bytes) {
  std::lock_guard lock(mutex_);
  const double allowed = limit_ > 0 ? limit_ : machineLimit();
  if (inUseLocked() + bytes > allowed) return 0;
  const std::uint64_t id = next_++;
  records_[id].bytes = bytes;
  return id;
}

void MemoryBudget::leave(std::uint64_t id) {
  std::lock_guard lock(mutex_);
  records_.erase(id);
}

void MemoryBudget::addHolder(std::uint64_t id, const std::string& who) {
  std::lock_guard lock(mutex_);
  const auto it = records_.find(id);
  if (it != records_.end()) it->second.holders.push_back(who);
}

void MemoryBudget::removeHolder(std::uint64_t id, const std::string& who) {
  std::lock_guard lock(mutex_);
  const auto it = records_.find(id);
  if (it == records_.end()) return;
  auto& h = it->second.holders;
  const auto pos = std::find(h.begin(), h.end(), who);
  if (pos != h.end()) h.erase(pos);
}

Failure budgetRefusal(double needed, double inUse, const std::vector<MemoryBudget::Use>& uses,
                      double limit, const std::string& advice, const std::string& subject) {
  // Below half a megabyte nothing worth naming is held: the request alone is too large.
  if (inUse < 512.0 * 1024) {
    return fail::tablesTooLarge(needed, limit, advice);
  }
  std::string what;
  for (const auto& u : uses) {
    if (u.bytes < 512.0 * 1024) continue;
    what += (what.empty() ? "" : ", ") + u.what + " : " + megabytes(u.bytes) + " Mo";
  }
  std::string text = "Mémoire insuffisante : " + subject + " demande " + megabytes(needed) +
                     " Mo ; " + megabytes(inUse) + " Mo sont déjà utilisés";
  if (!what.empty()) text += " (" + what + ")";
  text += " sur " + megabytes(limit) + " Mo permis. Fermez une fenêtre ou " + continued(advice);
  return Failure{FailureCode::TablesTooLarge, text};
}

}  // namespace core
