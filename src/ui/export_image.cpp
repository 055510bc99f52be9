#include "ui/export_image.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
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
#include "ui/picture_surface.h"

namespace ui {

// ------------------------------------------------------------------ record

void DrawingRecord::clear(const QColor& background) {
  background_ = background;
  ops_.clear();
  points_.clear();
  texts_.clear();
  pictures_.clear();
  complete_ = true;
}

void DrawingRecord::picture(const QImage& image) {
  clear(background_);
  ops_.push_back({Kind::Picture, 0, pictures_.size(), 0});
  pictures_.push_back(image);
}

void DrawingRecord::line(QPointF p, QPointF q, const QColor& color) {
  if (!complete_) return;
  if (points_.size() + 2 > kMaxPoints) {
    // Past this size the drawing is saved from the surface's own picture.
    complete_ = false;
    return;
  }
  const QRgb rgb = color.rgba();
  if (!ops_.empty()) {
    Op& last = ops_.back();
    if (last.kind == Kind::Polyline && last.color == rgb && last.first + last.count == points_.size() &&
        points_.back() == p) {
      points_.push_back(q);
      ++last.count;
      return;
    }
  }
  ops_.push_back({Kind::Polyline, rgb, points_.size(), 2});
  points_.push_back(p);
  points_.push_back(q);
}

void DrawingRecord::text(QPointF baseline, const QString& text, const QFont& font,
                         const QColor& color) {
  // In pixels: a size in points would grow again with the file's resolution.
  QFont f(font);
  f.setPixelSize(std::max(1, QFontInfo(font).pixelSize()));
  ops_.push_back({Kind::Text, color.rgba(), texts_.size(), 0});
  texts_.push_back({baseline, text, f});
}

void DrawingRecord::replay(QPainter& painter) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  for (const Op& op : ops_) {
    switch (op.kind) {
      case Kind::Polyline: {
        // One logical pixel wide, through the centres of the screen's pixels.
        QPen pen(QColor::fromRgba(op.color), 1.0);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.save();
        painter.translate(0.5, 0.5);
        painter.drawPolyline(points_.data() + op.first, static_cast<int>(op.count));
        painter.restore();
        break;
      }
      case Kind::Text: {
        const TextItem& t = texts_[op.first];
        painter.setFont(t.font);
        painter.setPen(QColor::fromRgba(op.color));
        painter.drawText(t.baseline, t.text);
        break;
      }
      case Kind::Picture:
        painter.drawImage(QPointF(0, 0), pictures_[op.first]);
        break;
    }
  }
  painter.restore();
}

// -------------------------------------------------------------------- files

namespace {

PrintDialogProvider& printProvider() {
  static PrintDialogProvider p;
  return p;
}

bool paintOn(QPaintDevice& device, double scale, const QSize& size, const DrawingPaint& paint) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
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
      const int dotsPerMetre = qRound(kPngScale * 96 / 0.0254);
      image.setDotsPerMeterX(dotsPerMetre);
      image.setDotsPerMeterY(dotsPerMetre);
      drawn = paintOn(image, kPngScale, size, paint);
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
      constexpr int kDpi = 1200;
      QPdfWriter pdf(&file);
      pdf.setCreator(QStringLiteral("Orvalend"));
      pdf.setResolution(kDpi);
      // One page the size of the drawing (a logical pixel is 3/4 point).
      pdf.setPageSize(QPageSize(QSizeF(size) * 0.75, QPageSize::Point, QString(),
                                QPageSize::ExactMatch));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      drawn = paintOn(pdf, kDpi / 96.0, size, paint);
      break;
    }
  }
  if (!drawn || file.error() != QFileDevice::NoError) {
    const QString reason = file.error() != QFileDevice::NoError
                               ? frenchFileError(file)
                               : QStringLiteral("le dessin n'a pas pu être préparé");
    file.cancelWriting();
    return reason;
  }
  if (!file.commit()) return frenchFileError(file);
  return {};
}

bool printDrawing(QPrinter& printer, const QSize& size, const DrawingPaint& paint) {
  if (size.isEmpty()) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QSizeF area = printer.pageRect(QPrinter::DevicePixel).size();
  const double scale = std::min(area.width() / size.width(), area.height() / size.height());
  painter.translate((area.width() - size.width() * scale) / 2, 0);
  painter.scale(scale, scale);
  painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(size)));
  paint(painter, size);
  return painter.end();
}

void saveImageAs(QWidget* parent, const QSize& size, const DrawingPaint& paint) {
  QString filter;
  const QString name = askSaveFileName(
      parent, QStringLiteral("Enregistrer l'image sous"),
      {QStringLiteral("Image PNG (*.png)"), QStringLiteral("Image SVG (*.svg)"),
       QStringLiteral("Document PDF (*.pdf)")},
      &filter);
  if (name.isEmpty()) return;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const QString reason = saveImage(size, paint, name, formatOf(name, filter));
  QGuiApplication::restoreOverrideCursor();
  if (!reason.isEmpty()) {
    showMessage(parent, QStringLiteral("L'image « %1 » n'a pas pu être enregistrée : %2.\n"
                                       "Le dessin reste affiché tel quel.")
                            .arg(QDir::toNativeSeparators(name), reason));
  }
}

void setPrintDialogProvider(PrintDialogProvider provider) { printProvider() = std::move(provider); }

void printImage(QWidget* parent, const QSize& size, const DrawingPaint& paint) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QStringLiteral("Orvalend"));
  bool accepted = false;
  if (printProvider()) {
    accepted = printProvider()(parent, printer);
  } else {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Imprimer"));
    accepted = dialog.exec() == QDialog::Accepted;
  }
  if (!accepted) return;
  if (!printDrawing(printer, size, paint)) {
    showMessage(parent, QStringLiteral("L'impression n'a pas pu être lancée : vérifiez l'imprimante choisie.\n"
                                       "Le dessin reste affiché tel quel."));
  }
}

// ------------------------------------------------------------------ hooks

void enableImageExport(QWidget* widget, DrawingPaint paint, std::function<QSize()> size) {
  if (!paint) {
    paint = [widget](QPainter& painter, const QSize&) {
      widget->render(&painter, QPoint(), QRegion(),
                     QWidget::DrawWindowBackground | QWidget::DrawChildren);
    };
  }
  if (!size) size = [widget] { return widget->size(); };
  auto* save = new QAction(QStringLiteral("Enregistrer l'image sous…"), widget);
  save->setObjectName(QStringLiteral("actEnregistrerImage"));
  QObject::connect(save, &QAction::triggered, widget,
                   [widget, paint, size] { saveImageAs(widget, size(), paint); });
  auto* print = new QAction(QStringLiteral("Imprimer…"), widget);
  print->setObjectName(QStringLiteral("actImprimer"));
  QObject::connect(print, &QAction::triggered, widget,
                   [widget, paint, size] { printImage(widget, size(), paint); });
  widget->addAction(save);
  widget->addAction(print);
  widget->setContextMenuPolicy(Qt::ActionsContextMenu);
}

namespace {

// A surface that keeps its own record of operations replays it itself; one
// that does not gets a DrawingRecord through its record hook. Written as
// templates so that either form of the surface compiles.
template <class Surface>
concept ReplaysItself = requires(const Surface& s, QPainter& p) { s.replay(p, qreal(1)); };

template <class Surface>
DrawingRecord* attachRecord(Surface& surface) {
  if constexpr (ReplaysItself<Surface>) {
    return nullptr;
  } else {
    auto* record = new DrawingRecord(&surface);
    record->clear(surface.background());
    surface.setRecord(record);
    return record;
  }
}

template <class Surface>
void paintSurface(const Surface& surface, const DrawingRecord* record, QPainter& painter) {
  if constexpr (ReplaysItself<Surface>) {
    // The surface replays in device pixels of a ratio: take the painter's
    // scale (at least 4, so that vector files keep quarter pixels).
    const qreal scale = std::max<qreal>(4.0, painter.worldTransform().m11());
    painter.save();
    painter.scale(1.0 / scale, 1.0 / scale);
    surface.replay(painter, scale);
    painter.restore();
  } else if (record && record->complete()) {
    record->replay(painter);
  } else {
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(surface.drawingRect().size())), surface.image());
  }
}

}  // namespace

void enableImageExport(PictureSurface* surface) {
  DrawingRecord* record = attachRecord(*surface);
  const DrawingPaint paint = [surface, record](QPainter& painter, const QSize& size) {
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), surface->background());
    paintSurface(*surface, record, painter);
    // The child controls that belong to the drawing (not the read-outs).
    const QPoint border(surface->border(), surface->border());
    for (QObject* o : surface->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (!w || w->isHidden() || w->property("orvReadOut").toBool()) continue;
      w->render(&painter, w->pos() - border, QRegion(),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
  };
  enableImageExport(surface, paint, [surface] { return surface->drawingRect().size(); });
}

}  // namespace ui
