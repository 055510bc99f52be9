#include "visualisation/render_surface.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/export_image.h"

namespace vis {

RenderSurface::RenderSurface(const QString& name, Painter painter, QWidget* parent)
    : QWidget(parent), painter_(std::move(painter)) {
  setObjectName(name);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setMinimumSize(200, 150);
  // "Copier l'image", "Enregistrer l'image sous…" and "Imprimer…": drawn
  // again by the window.
  ui::enableImageExport(this, [this](QPainter& p, const QSize& size) {
    painter_(p, QRectF(QPointF(0, 0), QSizeF(size)));
  });
}

void RenderSurface::paintEvent(QPaintEvent*) {
  // A widget painter draws at the screen's device pixel ratio by itself.
  QPainter p(this);
  painter_(p, QRectF(rect()));
}

void RenderSurface::mouseMoveEvent(QMouseEvent* event) {
  if (onMouseMove) onMouseMove(event->position());
}

void RenderSurface::leaveEvent(QEvent*) {
  if (onLeave) onLeave();
}

}  // namespace vis
