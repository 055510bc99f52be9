// The sketch of the interval (0, 1) in the study windows' first frame: a
// horizontal segment through its tick marks (the ends and the grid points),
// drawn under the "0m", "x1", "xN", "1m" captions.
#pragma once

#include <QWidget>
#include <vector>

namespace ui {

class IntervalSketch : public QWidget {
 public:
  // Tick abscissas in the widget, left to right; the segment runs from the
  // first to the last at height `y`; each tick reaches `half` pixels above and
  // below it.
  IntervalSketch(QWidget* parent, std::vector<int> ticks, int y, int half);

  // Six ticks spread evenly from `first` to `last`.
  static std::vector<int> evenTicks(int first, int last);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<int> ticks_;
  int y_;
  int half_;
};

}  // namespace ui
