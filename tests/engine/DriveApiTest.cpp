// A virtual drive through the public operations: identity, abilities, speeds,
// medium records, sector reads, the tray and the handle checks.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "support/EngineApi.h"
#include "support/Fixtures.h"

namespace wrenlo {
namespace {

using testing_support::GetFixtures;
using testing_support::OutputDirectory;
using testing_support::Select;
using testing_support::UseImages;

class DriveApi : public ::testing::Test {
 protected:
  void SetUp() override {
    UseImages({GetFixtures().healthy, GetFixtures().plain});
    ASSERT_EQ(Select(u'D'), 0);
    image = testing_support::ReadFile(GetFixtures().healthy);
    sectors = static_cast<std::int32_t>(image.size() / kSectorSize);
  }
  std::vector<std::uint8_t> image;
  std::int32_t sectors = 0;
};

TEST_F(DriveApi, SaysItIsVirtual) {
  char16_t vendor[9], model[17], revision[6];
  ASSERT_EQ(GetDeviceInformation(kCurrentDevice, vendor, model, revision), 0);
  EXPECT_EQ(std::u16string(vendor), u"Virtual");
  EXPECT_EQ(std::u16string(model), u"Image Drive");
  EXPECT_EQ(std::u16string(revision), u"1.0");
  EXPECT_NE(GetDeviceInformation(kCurrentDevice, nullptr, model, revision), 0);

  DeviceInformationEx info;
  std::memset(&info, 0xAB, sizeof info);
  ASSERT_EQ(GetDeviceInformationEx(kCurrentDevice, &info), 0);
  EXPECT_EQ(info.firmwareRevision.str(), u"1.0 (virtual drive for disc images)");
  EXPECT_EQ(+info.regionCode, 0);
  EXPECT_EQ(+info.userChangesLeft, 0);
  EXPECT_EQ(+info.bufferSizeKB, 2048);
  EXPECT_EQ(info.serialNumber.str(), u"");
  EXPECT_EQ(info.reserved0[0], 0xAB);  // what the program does not read is left alone

  std::int32_t speed = -1;
  ASSERT_EQ(GetMaxReadSpeed(kCurrentDevice, &speed), 0);
  EXPECT_EQ(speed, 7056);
  ASSERT_EQ(GetMaxBurnSpeed(kCurrentDevice, &speed), 0);
  EXPECT_EQ(speed, 0);
}

// The codes answered "yes" by the current drive.
std::vector<std::uint64_t> Abilities() {
  Handle handle = 0;
  EXPECT_EQ(GetDeviceCapabilitiesHandle(kCurrentDevice, &handle), 0);
  std::vector<std::uint64_t> yes;
  for (const std::uint64_t code : cap::kAll) {
    std::uint8_t answer = 0xEE;
    EXPECT_EQ(AnalyseDeviceCapability(handle, code, &answer), 0);
    EXPECT_TRUE(answer == 0 || answer == 1);
    if (answer == 1) yes.push_back(code);
  }
  EXPECT_EQ(ReleaseDeviceCapabilities(handle), 0);
  return yes;
}

TEST_F(DriveApi, MediumKindFollowsTheImageSize) {
  // Sparse images at the borders: an 80-minute CD, a dual-layer DVD.
  struct Case {
    std::uint64_t sectors;
    const char16_t* type;
    std::int32_t speed;
    std::vector<std::uint64_t> abilities;
  };
  // Every virtual drive reads what a CD image may hold, whichever image it
  // holds now: several sessions, Mode 2 in both forms, audio.
  const std::vector<std::uint64_t> cd{
      cap::ReadsCdR,        cap::ReadsCdRw,           cap::ReadsMultisession, cap::ReadsMode2Form1,
      cap::ReadsMode2Form2, cap::SupportsCddaCommand, cap::CddaAccurate};
  std::vector<std::uint64_t> dvd = cd;
  dvd.insert(dvd.end(), {cap::ReadsDvdRom, cap::ReadsDvdR, cap::ReadsDvdRw, cap::ReadsDvdRDualLayer,
                         cap::ReadsDvdPlusR, cap::ReadsDvdPlusRw, cap::ReadsDvdPlusRwDualLayer,
                         cap::ReadsDvdRam});
  std::vector<std::uint64_t> bd = dvd;
  bd.push_back(cap::ReadsBluRay);
  const Case cases[] = {
      {1, u"CD-ROM", 7056, cd},         {360000, u"CD-ROM", 7056, cd},
      {360001, u"DVD-ROM", 22160, dvd}, {4173824, u"DVD-ROM", 22160, dvd},
      {4173825, u"BD-ROM", 53952, bd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sectors);
    const std::string path = OutputDirectory() + "/sized.iso";
    testing_support::MakeSparseImage(path, c.sectors);
    UseImages({path});
    ASSERT_EQ(Select(u'D'), 0);
    MediumInformation medium;
    ASSERT_EQ(GetMediumInformation(kCurrentDevice, &medium), 0);
    EXPECT_EQ(medium.typeName.str(), c.type);
    SessionInfo session;
    ASSERT_EQ(GetSessionInformation(kCurrentDevice, 1, &session), 0);
    EXPECT_EQ(+session.sectorCount, static_cast<std::int32_t>(c.sectors));
    std::int32_t speed = 0;
    ASSERT_EQ(GetMaxReadSpeed(kCurrentDevice, &speed), 0);
    EXPECT_EQ(speed, c.speed);
    std::vector<std::uint64_t> expected = c.abilities;
    std::vector<std::uint64_t> answered = Abilities();
    std::sort(expected.begin(), expected.end());
    std::sort(answered.begin(), answered.end());
    EXPECT_EQ(answered, expected);
    // An empty image has no file system.
    TrackInformation track;
    ASSERT_EQ(GetTrackInformation(kCurrentDevice, 1, &track), 0);
    EXPECT_EQ(+track.contentFlags, 0);
  }
}

TEST_F(DriveApi, MediumSessionAndTrackRecords) {
  MediumInformation medium;
  std::memset(&medium, 0xAB, sizeof medium);
  ASSERT_EQ(GetMediumInformation(kCurrentDevice, &medium), 0);
  EXPECT_EQ(medium.typeName.str(), u"CD-ROM");
  EXPECT_EQ(+medium.firstSession, 1);
  EXPECT_EQ(+medium.lastSession, 1);
  EXPECT_EQ(+medium.firstTrack, 1);
  EXPECT_EQ(+medium.lastTrack, 1);

  SessionInfo session;
  ASSERT_EQ(GetSessionInformation(kCurrentDevice, 1, &session), 0);
  EXPECT_EQ(+session.sectorCount, sectors);
  EXPECT_EQ(+session.startSector, 0);
  EXPECT_EQ(+session.firstTrack, 1);
  EXPECT_NE(GetSessionInformation(kCurrentDevice, 2, &session), 0);
  EXPECT_NE(GetSessionInformation(kCurrentDevice, 0, &session), 0);

  TrackInformation track;
  std::memset(&track, 0xFF, sizeof track);
  ASSERT_EQ(GetTrackInformation(kCurrentDevice, 1, &track), 0);
  EXPECT_EQ(+track.mode, 1);
  EXPECT_EQ(+track.contentFlags, kContentIso9660 | kContentJoliet | kContentBootable);
  EXPECT_NE(GetTrackInformation(kCurrentDevice, 2, &track), 0);

  ASSERT_EQ(Select(u'E'), 0);  // genisoimage without Joliet or boot image
  ASSERT_EQ(GetTrackInformation(kCurrentDevice, 1, &track), 0);
  EXPECT_EQ(+track.contentFlags, kContentIso9660);
}

TEST_F(DriveApi, ReadSectorsChecksItsArguments) {
  std::vector<std::uint8_t> buffer(4 * kSectorSize);
  ASSERT_EQ(ReadSectors(kCurrentDevice, 16, 1, 0, buffer.data(), kSectorSize), 0);
  EXPECT_TRUE(
      std::equal(buffer.begin(), buffer.begin() + kSectorSize, image.begin() + 16 * kSectorSize));
  ASSERT_EQ(ReadSectors(kCurrentDevice, sectors - 3, 3, 0, buffer.data(), 3 * kSectorSize), 0);
  EXPECT_TRUE(
      std::equal(buffer.begin(), buffer.begin() + 3 * kSectorSize, image.end() - 3 * kSectorSize));

  struct Case {
    const char* what;
    std::int32_t address, count, mode;
    std::uint8_t* buffer;
    std::int32_t size;
  };
  std::uint8_t* data = buffer.data();
  const Case cases[] = {
      {"null buffer", 0, 1, 0, nullptr, kSectorSize},
      {"no sectors", 0, 0, 0, data, kSectorSize},
      {"negative count", 0, -1, 0, data, kSectorSize},
      {"buffer too small", 0, 2, 0, data, 2 * kSectorSize - 1},
      {"negative size", 0, 1, 0, data, -kSectorSize},
      {"count times 2048 past 32 bits", 0, 0x200000, 0, data, 4 * kSectorSize},
      {"negative address", -1, 1, 0, data, kSectorSize},
      {"address at the end", sectors, 1, 0, data, kSectorSize},
      {"running past the end", sectors - 1, 2, 0, data, 2 * kSectorSize},
      {"far past the end", 0x7FFFFFFF, 1, 0, data, kSectorSize},
      {"raw mode", 0, 1, 1, data, kSectorSize},
  };
  for (const Case& c : cases)
    EXPECT_NE(ReadSectors(kCurrentDevice, c.address, c.count, c.mode, c.buffer, c.size), 0)
        << c.what;
  // Reads follow a change of the current device at once.
  ASSERT_EQ(Select(u'E'), 0);
  const std::vector<std::uint8_t> plain = testing_support::ReadFile(GetFixtures().plain);
  ASSERT_EQ(ReadSectors(kCurrentDevice, 16, 1, 0, buffer.data(), kSectorSize), 0);
  EXPECT_TRUE(
      std::equal(buffer.begin(), buffer.begin() + kSectorSize, plain.begin() + 16 * kSectorSize));
  ASSERT_NE(Select(u'Q'), 0);
  EXPECT_NE(ReadSectors(kCurrentDevice, 16, 1, 0, buffer.data(), kSectorSize), 0);
}

TEST_F(DriveApi, NoDeviceNoMedium) {
  EXPECT_NE(Select(u'Q'), 0);  // no such drive: none is current afterwards
  MediumInformation medium;
  EXPECT_NE(GetMediumInformation(kCurrentDevice, &medium), 0);
  std::vector<std::uint8_t> buffer(kSectorSize);
  EXPECT_NE(ReadSectors(kCurrentDevice, 0, 1, 0, buffer.data(), kSectorSize), 0);
  Handle handle = 7;
  EXPECT_NE(GetDeviceCapabilitiesHandle(kCurrentDevice, &handle), 0);
  EXPECT_EQ(handle, 0u);
  EXPECT_NE(Select(0), 0);

  // A drive letter names that drive without selecting it.
  SessionInfo session;
  ASSERT_EQ(GetSessionInformation(u'E', 1, &session), 0);
  EXPECT_EQ(+session.startSector, 0);
}

TEST_F(DriveApi, TrayOpenMeansNoMedium) {
  Handle session = 0;
  ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, kFileSystemAny), 0);
  ASSERT_EQ(EjectDevice(kCurrentDevice), 0);
  MediumInformation medium;
  EXPECT_NE(GetMediumInformation(kCurrentDevice, &medium), 0);
  TrackInformation track;
  EXPECT_NE(GetTrackInformation(kCurrentDevice, 1, &track), 0);
  std::vector<std::uint8_t> buffer(kSectorSize);
  EXPECT_NE(ReadSectors(kCurrentDevice, 0, 1, 0, buffer.data(), kSectorSize), 0);
  Handle other = 0;
  EXPECT_NE(OpenDiskSession(kCurrentDevice, 1, &other, kFileSystemAny), 0);
  // A session opened before reads nothing more.
  Handle directory = 0;
  EXPECT_NE(OpenDirectory(session, u"", &directory), 0);
  EXPECT_NE(VerifyFile(session, u"A.TXT"), 0);
  // The other drive's tray is its own.
  EXPECT_EQ(GetMediumInformation(u'E', &medium), 0);

  ASSERT_EQ(CloseDevice(kCurrentDevice), 0);
  EXPECT_EQ(GetMediumInformation(kCurrentDevice, &medium), 0);
  EXPECT_EQ(ReadSectors(kCurrentDevice, 0, 1, 0, buffer.data(), kSectorSize), 0);
  EXPECT_EQ(VerifyFile(session, u"A.TXT"), 0);
  EXPECT_EQ(CloseDiskSession(session), 0);
}

TEST_F(DriveApi, HandlesAreCheckedOnEveryCall) {
  Handle capabilities = 0, session = 0, directory = 0;
  ASSERT_EQ(GetDeviceCapabilitiesHandle(kCurrentDevice, &capabilities), 0);
  ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, kFileSystemAny), 0);
  ASSERT_EQ(OpenDirectory(session, u"", &directory), 0);
  EXPECT_NE(capabilities, 0u);
  EXPECT_NE(session, capabilities);
  EXPECT_NE(directory, session);

  std::uint8_t answer = 0;
  DirectoryEntry entry;
  IsoVolumeInfo iso;
  // Foreign handles: each of another kind.
  EXPECT_NE(AnalyseDeviceCapability(session, cap::ReadsCdR, &answer), 0);
  EXPECT_NE(GetISOVolumeInformation(directory, &iso), 0);
  EXPECT_NE(GetISOVolumeInformation(capabilities, &iso), 0);
  EXPECT_NE(ReadDirectory(session, 0, &entry), 0);
  EXPECT_NE(CloseDirectory(session), 0);
  EXPECT_NE(CloseDiskSession(directory), 0);
  EXPECT_NE(ReleaseDeviceCapabilities(directory), 0);
  // Handles never given out.
  for (const Handle bogus : {Handle{0}, Handle{0xDEADBEEF}, Handle{0xFFFFFFFF}}) {
    EXPECT_NE(AnalyseDeviceCapability(bogus, cap::ReadsCdR, &answer), 0);
    EXPECT_NE(ReadDirectory(bogus, 0, &entry), 0);
    EXPECT_NE(VerifyFile(bogus, u"A.TXT"), 0);
    EXPECT_NE(CloseDiskSession(bogus), 0);
  }
  // The foreign calls above closed nothing.
  EXPECT_EQ(ReadDirectory(directory, 0, &entry), 0);
  EXPECT_EQ(AnalyseDeviceCapability(capabilities, cap::ReadsCdR, &answer), 0);

  // Stale handles: closed once, refused after.
  EXPECT_EQ(CloseDirectory(directory), 0);
  EXPECT_EQ(CloseDiskSession(session), 0);
  EXPECT_EQ(ReleaseDeviceCapabilities(capabilities), 0);
  EXPECT_NE(ReadDirectory(directory, 0, &entry), 0);
  EXPECT_NE(GetISOVolumeInformation(session, &iso), 0);
  EXPECT_NE(AnalyseDeviceCapability(capabilities, cap::ReadsCdR, &answer), 0);
  EXPECT_NE(CloseDirectory(directory), 0);
  EXPECT_NE(CloseDiskSession(session), 0);
  EXPECT_NE(ReleaseDeviceCapabilities(capabilities), 0);
  // A new handle never takes an old one's id.
  Handle again = 0;
  ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &again, kFileSystemAny), 0);
  EXPECT_NE(again, session);
  EXPECT_EQ(CloseDiskSession(again), 0);
}

TEST_F(DriveApi, TwoThreadsReadAtOnce) {
  // Forward and backward over the whole image, three times each, while a third
  // thread walks the directories; every sector must come back whole.
  const auto readAll = [&](bool backward, int& failures) {
    std::vector<std::uint8_t> buffer(kSectorSize);
    for (int pass = 0; pass < 3; ++pass) {
      for (std::int32_t i = 0; i < sectors; ++i) {
        const std::int32_t s = backward ? sectors - 1 - i : i;
        if (ReadSectors(kCurrentDevice, s, 1, 0, buffer.data(), kSectorSize) != 0 ||
            !std::equal(buffer.begin(), buffer.end(),
                        image.begin() + std::ptrdiff_t{s} * kSectorSize))
          ++failures;
      }
    }
  };
  int forwardFailures = 0, backwardFailures = 0, listingFailures = 0;
  std::thread forward(readAll, false, std::ref(forwardFailures));
  std::thread backward(readAll, true, std::ref(backwardFailures));
  std::thread lister([&] {
    for (int i = 0; i < 50; ++i) {
      Handle session = 0, directory = 0;
      DirectoryEntry entry;
      if (OpenDiskSession(kCurrentDevice, 1, &session, kFileSystemAny) != 0 ||
          OpenDirectory(session, u"DIR", &directory) != 0 ||
          ReadDirectory(directory, 0, &entry) != 0 || VerifyFile(session, u"BIG.BIN") != 0)
        ++listingFailures;
      CloseDirectory(directory);
      CloseDiskSession(session);
    }
  });
  forward.join();
  backward.join();
  lister.join();
  EXPECT_EQ(forwardFailures, 0);
  EXPECT_EQ(backwardFailures, 0);
  EXPECT_EQ(listingFailures, 0);
}

}  // namespace
}  // namespace wrenlo
