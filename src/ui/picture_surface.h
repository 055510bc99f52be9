// A picture surface: a widget that keeps everything drawn on it in a retained
// image (also while hidden), with a user coordinate system given by its width
// and height in user units, coloured segments, text printed at a text
// position, text measurement, and child controls placed in user units above
// the drawing.
//
// Every drawing is also recorded as a list of operations in pixels of the
// drawing area, so the retained image is drawn at the window's device pixel
// ratio (and drawn again when that ratio changes) and the same drawing can be
// replayed at any other resolution.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QPainter;

namespace ui {

class PictureSurface : public QWidget {
  Q_OBJECT

 public:
  // `border` pixels of sunken frame on each side; the drawing area is inside.
  explicit PictureSurface(QWidget* parent = nullptr, int border = 0);

  // ---- user coordinates (origin at the top-left corner of the drawing area)
  // Until a scale is set one user unit is one pixel.
  void setScaleWidth(double width);
  void setScaleHeight(double height);
  double scaleWidth() const;
  double scaleHeight() const;
  void setScalePixels();  // one unit per pixel of the drawing area
  void setScaleTwips();   // fifteen units per pixel of the drawing area

  int border() const { return border_; }
  // The drawing area in the widget's own coordinates.
  QRect drawingRect() const;
  // A user point as a pixel of the drawing area (not rounded), and back.
  QPointF toPixel(double x, double y) const;
  QPointF toUser(QPointF pixel) const;
  // The whole pixel of the drawing area on which a user point falls.
  QPoint toPixelRounded(double x, double y) const;
  // A pixel coordinate rounded to its whole pixel, as toPixelRounded() does.
  static int pixelIndex(double pixel);
  double unitsPerPixelX() const;
  double unitsPerPixelY() const;

  // ---- drawing on the retained image
  void setBackground(const QColor& color);
  QColor background() const { return background_; }
  // Replaces the picture with an image (drawn at the top-left corner).
  void setPicture(const QImage& picture);
  // Replaces the picture with one made for a device pixel ratio: `make(dpr)`
  // returns the image at dpr times its size in pixels of the drawing area.
  void setPicture(std::function<QImage(qreal dpr)> make);
  // One segment, drawn on its own.
  void drawLine(double x1, double y1, double x2, double y2, const QColor& color);
  // The segments between consecutive points, drawn in one pass: the same
  // pixels as drawLine() called for each segment in turn.
  void drawPolyline(const QPolygonF& points, const QColor& color);
  // The points (x0 + k·dx, y0 − v[k]), k = first .. last, of a level
  // (dx > 0), made ready for drawPolyline(): where more than four fall on
  // one device column, at the screen's ratio and at each ratio a replay is
  // made at (1, 1.5, 2 and the export's 4), and all of them lie inside the
  // drawing, only the first, lowest, highest and last are kept. Drawn, they
  // give the pixels of every point drawn, at each of those ratios.
  QPolygonF levelPoints(const double* v, std::int64_t first, std::int64_t last, double x0,
                        double dx, double y0) const;
  void setTextPos(double x, double y);
  double currentX() const { return currentX_; }
  double currentY() const { return currentY_; }
  void setForeColor(const QColor& color) { foreColor_ = color; }
  QColor foreColor() const { return foreColor_; }
  // Prints one line with its top-left corner at the text position, in the
  // current text colour; the text position then moves to the next line.
  void print(const QString& text);
  double textWidth(const QString& text) const;
  double textHeight(const QString& text) const;
  // Fills the picture with the background and puts the text position back at
  // the top-left corner.
  void clear();

  // The retained image, in device pixels (its devicePixelRatio() is the
  // surface's); at ratio 1 one pixel per pixel of the drawing area.
  const QImage& image() const { return image_; }
  qreal imageRatio() const { return ratio_; }
  std::size_t recordedOps() const { return ops_.size(); }
  // The same drawing made afresh at any device pixel ratio (for export and
  // print), and replayed on any painter whose unit is a device pixel of that
  // ratio, from the top-left corner of the drawing area.
  QImage renderedAt(qreal dpr) const;
  void replay(QPainter& painter, qreal dpr) const;
  // The texts printed since the last clear, in order.
  QStringList printedTexts() const { return printed_; }
  // Where each of them was printed (text positions, user units).
  QList<QPointF> printedAt() const { return printedAt_; }
  // The picture with the child controls that are not read-outs (see
  // setReadOut), as "Copier l'image" copies it (ui::enableImageExport).
  QImage composedImage() const;

  // Gathers the drawings made while it lives and puts them on the picture
  // with one painter when it ends.
  class Batch {
   public:
    explicit Batch(PictureSurface& surface);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    PictureSurface& surface_;
  };

  // ---- child controls, in user units
  void placeChild(QWidget* child, double left, double top, double width, double height);
  void moveChild(QWidget* child, double left, double top);
  void resizeChild(QWidget* child, double width, double height);
  QRectF childRect(const QWidget* child) const;
  // Shows a child only where it lies over the drawing area, not over the
  // border (the placing functions do it; call it after moving one directly).
  void clipChild(QWidget* child) const;
  // A child marked as a read-out is left out of composedImage(); the text it
  // prints last is its accessible description.
  static void setReadOut(QWidget* child, bool readOut = true);

 signals:
  // The mouse moved over the drawing area (not over a child box), in user units.
  void mouseMoved(double x, double y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // User units per device-independent pixel along an axis of `pixels`
  // pixels whose user scale is `scale`.
  double unitsPerPixel(double scale, double pixels) const;
  // From pixels or twips to a scale of the user's own.
  void leaveFixedScale();
  // One recorded drawing. Lines: `count` points from points_[first], each
  // joined to the next; Text: texts_[first]; Picture: pictures_[first].
  struct Op {
    enum Kind : unsigned char { Lines, Text, Picture } kind;
    QRgb color;
    std::size_t first;
    std::size_t count;
  };
  struct TextOp {
    QPointF at;  // pixels of the drawing area
    QString text;
    QFont font;
  };
  void record(const Op& op);
  // Replaces the recorded operations by the picture they have made.
  void flattenOps();
  static constexpr std::size_t kMaxOps = 1 << 16;
  static constexpr std::size_t kMaxPoints = std::size_t{1} << 23;
  // Forgets every recorded operation (the picture is then the background).
  void dropOps();
  // Draws ops [from, ops_.size()) on `device` (one unit = one device pixel).
  void paintOps(QPainter& device, qreal dpr, std::size_t from) const;
  void renderPending();
  // Allocates the picture for the current size and ratio and draws every
  // recorded operation on it again when either has changed.
  void ensureImageSize();

  int border_ = 0;
  double scaleWidth_ = 0;
  double scaleHeight_ = 0;
  bool pixelScale_ = true;
  bool twipScale_ = false;
  QColor background_ = Qt::white;
  QColor foreColor_ = Qt::black;
  double currentX_ = 0;
  double currentY_ = 0;
  QImage image_;
  qreal ratio_ = 1.0;
  QStringList printed_;
  QList<QPointF> printedAt_;
  std::vector<Op> ops_;
  std::vector<QPointF> points_;
  std::vector<TextOp> texts_;
  std::vector<std::function<QImage(qreal)>> pictures_;
  std::size_t rendered_ = 0;  // ops already on the picture
  int batchDepth_ = 0;
};

// How a segment in pixels of a drawing area lands on a device of ratio
// `dpr`: its ends on whole device pixels and the pen that draws it one pixel
// of the drawing area wide. Drawing the segments one by one with these is
// the reference that PictureSurface::drawPolyline() matches pixel for pixel.
QLineF deviceSegment(QPointF p, QPointF q, qreal dpr);
QPen devicePen(const QColor& color, qreal dpr);

// A line control on a surface; its ends are set and read in the surface's
// user units and keep their pixel place when the scale changes.
class SurfaceLine : public QWidget {
  Q_OBJECT

 public:
  explicit SurfaceLine(PictureSurface* surface);
  void setEnds(double x1, double y1, double x2, double y2);
  QLineF ends() const;  // user units
  QLineF pixelEnds() const { return pixels_; }
  void setColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void updateGeometryFromEnds();

  PictureSurface* surface_;
  QLineF pixels_;
  QColor color_ = Qt::black;
};

}  // namespace ui
