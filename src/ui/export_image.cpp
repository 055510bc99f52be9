#include "ui/export_image.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QVariant>
#include <algorithm>

#include "ui/export_csv.h"
#include "ui/message.h"
#include "ui/number_text.h"
#include "ui/picture_surface.h"

namespace ui {

// -------------------------------------------------------------------- files

namespace {

PrintDialogProvider& printProvider() {
  static PrintDialogProvider p;
  return p;
}

// The drawing of logical size `size` on `device`, moved by `offset` device
// units and scaled by `scale`, clipped to its own area.
bool paintOn(QPaintDevice& device, double scale, const QSize& size, const DrawingPaint& paint,
             QPointF offset = {}) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  if (!offset.isNull()) painter.translate(offset);
  painter.scale(scale, scale);
  painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(size)));
  paint(painter, size);
  return painter.end();
}

ImageFormat formatOf(const QString& fileName, const QString& filter) {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  const QString from = suffix == QLatin1String("svg") || suffix == QLatin1String("pdf") ||
                               suffix == QLatin1String("png")
                           ? suffix
                           : filter.toLower();
  if (from.contains(QLatin1String("svg"))) return ImageFormat::Svg;
  if (from.contains(QLatin1String("pdf"))) return ImageFormat::Pdf;
  return ImageFormat::Png;
}

}  // namespace

QString saveImage(const QSize& size, const DrawingPaint& paint, const QString& fileName,
                  ImageFormat format) {
  if (size.isEmpty()) return QStringLiteral("le dessin est vide");
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) return frenchFileError(file);
  bool drawn = false;
  switch (format) {
    case ImageFormat::Png: {
      QImage image(size * kPngScale, QImage::Format_ARGB32_Premultiplied);
      if (image.isNull()) {
        file.cancelWriting();
        return QStringLiteral("la mémoire manque pour préparer l'image");
      }
      image.fill(Qt::white);
      // Drawn at 96 dots per inch and scaled by the painter, so that fonts
      // given in points grow with the drawing; the file then says 384.
      drawn = paintOn(image, kPngScale, size, paint);
      const int dotsPerMetre = qRound(kPngScale * 96 / 0.0254);
      image.setDotsPerMeterX(dotsPerMetre);
      image.setDotsPerMeterY(dotsPerMetre);
      if (drawn) {
        QImageWriter writer(&file, "png");
        drawn = writer.write(image);
      }
      break;
    }
    case ImageFormat::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&file);
      svg.setSize(size);
      svg.setViewBox(QRect(QPoint(0, 0), size));
      svg.setResolution(96);
      svg.setTitle(QStringLiteral("Orvalend"));
      drawn = paintOn(svg, 1.0, size, paint);
      break;
    }
    case ImageFormat::Pdf: {
      // Vector output: the resolution only sets the unit of the page, kept
      // at 96 per inch so that fonts in points keep their size.
      constexpr int kDpi = 96;
      QPdfWriter pdf(&file);
      pdf.setCreator(QStringLiteral("Orvalend"));
      pdf.setResolution(kDpi);
      // One page the size of the drawing (a logical pixel is 3/4 point).
      pdf.setPageSize(
          QPageSize(QSizeF(size) * 0.75, QPageSize::Point, QString(), QPageSize::ExactMatch));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      drawn = paintOn(pdf, kDpi / 96.0, size, paint);
      break;
    }
  }
  return finishSave(file, drawn, QStringLiteral("le dessin n'a pas pu être préparé"));
}

bool printDrawing(QPrinter& printer, const QSize& size, const DrawingPaint& paint) {
  if (size.isEmpty()) return false;
  const QSizeF area = printer.pageRect(QPrinter::DevicePixel).size();
  const double scale = std::min(area.width() / size.width(), area.height() / size.height());
  return paintOn(printer, scale, size, paint, {(area.width() - size.width() * scale) / 2, 0});
}

QImage drawnImage(const QSize& size, qreal dpr, const DrawingPaint& paint, QImage::Format format) {
  QImage image(size * dpr, format);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(size)));
    paint(painter, size);
  }
  return image;
}

void saveImageAs(QWidget* parent, const QSize& size, const DrawingPaint& paint) {
  QString filter;
  const QString name =
      askSaveFileName(parent, QStringLiteral("Enregistrer l'image sous"),
                      {QStringLiteral("Image PNG (*.png)"), QStringLiteral("Image SVG (*.svg)"),
                       QStringLiteral("Document PDF (*.pdf)")},
                      &filter);
  if (name.isEmpty()) return;
  writeOrSay(
      parent, name, [&] { return saveImage(size, paint, name, formatOf(name, filter)); },
      core::fail::imageNotSaved);
}

void setPrintDialogProvider(PrintDialogProvider provider) { printProvider() = std::move(provider); }

void printImage(QWidget* parent, const QSize& size, const DrawingPaint& paint) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QStringLiteral("Orvalend"));
  // The drawing is scaled by the painter; a page unit of 1/96 inch keeps
  // fonts in points at their size (the output stays vector).
  printer.setResolution(96);
  bool accepted = false;
  if (printProvider()) {
    accepted = printProvider()(parent, printer);
  } else {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Imprimer"));
    accepted = dialog.exec() == QDialog::Accepted;
  }
  if (!accepted) return;
  printer.setResolution(96);
  if (!printDrawing(printer, size, paint)) {
    showFailure(parent, core::fail::printFailed());
  }
}

// ------------------------------------------------------------------ hooks

namespace {

QAction* addAction(QWidget* widget, const QString& text, const char* name,
                   std::function<void()> run) {
  auto* action = new QAction(text, widget);
  action->setObjectName(QLatin1String(name));
  QObject::connect(action, &QAction::triggered, widget, std::move(run));
  widget->addAction(action);
  return action;
}

void addDrawingMenu(QWidget* widget, const DrawingPaint& paint, const std::function<QSize()>& size,
                    std::function<QImage()> copied) {
  addAction(widget, QStringLiteral("Copier l'image"), "actCopierImage", [copied] {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setImage(copied());
  });
  addAction(widget, QStringLiteral("Enregistrer l'image sous…"), "actEnregistrerImage",
            [widget, paint, size] { saveImageAs(widget, size(), paint); });
  addAction(widget, QStringLiteral("Imprimer…"), "actImprimer",
            [widget, paint, size] { printImage(widget, size(), paint); });
  widget->setContextMenuPolicy(Qt::ActionsContextMenu);
}

}  // namespace

void enableImageExport(QWidget* widget, DrawingPaint paint, std::function<QSize()> size) {
  if (!paint) {
    paint = [widget](QPainter& painter, const QSize&) {
      widget->render(&painter, QPoint(), QRegion(),
                     QWidget::DrawWindowBackground | QWidget::DrawChildren);
    };
  }
  if (!size) size = [widget] { return widget->size(); };
  // The copy: the drawing at the screen's device pixel ratio, as it shows.
  auto copied = [widget, paint, size] {
    return drawnImage(size(), widget->devicePixelRatioF(), paint);
  };
  addDrawingMenu(widget, paint, size, copied);
}

void enableImageExport(PictureSurface* surface) {
  const DrawingPaint paint = [surface](QPainter& painter, const QSize& size) {
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), surface->background());
    // The surface replays in device pixels of a ratio: the painter's scale,
    // at least 4 so that vector files keep quarter pixels.
    const qreal scale = std::max<qreal>(4.0, painter.worldTransform().m11());
    painter.save();
    painter.scale(1.0 / scale, 1.0 / scale);
    surface->replay(painter, scale);
    painter.restore();
    // The child controls that belong to the drawing (not the read-outs).
    const QPoint border(surface->border(), surface->border());
    for (QObject* o : surface->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (!w || w->isHidden() || w->property("orvReadOut").toBool()) continue;
      w->render(&painter, w->pos() - border, QRegion(),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
  };
  addDrawingMenu(
      surface, paint, [surface] { return surface->drawingRect().size(); },
      [surface] { return surface->composedImage(); });
}

}  // namespace ui
