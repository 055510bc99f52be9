// The experimental consistency study, one class for both schemes
// (frmConsistP0 and FrmConsistPepsilon): errors of the scheme against the
// exact solution when Tau is divided by 2^R at fixed h (time half) or h by
// 2^S at fixed Tau (space half), and the observed orders derived from them.
// The numerical work is the core's; this window reads its fields, keeps the
// running state (LongRun) and shows the results.
#pragma once

#include <QString>
#include <QWidget>

#include "core/studies.h"
#include "ui/controls.h"
#include "ui/study_controls.h"

class QAbstractButton;
class QLineEdit;

namespace ui {
class ResultListView;
}  // namespace ui

class ConsistencyWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ConsistencyWindow(core::Scheme scheme, QWidget* parent = nullptr);

  core::Scheme scheme() const { return scheme_; }
  // True from the running state until the run has stopped or ended.
  bool isComputing() const;

 private:
  struct HalfControls {
    ui::Frame* frame = nullptr;
    QLineEdit* field = nullptr;            // TxtR / TxtS
    ui::ValueLabel* fixedValue = nullptr;  // LblHfixe / LblTauFixe
    QAbstractButton* computeErrorButton = nullptr;
    QAbstractButton* computeOrdersButton = nullptr;
    QAbstractButton* clearButton = nullptr;
    ui::ResultListView* errors = nullptr;  // ListERH / ListERT
    ui::ResultListView* orders = nullptr;  // ListQ / ListP
  };

  void buildIntervals(int height);
  void buildPhysics(int left, int width, int height);
  void buildRunColumn(int left, int width);
  void buildHalf(core::Half half, int left, int top, int width, int height);
  void setTabOrder();

  HalfControls& controls(core::Half half) {
    return half == core::Half::TimeR ? timeHalf_ : spaceHalf_;
  }
  core::ConsistencyFields readFields() const;
  void showGrid(core::Half half, const core::GridValues& g);

  void computeError(core::Half half);
  void computeOrders(core::Half half);
  void clearAll(core::Half half);

  const core::Scheme scheme_;

  // Controls, named as their objectName.
  ui::StudyControls study_;
  ui::RunNotice notice_;  // LblCalculs, ProgressCalculs
  QAbstractButton* CmdQuitter = nullptr;
  HalfControls timeHalf_;
  HalfControls spaceHalf_;
};
