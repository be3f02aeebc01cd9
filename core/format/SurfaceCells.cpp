#include "core/format/SurfaceCells.h"

#include <utility>

#include "core/format/SurfaceGeometry.h"
#include "core/scan/ISectorScannerCallback.h"

namespace {

constexpr int kWidth = SurfaceGeometry::kCellWidth;
constexpr int kHeight = SurfaceGeometry::kCellHeight;

struct Fill {
  std::uint32_t base;
  std::uint32_t corner;  // the upper-left triangle
};

// The flags from best to worst, with their colours.
constexpr std::pair<std::uint8_t, std::uint32_t> kByRank[] = {
    {kBlockGood, kGoodRgb},
    {kBlockProblem, kProblemRgb},
    {kBlockDiffers, kDiffersRgb},
    {kBlockError, kErrorRgb},
};

Fill FillOf(std::uint8_t flags) {
  Fill fill{kNotCheckedRgb, kNotCheckedRgb};
  bool any = false;
  for (const auto& [flag, rgb] : kByRank) {
    if ((flags & flag) == 0) continue;
    // The worst so far moves to the base as a worse one takes the corner.
    fill.base = any ? fill.corner : rgb;
    fill.corner = rgb;
    any = true;
  }
  return fill;
}

}  // namespace

std::uint8_t BlockFlagOf(std::uint8_t stateCode) {
  switch (static_cast<SectorState>(stateCode)) {
    case SectorState::Good:
      return kBlockGood;
    case SectorState::Problem:
      return kBlockProblem;
    case SectorState::Error:
      return kBlockError;
    case SectorState::Differs:
      return kBlockDiffers;
    default:
      return 0;
  }
}

std::uint32_t CellPixel(std::uint8_t flags, bool highlighted, int x, int y) {
  const int ring = highlighted ? 2 : 1;
  if (x < ring || y < ring || x >= kWidth - ring || y >= kHeight - ring)
    return highlighted ? kHighlightRgb : kCellOutlineRgb;
  const Fill fill = FillOf(flags);
  // The triangle (0, 0), (8, 0), (0, 8) as a painter fills it: the pixels
  // above its long edge and those the edge runs through the middle of.
  return x + y < kWidth ? fill.corner : fill.base;
}
