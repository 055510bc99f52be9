// Helpers shared by the window tests: a fresh study state, catching the
// program's message boxes, and finding controls by their names.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMetaType>
#include <QPair>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <bit>
#include <cstdint>

#include "shell/mod_general.h"

namespace test {

// A fresh study state with Pi as the program stores it at start-up, numbers shown the French way.
inline void freshState() {
  QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
  ModGeneral::resetState();
  ModGeneral::state().Pi = std::bit_cast<double>(std::uint64_t{0x400921FB54442D28});
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

// The texts typed into a study window, by quantity; a null text leaves its
// field as it is. Written with designated initialisers: {.N = "3", .K = "16"}.
struct Fields {
  QString N{}, T{}, K{}, a{}, u0{}, v0{}, Epsilon{}, d{}, w{}, phi{}, R{}, S{}, FF{}, NN{}, k{};

  // Each text's field, by objectName (k goes into TxtR).
  using Member = QString Fields::*;
  static const QList<QPair<const char*, Member>>& members() {
    static const QList<QPair<const char*, Member>> all{
        {"TxtN", &Fields::N},         {"TxtT", &Fields::T},     {"TxtK", &Fields::K},
        {"Txta", &Fields::a},         {"Txtu0", &Fields::u0},   {"TxtV0", &Fields::v0},
        {"TxtEpsilon", &Fields::Epsilon}, {"TxtD", &Fields::d}, {"TxtW", &Fields::w},
        {"TxtPhi", &Fields::phi},     {"TxtR", &Fields::R},     {"TxtS", &Fields::S},
        {"TextFF", &Fields::FF},      {"TextNN", &Fields::NN},  {"TxtR", &Fields::k}};
    return all;
  }
  // These fields with the non-null texts of `changes` in place of theirs.
  Fields with(const Fields& changes) const {
    Fields out = *this;
    for (const auto& [name, m] : members())
      if (!(changes.*m).isNull()) out.*m = changes.*m;
    return out;
  }
  void typeInto(QWidget* w) const {
    for (const auto& [name, m] : members())
      if (!(this->*m).isNull()) setText(w, name, this->*m);
  }
};

// Types `fields`, clicks `name` and returns the messages shown meanwhile.
inline QStringList click(QWidget* w, const char* name, const Fields& fields = {}) {
  fields.typeInto(w);
  BoxCatcher boxes;
  button(w, name)->click();
  return boxes.texts;
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

Q_DECLARE_METATYPE(test::Fields)
