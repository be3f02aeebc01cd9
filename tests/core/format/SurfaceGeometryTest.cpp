// The surface map's arithmetic: blocks, the cells a render draws, the scroll
// bar and where auto scroll moves the view.
#include <gtest/gtest.h>

#include "core/format/SurfaceGeometry.h"

namespace {

// A client area holding exactly `columns` x `rows` cell pitches.
SurfaceGeometry Grid(int columns, int rows, std::int32_t blocks) {
  SurfaceGeometry geometry;
  geometry.SetBlockCount(blocks);
  geometry.UpdateLayout(2 + 9 * columns, 2 + 9 * rows);
  return geometry;
}

TEST(SurfaceGeometry, BlocksCoverEverySector) {
  EXPECT_EQ(SurfaceGeometry::BlocksFor(0, 1), 0);
  EXPECT_EQ(SurfaceGeometry::BlocksFor(25, 10), 3);  // the last block holds 20 to 24
  EXPECT_EQ(SurfaceGeometry::BlocksFor(100, 100), 1);
  EXPECT_EQ(SurfaceGeometry::BlocksFor(101, 100), 2);
  EXPECT_EQ(SurfaceGeometry::BlocksFor(12219392, 1), 12219392);

  SurfaceGeometry geometry;
  geometry.SetSectorsPerBlock(100);
  EXPECT_EQ(geometry.BlockOf(0), 0);
  EXPECT_EQ(geometry.BlockOf(99), 0);
  EXPECT_EQ(geometry.BlockOf(100), 1);
  geometry.SetSectorsPerBlock(0);  // no division by zero
  EXPECT_EQ(geometry.SectorsPerBlock(), 1);
  EXPECT_EQ(geometry.BlockOf(5), 5);
}

TEST(SurfaceGeometry, WholePitchesMakeColumnsAndRows) {
  struct Case {
    int width, height, columns, rows;
  };
  for (const Case& c : {
           Case{92, 47, 10, 5},   // 90 x 45 inside the margin
           Case{100, 56, 10, 6},  // 98 wide: ten pitches and 8 pixels over
           Case{10, 10, 0, 0},    // narrower than one pitch
           Case{0, 0, 0, 0},
       }) {
    SurfaceGeometry geometry;
    geometry.UpdateLayout(c.width, c.height);
    EXPECT_EQ(geometry.Columns(), c.columns) << c.width;
    EXPECT_EQ(geometry.Rows(), c.rows) << c.height;
  }
}

TEST(SurfaceGeometry, ScrollBarOffersTheRowsThatDoNotFit) {
  SurfaceGeometry geometry = Grid(10, 5, 101);  // 51 blocks over: 6 more rows
  EXPECT_TRUE(geometry.Scroll().enabled);
  EXPECT_EQ(geometry.Scroll().maximum, 10);
  EXPECT_EQ(geometry.Scroll().page, 5);
  EXPECT_EQ(geometry.Scroll().MaxPosition(), 6);

  // A line is a row, a page five rows; the position stays in 0 .. 6.
  for (const auto& [wanted, kept] : {std::pair{1, 1}, {6, 6}, {11, 6}, {-4, 0}}) {
    geometry.SetTopRow(wanted);
    EXPECT_EQ(geometry.Scroll().position, kept) << wanted;
  }
  geometry.SetTopRow(2);
  EXPECT_EQ(geometry.FirstVisibleBlock(), 20);
  EXPECT_EQ(geometry.LastVisibleBlock(), 69);

  // The same overflow again leaves the bar alone; a new one that fits
  // disables it and keeps range and position.
  EXPECT_FALSE(geometry.UpdateLayout(92, 47));
  geometry.SetBlockCount(50);
  EXPECT_TRUE(geometry.UpdateLayout(92, 47));
  EXPECT_FALSE(geometry.Scroll().enabled);
  EXPECT_EQ(geometry.Scroll().maximum, 10);
  EXPECT_EQ(geometry.Scroll().position, 2);

  // A new window's bar is disabled at once when everything fits.
  const SurfaceGeometry empty = Grid(10, 5, 0);
  EXPECT_FALSE(empty.Scroll().enabled);
  EXPECT_EQ(empty.Scroll().position, 0);
}

TEST(SurfaceGeometry, AutoScrollKeepsTheBlockAboveTheLastRow) {
  SurfaceGeometry geometry = Grid(10, 5, 1000);
  EXPECT_FALSE(geometry.AutoScrollTopRow(0));
  EXPECT_FALSE(geometry.AutoScrollTopRow(39));    // fourth row of five
  EXPECT_EQ(geometry.AutoScrollTopRow(40), 1);    // last row: becomes second to last
  EXPECT_EQ(geometry.AutoScrollTopRow(999), 96);  // far below
  geometry.SetTopRow(50);
  EXPECT_EQ(geometry.AutoScrollTopRow(0), 0);  // above: its row on top
  EXPECT_EQ(geometry.AutoScrollTopRow(123), 12);
  EXPECT_FALSE(Grid(0, 5, 1000).AutoScrollTopRow(7));  // no whole column
}

TEST(SurfaceGeometry, CellsTheRenderDraws) {
  // 98 pixels inside the margin: ten pitches, and an eleventh cell fits
  // without its gap.
  SurfaceGeometry wide;
  wide.SetBlockCount(1000);
  wide.UpdateLayout(100, 29);
  EXPECT_EQ(wide.Columns(), 10);
  EXPECT_EQ(wide.DrawnCellsPerRow(), 11);
  EXPECT_EQ(wide.DrawnCellCount(), 33);
  EXPECT_EQ(wide.Cell(0), (CellRect{1, 1, 9, 9}));
  EXPECT_EQ(wide.Cell(10), (CellRect{91, 1, 99, 9}));
  EXPECT_EQ(wide.Cell(11), (CellRect{1, 10, 9, 18}));

  // Smaller than a cell: the first cell is drawn all the same.
  SurfaceGeometry tiny;
  tiny.SetBlockCount(5);
  tiny.UpdateLayout(6, 6);
  EXPECT_EQ(tiny.DrawnCellCount(), 1);
  EXPECT_EQ(tiny.SlotOf(0), 0);
  EXPECT_EQ(tiny.SlotOf(1), -1);

  SurfaceGeometry grid = Grid(10, 5, 75);
  grid.SetTopRow(2);
  EXPECT_EQ(grid.SlotOf(19), -1);  // above the view
  EXPECT_EQ(grid.SlotOf(20), 0);
  EXPECT_EQ(grid.SlotOf(69), 49);
  EXPECT_EQ(grid.SlotOf(70), -1);  // below the view
  EXPECT_EQ(grid.SlotOf(75), -1);  // no such block
}

TEST(SurfaceGeometry, BlockAtAPixelIsTheCellDrawnThere) {
  SurfaceGeometry grid = Grid(10, 5, 75);
  grid.SetTopRow(2);  // the view starts at block 20
  struct Case {
    int x, y;
    std::int32_t block;
  };
  for (const Case& c : {
           Case{1, 1, 20},                     // the first cell's corner
           Case{8, 8, 20},                     // its last pixel
           Case{9, 5, -1},                     // the gap after it
           Case{5, 9, -1},                     // the gap below it
           Case{0, 5, -1},                     // the margin
           Case{10, 10, 31},                   // second row, second column
           Case{86, 5, 29},                    // the tenth column
           Case{5, 37, 60},                    // the fifth row
           Case{14, 37, 61}, Case{5, 46, -1},  // below the last row
       }) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(grid.BlockAt(c.x, c.y), c.block);
  }
  const SurfaceGeometry few = Grid(10, 5, 25);
  EXPECT_EQ(few.BlockAt(41, 19), 24);
  EXPECT_EQ(few.BlockAt(50, 19), -1);  // a cell place past the last block
}

}  // namespace
