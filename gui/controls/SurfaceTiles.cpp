#include "gui/controls/SurfaceTiles.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPolygon>
#include <array>

#include "core/format/SurfaceGeometry.h"

namespace {

constexpr int kWidth = SurfaceGeometry::kCellWidth;
constexpr int kHeight = SurfaceGeometry::kCellHeight;

// An 8 x 8 fill of `base` with the triangle (0, 0), (8, 0), (0, 8) in
// `corner`, filled without an outline as the painter fills polygons.
QImage Pattern(QRgb base, QRgb corner) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(base);
  QPainter painter(&image);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(corner));
  painter.drawPolygon(QPolygon({QPoint(0, 0), QPoint(kWidth, 0), QPoint(0, kHeight)}));
  return image;
}

QImage Solid(QRgb color) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

// The fill of each set of block flags.
QImage Fill(std::uint8_t flags) {
  switch (flags) {
    case 1:
      return Solid(kGoodColor);
    case 2:
      return Solid(kProblemColor);
    case 3:
      return Pattern(kGoodColor, kProblemColor);
    case 4:
      return Solid(kErrorColor);
    case 5:
      return Pattern(kGoodColor, kErrorColor);
    case 6:
    case 7:
      return Pattern(kProblemColor, kErrorColor);
    default:
      return Solid(kNotCheckedColor);
  }
}

// The fill inside a ring `width` pixels wide of `ring` colour.
QImage Framed(const QImage& fill, int width, QRgb ring) {
  QImage cell = fill;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (x < width || y < width || x >= kWidth - width || y >= kHeight - width)
        cell.setPixel(x, y, ring);
  return cell;
}

struct Shared {
  QRgb background;
  std::array<QImage, 16> tiles;  // by flags, plus 8 when highlighted
};

const Shared& Objects() {
  static const Shared objects = [] {
    Shared made;
    made.background = QApplication::palette().color(QPalette::Base).rgb();
    for (std::uint8_t flags = 0; flags < 8; ++flags) {
      const QImage fill = Fill(flags);
      made.tiles[flags] = Framed(fill, 1, kCellOutlineColor);
      made.tiles[flags + 8u] = Framed(fill, 2, kHighlightColor);
    }
    return made;
  }();
  return objects;
}

}  // namespace

void CreateSharedBrushes() { Objects(); }

QRgb SurfaceBackground() { return Objects().background; }

const QImage& CellTile(std::uint8_t flags, bool highlighted) {
  return Objects().tiles[(flags & 7u) + (highlighted ? 8u : 0u)];
}
