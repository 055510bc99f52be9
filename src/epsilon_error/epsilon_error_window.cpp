#include "epsilon_error/epsilon_error_window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <iterator>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "core/studies.h"
#include "shell/long_run.h"
#include "shell/mod_general.h"
#include "ui/message.h"
#include "ui/result_list.h"
#include "ui/window_kit.h"

namespace {

using ui::caption;
using ui::colour::blue;
using ui::colour::red;

// A caption standing right against the control it names, whose left edge
// is at `right`.
QLabel* captionBefore(QWidget* parent, const QString& text, int right, int top, int width,
                      const QColor& colour = QColor()) {
  return caption(parent, text, {right - width, top, width, 17}, colour,
                 Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

EpsilonErrorWindow::EpsilonErrorWindow(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FrmErreurEps0"));
  setWindowTitle(QStringLiteral(
      "Etude expérimentale de l'erreur entre Uepsilon/k et Uo (k=1, 2, 4, 8,  etc.)"));
  setFont(ui::typeface(8));
  setFixedSize(605, 395);

  buildIntervals();
  buildPhysics();
  buildChoice();
  buildConstantData();
  buildExactData();
  buildErrorFrame();

  CmdQuitter = ui::button(this, "CmdQuitter", QStringLiteral("Quitter"), {293, 260, 102, 21});
  connect(CmdQuitter, &QAbstractButton::clicked, this, &QWidget::close);

  notice_ = ui::runNotice(this, {292, 282, 103, 80}, Qt::AlignHCenter | Qt::AlignTop,
                          {292, 366, 103, 14});

  QWidget* order[] = {study_.TxtN,   study_.TxtT,   study_.TxtK,  study_.Txta,  study_.TxtEpsilon,
                      OptionChoix_0, OptionChoix_1, study_.Txtu0, study_.TxtV0, study_.TxtD,
                      study_.TxtW,   study_.TxtPhi, TxtR,         CmdCalculerH, CmdEffacerH,
                      ListERH,       CmdQuitter};
  ui::chainTabOrder(order);
}

EpsilonErrorWindow::~EpsilonErrorWindow() = default;

bool EpsilonErrorWindow::isComputing() const { return LongRun::runsIn(this); }

void EpsilonErrorWindow::buildIntervals() {
  QWidget* f =
      ui::frame(this, "Frame1", QStringLiteral("Définitions des intervalles"), {0, 0, 326, 92});
  study_.TxtN = ui::field(f, "TxtN", {114, 21, 30, 19},
                          captionBefore(f, QStringLiteral("Nombre de points  N ="), 112, 22, 108));
  study_.TxtT = ui::field(f, "TxtT", {85, 42, 34, 19},
                          captionBefore(f, QStringLiteral("Durée totale T ="), 83, 43, 80),
                          QStringLiteral("s"), {122, 43, 10, 17});
  study_.TxtK =
      ui::field(f, "TxtK", {267, 42, 34, 19},
                captionBefore(f, QStringLiteral("Nb d'interv. de temps K ="), 265, 43, 131));

  study_.LblH = ui::valueLabel(f, "LblH", {68, 67, 53, 16},
                               captionBefore(f, QStringLiteral("h=1/(N+1) ="), 66, 66, 64, red));
  caption(f, QStringLiteral("m"), {123, 66, 12, 17}, red);
  study_.LblTau = ui::valueLabel(f, "LblTau", {199, 66, 55, 16},
                                 captionBefore(f, QStringLiteral("Tau = T/K ="), 197, 65, 60, red));
  caption(f, QStringLiteral("s"), {256, 65, 8, 17}, red);
  caption(f, QStringLiteral("tn = n.Tau "), {265, 65, 60, 17}, blue);

  // The interval sketch, between the N field and the frame's right edge,
  // below the frame's border. Uneven ticks: the run of dots stands in the
  // wider gap.
  const std::vector<int> ticks{4, 22, 40, 83, 101, 119};
  const int left = 174;
  ui::place(new ui::IntervalSketch(f, ticks, 5, 4), left, 9, 124, 11);
  const auto tick = [&](int i) { return left + ticks[static_cast<std::size_t>(i)]; };
  const Qt::Alignment top = Qt::AlignHCenter | Qt::AlignTop;
  caption(f, QStringLiteral("0m"), {tick(0) - 10, 19, 20, 14}, {}, top);
  caption(f, QStringLiteral("x1"), {tick(1) - 10, 19, 20, 14}, {}, top);
  caption(f, QStringLiteral("............"), {tick(2) + 2, 11, tick(3) - tick(2) - 4, 12}, {}, top)
      ->lower();
  caption(f, QStringLiteral("xN"), {tick(4) - 10, 19, 20, 14}, {}, top);
  caption(f, QStringLiteral("1m"), {tick(5) - 10, 19, 20, 14}, {}, top);
}

void EpsilonErrorWindow::buildPhysics() {
  QWidget* f = ui::frame(this, "Frame2", QStringLiteral("Grandeurs physiques"), {327, 0, 276, 93});
  study_.Txta =
      ui::field(f, "Txta", {27, 17, 40, 19}, captionBefore(f, QStringLiteral("a ="), 25, 18, 20),
                QStringLiteral("m²/s"), {70, 18, 30, 17});
  study_.TxtEpsilon = ui::field(f, "TxtEpsilon", {58, 59, 39, 19},
                                captionBefore(f, QStringLiteral("Epsilon ="), 56, 60, 52),
                                QStringLiteral("s"), {100, 60, 10, 17});
  study_.LblLambda =
      ui::valueLabel(f, "LblLambda", {219, 18, 51, 16},
                     captionBefore(f, QStringLiteral("Lambda = a.Tau/h² ="), 217, 17, 112, red));
  study_.LblAlpha = ui::valueLabel(f, "LblAlpha", {217, 60, 53, 16},
                                   captionBefore(f, QStringLiteral("Alpha ="), 215, 59, 50, red));
}

void EpsilonErrorWindow::buildChoice() {
  QWidget* f = ui::frame(this, "Frame3", QStringLiteral("Choix de f(x,t), uo(x,t), vo(x,t)"),
                         {0, 93, 395, 42});
  OptionChoix_0 = ui::option(f, "OptionChoix_0", QStringLiteral("f(x,t) = 0, uo et vo constantes"),
                             {10, 20, 162, 17});
  OptionChoix_1 = ui::option(f, "OptionChoix_1", QStringLiteral("f(x,t), uo et vo non constantes"),
                             {177, 20, 174, 17});
  OptionChoix_0->setChecked(true);
  // The two buttons share their frame, so Qt keeps them exclusive; any change
  // of selection (mouse, arrow keys) toggles the second one.
  connect(OptionChoix_1, &QAbstractButton::toggled, this, &EpsilonErrorWindow::showDataFrame);
}

void EpsilonErrorWindow::buildConstantData() {
  FrameConstantes = ui::frame(this, "FrameConstantes",
                              QStringLiteral("f(x,t) = 0, uo et vo constantes"), {1, 137, 394, 56});
  QWidget* f = FrameConstantes;
  study_.Txtu0 = ui::field(f, "Txtu0", {84, 21, 35, 19},
                           captionBefore(f, QStringLiteral("uo(x,t) = Cste ="), 82, 22, 80),
                           QStringLiteral("°C"), {122, 22, 20, 17});
  study_.TxtV0 = ui::field(f, "TxtV0", {229, 21, 36, 19},
                           captionBefore(f, QStringLiteral("vo(x,t) = Cste ="), 227, 22, 80),
                           QStringLiteral("°C/s"), {268, 22, 30, 17});
}

void EpsilonErrorWindow::buildExactData() {
  FrameNonConstantes =
      ui::frame(this, "FrameNonConstantes", QStringLiteral("f(x,t), uo et vo non constantes"),
                {1, 138, 394, 119});
  QWidget* f = FrameNonConstantes;
  caption(f, QStringLiteral("uo(x,t) = d.sin[pi.x].cos(phi)"), {8, 20, 170, 17}, blue);
  caption(f, QStringLiteral("vo(x,t) = - d.w.sin(pi.x).sin(phi)"), {190, 20, 200, 17}, blue);
  caption(f, QStringLiteral("f(x,t) = d.sin(pi.x).(- w.sin(w.t + phi) + a.pi^².cos(w.t + phi))"),
          {8, 42, 382, 17}, blue);
  caption(f, QStringLiteral("feps(x,t) = f(x,t) - d.epsilon.w^².sin(pi.x).cos(w.t + phi)"),
          {8, 63, 382, 17}, blue);

  study_.TxtD =
      ui::field(f, "TxtD", {84, 87, 33, 19}, captionBefore(f, QStringLiteral("d = "), 82, 88, 30),
                QStringLiteral("°C"), {120, 88, 18, 17});
  study_.TxtW =
      ui::field(f, "TxtW", {160, 87, 33, 19}, captionBefore(f, QStringLiteral("w = "), 158, 88, 22),
                QStringLiteral("rad/s"), {196, 88, 30, 17});
  study_.TxtPhi = ui::field(f, "TxtPhi", {256, 86, 33, 19},
                            captionBefore(f, QStringLiteral("phi = "), 254, 87, 28),
                            QStringLiteral("rad"), {292, 87, 24, 17});
  FrameNonConstantes->hide();
}

void EpsilonErrorWindow::buildErrorFrame() {
  QWidget* f =
      ui::frame(this, "FrameH", QStringLiteral("Erreur entre Ueps/k et Uo"), {397, 93, 206, 298});
  TxtR =
      ui::field(f, "TxtR", {44, 20, 38, 19}, captionBefore(f, QStringLiteral("k ="), 42, 21, 24));
  caption(f, QStringLiteral("k = 1, 2, 4, 8, etc."), {86, 21, 116, 17});
  caption(f, QStringLiteral("E(k) = || Ueps/k - Uo ||"), {9, 45, 120, 15}, blue);

  CmdCalculerH =
      ui::button(f, "CmdCalculerH", QStringLiteral("Calculer E pour k"), {9, 65, 102, 19});
  connect(CmdCalculerH, &QAbstractButton::clicked, this, &EpsilonErrorWindow::computeError);
  CmdEffacerH = ui::button(f, "CmdEffacerH", QStringLiteral("Tout Effacer"), {114, 64, 83, 20});
  connect(CmdEffacerH, &QAbstractButton::clicked, this, &EpsilonErrorWindow::clearAll);

  ListERH = ui::list(f, "ListERH", {8, 86, 190, 199}, QStringLiteral("Erreurs E(k)"),
                     QStringLiteral("Une ligne par calcul : le diviseur k et la distance entre "
                                    "Uepsilon/k et Uo à l'instant final"));
  ListERH->resultModel()->setCsvColumns({"k", "Epsilon/k", "E(k)"});
}

bool EpsilonErrorWindow::exactDataSelected() const { return OptionChoix_1->isChecked(); }

void EpsilonErrorWindow::showDataFrame() {
  // Only visibility changes: the hidden frame's fields keep their texts.
  const bool exact = exactDataSelected();
  FrameNonConstantes->setVisible(exact);
  FrameConstantes->setVisible(!exact);
}

core::ErrorFields EpsilonErrorWindow::readFields() const {
  core::ErrorFields f;
  study_.read(f);  // both data frames, whichever shows
  f.k = ui::StudyControls::text(TxtR);
  return f;
}

void EpsilonErrorWindow::computeError() {
  core::StudyState& s = ModGeneral::state();
  const core::ErrorFields typed = readFields();
  LongRun::click(
      this, notice_, CmdCalculerH,
      [&] { return core::beginErrorStudy(s, typed, exactDataSelected()); },
      [&](ui::EventPump& pump) {
        pump.yieldOnce();
        study_.show(core::errorStudyGrid(s));
        // The option is asked again at each initial row and each source fill,
        // so a change made during the run takes effect from the next time step.
        const core::RunOutcome result = core::runErrorStudy(
            s, [this] { return exactDataSelected(); }, pump, ui::decimalMark());
        ModGeneral::journal().recordRun(s, core::Study::Error, core::Scheme::Peps, result.completed,
                                        exactDataSelected());
        ModGeneral::journal().noteSession(core::sessionRun(
            core::Study::Error, core::Scheme::Peps,
            core::typedValues(typed, exactDataSelected()), result));
        if (result.completed) {
          const double k = s.R;  // the divisor k, kept in R
          addLine(ui::fromStd(result.line), {k, s.Epsilon, s.ErrH(1)});
          pump.yieldOnce();
        }
        return result.failure;
      });
}

void EpsilonErrorWindow::addLine(const QString& line, std::vector<double> numbers) {
  ListERH->resultModel()->appendLine(line, std::move(numbers));
  ListERH->scrollToBottom();
}

void EpsilonErrorWindow::clearAll() {
  ListERH->resultModel()->clear();
  ModGeneral::journal().clearSeries(core::Study::Error, core::Scheme::Peps);
}

void EpsilonErrorWindow::keyPressEvent(QKeyEvent* event) {
  // Outside a run (during one, LongRun takes every key of the window first).
  // The flag is shared: while another window computes, a key typed here must
  // not stop that window's run.
  if (!ModGeneral::computationRunning() || ModGeneral::computationOwner() == this)
    ModGeneral::state().StopRequested = true;
  event->accept();
}
