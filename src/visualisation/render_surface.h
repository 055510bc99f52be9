// The drawing area of a visualisation window: it paints through its window's
// render(QPainter&, QRectF) so that the same drawing can be made again on any
// other paint device (an image at file resolution, a printer), and reports
// mouse moves for a read-out.
#pragma once

#include <QWidget>
#include <functional>

namespace vis {

class RenderSurface : public QWidget {
  Q_OBJECT

 public:
  using Painter = std::function<void(QPainter&, const QRectF&)>;
  RenderSurface(const QString& name, Painter painter, QWidget* parent);

  // Called with the mouse position in widget coordinates; leave() with none.
  std::function<void(QPointF)> onMouseMove;
  std::function<void()> onLeave;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  Painter painter_;
};

}  // namespace vis
