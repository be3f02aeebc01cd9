// What one cell of the surface map looks like, pixel by pixel, without a
// window: the window's map builds its cell pictures from it and a report's
// map picture draws with it, so both show the same colours and patterns.
#pragma once

#include <cstdint>

// Colours as 0xRRGGBB.
inline constexpr std::uint32_t kNotCheckedRgb = 0xCCCCCC;
inline constexpr std::uint32_t kGoodRgb = 0x00FF00;
inline constexpr std::uint32_t kProblemRgb = 0xFFFF00;
inline constexpr std::uint32_t kErrorRgb = 0xFF0000;
// A sector that reads but differs from the image a scan compares with.
inline constexpr std::uint32_t kDiffersRgb = 0x00A0FF;
inline constexpr std::uint32_t kCellOutlineRgb = 0x000000;
inline constexpr std::uint32_t kHighlightRgb = 0x0000AA;

// The flags of a block: the states of its sectors, ORed.
enum BlockFlags : std::uint8_t {
  kBlockGood = 1,
  kBlockProblem = 2,
  kBlockError = 4,
  kBlockDiffers = 8,
};
// Every combination of the flags is below this.
inline constexpr unsigned kBlockFlagCombinations = 16;

// The flag a sector state code adds to its block; NotChecked and unknown
// codes none.
std::uint8_t BlockFlagOf(std::uint8_t stateCode);

// The colour of pixel (x, y) of an 8 x 8 cell for the block flags (0 to 15):
// a 1-pixel black outline round the fill, which is solid or, for mixed
// blocks, two colours split along the diagonal: the worst state (good, then
// problem, differs, error) in the upper-left triangle, the next worst in the
// rest. Highlighted, a 2-pixel frame in the highlight colour
// lies inside the cell instead of the outline.
std::uint32_t CellPixel(std::uint8_t flags, bool highlighted, int x, int y);
