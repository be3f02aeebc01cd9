#include "gui/controls/SurfaceTiles.h"

#include <QApplication>
#include <QPalette>
#include <array>

#include "core/format/SurfaceGeometry.h"

namespace {

constexpr int kWidth = SurfaceGeometry::kCellWidth;
constexpr int kHeight = SurfaceGeometry::kCellHeight;

QImage Tile(std::uint8_t flags, bool highlighted) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      image.setPixel(x, y, 0xFF000000u | CellPixel(flags, highlighted, x, y));
  return image;
}

struct Shared {
  QRgb background;
  // By flags, plus kBlockFlagCombinations when highlighted.
  std::array<QImage, 2 * kBlockFlagCombinations> tiles;
};

const Shared& Objects() {
  static const Shared objects = [] {
    Shared made;
    made.background = QApplication::palette().color(QPalette::Base).rgb();
    for (std::uint8_t flags = 0; flags < kBlockFlagCombinations; ++flags) {
      made.tiles[flags] = Tile(flags, false);
      made.tiles[flags + kBlockFlagCombinations] = Tile(flags, true);
    }
    return made;
  }();
  return objects;
}

}  // namespace

void CreateSharedBrushes() { Objects(); }

QRgb SurfaceBackground() { return Objects().background; }

const QImage& CellTile(std::uint8_t flags, bool highlighted) {
  return Objects()
      .tiles[(flags % kBlockFlagCombinations) + (highlighted ? kBlockFlagCombinations : 0u)];
}
