// The standard controls of the study windows, each in its looks: caption,
// text field, value label, button, frame, option button, check box and
// result list. A window's file then reads as its layout (one call per
// control, at its place) and its handlers.
//
//   QLabel* c = ui::caption(frame, QStringLiteral("Durée totale T ="), {6, 46, 81, 13});
//   TxtT = ui::field(frame, "TxtT", {85, 42, 34, 19}, c);   // c names the field
//   LblH = ui::valueLabel(frame, "LblH", {68, 67, 53, 16}, hCaption);
//   LblH->showNumber(s.h, 5);                               // "0.00000", locale mark
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QRect>
#include <QString>
#include <functional>
#include <span>

#include "ui/colours.h"

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace ui {

class ResultListView;

// A caption: a label with its text, in the window's font unless told.
QLabel* caption(QWidget* parent, const QString& text, const QRect& place,
                const QColor& colour = QColor(),
                Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);

// A plain label placed in pixels, with an object name when given.
QLabel* addLabel(QWidget* parent, const QString& text, int left, int top, int width, int height,
                 const QString& objectName = QString());

// The text a caption gives as an accessible name: its words without the
// trailing "=" ("Nombre de points  N =" names "Nombre de points N").
QString accessibleNameOf(const QString& captionText);

// A text field named `name`. Its caption (when given) becomes its buddy and
// its accessible name; `unit` goes to its accessible description. A text too
// long for the field is shown whole in its tooltip, and a field that loses
// the focus shows its text from the start.
QLineEdit* field(QWidget* parent, const char* name, const QRect& place, QLabel* caption = nullptr,
                 const QString& unit = QString());
// The same, its unit also written after it in a caption at `unitPlace`.
QLineEdit* field(QWidget* parent, const char* name, const QRect& place, QLabel* caption,
                 const QString& unit, const QRect& unitPlace);

// A value label: blue on yellow, empty until the first run. A value wider
// than the label keeps its place and is shown whole in the tooltip.
class ValueLabel : public QLabel {
  Q_OBJECT

 public:
  ValueLabel(QWidget* parent, const char* name, const QRect& place, QLabel* caption = nullptr);
  // Shows `value` with `decimals` digits after the locale's decimal mark.
  void showNumber(double value, int decimals = 5);
  void showText(const QString& text);
  // True when the text shown is wider than the label.
  bool clipped() const;
  // A tooltip of its own (what the value means); a clipped value comes first.
  void setNote(const QString& note);

 private:
  void updateToolTip();
  QString note_;
};
ValueLabel* valueLabel(QWidget* parent, const char* name, const QRect& place,
                       QLabel* caption = nullptr);

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& place);
// A timer `name` that calls `onTimeout` every `interval` ms once started.
QTimer* timer(QObject* parent, const char* name, int interval, std::function<void()> onTimeout);

// Tab goes from each widget to the next, in the order given.
void chainTabOrder(std::span<QWidget* const> widgets);

// What a window shows while its run goes on: LblCalculs, the "Calculs en
// cours" notice in white on red, and ProgressCalculs under it. Both start
// hidden; LongRun shows them for the run.
struct RunNotice {
  QLabel* label = nullptr;
  QProgressBar* progress = nullptr;
};
RunNotice runNotice(QWidget* parent, const QRect& labelPlace, Qt::Alignment labelAlign,
                    const QRect& progressPlace);

// A frame with a caption: the border runs through the middle of the caption
// line, and the children sit at their places inside it. The caption can have
// its own font and colour without them reaching the children.
class Frame : public QGroupBox {
  Q_OBJECT

 public:
  Frame(QWidget* parent, const char* name, const QString& title, const QRect& place);
  void setTitleLook(const QFont& font, const QColor& colour);
  // The caption's rectangle, in the frame's coordinates.
  QRect titleRect() const;
  // The colour the caption is drawn in.
  QColor titleColour() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QFont titleFont_;
  QColor titleColour_;
};
Frame* frame(QWidget* parent, const char* name, const QString& title, const QRect& place);

// An option button or a check box; the indicator is made small enough to
// stand whole in the control's height.
QRadioButton* option(QWidget* parent, const char* name, const QString& text, const QRect& place);
QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, const QRect& place);

// A result list with an accessible name and description; every line wider
// than the list is readable whole in its tooltip. Text lists (a few lines
// appended one by one) are drawn in the program's face; level lists (a
// stability run's solution) keep the fixed-pitch face, so columns line up.
enum class ListKind { Text, Levels };
ResultListView* list(QWidget* parent, const char* name, const QRect& place,
                     const QString& accessibleName, const QString& description,
                     ListKind kind = ListKind::Text);

}  // namespace ui
