// FrmEvolution, "Évolution de la solution": plays the levels n = 0 .. K of
// SolP0 or SolPeps as a moving curve, with the exact solution beside it when
// the table came from a run on the exact-solution data. Reads the shared
// state and the journal; writes nothing.
#pragma once

#include <QElapsedTimer>
#include <cstdint>
#include <utility>
#include <vector>

#include "visualisation/kept_runs.h"
#include "visualisation/plot_tools.h"
#include "visualisation/table_window.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTimer;

namespace vis {
class RenderSurface;
}

class EvolutionWindow : public vis::TableWindow {
  Q_OBJECT

 public:
  explicit EvolutionWindow(QWidget* parent = nullptr);

  // Draws the current level into `target` on any paint device.
  void render(QPainter& painter, const QRectF& target) const;

  std::int64_t level() const { return level_; }
  bool playing() const;
  // The value range drawn for the current level (fixed or per level) and
  // the mapping of a level into `target`.
  std::pair<double, double> valueRange() const;
  vis::Mapping mapping(const QRectF& target) const;
  vis::RenderSurface* surface() const { return surface_; }
  // "n = …   t = … s" of the current level.
  QString levelText() const;
  const vis::KeptRuns& kept() const { return kept_; }
  // Shares another window's kept runs (the session report draws them).
  void setKept(const vis::KeptRuns& kept);
  // The level of kept run k shown beside the current level.
  std::int64_t keptLevel(int k) const;
  // The legend's line of kept run k: its data and the time of its level shown.
  QString keptText(int k) const;

 public slots:
  void setLevel(int n);
  void chooseScheme(core::Scheme scheme) override;
  // CmdLecture: play from the current level (from 0 at the last one) or pause.
  void togglePlay();
  // CmdGarder: keeps the table shown for comparison (a refusal in a message).
  void keepRun();
  // CmdEffacerGardees: frees every kept run.
  void clearKept();
  void synchronise() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Space on the level slider plays or pauses, as "Lecture" does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void tick();
  void pause();
  // The table may have changed since the last look: reload (const for render).
  void current() const;
  std::int64_t shownLevel() const;
  void updateKeepButtons();
  void drawLegend(QPainter& p, const vis::Mapping& m) const;

  // The controls follow another table than the one loaded, or than the live one.
  bool needsSync() const { return source_.changed() || !(source_.identity() == syncedFor_); }

  vis::TableIdentity syncedFor_;
  std::int64_t level_ = 0;
  QElapsedTimer clock_;
  std::int64_t playStart_ = 0;
  mutable std::vector<double> exact_;
  vis::KeptRuns kept_;

  QPushButton* playButton_ = nullptr;
  QSlider* slider_ = nullptr;
  QSpinBox* speed_ = nullptr;
  QCheckBox* ownScaleCheck_ = nullptr;
  QLabel* levelLabel_ = nullptr;
  QPushButton* keepButton_ = nullptr;
  QPushButton* clearKeptButton_ = nullptr;
  QTimer* playTimer_ = nullptr;
  vis::RenderSurface* surface_ = nullptr;
};
