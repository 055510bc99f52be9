#include "ui/picture_surface.h"

#include "ui/export_image.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QVariant>
#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// Pixel coordinates far outside any screen are clamped before they become
// ints, so an absurd user value can never overflow a widget geometry.
int toInt(double v) {
  if (!std::isfinite(v)) return v > 0 ? 1000000 : -1000000;
  return static_cast<int>(std::lround(std::clamp(v, -1.0e6, 1.0e6)));
}

// Cuts the segment p–q to the rectangle [x0, x1] × [y0, y1] (Liang–Barsky).
// Returns false when nothing of it lies inside.
bool clipSegment(QPointF& p, QPointF& q, double x0, double y0, double x1, double y1) {
  const double dx = q.x() - p.x();
  const double dy = q.y() - p.y();
  double t0 = 0.0;
  double t1 = 1.0;
  const double pk[4] = {-dx, dx, -dy, dy};
  const double qk[4] = {p.x() - x0, x1 - p.x(), p.y() - y0, y1 - p.y()};
  for (int k = 0; k < 4; ++k) {
    if (pk[k] == 0.0) {
      if (qk[k] < 0.0) return false;
      continue;
    }
    const double t = qk[k] / pk[k];
    if (pk[k] < 0.0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const QPointF start = p;
  if (t1 < 1.0) q = QPointF(start.x() + t1 * dx, start.y() + t1 * dy);
  if (t0 > 0.0) p = QPointF(start.x() + t0 * dx, start.y() + t0 * dy);
  return std::isfinite(p.x()) && std::isfinite(p.y()) && std::isfinite(q.x()) &&
         std::isfinite(q.y());
}

const char* const kReadOutProperty = "orvReadOut";

}  // namespace

PictureSurface::PictureSurface(QWidget* parent, int border) : QWidget(parent), border_(border) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  ensureImageSize();
}

// ------------------------------------------------------------------- scale

QRect PictureSurface::drawingRect() const {
  return QRect(border_, border_, std::max(0, width() - 2 * border_),
               std::max(0, height() - 2 * border_));
}

void PictureSurface::setScaleWidth(double width) {
  if (pixelScale_ || twipScale_) scaleHeight_ = scaleHeight();
  pixelScale_ = twipScale_ = false;
  scaleWidth_ = width;
}

void PictureSurface::setScaleHeight(double height) {
  if (pixelScale_ || twipScale_) scaleWidth_ = scaleWidth();
  pixelScale_ = twipScale_ = false;
  scaleHeight_ = height;
}

double PictureSurface::scaleWidth() const {
  if (pixelScale_ || twipScale_) return drawingRect().width() * unitsPerPixelX();
  return scaleWidth_;
}

double PictureSurface::scaleHeight() const {
  if (pixelScale_ || twipScale_) return drawingRect().height() * unitsPerPixelY();
  return scaleHeight_;
}

void PictureSurface::setScalePixels() {
  pixelScale_ = true;
  twipScale_ = false;
}

void PictureSurface::setScaleTwips() {
  pixelScale_ = false;
  twipScale_ = true;
}

double PictureSurface::unitsPerPixelX() const {
  const double w = drawingRect().width();
  if (pixelScale_) return 1.0;
  if (twipScale_) return 15.0;
  return w > 0 ? scaleWidth_ / w : 1.0;
}

double PictureSurface::unitsPerPixelY() const {
  const double h = drawingRect().height();
  if (pixelScale_) return 1.0;
  if (twipScale_) return 15.0;
  return h > 0 ? scaleHeight_ / h : 1.0;
}

QPointF PictureSurface::toPixel(double x, double y) const {
  const double ux = unitsPerPixelX();
  const double uy = unitsPerPixelY();
  // A zero scale maps everything onto the origin rather than dividing by 0.
  return QPointF(ux != 0.0 ? x / ux : 0.0, uy != 0.0 ? y / uy : 0.0);
}

QPointF PictureSurface::toUser(QPointF pixel) const {
  return QPointF(pixel.x() * unitsPerPixelX(), pixel.y() * unitsPerPixelY());
}

QPoint PictureSurface::toPixelRounded(double x, double y) const {
  const QPointF p = toPixel(x, y);
  return QPoint(toInt(p.x()), toInt(p.y()));
}

// ----------------------------------------------------------------- drawing

void PictureSurface::ensureImageSize() {
  const QSize size = drawingRect().size().expandedTo(QSize(1, 1));
  if (image_.size() == size) return;
  // A hidden widget gets its resize event only when shown: the picture
  // follows the geometry at every drawing instead, and an open batch
  // painter moves to the new picture.
  const bool batching = batchPainter_ != nullptr;
  if (batching) batchPainter_->end();
  // The picture keeps what was drawn when the surface grows or shrinks.
  QImage grown(size, QImage::Format_RGB32);
  grown.fill(background_);
  if (!image_.isNull()) {
    QPainter p(&grown);
    p.drawImage(0, 0, image_);
  }
  image_ = grown;
  if (batching) {
    batchPainter_->begin(&image_);
    batchPainter_->setRenderHint(QPainter::Antialiasing, false);
  }
}

void PictureSurface::setBackground(const QColor& color) {
  background_ = color;
  clear();
}

void PictureSurface::setPicture(const QImage& picture) {
  ensureImageSize();
  image_.fill(background_);
  if (record_) record_->picture(picture);
  QPainter p(&image_);
  p.drawImage(0, 0, picture);
  update();
}

void PictureSurface::drawLine(double x1, double y1, double x2, double y2, const QColor& color) {
  ensureImageSize();
  QPointF p = toPixel(x1, y1);
  QPointF q = toPixel(x2, y2);
  // Only the piece near the picture is drawn: a curve that leaves the scale
  // is cut at the edges, whatever its values.
  if (!clipSegment(p, q, -4.0, -4.0, image_.width() + 4.0, image_.height() + 4.0)) return;
  if (record_) record_->line(p, q, color);
  const QLine segment(toInt(p.x()), toInt(p.y()), toInt(q.x()), toInt(q.y()));
  if (batchPainter_) {
    if (segment == lastSegment_ && color.rgb() == lastColor_) return;
    lastSegment_ = segment;
    lastColor_ = color.rgb();
    batchPainter_->setPen(QPen(color, 0));
    batchPainter_->drawLine(segment);
    return;
  }
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(color, 0));
  painter.drawLine(segment);
  update();
}

PictureSurface::Batch::Batch(PictureSurface& surface) : surface_(surface) {
  if (surface_.batchPainter_) return;
  surface_.ensureImageSize();
  owner_ = true;
  surface_.batchPainter_ = new QPainter(&surface_.image_);
  surface_.batchPainter_->setRenderHint(QPainter::Antialiasing, false);
  surface_.lastSegment_ = QLine();
  surface_.lastColor_ = 0;
}

PictureSurface::Batch::~Batch() {
  if (!owner_) return;
  delete surface_.batchPainter_;
  surface_.batchPainter_ = nullptr;
  surface_.update();
}

void PictureSurface::setTextPos(double x, double y) {
  currentX_ = x;
  currentY_ = y;
}

void PictureSurface::print(const QString& text) {
  ensureImageSize();
  const QPoint at = toPixelRounded(currentX_, currentY_);
  const QFontMetrics fm(font());
  if (record_) record_->text(QPointF(at.x(), at.y() + fm.ascent()), text, font(), foreColor_);
  if (batchPainter_) {
    batchPainter_->setFont(font());
    batchPainter_->setPen(foreColor_);
    batchPainter_->drawText(at.x(), at.y() + fm.ascent(), text);
  } else {
    QPainter painter(&image_);
    painter.setFont(font());
    painter.setPen(foreColor_);
    painter.drawText(at.x(), at.y() + fm.ascent(), text);
  }
  printed_.append(text);
  printedAt_.append(QPointF(currentX_, currentY_));
  currentX_ = 0.0;
  currentY_ = currentY_ + textHeight(text);
  update();
}

double PictureSurface::textWidth(const QString& text) const {
  return QFontMetricsF(font()).horizontalAdvance(text) * unitsPerPixelX();
}

double PictureSurface::textHeight(const QString& /*text*/) const {
  return QFontMetricsF(font()).height() * unitsPerPixelY();
}

void PictureSurface::clear() {
  ensureImageSize();
  image_.fill(background_);
  if (record_) record_->clear(background_);
  printed_.clear();
  printedAt_.clear();
  currentX_ = currentY_ = 0.0;
  update();
}

QImage PictureSurface::composedImage() const {
  QImage out = image_.copy();
  if (out.size() != drawingRect().size()) out = out.copy(QRect(QPoint(0, 0), drawingRect().size()));
  QPainter painter(&out);
  for (QObject* o : children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isHidden() || w->property(kReadOutProperty).toBool()) continue;
    w->render(&painter, w->pos() - QPoint(border_, border_), QRegion(),
              QWidget::DrawChildren);
  }
  return out;
}

// ---------------------------------------------------------------- children

void PictureSurface::placeChild(QWidget* child, double left, double top, double width,
                                double height) {
  const QPointF p = toPixel(left, top);
  const QPointF s = toPixel(width, height);
  child->setGeometry(toInt(p.x()) + border_, toInt(p.y()) + border_, std::max(0, toInt(s.x())),
                     std::max(0, toInt(s.y())));
  clipChild(child);
}

void PictureSurface::moveChild(QWidget* child, double left, double top) {
  const QPointF p = toPixel(left, top);
  child->move(toInt(p.x()) + border_, toInt(p.y()) + border_);
  clipChild(child);
}

void PictureSurface::resizeChild(QWidget* child, double width, double height) {
  const QPointF s = toPixel(width, height);
  child->resize(std::max(0, toInt(s.x())), std::max(0, toInt(s.y())));
  clipChild(child);
}

void PictureSurface::clipChild(QWidget* child) const {
  if (border_ == 0) return;
  const QRect inside = drawingRect().translated(-child->pos()) & child->rect();
  if (inside == child->rect()) {
    child->clearMask();
  } else if (inside.isEmpty()) {
    // An empty mask would mean no mask: a region outside the child hides it.
    child->setMask(QRegion(-1, -1, 1, 1));
  } else {
    child->setMask(QRegion(inside));
  }
}

QRectF PictureSurface::childRect(const QWidget* child) const {
  const QPointF tl = toUser(QPointF(child->x() - border_, child->y() - border_));
  const QPointF size = toUser(QPointF(child->width(), child->height()));
  return QRectF(tl.x(), tl.y(), size.x(), size.y());
}

void PictureSurface::setReadOut(QWidget* child, bool readOut) {
  child->setProperty(kReadOutProperty, readOut);
}

void PictureSurface::enableCopyMenu() {
  auto* copy = new QAction(QStringLiteral("Copier l'image"), this);
  copy->setObjectName(QStringLiteral("actCopierImage"));
  connect(copy, &QAction::triggered, this, &PictureSurface::copyToClipboard);
  addAction(copy);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void PictureSurface::copyToClipboard() const {
  if (QClipboard* clipboard = QApplication::clipboard()) clipboard->setImage(composedImage());
}

// ------------------------------------------------------------------ events

void PictureSurface::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (border_ > 0) {
    // A sunken frame: dark on the top and left, light on the bottom and right.
    const QRect r = rect();
    painter.fillRect(r, QColor(255, 255, 255));
    painter.fillRect(QRect(0, 0, r.width(), border_), QColor(128, 128, 128));
    painter.fillRect(QRect(0, 0, border_, r.height()), QColor(128, 128, 128));
    if (border_ > 1) {
      painter.fillRect(QRect(1, 1, r.width() - 2, border_ - 1), QColor(64, 64, 64));
      painter.fillRect(QRect(1, 1, border_ - 1, r.height() - 2), QColor(64, 64, 64));
    }
  }
  painter.drawImage(border_, border_, image_);
}

void PictureSurface::resizeEvent(QResizeEvent* event) {
  ensureImageSize();
  QWidget::resizeEvent(event);
}

void PictureSurface::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position() - QPointF(border_, border_);
  const QPointF user = toUser(at);
  emit mouseMoved(user.x(), user.y());
  QWidget::mouseMoveEvent(event);
}

// -------------------------------------------------------------------- line

SurfaceLine::SurfaceLine(PictureSurface* surface) : QWidget(surface), surface_(surface) {
  // The mouse passes through a line to the surface beneath.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  PictureSurface::setReadOut(this);
}

void SurfaceLine::setEnds(double x1, double y1, double x2, double y2) {
  pixels_ = QLineF(surface_->toPixel(x1, y1), surface_->toPixel(x2, y2));
  updateGeometryFromEnds();
}

QLineF SurfaceLine::ends() const {
  return QLineF(surface_->toUser(pixels_.p1()), surface_->toUser(pixels_.p2()));
}

void SurfaceLine::setColor(const QColor& color) {
  color_ = color;
  update();
}

void SurfaceLine::updateGeometryFromEnds() {
  const int b = surface_->border();
  const int x1 = toInt(std::min(pixels_.x1(), pixels_.x2()));
  const int x2 = toInt(std::max(pixels_.x1(), pixels_.x2()));
  const int y1 = toInt(std::min(pixels_.y1(), pixels_.y2()));
  const int y2 = toInt(std::max(pixels_.y1(), pixels_.y2()));
  setGeometry(x1 + b, y1 + b, x2 - x1 + 1, y2 - y1 + 1);
  surface_->clipChild(this);
  update();
}

void SurfaceLine::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(QPen(color_, 0));
  const QPoint origin = pos() - QPoint(surface_->border(), surface_->border());
  const QPoint p1(toInt(pixels_.x1()), toInt(pixels_.y1()));
  const QPoint p2(toInt(pixels_.x2()), toInt(pixels_.y2()));
  painter.drawLine(p1 - origin, p2 - origin);
}

}  // namespace ui
