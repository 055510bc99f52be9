#include "ui/message.h"

#include <QMessageBox>

namespace ui {

void showMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Orvalend"), text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("OrvalendMessage"));
  // Like every message of the program, it blocks all windows until OK.
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void showFailure(QWidget* parent, const core::Failure& failure) {
  showMessage(parent, QString::fromStdString(failure.message));
}

}  // namespace ui
