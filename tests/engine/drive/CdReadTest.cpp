// CD audio and Mode 2 on a scripted drive: READ CD's command blocks, the
// 2048 bytes given for each kind of sector, C2 error pointers, and the
// sessions of a drive that has only the TOC.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <set>

#include "CdReplies.h"
#include "CdSectors.h"
#include "FakeScsiDevice.h"
#include "MmcCommands.h"
#include "MmcDrive.h"

namespace wrenlo::drive {
namespace {

using testing::Bytes;
using testing::Check;
using testing::FakeReply;
using testing::FakeScsiDevice;
using testing::Good;
using testing::Hex;

constexpr std::uint8_t kTestUnitReady = 0x00, kReadCapacity = 0x25, kRead10 = 0x28, kReadToc = 0x43,
                       kGetConfiguration = 0x46, kEventStatus = 0x4A, kTrackInformation = 0x52,
                       kModeSense = 0x5A, kReadCd = 0xBE;

Bytes Cdb(const Command& command) {
  return Bytes(command.cdb.begin(), command.cdb.begin() + command.cdbLength);
}

std::uint32_t AddressOf(const Command& c) {
  return std::uint32_t{c.cdb[2]} << 24 | std::uint32_t{c.cdb[3]} << 16 |
         std::uint32_t{c.cdb[4]} << 8 | c.cdb[5];
}
std::uint32_t CountOf(const Command& c) {
  return std::uint32_t{c.cdb[6]} << 16 | std::uint32_t{c.cdb[7]} << 8 | c.cdb[8];
}

TEST(ReadCdTest, CommandBlocks) {
  struct Case {
    const char* what;
    std::uint32_t address, count;
    std::uint8_t type, fields;
    std::size_t sectorBytes;
    const char* cdb;
  };
  const Case cases[] = {
      {"audio", 600, 3, kCdSectorCdda, kCdFieldsUserData, 2352,
       "be 04 00 00 02 58 00 00 03 10 00 00"},
      {"audio with C2 error pointers", 600, 3, kCdSectorCdda,
       kCdFieldsUserData | kCdFieldC2Pointers, 2352 + 294, "be 04 00 00 02 58 00 00 03 12 00 00"},
      {"any data sector whole; a count needing the third length byte", 0x01020304, 0x010000,
       kCdSectorAny, kCdFieldsWholeSector, 1, "be 00 01 02 03 04 01 00 00 f8 00 00"},
  };
  for (const Case& c : cases) {
    FakeScsiDevice device;
    device.On(kReadCd, Good());
    std::vector<std::uint8_t> out(c.count * c.sectorBytes);
    EXPECT_EQ(ReadCd(device, c.address, c.count, c.type, c.fields, out), kOk) << c.what;
    ASSERT_EQ(device.commands.size(), 1u) << c.what;
    EXPECT_EQ(Cdb(device.commands[0]), Hex(c.cdb)) << c.what;
    EXPECT_EQ(device.commands[0].direction, Direction::kFromDevice);
    EXPECT_EQ(device.commands[0].timeoutMs, kReadTimeoutMs);
  }

  FakeScsiDevice device;
  FakeReply shortTransfer = Good();
  shortTransfer.residual = 100;
  device.On(kReadCd, shortTransfer);
  std::vector<std::uint8_t> out(2 * 2352);
  EXPECT_EQ(ReadCd(device, 0, 2, kCdSectorCdda, kCdFieldsUserData, out), kTransportError);
  EXPECT_EQ(ReadCd(device, 0, 5, kCdSectorCdda, kCdFieldsUserData, out), kInvalidArgument)
      << "a buffer that is no whole number of sectors";
}

TEST(CdSectorsTest, TheBytesGivenForEachKindOfSector) {
  const auto user = [](std::size_t i) { return static_cast<std::uint8_t>(i * 3 + 1); };
  std::vector<std::uint8_t> out(2048);
  for (const bool form2 : {false, true}) {
    const Bytes sector = testing::WholeDataSector(2, form2, user);
    ASSERT_EQ(DataSectorData(sector, out.data()), kOk);
    EXPECT_EQ(out, Bytes(sector.begin() + 24, sector.begin() + 24 + 2048))
        << "Mode 2: the first 2048 bytes after the sub-header, form " << (form2 ? 2 : 1);
  }
  const Bytes mode1 = testing::WholeDataSector(1, false, user);
  ASSERT_EQ(DataSectorData(mode1, out.data()), kOk);
  EXPECT_EQ(out, Bytes(mode1.begin() + 16, mode1.begin() + 16 + 2048));
  ASSERT_EQ(DataSectorData(testing::IdeWholeSector16(), out.data()), kOk);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 8), Hex("01 43 44 30 30 31 01 00"))
      << "QEMU's Mode 1 sector: the volume descriptor";
  EXPECT_EQ(DataSectorData(testing::WholeDataSector(3, false, user), out.data()), kMediumError);
  EXPECT_EQ(DataSectorData(Bytes(2351), out.data()), kInvalidArgument);

  Bytes frame(2352 + 294);
  for (std::size_t i = 0; i < 2352; ++i) frame[i] = user(i);
  ASSERT_EQ(AudioSectorData(frame, true, out.data()), kOk);
  EXPECT_EQ(out, Bytes(frame.begin(), frame.begin() + 2048)) << "audio: the frame's first bytes";
  frame.back() = 0x01;  // the frame's last byte marked
  EXPECT_EQ(AudioSectorData(frame, true, out.data()), kMediumError);
  EXPECT_EQ(AudioSectorData(std::span(frame).first(2352), false, out.data()), kOk);
  EXPECT_EQ(AudioSectorData(frame, false, out.data()), kInvalidArgument);
}

// A mixed-mode CD: track 1 data Mode 1 [0, 300), track 2 Mode 2 [300, 600)
// with Form 1 and Form 2 sectors in turn, track 3 audio [600, 1000).
constexpr std::uint32_t kMode2Start = 300, kAudioStart = 600, kEnd = 1000;

std::uint8_t Pattern(std::uint32_t address, std::size_t i) {
  return static_cast<std::uint8_t>(address * 7 + i);
}

struct MixedCd {
  FakeScsiDevice* device = nullptr;
  std::unique_ptr<MmcDrive> drive;
  // Audio sectors whose next read the drive reports with C2 errors.
  std::multiset<std::uint32_t> c2Errors;
  bool refusesC2 = false;
};

std::unique_ptr<MixedCd> MakeMixedCd(bool pageC2, bool featureC2 = false) {
  auto cd = std::make_unique<MixedCd>();
  auto device = std::make_unique<FakeScsiDevice>();
  cd->device = device.get();
  Bytes page = testing::IdeCapabilitiesPage();
  if (pageC2) page[8 + 5] |= 0x10;
  device->On(kModeSense, Good(page));
  // Profile List (CD-ROM, current) and, when featureC2, CD Read with its C2 bit.
  device->On(kGetConfiguration,
             Good(featureC2 ? Hex("00 00 00 14 00 00 00 08 00 00 03 04 00 08 01 00 "
                                  "00 1e 03 04 02 00 00 00")
                            : testing::IdeConfiguration(0x08)));
  device->On(kEventStatus, Good(testing::MediaPresent()));
  device->On(kTestUnitReady, Good());
  device->On(kReadToc,
             Good(testing::TocReply(
                 {{1, 4, 0}, {2, 4, kMode2Start}, {3, 0, kAudioStart}, {0xAA, 0, kEnd}})));
  device->On(kTrackInformation, [](const Command& command) {
    switch (command.cdb[5]) {
      case 1:
        return Good(testing::TrackInformationReply(1, 1, 4, 1, 0, kMode2Start));
      case 2:
        return Good(testing::TrackInformationReply(2, 1, 4, 2, kMode2Start, 300));
      default:
        return Good(testing::TrackInformationReply(3, 1, 0, 0x0F, kAudioStart, 400));
    }
  });
  device->On(kReadCapacity, Good(testing::Capacity(kEnd)));
  device->readSector = [](std::uint32_t address) {
    if (address >= kMode2Start) return Check(5, 0x64, 0);  // illegal mode for this track
    Bytes sector(2048);
    for (std::size_t i = 0; i < sector.size(); ++i) sector[i] = Pattern(address, i);
    return Good(sector);
  };
  MixedCd* raw = cd.get();
  device->readCdSector = [raw](std::uint32_t address, const Command& command) {
    const std::uint8_t type = command.cdb[1] >> 2 & 0x07, fields = command.cdb[9];
    const bool audio = address >= kAudioStart;
    if (audio ? type != kCdSectorCdda && type != kCdSectorAny : type == kCdSectorCdda)
      return Check(5, 0x64, 0);
    if (!audio) {
      if (fields != kCdFieldsWholeSector) return Check(5, 0x24, 0);
      const std::uint8_t mode = address < kMode2Start ? 1 : 2;
      return Good(testing::WholeDataSector(
          mode, address % 2 == 1, [address](std::size_t i) { return Pattern(address, i); }));
    }
    if ((fields & 0xF8) != kCdFieldsUserData) return Check(5, 0x24, 0);
    if ((fields & 0x06) != 0 && raw->refusesC2) return Check(5, 0x24, 0);
    Bytes frame(2352);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = Pattern(address, i);
    const bool c2Error = raw->c2Errors.count(address) != 0;
    if (c2Error) raw->c2Errors.erase(raw->c2Errors.find(address));
    if ((fields & 0x06) == kCdFieldC2Pointers) {
      frame.resize(2352 + 294, 0);
      if (c2Error) frame[2352 + 100] = 0x40;
    }
    return Good(frame);
  };
  cd->drive = std::make_unique<MmcDrive>(std::move(device), 32);
  return cd;
}

TEST(CdDriveTest, EachTrackIsReadItsWayAndGivesItsUserData) {
  const auto cd = MakeMixedCd(false);
  // Read before the medium was asked for: the drive looks at the medium first.
  const std::uint32_t first = 290, count = 320;
  std::vector<std::uint8_t> data(count * 2048);
  ASSERT_EQ(cd->drive->Read(first, count, data.data()), kOk);
  for (std::uint32_t s = first; s < first + count; ++s) {
    // Mode 1 from READ(10) as it is, Mode 2 from after its sub-header, audio
    // from the frame's start: each sector's pattern from its first byte.
    for (std::size_t i : {std::size_t{0}, std::size_t{1000}, std::size_t{2047}})
      ASSERT_EQ(data[(s - first) * 2048 + i], Pattern(s, i)) << "sector " << s;
  }

  std::uint32_t blocks = 0, mode2 = 0, audio = 0;
  for (const Command& c : cd->device->commands) {
    if (c.cdb[0] == kRead10) {
      EXPECT_EQ(AddressOf(c), first);
      blocks += c.cdb[8];
    } else if (c.cdb[0] == kReadCd) {
      const std::uint32_t start = AddressOf(c), end = start + CountOf(c);
      if ((c.cdb[1] >> 2 & 7) == kCdSectorAny) {
        EXPECT_EQ(c.cdb[9], kCdFieldsWholeSector);
        EXPECT_TRUE(start >= kMode2Start && end <= kAudioStart) << start << "+" << CountOf(c);
        EXPECT_LE(CountOf(c) * 2352, 32u * 2048) << "within the device's transfer limit";
        mode2 += CountOf(c);
      } else {
        EXPECT_EQ(c.cdb[1] >> 2 & 7, kCdSectorCdda);
        EXPECT_EQ(c.cdb[9], kCdFieldsUserData) << "the drive does not report C2 errors";
        EXPECT_GE(start, kAudioStart);
        audio += CountOf(c);
      }
    }
  }
  EXPECT_EQ(blocks, kMode2Start - first);
  EXPECT_EQ(mode2, kAudioStart - kMode2Start);
  EXPECT_EQ(audio, first + count - kAudioStart);

  MediumLayout layout;
  ASSERT_EQ(cd->drive->Medium(layout), kOk);
  ASSERT_EQ(layout.tracks.size(), 3u);
  EXPECT_EQ(layout.tracks[0].mode, 1);
  EXPECT_EQ(layout.tracks[1].mode, 2);
  EXPECT_EQ(layout.tracks[2].mode, 0) << "audio";
  EXPECT_EQ(layout.tracks[2].sectorCount, 400u);
}

TEST(CdDriveTest, AnAudioReadWithC2ErrorsFails) {
  struct Case {
    const char* what;
    bool pageC2, featureC2, c2Asked;
  };
  const Case cases[] = {
      {"page 2Ah reports C2 pointers", true, false, true},
      {"the CD Read feature reports C2 flags", false, true, true},
      {"the drive does not report C2 errors: the read is good", false, false, false},
  };
  for (const Case& c : cases) {
    const auto cd = MakeMixedCd(c.pageC2, c.featureC2);
    cd->c2Errors = {700};
    std::vector<std::uint8_t> data(5 * 2048);
    // The first read meets the error; a second read of the sector is clean,
    // as when the drive gets it right on a retry.
    EXPECT_EQ(cd->drive->Read(698, 5, data.data()), c.c2Asked ? kMediumError : kOk) << c.what;
    EXPECT_EQ(cd->drive->Read(698, 5, data.data()), kOk) << c.what;
    EXPECT_EQ(data[2 * 2048 + 5], Pattern(700, 5)) << c.what;
    for (const Command& command : cd->device->Commands(kReadCd))
      EXPECT_EQ(command.cdb[9], c.c2Asked ? 0x12 : 0x10) << c.what;
  }
}

TEST(CdDriveTest, ADriveThatRefusesC2ReadsAudioWithout) {
  const auto cd = MakeMixedCd(true);
  cd->refusesC2 = true;
  std::vector<std::uint8_t> data(2048);
  EXPECT_EQ(cd->drive->Read(650, 1, data.data()), kOk);
  EXPECT_EQ(cd->drive->Read(651, 1, data.data()), kOk);
  EXPECT_EQ(data[7], Pattern(651, 7));
  std::vector<std::uint8_t> fields;
  for (const Command& command : cd->device->Commands(kReadCd)) fields.push_back(command.cdb[9]);
  EXPECT_EQ(fields, Hex("12 10 10")) << "asked with C2 once, then never again";
}

// A drive without READ TRACK INFORMATION (as QEMU's), holding the enhanced
// CD; READ TOC answers format 2 when fullToc.
FakeScsiDevice* TocOnlyDrive(std::unique_ptr<ScsiDevice>& owner, std::uint16_t profile,
                             bool fullToc) {
  auto device = std::make_unique<FakeScsiDevice>();
  device->On(kGetConfiguration, Good(testing::IdeConfiguration(profile)));
  device->On(kEventStatus, Good(testing::MediaPresent()));
  device->On(kTestUnitReady, Good());
  device->On(kReadCapacity, Good(testing::Capacity(40000)));
  device->On(kReadToc, [fullToc](const Command& command) {
    if ((command.cdb[2] & 0x0F) == 0) return Good(testing::EnhancedCdToc());
    return fullToc ? Good(testing::EnhancedCdFullToc()) : Check(5, 0x24, 0);
  });
  FakeScsiDevice* raw = device.get();
  owner = std::move(device);
  return raw;
}

std::string Describe(const MediumLayout& layout) {
  std::string out;
  for (const SessionLayout& s : layout.sessions)
    out += "S" + std::to_string(s.number) + ":" + std::to_string(s.start) + "+" +
           std::to_string(s.sectorCount) + " ";
  for (const TrackLayout& t : layout.tracks)
    out += "T" + std::to_string(t.number) + "/" + std::to_string(t.session) + "m" +
           std::to_string(t.mode) + " ";
  return out;
}

TEST(CdDriveTest, ATocOnlyDriveTakesEachTracksSessionFromTheFullToc) {
  std::unique_ptr<ScsiDevice> owner;
  FakeScsiDevice* device = TocOnlyDrive(owner, 0x08, true);
  MmcDrive drive(std::move(owner));
  MediumLayout layout;
  ASSERT_EQ(drive.Medium(layout), kOk);
  EXPECT_EQ(Describe(layout), "S1:0+20000 S2:31400+8600 T1/1m0 T2/1m0 T3/2m2 ");
  const Command fullToc = device->Commands(kReadToc).back();
  EXPECT_EQ(fullToc.cdb[1] & 0x02, 0x02) << "MSF";
  EXPECT_EQ(fullToc.cdb[2] & 0x0F, 2) << "format 2 where SCSI drives read it";
  EXPECT_EQ(fullToc.cdb[9] & 0xC0, 0x80) << "and where older ATAPI drives read it";

  // Without the full TOC every track stays in session 1; a DVD is not asked for it.
  TocOnlyDrive(owner, 0x08, false);
  ASSERT_EQ(MmcDrive(std::move(owner)).Medium(layout), kOk);
  EXPECT_EQ(Describe(layout), "S1:0+40000 T1/1m0 T2/1m0 T3/1m1 ");
  device = TocOnlyDrive(owner, 0x10, true);
  MmcDrive dvd(std::move(owner));
  ASSERT_EQ(dvd.Medium(layout), kOk);
  for (const Command& command : device->Commands(kReadToc)) EXPECT_EQ(command.cdb[2], 0);
}

// Raw reads take READ CD for every track, the Mode 1 track too, and give
// each sector's 2352 bytes as the drive returned them; an audio frame whose
// C2 pointers mark a byte fails, and a DVD has no whole sectors to give.
TEST(CdDriveTest, RawReadsGiveWholeSectors) {
  const auto cd = MakeMixedCd(true);
  const std::uint32_t first = 290, count = 320;
  std::vector<std::uint8_t> raw(count * 2352);
  ASSERT_EQ(cd->drive->ReadRaw(first, count, raw.data()), kOk);
  for (std::uint32_t s = first; s < first + count; ++s) {
    const auto pattern = [s](std::size_t i) { return Pattern(s, i); };
    Bytes expected(2352);
    if (s >= kAudioStart) {
      for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = Pattern(s, i);
    } else {
      expected = testing::WholeDataSector(s < kMode2Start ? 1 : 2, s % 2 == 1, pattern);
    }
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), raw.begin() + (s - first) * 2352))
        << "sector " << s;
  }
  EXPECT_TRUE(cd->device->Commands(kRead10).empty());
  for (const Command& c : cd->device->Commands(kReadCd)) {
    const bool audio = AddressOf(c) >= kAudioStart;
    EXPECT_EQ(c.cdb[9], audio ? 0x12 : kCdFieldsWholeSector) << AddressOf(c);
    EXPECT_LE(CountOf(c) * (audio ? 2352 + 294 : 2352), 32u * 2048) << AddressOf(c);
  }

  cd->c2Errors = {700};
  std::vector<std::uint8_t> frame(2352);
  EXPECT_EQ(cd->drive->ReadRaw(700, 1, frame.data()), kMediumError);
  EXPECT_EQ(cd->drive->ReadRaw(700, 1, frame.data()), kOk);

  std::unique_ptr<ScsiDevice> owner;
  TocOnlyDrive(owner, 0x10, false);
  MmcDrive dvd(std::move(owner));
  EXPECT_EQ(dvd.ReadRaw(0, 1, frame.data()), kUnsupported);
}

}  // namespace
}  // namespace wrenlo::drive
