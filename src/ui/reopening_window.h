// A top-level window that comes back as new when it is shown again after a
// close (closed, not destroyed): load() makes it as new, at construction and
// at the first show after each close; unload() stops, at the close, what
// only an open window needs.
#pragma once

#include <QWidget>

namespace ui {

class ReopeningWindow : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

 protected:
  virtual void load() = 0;
  virtual void unload() {}
  // load() now: at construction, or to start again as new while open.
  void reload();

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  bool loaded_ = false;
};

}  // namespace ui
