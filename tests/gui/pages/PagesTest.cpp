// The two information pages as the user sees them: titles, rows for a table
// of drives and media, layout, and Enter and Escape inside a page.
#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTreeWidget>
#include <cstring>
#include <functional>
#include <memory>

#include "../../core/report/MediumRecords.h"
#include "../support/GroupListText.h"
#include "core/disc/DeviceContext.h"
#include "gui/pages/DeviceFeaturesPage.h"
#include "gui/pages/MediaPage.h"
#include "gui/platform/ControlId.h"

namespace {

using records::Track;

wrenlo::IsoVolumeInfo IsoVolume(std::u16string_view label) {
  return records::IsoVolume(label, u"Publisher", u"Application");
}

wrenlo::UdfVolumeInfo UdfVolume(std::int32_t revision) {
  return records::UdfVolume(u"UDF VOLUME", revision, 12, 3);
}

// One DVD medium, one session of 2295104 sectors starting with track 1.
void ScriptDvd(std::uint8_t flags) {
  fake::script().medium = fake::Medium(u"DVD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(2295104, 0, 1);
  fake::script().tracks[1] = Track(1, flags);
}

wrenlo::DeviceInformationEx DeviceInfo(std::int32_t region) {
  wrenlo::DeviceInformationEx info;
  std::memset(&info, 0, sizeof info);
  info.regionCode = region;
  info.userChangesLeft = 5;
  info.bufferSizeKB = 2048;
  info.firmwareRevision.set(u"1.00");
  return info;
}

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    host.resize(700, 500);
    host.show();
  }

  // Creates page inside the host window, sized and shown as the main window
  // does it.
  void Open(BasePage& page) {
    page.CreatePage(&host);
    page.setGeometry(0, 0, 600, 400);
    page.show();
  }

  // Builds a context for drive E from the script and shows it on page.
  void Show(BasePage& page) {
    context = std::make_unique<DeviceContext>(u'E');
    page.context = context.get();
    page.UpdateContent();
  }

  QWidget host;
  std::unique_ptr<DeviceContext> context;
};

TEST_F(PagesTest, TitlesAreKnownBeforeTheWindowExists) {
  DeviceFeaturesPage features;
  MediaPage media;
  EXPECT_FALSE(features.HasWindow());
  EXPECT_EQ(features.GetTitle(), "Device Features");
  EXPECT_EQ(media.GetTitle(), "Media");
  EXPECT_EQ(features.context, nullptr);
}

TEST_F(PagesTest, FeaturesPageShowsTheDrive) {
  DeviceFeaturesPage page;
  Open(page);
  EXPECT_TRUE(GroupListLines(Item<QTreeWidget>(&page, 1002)).isEmpty());

  struct Case {
    const char* what;
    std::function<void()> script;
    QStringList shown;  // lines that must be shown
  };
  const Case cases[] = {
      {"silent engine",
       [] {},
       {"General Information", "  Vendor | ", "  Model | ",
        "  Drive Letter | E:", "  Firmware Revision | ", "  Firmware Date | ",
        "  Buffer Size | 0 KB", "DVD Features", "  Region Code | None", "  RPC Scheme | ",
        "  User Changes Left | 0", "  Vendor Resets Left | ", "Read Features",
        "  Reads CD-R | No [no]", "  Max. Read Speed | n/a", "Write Features",
        "  Max. Write Speed | n/a", "Misc Features", "  Supports Locking | No [no]"}},
      {"region 2, speeds, answers",
       [] {
         fake::script().identity = {{u"CORVANE", u"BD-RE XJ-1", u"1.0"}};
         fake::script().deviceInfoEx = DeviceInfo(2);
         fake::script().maxReadSpeed = 7056;
         fake::script().maxBurnSpeed = 0;
         fake::script().capabilities[wrenlo::cap::ReadsBluRay] = 1;
         fake::script().capabilities[wrenlo::cap::WritesBdRe] = 3;
       },
       {"  Vendor | CORVANE", "  Model | BD-RE XJ-1", "  Buffer Size | 2048 KB",
        "  Region Code | 2", "  User Changes Left | 5", "  Reads Blu-Ray | Yes [yes]",
        "  Max. Read Speed | 7056 KB/s", "  Writes Blu-ray (BD-RE) | No [no]",
        "  Max. Write Speed | n/a"}},
      {"negative region, write speed only",
       [] {
         fake::script().deviceInfoEx = DeviceInfo(-1);
         fake::script().maxReadSpeed = -1;
         fake::script().maxBurnSpeed = 1385;
       },
       {"  Region Code | -1", "  Max. Read Speed | n/a", "  Max. Write Speed | 1385 KB/s"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    c.script();
    Show(page);
    const QStringList lines = GroupListLines(Item<QTreeWidget>(&page, 1002));
    for (const QString& line : c.shown) EXPECT_TRUE(lines.contains(line)) << line.toStdString();
    EXPECT_EQ(lines.count(), 5 + 6 + 4 + 23 + 17 + 8) << "rows once, no serial number row";
  }
}

TEST_F(PagesTest, MediaPageShowsTheMedium) {
  MediaPage page;
  Open(page);

  struct Case {
    const char* what;
    std::function<void()> script;
    QStringList shown;    // lines that must be shown
    QStringList missing;  // lines that must not be shown
  };
  const Case cases[] = {
      {"no medium",
       [] { fake::script().results["GetMediumInformation"] = 1; },
       {},
       {"Physical Information"}},
      {"silent engine: every file system with its presets",
       [] {
         fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
         fake::script().sessions[1] = fake::Session(359844, 0, 1);
       },
       {"Physical Information", "  Capacity | 0.69 GB", "  Sectors | 359844", "Content",
        "  Content Type | Audio", "  Bootable | Yes", "ISO File System", "  Volume Label | BS_NDEF",
        "Joliet File System", "UDF File System", "  UDF Version | ", "  Directories | -1",
        "  Files | -1"},
       {}},
      {"all file systems",
       [] {
         ScriptDvd(0x07);
         fake::script().isoVolumes[wrenlo::kFileSystemIso9660] = IsoVolume(u"ISO_LABEL");
         fake::script().isoVolumes[wrenlo::kFileSystemJoliet] = IsoVolume(u"Joliet Label");
         fake::script().udfVolume = UdfVolume(0x0102);
       },
       {"Physical Information",
        "  Media Type | DVD-ROM",
        "  Media ID | ",
        "  Speeds | ",
        "  Layers | ",
        "  Capacity | 4.38 GB",
        "  Sectors | 2295104",
        "Content",
        "  Content Type | Data (Mode 1)",
        "  Tracks | 1",
        "  Sessions | 1",
        "  Bootable | No",
        "ISO File System",
        "  Volume Label | ISO_LABEL",
        "  Creation Time: | 15.03.2010 14:05:09",
        "  Publisher | Publisher",
        "  Application | Application",
        "Joliet File System",
        "  Volume Label | Joliet Label",
        "UDF File System",
        "  Volume Label | UDF VOLUME",
        "  UDF Version | 1.02",
        "  Directories | 3",
        "  Files | 12"},
       {}},
      {"ISO 9660 and Joliet only",
       [] { ScriptDvd(0x03); },
       {"ISO File System", "Joliet File System"},
       {"UDF File System"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    ScriptDvd(0x0F);  // the previous medium fills the list first
    Show(page);
    fake::Reset();
    c.script();
    Show(page);
    const QStringList lines = GroupListLines(Item<QTreeWidget>(&page, 1007));
    for (const QString& line : c.shown) EXPECT_TRUE(lines.contains(line)) << line.toStdString();
    for (const QString& line : c.missing) EXPECT_FALSE(lines.contains(line)) << line.toStdString();
    if (c.shown.isEmpty()) {
      EXPECT_TRUE(lines.isEmpty());
    }
  }
}

TEST_F(PagesTest, MediaPageNamesEachUdfRevision) {
  MediaPage page;
  Open(page);
  const std::pair<std::int32_t, const char*> cases[] = {
      {0x0102, "1.02"}, {0x0150, "1.5"}, {0x0200, "2.0"}, {0x0201, "2.01"},
      {0x0250, "2.5"},  {0x0260, "2.6"}, {0x0300, ""}};
  for (const auto& [revision, text] : cases) {
    fake::Reset();
    ScriptDvd(0x04);
    fake::script().udfVolume = UdfVolume(revision);
    Show(page);
    const QStringList lines = GroupListLines(Item<QTreeWidget>(&page, 1007));
    EXPECT_TRUE(lines.contains(QStringLiteral("  UDF Version | ") + text)) << revision;
  }
}

TEST_F(PagesTest, LayoutFollowsThePageSize) {
  DeviceFeaturesPage features;
  MediaPage media;
  Open(features);
  Open(media);
  for (const QSize size : {QSize(600, 400), QSize(451, 287)}) {
    features.resize(size);
    media.resize(size);
    const int w = size.width(), h = size.height();
    auto* list = Item<QTreeWidget>(&features, 1002);
    EXPECT_EQ(Item(&features, 1006)->geometry(), QRect(0, h - 23, 155, 23));
    EXPECT_EQ(list->geometry(), QRect(0, 0, w, h - 30));
    const int v = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    EXPECT_EQ(list->columnWidth(0), w / 2 - v - 10);
    EXPECT_EQ(list->columnWidth(1), w / 2);
    EXPECT_EQ(Item(&media, 1007)->geometry(), QRect(0, 0, w, h));
  }
  EXPECT_EQ(Item<QPushButton>(&features, 1006)->text(), "Check for Firmware Update");
}

TEST_F(PagesTest, EnterAndEscapeInsideAPageDoNothing) {
  DeviceFeaturesPage page;
  Open(page);
  for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(Item(&page, 1002), Qt::Key(key));
    QTest::keyClick(Item(&page, 1006), Qt::Key(key));
    EXPECT_TRUE(page.isVisible()) << key;
    EXPECT_TRUE(page.HasWindow());
  }
}

}  // namespace
