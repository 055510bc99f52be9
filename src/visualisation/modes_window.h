// FrmModes, "Modes de Fourier et stabilité": why a run stays bounded or
// explodes. The amplification factors |g(theta)| of the run that wrote
// SolP0 or SolPeps with its grid's modes and both verdicts; the run's own
// sine coefficients, measured mode by mode (crosses on the curve, a list) and
// drawn as a mode-time map; the stability map of the session's stability
// runs. Reads the shared state and the journal; writes nothing.
#pragma once

#include <QImage>
#include <complex>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/modes.h"
#include "spectral/sine_transform.h"
#include "ui/result_list.h"
#include "visualisation/plot_tools.h"
#include "visualisation/table_window.h"

class QLabel;

namespace vis {
class RenderSurface;
}

// What the window knows of the table it shows, made once per table.
struct ModesAnalysis {
  core::Scheme scheme = core::Scheme::P0;
  std::int64_t N = 0, levels = 0;
  double Lambda = 0, Alpha = 0;
  bool source = false;
  core::Verdicts verdicts;
  std::vector<double> gridModulus;  // |g_j| by the formula, j = 1 .. N
  std::vector<core::MeasuredMode> measured;
  spectral::ModeMap map;
};

// The list of modes: one line per mode, j, theta_j, g_j by the formula and
// measured, the levels the measurement used; CSV with the same columns.
class ModesListModel : public ui::LineListModel, public ui::CsvWritable {
  Q_OBJECT

 public:
  using LineListModel::LineListModel;
  void setAnalysis(std::shared_ptr<const ModesAnalysis> analysis);
  const std::shared_ptr<const ModesAnalysis>& analysis() const { return analysis_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QString line(int row) const override;
  qsizetype widestLine() const override { return 90; }  // two complex factors and a range
  std::size_t bytesHeld() const override { return 0; }

  std::int64_t csvRows() const override;
  std::int64_t csvFieldsPerRow() const override { return 9; }
  void csvHeader(ui::CsvBuffer& out) const override;
  void csvRow(ui::CsvBuffer& out, std::int64_t row) const override;

 private:
  // Mode j = row + 1: its angle, its factors by the formula, its measure.
  struct Mode {
    std::int64_t j;
    double theta;
    core::Amplification g;
    const core::MeasuredMode& m;
  };
  Mode mode(std::int64_t row) const;

  std::shared_ptr<const ModesAnalysis> analysis_;
};

class ModesWindow : public vis::TableWindow {
  Q_OBJECT

 public:
  explicit ModesWindow(QWidget* parent = nullptr);

  void renderAmplification(QPainter& painter, const QRectF& target) const;
  void renderModeMap(QPainter& painter, const QRectF& target) const;
  void renderStabilityMap(QPainter& painter, const QRectF& target) const;

  // The analysis of the table shown (nullptr when there is nothing to show).
  std::shared_ptr<const ModesAnalysis> analysis() const;
  // The curve's plotting area inside `target`.
  vis::Mapping amplificationMapping(const QRectF& target) const;

 public slots:
  void synchronise() override;

 private:
  // Loads the live table and analyses it when it changed (const for render).
  void current() const;
  // current(), then a white drawing, or the reason there is none (false).
  bool startAnalysed(QPainter& p, const QRectF& target) const;
  QString notesText() const;

  mutable std::shared_ptr<const ModesAnalysis> analysis_;
  mutable vis::TableIdentity analysedFor_;
  mutable bool analysed_ = false;
  mutable QImage mapImage_;
  mutable const ModesAnalysis* mapImageFor_ = nullptr;
  std::uint64_t journalSeen_ = ~std::uint64_t{0};

  QLabel* lblVerdict_ = nullptr;
  vis::RenderSurface* amplification_ = nullptr;
  vis::RenderSurface* modeMap_ = nullptr;
  vis::RenderSurface* stabilityMap_ = nullptr;
  ui::ResultListView* listModes_ = nullptr;
  ModesListModel* model_ = nullptr;
};
