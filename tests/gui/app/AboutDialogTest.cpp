// The About box as opened from the main window: its size, what it draws, and
// the clicks and keys that close it or open the web site.
#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "../support/UrlCatcher.h"
#include "../support/WaitUntil.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/MainWindow.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/LinkCtrl.h"
#include "gui/platform/Menu.h"
#include "gui/platform/Resources.h"

namespace {

class AboutDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    window.Create();
    window.show();
  }

  // Opens the About box with the main window's link and runs inside with it.
  void WithAbout(const std::function<void(AboutDialog&)>& inside) {
    auto* link = Item<LinkCtrl>(window.Client(), MainWindow::kAboutLinkId);
    WithModalDialog([&] { QTest::mouseClick(link, Qt::LeftButton, {}, link->LinkRect().center()); },
                    [&](QDialog* dialog) {
                      auto* about = dynamic_cast<AboutDialog*>(dialog);
                      ASSERT_NE(about, nullptr);
                      EXPECT_FALSE(window.isEnabled() && window.isActiveWindow());
                      inside(*about);
                    });
  }

  MainWindow window;
};

TEST_F(AboutDialogTest, PictureWideAndThreeHundredPixelsHigh) {
  WithAbout([](AboutDialog& about) {
    EXPECT_EQ(about.windowTitle(), "About Corvane Lumeter");
    EXPECT_EQ(about.Client()->width(), 373);
    EXPECT_EQ(about.frameGeometry().height(), 300);
    EXPECT_EQ(Item<LinkCtrl>(about.Client(), AboutDialog::kWebLinkId)->Text(),
              "https://www.corvane.example");
  });
}

TEST_F(AboutDialogTest, DrawsThePictureWithTheProductTextOnIt) {
  WithAbout([](AboutDialog& about) {
    const QImage shown = about.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage picture = LoadBitmap(146).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(300, 40), picture.pixel(300, 40));
    EXPECT_EQ(shown.pixel(5, 5), picture.pixel(5, 5));
    // The product text: dark pixels just below and right of (22, 70), where
    // the picture itself is light.
    int dark = 0;
    for (int y = 70; y < 84; ++y)
      for (int x = 22; x < 170; ++x) {
        EXPECT_GT(qGray(picture.pixel(x, y)), 150);
        if (qGray(shown.pixel(x, y)) < 80) ++dark;
      }
    EXPECT_GT(dark, 40);
    for (int x = 0; x < 22; ++x) EXPECT_EQ(shown.pixel(x, 76), picture.pixel(x, 76));
  });
}

TEST_F(AboutDialogTest, LinkOpensTheWebSiteAndLeavesTheBoxOpen) {
  UrlCatcher browser;
  WithAbout([&](AboutDialog& about) {
    auto* link = Item<LinkCtrl>(about.Client(), AboutDialog::kWebLinkId);
    QTest::keyClick(link, Qt::Key_Return);  // the Enter notification opens nothing
    EXPECT_TRUE(browser.opened.isEmpty());
    QTest::mouseClick(link, Qt::LeftButton, {}, link->LinkRect().center());
    EXPECT_EQ(browser.opened, QStringList({"https://www.corvane.example"}));
    EXPECT_TRUE(about.isVisible());
  });
}

TEST_F(AboutDialogTest, CloseButtonClickOnTheBackgroundAndKeysCloseIt) {
  struct Case {
    const char* what;
    std::function<void(AboutDialog&)> act;
    int result;
  };
  const Case cases[] = {
      {"click on the picture",
       [](AboutDialog& a) {
         QTest::mouseClick(a.Client(), Qt::LeftButton, {}, {300, 40});
       },
       kIdOk},
      {"click on a notice",
       [](AboutDialog& a) {
         QWidget* notice = a.Client()->findChildren<QLabel*>().first();
         QTest::mouseClick(notice, Qt::LeftButton, {}, {2, 2});
       },
       kIdOk},
      {"Close button",
       [](AboutDialog& a) {
         auto* close = Item<QPushButton>(a.Client(), AboutDialog::kCloseId);
         // Whole, inside the window, at the bottom right, under the notice.
         EXPECT_TRUE(a.Client()->rect().contains(close->geometry()));
         EXPECT_GT(close->x(), a.Client()->width() / 2);
         EXPECT_GT(close->y(), a.Client()->height() * 3 / 4);
         for (QLabel* label : a.Client()->findChildren<QLabel*>())
           EXPECT_FALSE(label->geometry().intersects(close->geometry()));
         EXPECT_EQ(close->text(), "Close");
         close->click();
       },
       kIdOk},
      {"Escape", [](AboutDialog& a) { QTest::keyClick(&a, Qt::Key_Escape); }, kIdCancel},
      {"Enter", [](AboutDialog& a) { QTest::keyClick(&a, Qt::Key_Return); }, kIdOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WithAbout([&](AboutDialog& about) {
      c.act(about);
      EXPECT_FALSE(about.isVisible());
      EXPECT_EQ(about.result(), c.result);
    });
  }
  EXPECT_TRUE(window.isVisible());
}

TEST_F(AboutDialogTest, MenuAndEnterOnTheLinkOpenItToo) {
  const auto isAbout = [](QDialog* dialog) {
    EXPECT_NE(dynamic_cast<AboutDialog*>(dialog), nullptr);
  };
  WithModalDialog([&] { window.Menu()->Command(MainWindow::kAbout)->trigger(); }, isAbout);
  WithModalDialog(
      [&] { QTest::keyClick(Item(window.Client(), MainWindow::kAboutLinkId), Qt::Key_Return); },
      isAbout);
}

}  // namespace
