// The surface map's shared drawing objects, made once per process by the
// first map and kept until the process ends: the background colour (the
// desktop's window colour as it was then) and the picture of a cell for each
// set of block flags, plain and with the highlight frame.
#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>

#include "core/format/SurfaceCells.h"

// The solid fills of the four sector states; the legend shows them too.
inline constexpr QRgb kNotCheckedColor = 0xFF000000u | kNotCheckedRgb;
inline constexpr QRgb kGoodColor = 0xFF000000u | kGoodRgb;
inline constexpr QRgb kProblemColor = 0xFF000000u | kProblemRgb;
inline constexpr QRgb kErrorColor = 0xFF000000u | kErrorRgb;
inline constexpr QRgb kDiffersColor = 0xFF000000u | kDiffersRgb;
inline constexpr QRgb kCellOutlineColor = 0xFF000000u | kCellOutlineRgb;
inline constexpr QRgb kHighlightColor = 0xFF000000u | kHighlightRgb;
// The ring round the selected cell: its outline and the gap around it.
inline constexpr QRgb kSelectionColor = qRgb(255, 0, 255);

// Makes the shared objects if they do not exist yet.
void CreateSharedBrushes();

// The map's background colour.
QRgb SurfaceBackground();

// The 8 x 8 cell for the block flags (0 to 15), drawn as CellPixel gives it.
// The pattern starts at the cell's corner.
const QImage& CellTile(std::uint8_t flags, bool highlighted);
