#include "about/about_window.h"

#include <QLabel>
#include <QTimer>
#include <cmath>
#include <cstdint>

#include "about/about_background.h"
#include "core/numeric.h"
#include "ui/picture_surface.h"
#include "ui/window_kit.h"

namespace {

// Places on the picture are whole pixels (16-bit whole numbers).
std::int16_t whole(double v) { return static_cast<std::int16_t>(std::floor(v)); }

QWidget* dot(ui::PictureSurface* surface, const QString& name, const QColor& colour) {
  auto* w = new QWidget(surface);
  w->setObjectName(name);
  ui::setColors(w, colour, colour);
  return w;
}

}  // namespace

QString AboutWindow::authorName() { return QStringLiteral("Équipe Orvalend"); }
QString AboutWindow::authorPostalBox() { return QStringLiteral("BP 42"); }
QString AboutWindow::authorTown() { return QStringLiteral("45000 Orvalend-sur-Loire"); }
QString AboutWindow::authorEmail() { return QStringLiteral("contact@orvalend.example"); }

AboutWindow::AboutWindow(QWidget* parent) : ui::ReopeningWindow(parent) {
  buildControls();
  reload();
}

void AboutWindow::buildControls() {
  setObjectName(QStringLiteral("FrmAPropos"));
  setWindowTitle(QStringLiteral("A PROPOS DE ORVALEND"));
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(334, 177);
  setFont(ui::typeface(8.25));

  ui::Frame* frame4 =
      ui::frame(this, "Frame4", QStringLiteral("Version du logiciel"), {1, 0, 329, 33});
  auto* label12 = ui::addLabel(frame4, QStringLiteral("ORVALEND Version 2.0    (05/2002)"), 20, 15,
                               258, 15, QStringLiteral("Label12"));
  label12->setAlignment(Qt::AlignCenter);

  ui::Frame* frame1 =
      ui::frame(this, "Frame1", QStringLiteral("Auteur du logiciel ORVALEND"), {2, 34, 195, 79});
  ui::setColors(frame1, QColor(), ui::colour::grey);  // the palette's text, shaded for grey
  Label1 =
      ui::addLabel(frame1, QStringLiteral("Auteur"), 16, 16, 141, 17, QStringLiteral("Label1"));
  QLabel* label2 =
      ui::addLabel(frame1, authorPostalBox(), 12, 30, 149, 17, QStringLiteral("Label2"));
  QLabel* label3 = ui::addLabel(frame1, authorTown(), 16, 44, 141, 17, QStringLiteral("Label3"));
  QLabel* label4 = ui::addLabel(frame1, authorEmail(), 6, 58, 169, 17, QStringLiteral("Label4"));
  for (QLabel* l : {Label1, label2, label3, label4}) {
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ui::setColors(l, ui::colour::blue);
  }

  // The picture: a 2-pixel border around the 124 × 124 image, measured in
  // pixels of its inner area.
  PBFond = new ui::PictureSurface(this, 2);
  PBFond->setObjectName(QStringLiteral("PBFond"));
  ui::place(PBFond, 202, 42, 128, 128);
  PBFond->setBackground(Qt::black);
  PBFond->setScalePixels();
  PBFond->setAccessibleName(QStringLiteral("Image animée d'Orvalend"));
  PBFond->setAccessibleDescription(
      QStringLiteral("Carte de chaleur sombre de la température sin(pi x) exp(-t), sur laquelle "
                     "trois points jaune, rouge et vert parcourent des orbites elliptiques et "
                     "tracent leur chemin."));
  PB1 = dot(PBFond, QStringLiteral("PB1"), ui::colour::yellow);
  PB2 = dot(PBFond, QStringLiteral("PB2"), ui::colour::red);
  PB3 = dot(PBFond, QStringLiteral("PB3"), ui::colour::green);

  auto* label5 = ui::addLabel(this,
                              QStringLiteral("Etude comparative d'un problème de chaleur de type "
                                             "parabolique et de type hyperbolique (Mervodan)."),
                              4, 122, 192, 47, QStringLiteral("Label5"));
  label5->setAlignment(Qt::AlignCenter);
  label5->setWordWrap(true);
  ui::setColors(label5, ui::colour::yellow, ui::colour::darkGreen);

  TmrAPropos = ui::timer(this, "TmrAPropos", 100, [this] { tick(); });
}

void AboutWindow::load() {
  Label1->setText(authorName());
  angle1_ = 0.5;
  angle2_ = 0.2;
  angle3_ = 0.35;
  // Every opening starts on the clean picture with the dots at their places.
  PBFond->setPicture([](qreal dpr) { return about::backgroundImage(dpr); });
  PBFond->placeChild(PB1, 39, 44, 3, 3);
  PBFond->placeChild(PB2, 76, 28, 3, 3);
  PBFond->placeChild(PB3, 224, 40, 3, 3);
  for (QWidget* d : {PB1, PB2, PB3}) d->setVisible(true);
  TmrAPropos->start();
}

void AboutWindow::unload() { TmrAPropos->stop(); }

void AboutWindow::moveBall(QWidget* ball, int x, int y, int xp, int yp, bool hidden,
                           const QColor& trail) {
  // On part of its orbit the ball is hidden and leaves no trail.
  if (hidden) {
    ball->hide();
  } else {
    ball->show();
    PBFond->drawLine(xp, yp, x, y, trail);
  }
  PBFond->moveChild(ball, x, y);
}

void AboutWindow::tick() {
  const double H2 = static_cast<double>(core::roundHalfEven(PBFond->scaleHeight() / 2));
  const double W2 = static_cast<double>(core::roundHalfEven(PBFond->scaleWidth() / 2));

  // Orbit 1: the ellipse with half-axes 0.9 W2 across and H2/2 down.
  angle1_ = angle1_ - 0.2;
  if (angle1_ < -6.25) angle1_ = 0;
  {
    const double a = angle1_;
    const double ap = a + 0.2;
    const std::int16_t x = whole(0.9 * W2 * std::cos(a) + 0.95 * W2);
    const std::int16_t y = whole(H2 / 2 * std::sin(a) + 0.95 * H2);
    const std::int16_t xp = whole(0.9 * W2 * std::cos(ap) + 0.95 * W2);
    const std::int16_t yp = whole(H2 / 2 * std::sin(ap) + 0.95 * H2);
    moveBall(PB1, x, y, xp, yp, -2.2 < a && a < -0.8, ui::colour::yellow);
  }

  // Orbit 2: tilted by an eighth of a turn.
  angle2_ = angle2_ - 0.3;
  if (angle2_ < -6.25) angle2_ = 0;
  {
    const double c = 0.707;
    const double s = -0.707;
    auto place = [&](double a, std::int16_t& x, std::int16_t& y) {
      x = whole((0.95 * W2 + (W2 * c) * std::cos(a)) - ((H2 / 2) * s) * std::sin(a));
      y = whole((0.95 * W2 + ((0.9 * W2) * s) * std::cos(a)) + ((H2 / 2) * c) * std::sin(a));
    };
    const double a = angle2_;
    std::int16_t x = 0, y = 0, xp = 0, yp = 0;
    place(a, x, y);
    place(a + 0.3, xp, yp);
    moveBall(PB2, x, y, xp, yp, -2.4 < a && a < -1.1, ui::colour::red);
  }

  // Orbit 3: orbit 1 turned by a quarter turn, run the other way.
  angle3_ = angle3_ + 0.25;
  if (angle3_ > 6.25) angle3_ = 0;
  {
    auto place = [&](double a, std::int16_t& x, std::int16_t& y) {
      x = whole(0.95 * W2 - (H2 / 2) * std::sin(a));
      y = whole(0.95 * W2 + 0.9 * W2 * std::cos(a));
    };
    const double a = angle3_;
    std::int16_t x = 0, y = 0, xp = 0, yp = 0;
    place(a, x, y);
    place(a - 0.25, xp, yp);
    moveBall(PB3, x, y, xp, yp, 0.6 < a && a < 2.3, ui::colour::green);
  }
}
