#include "consistency/consistency_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "core/numeric.h"
#include "shell/long_run.h"
#include "shell/mod_general.h"
#include "ui/message.h"
#include "ui/result_list.h"
#include "ui/window_kit.h"

namespace {

using ui::caption;
using ui::colour::red;

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// The "E" label of divisor 2^e, as the error lines show it.
QString errorLabel(std::int64_t e) {
  return QStringLiteral("E") + QString::number(static_cast<qulonglong>(1) << e);
}

}  // namespace

ConsistencyWindow::ConsistencyWindow(core::Scheme scheme, QWidget* parent)
    : QWidget(parent), scheme_(scheme) {
  const bool peps = scheme_ == core::Scheme::Peps;
  setObjectName(peps ? QStringLiteral("FrmConsistPepsilon") : QStringLiteral("frmConsistP0"));
  setWindowTitle(peps ? QStringLiteral("Etude expérimentale de la consistance - Schéma Pepsilon")
                      : QStringLiteral("Etude expérimentale de la consistance - Schéma P0"));
  setFont(ui::typeface(8));

  // The Pepsilon window is 14 px wider and 16 px taller, for its third row
  // of physical data.
  const int width = peps ? 722 : 708;
  const int height = peps ? 453 : 437;
  setFixedSize(width, height);

  const int topH = peps ? 184 : 168;
  const int physicsW = 330 + (width - 708);
  buildIntervals(topH);
  buildPhysics(274, physicsW, topH);
  buildRunColumn(274 + physicsW + 6, width - (274 + physicsW + 6) - 6);

  const int bottomTop = topH + 8;
  const int bottomH = height - bottomTop - 6;
  const int halfW = (width - 6 - 6 - 4) / 2;
  buildHalf(core::Half::TimeR, 6, bottomTop, halfW, bottomH);
  buildHalf(core::Half::SpaceS, 6 + halfW + 4, bottomTop, halfW, bottomH);
  setTabOrder();
}

void ConsistencyWindow::buildIntervals(int height) {
  QWidget* g = ui::frame(this, "FrameIntervalles", QStringLiteral("Définitions des intervalles"),
                         {6, 4, 262, height});
  study_.TxtN =
      ui::field(g, "TxtN", {158, 18, 70, 20},
                caption(g, QStringLiteral("Nombre de points  N ="), {6, 18, 148, 20}, {}, kRight));
  study_.TxtT =
      ui::field(g, "TxtT", {158, 41, 70, 20},
                caption(g, QStringLiteral("Durée totale T ="), {6, 41, 148, 20}, {}, kRight),
                QStringLiteral("s"), {232, 41, 24, 20});
  study_.TxtK = ui::field(
      g, "TxtK", {158, 64, 70, 20},
      caption(g, QStringLiteral("Nb d'interv. de temps K ="), {6, 64, 148, 20}, {}, kRight));

  study_.LblH =
      ui::valueLabel(g, "LblH", {100, 88, 90, 19},
                     caption(g, QStringLiteral("h=1/(N+1) ="), {6, 88, 90, 19}, red, kRight));
  caption(g, QStringLiteral("m"), {194, 88, 24, 19}, red);
  study_.LblTau =
      ui::valueLabel(g, "LblTau", {100, 110, 90, 19},
                     caption(g, QStringLiteral("Tau = T/K ="), {6, 110, 90, 19}, red, kRight));
  caption(g, QStringLiteral("s"), {194, 110, 24, 19}, red);

  // The interval sketch: 0 and 1 at the ends, x1 and xN on the inner ticks.
  const int sy = height - 36;
  auto* sketch = new ui::IntervalSketch(g, ui::IntervalSketch::evenTicks(4, 165), 7, 4);
  sketch->setObjectName(QStringLiteral("Sketch"));
  ui::place(sketch, 16, sy, 170, 14);
  const auto tickX = [](int k) { return 16 + 4 + (170 - 9) * k / 5; };
  const auto tickLabel = [&](const QString& text, int k, int width) {
    caption(g, text, {tickX(k) - 10, sy + 14, width, 14}, {}, Qt::AlignCenter);
  };
  tickLabel(QStringLiteral("0m"), 0, 20);
  tickLabel(QStringLiteral("x1"), 1, 20);
  tickLabel(QStringLiteral("............"), 2, tickX(3) - tickX(2) + 20);
  tickLabel(QStringLiteral("xN"), 4, 20);
  tickLabel(QStringLiteral("1m"), 5, 20);
  caption(g, QStringLiteral("tn = n.Tau "), {194, sy, 64, 28});
}

void ConsistencyWindow::buildPhysics(int left, int width, int height) {
  QWidget* g = ui::frame(this, "FramePhysique", QStringLiteral("Grandeurs physiques"),
                         {left, 4, width, height});
  // Two columns: a and d on the left, w and phi on the right.
  const int c2 = width / 2;
  // A caption, its field and the unit after it; the right column's captions are narrower.
  const auto withUnit = [g](const char* name, const QString& text, const QRect& captionPlace,
                            int fieldLeft, const QString& unit, int unitWidth) {
    const int y = captionPlace.y();
    return ui::field(g, name, {fieldLeft, y, 60, 20}, caption(g, text, captionPlace, {}, kRight),
                     unit, {fieldLeft + 64, y, unitWidth, 20});
  };
  study_.Txta =
      withUnit("Txta", QStringLiteral("a ="), {2, 18, 56, 20}, 62, QStringLiteral("m²/s"), 36);
  study_.TxtW = withUnit("TxtW", QStringLiteral("w = "), {c2, 18, 50, 20}, c2 + 54,
                         QStringLiteral("rad/s"), 40);
  study_.TxtD =
      withUnit("TxtD", QStringLiteral("d = "), {2, 41, 56, 20}, 62, QStringLiteral("°C"), 36);
  study_.TxtPhi = withUnit("TxtPhi", QStringLiteral("phi = "), {c2, 41, 50, 20}, c2 + 54,
                           QStringLiteral("rad"), 40);

  int y = 70;
  if (scheme_ == core::Scheme::Peps) {
    study_.TxtEpsilon =
        ui::field(g, "TxtEpsilon", {62, 64, 60, 20},
                  caption(g, QStringLiteral("Epsilon ="), {2, 64, 56, 20}, {}, kRight),
                  QStringLiteral("s"), {126, 64, 36, 20});
    study_.LblAlpha =
        ui::valueLabel(g, "LblAlpha", {c2 + 54, 64, 90, 19},
                       caption(g, QStringLiteral("Alpha ="), {c2, 64, 50, 19}, red, kRight));
    y = 93;
  }
  study_.LblLambda = ui::valueLabel(
      g, "LblLambda", {126, y, 90, 19},
      caption(g, QStringLiteral("Lambda = a.Tau/h² ="), {2, y, 120, 19}, red, kRight));

  // Broken at its wide gap, before "avec", when it does not fit one line.
  QLabel* formula =
      caption(g, QStringLiteral("uexacte(x,t) = sin[pi.x].g(t)       avec g(t) = d.cos[wt+phi]"),
              {8, height - 48, width - 16, 40}, ui::colour::blue);
  formula->setWordWrap(true);
}

void ConsistencyWindow::buildRunColumn(int left, int width) {
  CmdQuitter =
      ui::button(this, "CmdQuitter", QStringLiteral("Quitter"), {left + 2, 12, width - 4, 25});
  connect(CmdQuitter, &QAbstractButton::clicked, this, &QWidget::close);

  // The bar tells how far the run has gone: time steps done out of the refined K.
  notice_ = ui::runNotice(this, {left, 46, width, 104}, Qt::AlignCenter, {left, 154, width, 14});
  notice_.label->setFont(ui::typeface(8, true));
}

bool ConsistencyWindow::isComputing() const { return LongRun::runsIn(this); }

void ConsistencyWindow::buildHalf(core::Half half, int left, int top, int width, int height) {
  const bool timeR = half == core::Half::TimeR;
  HalfControls& c = controls(half);
  c.frame = ui::frame(this, timeR ? "FrameHFixe" : "FrameTauFixe",
                      timeR ? QStringLiteral("Pour h fixé ") : QStringLiteral("Pour Tau fixé "),
                      {left, top, width, height});
  c.frame->setTitleLook(ui::typeface(8, true), ui::colour::blue);
  QWidget* g = c.frame;
  const QString name = timeR ? QStringLiteral("R") : QStringLiteral("S");

  caption(g,
          timeR ? QStringLiteral("Choix de R tel que Tau' = Tau / (2^R)")
                : QStringLiteral("Choix de S tel que h' = h / (2^S)"),
          {8, 20, width - 16, 18});
  c.field = ui::field(g, timeR ? "TxtR" : "TxtS", {34, 42, 56, 20},
                      caption(g, name + QStringLiteral(" ="), {8, 42, 24, 20}));
  caption(g, name + QStringLiteral(" = 0, 1, 2, 3, etc."), {100, 42, 150, 20});

  c.fixedValue = ui::valueLabel(
      g, timeR ? "LblHfixe" : "LblTauFixe", {86, 68, 90, 19},
      caption(g, timeR ? QStringLiteral("h=1/(N+1) =") : QStringLiteral("Tau = T/K ="),
              {8, 68, 76, 19}, red));
  caption(g, timeR ? QStringLiteral("m") : QStringLiteral("s"), {180, 68, 24, 19}, red);

  const int bwE = 126, bwO = 104;
  c.computeErrorButton = ui::button(g, timeR ? "CmdCalculerH" : "CmdCalculerTau",
                                    QStringLiteral("Calculer E pour ") + name, {8, 94, bwE, 25});
  c.computeOrdersButton =
      ui::button(g, timeR ? "CmdCalculerQ" : "CmdCalculerP",
                 timeR ? QStringLiteral("Calculer les qi") : QStringLiteral("Calculer les pi"),
                 {8 + bwE + 4, 94, bwO, 25});
  c.clearButton =
      ui::button(g, timeR ? "CmdEffacerH" : "CmdEffacerTau", QStringLiteral("Tout Effacer"),
                 {8 + bwE + bwO + 8, 94, width - 16 - bwE - bwO - 8, 25});
  c.computeOrdersButton->setEnabled(false);

  // The half's width split so that the lines of the errors and of the orders
  // of every run up to R (or S) = 10 read whole in the program's face (the
  // orders need about twice the errors' width); a longer line is whole in
  // its tooltip.
  const int listTop = 124;
  const int listH = height - listTop - 28;
  const int narrow = 105;
  const QString letter = timeR ? QStringLiteral("q") : QStringLiteral("p");
  c.errors = ui::list(g, timeR ? "ListERH" : "ListERT", {6, listTop, narrow, listH},
                      QStringLiteral("Erreurs pour ") + name,
                      QStringLiteral("Une ligne par calcul : E suivi du diviseur 2^%1 et de "
                                     "l'erreur à l'instant final")
                          .arg(name));
  c.errors->resultModel()->setCsvColumns(timeR ? QStringList{"2^R", "Tau'", "E"}
                                               : QStringList{"2^S", "h'", "E"});
  c.orders = ui::list(g, timeR ? "ListQ" : "ListP",
                      {6 + narrow + 4, listTop, width - 12 - narrow - 4, listH},
                      QStringLiteral("Ordres observés ") + letter + QStringLiteral("i"),
                      QStringLiteral("Une ligne par ordre %1i calculé à partir de trois erreurs "
                                     "successives")
                          .arg(letter));
  c.orders->resultModel()->setCsvColumns({"i", timeR ? "q" : "p"});
  caption(g, QStringLiteral("|| uexacte - uapprox || < C.[h^p + Tau^q]"),
          {8, height - 24, width - 16, 18}, ui::colour::blue);

  connect(c.computeErrorButton, &QAbstractButton::clicked, this,
          [this, half] { computeError(half); });
  connect(c.computeOrdersButton, &QAbstractButton::clicked, this,
          [this, half] { computeOrders(half); });
  connect(c.clearButton, &QAbstractButton::clicked, this, [this, half] { clearAll(half); });
}

void ConsistencyWindow::setTabOrder() {
  std::vector<QWidget*> order{study_.TxtN, study_.TxtT, study_.TxtK,  study_.Txta,
                              study_.TxtD, study_.TxtW, study_.TxtPhi};
  if (study_.TxtEpsilon) order.push_back(study_.TxtEpsilon);
  order.insert(order.end(),
               {timeHalf_.field, spaceHalf_.field, timeHalf_.computeErrorButton,
                timeHalf_.computeOrdersButton, timeHalf_.clearButton, spaceHalf_.computeErrorButton,
                spaceHalf_.computeOrdersButton, spaceHalf_.clearButton, CmdQuitter});
  ui::chainTabOrder(order);
}

core::ConsistencyFields ConsistencyWindow::readFields() const {
  core::ConsistencyFields f;
  study_.read(f);  // Epsilon for Pepsilon only: P0 has no such field
  f.R = ui::toStd(timeHalf_.field->text());
  f.S = ui::toStd(spaceHalf_.field->text());
  return f;
}

void ConsistencyWindow::showGrid(core::Half half, const core::GridValues& g) {
  study_.show(g);
  if (half == core::Half::TimeR)
    timeHalf_.fixedValue->showNumber(g.h);
  else
    spaceHalf_.fixedValue->showNumber(g.Tau);
}

void ConsistencyWindow::computeError(core::Half half) {
  HalfControls& c = controls(half);
  core::StudyState& s = ModGeneral::state();
  const core::ConsistencyFields typed = readFields();
  LongRun::click(
      this, notice_, c.computeErrorButton,
      [&] { return core::beginConsistency(s, scheme_, half, typed); },
      [&](ui::EventPump& pump) {
        const bool timeR = half == core::Half::TimeR;
        // The orders button follows the run just started, even if it is stopped.
        c.computeOrdersButton->setEnabled((timeR ? s.R : s.S) >= 2);
        pump.yieldOnce();
        showGrid(half, core::consistencyGrid(s, scheme_));
        const core::RunOutcome outcome =
            core::runConsistency(s, scheme_, half, pump, ui::decimalMark());
        const core::Study study =
            timeR ? core::Study::ConsistencyTime : core::Study::ConsistencySpace;
        ModGeneral::journal().recordRun(s, study, scheme_, outcome.completed);
        ModGeneral::journal().noteSession(
            core::sessionRun(study, scheme_, core::typedValues(typed, scheme_, timeR), outcome));
        if (outcome.completed) {
          // The CSV export writes the divisor, the refined step and the error in full.
          const double e = timeR ? s.R : s.S;
          c.errors->resultModel()->appendLine(
              ui::fromStd(outcome.line),
              {std::ldexp(1.0, static_cast<int>(e)), timeR ? s.Tau : s.h,
               (timeR ? s.ErrH : s.ErrT)(static_cast<std::int64_t>(e) + 1)});
        }
        pump.yieldOnce();
        return outcome.failure;
      });
}

void ConsistencyWindow::computeOrders(core::Half half) {
  HalfControls& c = controls(half);
  core::StudyState& s = ModGeneral::state();
  c.orders->resultModel()->clear();
  const core::OrdersResult orders = core::computeOrders(s, half, ui::decimalMark());
  const std::vector<core::OrderLine>& lines = orders.lines;
  QStringList undefinedOrders;
  std::set<std::int64_t> missing;  // exponents e of the errors E(2^e) that read 0
  const core::Table1& err = half == core::Half::TimeR ? s.ErrH : s.ErrT;
  const QChar letter = half == core::Half::TimeR ? QLatin1Char('q') : QLatin1Char('p');
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const core::Table1& ord = half == core::Half::TimeR ? s.OrdQ : s.OrdP;
    c.orders->resultModel()->appendLine(ui::fromStd(lines[k].text),
                                        {double(k + 1), ord(static_cast<std::int64_t>(k) + 1)});
    if (lines[k].defined || lines[k].overflow) continue;
    const auto i = static_cast<std::int64_t>(k) + 1;
    undefinedOrders << letter + QString::number(i);
    for (std::int64_t e = i - 1; e <= i + 1; ++e)
      if (err.contains(e + 1) && err(e + 1) == 0.0) missing.insert(e);
  }
  std::vector<std::string> texts;
  for (const core::OrderLine& l : lines) texts.push_back(l.text);
  {
    core::SessionRun note;
    note.study =
        half == core::Half::TimeR ? core::Study::ConsistencyTime : core::Study::ConsistencySpace;
    note.scheme = scheme_;
    note.orders = true;
    note.failure = orders.failure ? orders.failure->message : std::string();
    note.lines = std::move(texts);
    ModGeneral::journal().noteSession(std::move(note));
  }
  if (orders.failure) ui::showFailure(this, *orders.failure);  // a ratio overflowed
  if (undefinedOrders.isEmpty()) return;

  // One message for all the orders that could not be computed, with the
  // likely cause: errors never computed (their entries read 0), otherwise
  // equal successive errors or differences of opposite signs.
  const bool timeR = half == core::Half::TimeR;
  QStringList labels, values;
  for (std::int64_t e : missing) {
    labels << errorLabel(e);
    values << QString::number(e);
  }
  ui::showFailure(this, core::fail::ordersUndefined(
                            static_cast<std::size_t>(undefinedOrders.size()),
                            ui::toStd(undefinedOrders.join(QStringLiteral(", "))),
                            ui::toStd(labels.join(QStringLiteral(", "))),
                            timeR ? "Calculer E pour R" : "Calculer E pour S", timeR ? "R" : "S",
                            ui::toStd(values.join(QStringLiteral(", ")))));
}

void ConsistencyWindow::clearAll(core::Half half) {
  HalfControls& c = controls(half);
  c.errors->resultModel()->clear();
  c.orders->resultModel()->clear();
  ModGeneral::journal().clearSeries(
      half == core::Half::TimeR ? core::Study::ConsistencyTime : core::Study::ConsistencySpace,
      scheme_);
}
