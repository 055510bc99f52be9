#include "stability/stability_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <vector>

#include "core/numeric.h"
#include "shell/mod_general.h"
#include "stability/stability_list_model.h"
#include "ui/message.h"
#include "ui/result_list.h"
#include "ui/window_kit.h"

namespace {

bool isPeps(core::Scheme s) { return s == core::Scheme::Peps; }

// A click costs about 6 ns per value of the table and as much again per
// level as 15 values (its list line, its row): (N + 15)·K from 4e7 on is a
// run of about 250 ms or more (bench_stability_list), which shows the wait
// cursor.
constexpr double kBusyCursorLevelExtra = 15;
constexpr double kBusyCursorWork = 4e7;

}  // namespace

StabilityWindow::StabilityWindow(core::Scheme scheme, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      scheme_(scheme) {
  setObjectName(isPeps(scheme) ? QStringLiteral("frmstabpeps") : QStringLiteral("frmstabp0"));
  setWindowTitle(isPeps(scheme)
                     ? QStringLiteral("Etude expérimentale de la stabilité du schéma Pepsilon")
                     : QStringLiteral("Etude expérimentale de la stabilité du schéma P0"));
  setFont(ui::typeface(8));
  setFixedSize(719, 446);
  buildControls();
  setTabOrders();
}

void StabilityWindow::buildControls() {
  const bool peps = isPeps(scheme_);
  QLabel* title =
      peps ? ui::caption(this, QStringLiteral("Etude de la stabilité du schéma Pepsilon"),
                         {0, 0, 365, 25}, ui::colour::red, Qt::AlignCenter)
           : ui::caption(this, QStringLiteral("Etude de la stabilité du schéma P0"),
                         {80, 0, 409, 25}, ui::colour::red, Qt::AlignCenter);
  title->setObjectName(QStringLiteral("Label1"));
  title->setFont(ui::typeface(peps ? 13.5 : 18, false, true));

  buildIntervalFrame();
  buildPhysicalFrame();
  if (peps) buildSourceRow();

  CmdCalculs =
      ui::button(this, "CmdCalculs", QStringLiteral("Lancer les calculs"), {608, 33, 95, 24});
  Cmdgraphique = ui::button(this, "Cmdgraphique", QStringLiteral("Graphiques"), {608, 61, 95, 24});
  Cmdgraphique->setEnabled(false);
  CmdQuitter = ui::button(this, "CmdQuitter", QStringLiteral("Quitter"), {608, 91, 95, 24});
  connect(CmdCalculs, &QPushButton::clicked, this, &StabilityWindow::runComputation);
  connect(Cmdgraphique, &QPushButton::clicked, this, &StabilityWindow::openGraphs);
  connect(CmdQuitter, &QPushButton::clicked, this, &QWidget::close);
  // Enter in any field starts the computation, as the first button would.
  for (QLineEdit* e : findChildren<QLineEdit*>()) {
    connect(e, &QLineEdit::returnPressed, CmdCalculs, &QPushButton::click);
  }

  ListRes = ui::list(this, "ListRes", {3, 123, 711, 316}, QStringLiteral("Résultats"),
                     QStringLiteral("La ligne des abscisses x, puis une ligne par niveau de "
                                    "temps n avec la valeur de la solution en chaque point"),
                     ui::ListKind::Levels);
}

void StabilityWindow::buildIntervalFrame() {
  using ui::caption;
  using ui::colour::blue;
  using ui::colour::red;
  QWidget* f =
      ui::frame(this, "Frame1", QStringLiteral("Définitions des intervalles"), {0, 25, 326, 94});
  // The interval from "0m" to "1m", its inner ticks under "x1" … "xN".
  (new ui::IntervalSketch(f, ui::IntervalSketch::evenTicks(174, 280), 27, 3))
      ->setGeometry(0, 0, 326, 94);
  caption(f, QStringLiteral("0m"), {155, 20, 19, 13});
  // "1m" clear of the segment's end tick, "x1" over its tick.
  caption(f, QStringLiteral("1m"), {280, 19, 17, 13}, {}, Qt::AlignRight | Qt::AlignVCenter);
  caption(f, QStringLiteral("x1"), {180, 9, 31, 16}, {}, Qt::AlignCenter);
  caption(f, QStringLiteral("xN"), {259, 10, 17, 11});
  caption(f, QStringLiteral("............"), {204, 12, 50, 12});

  study_.TxtN = ui::field(f, "TxtN", {113, 21, 30, 19},
                          caption(f, QStringLiteral("Nombre de points  N ="), {5, 24, 112, 17}));
  study_.TxtT = ui::field(f, "TxtT", {85, 42, 34, 19},
                          caption(f, QStringLiteral("Durée totale T ="), {6, 46, 81, 13}),
                          QStringLiteral("s"), {123, 45, 18, 15});
  study_.TxtK =
      ui::field(f, "TxtK", {267, 42, 34, 19},
                caption(f, QStringLiteral("Nb d'interv. de temps K ="), {144, 45, 122, 15}));
  QLabel* hCaption =
      caption(f, QStringLiteral("h=1/(N+1) ="), {7, 68, 80, 22}, red, Qt::AlignLeft | Qt::AlignTop);
  study_.LblH = ui::valueLabel(f, "LblH", {68, 67, 53, 16}, hCaption);
  caption(f, QStringLiteral("m"), {123, 67, 29, 14}, red);
  QLabel* tauCaption = caption(f, QStringLiteral("Tau = T/K ="), {138, 66, 64, 14}, red);
  study_.LblTau = ui::valueLabel(f, "LblTau", {199, 66, 55, 16}, tauCaption);
  caption(f, QStringLiteral("s"), {255, 66, 12, 16}, red);
  caption(f, QStringLiteral("tn = n.Tau "), {270, 66, 54, 16}, blue);
}

void StabilityWindow::buildPhysicalFrame() {
  using ui::caption;
  const bool peps = isPeps(scheme_);
  QWidget* f = ui::frame(this, "Frame2", QStringLiteral("Grandeurs physiques"),
                         peps ? QRect(327, 25, 276, 94) : QRect(329, 26, 276, 92));
  study_.Txta =
      ui::field(f, "Txta", {27, 17, 40, 19}, caption(f, QStringLiteral("a ="), {7, 21, 19, 16}),
                QStringLiteral("m²/s"), {71, 20, 32, 15});
  QLabel* lambdaCaption =
      caption(f, QStringLiteral("Lambda = a.Tau/h² ="), {114, 19, 105, 15}, ui::colour::red);
  study_.LblLambda = ui::valueLabel(f, "LblLambda", {219, 18, 51, 16}, lambdaCaption);
  study_.LblLambda->setNote(stabilityConditionText(scheme_));
  study_.Txtu0 =
      ui::field(f, "Txtu0", peps ? QRect(72, 41, 38, 19) : QRect(78, 41, 45, 19),
                caption(f, QStringLiteral("u0(x )= Cste ="),
                        peps ? QRect(5, 44, 71, 15) : QRect(8, 44, 71, 15)),
                QStringLiteral("°C"), peps ? QRect(112, 44, 25, 16) : QRect(127, 44, 25, 16));
  if (!peps) {
    caption(f, QStringLiteral("f(x,t) = 0"), {9, 64, 47, 15});
    return;
  }
  study_.TxtV0 = ui::field(f, "TxtV0", {202, 41, 36, 19},
                           caption(f, QStringLiteral("v0(x )= Cste ="), {132, 44, 71, 15}),
                           QStringLiteral("°C/s"), {242, 44, 25, 16});
  study_.TxtEpsilon = ui::field(f, "TxtEpsilon", {72, 65, 39, 19},
                                caption(f, QStringLiteral("Epsilon ="), {8, 68, 71, 15}),
                                QStringLiteral("s"), {115, 68, 14, 16});
  caption(f, QStringLiteral("f(x,t) = 0"), {128, 68, 47, 15});
  QLabel* alphaCaption = caption(f, QStringLiteral("Alpha ="), {176, 68, 41, 15}, ui::colour::red);
  study_.LblAlpha = ui::valueLabel(f, "LblAlpha", {218, 66, 53, 16}, alphaCaption);
}

void StabilityWindow::buildSourceRow() {
  using ui::caption;
  CheckF = ui::checkBox(this, "CheckF", QStringLiteral("f=cste pour n et f=0 ensuite"),
                        {362, 8, 161, 13});
  TextFF = ui::field(this, "TextFF", {540, 5, 30, 19},
                     caption(this, QStringLiteral("f ="), {523, 8, 19, 15}));
  TextNN = ui::field(this, "TextNN", {601, 5, 30, 19},
                     caption(this, QStringLiteral("n ="), {584, 8, 19, 15}));
  caption(this, QStringLiteral("(n >=2)"), {639, 7, 50, 15});
}

void StabilityWindow::setTabOrders() {
  std::vector<QWidget*> order{study_.TxtN, study_.TxtT, study_.TxtK, study_.Txta, study_.Txtu0};
  if (isPeps(scheme_))
    order.insert(order.end(), {study_.TxtV0, study_.TxtEpsilon, CheckF, TextFF, TextNN});
  order.insert(order.end(), {CmdCalculs, Cmdgraphique, CmdQuitter, ListRes});
  ui::chainTabOrder(order);
  study_.TxtN->setFocus();
}

QString StabilityWindow::stabilityConditionText(core::Scheme scheme) {
  const QLocale locale;
  const QString half = locale.toString(0.5);
  if (!isPeps(scheme)) {
    return QStringLiteral(
               "Condition de stabilité du schéma P0 : le schéma est stable lorsque "
               "Lambda = a.Tau/h² ≤ %1.\nAu-delà, une oscillation de point en point "
               "grandit d'un niveau de temps à l'autre.")
        .arg(half);
  }
  return QStringLiteral(
             "Condition de stabilité du schéma Pepsilon (pour Alpha = Epsilon/Tau ≥ 0) : "
             "le schéma est stable lorsque Lambda ≤ %1 + Alpha.\n"
             "Elle vient du polynôme d'amplification de von Neumann\n"
             "(1 + Alpha)·g² − (1 + 2·Alpha − 4·Lambda·sin²(θ/2))·g + Alpha,\n"
             "dont les deux racines doivent rester de module au plus 1.")
      .arg(half);
}

core::StabilityFields StabilityWindow::readFields() const {
  core::StabilityFields f;
  study_.read(f);  // v0 and Epsilon for Pepsilon only: P0 has no such fields
  if (isPeps(scheme_)) {
    f.sourceTicked = CheckF->isChecked();
    f.FF = ui::toStd(TextFF->text());
    f.NN = ui::toStd(TextNN->text());
  }
  return f;
}

bool StabilityWindow::showsBusyCursor(const core::StabilityFields& fields) {
  const double n = core::parseNumber(fields.N).value, k = core::parseNumber(fields.K).value;
  return (n + kBusyCursorLevelExtra) * k >=
         kBusyCursorWork;  // NaN (never here) or small: no cursor
}

void StabilityWindow::runComputation() {
  // A consistency or error run is using the shared tables: refuse first.
  if (ModGeneral::refusedWhileRunning(this)) return;
  const core::StabilityFields fields = readFields();
  if (core::stabilityFieldsEmpty(scheme_, fields)) {
    ui::showFailure(this, core::fail::emptyField());
    return;
  }
  Cmdgraphique->setEnabled(true);

  // The run does not yield: a long one shows the wait cursor until its list
  // is filled, and the cursor is back before any message.
  ui::BusyCursor busy(showsBusyCursor(fields));
  const core::StabilityResult r = core::runStability(ModGeneral::state(), scheme_, fields);
  if (r.levels > 0) {
    ModGeneral::journal().recordStabilityRun(ModGeneral::state(), scheme_, fields.sourceTicked);
    core::SessionRun note;
    note.study = core::Study::Stability;
    note.scheme = scheme_;
    note.typed = core::typedValues(fields, scheme_);
    note.grid = r.grid;
    note.levels = r.levels;
    note.failure = r.failure ? r.failure->message : std::string();
    ModGeneral::journal().noteSession(std::move(note));
  }
  if (r.levels == 0) {
    // Refused before any level was computed: labels and list stay as they were.
    busy.release();
    if (r.failure) ui::showFailure(this, *r.failure);
    return;
  }
  study_.show(r.grid);
  fillList(r.levels, r.grid.h);
  busy.release();
  if (r.failure) ui::showFailure(this, *r.failure);  // a level left the double range
}

void StabilityWindow::fillList(std::int64_t levels, double h) {
  const core::StudyState& s = ModGeneral::state();
  const core::Table2& sol = isPeps(scheme_) ? s.SolPeps : s.SolP0;
  // Levels 0 .. levels - 1 hold values (rows 1 .. levels); after an overflow
  // the later rows were never written.
  const std::int64_t rows = std::min(levels, sol.rowUpper());
  const std::int64_t columns = std::min(core::loopLast(s.N), sol.colUpper());
  const QString mark = ui::fromStd(ui::decimalMark());

  // The list shares the table: no copy, and the next run leaves it as it is.
  auto* model = qobject_cast<StabilityListModel*>(ListRes->lineModel());
  if (!model) {
    model = new StabilityListModel(ListRes);
    ListRes->setLineModel(model);
  }
  model->setLevels(
      h, columns, rows,
      sol.share(isPeps(scheme_) ? "liste de la stabilité Pepsilon" : "liste de la stabilité P0"),
      mark);
  model->setTimeStep(s.Tau);  // the CSV export writes t = n·Tau
  ListRes->scrollToTop();
}

void StabilityWindow::openGraphs() {
  ModGeneral::showWindow(isPeps(scheme_) ? WindowKind::FrmStabpepsG : WindowKind::FrmStabp0G);
}
