// The stability study windows frmstabp0 (scheme P0) and frmstabpeps (scheme
// Pepsilon): the grid and the physical data, "Lancer les calculs", h, Tau,
// Lambda (and Alpha) in labels and the whole solution, level by level, in the
// result list. One class serves both; the Pepsilon window adds v0, Epsilon,
// Alpha and the constant source option.
#pragma once

#include <QWidget>
#include <cstdint>

#include "core/studies.h"
#include "ui/study_controls.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class ResultListView;
}  // namespace ui

class StabilityWindow : public QWidget {
  Q_OBJECT

 public:
  explicit StabilityWindow(core::Scheme scheme, QWidget* parent = nullptr);

  core::Scheme scheme() const { return scheme_; }
  ui::ResultListView* resultList() const { return ListRes; }

  // The stability condition the Lambda label explains in its tooltip.
  static QString stabilityConditionText(core::Scheme scheme);

  // True when a run with these fields is long enough ((N + 15)·K from 4e7
  // on, a quarter of a second or more) to show the wait cursor while it runs.
  static bool showsBusyCursor(const core::StabilityFields& fields);

 public slots:
  // "Lancer les calculs".
  void runComputation();
  // "Graphiques": the graph window of this scheme, created if needed.
  void openGraphs();

 private:
  void buildControls();
  void buildIntervalFrame();
  void buildPhysicalFrame();
  void buildSourceRow();
  void setTabOrders();
  core::StabilityFields readFields() const;
  // The list of levels 0 .. levels - 1, the abscissas at multiples of h.
  void fillList(std::int64_t levels, double h);

  core::Scheme scheme_;
  // Controls, named as their objectName.
  ui::StudyControls study_;
  QCheckBox* CheckF = nullptr;
  QLineEdit* TextFF = nullptr;
  QLineEdit* TextNN = nullptr;
  QPushButton* CmdCalculs = nullptr;
  QPushButton* Cmdgraphique = nullptr;
  QPushButton* CmdQuitter = nullptr;
  ui::ResultListView* ListRes = nullptr;
};
