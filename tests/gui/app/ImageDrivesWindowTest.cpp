// Disc images as drives in the window, on the real engine: images given at
// start, dropped on the window and picked from Recent Images get the next
// free letters, a closed image's among them; those that cannot be opened are
// named and take no letter; an image open already selects its drive; Close
// Image asks before it ends a scan; the window notices a disc taken out and
// put back without a refresh.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <QAbstractButton>
#include <QDropEvent>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

#include "../support/WaitUntil.h"
#include "core/disc/DeviceContext.h"
#include "core/disc/DeviceList.h"
#include "core/scan/SectorScanner.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RecentImagesMenu.h"
#include "gui/controls/DeviceCombo.h"
#include "gui/pages/ScanPage.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/Menu.h"

namespace {

class ImageDrivesWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid() && settings.isValid());
    // Recent images go here, not into the user's settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    RecentImagesMenu::Remember(QStringLiteral("/older/one.iso"));
    listed = Image("listed.iso", 16);
    qputenv("WRENLO_IMAGES", QFile::encodeName(listed));
    wrenlo::Initialize();
    // The machine's own drives come first; the images follow them.
    firstImage = static_cast<char16_t>(u'D' + ReadDeviceList().size() - 1);
  }
  void TearDown() override { window.reset(); }

  // A plain image of sectors sectors in the test's folder.
  QString Image(const char* name, int sectors, const char* faults = nullptr) {
    const QString path = folder.filePath(QString::fromUtf8(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64{sectors} * 2048));
    if (faults != nullptr) {
      QFile lines(path + QStringLiteral(".faults"));
      EXPECT_TRUE(lines.open(QIODevice::WriteOnly));
      lines.write(faults);
    }
    return path;
  }

  void Open(const QStringList& startImages) {
    window = std::make_unique<MainWindow>();
    window->SetStartImages(startImages);
    window->Create();
    window->show();
    ASSERT_TRUE(WaitUntil([&] { return window->isVisible(); }));
  }
  // Opens the window and runs what it does first once it shows (a message
  // about the images it could not open).
  void OpenAndRunItsStart(const QStringList& startImages) {
    Open(startImages);
    QCoreApplication::processEvents();
  }

  DeviceCombo* Drives() const { return Item<DeviceCombo>(window->Client(), 1001); }
  // The drive list's items as shown, the selected one marked with '>'.
  QStringList Items() const {
    QStringList items;
    for (int i = 0; i < Drives()->count(); ++i)
      items << (i == Drives()->currentIndex() ? ">" : "") + Drives()->itemText(i);
    return items;
  }
  QString Letter(int offset) const { return QChar(static_cast<char16_t>(firstImage + offset)); }
  std::uint16_t Selected() const { return window->CurrentContext()->driveLetter; }

  void Drop(const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPointF at(window->width() / 2.0, window->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
  }

  // Runs act, which must show a message box, and presses its button answer.
  static QString Answer(const std::function<void()>& act, const QString& answer) {
    QString text;
    WithModalDialog(act, [&](QDialog* dialog) {
      auto* box = qobject_cast<QMessageBox*>(dialog);
      ASSERT_NE(box, nullptr);
      text = box->text();
      for (QAbstractButton* button : box->buttons())
        if (button->text() == answer) button->click();
    });
    return text;
  }

  QTemporaryDir folder;
  QTemporaryDir settings;
  QString listed;
  char16_t firstImage = u'D';
  std::unique_ptr<MainWindow> window;
};

TEST_F(ImageDrivesWindowTest, ImagesFromTheStartAndFromADropGetTheNextLetters) {
  const QString second = Image("second.iso", 16);
  const QString third = Image("third.iso", 16);
  const QString dropped = Image("dropped.iso", 16);
  // The missing one is named once the window shows, and takes no letter.
  EXPECT_EQ(Answer(
                [&] {
                  OpenAndRunItsStart({second, folder.filePath("missing.iso"), third});
                },
                QStringLiteral("OK")),
            "The image could not be opened:\nmissing.iso: no such file");
  // After the listed image, in order; the first opened is selected.
  QStringList expected = {Letter(0) + ": listed.iso", ">" + Letter(1) + ": second.iso",
                          Letter(2) + ": third.iso"};
  EXPECT_EQ(Items().mid(Items().size() - 3), expected);
  EXPECT_EQ(Selected(), firstImage + 1);
  EXPECT_TRUE(window->CurrentContext()->hasMedium);

  Drop({dropped});
  ASSERT_TRUE(WaitUntil([&] { return Selected() == firstImage + 3; }));
  EXPECT_EQ(Drives()->currentText(), Letter(3) + ": dropped.iso");
  // Newest first, the unusable one left out.
  EXPECT_EQ(RecentImagesMenu::Images(),
            QStringList({dropped, third, second, QStringLiteral("/older/one.iso")}));

  // An image open already is not opened twice: its drive is selected.
  const int items = Drives()->count();
  window->OpenImageFiles({second});
  EXPECT_EQ(Selected(), firstImage + 1);
  EXPECT_EQ(Drives()->count(), items);

  // Closed, its letter goes to the next image opened: here the same image
  // once more, from Recent Images.
  Drives()->setCurrentIndex(Drives()->findText(Letter(3) + ": dropped.iso"));
  emit Drives()->activated(Drives()->currentIndex());
  ASSERT_EQ(Selected(), firstImage + 3);
  QAction* close = window->Menu()->Command(MainWindow::kCloseImage);
  close->trigger();
  EXPECT_EQ(Drives()->findText(Letter(3) + ": dropped.iso"), -1);
  EXPECT_NE(Selected(), firstImage + 3);
  window->RecentImages()->Fill();
  ASSERT_EQ(window->RecentImages()->actions().size(), 4);
  // The one opened again came first.
  EXPECT_EQ(window->RecentImages()->actions()[0]->text(), "&1 " + second);
  EXPECT_EQ(window->RecentImages()->actions()[1]->text(), "&2 " + dropped);
  window->RecentImages()->actions()[1]->trigger();
  EXPECT_EQ(Selected(), firstImage + 3);
  EXPECT_EQ(Drives()->currentText(), Letter(3) + ": dropped.iso");
}

// More images than letters: those left over are named, with why.
TEST_F(ImageDrivesWindowTest, ImagesWithoutALetterAreNamed) {
  const int free = u'Z' - firstImage;  // after the listed image
  QStringList images;
  for (int i = 0; i < free + 3; ++i)
    images << Image(qPrintable(QStringLiteral("many%1.iso").arg(i)), 16);
  const QString text = Answer([&] { OpenAndRunItsStart(images); }, QStringLiteral("OK"));
  EXPECT_EQ(text, QStringLiteral("These images could not be opened:\n"
                                 "many%1.iso: no drive letter is left\n"
                                 "many%2.iso: no drive letter is left\n"
                                 "many%3.iso: no drive letter is left")
                      .arg(free)
                      .arg(free + 1)
                      .arg(free + 2));
  EXPECT_EQ(Drives()->findText("Z: many" + QString::number(free - 1) + ".iso"),
            Drives()->count() - 1);
}

TEST_F(ImageDrivesWindowTest, AnImageThatCannotBeOpenedIsSaidAndNotListed) {
  Open({});
  const int items = Drives()->count();
  const std::uint16_t selected = Selected();
  const QString text =
      Answer([&] { window->OpenImageFiles({folder.filePath("gone.iso")}); }, QStringLiteral("OK"));
  EXPECT_EQ(text, "The image could not be opened:\ngone.iso: no such file");
  EXPECT_EQ(Drives()->count(), items);
  EXPECT_EQ(Selected(), selected);
  // Close Image is for image drives only; the listed image is one.
  window->RecentImages()->Fill();
  EXPECT_TRUE(window->RecentImages()->menuAction()->isEnabled());
}

TEST_F(ImageDrivesWindowTest, ClosingTheScannedImageAsksFirst) {
  const QString slow = Image("slow.iso", 20000, "latency 500\n");  // ten seconds
  Open({slow});
  ScanPage* page = static_cast<ScanPage*>(window->Page(2));
  Item<QPushButton>(page->Client(), ScanPage::kStartStopId)->click();
  ASSERT_TRUE(page->Scanner()->IsRunning());
  QAction* close = window->Menu()->Command(MainWindow::kCloseImage);

  EXPECT_EQ(Answer([&] { close->trigger(); }, QStringLiteral("Continue scanning")),
            "A scan is running. Stop it?");
  EXPECT_TRUE(page->Scanner()->IsRunning());
  EXPECT_EQ(Drives()->currentText(), Letter(1) + ": slow.iso");

  EXPECT_EQ(Answer([&] { close->trigger(); }, QStringLiteral("Stop")),
            "A scan is running. Stop it?");
  EXPECT_FALSE(page->Scanner()->IsRunning());
  EXPECT_EQ(Drives()->findText(Letter(1) + ": slow.iso"), -1);
}

// A disc taken out and put back is noticed without a refresh.
TEST_F(ImageDrivesWindowTest, TheWindowFollowsADiscTakenOutAndPutBack) {
  Open({});
  window->WatchMedia();
  ASSERT_TRUE(Drives()->SelectDrive(firstImage));
  emit Drives()->activated(Drives()->currentIndex());
  ASSERT_EQ(Selected(), firstImage);
  ASSERT_TRUE(window->CurrentContext()->hasMedium);

  ASSERT_EQ(wrenlo::EjectDevice(firstImage), 0);
  EXPECT_TRUE(WaitUntil([&] { return !window->CurrentContext()->hasMedium; }, 10000));
  EXPECT_EQ(Selected(), firstImage);
  ASSERT_EQ(wrenlo::CloseDevice(firstImage), 0);
  EXPECT_TRUE(WaitUntil([&] { return window->CurrentContext()->hasMedium; }, 10000));
}

}  // namespace
