#include "core/report/SurfacePicture.h"

#include <algorithm>

#include "core/format/SurfaceCells.h"
#include "core/format/SurfaceGeometry.h"

namespace {

constexpr std::uint32_t kBackgroundRgb = 0xFFFFFF;
constexpr std::int32_t kMapBlockSizes[] = {1, 5, 10, 50, 100};

void PaintCell(RgbImage& image, const CellRect& cell, std::uint8_t flags) {
  for (int y = cell.top; y < cell.bottom && y < image.height; ++y)
    for (int x = cell.left; x < cell.right && x < image.width; ++x)
      image.At(x, y) = CellPixel(flags, false, x - cell.left, y - cell.top);
}

}  // namespace

SurfacePicture DrawSurfacePicture(const std::vector<std::uint8_t>& table, int width, int maxRows) {
  SurfaceGeometry grid;
  grid.UpdateLayout(width, SurfaceGeometry::kCellHeight + 2 * SurfaceGeometry::kSpacing);
  const std::int64_t perRow = std::max(1, grid.DrawnCellsPerRow());
  const std::int64_t fits = perRow * std::max(1, maxRows);
  const auto sectors = static_cast<std::int64_t>(table.size());

  SurfacePicture picture;
  picture.sectorsPerBlock =
      static_cast<std::int32_t>(std::max<std::int64_t>(1, (sectors + fits - 1) / fits));
  for (const std::int32_t size : kMapBlockSizes)
    if ((sectors + size - 1) / size <= fits) {
      picture.sectorsPerBlock = size;
      break;
    }
  grid.SetSectorsPerBlock(picture.sectorsPerBlock);
  const std::int32_t blocks = SurfaceGeometry::BlocksFor(table.size(), picture.sectorsPerBlock);
  grid.SetBlockCount(blocks);
  const int rows = static_cast<int>((blocks + perRow - 1) / perRow);
  const int height = 2 * SurfaceGeometry::kSpacing +
                     rows * (SurfaceGeometry::kCellHeight + SurfaceGeometry::kSpacing) -
                     (rows > 0 ? SurfaceGeometry::kSpacing : 0);
  grid.UpdateLayout(width, height);

  picture.image = RgbImage(width, std::max(height, 2 * SurfaceGeometry::kSpacing), kBackgroundRgb);
  for (std::int32_t block = 0; block < blocks; ++block) {
    const std::size_t first =
        static_cast<std::size_t>(block) * static_cast<std::size_t>(picture.sectorsPerBlock);
    const std::size_t end =
        std::min(table.size(), first + static_cast<std::size_t>(picture.sectorsPerBlock));
    std::uint8_t flags = 0;
    for (std::size_t sector = first; sector < end; ++sector) flags |= BlockFlagOf(table[sector]);
    PaintCell(picture.image, grid.Cell(block), flags);
  }
  return picture;
}

RgbImage DrawCell(std::uint8_t flags) {
  RgbImage cell(SurfaceGeometry::kCellWidth, SurfaceGeometry::kCellHeight, kBackgroundRgb);
  PaintCell(cell, {0, 0, SurfaceGeometry::kCellWidth, SurfaceGeometry::kCellHeight}, flags);
  return cell;
}
