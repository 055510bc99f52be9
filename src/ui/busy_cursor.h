// The wait cursor over the whole program for as long as this object lives,
// when `show` is true; restored however the scope ends (return, message,
// exception).
#pragma once

namespace ui {

class BusyCursor {
 public:
  explicit BusyCursor(bool show);
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
  // Restores the cursor now (before a message box, say).
  void release();

 private:
  bool shown_;
};

}  // namespace ui
