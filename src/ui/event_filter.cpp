#include "ui/event_filter.h"

namespace ui {

namespace {

class FunctionFilter : public QObject {
 public:
  FunctionFilter(QObject* owner, std::function<bool(QObject*, QEvent*)> filter)
      : QObject(owner), filter_(std::move(filter)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override { return filter_(watched, event); }

 private:
  std::function<bool(QObject*, QEvent*)> filter_;
};

}  // namespace

QObject* functionFilter(QObject* owner, std::function<bool(QObject*, QEvent*)> filter) {
  return new FunctionFilter(owner, std::move(filter));
}

}  // namespace ui
