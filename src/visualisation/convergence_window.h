// FrmConvergence, "Courbes de convergence": log-log plots of the errors of
// this program's runs against their step, from the journal of results: E
// against Tau' (time halvings) and against h' (space halvings) for each
// scheme, and E(k) against eps/k, each with its least-squares slope and the
// reference slopes 1 and 2. Reads the journal; writes nothing.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "core/journal.h"

namespace vis {
class RenderSurface;
}

class ConvergenceWindow : public QWidget {
  Q_OBJECT

 public:
  struct Panel {
    core::Study study;
    core::Scheme scheme;
    QString title;  // what is plotted
    QString axis;   // the step across
  };
  // The five plots, in their order on the window (left to right, top to bottom).
  static const std::vector<Panel>& panels();

  explicit ConvergenceWindow(QWidget* parent = nullptr);

  void render(QPainter& painter, const QRectF& target) const;

  // The points of plot k (steps across, errors up) and their fit.
  void points(int k, std::vector<double>& steps, std::vector<double>& errors) const;
  core::LogLogFit fit(int k) const;
  // "pente = …" as printed on plot k.
  QString slopeText(int k) const;
  // The latest series of plot k: "N = 4, T = 0,1, K = 400 — 4 points".
  QString seriesText(int k) const;
  vis::RenderSurface* surface() const { return surface_; }

 public slots:
  void synchronise();

 private:
  void renderPanel(QPainter& p, const QRectF& r, int k) const;

  std::uint64_t seen_ = ~std::uint64_t{0};
  vis::RenderSurface* surface_ = nullptr;
};
