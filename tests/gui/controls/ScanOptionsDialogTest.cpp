// The scan options dialog: its controls and their defaults, the layout in
// pixels, OK, Cancel and "Defaults", a range that does not fit, and the
// options kept in the settings from one run to the next.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <map>
#include <tuple>

#include "../support/WaitUntil.h"
#include "gui/controls/AdvancedScanOptionsDlg.h"
#include "gui/controls/ScanOptionsSettings.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/ProgramSettings.h"

namespace {

using Dlg = AdvancedScanOptionsDlg;

// What the controls show: sectors per read, attempts, skip, first, last,
// speed, retry.
QStringList Shown(const QDialog* d) {
  return {Item<QComboBox>(d, Dlg::kSectorsPerReadListId)->currentText(),
          Item<QComboBox>(d, Dlg::kAttemptsListId)->currentText(),
          Item<QLineEdit>(d, Dlg::kSkipEditId)->text(),
          Item<QLineEdit>(d, Dlg::kFirstEditId)->text(),
          Item<QLineEdit>(d, Dlg::kLastEditId)->text(),
          Item<QComboBox>(d, Dlg::kSpeedListId)->currentText(),
          Item<QCheckBox>(d, Dlg::kRetryId)->isChecked() ? "retry" : "all"};
}

// Sets every control to other values than the defaults.
void ChooseOthers(QDialog* d) {
  Item<QComboBox>(d, Dlg::kSectorsPerReadListId)->setCurrentText("32");
  Item<QComboBox>(d, Dlg::kAttemptsListId)->setCurrentText("2");
  Item<QLineEdit>(d, Dlg::kSkipEditId)->setText("16");
  Item<QLineEdit>(d, Dlg::kFirstEditId)->setText("100");
  Item<QLineEdit>(d, Dlg::kLastEditId)->setText("2000");
  Item<QComboBox>(d, Dlg::kSpeedListId)->setCurrentText("8x");
  Item<QCheckBox>(d, Dlg::kRetryId)->setChecked(true);
}

ScanOptions Others() {
  ScanOptions options;
  options.sectorsPerRead = 32;
  options.attempts = 2;
  options.skipAfterError = 16;
  options.firstSector = 100;
  options.lastSector = 2000;
  options.speed = 8;
  options.retry = true;
  return options;
}

class ScanOptionsDialogTest : public ::testing::Test {
 protected:
  // The options kept in the settings are the next scan's: none may outlive
  // a test.
  void SetUp() override { ProgramSettings().clear(); }
  void TearDown() override { ProgramSettings().clear(); }

  // Opens the dialog on options and runs inside with it; the result it ended
  // with.
  int Run(Dlg& dialog, const std::function<void(QDialog*)>& inside) {
    int result = 0;
    WithModalDialog([&] { result = dialog.DoModal(); }, inside);
    return result;
  }
};

TEST_F(ScanOptionsDialogTest, ShowsTheDefaultsAndTheChoices) {
  Dlg dialog(ScanOptions{}, {4, 8, 16});
  Run(dialog, [](QDialog* d) {
    EXPECT_EQ(Shown(d), QStringList({"1", "5", "0", "0", "", "Maximum", "all"}));
    QStringList sizes, speeds;
    auto* sizeList = Item<QComboBox>(d, Dlg::kSectorsPerReadListId);
    for (int i = 0; i < sizeList->count(); ++i) sizes << sizeList->itemText(i);
    EXPECT_EQ(sizes, QStringList({"1", "2", "4", "8", "16", "32", "64"}));
    EXPECT_EQ(Item<QComboBox>(d, Dlg::kAttemptsListId)->count(), 20);
    auto* speedList = Item<QComboBox>(d, Dlg::kSpeedListId);
    for (int i = 0; i < speedList->count(); ++i) speeds << speedList->itemText(i);
    EXPECT_EQ(speeds, QStringList({"Maximum", "4x", "8x", "16x"}));
    // Digits only in the number boxes.
    auto* skip = Item<QLineEdit>(d, Dlg::kSkipEditId);
    skip->clear();
    QTest::keyClicks(skip, "-1a2");
    EXPECT_EQ(skip->text(), "12");
    Item<QPushButton>(d, kIdCancel)->click();
  });
}

// The last session by default; the medium's others, each with its sectors
// (counted from the disc's start, as a scan of it numbers them), and the
// whole disc.
TEST_F(ScanOptionsDialogTest, OffersTheMediumsSessions) {
  std::map<std::int32_t, wrenlo::SessionInfo> sessions;
  sessions[1].startSector = 0;
  sessions[1].sectorCount = 10;
  sessions[2].startSector = 11400;
  sessions[2].sectorCount = 8;
  ScanOptions second;
  second.session = 2;
  for (const auto& [given, shown, chosen, result] :
       {std::tuple{ScanOptions{}, "Last session", "Whole disc", kWholeDisc},
        std::tuple{second, "Session 2 (sectors 11400 to 11407)", "Session 1 (sectors 0 to 9)",
                   1}}) {
    Dlg dialog(given, {}, sessions);
    Run(dialog, [&](QDialog* d) {
      auto* list = Item<QComboBox>(d, Dlg::kSessionListId);
      QStringList items;
      for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
      EXPECT_EQ(items, QStringList({"Last session", "Session 1 (sectors 0 to 9)",
                                    "Session 2 (sectors 11400 to 11407)", "Whole disc"}));
      EXPECT_EQ(list->currentText(), shown);
      list->setCurrentText(chosen);
      Item<QPushButton>(d, kIdOk)->click();
    });
    EXPECT_EQ(dialog.Options().session, result);
  }
  // Defaults: the last session again; without sessions it is all there is.
  Dlg dialog(second, {}, sessions);
  Run(dialog, [](QDialog* d) {
    Item<QPushButton>(d, Dlg::kDefaultsId)->click();
    Item<QPushButton>(d, kIdOk)->click();
  });
  EXPECT_EQ(dialog.Options().session, kLastSession);
  Dlg none(second, {});
  Run(none, [](QDialog* d) {
    EXPECT_EQ(Item<QComboBox>(d, Dlg::kSessionListId)->count(), 1);
    Item<QPushButton>(d, kIdOk)->click();
  });
  EXPECT_EQ(none.Options().session, kLastSession);
}

TEST_F(ScanOptionsDialogTest, LaysOutLabelsControlsAndButtonsInPixels) {
  Dlg dialog(ScanOptions{}, {});
  Run(dialog, [&](QDialog*) {
    const int w = dialog.ClientRect().width();
    const int h = dialog.ClientRect().height();
    const int middle = 10 + (w - 20) / 2;
    const int rows[][2] = {{Dlg::kSessionLabelId, Dlg::kSessionListId},
                           {Dlg::kSectorsPerReadLabelId, Dlg::kSectorsPerReadListId},
                           {Dlg::kAttemptsLabelId, Dlg::kAttemptsListId},
                           {Dlg::kSkipLabelId, Dlg::kSkipEditId},
                           {Dlg::kFirstLabelId, Dlg::kFirstEditId},
                           {Dlg::kLastLabelId, Dlg::kLastEditId},
                           {Dlg::kSpeedLabelId, Dlg::kSpeedListId}};
    int y = 10;
    for (const auto& [label, control] : rows) {
      SCOPED_TRACE(label);
      EXPECT_EQ(Item(dialog.Client(), label)->geometry(), QRect(10, y + 3, middle - 18, 18));
      const QRect placed = Item(dialog.Client(), control)->geometry();
      EXPECT_EQ(placed.topLeft(), QPoint(middle, y));
      EXPECT_EQ(placed.right(), w - 11);
      EXPECT_LE(placed.height(), 26);  // a row never covers the next one
      y += 26;
    }
    EXPECT_EQ(Item(dialog.Client(), Dlg::kRetryId)->geometry(), QRect(10, y + 4, w - 20, 20));
    EXPECT_EQ(Item(dialog.Client(), Dlg::kDefaultsId)->geometry(), QRect(10, h - 33, 80, 23));
    EXPECT_EQ(Item(dialog.Client(), kIdOk)->geometry(), QRect(w - 176, h - 33, 80, 23));
    EXPECT_EQ(Item(dialog.Client(), kIdCancel)->geometry(), QRect(w - 90, h - 33, 80, 23));
    // The controls end above the buttons.
    EXPECT_LT(y + 24, h - 33);
    // Every label's text fits its width.
    for (const auto& row : rows) {
      auto* label = Item<QLabel>(dialog.Client(), row[0]);
      EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
          << label->text().toStdString();
    }
    dialog.EndDialog(kIdCancel);
  });
}

TEST_F(ScanOptionsDialogTest, OkKeepsTheChoicesCancelAndEscapeDoNot) {
  const std::function<void(QDialog*)> closeWithout[] = {
      [](QDialog* d) { Item<QPushButton>(d, kIdCancel)->click(); },
      [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); },
  };
  for (const auto& close : closeWithout) {
    Dlg dialog(ScanOptions{}, {8});
    EXPECT_EQ(Run(dialog,
                  [&](QDialog* d) {
                    ChooseOthers(d);
                    close(d);
                  }),
              kIdCancel);
    EXPECT_EQ(dialog.Options(), ScanOptions{});
  }
  Dlg dialog(ScanOptions{}, {8});
  EXPECT_EQ(Run(dialog,
                [](QDialog* d) {
                  ChooseOthers(d);
                  Item<QPushButton>(d, kIdOk)->click();
                }),
            kIdOk);
  EXPECT_EQ(dialog.Options(), Others());
}

TEST_F(ScanOptionsDialogTest, DefaultsPutsEveryControlBack) {
  Dlg dialog(Others(), {8});
  Run(dialog, [](QDialog* d) {
    EXPECT_EQ(Shown(d), QStringList({"32", "2", "16", "100", "2000", "8x", "retry"}));
    Item<QPushButton>(d, Dlg::kDefaultsId)->click();
    EXPECT_EQ(Shown(d), QStringList({"1", "5", "0", "0", "", "Maximum", "all"}));
    Item<QPushButton>(d, kIdOk)->click();
  });
  EXPECT_EQ(dialog.Options(), ScanOptions{});
}

TEST_F(ScanOptionsDialogTest, ARangeThatEndsBeforeItStartsIsRefused) {
  Dlg dialog(ScanOptions{}, {});
  bool stillOpen = false;
  Run(dialog, [&](QDialog* d) {
    Item<QLineEdit>(d, Dlg::kFirstEditId)->setText("10");
    Item<QLineEdit>(d, Dlg::kLastEditId)->setText("9");
    WithModalDialog([&] { Item<QPushButton>(d, kIdOk)->click(); },
                    [](QDialog* box) {
                      EXPECT_EQ(qobject_cast<QMessageBox*>(box)->text(),
                                "The last sector comes before the first sector.");
                      box->accept();
                    });
    stillOpen = d->isVisible();
    d->reject();
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(dialog.Options(), ScanOptions{});
}

TEST_F(ScanOptionsDialogTest, SettingsKeepTheOptionsButNotTheRetry) {
  EXPECT_EQ(LoadScanOptions(), ScanOptions{});
  SaveScanOptions(Others());
  ScanOptions expected = Others();
  expected.retry = false;
  EXPECT_EQ(LoadScanOptions(), expected);
  // Values out of range, or that do not fit together, are the defaults.
  QSettings settings = ProgramSettings();
  settings.setValue("scan/sectorsPerRead", 3);
  settings.setValue("scan/attempts", "many");
  settings.setValue("scan/lastSector", 50);
  settings.sync();
  const ScanOptions loaded = LoadScanOptions();
  EXPECT_EQ(loaded.sectorsPerRead, 1);
  EXPECT_EQ(loaded.attempts, 5);
  EXPECT_EQ(loaded.skipAfterError, 16);
  EXPECT_EQ(loaded.firstSector, 0);
  EXPECT_EQ(loaded.lastSector, -1);
}

}  // namespace
