// Small pieces shared by the visualisation windows: the polyline of a long
// level reduced to what the screen can show, axis graduations, the diverging
// palette of the space-time map, the font of the drawings, and the frame that
// chooses the table shown.
#pragma once

#include <QColor>
#include <QGroupBox>
#include <QPainter>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/studies.h"

class QHBoxLayout;
class QPushButton;
class QVBoxLayout;
class QRadioButton;
class QTimer;

namespace vis {

// Maps (x, u) to the drawing: x in [x0, x1] across `area`, u in [u0, u1] upward.
struct Mapping {
  QRectF area;
  double x0 = 0, x1 = 1, u0 = 0, u1 = 1;
  double px(double x) const { return area.left() + (x - x0) / (x1 - x0) * area.width(); }
  double py(double u) const { return area.bottom() - (u - u0) / (u1 - u0) * area.height(); }
  double xAt(double px) const { return x0 + (px - area.left()) / area.width() * (x1 - x0); }
  double uAt(double py) const { return u0 + (area.bottom() - py) / area.height() * (u1 - u0); }
};

// The polyline through (0, 0), (x_i, values[i - 1]) for i = 1 .. n, (1, 0),
// with x_i = i h. When there are more points than `columns` device pixel
// columns, each column keeps the first, lowest, highest and last point it
// covers, in that order: the same pixels as the whole line, at the cost of
// one pass. Non-finite values are left out.
QPolygonF levelPolyline(const double* values, std::int64_t n, double h, const Mapping& m,
                        double devicePixelRatio);

// A level in the painter's pen. Where it has more points than device
// columns, each column is drawn once from its highest to its lowest value,
// joined to the column before it; a dashed pen's dash then runs along x (a
// column drawn whole or left out). Otherwise the polyline above in that pen.
void drawLevel(QPainter& p, const double* values, std::int64_t n, double h, const Mapping& m,
               double devicePixelRatio);

// About `count` round graduations covering [lo, hi].
std::vector<double> niceTicks(double lo, double hi, int count);

// Powers of ten graduations for a log axis covering [lo, hi] (both > 0).
std::vector<double> decadeTicks(double lo, double hi);

// Diverging palette: blue (-1) through white (0) to red (+1); s in [-1, 1].
QRgb divergingColor(double s);

// The message shown in the middle of a drawing when there is nothing to draw.
void drawMessage(QPainter& p, const QRectF& r, const QString& text);

// A graduation left of `area` at height `py`: a short tick outside its edge
// and `text` right-aligned before it, from the left of `target`.
void leftTick(QPainter& p, const QRectF& area, const QRectF& target, double py,
              const QString& text);

// Restores the painter however a drawing ends.
struct PaintGuard {
  explicit PaintGuard(QPainter& p) : p_(p) { p_.save(); }
  ~PaintGuard() { p_.restore(); }
  PaintGuard(const PaintGuard&) = delete;
  PaintGuard& operator=(const PaintGuard&) = delete;
  QPainter& p_;
};

// White paper and the drawings' font; with `empty` given, that sentence in
// the middle instead of a drawing (false).
bool startDrawing(QPainter& p, const QRectF& target, const QString& empty);

// The font of the drawings, whatever the paint device (screen, image file,
// printer): the program's face.
QFont drawingFont();

// What a screen reader says of a control: its name and a French description.
template <class W>
W* described(W* w, const QString& name, const QString& description) {
  w->setAccessibleName(name);
  w->setAccessibleDescription(description);
  return w;
}
// `w` named `objectName` and described as above.
template <class W>
W* named(W* w, const char* objectName, const QString& name, const QString& description) {
  w->setObjectName(QString::fromLatin1(objectName));
  return described(w, name, description);
}

// A push button of `window` named `objectName`, its text also its accessible name.
QPushButton* button(QWidget* window, const char* objectName, const QString& text,
                    const QString& description);

// A top-level window named `name`, of `size`, laid out as a column whose
// first row is `bar` (the controls) and whose rest follows in `column`.
struct WindowLayout {
  QVBoxLayout* column;
  QHBoxLayout* bar;
};
WindowLayout setUpWindow(QWidget* window, const QString& name, const QString& title, QSize size);

// The button "Quitter" (CmdQuitter) that closes `window`.
QPushButton* quitButton(QWidget* window, const QString& description);

// TmrActualise: every 250 ms while `window` is visible, `refresh` (a run in a
// study window may replace what the window shows at any time).
QTimer* refreshTimer(QWidget* window, std::function<void()> refresh);

// The frame "Table" (FrameTable) with the option buttons OptionSolution_0
// (SolP0) and OptionSolution_1 (SolPeps); a table not computed yet has its
// button disabled. `chosen` is called when the user picks one.
class SchemeChooser : public QGroupBox {
 public:
  SchemeChooser(QWidget* parent, std::function<void(core::Scheme)> chosen);
  // The table a window opens on: the one computed, P0 first.
  static core::Scheme opening();
  // Enables the buttons of the computed tables and checks `shown`.
  void showTables(core::Scheme shown);
  // A table has been computed or dropped since show().
  bool outdated() const;
  QRadioButton* option(int k) const { return option_[k]; }

 private:
  QRadioButton* option_[2] = {nullptr, nullptr};
};

}  // namespace vis
