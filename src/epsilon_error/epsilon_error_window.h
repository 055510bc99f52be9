// The epsilon error study window FrmErreurEps0: for one divisor k per click
// it runs Pepsilon with eps/k and P0 on the same grid and data, and lists the
// L2 distance E(k) between the two solutions at the final time.
#pragma once

#include <QWidget>
#include <vector>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;

namespace core {
struct ErrorFields;
struct GridValues;
}  // namespace core
namespace ui {
class Frame;
class ResultListView;
class ValueLabel;
}  // namespace ui

class EpsilonErrorWindow : public QWidget {
  Q_OBJECT

 public:
  explicit EpsilonErrorWindow(QWidget* parent = nullptr);
  ~EpsilonErrorWindow() override;

  // True from the running state until the run has ended (completed or
  // stopped).
  bool isComputing() const { return computing_; }

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
  void showGrid(const core::GridValues& g);
  void computeError();
  void clearAll();
  void addLine(const QString& line, std::vector<double> numbers = {});

  // Controls, named as their objectName.
  QLineEdit* TxtN = nullptr;
  QLineEdit* TxtT = nullptr;
  QLineEdit* TxtK = nullptr;
  QLineEdit* Txta = nullptr;
  QLineEdit* TxtEpsilon = nullptr;
  QLineEdit* Txtu0 = nullptr;
  QLineEdit* TxtV0 = nullptr;
  QLineEdit* TxtD = nullptr;
  QLineEdit* TxtW = nullptr;
  QLineEdit* TxtPhi = nullptr;
  QLineEdit* TxtR = nullptr;
  ui::ValueLabel* LblH = nullptr;
  ui::ValueLabel* LblTau = nullptr;
  ui::ValueLabel* LblLambda = nullptr;
  ui::ValueLabel* LblAlpha = nullptr;
  QLabel* LblCalculs = nullptr;
  QProgressBar* ProgressCalculs = nullptr;
  QRadioButton* OptionChoix_0 = nullptr;
  QRadioButton* OptionChoix_1 = nullptr;
  ui::Frame* FrameConstantes = nullptr;
  ui::Frame* FrameNonConstantes = nullptr;
  QAbstractButton* CmdCalculerH = nullptr;
  QAbstractButton* CmdEffacerH = nullptr;
  QAbstractButton* CmdQuitter = nullptr;
  ui::ResultListView* ListERH = nullptr;

  bool computing_ = false;
};
