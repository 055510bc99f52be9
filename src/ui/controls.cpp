#include "ui/controls.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>

#include "ui/line_tips.h"
#include "ui/number_text.h"
#include "ui/placement.h"
#include "ui/result_list.h"
#include "ui/typeface.h"

namespace ui {

namespace {

// The indicator of an option button or a check box, no taller than the
// control, so that it is drawn whole.
class FittedIndicatorStyle : public QProxyStyle {
 public:
  FittedIndicatorStyle(int size, QObject* owner)
      : QProxyStyle(QStyleFactory::create(QApplication::style()->name())), size_(size) {
    setParent(owner);
  }
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    const int base = QProxyStyle::pixelMetric(metric, option, widget);
    switch (metric) {
      case PM_IndicatorWidth:
      case PM_IndicatorHeight:
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight:
        return std::min(base, size_);
      default:
        return base;
    }
  }

 private:
  int size_;
};

template <class Button>
Button* indicatorButton(QWidget* parent, const char* name, const QString& text,
                        const QRect& place) {
  auto* b = new Button(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  ui::place(b, place);
  const QStyle* st = b->style();
  const int indicator = std::max(st->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, b),
                                 st->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, nullptr, b));
  if (indicator > place.height()) b->setStyle(new FittedIndicatorStyle(place.height(), b));
  return b;
}

}  // namespace

QLabel* caption(QWidget* parent, const QString& text, const QRect& place, const QColor& colour,
                Qt::Alignment align) {
  auto* l = new QLabel(text, parent);
  l->setAlignment(align);
  if (colour.isValid()) setColors(l, colour);
  ui::place(l, place);
  return l;
}

QLabel* addLabel(QWidget* parent, const QString& text, int left, int top, int width, int height,
                 const QString& objectName) {
  QLabel* l = caption(parent, text, QRect(left, top, width, height));
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  if (!objectName.isEmpty()) l->setObjectName(objectName);
  return l;
}

QString accessibleNameOf(const QString& captionText) {
  QString name = captionText.simplified();
  if (name.endsWith(QLatin1Char('='))) name.chop(1);
  return name.trimmed();
}

QLineEdit* field(QWidget* parent, const char* name, const QRect& place, QLabel* caption,
                 const QString& unit) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  ui::place(e, place);
  if (caption) {
    caption->setBuddy(e);
    e->setAccessibleName(accessibleNameOf(caption->text()));
  }
  if (!unit.isEmpty()) e->setAccessibleDescription(QStringLiteral("en ") + unit);
  // A number longer than the field is readable whole in the tooltip.
  QObject::connect(e, &QLineEdit::textChanged, e, [e](const QString& text) {
    const QMargins m = e->textMargins();
    const int room = e->width() - 8 - m.left() - m.right();
    e->setToolTip(e->fontMetrics().horizontalAdvance(text) > room ? text : QString());
  });
  // Leaving the field shows the start of a long number, not its last digits.
  QObject::connect(e, &QLineEdit::editingFinished, e, [e] { e->setCursorPosition(0); });
  return e;
}

QLineEdit* field(QWidget* parent, const char* name, const QRect& place, QLabel* caption,
                 const QString& unit, const QRect& unitPlace) {
  QLineEdit* e = field(parent, name, place, caption, unit);
  ui::caption(parent, unit, unitPlace);
  return e;
}

ValueLabel::ValueLabel(QWidget* parent, const char* name, const QRect& place, QLabel* caption)
    : QLabel(parent) {
  setObjectName(QString::fromLatin1(name));
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setColors(this, colour::blue, colour::yellow);
  ui::place(this, place);
  if (caption) setAccessibleDescription(accessibleNameOf(caption->text()));
}

void ValueLabel::showNumber(double value, int decimals) { showText(fixed(value, decimals)); }

void ValueLabel::showText(const QString& text) {
  setText(text);
  updateToolTip();
}

void ValueLabel::setNote(const QString& note) {
  note_ = note;
  updateToolTip();
}

void ValueLabel::updateToolTip() {
  if (!clipped()) {
    setToolTip(note_);
  } else {
    setToolTip(note_.isEmpty() ? text() : text() + QStringLiteral("\n\n") + note_);
  }
}

bool ValueLabel::clipped() const {
  return fontMetrics().horizontalAdvance(text()) > contentsRect().width() - 2 * margin();
}

ValueLabel* valueLabel(QWidget* parent, const char* name, const QRect& place, QLabel* caption) {
  return new ValueLabel(parent, name, place, caption);
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& place) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  ui::place(b, place);
  return b;
}

QTimer* timer(QObject* parent, const char* name, int interval, std::function<void()> onTimeout) {
  auto* t = new QTimer(parent);
  t->setObjectName(QString::fromLatin1(name));
  t->setInterval(interval);
  QObject::connect(t, &QTimer::timeout, parent, std::move(onTimeout));
  return t;
}

Frame::Frame(QWidget* parent, const char* name, const QString& title, const QRect& place)
    : QGroupBox(title, parent) {
  setObjectName(QString::fromLatin1(name));
  ui::place(this, place);
}

void Frame::setTitleLook(const QFont& font, const QColor& colour) {
  titleFont_ = font;
  titleColour_ = colour;
  update();
}

QRect Frame::titleRect() const {
  const QFont f = titleFont_.family().isEmpty() ? font() : titleFont_;
  const QFontMetrics m(f);
  return {8, 0, m.horizontalAdvance(title()) + 4, m.height()};
}

QColor Frame::titleColour() const {
  return titleColour_.isValid()
             ? shade(titleColour_, palette().color(backgroundRole()))
             : palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                               QPalette::WindowText);
}

void Frame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect t = titleRect();
  // An etched border whose top edge runs through the middle of the caption.
  const QRect border = rect().adjusted(0, t.height() / 2, -2, -2);
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(border);
  p.setPen(palette().color(QPalette::Light));
  p.drawRect(border.translated(1, 1));
  if (title().isEmpty()) return;
  p.fillRect(t, palette().color(backgroundRole()));
  p.setFont(titleFont_.family().isEmpty() ? font() : titleFont_);
  p.setPen(titleColour());
  p.drawText(t, Qt::AlignCenter | Qt::TextSingleLine, title());
}

Frame* frame(QWidget* parent, const char* name, const QString& title, const QRect& place) {
  return new Frame(parent, name, title, place);
}

QRadioButton* option(QWidget* parent, const char* name, const QString& text, const QRect& place) {
  return indicatorButton<QRadioButton>(parent, name, text, place);
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, const QRect& place) {
  return indicatorButton<QCheckBox>(parent, name, text, place);
}

ResultListView* list(QWidget* parent, const char* name, const QRect& place,
                     const QString& accessibleName, const QString& description, ListKind kind) {
  auto* v = new ResultListView(parent);
  v->setObjectName(QString::fromLatin1(name));
  v->setAccessibleName(accessibleName);
  v->setAccessibleDescription(description);
  if (kind == ListKind::Text) {
    // A few lines of varying width in the program's face: each line is
    // measured as drawn, so the scroll range is that of the widest line.
    v->setFont(typeface(8));
    v->setItemDelegate(new QStyledItemDelegate(v));
    v->setUniformItemSizes(false);
  }
  ui::place(v, place);
  new LineTips(v);
  return v;
}

void chainTabOrder(std::span<QWidget* const> widgets) {
  for (std::size_t i = 1; i < widgets.size(); ++i) QWidget::setTabOrder(widgets[i - 1], widgets[i]);
}

RunNotice runNotice(QWidget* parent, const QRect& labelPlace, Qt::Alignment labelAlign,
                    const QRect& progressPlace) {
  RunNotice n;
  n.label = caption(parent,
                    QStringLiteral("Calculs en cours,veuillez patienter... Appuyez sur une "
                                   "touche pour stopper les calculs"),
                    labelPlace, colour::white, labelAlign);
  n.label->setObjectName(QStringLiteral("LblCalculs"));
  n.label->setWordWrap(true);
  setColors(n.label, colour::white, colour::red);
  n.label->hide();

  n.progress = new QProgressBar(parent);
  n.progress->setObjectName(QStringLiteral("ProgressCalculs"));
  n.progress->setTextVisible(false);
  n.progress->setAccessibleName(QStringLiteral("Avancement du calcul"));
  place(n.progress, progressPlace);
  n.progress->hide();
  return n;
}

}  // namespace ui
