#include "about/about_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <cmath>
#include <cstdint>

#include "about/about_background.h"
#include "core/numeric.h"
#include "ui/geometry.h"
#include "ui/picture_surface.h"

namespace {

const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);

// Places on the picture are whole pixels (16-bit whole numbers).
std::int16_t whole(double v) { return static_cast<std::int16_t>(std::floor(v)); }

QWidget* dot(ui::PictureSurface* surface, const QString& name, const QColor& colour) {
  auto* w = new QWidget(surface);
  w->setObjectName(name);
  ui::setColors(w, colour, colour);
  return w;
}

QFont windowFont() {
  QFont f = ui::sansFont(8.25);
  f.setStretch(QFont::SemiCondensed);
  return f;
}

}  // namespace

QString AboutWindow::authorName() { return QStringLiteral("Équipe Orvalend"); }
QString AboutWindow::authorPostalBox() { return QStringLiteral("BP 42"); }
QString AboutWindow::authorTown() { return QStringLiteral("45000 Orvalend-sur-Loire"); }
QString AboutWindow::authorEmail() { return QStringLiteral("contact@orvalend.example"); }

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent) {
  buildControls();
  load();
}

void AboutWindow::buildControls() {
  setObjectName(QStringLiteral("FrmAPropos"));
  setWindowTitle(QStringLiteral("A PROPOS DE ORVALEND"));
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(334, 177);
  setFont(windowFont());

  auto* frame4 = new QGroupBox(QStringLiteral("Version du logiciel"), this);
  frame4->setObjectName(QStringLiteral("Frame4"));
  ui::place(frame4, 1, 0, 329, 33);
  auto* label12 = ui::addLabel(frame4, QStringLiteral("ORVALEND Version 2.0    (05/2002)"), 20, 15,
                               258, 15, QStringLiteral("Label12"));
  label12->setAlignment(Qt::AlignCenter);

  auto* frame1 = new QGroupBox(QStringLiteral("Auteur du logiciel ORVALEND"), this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  ui::place(frame1, 2, 34, 195, 79);
  ui::setColors(frame1, palette().color(QPalette::WindowText), QColor(192, 192, 192));
  label1_ = ui::addLabel(frame1, QStringLiteral("Auteur"), 16, 16, 141, 17, QStringLiteral("Label1"));
  QLabel* label2 =
      ui::addLabel(frame1, authorPostalBox(), 12, 30, 149, 17, QStringLiteral("Label2"));
  QLabel* label3 = ui::addLabel(frame1, authorTown(), 16, 44, 141, 17, QStringLiteral("Label3"));
  QLabel* label4 = ui::addLabel(frame1, authorEmail(), 6, 58, 169, 17, QStringLiteral("Label4"));
  for (QLabel* l : {label1_, label2, label3, label4}) {
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ui::setColors(l, kBlue);
  }

  // The picture: a 2-pixel border around the 124 × 124 image, measured in
  // pixels of its inner area.
  pbFond_ = new ui::PictureSurface(this, 2);
  pbFond_->setObjectName(QStringLiteral("PBFond"));
  ui::place(pbFond_, 202, 42, 128, 128);
  pbFond_->setBackground(Qt::black);
  pbFond_->setScalePixels();
  pb1_ = dot(pbFond_, QStringLiteral("PB1"), kYellow);
  pb2_ = dot(pbFond_, QStringLiteral("PB2"), kRed);
  pb3_ = dot(pbFond_, QStringLiteral("PB3"), kGreen);

  auto* label5 = ui::addLabel(this,
                              QStringLiteral("Etude comparative d'un problème de chaleur de type "
                                             "parabolique et de type hyperbolique (Mervodan)."),
                              4, 122, 192, 47, QStringLiteral("Label5"));
  label5->setAlignment(Qt::AlignCenter);
  label5->setWordWrap(true);
  ui::setColors(label5, kYellow, QColor(0, 128, 0));

  tmrAPropos_ = new QTimer(this);
  tmrAPropos_->setObjectName(QStringLiteral("TmrAPropos"));
  tmrAPropos_->setInterval(100);
  connect(tmrAPropos_, &QTimer::timeout, this, &AboutWindow::tick);
}

void AboutWindow::load() {
  label1_->setText(authorName());
  angle1_ = 0.5;
  angle2_ = 0.2;
  angle3_ = 0.35;
  // Every opening starts on the clean picture with the dots at their places.
  pbFond_->setPicture([](qreal dpr) { return about::backgroundImage(dpr); });
  pbFond_->placeChild(pb1_, 39, 44, 3, 3);
  pbFond_->placeChild(pb2_, 76, 28, 3, 3);
  pbFond_->placeChild(pb3_, 224, 40, 3, 3);
  for (QWidget* d : {pb1_, pb2_, pb3_}) d->setVisible(true);
  tmrAPropos_->start();
  loaded_ = true;
}

void AboutWindow::unload() {
  tmrAPropos_->stop();
  loaded_ = false;
}

void AboutWindow::showEvent(QShowEvent* event) {
  // A window closed without being destroyed comes back as new.
  if (!loaded_) load();
  QWidget::showEvent(event);
}

void AboutWindow::closeEvent(QCloseEvent* event) {
  unload();
  QWidget::closeEvent(event);
}

void AboutWindow::tick() {
  const double H2 = static_cast<double>(core::roundHalfEven(pbFond_->scaleHeight() / 2));
  const double W2 = static_cast<double>(core::roundHalfEven(pbFond_->scaleWidth() / 2));

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
    if (-2.2 < a && a < -0.8) {
      pb1_->hide();
    } else {
      pb1_->show();
      pbFond_->drawLine(xp, yp, x, y, kYellow);
    }
    pbFond_->moveChild(pb1_, x, y);
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
    if (-2.4 < a && a < -1.1) {
      pb2_->hide();
    } else {
      pb2_->show();
      pbFond_->drawLine(xp, yp, x, y, kRed);
    }
    pbFond_->moveChild(pb2_, x, y);
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
    if (0.6 < a && a < 2.3) {
      pb3_->hide();
    } else {
      pb3_->show();
      pbFond_->drawLine(xp, yp, x, y, kGreen);
    }
    pbFond_->moveChild(pb3_, x, y);
  }
}
