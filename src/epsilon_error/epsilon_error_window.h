// The epsilon error study window FrmErreurEps0: for one divisor k per click
// it runs Pepsilon with eps/k and P0 on the same grid and data, and lists the
// L2 distance E(k) between the two solutions at the final time.
#pragma once

#include <QWidget>
#include <vector>

#include "ui/controls.h"
#include "ui/study_controls.h"

class QAbstractButton;
class QLineEdit;
class QRadioButton;

namespace ui {
class ResultListView;
}  // namespace ui

class EpsilonErrorWindow : public QWidget {
  Q_OBJECT

 public:
  explicit EpsilonErrorWindow(QWidget* parent = nullptr);
  ~EpsilonErrorWindow() override;

  // True from the running state until the run has ended (completed or
  // stopped).
  bool isComputing() const;

 protected:
  // A key that reaches the window sets StopRequested, unless another window's
  // run owns the flag; during this window's own run LongRun takes the keys
  // first, and holds a close back until the run has stopped.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildIntervals();
  void buildPhysics();
  void buildChoice();
  void buildConstantData();
  void buildExactData();
  void buildErrorFrame();

  bool exactDataSelected() const;
  void showDataFrame();
  core::ErrorFields readFields() const;
  void computeError();
  void clearAll();
  void addLine(const QString& line, std::vector<double> numbers = {});

  // Controls, named as their objectName.
  ui::StudyControls study_;
  QLineEdit* TxtR = nullptr;
  ui::RunNotice notice_;  // LblCalculs, ProgressCalculs
  QRadioButton* OptionChoix_0 = nullptr;
  QRadioButton* OptionChoix_1 = nullptr;
  ui::Frame* FrameConstantes = nullptr;
  ui::Frame* FrameNonConstantes = nullptr;
  QAbstractButton* CmdCalculerH = nullptr;
  QAbstractButton* CmdEffacerH = nullptr;
  QAbstractButton* CmdQuitter = nullptr;
  ui::ResultListView* ListERH = nullptr;
};
