#include "ui/colours.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "ui/event_filter.h"

namespace ui {

namespace {

constexpr double kMinimumContrast = 4.5;
constexpr const char* kTextProperty = "orvText";
constexpr const char* kBackgroundProperty = "orvBackground";

double luminance(const QColor& c) {
  const auto linear = [](double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  const QColor rgb = c.toRgb();
  return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

QColor mixed(const QColor& from, const QColor& to, double t) {
  const QColor a = from.toRgb(), b = to.toRgb();
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// What shows behind a control that does not fill its own background.
QColor behind(const QWidget* w) {
  const QWidget* p = w->parentWidget();
  return (p ? p->palette() : QApplication::palette()).color(QPalette::Window);
}

void applyColors(QWidget* w) {
  const QColor text = w->property(kTextProperty).value<QColor>();
  const QColor background = w->property(kBackgroundProperty).value<QColor>();
  const QColor shown =
      text.isValid() && background.isValid()
          ? text
          : shade(text.isValid() ? text : QApplication::palette().color(QPalette::WindowText),
                  background.isValid() ? background : behind(w));
  const QPalette& now = w->palette();
  if (now.color(QPalette::WindowText) == shown && now.color(QPalette::Text) == shown &&
      (!background.isValid() || now.color(QPalette::Window) == background))
    return;  // also ends the palette change this call itself causes
  QPalette p = now;
  p.setColor(QPalette::WindowText, shown);
  p.setColor(QPalette::Text, shown);
  p.setColor(QPalette::ButtonText, shown);
  if (background.isValid()) {
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::Base, background);
  }
  w->setPalette(p);
}

}  // namespace

bool darkScheme() {
  const QPalette p = QApplication::palette();
  return luminance(p.color(QPalette::Window)) < luminance(p.color(QPalette::WindowText));
}

double contrast(const QColor& a, const QColor& b) {
  const double x = luminance(a), y = luminance(b);
  return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QColor shade(const QColor& colour, const QColor& background) {
  if (!darkScheme() || contrast(colour, background) >= kMinimumContrast) return colour;
  const QColor target = luminance(background) < 0.18 ? colour::white : colour::black;
  // The least mix that reaches the contrast, to a hundredth.
  double lo = 0, hi = 1;
  for (int k = 0; k < 7; ++k) {
    const double mid = (lo + hi) / 2;
    (contrast(mixed(colour, target, mid), background) >= kMinimumContrast ? hi : lo) = mid;
  }
  return mixed(colour, target, hi);
}

QColor paper() {
  return darkScheme() ? colour::white : QApplication::palette().color(QPalette::HighlightedText);
}

QColor ink() {
  return darkScheme() ? colour::black : QApplication::palette().color(QPalette::WindowText);
}

void setColors(QWidget* w, const QColor& text, const QColor& background) {
  // Shades a coloured control again when the palette it stands on changes.
  static QObject* follower = functionFilter(qApp, [](QObject* watched, QEvent* event) {
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::ParentChange)
      applyColors(static_cast<QWidget*>(watched));
    return false;
  });
  w->setProperty(kTextProperty, text);
  w->setProperty(kBackgroundProperty, background);
  if (background.isValid()) w->setAutoFillBackground(true);
  w->removeEventFilter(follower);
  w->installEventFilter(follower);
  applyColors(w);
}

}  // namespace ui
