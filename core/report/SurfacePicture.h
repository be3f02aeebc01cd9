// The surface map of a whole scan as one picture, for a report: the map's
// cells, colours and patterns, at a block size that fits the whole table into
// a given width and number of rows.
#pragma once

#include <cstdint>
#include <vector>

#include "core/report/PngImage.h"

struct SurfacePicture {
  RgbImage image;
  std::int32_t sectorsPerBlock = 1;
};

// The table (one SectorState code per sector) drawn in cells as the map draws
// them, on white, width pixels wide and at most maxRows rows of cells high.
// The block size is the smallest of the map's own (1, 5, 10, 50, 100 sectors)
// at which the table fits, else the smallest that fits.
SurfacePicture DrawSurfacePicture(const std::vector<std::uint8_t>& table, int width, int maxRows);

// One cell of the block flags alone, for a legend.
RgbImage DrawCell(std::uint8_t flags);
