#include "stability/stability_window.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <new>
#include <vector>

#include "core/numeric.h"
#include "shell/mod_general.h"
#include "stability/stability_list_model.h"
#include "ui/geometry.h"
#include "ui/interval_sketch.h"
#include "ui/message.h"
#include "ui/result_list.h"

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kYellow(255, 255, 0);

bool isPeps(core::Scheme s) { return s == core::Scheme::Peps; }

// The layout tables were drawn for a narrower font than the ones a Linux
// desktop offers: a caption that would not fit its place gets a slightly
// smaller font rather than being cut.
void fitCaption(QWidget* w, const QString& text, int room) {
  QFont f = w->font();
  while (QFontMetrics(f).horizontalAdvance(text) > room && f.pointSizeF() > 6.0) {
    f.setPointSizeF(f.pointSizeF() - 0.25);
  }
  w->setFont(f);
}

QLabel* caption(QWidget* parent, const QString& text, int left, int top, int width, int height,
                const QColor& color = QColor()) {
  QLabel* l = ui::addLabel(parent, text, left, top, width, height);
  if (color.isValid()) ui::setColors(l, color);
  fitCaption(l, text, width);
  return l;
}

QLabel* valueLabel(QWidget* parent, const char* name, int left, int top, int width, int height) {
  QLabel* l = ui::addLabel(parent, QString(), left, top, width, height, QString::fromLatin1(name));
  ui::setColors(l, kBlue, kYellow);
  return l;
}

QLineEdit* field(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  // A narrower face keeps a few digits visible in the small fields of the form.
  QFont f = e->font();
  f.setStretch(QFont::Condensed);
  e->setFont(f);
  ui::place(e, left, top, width, height);
  return e;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int top) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  ui::place(b, 608, top, 95, 24);
  fitCaption(b, text, 95 - 8);
  return b;
}

}  // namespace

StabilityWindow::StabilityWindow(core::Scheme scheme, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      scheme_(scheme) {
  setObjectName(isPeps(scheme) ? QStringLiteral("frmstabpeps") : QStringLiteral("frmstabp0"));
  setWindowTitle(isPeps(scheme)
                     ? QStringLiteral("Etude expérimentale de la stabilité du schéma Pepsilon")
                     : QStringLiteral("Etude expérimentale de la stabilité du schéma P0"));
  setFont(ui::sansFont(8));
  setFixedSize(719, 446);
  buildControls();
  setTabOrders();
}

void StabilityWindow::buildControls() {
  const bool peps = isPeps(scheme_);

  QLabel* title = peps ? ui::addLabel(this, QStringLiteral("Etude de la stabilité du schéma Pepsilon"),
                                      0, 0, 365, 25, QStringLiteral("Label1"))
                       : ui::addLabel(this, QStringLiteral("Etude de la stabilité du schéma P0"), 80,
                                      0, 409, 25, QStringLiteral("Label1"));
  title->setFont(ui::sansFont(peps ? 13.5 : 18, false, true));
  title->setAlignment(Qt::AlignCenter);
  ui::setColors(title, kRed);
  fitCaption(title, title->text(), title->width() - 8);

  // Frame1: the grid.
  auto* frame1 = new QGroupBox(QStringLiteral("Définitions des intervalles"), this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  ui::place(frame1, 0, 25, 326, 94);
  // The interval from "0m" to "1m", its inner ticks under "x1" … "xN".
  (new ui::IntervalSketch(frame1, ui::IntervalSketch::evenTicks(174, 280), 27, 3))
      ->setGeometry(0, 0, 326, 94);
  caption(frame1, QStringLiteral("Nombre de points  N ="), 5, 24, 112, 17);
  txtN_ = field(frame1, "TxtN", 113, 21, 30, 19);
  caption(frame1, QStringLiteral("Durée totale T ="), 6, 46, 81, 13);
  txtT_ = field(frame1, "TxtT", 85, 42, 34, 19);
  caption(frame1, QStringLiteral("s"), 123, 45, 18, 15);
  caption(frame1, QStringLiteral("Nb d'interv. de temps K ="), 144, 45, 122, 15);
  txtK_ = field(frame1, "TxtK", 267, 42, 34, 19);
  // The place of this caption runs under LblH: fit the text to what shows.
  QLabel* hCaption = caption(frame1, QStringLiteral("h=1/(N+1) ="), 7, 68, 80, 22, kRed);
  fitCaption(hCaption, hCaption->text(), 68 - 7);
  hCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblH_ = valueLabel(frame1, "LblH", 68, 67, 53, 16);
  caption(frame1, QStringLiteral("m"), 123, 67, 29, 14, kRed);
  caption(frame1, QStringLiteral("Tau = T/K ="), 138, 66, 64, 14, kRed);
  lblTau_ = valueLabel(frame1, "LblTau", 199, 66, 55, 16);
  caption(frame1, QStringLiteral("s"), 255, 66, 12, 16, kRed);
  caption(frame1, QStringLiteral("tn = n.Tau "), 270, 66, 54, 16, kBlue);
  caption(frame1, QStringLiteral("0m"), 155, 20, 19, 13);
  caption(frame1, QStringLiteral("1m"), 280, 19, 17, 13);
  caption(frame1, QStringLiteral("x1"), 180, 9, 31, 16);
  caption(frame1, QStringLiteral("xN"), 259, 10, 17, 11);
  caption(frame1, QStringLiteral("............"), 204, 12, 50, 12);

  // Frame2: the physical data.
  auto* frame2 = new QGroupBox(QStringLiteral("Grandeurs physiques"), this);
  frame2->setObjectName(QStringLiteral("Frame2"));
  if (peps) {
    ui::place(frame2, 327, 25, 276, 94);
  } else {
    ui::place(frame2, 329, 26, 276, 92);
  }
  buildPhysicalFrame(frame2);
  if (peps) buildSourceRow();

  cmdCalculs_ = button(this, "CmdCalculs", QStringLiteral("Lancer les calculs"), 33);
  cmdGraphique_ = button(this, "Cmdgraphique", QStringLiteral("Graphiques"), 61);
  cmdGraphique_->setEnabled(false);
  cmdQuitter_ = button(this, "CmdQuitter", QStringLiteral("Quitter"), 91);
  connect(cmdCalculs_, &QPushButton::clicked, this, &StabilityWindow::runCalculs);
  connect(cmdGraphique_, &QPushButton::clicked, this, &StabilityWindow::openGraphs);
  connect(cmdQuitter_, &QPushButton::clicked, this, &QWidget::close);
  // Enter in any field starts the computation, as the first button would.
  for (QLineEdit* e : findChildren<QLineEdit*>()) {
    connect(e, &QLineEdit::returnPressed, cmdCalculs_, &QPushButton::click);
  }

  listRes_ = new ui::ResultListView(this);
  listRes_->setObjectName(QStringLiteral("ListRes"));
  ui::place(listRes_, 3, 123, 711, 316);
}

void StabilityWindow::buildPhysicalFrame(QGroupBox* frame) {
  const bool peps = isPeps(scheme_);
  caption(frame, QStringLiteral("a ="), 7, 21, 19, 16);
  txta_ = field(frame, "Txta", 27, 17, 40, 19);
  caption(frame, QStringLiteral("m²/s"), 71, 20, 32, 15);
  caption(frame, QStringLiteral("Lambda = a.Tau/h² ="), 114, 19, 105, 15, kRed);
  lblLambda_ = valueLabel(frame, "LblLambda", 219, 18, 51, 16);
  lblLambda_->setToolTip(stabilityConditionText(scheme_));
  if (!peps) {
    caption(frame, QStringLiteral("u0(x )= Cste ="), 8, 44, 71, 15);
    txtu0_ = field(frame, "Txtu0", 78, 41, 45, 19);
    caption(frame, QStringLiteral("°C"), 127, 44, 25, 16);
    caption(frame, QStringLiteral("f(x,t) = 0"), 9, 64, 47, 15);
    return;
  }
  caption(frame, QStringLiteral("u0(x )= Cste ="), 5, 44, 71, 15);
  txtu0_ = field(frame, "Txtu0", 72, 41, 38, 19);
  caption(frame, QStringLiteral("°C"), 112, 44, 25, 16);
  caption(frame, QStringLiteral("v0(x )= Cste ="), 132, 44, 71, 15);
  txtV0_ = field(frame, "TxtV0", 202, 41, 36, 19);
  caption(frame, QStringLiteral("°C/s"), 242, 44, 25, 16);
  caption(frame, QStringLiteral("Epsilon ="), 8, 68, 71, 15);
  txtEpsilon_ = field(frame, "TxtEpsilon", 72, 65, 39, 19);
  caption(frame, QStringLiteral("s"), 115, 68, 14, 16);
  caption(frame, QStringLiteral("f(x,t) = 0"), 128, 68, 47, 15);
  caption(frame, QStringLiteral("Alpha ="), 176, 68, 41, 15, kRed);
  lblAlpha_ = valueLabel(frame, "LblAlpha", 218, 66, 53, 16);
}

void StabilityWindow::buildSourceRow() {
  const QString text = QStringLiteral("f=cste pour n et f=0 ensuite");
  checkF_ = new QCheckBox(text, this);
  checkF_->setObjectName(QStringLiteral("CheckF"));
  ui::place(checkF_, 362, 8, 161, 13);
  const QStyle* st = checkF_->style();
  fitCaption(checkF_, text,
             161 - st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, checkF_) -
                 st->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, checkF_) - 4);
  caption(this, QStringLiteral("f ="), 523, 8, 19, 15);
  textFF_ = field(this, "TextFF", 540, 5, 30, 19);
  caption(this, QStringLiteral("n ="), 584, 8, 19, 15);
  textNN_ = field(this, "TextNN", 601, 5, 30, 19);
  caption(this, QStringLiteral("(n >=2)"), 639, 7, 50, 15);
}

void StabilityWindow::setTabOrders() {
  std::vector<QWidget*> order{txtN_, txtT_, txtK_, txta_, txtu0_};
  if (isPeps(scheme_)) order.insert(order.end(), {txtV0_, txtEpsilon_, checkF_, textFF_, textNN_});
  order.insert(order.end(), {cmdCalculs_, cmdGraphique_, cmdQuitter_, listRes_});
  for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
  txtN_->setFocus();
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
  f.N = txtN_->text().toStdString();
  f.T = txtT_->text().toStdString();
  f.K = txtK_->text().toStdString();
  f.a = txta_->text().toStdString();
  f.u0 = txtu0_->text().toStdString();
  if (isPeps(scheme_)) {
    f.v0 = txtV0_->text().toStdString();
    f.Epsilon = txtEpsilon_->text().toStdString();
    f.sourceTicked = checkF_->isChecked();
    f.FF = textFF_->text().toStdString();
    f.NN = textNN_->text().toStdString();
  }
  return f;
}

void StabilityWindow::runCalculs() {
  // A consistency or error run is using the shared tables: refuse first.
  if (ModGeneral::computationRunning()) {
    ui::showFailure(this, core::fail::busy());
    return;
  }
  const core::StabilityFields fields = readFields();
  if (core::stabilityFieldsEmpty(scheme_, fields)) {
    ui::showFailure(this, core::fail::emptyField());
    return;
  }
  cmdGraphique_->setEnabled(true);

  const core::StabilityResult r = core::runStability(ModGeneral::state(), scheme_, fields);
  if (r.levels > 0) ModGeneral::journal().recordRun(ModGeneral::state(), core::Study::Stability, scheme_, true);
  if (r.levels == 0) {
    // Refused before any level was computed: labels and list stay as they were.
    if (r.failure) ui::showFailure(this, *r.failure);
    return;
  }
  showGridValues(r.grid);
  fillList(r.levels);
  if (r.failure) ui::showFailure(this, *r.failure);  // a level left the double range
}

void StabilityWindow::showGridValues(const core::GridValues& g) {
  const std::string mark = QLocale().decimalPoint().toStdString();
  auto show = [&mark](QLabel* l, double v) {
    l->setText(QString::fromStdString(core::formatFixed(v, 5, mark)));
  };
  show(lblH_, g.h);
  show(lblTau_, g.Tau);
  show(lblLambda_, g.Lambda);
  if (lblAlpha_) show(lblAlpha_, g.Alpha);
}

void StabilityWindow::fillList(std::int64_t levels) {
  const core::StudyState& s = ModGeneral::state();
  const core::Table2& sol = isPeps(scheme_) ? s.SolPeps : s.SolP0;
  // Levels 0 .. levels - 1 hold values (rows 1 .. levels); after an overflow
  // the later rows were never written.
  const std::int64_t rows = std::min(levels, sol.rowUpper());
  const std::int64_t columns = std::min(core::loopLast(s.N), sol.colUpper());
  const QString mark = QLocale().decimalPoint();

  // The list shares the table: no copy, and the next run leaves it as it is.
  auto* model = qobject_cast<StabilityListModel*>(listRes_->lineModel());
  if (!model) {
    model = new StabilityListModel(listRes_);
    listRes_->setLineModel(model);
  }
  model->setLevels(s.h, columns, rows,
                   sol.share(isPeps(scheme_) ? "liste de la stabilité Pepsilon"
                                             : "liste de la stabilité P0"),
                   mark);
  model->setTimeStep(s.Tau);  // the CSV export writes t = n·Tau
  listRes_->scrollToTop();
}

void StabilityWindow::openGraphs() {
  ModGeneral::showWindow(isPeps(scheme_) ? WindowKind::FrmStabpepsG : WindowKind::FrmStabp0G);
}
