// The surface map as the user sees it: the pixels of every cell look, the
// highlight frame, the scroll bar, auto scroll and block sizes; and that the
// cells it redraws one by one always add up to what a full render draws.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <random>

#include "../support/WaitUntil.h"
#include "TableScanner.h"
#include "gui/controls/SurfaceInfoControl.h"
#include "gui/controls/SurfaceTiles.h"

namespace {

constexpr QRgb kGrey = qRgb(204, 204, 204);
constexpr QRgb kGreen = qRgb(0, 255, 0);
constexpr QRgb kYellow = qRgb(255, 255, 0);
constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kBlue = qRgb(0, 0, 170);

constexpr auto G = SectorState::Good;
constexpr auto P = SectorState::Problem;
constexpr auto E = SectorState::Error;
constexpr auto N = SectorState::NotChecked;

std::vector<std::uint8_t> Codes(std::initializer_list<SectorState> states) {
  std::vector<std::uint8_t> codes;
  for (SectorState state : states) codes.push_back(static_cast<std::uint8_t>(state));
  return codes;
}

// Blocks of 1 sector: the rows of a 10-column map alternate good and error.
std::vector<std::uint8_t> StripedRows(int sectors) {
  std::vector<std::uint8_t> codes;
  for (int sector = 0; sector < sectors; ++sector)
    codes.push_back(static_cast<std::uint8_t>((sector / 10) % 2 == 0 ? G : E));
  return codes;
}

class SurfaceMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.resize(400, 300);
    host.show();
    ASSERT_TRUE(WaitUntil([&] { return host.isVisible(); }));
  }

  // Makes the map on the table, with a client area of width x height.
  void Open(int width = 92, int height = 47) {
    map = std::make_unique<SurfaceInfoControl>(scanner.get());
    map->Create(&host);
    map->resize(200, 200);
    const QSize frame = map->size() - map->viewport()->size();
    map->resize(QSize(width, height) + frame);
    ASSERT_EQ(map->viewport()->size(), QSize(width, height));
  }

  QImage Shown() const { return map->viewport()->grab().toImage(); }
  // The pixel (x, y) of the cell in column c, row r of the view.
  QRgb CellPixel(int c, int r, int x, int y) const {
    return Shown().pixel(1 + 9 * c + x, 1 + 9 * r + y);
  }
  QScrollBar* Bar() const { return map->verticalScrollBar(); }
  int Top() const { return map->Geometry().Scroll().position; }

  QWidget host;
  TableScanner scanner;
  std::unique_ptr<SurfaceInfoControl> map;
};

TEST_F(SurfaceMapTest, EachSetOfBlockFlagsHasItsFill) {
  // Block f of three sectors holds Good, Problem and Error as f's bits say.
  std::vector<std::uint8_t> codes;
  for (int flags = 0; flags < 8; ++flags)
    for (const auto& [bit, state] : {std::pair{1, G}, {2, P}, {4, E}})
      codes.push_back(static_cast<std::uint8_t>(flags & bit ? state : N));
  scanner.SetTable(codes);
  Open();
  map->SetSectorsPerBlock(3);

  struct Look {
    QRgb base;    // lower right of the cell
    QRgb corner;  // upper-left triangle
  };
  const Look looks[8] = {{kGrey, kGrey}, {kGreen, kGreen}, {kYellow, kYellow}, {kGreen, kYellow},
                         {kRed, kRed},   {kGreen, kRed},   {kYellow, kRed},    {kYellow, kRed}};
  for (int flags = 0; flags < 8; ++flags) {
    EXPECT_EQ(map->GetBlockFlags(flags), flags);
    SCOPED_TRACE(flags);
    for (const auto& [x, y] : {std::pair{0, 0}, {7, 0}, {0, 7}, {7, 7}, {4, 0}, {0, 4}})
      EXPECT_EQ(CellPixel(flags, 0, x, y), kBlack) << x << "," << y;
    EXPECT_EQ(CellPixel(flags, 0, 1, 1), looks[flags].corner);
    EXPECT_EQ(CellPixel(flags, 0, 2, 1), looks[flags].corner);
    EXPECT_EQ(CellPixel(flags, 0, 6, 6), looks[flags].base);
    EXPECT_EQ(CellPixel(flags, 0, 5, 6), looks[flags].base);
  }
  // The margin, the gaps and the cells without a block show the background.
  const QImage shown = Shown();
  for (const auto& [x, y] : {std::pair{0, 0}, {9, 4}, {4, 9}, {1 + 9 * 8 + 3, 4}, {91, 46}})
    EXPECT_EQ(shown.pixel(x, y), SurfaceBackground()) << x << "," << y;
}

TEST_F(SurfaceMapTest, HighlightIsATwoPixelFrameInsideTheCell) {
  scanner.SetTable(Codes({G, G, G, G, G, G, G, G, G}));
  Open();
  map->SetSectorsPerBlock(3);
  map->SetCurrentSector(7);  // block 2, in the first row: shows at the next render
  EXPECT_EQ(map->CurrentBlock(), 2);
  EXPECT_EQ(CellPixel(2, 0, 0, 0), kBlack);
  map->RefreshBlocks();
  for (const auto& [x, y] : {std::pair{0, 0}, {1, 1}, {7, 7}, {6, 6}, {6, 1}, {1, 6}, {3, 0}})
    EXPECT_EQ(CellPixel(2, 0, x, y), kBlue) << x << "," << y;
  for (const auto& [x, y] : {std::pair{2, 2}, {5, 5}, {2, 5}})
    EXPECT_EQ(CellPixel(2, 0, x, y), kGreen) << x << "," << y;
  EXPECT_EQ(CellPixel(1, 0, 1, 1), kGreen);  // the others keep their outline
  EXPECT_EQ(CellPixel(1, 0, 0, 0), kBlack);

  // Moving on within the block changes nothing; the next block takes the
  // frame at the next render.
  map->SetCurrentSector(8);
  EXPECT_EQ(map->CurrentBlock(), 2);
  map->SetCurrentSector(0);
  map->RefreshBlocks();
  EXPECT_EQ(CellPixel(0, 0, 1, 1), kBlue);
  EXPECT_EQ(CellPixel(2, 0, 1, 1), kGreen);
}

TEST_F(SurfaceMapTest, EmptyTableShowsOnlyTheBackground) {
  Open();
  EXPECT_EQ(map->Geometry().BlockCount(), 0);
  const QImage shown = Shown();
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x)
      ASSERT_EQ(shown.pixel(x, y), SurfaceBackground()) << x << "," << y;
  EXPECT_FALSE(Bar()->isEnabled());
}

TEST_F(SurfaceMapTest, ScrollsByRowsAndPages) {
  scanner.SetTable(StripedRows(200));  // 20 rows in a view of 5: 15 more
  Open();
  ASSERT_EQ(map->Geometry().Columns(), 10);
  ASSERT_EQ(map->Geometry().Rows(), 5);
  EXPECT_TRUE(Bar()->isEnabled());
  EXPECT_EQ(Bar()->maximum(), 15);
  EXPECT_EQ(Bar()->pageStep(), 5);
  EXPECT_EQ(CellPixel(0, 0, 3, 3), kGreen);

  struct Step {
    QAbstractSlider::SliderAction action;
    int top;
  };
  for (const Step& step :
       {Step{QAbstractSlider::SliderSingleStepAdd, 1}, Step{QAbstractSlider::SliderPageStepAdd, 6},
        Step{QAbstractSlider::SliderPageStepAdd, 11},
        Step{QAbstractSlider::SliderPageStepAdd, 15},  // stops at the end
        Step{QAbstractSlider::SliderSingleStepSub, 14},
        Step{QAbstractSlider::SliderPageStepSub, 9}}) {
    Bar()->triggerAction(step.action);
    EXPECT_EQ(Top(), step.top);
    // The top row shows the blocks of that row: even rows good, odd ones error.
    EXPECT_EQ(CellPixel(0, 0, 3, 3), step.top % 2 == 0 ? kGreen : kRed) << step.top;
    EXPECT_EQ(CellPixel(9, 4, 3, 3), (step.top + 4) % 2 == 0 ? kGreen : kRed) << step.top;
  }
  Bar()->setValue(0);
  Bar()->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(Top(), 0);
}

TEST_F(SurfaceMapTest, AutoScrollFollowsTheScanPosition) {
  scanner.SetTable(StripedRows(200));
  Open();
  map->SetCurrentSector(39);  // fourth row of five: no scrolling
  EXPECT_EQ(Top(), 0);
  map->SetCurrentSector(45);  // last visible row: it becomes the second to last
  EXPECT_EQ(Top(), 1);
  EXPECT_TRUE(WaitUntil([&] { return Bar()->value() == 1; }));  // within a frame
  EXPECT_EQ(CellPixel(5, 3, 1, 1), kBlue);  // row 4 of the table, fourth in view
  map->SetCurrentSector(199);
  EXPECT_EQ(Top(), 15);       // as far as the bar goes
  map->SetCurrentSector(12);  // above the view: its row on top
  EXPECT_EQ(Top(), 1);
  EXPECT_EQ(CellPixel(2, 0, 1, 1), kBlue);

  map->SetAutoScroll(false);
  map->SetCurrentSector(150);
  EXPECT_EQ(Top(), 1);
  EXPECT_EQ(CellPixel(2, 0, 1, 1), kRed);  // the frame has left the view
}

TEST_F(SurfaceMapTest, BlockSizeChangeReturnsToTheTop) {
  scanner.SetTable(StripedRows(200));
  Open();
  map->SetCurrentSector(120);
  ASSERT_GT(Top(), 0);
  map->SetSectorsPerBlock(10);
  EXPECT_EQ(Top(), 0);
  EXPECT_EQ(map->Geometry().BlockCount(), 20);
  EXPECT_EQ(map->CurrentBlock(), 120);  // recomputed at the next scan position
  EXPECT_FALSE(Bar()->isEnabled());     // 20 blocks fit
  EXPECT_EQ(CellPixel(0, 0, 3, 3), kGreen);
  EXPECT_EQ(CellPixel(1, 0, 3, 3), kRed);
  map->SetSectorsPerBlock(100);
  EXPECT_EQ(map->Geometry().BlockCount(), 2);
  EXPECT_EQ(CellPixel(0, 0, 1, 1), kRed);  // good and error: the mixed pattern
  EXPECT_EQ(CellPixel(0, 0, 6, 6), kGreen);
}

// A scan's reports in order, with the user scrolling and changing the block
// size now and then, and two writes at times before one refresh: after each
// refresh the map shows exactly what a new map on the same table draws.
TEST_F(SurfaceMapTest, RedrawnCellsAlwaysMatchAFullRender) {
  constexpr int kSectors = 700;
  scanner.SetTable(std::vector<std::uint8_t>(kSectors, 0));
  Open(101, 56);  // eleven cells in a drawn row, ten in the scroll arithmetic
  std::mt19937 random(7);
  const SectorState states[] = {G, G, G, G, P, E};
  for (int sector = 0; sector < kSectors; ++sector) {
    const int current = sector + 1;
    map->SetCurrentSector(current);
    scanner.Write(sector, states[random() % 6]);
    if (random() % 9 == 0 && sector + 1 < kSectors) scanner.Write(++sector, E);
    if (random() % 50 == 0) Bar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    if (sector == 350) map->SetSectorsPerBlock(5);
    map->RefreshBlocks();
    if (sector % 7 != 0) continue;

    SurfaceInfoControl fresh(scanner.get());
    fresh.Create(&host);
    fresh.resize(map->size());
    fresh.SetSectorsPerBlock(map->GetSectorsPerBlock());
    fresh.SetAutoScroll(false);
    fresh.SetCurrentSector(current);
    fresh.verticalScrollBar()->setValue(Top());
    ASSERT_EQ(fresh.Geometry().Scroll().position, Top());
    ASSERT_EQ(Shown(), fresh.viewport()->grab().toImage()) << "after sector " << sector;
  }
}

}  // namespace
