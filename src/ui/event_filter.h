// An event filter given as a function: `filter(watched, event)` sees every
// event of the objects it is installed on, and true stops the event there.
#pragma once

#include <QObject>
#include <functional>

namespace ui {

QObject* functionFilter(QObject* owner, std::function<bool(QObject*, QEvent*)> filter);

}  // namespace ui
