// A picture surface: a widget that keeps everything drawn on it in a retained
// image (also while hidden), with a user coordinate system given by its width
// and height in user units, coloured segments, text printed at a text
// position, text measurement, and child controls placed in user units above
// the drawing.
#pragma once

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QStringList>
#include <QWidget>

class QAction;
class QPainter;

namespace ui {

class DrawingRecord;

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
  double unitsPerPixelX() const;
  double unitsPerPixelY() const;

  // ---- drawing on the retained image
  void setBackground(const QColor& color);
  QColor background() const { return background_; }
  // Replaces the picture with an image (drawn at the top-left corner).
  void setPicture(const QImage& picture);
  void drawLine(double x1, double y1, double x2, double y2, const QColor& color);
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

  const QImage& image() const { return image_; }
  // The texts printed since the last clear, in order.
  QStringList printedTexts() const { return printed_; }
  // Where each of them was printed (text positions, user units).
  QList<QPointF> printedAt() const { return printedAt_; }
  // The picture with the child controls that are not read-outs (see
  // setReadOut), as the context menu copies it.
  QImage composedImage() const;

  // Keeps one painter open on the picture while it lives, and skips a
  // segment that repeats the one just drawn, so a curve of millions of
  // points is drawn in one pass.
  class Batch {
   public:
    explicit Batch(PictureSurface& surface);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    PictureSurface& surface_;
    bool owner_ = false;
  };

  // ---- child controls, in user units
  void placeChild(QWidget* child, double left, double top, double width, double height);
  void moveChild(QWidget* child, double left, double top);
  void resizeChild(QWidget* child, double width, double height);
  QRectF childRect(const QWidget* child) const;
  // Shows a child only where it lies over the drawing area, not over the
  // border (the placing functions do it; call it after moving one directly).
  void clipChild(QWidget* child) const;
  // A child marked as a read-out is left out of composedImage().
  static void setReadOut(QWidget* child, bool readOut = true);

  // A context menu "Copier l'image" that puts composedImage() on the clipboard.
  void enableCopyMenu();
  void copyToClipboard() const;

  // What is drawn from now on is also kept here, to be drawn again at any
  // resolution (export_image.h).
  void setRecord(DrawingRecord* record) { record_ = record; }

 signals:
  // The mouse moved over the drawing area (not over a child box), in user units.
  void mouseMoved(double x, double y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
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
  QStringList printed_;
  QList<QPointF> printedAt_;
  QPainter* batchPainter_ = nullptr;
  DrawingRecord* record_ = nullptr;
  QLine lastSegment_;
  QRgb lastColor_ = 0;
};

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
