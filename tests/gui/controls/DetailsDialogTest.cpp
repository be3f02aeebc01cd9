// The surface scan details dialog: its layout in pixels, the legend, the
// block size list remembered from one opening to the next, and auto scroll.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "../support/WaitUntil.h"
#include "TableScanner.h"
#include "gui/controls/SurfaceDetailsDialog.h"
#include "gui/controls/SurfaceTiles.h"
#include "gui/platform/ControlId.h"

namespace {

class DetailsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SurfaceDetailsDialog::lastSectorsPerBlock = -1;
    scanner.SetTable(std::vector<std::uint8_t>(5000, static_cast<std::uint8_t>(SectorState::Good)));
  }

  // Opens the dialog and runs inside with it.
  void Run(const std::function<void(SurfaceDetailsDialog&)>& inside) {
    SurfaceDetailsDialog dialog(scanner.get(), nullptr);
    WithModalDialog([&] { dialog.DoModal(); },
                    [&](QDialog*) {
                      inside(dialog);
                      dialog.EndDialog(kIdCancel);
                    });
  }

  static QComboBox* BlockSizes(const SurfaceDetailsDialog& dialog) {
    return Item<QComboBox>(dialog.Client(), SurfaceDetailsDialog::kBlockSizeListId);
  }
  static QCheckBox* AutoScroll(const SurfaceDetailsDialog& dialog) {
    return Item<QCheckBox>(dialog.Client(), SurfaceDetailsDialog::kAutoScrollId);
  }

  TableScanner scanner;
};

TEST_F(DetailsDialogTest, PlacesTheMapAndTheRightColumnInPixels) {
  Run([](SurfaceDetailsDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Surface Scan Details");
    const int w = dialog.ClientRect().width();
    const int h = dialog.ClientRect().height();
    const int r = w - 10;
    // The map, and the speed curve in a band of a third of its space under it.
    const int band = (h - 40 - 28) / 3;
    EXPECT_EQ(dialog.GetSurfaceMap().geometry(), QRect(10, 28, w - 127, h - 40 - band - 28));
    EXPECT_EQ(dialog.GetSpeedCurve().geometry(), QRect(10, h - 40 - band + 6, w - 127, band - 6));
    EXPECT_TRUE(dialog.GetSpeedCurve().isVisible());
    EXPECT_EQ(dialog.LegendRect(), QRect(r - 100, 28, 100, 82));
    const struct {
      int id;
      QRect rect;
    } placed[] = {
        {SurfaceDetailsDialog::kLegendLabelId, QRect(r - 100, 10, 100, 16)},
        {SurfaceDetailsDialog::kBlockSizeLabelId, QRect(r - 98, 168, 100, 18)},
        {SurfaceDetailsDialog::kAutoScrollId, QRect(r - 100, 228, 100, 18)},
        {SurfaceDetailsDialog::kMapLabelId, QRect(11, 10, 200, 16)},
    };
    for (const auto& [id, rect] : placed)
      EXPECT_EQ(Item(dialog.Client(), id)->geometry(), rect) << id;
    EXPECT_EQ(BlockSizes(dialog)->geometry().topLeft(), QPoint(r - 100, 186));
    EXPECT_EQ(BlockSizes(dialog)->width(), 100);
  });
}

TEST_F(DetailsDialogTest, LegendShowsTheFourStatesInRows18PixelsApart) {
  Run([](SurfaceDetailsDialog& dialog) {
    const QImage shown = dialog.Client()->grab().toImage();
    const QRect box = dialog.LegendRect();
    const QRgb frame = dialog.palette().color(QPalette::WindowText).rgb();
    EXPECT_EQ(shown.pixel(box.topLeft()), frame);
    EXPECT_EQ(shown.pixel(box.bottomRight()), frame);
    EXPECT_EQ(shown.pixel(box.left() + 1, box.top() + 1), SurfaceBackground());

    const QRgb colors[] = {kNotCheckedColor, kGoodColor, kProblemColor, kErrorColor};
    const int rowTops[] = {34, 52, 70, 88};
    for (int row = 0; row < 4; ++row) {
      SCOPED_TRACE(row);
      const int x = box.left() + 6, y = rowTops[row] + 4;  // the square's corner
      EXPECT_EQ(shown.pixel(x, y), frame);
      EXPECT_EQ(shown.pixel(x + 7, y + 7), frame);
      EXPECT_EQ(shown.pixel(x + 1, y + 1), colors[row]);
      EXPECT_EQ(shown.pixel(x + 6, y + 6), colors[row]);
      EXPECT_EQ(shown.pixel(x + 8, y + 3), SurfaceBackground());
      // The name: dark pixels right of the square, within the row's 16 pixels.
      int dark = 0;
      for (int ty = rowTops[row]; ty < rowTops[row] + 16; ++ty)
        for (int tx = x + 14; tx < box.right() - 6; ++tx) dark += qGray(shown.pixel(tx, ty)) < 100;
      EXPECT_GT(dark, 5);
    }
  });
}

TEST_F(DetailsDialogTest, BlockSizeIsRememberedUntilTheNextScanStarts) {
  Run([](SurfaceDetailsDialog& dialog) {
    QComboBox* sizes = BlockSizes(dialog);
    ASSERT_EQ(sizes->count(), 5);
    const char* texts[] = {"1 Sector", "5 Sectors", "10 Sectors", "50 Sectors", "100 Sectors"};
    const int data[] = {1, 5, 10, 50, 100};
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(sizes->itemText(i), texts[i]);
      EXPECT_EQ(sizes->itemData(i).toInt(), data[i]);
    }
    EXPECT_EQ(sizes->currentIndex(), 0);
    EXPECT_EQ(dialog.GetSurfaceMap().GetSectorsPerBlock(), 1);
    EXPECT_TRUE(AutoScroll(dialog)->isChecked());

    sizes->setCurrentIndex(2);
    emit sizes->activated(2);
    EXPECT_EQ(dialog.GetSurfaceMap().GetSectorsPerBlock(), 10);
    AutoScroll(dialog)->click();
    EXPECT_FALSE(dialog.GetSurfaceMap().AutoScroll());
  });
  EXPECT_EQ(SurfaceDetailsDialog::lastSectorsPerBlock, 10);

  Run([](SurfaceDetailsDialog& dialog) {
    EXPECT_EQ(BlockSizes(dialog)->currentText(), "10 Sectors");
    EXPECT_EQ(dialog.GetSurfaceMap().GetSectorsPerBlock(), 10);
    EXPECT_EQ(dialog.GetSurfaceMap().Geometry().BlockCount(), 500);
    EXPECT_TRUE(AutoScroll(dialog)->isChecked());  // checked at every opening
    EXPECT_TRUE(dialog.GetSurfaceMap().AutoScroll());
  });

  SurfaceDetailsDialog::lastSectorsPerBlock = -1;  // as the start of a scan does
  Run([](SurfaceDetailsDialog& dialog) {
    EXPECT_EQ(BlockSizes(dialog)->currentText(), "1 Sector");
    EXPECT_EQ(dialog.GetSurfaceMap().GetSectorsPerBlock(), 1);
  });
  EXPECT_EQ(SurfaceDetailsDialog::lastSectorsPerBlock, 1);
}

}  // namespace
