#include "ui/picture_surface.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "ui/level_columns.h"

#include "ui/keyboard.h"

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
  // Most segments of a curve lie inside: nothing to cut.
  if (p.x() >= x0 && p.x() <= x1 && p.y() >= y0 && p.y() <= y1 && q.x() >= x0 && q.x() <= x1 &&
      q.y() >= y0 && q.y() <= y1)
    return true;
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

void PictureSurface::leaveFixedScale() {
  // The other axis keeps the scale it has now.
  if (pixelScale_ || twipScale_) {
    const double width = scaleWidth(), height = scaleHeight();
    scaleWidth_ = width;
    scaleHeight_ = height;
  }
  pixelScale_ = twipScale_ = false;
}

void PictureSurface::setScaleWidth(double width) {
  leaveFixedScale();
  scaleWidth_ = width;
}

void PictureSurface::setScaleHeight(double height) {
  leaveFixedScale();
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

double PictureSurface::unitsPerPixel(double scale, double pixels) const {
  if (pixelScale_) return 1.0;
  if (twipScale_) return 15.0;
  return pixels > 0 ? scale / pixels : 1.0;
}

double PictureSurface::unitsPerPixelX() const {
  return unitsPerPixel(scaleWidth_, drawingRect().width());
}

double PictureSurface::unitsPerPixelY() const {
  return unitsPerPixel(scaleHeight_, drawingRect().height());
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

int PictureSurface::pixelIndex(double pixel) { return toInt(pixel); }

QPoint PictureSurface::toPixelRounded(double x, double y) const {
  const QPointF p = toPixel(x, y);
  return QPoint(toInt(p.x()), toInt(p.y()));
}

// ----------------------------------------------------------------- drawing

namespace {

// A line one pixel of the drawing area wide is this many device pixels wide.
int penWidth(qreal dpr) { return std::max(1, static_cast<int>(std::lround(dpr))); }

// The device pixel on which a point in pixels of the drawing area falls.
QPoint devicePixel(QPointF p, qreal dpr) { return QPoint(toInt(p.x() * dpr), toInt(p.y() * dpr)); }

// Where a line through device pixel `at` runs so that the pen covers the
// pixels from `at` on: through the pixel's corner for the one-pixel
// (cosmetic) pen, through the middle of the pen's width otherwise.
QPointF deviceLinePoint(QPoint at, qreal dpr) {
  const int w = penWidth(dpr);
  const qreal offset = w > 1 ? w / 2.0 : 0.0;
  return QPointF(at.x() + offset, at.y() + offset);
}

bool samePoint(QPointF a, QPointF b) { return a.x() == b.x() && a.y() == b.y(); }

// A clip as large as the image on a painter of an image: the same pixels,
// but Qt then writes one-pixel lines straight into the image instead of
// going through its span functions, several times faster.
void clipToImage(QPainter& painter) {
  painter.setClipRect(QRect(0, 0, painter.device()->width(), painter.device()->height()));
}

// The device pixels that the segment p–q (pixels of the drawing area) covers
// at ratio `dpr` when it is vertical there: the column of the pen's width
// from its upper to its lower end, the square cap included. False for any
// other segment.
bool verticalFootprint(QPointF p, QPointF q, qreal dpr, QRect* footprint) {
  const QPoint a = devicePixel(p, dpr);
  const QPoint b = devicePixel(q, dpr);
  if (a.x() != b.x() || a.y() == b.y()) return false;
  const int w = penWidth(dpr);
  *footprint = QRect(QPoint(a.x(), std::min(a.y(), b.y())),
                     QPoint(a.x() + w - 1, std::max(a.y(), b.y()) + w - 1));
  return true;
}

}  // namespace

QLineF deviceSegment(QPointF p, QPointF q, qreal dpr) {
  return QLineF(deviceLinePoint(devicePixel(p, dpr), dpr),
                deviceLinePoint(devicePixel(q, dpr), dpr));
}

QPen devicePen(const QColor& color, qreal dpr) {
  const int w = penWidth(dpr);
  QPen pen(color, w > 1 ? w : 0);
  pen.setCapStyle(Qt::SquareCap);
  return pen;
}

void PictureSurface::ensureImageSize() {
  const qreal dpr = devicePixelRatioF();
  const QSize logical = drawingRect().size().expandedTo(QSize(1, 1));
  const QSize device(static_cast<int>(std::ceil(logical.width() * dpr)),
                     static_cast<int>(std::ceil(logical.height() * dpr)));
  if (image_.size() == device && ratio_ == dpr) return;
  // A hidden widget gets its resize event only when shown, and a window
  // moved to another screen may change its ratio: the picture follows both
  // at every drawing and painting, drawn again from what was recorded.
  ratio_ = dpr;
  image_ = QImage(device, QImage::Format_RGB32);
  image_.setDevicePixelRatio(dpr);
  image_.fill(background_);
  rendered_ = 0;
  renderPending();
}

void PictureSurface::record(const Op& op) {
  ops_.push_back(op);
  if (batchDepth_ > 0) return;
  renderPending();
  update();
  // A drawing that grows for ever (the About orbits) or holds many long
  // curves is kept as the picture itself beyond a bound, so memory stays
  // bounded; only a later change of ratio then stretches that part.
  if (ops_.size() > kMaxOps || points_.size() > kMaxPoints) flattenOps();
}

void PictureSurface::flattenOps() {
  renderPending();
  QImage snapshot = image_.copy();
  snapshot.setDevicePixelRatio(1.0);
  const QSize logical = drawingRect().size().expandedTo(QSize(1, 1));
  const qreal madeAt = ratio_;
  dropOps();
  pictures_.push_back([snapshot, logical, madeAt](qreal dpr) {
    if (dpr == madeAt) return snapshot;
    const QSize device(static_cast<int>(std::ceil(logical.width() * dpr)),
                       static_cast<int>(std::ceil(logical.height() * dpr)));
    return snapshot.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  });
  ops_.push_back(Op{Op::Picture, 0, 0, 1});
  rendered_ = ops_.size();
}

void PictureSurface::dropOps() {
  ops_.clear();
  texts_.clear();
  pictures_.clear();
  // A curve of millions of points leaves a large buffer behind: give it back.
  if (points_.capacity() > 4096) std::vector<QPointF>().swap(points_);
  points_.clear();
  rendered_ = 0;
}

void PictureSurface::renderPending() {
  if (rendered_ >= ops_.size() || image_.isNull()) return;
  // The picture's own buffer seen as a device of ratio 1: the operations
  // place every segment on whole device pixels themselves.
  QImage device(image_.bits(), image_.width(), image_.height(), image_.bytesPerLine(),
                image_.format());
  QPainter painter(&device);
  clipToImage(painter);
  paintOps(painter, ratio_, rendered_);
  rendered_ = ops_.size();
}

void PictureSurface::paintOps(QPainter& painter, qreal dpr, std::size_t from) const {
  painter.setRenderHint(QPainter::Antialiasing, false);
  std::vector<QPoint> chain;
  std::vector<QLineF> lines;
  bool penSet = false;  // the pen is set again only when the colour changes
  QRgb penColor = 0;
  for (std::size_t k = from; k < ops_.size(); ++k) {
    const Op& op = ops_[k];
    switch (op.kind) {
      case Op::Picture: {
        QImage picture = pictures_[op.first](dpr);
        picture.setDevicePixelRatio(1.0);
        painter.drawImage(QPointF(0, 0), picture);
        break;
      }
      case Op::Text: {
        const TextOp& t = texts_[op.first];
        const QFontMetrics fm(t.font);
        const QPoint at = devicePixel(t.at, dpr);
        penSet = false;
        painter.save();
        painter.translate(at);
        if (dpr != 1.0) painter.scale(dpr, dpr);
        painter.setFont(t.font);
        painter.setPen(QColor::fromRgb(op.color));
        painter.drawText(QPoint(0, fm.ascent()), t.text);
        painter.restore();
        break;
      }
      case Op::Lines: {
        // Lone vertical segments side by side with the same ends (a dense
        // grid) fill one rectangle: the same pixels, filled row by row.
        QRect block;
        std::size_t end = k;
        while (end < ops_.size() && ops_[end].kind == Op::Lines && ops_[end].count == 2 &&
               ops_[end].color == op.color) {
          QRect r;
          if (!verticalFootprint(points_[ops_[end].first], points_[ops_[end].first + 1], dpr, &r))
            break;
          if (end > k && (r.top() != block.top() || r.bottom() != block.bottom() ||
                          r.left() > block.right() + 1 || r.right() < block.left() - 1))
            break;
          block = end > k ? block.united(r) : r;
          ++end;
        }
        if (end > k + 1) {
          painter.fillRect(block, QColor::fromRgb(op.color));
          k = end - 1;
          break;
        }
        // Consecutive points on one device column are joined by vertical
        // segments whose pixels together are the column's span from the
        // lowest to the highest of them: the run is drawn as its first
        // point, that span and its last point. Every other segment is kept,
        // so the pixels are those of the segments drawn one by one.
        chain.clear();
        const QPointF* p = points_.data() + op.first;
        const std::size_t n = op.count;
        auto keep = [&chain](QPoint q) {
          if (chain.empty() || chain.back() != q) chain.push_back(q);
        };
        QPoint next = devicePixel(p[0], dpr);
        for (std::size_t i = 0; i < n;) {
          const QPoint first = next;
          QPoint last = first;
          int lo = first.y();
          int hi = first.y();
          std::size_t j = i + 1;
          for (; j < n; ++j) {
            next = devicePixel(p[j], dpr);
            if (next.x() != first.x()) break;
            last = next;
            lo = std::min(lo, next.y());
            hi = std::max(hi, next.y());
          }
          keep(first);
          keep(QPoint(first.x(), lo));
          keep(QPoint(first.x(), hi));
          keep(last);
          i = j;
        }
        lines.clear();
        if (chain.size() == 1) {
          // Segments of no length at all: a point, as drawLine() draws it.
          const QPointF at = deviceLinePoint(chain[0], dpr);
          lines.emplace_back(at, at);
        }
        for (std::size_t i = 1; i < chain.size(); ++i)
          lines.emplace_back(deviceLinePoint(chain[i - 1], dpr), deviceLinePoint(chain[i], dpr));
        if (!penSet || penColor != op.color) {
          painter.setPen(devicePen(QColor::fromRgb(op.color), dpr));
          penSet = true;
          penColor = op.color;
        }
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
        break;
      }
    }
  }
}

QImage PictureSurface::renderedAt(qreal dpr) const {
  const QSize logical = drawingRect().size().expandedTo(QSize(1, 1));
  QImage out(static_cast<int>(std::ceil(logical.width() * dpr)),
             static_cast<int>(std::ceil(logical.height() * dpr)), QImage::Format_RGB32);
  out.fill(background_);
  {
    QPainter painter(&out);
    clipToImage(painter);
    paintOps(painter, dpr, 0);
  }
  out.setDevicePixelRatio(dpr);
  return out;
}

void PictureSurface::replay(QPainter& painter, qreal dpr) const {
  const QSize logical = drawingRect().size();
  painter.save();
  painter.fillRect(QRectF(0, 0, logical.width() * dpr, logical.height() * dpr), background_);
  paintOps(painter, dpr, 0);
  painter.restore();
}

void PictureSurface::setBackground(const QColor& color) {
  background_ = color;
  clear();
}

void PictureSurface::setPicture(const QImage& picture) {
  setPicture([picture](qreal dpr) {
    if (dpr == 1.0) return picture;
    return picture.scaled(picture.size() * dpr, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  });
}

void PictureSurface::setPicture(std::function<QImage(qreal)> make) {
  ensureImageSize();
  dropOps();
  image_.fill(background_);
  pictures_.push_back(std::move(make));
  record(Op{Op::Picture, 0, pictures_.size() - 1, 1});
}

void PictureSurface::drawLine(double x1, double y1, double x2, double y2, const QColor& color) {
  ensureImageSize();
  QPointF p = toPixel(x1, y1);
  QPointF q = toPixel(x2, y2);
  // Only the piece near the picture is drawn: a curve that leaves the scale
  // is cut at the edges, whatever its values.
  const QSize area = drawingRect().size().expandedTo(QSize(1, 1));
  if (!clipSegment(p, q, -4.0, -4.0, area.width() + 4.0, area.height() + 4.0)) return;
  const std::size_t first = points_.size();
  points_.push_back(p);
  points_.push_back(q);
  record(Op{Op::Lines, color.rgb(), first, 2});
}

void PictureSurface::drawPolyline(const QPolygonF& points, const QColor& color) {
  if (points.size() < 2) return;
  ensureImageSize();
  const QSize area = drawingRect().size().expandedTo(QSize(1, 1));
  const double right = area.width() + 4.0;
  const double bottom = area.height() + 4.0;
  const QRgb rgb = color.rgb();
  const std::size_t firstOp = ops_.size();
  points_.reserve(points_.size() + static_cast<std::size_t>(points.size()) + 1);
  // toPixel() with the scale read once.
  const double ux = unitsPerPixelX();
  const double uy = unitsPerPixelY();
  auto pixel = [ux, uy](QPointF user) {
    return QPointF(ux != 0.0 ? user.x() / ux : 0.0, uy != 0.0 ? user.y() / uy : 0.0);
  };
  // Each segment is cut as drawLine() cuts it; consecutive pieces that meet
  // form one chain of points.
  bool open = false;
  QPointF from = pixel(points[0]);
  for (qsizetype k = 1; k < points.size(); ++k) {
    const QPointF to = pixel(points[k]);
    QPointF p = from;
    QPointF q = to;
    from = to;
    if (!clipSegment(p, q, -4.0, -4.0, right, bottom)) {
      open = false;
      continue;
    }
    if (open && samePoint(points_.back(), p)) {
      points_.push_back(q);
      ++ops_.back().count;
      continue;
    }
    ops_.push_back(Op{Op::Lines, rgb, points_.size(), 2});
    points_.push_back(p);
    points_.push_back(q);
    open = true;
  }
  if (ops_.size() == firstOp) return;
  if (batchDepth_ == 0) {
    renderPending();
    update();
  }
}

QPolygonF PictureSurface::levelPoints(const double* v, std::int64_t first, std::int64_t last,
                                      double x0, double dx, double y0) const {
  QPolygonF out;
  if (last < first) return out;
  const QSize area = drawingRect().size().expandedTo(QSize(1, 1));
  const double right = area.width() + 4.0;
  const double bottom = area.height() + 4.0;
  const double ux = unitsPerPixelX();
  const double uy = unitsPerPixelY();
  // As drawPolyline() and paintOps() place a point: pixels of the drawing
  // area, then the device pixel at each ratio.
  auto pixelX = [ux](double x) { return ux != 0.0 ? x / ux : 0.0; };
  auto pixelY = [uy](double y) { return uy != 0.0 ? y / uy : 0.0; };
  auto xAt = [x0, dx](std::int64_t k) { return x0 + static_cast<double>(k) * dx; };
  const std::array<qreal, 5> ratios = {devicePixelRatioF(), 1.0, 1.5, 2.0, 4.0};
  using Columns = std::array<int, 5>;
  auto column = [&](std::int64_t k) {
    const double px = pixelX(xAt(k));
    Columns c;
    for (std::size_t r = 0; r < ratios.size(); ++r) c[r] = toInt(px * ratios[r]);
    return c;
  };
  // Each column ends where the next device pixel begins, at the nearest of
  // those edges.
  auto lastOf = [&](std::int64_t k, const Columns& c) {
    if (!(dx > 0) || ux == 0.0) return k;
    double edge = std::numeric_limits<double>::infinity();
    for (std::size_t r = 0; r < ratios.size(); ++r)
      edge = std::min(edge, (c[r] + 0.5) / ratios[r] * ux);
    const double steps = std::floor((edge - x0) / dx);
    if (!(steps > static_cast<double>(k))) return k;
    return steps < static_cast<double>(last) ? static_cast<std::int64_t>(steps) : last;
  };
  auto inside = [&](double px, double py) {
    return px >= -4.0 && px <= right && py >= -4.0 && py <= bottom;
  };
  out.reserve(static_cast<qsizetype>(std::min<std::int64_t>(last - first + 1, 8 * 4096)));
  forEachColumn(first, last, column, lastOf, [&](std::int64_t a, std::int64_t b) {
    const ValueRange r = b - a >= 4 ? finiteRange(v, a, b) : ValueRange{0, 0, false};
    const double xa = xAt(a);
    if (r.allFinite && inside(pixelX(xa), pixelY(y0 - r.highest)) &&
        inside(pixelX(xAt(b)), pixelY(y0 - r.lowest))) {
      // Any point of the column stands for the others' abscissa.
      out << QPointF(xa, y0 - v[a]) << QPointF(xa, y0 - r.lowest) << QPointF(xa, y0 - r.highest)
          << QPointF(xAt(b), y0 - v[b]);
      return;
    }
    for (std::int64_t k = a; k <= b; ++k) out << QPointF(xAt(k), y0 - v[k]);
  });
  return out;
}

PictureSurface::Batch::Batch(PictureSurface& surface) : surface_(surface) {
  surface_.ensureImageSize();
  ++surface_.batchDepth_;
}

PictureSurface::Batch::~Batch() {
  if (--surface_.batchDepth_ > 0) return;
  surface_.renderPending();
  surface_.update();
}

void PictureSurface::setTextPos(double x, double y) {
  currentX_ = x;
  currentY_ = y;
}

void PictureSurface::print(const QString& text) {
  ensureImageSize();
  texts_.push_back(TextOp{toPixel(currentX_, currentY_), text, font()});
  record(Op{Op::Text, foreColor_.rgb(), texts_.size() - 1, 1});
  printed_.append(text);
  printedAt_.append(QPointF(currentX_, currentY_));
  // A read-out box tells a screen reader the value it shows.
  if (property(kReadOutProperty).toBool()) setAccessibleDescription(text);
  currentX_ = 0.0;
  currentY_ = currentY_ + textHeight(text);
}

double PictureSurface::textWidth(const QString& text) const {
  return QFontMetricsF(font()).horizontalAdvance(text) * unitsPerPixelX();
}

double PictureSurface::textHeight(const QString& /*text*/) const {
  return QFontMetricsF(font()).height() * unitsPerPixelY();
}

void PictureSurface::clear() {
  ensureImageSize();
  dropOps();
  image_.fill(background_);
  printed_.clear();
  printedAt_.clear();
  currentX_ = currentY_ = 0.0;
  update();
}

QImage PictureSurface::composedImage() const {
  QImage out = image_.copy();
  QPainter painter(&out);
  for (QObject* o : children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isHidden() || w->property(kReadOutProperty).toBool()) continue;
    w->render(&painter, w->pos() - QPoint(border_, border_), QRegion(), QWidget::DrawChildren);
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
  ensureImageSize();
  painter.drawImage(QPointF(border_, border_), image_);
  if (hasFocus())
    drawFocusMark(painter, rect().adjusted(border_, border_, -border_, -border_), background());
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
  // A vertical or horizontal line fills its one-pixel-wide widget, which is
  // sharp at every device pixel ratio.
  if (width() == 1 || height() == 1) {
    painter.fillRect(rect(), color_);
    return;
  }
  painter.setPen(QPen(color_, 0));
  const QPoint origin = pos() - QPoint(surface_->border(), surface_->border());
  const QPoint p1(toInt(pixels_.x1()), toInt(pixels_.y1()));
  const QPoint p2(toInt(pixels_.x2()), toInt(pixels_.y2()));
  painter.drawLine(p1 - origin, p2 - origin);
}

}  // namespace ui
