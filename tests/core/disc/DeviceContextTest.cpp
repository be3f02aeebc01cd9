#include <FakeEngine.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "core/disc/DeviceContext.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Strings = std::vector<std::string>;

namespace {

class DeviceContextTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  // A medium with sessions first..last, each of 1000 sectors, session n
  // starting at (n - 1) * 5000 with first track 2n - 1.
  static void ScriptMedium(std::int32_t first, std::int32_t last) {
    fake::script().medium = fake::Medium(u"CD-ROM", first, last, 1, 2 * last);
    for (std::int32_t n = first; n <= last; ++n)
      fake::script().sessions[n] = fake::Session(1000, (n - 1) * 5000, 2 * n - 1);
  }
};

TEST_F(DeviceContextTest, LoadsEverythingInOrder) {
  ScriptMedium(1, 3);
  fake::script().capabilitiesHandle = 7;
  fake::script().identity = {{u"VENDOR", u"MODEL", u"1.0"}};
  fake::script().maxReadSpeed = 7056;
  fake::script().maxBurnSpeed = 0;
  DeviceContext context(u'E');
  EXPECT_THAT(fake::Calls(),
              ElementsAre("SetBurnDevice(69)", "SetReadDevice(69)", "GetDeviceInformation(-1)",
                          "GetDeviceInformationEx(-1)", "GetDeviceCapabilitiesHandle(-1)",
                          "GetMaxReadSpeed(-1)", "GetMaxBurnSpeed(-1)", "GetMediumInformation(-1)",
                          "GetSessionInformation(-1, 1)", "GetSessionInformation(-1, 2)",
                          "GetSessionInformation(-1, 3)"));
  EXPECT_EQ(context.driveLetter, u'E');
  EXPECT_TRUE(context.hasMedium);
  EXPECT_EQ(std::u16string(context.vendor), u"VENDOR");
  EXPECT_EQ(std::u16string(context.model), u"MODEL");
  EXPECT_EQ(context.capabilitiesHandle, 7u);
  EXPECT_EQ(context.maxReadSpeed, 7056);
  EXPECT_EQ(context.maxWriteSpeed, 0);
  EXPECT_EQ(context.medium.typeName.str(), u"CD-ROM");
  ASSERT_EQ(context.Sessions().size(), 3u);
  EXPECT_EQ(context.Sessions().begin()->first, 1);
  EXPECT_EQ(+context.GetSessionInfo(-1).startSector, 10000);
  EXPECT_EQ(+context.GetSessionInfo(2).firstTrack, 3);
  EXPECT_EQ(+context.GetSessionInfo(7).sectorCount, -1);
}

TEST_F(DeviceContextTest, SilentEngineLeavesThePresets) {
  // Every call succeeds but writes nothing.
  DeviceContext context(u'D');
  EXPECT_TRUE(context.hasMedium);
  EXPECT_EQ(context.medium.typeName.str(), u"BS_NDEF");
  EXPECT_EQ(context.medium.reserved102.str(), u"BS_NDEF");
  EXPECT_EQ(+context.medium.firstSession, -1);
  EXPECT_EQ(+context.medium.lastTrack, -1);
  EXPECT_EQ(+context.medium.reserved54, -1.0);
  EXPECT_EQ(+context.medium.reserved98, -1);
  EXPECT_THAT(context.Sessions(), IsEmpty());
  EXPECT_THAT(fake::CallsNamed("GetSessionInformation"), IsEmpty());
  const unsigned char zero[sizeof(wrenlo::DeviceInformationEx)] = {};
  EXPECT_EQ(std::memcmp(&context.deviceInfo, zero, sizeof zero), 0);
  EXPECT_EQ(context.capabilitiesHandle, 0u);
  EXPECT_EQ(context.vendor[0], 0);
}

TEST_F(DeviceContextTest, SessionMapRules) {
  struct Case {
    const char* what;
    std::int32_t mediumResult, first, last;
    std::vector<std::int32_t> keys;
  };
  const Case cases[] = {
      {"one session", 0, 1, 1, {1}},    {"sessions 2 to 4", 0, 2, 4, {2, 3, 4}},
      {"first session 0", 0, 0, 2, {}}, {"first after last", 0, 3, 2, {}},
      {"last session 0", 0, -1, 0, {}}, {"no medium", 1, 1, 3, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    fake::script().medium = fake::Medium(u"DVD-ROM", c.first, c.last, 1, 1);
    fake::script().results["GetMediumInformation"] = c.mediumResult;
    DeviceContext context(u'D');
    EXPECT_EQ(context.hasMedium, c.mediumResult == 0);
    std::vector<std::int32_t> keys;
    for (const auto& [number, record] : context.Sessions()) keys.push_back(number);
    EXPECT_EQ(keys, c.keys);
    EXPECT_EQ(fake::CallsNamed("GetSessionInformation").size(), c.keys.size());
  }
}

TEST_F(DeviceContextTest, NoMediumGivesTheDefaultSession) {
  ScriptMedium(1, 2);
  fake::script().results["GetMediumInformation"] = 3;
  DeviceContext context(u'D');
  EXPECT_FALSE(context.hasMedium);
  const wrenlo::SessionInfo s = context.GetSessionInfo(-1);
  EXPECT_EQ(+s.sectorCount, -1);
  EXPECT_EQ(+s.reserved4, 255);
  EXPECT_EQ(+s.startSector, -1);
  EXPECT_EQ(+s.firstTrack, -1);
  EXPECT_EQ(+s.reserved13, -1);
}

TEST_F(DeviceContextTest, ReadSectorSizesTheBufferAndAddressesTheSession) {
  ScriptMedium(1, 3);
  std::vector<std::uint8_t> sector(2048, 0xAB);
  fake::script().sectors[5000 + 16] = sector;
  DeviceContext context(u'D');
  struct Case {
    std::size_t sizeBefore;
    std::int32_t sector, session, address;
  };
  for (const Case& c : {Case{0, 16, 2, 5016}, Case{4096, 3, -1, 10003}, Case{2048, 0, 1, 0},
                        Case{100, 999, 3, 10999}}) {
    SCOPED_TRACE(c.address);
    fake::Reset();
    fake::script().sectors[5016] = sector;
    std::vector<std::uint8_t> buffer(c.sizeBefore, 0x11);
    EXPECT_EQ(context.ReadSector(buffer, c.sector, c.session), 0);
    EXPECT_EQ(buffer.size(), 2048u);
    EXPECT_THAT(fake::Calls(),
                ElementsAre("ReadSectors(-1, " + std::to_string(c.address) + ", 1, 0, 2048)"));
    if (c.address == 5016) {
      EXPECT_EQ(buffer, sector);
    } else {
      std::int32_t word = 0;
      std::memcpy(&word, buffer.data() + 2044, 4);
      EXPECT_EQ(word, c.address);
    }
  }
}

TEST_F(DeviceContextTest, ReadSectorReusesTheBufferAndReportsFailure) {
  ScriptMedium(1, 1);
  DeviceContext context(u'D');
  fake::script().readFailures[7] = -1;
  fake::script().failedReadFill = 0xEE;
  std::vector<std::uint8_t> buffer;
  ASSERT_EQ(context.ReadSector(buffer, 6, 1), 0);
  const std::uint8_t* storage = buffer.data();
  EXPECT_EQ(context.ReadSector(buffer, 7, 1), 5);
  EXPECT_EQ(buffer.data(), storage);  // no reallocation once it holds a sector
  EXPECT_EQ(buffer[0], 0xEE);         // what the engine left behind
}

TEST_F(DeviceContextTest, IsoVolumeInfoOpensTheLastSessionAndKeepsPresets) {
  ScriptMedium(1, 2);
  DeviceContext context(u'D');
  fake::Reset();
  wrenlo::IsoVolumeInfo info;
  std::memset(&info, 0x5A, sizeof info);
  context.GetIsoVolumeInfo(info, wrenlo::kFileSystemJoliet);
  EXPECT_THAT(fake::Calls(), ElementsAre("OpenDiskSession(-1, 3, 2)",
                                         "GetISOVolumeInformation(100)", "CloseDiskSession(100)"));
  EXPECT_EQ(info.volumeLabel.str(), u"BS_NDEF");
  EXPECT_EQ(info.application.str(), u"BS_NDEF");
  EXPECT_EQ(info.publisher.str(), u"BS_NDEF");
  for (auto* text : {&info.reserved276, &info.reserved604, &info.reserved676})
    EXPECT_EQ(text->str(), u"BS_NDEF");
  EXPECT_EQ(info.reserved1516.str(), u"BS_NDEF");
  EXPECT_EQ(+info.reserved1578, 1);
  EXPECT_EQ(+info.reserved1579, 1);
  EXPECT_EQ(+info.reserved1583, 0);
  for (std::int32_t value : info.reserved256) EXPECT_EQ(+value, 0);
  EXPECT_EQ(+info.creationTime[0], 0);
  EXPECT_EQ(+info.modificationTime[0], 0);
  EXPECT_EQ(+info.expirationTime[0], 0);
  EXPECT_EQ(+info.effectiveTime[0], 0);
  EXPECT_EQ(+info.creationTime[1], 0x5A);  // not preset
}

TEST_F(DeviceContextTest, IsoVolumeInfoReturnsWhatTheEngineWrote) {
  ScriptMedium(1, 1);
  wrenlo::IsoVolumeInfo volume{};
  volume.volumeLabel.set(u"LABEL");
  volume.creationTime[1] = 110;
  fake::script().isoVolumes[wrenlo::kFileSystemIso9660] = volume;
  DeviceContext context(u'D');
  wrenlo::IsoVolumeInfo info{};
  EXPECT_EQ(&context.GetIsoVolumeInfo(info, wrenlo::kFileSystemIso9660), &info);
  EXPECT_EQ(info.volumeLabel.str(), u"LABEL");
  EXPECT_EQ(+info.creationTime[1], 110);
}

TEST_F(DeviceContextTest, CollectFilesWalksPreOrderInOneDiskSession) {
  ScriptMedium(1, 1);
  std::map<std::u16string, std::vector<fake::DirectoryChild>> dirs;
  // A link has no data of its own: the files test leaves it out.
  dirs[u""] = {{u"A.TXT", false}, {u"DIR", true}, {u"LINK", false, true}, {u"Z.TXT", false}};
  dirs[u"/DIR"] = {{u"SUB", true}, {u"B\\SLASH.BIN", false}};
  dirs[u"/DIR/SUB"] = {{u"FILE.TXT", false}};
  DeviceContext context(u'D');
  fake::script().directories = dirs;
  fake::Reset();
  fake::script().directories = dirs;
  std::vector<std::u16string> files{u"KEPT"};
  context.CollectFiles(files);
  EXPECT_THAT(files,
              ElementsAre(u"KEPT", u"/A.TXT", u"/DIR/SUB/FILE.TXT", u"/DIR/B\\SLASH.BIN", u"/Z.TXT"));
  EXPECT_EQ(fake::CallsNamed("OpenDiskSession"), Strings{"OpenDiskSession(-1, 1, 0)"});
  EXPECT_EQ(fake::CallsNamed("CloseDiskSession").size(), 1u);
  EXPECT_THAT(fake::CallsNamed("OpenDirectory"),
              ElementsAre("OpenDirectory(100, \"\")", "OpenDirectory(100, \"/DIR\")",
                          "OpenDirectory(100, \"/DIR/SUB\")"));
  EXPECT_EQ(fake::CallsNamed("CloseDirectory").size(), 3u);
  EXPECT_EQ(fake::OpenHandles(), 0);
  EXPECT_EQ(fake::Calls().back(), "CloseDiskSession(100)");
}

TEST_F(DeviceContextTest, CollectFilesOnEmptyOrUnreadableRoot) {
  ScriptMedium(1, 1);
  DeviceContext context(u'D');
  for (bool rootExists : {true, false}) {
    SCOPED_TRACE(rootExists);
    fake::Reset();
    if (rootExists) fake::script().directories[u""] = {};
    std::vector<std::u16string> files;
    context.CollectFiles(files);
    EXPECT_THAT(files, IsEmpty());
    EXPECT_EQ(fake::CallsNamed("ReadDirectory").size(), 1u);
    // The directory is closed even though its first read failed.
    EXPECT_EQ(fake::CallsNamed("CloseDirectory").size(), 1u);
  }
}

TEST_F(DeviceContextTest, CollectFilesSaysWhatItCouldNotList) {
  ScriptMedium(1, 1);
  DeviceContext context(u'D');
  struct Case {
    const char* what;
    std::int32_t openSession;  // OpenDiskSession's result
    std::int32_t readDirectory;
    std::vector<std::u16string> unlisted;
  };
  const Case cases[] = {
      {"all listed", 0, 0, {}},
      {"no file system", wrenlo::kResultNoFileSystem, 0, {}},
      {"a file system that does not open", 13, 0, {u"file system: result 13"}},
      {"a directory that does not open", 0, 0, {u"/DIR/SUB: result 1"}},
      {"a listing that fails", 0, 6, {u"/: result 6"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    fake::script().results["OpenDiskSession"] = c.openSession;
    fake::script().results["ReadDirectory"] = c.readDirectory;
    fake::script().directories[u""] = {{u"A.TXT", false}, {u"DIR", true}};
    fake::script().directories[u"/DIR"] = {{u"SUB", true}};
    if (c.unlisted.empty()) fake::script().directories[u"/DIR/SUB"] = {};
    std::vector<std::u16string> files;
    std::vector<std::u16string> unlisted;
    context.CollectFiles(files, &unlisted);
    EXPECT_EQ(unlisted, c.unlisted);
  }
}

TEST_F(DeviceContextTest, DestructorReleasesOnlyARealHandle) {
  for (wrenlo::Handle handle : {0u, 42u}) {
    fake::Reset();
    fake::script().capabilitiesHandle = handle;
    { DeviceContext context(u'D'); }
    const Strings expected = handle ? Strings{"ReleaseDeviceCapabilities(42)"} : Strings{};
    EXPECT_EQ(fake::CallsNamed("ReleaseDeviceCapabilities"), expected);
  }
}

}  // namespace
