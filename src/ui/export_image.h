// Image export and printing of the program's drawings. A drawing is given
// as a function that paints it onto any QPainter in its logical pixels, so a
// PNG, an SVG, a PDF page or a printed sheet is drawn again at its own
// resolution instead of being copied from the screen.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QSize>
#include <QString>
#include <cstddef>
#include <functional>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

namespace ui {

class PictureSurface;

// Paints a drawing of logical size `size` (pixels at 96 dots per inch) onto
// a painter whose coordinates are those logical pixels.
using DrawingPaint = std::function<void(QPainter& painter, const QSize& size)>;

enum class ImageFormat { Png, Svg, Pdf };

// Pixels of a PNG file per logical pixel: 4 × 96 = 384 dots per inch.
constexpr int kPngScale = 4;

// Writes the drawing to `fileName` in `format` (through a save file, so an
// earlier file is replaced only by a complete one). Returns an empty text on
// success, else the French reason.
QString saveImage(const QSize& size, const DrawingPaint& paint, const QString& fileName,
                  ImageFormat format);
// Paints the drawing centred on the printer's page, as large as fits.
bool printDrawing(QPrinter& printer, const QSize& size, const DrawingPaint& paint);

// "Enregistrer l'image sous…": asks for the file (PNG, SVG or PDF), writes it,
// reports a failure in a message box.
void saveImageAs(QWidget* parent, const QSize& size, const DrawingPaint& paint);
// "Imprimer…": the print dialog, then the drawing on one page.
void printImage(QWidget* parent, const QSize& size, const DrawingPaint& paint);

// Adds "Enregistrer l'image sous…" (actEnregistrerImage) and "Imprimer…"
// (actImprimer) to the widget's context menu (its actions). The one call a
// drawing window makes: without `paint` the widget is drawn again through
// QWidget::render at the export's resolution (vector output for SVG and
// PDF when the widget paints with QPainter). `size` defaults to the widget's.
void enableImageExport(QWidget* widget, DrawingPaint paint = {},
                       std::function<QSize()> size = {});
// The same for a picture surface: records what is drawn on it from now on
// and replays it, with the child controls that are not read-outs.
void enableImageExport(PictureSurface* surface);

// How the program asks the printer's settings: the standard print dialog,
// unless a test supplies the answer (true: print).
using PrintDialogProvider = std::function<bool(QWidget*, QPrinter&)>;
void setPrintDialogProvider(PrintDialogProvider provider);

// What a picture surface drew, in the drawing area's logical pixels, kept
// to be drawn again at any resolution. Consecutive segments of one colour
// that join end to end are kept as one polyline.
class DrawingRecord : public QObject {
  Q_OBJECT

 public:
  explicit DrawingRecord(QObject* parent = nullptr) : QObject(parent) {}

  void clear(const QColor& background);
  void picture(const QImage& image);
  void line(QPointF p, QPointF q, const QColor& color);
  // `baseline` is the left end of the text's base line.
  void text(QPointF baseline, const QString& text, const QFont& font, const QColor& color);

  void replay(QPainter& painter) const;
  // False once the drawing held more points than the record keeps; the
  // export then falls back to the surface's picture.
  bool complete() const { return complete_; }
  std::size_t points() const { return points_.size(); }

  // Points kept at most (16 bytes each).
  static constexpr std::size_t kMaxPoints = std::size_t{1} << 23;

 private:
  enum class Kind { Polyline, Text, Picture };
  struct Op {
    Kind kind;
    QRgb color;
    std::size_t first;  // into points_, texts_ or pictures_
    std::size_t count;  // points of a polyline
  };
  struct TextItem {
    QPointF baseline;
    QString text;
    QFont font;
  };

  QColor background_ = Qt::white;
  std::vector<Op> ops_;
  std::vector<QPointF> points_;
  std::vector<TextItem> texts_;
  std::vector<QImage> pictures_;
  bool complete_ = true;
};

}  // namespace ui
