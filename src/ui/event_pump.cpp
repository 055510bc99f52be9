#include "ui/event_pump.h"

#include <QCoreApplication>
#include <limits>

namespace ui {

namespace {
// QProgressBar counts in int; larger totals are shown in millionths.
constexpr std::int64_t kScaledRange = 1'000'000;
}  // namespace

EventPump::EventPump(QProgressBar* bar, Clock::duration interval, Clock::duration barInterval)
    : bar_(bar), interval_(interval), barInterval_(barInterval), lastPass_(Clock::now()) {}

void EventPump::yieldOnce() { pass(Clock::now()); }

void EventPump::pass(Clock::time_point start) {
  ++passes_;
  QCoreApplication::processEvents();
  // Measured after the pass, so a slow repaint does not eat the next interval.
  lastPass_ = Clock::now();
  timeInPasses_ += lastPass_ - start;
}

void EventPump::poll(std::int64_t done, std::int64_t total) {
  ++polls_;
  const auto now = Clock::now();
  if (now - lastPass_ < interval_) return;
  lastDone_ = done;
  // The bar repaints at once when it moves; a few times a second is what the
  // eye needs, while events keep running every interval.
  if (now - lastShown_ >= barInterval_ || barTotal_ != total) {
    lastShown_ = now;
    showProgress(done, total);
  }
  pass(now);
}

void EventPump::showProgress(std::int64_t done, std::int64_t total) {
  if (!bar_ || total <= 0) return;
  const bool fits = total <= std::numeric_limits<int>::max();
  if (total != barTotal_) {
    barTotal_ = total;
    bar_->setRange(0, fits ? static_cast<int>(total) : static_cast<int>(kScaledRange));
  }
  if (done < 0) done = 0;
  if (done > total) done = total;
  const std::int64_t value =
      fits ? done
           : static_cast<std::int64_t>(static_cast<double>(done) / static_cast<double>(total) *
                                       static_cast<double>(kScaledRange));
  bar_->setValue(static_cast<int>(value));
}

}  // namespace ui
