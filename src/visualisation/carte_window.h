// FrmCarte, "Carte espace–temps": the whole solution table as one image, x
// across and t upward, the value as a colour on a palette symmetric about 0,
// linear or signed logarithmic, with its colour bar and a mouse read-out.
// Reads the shared state and the journal; writes nothing.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

#include "visualisation/plot_tools.h"
#include "visualisation/table_window.h"

class QCheckBox;
class QLabel;
class QRadioButton;

namespace vis {
class RenderSurface;

// The table reduced to at most `columns` x `rows` cells: each cell holds the
// entry of largest magnitude among those it covers (NaN when it covers no
// computed entry), so that an isolated blow-up always shows. Row 0 is level 0.
struct ReducedMap {
  std::int64_t columns = 0, rows = 0;
  std::vector<double> values;
  double maxAbs = 0;  // largest finite magnitude
  double at(std::int64_t c, std::int64_t r) const {
    return values[static_cast<std::size_t>(r * columns + c)];
  }
};
// Levels 0 .. levels - 1 of `level(n)` (pointers to x_1 .. x_N).
ReducedMap reduceTable(const core::Table2& table, std::int64_t levels, std::int64_t points,
                       std::int64_t columns, std::int64_t rows);

// Position of a value on the palette, in [-1, 1]: v / M, or with the signed
// logarithm sign(v) log(1 + |v|/c) / log(1 + M/c), c = M 1e-6.
double paletteParameter(double v, double maxAbs, bool logarithmic);
}  // namespace vis

class MapWindow : public vis::TableWindow {
  Q_OBJECT

 public:
  explicit MapWindow(QWidget* parent = nullptr);

  void render(QPainter& painter, const QRectF& target) const;

  // The image area inside `target`.
  QRectF mapArea(const QRectF& target) const;
  vis::RenderSurface* surface() const { return surface_; }
  // The read-out for a point of the surface; empty outside the map.
  QString readOut(QPointF position) const;

 public slots:
  void synchronise() override;

 private:
  // Reduced map and image for an area of `size` device pixels.
  const QImage& image(QSize size) const;

  mutable vis::ReducedMap reduced_;
  mutable vis::TableIdentity reducedFor_;
  mutable QImage image_;
  mutable bool imageLog_ = false;
  mutable bool cacheValid_ = false;

  QCheckBox* checkLog_ = nullptr;
  QLabel* readOutLabel_ = nullptr;
  vis::RenderSurface* surface_ = nullptr;
};
