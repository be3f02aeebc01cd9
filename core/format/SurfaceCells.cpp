#include "core/format/SurfaceCells.h"

#include "core/format/SurfaceGeometry.h"
#include "core/scan/ISectorScannerCallback.h"

namespace {

constexpr int kWidth = SurfaceGeometry::kCellWidth;
constexpr int kHeight = SurfaceGeometry::kCellHeight;

struct Fill {
  std::uint32_t base;
  std::uint32_t corner;  // the upper-left triangle
};

Fill FillOf(std::uint8_t flags) {
  switch (flags & 7u) {
    case kBlockGood:
      return {kGoodRgb, kGoodRgb};
    case kBlockProblem:
      return {kProblemRgb, kProblemRgb};
    case kBlockGood | kBlockProblem:
      return {kGoodRgb, kProblemRgb};
    case kBlockError:
      return {kErrorRgb, kErrorRgb};
    case kBlockGood | kBlockError:
      return {kGoodRgb, kErrorRgb};
    case kBlockProblem | kBlockError:
    case kBlockGood | kBlockProblem | kBlockError:
      return {kProblemRgb, kErrorRgb};
    default:
      return {kNotCheckedRgb, kNotCheckedRgb};
  }
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
