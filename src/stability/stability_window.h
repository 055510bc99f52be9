// The stability study windows frmstabp0 (scheme P0) and frmstabpeps (scheme
// Pepsilon): the grid and the physical data, "Lancer les calculs", h, Tau,
// Lambda (and Alpha) in labels and the whole solution, level by level, in the
// result list. One class serves both; the Pepsilon window adds v0, Epsilon,
// Alpha and the constant source option.
#pragma once

#include <QWidget>
#include <cstdint>

#include "core/studies.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class ResultListView;
}

class StabilityWindow : public QWidget {
  Q_OBJECT

 public:
  explicit StabilityWindow(core::Scheme scheme, QWidget* parent = nullptr);

  core::Scheme scheme() const { return scheme_; }
  ui::ResultListView* resultList() const { return listRes_; }

  // The stability condition the Lambda label explains in its tooltip.
  static QString stabilityConditionText(core::Scheme scheme);

 public slots:
  // "Lancer les calculs".
  void runCalculs();
  // "Graphiques": the graph window of this scheme, created if needed.
  void openGraphs();

 private:
  void buildControls();
  void buildPhysicalFrame(QGroupBox* frame);
  void buildSourceRow();
  void setTabOrders();
  core::StabilityFields readFields() const;
  void showGridValues(const core::GridValues& g);
  void fillList(std::int64_t levels);

  core::Scheme scheme_;
  QLineEdit* txtN_ = nullptr;
  QLineEdit* txtT_ = nullptr;
  QLineEdit* txtK_ = nullptr;
  QLineEdit* txta_ = nullptr;
  QLineEdit* txtu0_ = nullptr;
  QLineEdit* txtV0_ = nullptr;
  QLineEdit* txtEpsilon_ = nullptr;
  QCheckBox* checkF_ = nullptr;
  QLineEdit* textFF_ = nullptr;
  QLineEdit* textNN_ = nullptr;
  QLabel* lblH_ = nullptr;
  QLabel* lblTau_ = nullptr;
  QLabel* lblLambda_ = nullptr;
  QLabel* lblAlpha_ = nullptr;
  QPushButton* cmdCalculs_ = nullptr;
  QPushButton* cmdGraphique_ = nullptr;
  QPushButton* cmdQuitter_ = nullptr;
  ui::ResultListView* listRes_ = nullptr;
};
