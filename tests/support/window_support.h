// Helpers shared by the window tests: a fresh study state, catching the
// program's message boxes, and finding controls by their names.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <bit>
#include <cstdint>

#include "shell/mod_general.h"

namespace test {

// Pi as the program stores it at start-up.
inline double programPi() { return std::bit_cast<double>(std::uint64_t{0x400921FB54442D28}); }

inline void freshState() {
  ModGeneral::resetState();
  ModGeneral::state().Pi = programPi();
}

// Closes every message box as soon as it is shown and keeps its text.
class BoxCatcher {
 public:
  BoxCatcher() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts << box->text();
        titles << box->windowTitle();
        cursorAtBox = cursorAtBox || QApplication::overrideCursor();
        box->accept();
      }
    });
    timer_.start();
  }
  QString last() const { return texts.isEmpty() ? QString() : texts.last(); }
  QStringList texts;
  QStringList titles;
  bool cursorAtBox = false;  // a wait cursor was still up when a box showed

 private:
  QTimer timer_;
};

inline QLineEdit* field(QWidget* w, const char* name) {
  return w->findChild<QLineEdit*>(QString::fromLatin1(name));
}

inline void setText(QWidget* w, const char* name, const QString& text) {
  if (auto* e = field(w, name)) e->setText(text);
}

inline QAbstractButton* button(QWidget* w, const char* name) {
  return w->findChild<QAbstractButton*>(QString::fromLatin1(name));
}

inline QString labelText(QWidget* w, const char* name) {
  auto* l = w->findChild<QLabel*>(QString::fromLatin1(name));
  return l ? l->text() : QString();
}

inline QStringList lines(QWidget* w, const char* name) {
  QStringList out;
  auto* v = w->findChild<QAbstractItemView*>(QString::fromLatin1(name));
  if (!v || !v->model()) return out;
  for (int r = 0; r < v->model()->rowCount(); ++r)
    out << v->model()->index(r, 0).data(Qt::DisplayRole).toString();
  return out;
}

}  // namespace test
