#include "visualisation/evolution_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/numeric.h"
#include "shell/mod_general.h"
#include "ui/colours.h"
#include "ui/controls.h"
#include "ui/message.h"
#include "visualisation/render_surface.h"

namespace {

const QColor& kCurve = ui::colour::blue;
const QColor& kExact = ui::colour::red;

QString studyName(const core::TableWriter& w) {
  if (!w.known) return QString();
  switch (w.study) {
    case core::Study::Stability:
      return QStringLiteral("étude de stabilité");
    case core::Study::ConsistencyTime:
      return QStringLiteral("consistance, h fixé");
    case core::Study::ConsistencySpace:
      return QStringLiteral("consistance, Tau fixé");
    case core::Study::Error:
      return QStringLiteral("erreur entre Ueps/k et Uo");
  }
  return QString();
}

}  // namespace

EvolutionWindow::EvolutionWindow(QWidget* parent) : vis::TableWindow(parent) {
  const auto [layout, bar] = setUp(QStringLiteral("FrmEvolution"),
                                   QStringLiteral("Évolution de la solution"), QSize(760, 540));

  playButton_ = vis::button(this, "CmdLecture", QStringLiteral("Lecture"),
                            QStringLiteral("Lance ou interrompt la lecture des niveaux de temps"));
  connect(playButton_, &QPushButton::clicked, this, &EvolutionWindow::togglePlay);
  bar->addWidget(playButton_);

  auto* speedLabel = new QLabel(QStringLiteral("Niveaux par seconde :"), this);
  bar->addWidget(speedLabel);
  speed_ = vis::named(
      new QSpinBox(this), "TxtVitesse", QStringLiteral("Niveaux par seconde"),
      QStringLiteral("Nombre de niveaux de temps montrés par seconde pendant la lecture"));
  speed_->setRange(1, 100000);
  speed_->setValue(20);
  speedLabel->setBuddy(speed_);
  connect(speed_, &QSpinBox::valueChanged, this, [this] {
    // The new speed counts from the level shown now.
    playStart_ = level_;
    clock_.restart();
  });
  bar->addWidget(speed_);

  const QString ownScale = QStringLiteral("Échelle propre à chaque niveau");
  ownScaleCheck_ = vis::named(new QCheckBox(ownScale, this), "CheckEchelle", ownScale,
                              QStringLiteral("Coché : l'échelle suit chaque niveau ; sinon elle "
                                             "tient la plus grande valeur du calcul"));
  connect(ownScaleCheck_, &QCheckBox::toggled, this, [this] { surface_->update(); });
  bar->addWidget(ownScaleCheck_);
  bar->addStretch();

  bar->addWidget(
      vis::quitButton(this, QStringLiteral("Ferme la fenêtre d'évolution de la solution")));

  auto* levelRow = new QHBoxLayout;
  layout->addLayout(levelRow);
  slider_ = vis::named(new QSlider(Qt::Horizontal, this), "SliderNiveau",
                       QStringLiteral("Niveau de temps n"),
                       QStringLiteral("Choisit le niveau de temps montré"));
  connect(slider_, &QSlider::valueChanged, this, &EvolutionWindow::setLevel);
  levelRow->addWidget(slider_, 1);
  levelLabel_ = vis::named(new QLabel(this), "LblNiveau", QStringLiteral("Niveau montré"),
                           QStringLiteral("Le niveau n et son temps t"));
  levelLabel_->setMinimumWidth(230);
  levelRow->addWidget(levelLabel_);

  keepButton_ = vis::button(this, "CmdGarder", QStringLiteral("Garder pour comparer"),
                            QStringLiteral("Garde la courbe de ce calcul pour la comparer aux "
                                           "suivants (quatre au plus)"));
  connect(keepButton_, &QPushButton::clicked, this, &EvolutionWindow::keepRun);
  levelRow->addWidget(keepButton_);
  clearKeptButton_ =
      vis::button(this, "CmdEffacerGardees", QStringLiteral("Effacer les courbes gardées"),
                  QStringLiteral("Oublie les courbes gardées et libère leur mémoire"));
  connect(clearKeptButton_, &QPushButton::clicked, this, &EvolutionWindow::clearKept);
  levelRow->addWidget(clearKeptButton_);

  surface_ = new vis::RenderSurface(
      QStringLiteral("PBCourbe"), [this](QPainter& p, const QRectF& r) { render(p, r); }, this);
  vis::described(surface_, QStringLiteral("Courbe de la solution"),
                 QStringLiteral("La solution calculée au niveau montré, selon x, et la solution "
                                "exacte quand elle est connue"));
  layout->addWidget(surface_, 1);

  playTimer_ = ui::timer(this, "TmrLecture", 15, [this] { tick(); });
  // A run in a study window may replace the tables at any time.
  vis::refreshTimer(this, [this] {
    if ((needsSync() || chooser_->outdated())) synchronise();
  });
  open();
}

void EvolutionWindow::current() const { source_.refresh(); }

std::int64_t EvolutionWindow::shownLevel() const {
  return std::clamp<std::int64_t>(level_, 0, std::max<std::int64_t>(source_.levels() - 1, 0));
}

void EvolutionWindow::synchronise() {
  const bool reloaded = source_.refresh() || !(source_.identity() == syncedFor_);
  syncedFor_ = source_.identity();
  chooser_->showTables(source_.scheme());
  const bool any = source_.available();
  const int last = any ? static_cast<int>(source_.levels() - 1) : 0;
  if (reloaded) {
    const QSignalBlocker block(slider_);
    slider_->setRange(0, last);
    slider_->setPageStep(std::max(1, last / 20));
    level_ = shownLevel();
    slider_->setValue(static_cast<int>(level_));
  }
  slider_->setEnabled(any);
  playButton_->setEnabled(any);
  updateKeepButtons();
  if (!any) pause();
  levelLabel_->setText(levelText());
  surface_->update();
}

void EvolutionWindow::chooseScheme(core::Scheme scheme) {
  pause();
  level_ = 0;
  TableWindow::chooseScheme(scheme);
}

void EvolutionWindow::setLevel(int n) {
  // The slider's range may be that of a table since replaced.
  if (needsSync()) synchronise();
  level_ = std::clamp<std::int64_t>(n, 0, std::max<std::int64_t>(source_.levels() - 1, 0));
  if (slider_->value() != level_) {
    const QSignalBlocker block(slider_);
    slider_->setValue(static_cast<int>(level_));
  }
  // Playing goes on from the level chosen.
  playStart_ = level_;
  clock_.restart();
  levelLabel_->setText(levelText());
  surface_->update();
}

void EvolutionWindow::updateKeepButtons() {
  keepButton_->setEnabled(source_.available() && !kept_.full() && !kept_.holds(source_));
  clearKeptButton_->setEnabled(!kept_.runs().empty());
}

void EvolutionWindow::keepRun() {
  // A run in progress still writes its table: keep it once it is done.
  if (ModGeneral::refusedWhileRunning(this)) return;
  if (needsSync()) synchronise();
  if (const core::Outcome refused = kept_.keep(source_)) ui::showFailure(this, *refused);
  updateKeepButtons();
  surface_->update();
}

void EvolutionWindow::setKept(const vis::KeptRuns& kept) {
  kept_ = kept;
  updateKeepButtons();
  surface_->update();
}

void EvolutionWindow::clearKept() {
  kept_.clear();
  updateKeepButtons();
  surface_->update();
}

std::int64_t EvolutionWindow::keptLevel(int k) const {
  current();
  const std::int64_t n = shownLevel();
  return kept_.runs()[static_cast<std::size_t>(k)].levelNear(
      source_.timeKnown() ? source_.t(n) : NAN, n);
}

QString EvolutionWindow::keptText(int k) const {
  const vis::KeptRun& run = kept_.runs()[static_cast<std::size_t>(k)];
  const std::int64_t n = keptLevel(k);
  return run.data() + (run.Tau > 0 ? QStringLiteral("   t = %1 s")
                                         .arg(vis::shortNumber(static_cast<double>(n) * run.Tau, 6))
                                   : QStringLiteral("   n = %1").arg(n));
}

bool EvolutionWindow::playing() const { return playTimer_->isActive(); }

void EvolutionWindow::togglePlay() {
  if (playing()) {
    pause();
    return;
  }
  synchronise();
  if (!source_.available()) return;
  if (level_ >= source_.levels() - 1) setLevel(0);
  playStart_ = level_;
  clock_.start();
  playTimer_->start();
  playButton_->setText(QStringLiteral("Pause"));
}

void EvolutionWindow::pause() {
  if (playTimer_) playTimer_->stop();
  if (playButton_) playButton_->setText(QStringLiteral("Lecture"));
}

void EvolutionWindow::tick() {
  if (needsSync()) synchronise();
  if (!source_.available()) return pause();
  // The level follows the clock, so a slow frame skips levels instead of
  // slowing the playback down.
  const double elapsed = static_cast<double>(clock_.nsecsElapsed()) * 1e-9;
  const auto n = playStart_ + static_cast<std::int64_t>(elapsed * speed_->value());
  const std::int64_t last = source_.levels() - 1;
  const std::int64_t target = std::min(n, last);
  if (target != level_) {
    const QSignalBlocker block(slider_);
    slider_->setValue(static_cast<int>(target));
    level_ = target;
    levelLabel_->setText(levelText());
    surface_->update();
  }
  if (target >= last) pause();
}

void EvolutionWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier &&
      focusWidget() == slider_ && playButton_->isEnabled()) {
    togglePlay();
    return;
  }
  QWidget::keyPressEvent(event);
}

void EvolutionWindow::closeEvent(QCloseEvent* event) {
  pause();
  event->accept();
}

QString EvolutionWindow::levelText() const {
  current();
  if (!source_.available()) return QString();
  const std::int64_t n = shownLevel();
  QString text = QStringLiteral("n = %1").arg(n);
  if (source_.timeKnown())
    text += QStringLiteral("   t = %1 s").arg(vis::shortNumber(source_.t(n), 6));
  return text;
}

std::pair<double, double> EvolutionWindow::valueRange() const {
  current();
  double lo = 0, hi = 0;
  if (source_.available()) {
    if (ownScaleCheck_->isChecked()) {
      const double* v = source_.level(shownLevel());
      for (std::int64_t i = 0; i < source_.points(); ++i) {
        lo = v[i] < lo ? v[i] : lo;
        hi = v[i] > hi ? v[i] : hi;
      }
      if (source_.hasExact()) {
        source_.exactLevel(shownLevel(), exact_);
        for (double e : exact_) {
          lo = std::min(lo, e);
          hi = std::max(hi, e);
        }
      }
      for (std::size_t k = 0; k < kept_.runs().size(); ++k) {
        const vis::KeptRun& run = kept_.runs()[k];
        const double* u = run.level(keptLevel(static_cast<int>(k)));
        for (std::int64_t i = 0; i < run.points; ++i) {
          lo = u[i] < lo ? u[i] : lo;
          hi = u[i] > hi ? u[i] : hi;
        }
      }
    } else {
      lo = source_.runMin();
      hi = source_.runMax();
      if (source_.hasExact()) {
        const double d = std::fabs(source_.writer().d);
        lo = std::min(lo, -d);
        hi = std::max(hi, d);
      }
      for (const vis::KeptRun& run : kept_.runs()) {
        lo = std::min(lo, run.runMin);
        hi = std::max(hi, run.runMax);
      }
    }
  }
  if (!std::isfinite(lo)) lo = -1e307;
  if (!std::isfinite(hi)) hi = 1e307;
  if (!(hi > lo)) return {-1.0, 1.0};
  const double pad = (hi - lo) * 0.05;
  return {lo - pad, hi + pad};
}

vis::Mapping EvolutionWindow::mapping(const QRectF& target) const {
  vis::Mapping m;
  m.area = target.adjusted(78, 34, -18, -40);
  const auto [lo, hi] = valueRange();
  m.x0 = 0;
  m.x1 = 1;
  m.u0 = lo;
  m.u1 = hi;
  return m;
}

void EvolutionWindow::render(QPainter& p, const QRectF& target) const {
  current();
  const vis::PaintGuard guard(p);
  if (!vis::startDrawing(p, target, source_.emptyReason())) return;
  p.setRenderHint(QPainter::Antialiasing, false);

  const vis::Mapping m = mapping(target);
  const std::int64_t n = shownLevel();
  const QFontMetricsF fm(p.font());

  // Grid and graduations.
  p.setPen(QPen(QColor(220, 220, 220), 0));  // the grid, light
  const std::vector<double> uTicks = vis::niceTicks(m.u0, m.u1, 6);
  const std::vector<double> xTicks = vis::niceTicks(0, 1, 5);
  for (double u : uTicks)
    p.drawLine(QPointF(m.area.left(), m.py(u)), QPointF(m.area.right(), m.py(u)));
  for (double x : xTicks)
    p.drawLine(QPointF(m.px(x), m.area.top()), QPointF(m.px(x), m.area.bottom()));
  p.setPen(Qt::black);
  for (double u : uTicks) {
    const QString t = vis::shortNumber(u) + QStringLiteral(" °C");
    p.drawText(QRectF(target.left(), m.py(u) - fm.height() / 2, m.area.left() - target.left() - 6,
                      fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, t);
  }
  for (double x : xTicks)
    p.drawText(QRectF(m.px(x) - 40, m.area.bottom() + 4, 80, fm.height()), Qt::AlignHCenter,
               vis::shortNumber(x));
  p.drawText(QRectF(m.area.left(), m.area.bottom() + 4 + fm.height(), m.area.width(), fm.height()),
             Qt::AlignHCenter, QStringLiteral("x (m)"));
  p.drawRect(m.area);
  if (m.u0 < 0 && m.u1 > 0) {
    p.setPen(QPen(QColor(90, 90, 90), 0));
    p.drawLine(QPointF(m.area.left(), m.py(0)), QPointF(m.area.right(), m.py(0)));
  }

  // Title: which table, which study wrote it, which level.
  const QString table =
      source_.scheme() == core::Scheme::P0 ? QStringLiteral("SolP0") : QStringLiteral("SolPeps");
  const QString study = studyName(source_.writer());
  p.setPen(Qt::black);
  p.drawText(QRectF(m.area.left(), target.top() + 6, m.area.width(), fm.height() + 4),
             Qt::AlignLeft | Qt::AlignVCenter,
             study.isEmpty() ? table : QStringLiteral("%1 (%2)").arg(table, study));
  p.drawText(QRectF(m.area.left(), target.top() + 6, m.area.width(), fm.height() + 4),
             Qt::AlignRight | Qt::AlignVCenter, levelText());

  const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
  p.save();
  p.setClipRect(m.area);
  if (source_.hasExact()) {
    source_.exactLevel(n, exact_);
    p.setPen(QPen(kExact, 0, Qt::DashLine));
    p.drawPolyline(vis::levelPolyline(exact_.data(), source_.points(), source_.h(), m, dpr));
  }
  for (std::size_t k = 0; k < kept_.runs().size(); ++k) {
    const vis::KeptRun& run = kept_.runs()[k];
    const int K = static_cast<int>(k);
    p.setPen(QPen(vis::KeptRuns::colour(K), 0, vis::KeptRuns::dash(K)));
    vis::drawLevel(p, run.level(keptLevel(K)), run.points, run.h, m, dpr);
  }
  p.setPen(QPen(kCurve, 0));
  vis::drawLevel(p, source_.level(n), source_.points(), source_.h(), m, dpr);
  p.restore();

  drawLegend(p, m);
  if (ModGeneral::computationRunning()) {
    p.setPen(QColor(160, 0, 0));
    p.drawText(
        QRectF(m.area.left(), m.area.bottom() + 4 + fm.height(), m.area.width(), fm.height()),
        Qt::AlignRight, QStringLiteral("Calcul en cours…"));
  }
}

void EvolutionWindow::drawLegend(QPainter& p, const vis::Mapping& m) const {
  // One line per curve, bottom right inside the frame: the current run, the
  // exact solution, the kept runs.
  if (!source_.hasExact() && kept_.runs().empty()) return;
  struct Line {
    QPen pen;
    QString text;
  };
  std::vector<Line> lines;
  lines.push_back(
      {QPen(kCurve, 0), kept_.runs().empty()
                            ? QStringLiteral("solution calculée")
                            : QStringLiteral("solution calculée (%1)")
                                  .arg(vis::runData(source_.scheme(), source_.writer(),
                                                    source_.points(), source_.levels()))});
  if (source_.hasExact())
    lines.push_back({QPen(kExact, 0, Qt::DashLine), QStringLiteral("solution exacte u(x, tn)")});
  for (std::size_t k = 0; k < kept_.runs().size(); ++k) {
    const int K = static_cast<int>(k);
    lines.push_back({QPen(vis::KeptRuns::colour(K), 0, vis::KeptRuns::dash(K)), keptText(K)});
  }
  const QFontMetricsF fm(p.font());
  double w = 0;
  for (const Line& l : lines) w = std::max(w, fm.horizontalAdvance(l.text));
  w = std::min(w + 40, m.area.width() - 12);
  const double rows = static_cast<double>(lines.size());
  const QRectF box(m.area.right() - w - 6, m.area.bottom() - rows * fm.height() - 12, w,
                   rows * fm.height() + 6);
  p.fillRect(box, QColor(255, 255, 255, 230));
  double y = box.top() + 3 + fm.height() / 2;
  for (const Line& l : lines) {
    p.setPen(l.pen);
    p.drawLine(QPointF(box.left() + 4, y), QPointF(box.left() + 28, y));
    p.setPen(Qt::black);
    p.drawText(QPointF(box.left() + 34, y + fm.ascent() / 2 - 1), l.text);
    y += fm.height();
  }
}
