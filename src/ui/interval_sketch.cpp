#include "ui/interval_sketch.h"

#include <QPainter>
#include <utility>

#include "ui/colours.h"

namespace ui {

IntervalSketch::IntervalSketch(QWidget* parent, std::vector<int> ticks, int y, int half)
    : QWidget(parent), ticks_(std::move(ticks)), y_(y), half_(half) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

std::vector<int> IntervalSketch::evenTicks(int first, int last) {
  std::vector<int> ticks;
  for (int k = 0; k < 6; ++k) ticks.push_back(first + (last - first) * k / 5);
  return ticks;
}

void IntervalSketch::paintEvent(QPaintEvent*) {
  if (ticks_.empty()) return;
  QPainter p(this);
  p.setPen(QPen(shade(colour::black, palette().color(QPalette::Window)), 1));
  p.drawLine(ticks_.front(), y_, ticks_.back(), y_);
  for (int x : ticks_) p.drawLine(x, y_ - half_, x, y_ + half_);
}

}  // namespace ui
