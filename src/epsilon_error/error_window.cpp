#include "epsilon_error/error_window.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "core/numeric.h"
#include "core/studies.h"
#include "shell/long_run.h"
#include "shell/mod_general.h"
#include "ui/geometry.h"
#include "ui/interval_sketch.h"
#include "ui/message.h"
#include "ui/result_list.h"

namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);

QLineEdit* addField(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  ui::place(e, left, top, width, height);
  return e;
}

QLabel* addText(QWidget* parent, const QString& text, int left, int top, int width, int height,
                const QColor& colour = QColor()) {
  QLabel* l = ui::addLabel(parent, text, left, top, width, height);
  if (colour.isValid()) ui::setColors(l, colour);
  return l;
}

// A caption right-aligned against the control it names.
QLabel* addCaption(QWidget* parent, const QString& text, int right, int top, int width,
                   const QColor& colour = QColor()) {
  QLabel* l = addText(parent, text, right - width, top, width, 17, colour);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return l;
}

// A value label: blue on yellow, empty until the first computation.
QLabel* addValue(QWidget* parent, const char* name, int left, int top, int width, int height) {
  QLabel* l = ui::addLabel(parent, QString(), left, top, width, height, QString::fromLatin1(name));
  ui::setColors(l, kBlue, kYellow);
  return l;
}

QGroupBox* addFrame(QWidget* parent, const char* name, const QString& title, int left, int top,
                    int width, int height) {
  auto* g = new QGroupBox(title, parent);
  g->setObjectName(QString::fromLatin1(name));
  ui::place(g, left, top, width, height);
  return g;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, int left, int top,
                       int width, int height) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  ui::place(b, left, top, width, height);
  return b;
}

// The window's captions sit at fixed pixel places sized for a narrow 8 pt
// font. Take a narrow sans-serif when there is one, and step the size down
// until the tightest captions fit their room.
QFont windowFont() {
  QFont f = ui::sansFont(8);
  f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                 QStringLiteral("Arial Narrow"), f.family()});
  const struct {
    const char* text;
    int room;
  } tightest[] = {{"Nombre de points  N =", 108},
                  {"Nb d'interv. de temps K =", 130},
                  {"Durée totale T =", 80},
                  {"uo(x,t) = Cste =", 80},
                  {"Tau = T/K =", 62},
                  {"h=1/(N+1) =", 64}};
  for (double size = 8.0; size > 6.0; size -= 0.5) {
    f.setPointSizeF(size);
    const QFontMetrics m(f);
    bool fits = true;
    for (const auto& t : tightest)
      fits = fits && m.horizontalAdvance(QString::fromUtf8(t.text)) <= t.room;
    if (fits) break;
  }
  return f;
}

}  // namespace

ErrorWindow::ErrorWindow(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FrmErreurEps0"));
  setWindowTitle(QString::fromUtf8(
      "Etude expérimentale de l'erreur entre Uepsilon/k et Uo (k=1, 2, 4, 8,  etc.)"));
  setFont(windowFont());
  setFixedSize(605, 395);

  buildIntervals();
  buildPhysics();
  buildChoice();
  buildConstantData();
  buildExactData();
  buildErrorFrame();

  CmdQuitter = addButton(this, "CmdQuitter", QStringLiteral("Quitter"), 293, 260, 102, 21);
  connect(CmdQuitter, &QAbstractButton::clicked, this, &QWidget::close);

  LblCalculs = ui::addLabel(
      this,
      QString::fromUtf8("Calculs en cours,veuillez patienter... Appuyez sur une touche pour "
                        "stopper les calculs"),
      292, 282, 103, 80, QStringLiteral("LblCalculs"));
  LblCalculs->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  LblCalculs->setWordWrap(true);
  ui::setColors(LblCalculs, kWhite, kRed);
  LblCalculs->hide();

  // How far the running computation has gone, just under LblCalculs.
  ProgressCalculs = new QProgressBar(this);
  ProgressCalculs->setObjectName(QStringLiteral("ProgressCalculs"));
  ProgressCalculs->setTextVisible(false);
  ui::place(ProgressCalculs, 292, 366, 103, 14);
  ProgressCalculs->hide();

  setTabOrder(TxtN, TxtT);
  setTabOrder(TxtT, TxtK);
  setTabOrder(TxtK, Txta);
  setTabOrder(Txta, TxtEpsilon);
  setTabOrder(TxtEpsilon, OptionChoix_0);
  setTabOrder(OptionChoix_0, OptionChoix_1);
  setTabOrder(OptionChoix_1, Txtu0);
  setTabOrder(Txtu0, TxtV0);
  setTabOrder(TxtV0, TxtD);
  setTabOrder(TxtD, TxtW);
  setTabOrder(TxtW, TxtPhi);
  setTabOrder(TxtPhi, TxtR);
  setTabOrder(TxtR, CmdCalculerH);
  setTabOrder(CmdCalculerH, CmdEffacerH);
  setTabOrder(CmdEffacerH, ListERH);
  setTabOrder(ListERH, CmdQuitter);
}

ErrorWindow::~ErrorWindow() = default;

void ErrorWindow::buildIntervals() {
  QGroupBox* f =
      addFrame(this, "Frame1", QString::fromUtf8("Définitions des intervalles"), 0, 0, 326, 92);
  TxtN = addField(f, "TxtN", 114, 21, 30, 19);
  addCaption(f, QStringLiteral("Nombre de points  N ="), 112, 22, 108);

  TxtT = addField(f, "TxtT", 85, 42, 34, 19);
  addCaption(f, QString::fromUtf8("Durée totale T ="), 83, 43, 80);
  addText(f, QStringLiteral("s"), 122, 43, 10, 17);

  TxtK = addField(f, "TxtK", 267, 42, 34, 19);
  addCaption(f, QStringLiteral("Nb d'interv. de temps K ="), 265, 43, 131);

  LblH = addValue(f, "LblH", 68, 67, 53, 16);
  addCaption(f, QStringLiteral("h=1/(N+1) ="), 66, 66, 64, kRed);
  addText(f, QStringLiteral("m"), 123, 66, 12, 17, kRed);

  LblTau = addValue(f, "LblTau", 199, 66, 55, 16);
  addCaption(f, QStringLiteral("Tau = T/K ="), 197, 65, 60, kRed);
  addText(f, QStringLiteral("s"), 256, 65, 8, 17, kRed);
  addText(f, QStringLiteral("tn = n.Tau "), 265, 65, 60, 17, kBlue);

  // The interval sketch, between the N field and the frame's right edge.
  // Uneven ticks: the run of dots stands in the wider gap.
  const std::vector<int> ticks{4, 22, 40, 83, 101, 119};
  auto* sketch = new ui::IntervalSketch(f, ticks, 5, 4);
  ui::place(sketch, 174, 9, 124, 11);
  const int left = 174;
  const auto tick = [&](int i) { return left + ticks[static_cast<std::size_t>(i)]; };
  QLabel* zero = addText(f, QStringLiteral("0m"), tick(0) - 10, 19, 20, 14);
  QLabel* x1 = addText(f, QStringLiteral("x1"), tick(1) - 10, 19, 20, 14);
  QLabel* dots =
      addText(f, QStringLiteral("............"), tick(2) + 2, 11, tick(3) - tick(2) - 4, 12);
  QLabel* xN = addText(f, QStringLiteral("xN"), tick(4) - 10, 19, 20, 14);
  QLabel* one = addText(f, QStringLiteral("1m"), tick(5) - 10, 19, 20, 14);
  for (QLabel* l : {zero, x1, xN, one}) l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  dots->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  dots->lower();
}

void ErrorWindow::buildPhysics() {
  QGroupBox* f = addFrame(this, "Frame2", QStringLiteral("Grandeurs physiques"), 327, 0, 276, 93);
  Txta = addField(f, "Txta", 27, 17, 40, 19);
  addCaption(f, QStringLiteral("a ="), 25, 18, 20);
  addText(f, QString::fromUtf8("m²/s"), 70, 18, 30, 17);

  TxtEpsilon = addField(f, "TxtEpsilon", 58, 59, 39, 19);
  addCaption(f, QStringLiteral("Epsilon ="), 56, 60, 52);
  addText(f, QStringLiteral("s"), 100, 60, 10, 17);

  LblLambda = addValue(f, "LblLambda", 219, 18, 51, 16);
  addCaption(f, QString::fromUtf8("Lambda = a.Tau/h² ="), 217, 17, 112, kRed);

  LblAlpha = addValue(f, "LblAlpha", 217, 60, 53, 16);
  addCaption(f, QStringLiteral("Alpha ="), 215, 59, 50, kRed);
}

void ErrorWindow::buildChoice() {
  QGroupBox* f =
      addFrame(this, "Frame3", QStringLiteral("Choix de f(x,t), uo(x,t), vo(x,t)"), 0, 93, 395, 42);
  OptionChoix_0 = new QRadioButton(QStringLiteral("f(x,t) = 0, uo et vo constantes"), f);
  OptionChoix_0->setObjectName(QStringLiteral("OptionChoix_0"));
  ui::place(OptionChoix_0, 10, 20, 162, 17);
  OptionChoix_1 = new QRadioButton(QStringLiteral("f(x,t), uo et vo non constantes"), f);
  OptionChoix_1->setObjectName(QStringLiteral("OptionChoix_1"));
  ui::place(OptionChoix_1, 177, 20, 174, 17);
  OptionChoix_0->setChecked(true);
  // The two buttons share their frame, so Qt keeps them exclusive; any change
  // of selection (mouse, arrow keys) toggles the second one.
  connect(OptionChoix_1, &QAbstractButton::toggled, this, &ErrorWindow::showDataFrame);
}

void ErrorWindow::buildConstantData() {
  FrameConstantes = addFrame(this, "FrameConstantes",
                             QStringLiteral("f(x,t) = 0, uo et vo constantes"), 1, 137, 394, 56);
  Txtu0 = addField(FrameConstantes, "Txtu0", 84, 21, 35, 19);
  addCaption(FrameConstantes, QStringLiteral("uo(x,t) = Cste ="), 82, 22, 80);
  addText(FrameConstantes, QString::fromUtf8("°C"), 122, 22, 20, 17);

  TxtV0 = addField(FrameConstantes, "TxtV0", 229, 21, 36, 19);
  addCaption(FrameConstantes, QStringLiteral("vo(x,t) = Cste ="), 227, 22, 80);
  addText(FrameConstantes, QString::fromUtf8("°C/s"), 268, 22, 30, 17);
}

void ErrorWindow::buildExactData() {
  FrameNonConstantes =
      addFrame(this, "FrameNonConstantes", QStringLiteral("f(x,t), uo et vo non constantes"), 1,
               138, 394, 119);
  QWidget* f = FrameNonConstantes;
  addText(f, QStringLiteral("uo(x,t) = d.sin[pi.x].cos(phi)"), 8, 20, 170, 17, kBlue);
  addText(f, QStringLiteral("vo(x,t) = - d.w.sin(pi.x).sin(phi)"), 190, 20, 200, 17, kBlue);
  addText(f, QString::fromUtf8("f(x,t) = d.sin(pi.x).(- w.sin(w.t + phi) + a.pi^².cos(w.t + phi))"),
          8, 42, 382, 17, kBlue);
  addText(f, QString::fromUtf8("feps(x,t) = f(x,t) - d.epsilon.w^².sin(pi.x).cos(w.t + phi)"), 8,
          63, 382, 17, kBlue);

  TxtD = addField(f, "TxtD", 84, 87, 33, 19);
  addCaption(f, QStringLiteral("d = "), 82, 88, 30);
  addText(f, QString::fromUtf8("°C"), 120, 88, 18, 17);

  TxtW = addField(f, "TxtW", 160, 87, 33, 19);
  addCaption(f, QStringLiteral("w = "), 158, 88, 22);
  addText(f, QStringLiteral("rad/s"), 196, 88, 30, 17);

  TxtPhi = addField(f, "TxtPhi", 256, 86, 33, 19);
  addCaption(f, QStringLiteral("phi = "), 254, 87, 28);
  addText(f, QStringLiteral("rad"), 292, 87, 24, 17);

  FrameNonConstantes->hide();
}

void ErrorWindow::buildErrorFrame() {
  QGroupBox* f =
      addFrame(this, "FrameH", QStringLiteral("Erreur entre Ueps/k et Uo"), 397, 93, 206, 298);
  TxtR = addField(f, "TxtR", 44, 20, 38, 19);
  addCaption(f, QStringLiteral("k ="), 42, 21, 24);
  addText(f, QStringLiteral("k = 1, 2, 4, 8, etc."), 86, 21, 116, 17);
  addText(f, QStringLiteral("E(k) = || Ueps/k - Uo ||"), 9, 45, 120, 15, kBlue);

  CmdCalculerH = addButton(f, "CmdCalculerH", QStringLiteral("Calculer E pour k"), 9, 65, 102, 19);
  connect(CmdCalculerH, &QAbstractButton::clicked, this, &ErrorWindow::calculerE);
  CmdEffacerH = addButton(f, "CmdEffacerH", QStringLiteral("Tout Effacer"), 114, 64, 83, 20);
  connect(CmdEffacerH, &QAbstractButton::clicked, this, &ErrorWindow::toutEffacer);

  ListERH = new ui::ResultListView(f);
  ListERH->setObjectName(QStringLiteral("ListERH"));
  ui::place(ListERH, 8, 86, 190, 199);
  ListERH->resultModel()->setCsvColumns({"k", "Epsilon/k", "E(k)"});
}

bool ErrorWindow::exactDataSelected() const { return OptionChoix_1->isChecked(); }

void ErrorWindow::showDataFrame() {
  // Only visibility changes: the hidden frame's fields keep their texts.
  const bool exact = exactDataSelected();
  FrameNonConstantes->setVisible(exact);
  FrameConstantes->setVisible(!exact);
}

core::ErrorFields ErrorWindow::readFields() const {
  const auto text = [](const QLineEdit* e) { return e->text().toStdString(); };
  core::ErrorFields f;
  f.N = text(TxtN);
  f.T = text(TxtT);
  f.K = text(TxtK);
  f.a = text(Txta);
  f.Epsilon = text(TxtEpsilon);
  f.u0 = text(Txtu0);
  f.v0 = text(TxtV0);
  f.d = text(TxtD);
  f.w = text(TxtW);
  f.phi = text(TxtPhi);
  f.k = text(TxtR);
  return f;
}

void ErrorWindow::showGrid(const core::GridValues& g) {
  const std::string mark = QLocale().decimalPoint().toStdString();
  const auto show = [&](QLabel* l, double v) {
    l->setText(QString::fromStdString(core::formatFixed(v, 5, mark)));
  };
  show(LblH, g.h);
  show(LblTau, g.Tau);
  show(LblLambda, g.Lambda);
  show(LblAlpha, g.Alpha);
}

void ErrorWindow::calculerE() {
  // The guard comes before anything else: a refused click must not even reset
  // StopRequested, which belongs to the computation that is running.
  LongRun run(this, LblCalculs, ProgressCalculs);
  if (!run.acquired()) {
    ui::showFailure(this, core::fail::busy());
    return;
  }
  core::StudyState& s = ModGeneral::state();
  if (const core::Outcome refused = core::beginErrorStudy(s, readFields(), exactDataSelected())) {
    run.finish();
    ui::showFailure(this, *refused);
    return;
  }

  run.start(CmdCalculerH);
  computing_ = true;
  run.pump().yieldOnce();
  showGrid(core::errorStudyGrid(s));

  const std::string mark = QLocale().decimalPoint().toStdString();
  // The option is asked again at each initial row and each source fill, so a
  // change made during the run takes effect from the next time step.
  const core::RunOutcome result = core::runErrorStudy(
      s, [this] { return exactDataSelected(); }, run.pump(), mark);
  ModGeneral::journal().recordRun(s, core::Study::Error, core::Scheme::Peps, result.completed, exactDataSelected());
  if (result.completed) {
    addLine(QString::fromStdString(result.line), {s.R, s.Epsilon, s.ErrH(1)});
    run.pump().yieldOnce();
  }
  computing_ = false;
  // A close asked for during the run is carried out as soon as the run is
  // idle; a message box would then outlive its window.
  const bool closing = run.closeRequested();
  run.finish();
  if (result.failure && !closing) ui::showFailure(this, *result.failure);
}

void ErrorWindow::addLine(const QString& line, std::vector<double> numbers) {
  ListERH->resultModel()->appendLine(line, std::move(numbers));
  ListERH->scrollToBottom();
}

void ErrorWindow::toutEffacer() {
  ListERH->resultModel()->clear();
  ModGeneral::journal().clearSeries(core::Study::Error, core::Scheme::Peps);
}

void ErrorWindow::keyPressEvent(QKeyEvent* event) {
  // Outside a run (during one, LongRun takes every key of the window first).
  // The flag is shared: while another window computes, a key typed here must
  // not stop that window's run.
  if (!ModGeneral::computationRunning() || ModGeneral::computationOwner() == this)
    ModGeneral::state().StopRequested = true;
  event->accept();
}
