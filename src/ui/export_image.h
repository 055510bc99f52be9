// Image export and printing of the program's drawings. A drawing is given
// as a function that paints it onto any QPainter in its logical pixels, so a
// PNG, an SVG, a PDF page or a printed sheet is drawn again at its own
// resolution instead of being copied from the screen.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

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
// The drawing on white at `dpr` device pixels per logical pixel, clipped to
// its own area.
QImage drawnImage(const QSize& size, qreal dpr, const DrawingPaint& paint,
                  QImage::Format format = QImage::Format_ARGB32_Premultiplied);
// Paints the drawing centred on the printer's page, as large as fits.
bool printDrawing(QPrinter& printer, const QSize& size, const DrawingPaint& paint);

// "Enregistrer l'image sous…": asks for the file (PNG, SVG or PDF), writes it,
// reports a failure in a message box.
void saveImageAs(QWidget* parent, const QSize& size, const DrawingPaint& paint);
// "Imprimer…": the print dialog, then the drawing on one page.
void printImage(QWidget* parent, const QSize& size, const DrawingPaint& paint);

// The context menu of every drawing: "Copier l'image" (actCopierImage, the
// drawing at the screen's resolution on the clipboard), "Enregistrer l'image
// sous…" (actEnregistrerImage) and "Imprimer…" (actImprimer), added to the
// widget's actions. The one call a drawing makes: without `paint` the widget
// is drawn again through QWidget::render at each resolution (vector output
// for SVG and PDF when the widget paints with QPainter). `size` defaults to
// the widget's.
void enableImageExport(QWidget* widget, DrawingPaint paint = {}, std::function<QSize()> size = {});
// The same for a picture surface: the copy is its retained picture, the
// files and prints are replayed from the surface's own record; both with the
// child controls that are not read-outs.
void enableImageExport(PictureSurface* surface);

// How the program asks the printer's settings: the standard print dialog,
// unless a test supplies the answer (true: print).
using PrintDialogProvider = std::function<bool(QWidget*, QPrinter&)>;
void setPrintDialogProvider(PrintDialogProvider provider);

}  // namespace ui
