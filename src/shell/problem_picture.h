// The two problem statements of the main window, typeset by the program
// itself: a brace grouping the equations, the domain conditions aligned in a
// second column, the problem's name on the left.
#pragma once

#include <QFrame>
#include <QImage>
#include <QSize>

enum class Problem { P0, Pepsilon };

class QPainter;

// The statement drawn black on white over `size` (in the painter's units,
// from its origin), as text and paths: the same drawing on a window, an
// image of any device pixel ratio, a printer or a vector file.
void paintProblemStatement(QPainter& painter, Problem problem, QSize size);
// The statement as an image of `size` at `dpr` device pixels per pixel.
QImage problemStatementImage(Problem problem, QSize size, qreal dpr = 1.0);

// A picture box: a sunken 2-pixel border around the statement, drawn at the
// window's device pixel ratio.
class ProblemPicture : public QFrame {
  Q_OBJECT

 public:
  ProblemPicture(Problem problem, QSize imageSize, QWidget* parent = nullptr);
  Problem problem() const { return problem_; }
  QSize imageSize() const { return imageSize_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Problem problem_;
  QSize imageSize_;
  QImage image_;
};
