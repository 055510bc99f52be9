// The error study window: for one divisor k per click it runs Pepsilon with
// eps/k and P0 on the same grid and data, and lists the L2 distance E(k)
// between the two solutions at the final time.
#pragma once

#include <QWidget>
#include <vector>

class QAbstractButton;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;

namespace core {
struct ErrorFields;
struct GridValues;
}
namespace ui {
class ResultListView;
}

class ErrorWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ErrorWindow(QWidget* parent = nullptr);
  ~ErrorWindow() override;

  // True from the running state until the run has ended (completed or
  // stopped).
  bool isComputing() const { return computing_; }

 protected:
  // A key that reaches the window asks the running computation to stop.
  // Closing during a run is held back by LongRun until the run has stopped.
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
  void calculerE();
  void toutEffacer();
  void addLine(const QString& line, std::vector<double> numbers = {});

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
  QLabel* LblH = nullptr;
  QLabel* LblTau = nullptr;
  QLabel* LblLambda = nullptr;
  QLabel* LblAlpha = nullptr;
  QLabel* LblCalculs = nullptr;
  QProgressBar* ProgressCalculs = nullptr;
  QRadioButton* OptionChoix_0 = nullptr;
  QRadioButton* OptionChoix_1 = nullptr;
  QGroupBox* FrameConstantes = nullptr;
  QGroupBox* FrameNonConstantes = nullptr;
  QAbstractButton* CmdCalculerH = nullptr;
  QAbstractButton* CmdEffacerH = nullptr;
  QAbstractButton* CmdQuitter = nullptr;
  ui::ResultListView* ListERH = nullptr;

  bool computing_ = false;
};
