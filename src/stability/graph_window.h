// The graph window of a stability study ("Graphiques - Stabilité du schéma
// P0" / "... Pepsilon "): draws chosen time levels of the scheme's solution
// table on a scale fixed by the first drawing, with a grey grid, a value
// scale, a red bar on u = 0, a red legend per curve and a cross-hair
// read-out. It reads the shared study state and writes nothing.
#pragma once

#include <cstdint>

#include "core/studies.h"
#include "ui/reopening_window.h"

class QLineEdit;
class QPushButton;

namespace core {
class Table2;
struct StudyState;
}  // namespace core

namespace ui {
struct ValueRange;
class Frame;
class PictureSurface;
class SurfaceLine;
class ValueLabel;
}  // namespace ui

// What the window keeps between two clicks; created afresh at every load.
struct GraphState {
  double LevelRow = 0;         // row of the solution table to draw: n + 1
  bool AxesDrawn = false;      // the scale, grid and scale labels are drawn
  double UMax = 0;             // largest of 0 and the first level's values
  double UMin = 0;             // smallest of 0 and the first level's values
  double URange = 0;           // UMax - UMin
  double ScaleW = 0;           // user width of PB1
  double ScaleH = 0;           // user height of PB1
  double OriginX = 0;          // user abscissa of x = 0
  double OriginY = 0;          // user ordinate of u = 0
  std::int16_t TickCount = 0;  // scale steps between u = 0 and the top edge
  double TickStep = 0;         // value step between two horizontal grid lines
  double TickTotal = 0;        // scale steps that fit in the whole height
};

class GraphWindow : public ui::ReopeningWindow {
  Q_OBJECT

 public:
  explicit GraphWindow(core::Scheme scheme, QWidget* parent = nullptr);

  core::Scheme scheme() const { return scheme_; }
  const GraphState& graphState() const { return g_; }
  ui::PictureSurface* surface() const { return PB1; }

 public slots:
  // "Tracer le graphe".
  void drawLevel();
  // "Effacer le(s) graphe(s)": back to the state of a window just loaded.
  void clearGraphs();
  // The mouse at user (x, y) over PB1.
  void readOut(double x, double y);

 private:
  void buildControls();
  void load() override;
  const core::Table2& solution() const;
  // The check that the table still has the shape of the stored N and K.
  bool solutionMatchesGrid() const;
  // First drawing: scale, grid and scale labels. False when the level
  // cannot give a scale.
  bool drawAxes(const double* row, const ui::ValueRange& range, bool* defaultRange);
  void drawCurve(const double* row);
  void drawLegend(const double* row);

  core::Scheme scheme_;
  GraphState g_;

  ui::Frame* Frame1 = nullptr;
  QLineEdit* TxtIndicen = nullptr;
  ui::ValueLabel* LblRN = nullptr;
  ui::ValueLabel* LblRH = nullptr;
  ui::ValueLabel* LblRLambda = nullptr;
  ui::ValueLabel* LblRT = nullptr;
  ui::ValueLabel* LblRK = nullptr;
  ui::ValueLabel* LblRTau = nullptr;
  ui::ValueLabel* LblAlpha = nullptr;
  ui::ValueLabel* LblEpsilon = nullptr;
  QPushButton* CmdTracage = nullptr;
  QPushButton* CmdEffacer = nullptr;
  QPushButton* CmdQuitter = nullptr;
  ui::PictureSurface* PB1 = nullptr;
  QWidget* PBbarre = nullptr;
  ui::PictureSurface* PBY = nullptr;
  ui::PictureSurface* PBX = nullptr;
  ui::SurfaceLine* LineX = nullptr;
  ui::SurfaceLine* LineY = nullptr;
};
