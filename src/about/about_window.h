// The About window "A PROPOS DE ORVALEND": name, version, author, a sentence
// on the subject, and a picture on which three dots run along elliptic
// orbits and draw their paths, one step every 100 ms.
#pragma once

#include "ui/reopening_window.h"

class QColor;
class QLabel;
class QTimer;

namespace ui {
class PictureSurface;
}

class AboutWindow : public ui::ReopeningWindow {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* parent = nullptr);

  double angle1() const { return angle1_; }
  double angle2() const { return angle2_; }
  double angle3() const { return angle3_; }
  ui::PictureSurface* picture() const { return PBFond; }
  QTimer* timer() const { return TmrAPropos; }

  // The author data shown in the frame "Auteur du logiciel ORVALEND".
  static QString authorName();
  static QString authorPostalBox();
  static QString authorTown();
  static QString authorEmail();

 public slots:
  // One step of the animation (the timer's tick).
  void tick();

 private:
  void buildControls();
  void load() override;
  void unload() override;
  // One ball of an orbit at (x, y), its trail drawn from (xp, yp).
  void moveBall(QWidget* ball, int x, int y, int xp, int yp, bool hidden, const QColor& trail);

  double angle1_ = 0;
  double angle2_ = 0;
  double angle3_ = 0;

  QLabel* Label1 = nullptr;
  ui::PictureSurface* PBFond = nullptr;
  QWidget* PB1 = nullptr;
  QWidget* PB2 = nullptr;
  QWidget* PB3 = nullptr;
  QTimer* TmrAPropos = nullptr;
};
