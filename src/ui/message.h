// The program's message box: modal, title "Orvalend", one OK button, no icon.
#pragma once

#include <QString>

#include "core/failure.h"

class QWidget;

namespace ui {

void showMessage(QWidget* parent, const QString& text);
void showFailure(QWidget* parent, const core::Failure& failure);

}  // namespace ui
