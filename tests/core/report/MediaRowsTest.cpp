#include <FakeEngine.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "MediumRecords.h"
#include "PropertyRowsText.h"
#include "core/disc/DeviceContext.h"
#include "core/report/MediaRows.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using records::IsoVolume;
using records::Track;
using records::UdfVolume;

class MediaRowsTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  // A medium with sessions 1..3 and tracks 1..12; the last session has
  // `sectors` sectors and starts with track 5.
  static void ScriptMedium(std::int32_t sectors) {
    fake::script().medium = fake::Medium(u"DVD-ROM", 1, 3, 1, 12);
    fake::script().sessions[1] = fake::Session(1000, 0, 1);
    fake::script().sessions[2] = fake::Session(1000, 5000, 3);
    fake::script().sessions[3] = fake::Session(sectors, 10000, 5);
  }

  // The engine calls that building the rows makes.
  static std::vector<std::string> RowCalls(const DeviceContext& context, PropertyGroups& groups) {
    const std::size_t before = fake::Calls().size();
    groups = MediaRows(&context);
    const std::vector<std::string> calls = fake::Calls();
    return std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(before),
                                    calls.end());
  }
};

TEST_F(MediaRowsTest, AllThreeFileSystemsRowByRowAndCallByCall) {
  ScriptMedium(2295104);
  fake::script().tracks[5] = Track(1, 0x0F);
  fake::script().isoVolumes[wrenlo::kFileSystemIso9660] = IsoVolume(u"DATA", u"PUB", u"APP");
  fake::script().isoVolumes[wrenlo::kFileSystemJoliet] = IsoVolume(u"Data Ü", u"Pub", u"App");
  fake::script().udfVolume = UdfVolume(u"Udf Label", 0x0201, 42, 7);
  DeviceContext context(u'E');

  PropertyGroups groups;
  const std::vector<std::string> calls = RowCalls(context, groups);

  EXPECT_THAT(RowTexts(groups[kPhysicalInformation]),
              ElementsAre("Media Type = DVD-ROM", "Media ID = ", "Speeds = ", "Layers = ",
                          "Capacity = 4.38 GB", "Sectors = 2295104"));
  EXPECT_THAT(RowTexts(groups[kContent]), ElementsAre("Content Type = Data (Mode 1)", "Tracks = 12",
                                                      "Sessions = 3", "Bootable = Yes"));
  EXPECT_THAT(
      RowTexts(groups[kIsoFileSystem]),
      ElementsAre("Volume Label = DATA", "Creation Time: = 15.03.2010 14:05:09",
                  "Modification Time: = 31.12.1999 23:59:59",
                  "Expiration Time: = 01.01.1900 00:00:00", "Effective Time: = 04.07.2024 08:30:00",
                  "Publisher = PUB", "Application = APP"));
  EXPECT_EQ(RowTexts(groups[kJolietFileSystem]).front(), "Volume Label = Data Ü");
  EXPECT_THAT(RowTexts(groups[kUdfFileSystem]),
              ElementsAre("Volume Label = Udf Label", "UDF Version = 2.01", "Directories = 7",
                          "Files = 42"));

  // The track record is read before the content rows and before each file
  // system; ISO 9660, then Joliet, then UDF, each on the last session's
  // first track; then every track's, for the Tracks group.
  ASSERT_EQ(calls.size(), 13u + 12u);
  for (std::int32_t track = 1; track <= 12; ++track)
    EXPECT_EQ(calls[12 + static_cast<std::size_t>(track)],
              "GetTrackInformation(-1, " + std::to_string(track) + ")");
  EXPECT_THAT(std::vector(calls.begin(), calls.begin() + 13),
              ElementsAre("GetTrackInformation(-1, 5)", "GetTrackInformation(-1, 5)",
                          "OpenDiskSession(-1, 5, 1)", "GetISOVolumeInformation(100)",
                          "CloseDiskSession(100)", "GetTrackInformation(-1, 5)",
                          "OpenDiskSession(-1, 5, 2)", "GetISOVolumeInformation(101)",
                          "CloseDiskSession(101)", "GetTrackInformation(-1, 5)",
                          "OpenDiskSession(-1, 5, 4)", "GetUDFVolumeInformation(102)",
                          "CloseDiskSession(102)"));
  EXPECT_EQ(fake::OpenHandles(), 0);
}

TEST_F(MediaRowsTest, NoContextOrNoMediumShowsNothingAndAsksNothing) {
  EXPECT_THAT(ShownGroupTitles(MediaRows(nullptr)), IsEmpty());
  ScriptMedium(1000);
  fake::script().results["GetMediumInformation"] = 1;
  DeviceContext context(u'E');
  PropertyGroups groups;
  EXPECT_THAT(RowCalls(context, groups), IsEmpty());
  EXPECT_THAT(ShownGroupTitles(groups), IsEmpty());
  EXPECT_EQ(groups.size(), 6u);  // declared, but without rows
}

TEST_F(MediaRowsTest, SilentTrackAndUdfRecordsKeepTheirDefaults) {
  // The engine writes neither the track record nor the UDF record: mode 255
  // and every flag set, so every file system is asked for and shows presets
  // (the dates stay all zero, which is no date).
  ScriptMedium(1000);
  DeviceContext context(u'E');
  const PropertyGroups groups = MediaRows(&context);
  EXPECT_THAT(RowTexts(groups[kContent]),
              ElementsAre("Content Type = Audio", "Tracks = 12", "Sessions = 3", "Bootable = Yes"));
  EXPECT_THAT(ShownGroupTitles(groups),
              ElementsAre("Physical Information", "Content", "ISO File System",
                          "Joliet File System", "UDF File System", "Tracks"));
  // Tracks whose records say nothing: their numbers and the preset's type.
  EXPECT_EQ(RowTexts(groups[kTracks]).size(), 12u);
  EXPECT_EQ(RowTexts(groups[kTracks]).front(), "Track 1 = Audio");
  EXPECT_THAT(
      RowTexts(groups[kIsoFileSystem]),
      ElementsAre("Volume Label = BS_NDEF", "Creation Time: = ", "Modification Time: = ",
                  "Expiration Time: = ", "Effective Time: = ", "Publisher = BS_NDEF",
                  "Application = BS_NDEF"));
  EXPECT_THAT(
      RowTexts(groups[kUdfFileSystem]),
      ElementsAre("Volume Label = BS_NDEF", "UDF Version = ", "Directories = -1", "Files = -1"));
}

TEST_F(MediaRowsTest, ContentCases) {
  struct Case {
    const char* what;
    std::int32_t sectors;
    std::uint8_t mode, flags;
    const char *capacity, *sectorText, *content, *bootable;
    std::vector<std::string> shown;
  };
  const std::vector<std::string> base = {"Physical Information", "Content", "Tracks"};
  const Case cases[] = {
      {"DVD, mode 1, ISO and Joliet",
       2295104,
       1,
       0x03,
       "4.38 GB",
       "2295104",
       "Data (Mode 1)",
       "No",
       {"Physical Information", "Content", "ISO File System", "Joliet File System", "Tracks"}},
      {"CD, mode 2, bootable ISO",
       359844,
       2,
       0x09,
       "0.69 GB",
       "359844",
       "Data (Mode 2)",
       "Yes",
       {"Physical Information", "Content", "ISO File System", "Tracks"}},
      {"audio, nothing else", 1000, 0, 0x00, "0.00 GB", "1000", "Audio", "No", base},
      {"UDF only",
       12000,
       1,
       0x04,
       "0.02 GB",
       "12000",
       "Data (Mode 1)",
       "No",
       {"Physical Information", "Content", "UDF File System", "Tracks"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    ScriptMedium(c.sectors);
    fake::script().tracks[5] = Track(c.mode, c.flags);
    DeviceContext context(u'E');
    const PropertyGroups groups = MediaRows(&context);
    EXPECT_EQ(fake::Utf8(groups[kPhysicalInformation].rows[4].value), c.capacity);
    EXPECT_EQ(fake::Utf8(groups[kPhysicalInformation].rows[5].value), c.sectorText);
    EXPECT_EQ(fake::Utf8(groups[kContent].rows[0].value), c.content);
    EXPECT_EQ(fake::Utf8(groups[kContent].rows[3].value), c.bootable);
    EXPECT_EQ(ShownGroupTitles(groups), c.shown);
  }
}

TEST_F(MediaRowsTest, LastSessionWithoutARecord) {
  // The medium names session 3 as its last, but the engine gave no session
  // records: the default record (sector count -1, first track -1) is used.
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 3, 1, 3);
  fake::script().tracks[-1] = Track(1, 0);
  fake::script().results["GetSessionInformation"] = 1;
  DeviceContext context(u'E');
  wrenlo::MediumInformation medium = context.medium;
  ASSERT_EQ(std::int32_t{medium.lastSession}, 3);
  PropertyGroups groups;
  const auto calls = RowCalls(context, groups);
  EXPECT_EQ(fake::Utf8(groups[kPhysicalInformation].rows[4].value), "-0.00 GB");
  EXPECT_EQ(fake::Utf8(groups[kPhysicalInformation].rows[5].value), "-1");
  EXPECT_EQ(calls.front(), "GetTrackInformation(-1, -1)");
}

// A CD of a data track and two audio tracks in two sessions: each track with
// its type, session, start and length, in minutes, seconds and frames and in
// sectors; on a DVD in sectors only.
TEST_F(MediaRowsTest, TracksWithTheirSessionTypeStartAndLength) {
  fake::script().medium = fake::Medium(u"CD-R", 1, 2, 1, 3);
  fake::script().sessions[1] = fake::Session(6420 + 14440, 0, 1);
  fake::script().sessions[2] = fake::Session(20000, 32260, 3);
  const auto track = [](std::int16_t number, std::int16_t session, std::uint8_t mode,
                        std::int32_t start, std::int32_t count) {
    wrenlo::TrackInformation info = Track(mode, mode == 1 ? 0x01 : 0x00);
    info.number = number;
    info.session = session;
    info.startSector = start;
    info.sectorCount = count;
    return info;
  };
  fake::script().tracks[1] = track(1, 1, 1, 0, 6420);
  fake::script().tracks[2] = track(2, 1, 0, 6420, 14440);
  fake::script().tracks[3] = track(3, 2, 2, 32260, 20000);
  DeviceContext context(u'E');
  EXPECT_THAT(
      RowTexts(MediaRows(&context)[kTracks]),
      ElementsAre("Track 1 = Data Mode 1, session 1, start 00:00:00 (0), length 01:25:45 "
                  "(6420 sectors)",
                  "Track 2 = Audio, session 1, start 01:25:45 (6420), length 03:12:40 "
                  "(14440 sectors)",
                  "Track 3 = Data Mode 2, session 2, start 07:10:10 (32260), length 04:26:50 "
                  "(20000 sectors)"));
  EXPECT_EQ(fake::Utf8(TrackText(track(1, 1, 1, 0, 2295104), false)),
            "Data Mode 1, session 1, start 0, length 2295104 sectors");
}

TEST_F(MediaRowsTest, UdfRevisionTexts) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0x0102, "1.02"}, {0x0150, "1.5"}, {0x0200, "2.0"}, {0x0201, "2.01"}, {0x0250, "2.5"},
      {0x0260, "2.6"},  {0x0300, ""},    {-1, ""},        {0, ""},          {0x0101, ""}};
  for (const auto& [revision, text] : cases)
    EXPECT_EQ(fake::Utf8(UdfRevisionText(revision)), text) << std::hex << revision;
}

TEST_F(MediaRowsTest, FormatVolumeTimeReadsBytesOneToSix) {
  wrenlo::DateBlock date;
  std::memset(date, 0xEE, sizeof date);  // bytes 0 and 7..14 must not matter
  std::copy_n(std::array<unsigned char, 6>{110, 3, 15, 14, 5, 9}.begin(), 6, date + 1);
  EXPECT_EQ(fake::Utf8(FormatVolumeTime(date)), "15.03.2010 14:05:09");
  std::copy_n(std::array<unsigned char, 6>{255, 255, 255, 255, 255, 255}.begin(), 6, date + 1);
  EXPECT_EQ(fake::Utf8(FormatVolumeTime(date)), "255.255.2155 255:255:255");
  // A date ECMA-119 leaves unset (all digits zero, as xorriso writes an
  // expiration date) is no date; any byte set makes it one.
  std::fill_n(date + 1, 6, 0);
  EXPECT_EQ(fake::Utf8(FormatVolumeTime(date)), "");
  date[6] = 1;
  EXPECT_EQ(fake::Utf8(FormatVolumeTime(date)), "00.00.1900 00:00:01");
}

}  // namespace
