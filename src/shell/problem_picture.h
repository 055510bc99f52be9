// The two problem statements of the main window, typeset by the program
// itself: a brace grouping the equations, the domain conditions aligned in a
// second column, the problem's name on the left.
#pragma once

#include <QFrame>
#include <QImage>
#include <QSize>

enum class Problem { P0, Pepsilon };

// The statement drawn black on white at the given size.
QImage paintProblemStatement(Problem problem, QSize size);

// A picture box: a sunken 2-pixel border around the fixed image.
class ProblemPicture : public QFrame {
  Q_OBJECT

 public:
  ProblemPicture(Problem problem, QSize imageSize, QWidget* parent = nullptr);
  const QImage& image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};
