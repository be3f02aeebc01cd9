// The surface map's shared drawing objects, made once per process by the
// first map and kept until the process ends: the background colour (the
// desktop's window colour as it was then) and the picture of a cell for each
// set of block flags, plain and with the highlight frame.
#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>

// The solid fills of the four sector states; the legend shows them too.
inline constexpr QRgb kNotCheckedColor = qRgb(204, 204, 204);
inline constexpr QRgb kGoodColor = qRgb(0, 255, 0);
inline constexpr QRgb kProblemColor = qRgb(255, 255, 0);
inline constexpr QRgb kErrorColor = qRgb(255, 0, 0);
inline constexpr QRgb kCellOutlineColor = qRgb(0, 0, 0);
inline constexpr QRgb kHighlightColor = qRgb(0, 0, 170);
// The ring round the selected cell: its outline and the gap around it.
inline constexpr QRgb kSelectionColor = qRgb(255, 0, 255);

// Makes the shared objects if they do not exist yet.
void CreateSharedBrushes();

// The map's background colour.
QRgb SurfaceBackground();

// An 8 x 8 cell for the block flags (0 to 7): a 1-pixel black outline round
// the fill, which is solid or, for mixed blocks, two colours split along the
// diagonal with the worse state in the upper-left triangle. Highlighted, a
// 2-pixel frame in the highlight colour lies inside the cell instead of the
// outline. The pattern starts at the cell's corner.
const QImage& CellTile(std::uint8_t flags, bool highlighted);
