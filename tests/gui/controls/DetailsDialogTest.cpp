// The surface scan details dialog: its layout in pixels, the legend, the
// block size list remembered from one opening to the next, and auto scroll;
// the map's tooltips, selection and way to the Sector Viewer, and the list
// of damaged files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>

#include "../support/WaitUntil.h"
#include "TableScanner.h"
#include "core/damage/DamageIndex.h"
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
    SurfaceDetailsDialog dialog(scanner.get(), scanner->options.compareWith != nullptr, nullptr);
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
  static QTreeWidget* DamagedList(const SurfaceDetailsDialog& dialog) {
    return Item<QTreeWidget>(dialog.Client(), SurfaceDetailsDialog::kDamagedListId);
  }

  TableScanner scanner;
};

// The map, the speed curve and the damaged files' band under them share the
// left part down to 40 pixels above the bottom; the list's band takes 2/5 of
// it (96 to 220 pixels), the curve a third of the rest.
TEST_F(DetailsDialogTest, PlacesTheMapTheListAndTheRightColumnInPixels) {
  Run([](SurfaceDetailsDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Surface Scan Details");
    const QSize frame = dialog.size() - dialog.Client()->size();
    for (const QSize client : {dialog.Client()->size(), QSize(900, 800)}) {
      SCOPED_TRACE(client.height());
      dialog.setFixedSize(client + frame);
      ASSERT_EQ(dialog.ClientRect().size(), client);
      const int w = client.width(), h = client.height();
      const int r = w - 10;
      const int band = std::clamp((h - 40 - 28) * 2 / 5, 96, 220);
      const int listTop = h - 40 - band;
      // The speed curve in a band of a third of the rest, under the map.
      const int curveBand = (listTop - 28) / 3;
      const int mapBottom = listTop - curveBand;
      EXPECT_EQ(dialog.GetSurfaceMap().geometry(), QRect(10, 28, w - 127, mapBottom - 28));
      EXPECT_EQ(dialog.GetSpeedCurve().geometry(),
                QRect(10, mapBottom + 6, w - 127, curveBand - 6));
      EXPECT_TRUE(dialog.GetSpeedCurve().isVisible());
      EXPECT_EQ(Item(dialog.Client(), SurfaceDetailsDialog::kDamagedLabelId)->geometry(),
                QRect(11, listTop + 6, w - 127, 16));
      EXPECT_EQ(DamagedList(dialog)->geometry(),
                QRect(10, listTop + 24, w - 127, h - 40 - (listTop + 24)));
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
    }
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

// A layout of the 5000 sectors: two files and a directory.
std::shared_ptr<const DamageIndex> SampleIndex(const std::vector<std::uint8_t>& table) {
  DiscLayout layout;
  layout.entries = {
      {.kind = EntryKind::Structure, .name = u"Directory /DOCS", .size = 0, .ranges = {{20, 20}}},
      {.kind = EntryKind::File, .name = u"/DOCS/A.TXT", .size = 100 * 2048, .ranges = {{15, 24}}},
      {.kind = EntryKind::File,
       .name = u"/DOCS/B.BIN",
       .size = 6 * 2048,
       .ranges = {{25, 27}, {40, 42}}},
  };
  for (int i = 0; i < 4; ++i)
    layout.entries.push_back({.kind = EntryKind::File,
                              .name = u"/SMALL" + std::u16string(1, char16_t(u'1' + i)),
                              .size = 2048,
                              .ranges = {{std::uint64_t(30 + i), std::uint64_t(30 + i)}}});
  return std::make_shared<const DamageIndex>(table, 0, layout);
}

// Sectors 20 (error), 22 (problem) and 41 (error) are bad, 26 not checked.
std::vector<std::uint8_t> SampleTable() {
  std::vector<std::uint8_t> table(5000, static_cast<std::uint8_t>(SectorState::Good));
  table[20] = table[41] = static_cast<std::uint8_t>(SectorState::Error);
  table[22] = static_cast<std::uint8_t>(SectorState::Problem);
  table[26] = static_cast<std::uint8_t>(SectorState::NotChecked);
  return table;
}

// What the tooltip shows when the pointer rests on a point of the map.
QString ToolTipAt(SurfaceInfoControl& map, const QPoint& point) {
  QHelpEvent help(QEvent::ToolTip, point, map.viewport()->mapToGlobal(point));
  QApplication::sendEvent(map.viewport(), &help);
  const QString text = QToolTip::isVisible() ? QToolTip::text() : QString();
  QToolTip::hideText();
  return text;
}

QPoint CellCentre(const SurfaceInfoControl& map, std::int32_t block) {
  const CellRect cell = map.Geometry().Cell(map.Geometry().SlotOf(block));
  return QPoint(cell.left + 4, cell.top + 4);
}

TEST_F(DetailsDialogTest, ACellsTooltipCountsItsSectorsAndNamesWhatLiesOnThem) {
  scanner.SetTable(SampleTable());
  SurfaceDetailsDialog::lastSectorsPerBlock = 10;
  Run([&](SurfaceDetailsDialog& dialog) {
    SurfaceInfoControl& map = dialog.GetSurfaceMap();
    // Before the index: the sectors and their states only.
    EXPECT_EQ(ToolTipAt(map, CellCentre(map, 2)),
              "Sectors 20 to 29\nGood: 7, problem: 1, error: 1, not checked: 1\n"
              "Files: known when the scan has ended");
    dialog.SetDamageIndex(SampleIndex(SampleTable()));
    EXPECT_EQ(ToolTipAt(map, CellCentre(map, 2)),
              "Sectors 20 to 29\nGood: 7, problem: 1, error: 1, not checked: 1\n"
              "Directory /DOCS\n/DOCS/A.TXT\n/DOCS/B.BIN");
    EXPECT_EQ(map.CellToolTip(3),
              "Sectors 30 to 39\nGood: 10, problem: 0, error: 0, not checked: 0\n"
              "/SMALL1\n/SMALL2\n/SMALL3\n/SMALL4");
    // Seven on sectors 20 to 39: five named, then the count.
    map.SetSectorsPerBlock(20);
    EXPECT_EQ(map.CellToolTip(1),
              "Sectors 20 to 39\nGood: 17, problem: 1, error: 1, not checked: 1\n"
              "Directory /DOCS\n/DOCS/A.TXT\n/DOCS/B.BIN\n/SMALL1\n/SMALL2\nand 2 more");
    EXPECT_EQ(map.CellToolTip(249),
              "Sectors 4980 to 4999\nGood: 20, problem: 0, error: 0, not checked: 0\nfree");
  });
}

TEST_F(DetailsDialogTest, AClickSelectsACellWithARingApartFromTheScanFrame) {
  Run([&](SurfaceDetailsDialog& dialog) {
    SurfaceInfoControl& map = dialog.GetSurfaceMap();
    map.SetCurrentSector(7);  // the scan position's frame
    const auto pixel = [&](std::int32_t block, int x, int y) {
      const CellRect cell = map.Geometry().Cell(map.Geometry().SlotOf(block));
      return map.viewport()->grab().toImage().pixel(cell.left + x, cell.top + y);
    };
    EXPECT_EQ(map.SelectedBlock(), -1);
    QTest::mouseClick(map.viewport(), Qt::LeftButton, {}, CellCentre(map, 3));
    EXPECT_EQ(map.SelectedBlock(), 3);
    ASSERT_TRUE(WaitUntil([&] { return pixel(3, -1, -1) == kSelectionColor; }));
    for (const auto& [x, y] : {std::pair{-1, -1}, {8, 8}, {0, 0}, {7, 3}, {3, -1}})
      EXPECT_EQ(pixel(3, x, y), kSelectionColor) << x << "," << y;
    EXPECT_EQ(pixel(3, 1, 1), kGoodColor);  // the fill stays
    EXPECT_EQ(pixel(7, 0, 0), kHighlightColor);
    EXPECT_EQ(pixel(7, -1, -1), SurfaceBackground());

    // Another cell: the first one's ring goes.
    QTest::mouseClick(map.viewport(), Qt::LeftButton, {}, CellCentre(map, 7));
    EXPECT_EQ(map.SelectedBlock(), 7);
    ASSERT_TRUE(WaitUntil([&] { return pixel(3, -1, -1) == SurfaceBackground(); }));
    EXPECT_EQ(pixel(3, 0, 0), kCellOutlineColor);
    EXPECT_EQ(pixel(7, -1, -1), kSelectionColor);
    EXPECT_EQ(pixel(7, 0, 0), kSelectionColor);
    EXPECT_EQ(pixel(7, 1, 1), kHighlightColor);  // the scan frame inside the ring

    // A gap selects nothing new.
    const CellRect cell = map.Geometry().Cell(0);
    QTest::mouseClick(map.viewport(), Qt::LeftButton, {}, QPoint(cell.right, cell.top));
    EXPECT_EQ(map.SelectedBlock(), 7);
  });
}

TEST_F(DetailsDialogTest, TheListNamesTheDamagedAndAChoiceSelectsItsFirstBadCell) {
  scanner.SetTable(SampleTable());
  Run([&](SurfaceDetailsDialog& dialog) {
    EXPECT_EQ(DamagedList(dialog)->topLevelItemCount(), 0);
    dialog.SetDamageIndex(SampleIndex(SampleTable()));
    EXPECT_EQ(Item<QLabel>(dialog.Client(), SurfaceDetailsDialog::kDamagedLabelId)->text(),
              "Damaged files and structures: 3");
    QTreeWidget* list = DamagedList(dialog);
    EXPECT_EQ(list->headerItem()->text(0), "File or structure");
    EXPECT_EQ(list->headerItem()->text(1), "Problem sectors");
    EXPECT_EQ(list->headerItem()->text(2), "Error sectors");
    QStringList rows;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
      rows << list->topLevelItem(row)->text(0) + " " + list->topLevelItem(row)->text(1) + " " +
                  list->topLevelItem(row)->text(2);
    EXPECT_EQ(rows, QStringList({"/DOCS/A.TXT 1 1", "/DOCS/B.BIN 0 1", "Directory /DOCS 0 1"}));

    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(dialog.GetSurfaceMap().SelectedBlock(), 41);
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(dialog.GetSurfaceMap().SelectedBlock(), 20);
  });
}

// "Extract..." hands over the selected files of the tree extraction reads:
// a structure, or a file that only another tree lists, is none; without an
// extraction to hand them to, the button is not there.
TEST_F(DetailsDialogTest, ExtractTakesTheSelectedFilesOfTheExtractedTree) {
  DiscLayout layout;
  layout.entries = {
      {.kind = EntryKind::Structure, .name = u"Directory /DOCS", .ranges = {{20, 20}}},
      {.kind = EntryKind::File,
       .name = u"/DOCS/A.TXT",
       .size = 2048,
       .ranges = {{22, 22}},
       .filesTestTree = true},
      {.kind = EntryKind::File,
       .name = u"/DOCS/OLD.TXT (Joliet)",
       .size = 2048,
       .ranges = {{41, 41}}},
  };
  const auto index = std::make_shared<const DamageIndex>(SampleTable(), 0, layout);
  Run([&](SurfaceDetailsDialog& dialog) {
    EXPECT_FALSE(Item<QPushButton>(dialog.Client(), SurfaceDetailsDialog::kExtractId)->isVisible());
  });

  std::vector<std::vector<std::u16string>> handed;
  SurfaceDetailsDialog dialog(scanner.get(), false, nullptr);
  dialog.SetExtractFiles([&](std::vector<std::u16string> files, QWidget* over) {
    EXPECT_EQ(over, &dialog);
    handed.push_back(std::move(files));
  });
  WithModalDialog([&] { dialog.DoModal(); },
                  [&](QDialog*) {
                    auto* extract =
                        Item<QPushButton>(dialog.Client(), SurfaceDetailsDialog::kExtractId);
                    EXPECT_TRUE(extract->isVisible());
                    EXPECT_EQ(extract->text(), "Extract...");
                    EXPECT_FALSE(extract->isEnabled()) << "nothing listed yet";
                    dialog.SetDamageIndex(index);
                    QTreeWidget* list = DamagedList(dialog);
                    ASSERT_EQ(list->topLevelItemCount(), 3);  // the two files, then the structure
                    const struct {
                      std::vector<int> rows;
                      bool enabled;
                    } cases[] = {
                        {{}, false}, {{2}, false}, {{1}, false}, {{0}, true}, {{0, 1, 2}, true},
                    };
                    for (const auto& selection : cases) {
                      list->clearSelection();
                      for (const int row : selection.rows)
                        list->topLevelItem(row)->setSelected(true);
                      EXPECT_EQ(extract->isEnabled(), selection.enabled) << selection.rows.size();
                    }
                    extract->click();
                    dialog.EndDialog(kIdCancel);
                  });
  EXPECT_EQ(handed, (std::vector<std::vector<std::u16string>>{{u"/DOCS/A.TXT"}}));
}

TEST_F(DetailsDialogTest, DoubleClickOrShowInSectorViewerClosesWithTheFirstSector) {
  scanner.SetTable(SampleTable());
  SurfaceDetailsDialog::lastSectorsPerBlock = 10;
  {
    SurfaceDetailsDialog dialog(scanner.get(), scanner->options.compareWith != nullptr, nullptr);
    WithModalDialog([&] { EXPECT_EQ(dialog.DoModal(), kIdOk); },
                    [&](QDialog*) {
                      SurfaceInfoControl& map = dialog.GetSurfaceMap();
                      QTest::mouseDClick(map.viewport(), Qt::LeftButton, {}, CellCentre(map, 4));
                    });
    EXPECT_EQ(dialog.RequestedSector(), 40);
  }
  {
    // The cell's context menu, its one item chosen.
    SurfaceDetailsDialog dialog(scanner.get(), scanner->options.compareWith != nullptr, nullptr);
    QStringList items;
    WithModalDialog([&] { EXPECT_EQ(dialog.DoModal(), kIdOk); },
                    [&](QDialog*) {
                      SurfaceInfoControl& map = dialog.GetSurfaceMap();
                      QTimer::singleShot(0, [&] {
                        ASSERT_TRUE(WaitUntil([] { return QApplication::activePopupWidget(); }));
                        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                        ASSERT_NE(menu, nullptr);
                        for (QAction* action : menu->actions()) items << action->text();
                        menu->setActiveAction(menu->actions().value(0));
                        QTest::keyClick(menu, Qt::Key_Return);
                      });
                      const QPoint point = CellCentre(map, 2);
                      QContextMenuEvent event(QContextMenuEvent::Mouse, point,
                                              map.viewport()->mapToGlobal(point));
                      QApplication::sendEvent(map.viewport(), &event);
                    });
    EXPECT_EQ(items, QStringList({"Show in Sector Viewer"}));
    EXPECT_EQ(dialog.RequestedSector(), 20);
  }
  SurfaceDetailsDialog dialog(scanner.get(), scanner->options.compareWith != nullptr, nullptr);
  dialog.SetDamageIndex(SampleIndex(SampleTable()));
  WithModalDialog([&] { dialog.DoModal(); },
                  [&](QDialog*) {
                    QTreeWidget* list = DamagedList(dialog);
                    emit list->itemDoubleClicked(list->topLevelItem(1), 0);
                  });
  EXPECT_EQ(dialog.RequestedSector(), 41);
}

}  // namespace
