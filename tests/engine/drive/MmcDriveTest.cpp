// The drive backend against a scripted device: QEMU's IDE drive as recorded,
// and the failures a real drive gives (no medium, medium changes, read
// errors, short transfers, time-outs).
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include "FakeScsiDevice.h"
#include "MmcCommands.h"
#include "MmcDrive.h"
#include "QemuReplies.h"

namespace wrenlo::drive {
namespace {

using testing::Check;
using testing::FakeReply;
using testing::FakeScsiDevice;
using testing::Good;
using testing::Hex;

constexpr std::uint8_t kTestUnitReady = 0x00, kInquiry = 0x12, kStartStop = 0x1B,
                       kPreventAllow = 0x1E, kReadCapacity = 0x25, kRead10 = 0x28, kReadToc = 0x43,
                       kGetConfiguration = 0x46, kEventStatus = 0x4A, kDiscInformation = 0x51,
                       kTrackInformation = 0x52, kModeSense = 0x5A, kReadBufferCapacity = 0x5C,
                       kReportKey = 0xA4, kRead12 = 0xA8, kGetPerformance = 0xAC;

// A drive answering as QEMU's IDE drive with a CD-sized medium of sectors.
FakeScsiDevice* QemuIde(std::unique_ptr<ScsiDevice>& owner, std::uint32_t sectors = 1200) {
  auto device = std::make_unique<FakeScsiDevice>();
  device->On(kInquiry,
             std::vector<FakeReply>{Good(testing::IdeInquiry()), Good(testing::IdeVpdPages())});
  device->On(kModeSense, Good(testing::IdeCapabilitiesPage()));
  device->On(kGetConfiguration, Good(testing::IdeConfiguration(sectors > 360000 ? 0x10 : 0x08)));
  device->On(kEventStatus, Good(testing::MediaPresent()));
  device->On(kTestUnitReady, Good());
  device->On(kReadToc, Good(testing::Toc(sectors)));
  device->On(kReadCapacity, Good(testing::Capacity(sectors)));
  device->On(kDiscInformation, Good(Hex("00 20 0e 01 01 01 01 00 00 00 00 00 00 00 00 00 00 00 00 "
                                        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")));
  device->readSector = [](std::uint32_t address) {
    return Good(std::vector<std::uint8_t>(2048, static_cast<std::uint8_t>(address)));
  };
  FakeScsiDevice* raw = device.get();
  owner = std::move(device);
  return raw;
}

TEST(MmcDriveTest, QemuIdeDriveFacts) {
  std::unique_ptr<ScsiDevice> owner;
  QemuIde(owner);
  MmcDrive drive(std::move(owner));
  const DriveIdentity id = drive.Identity();
  EXPECT_EQ(id.vendor, u"QEMU");
  EXPECT_EQ(id.model, u"QEMU DVD-ROM");
  EXPECT_EQ(id.revision, u"2.5+");
  EXPECT_EQ(id.firmwareRevision, u"2.5+");
  EXPECT_EQ(id.serialNumber, u"") << "no serial feature, and VPD page 80h is not listed";
  EXPECT_EQ(id.regionCode, 0) << "REPORT KEY refused: the defaults stay";
  EXPECT_EQ(id.userChangesLeft, 0);
  EXPECT_EQ(id.bufferSizeKB, 512);
  EXPECT_EQ(drive.MaxReadSpeedKB(), 704);
  EXPECT_EQ(drive.MaxWriteSpeedKB(), 0) << "the drive writes nothing";
  EXPECT_TRUE(drive.HasCapability(cap::ReadsDvdRom));
  EXPECT_FALSE(drive.HasCapability(cap::WritesCdR));
}

TEST(MmcDriveTest, QemuScsiDriveFacts) {
  auto device = std::make_unique<FakeScsiDevice>();
  device->On(kInquiry,
             std::vector<FakeReply>{Good(testing::ScsiInquiry()), Good(testing::ScsiVpdPages()),
                                    Good(testing::ScsiSerialNumber())});
  device->On(kModeSense, Good(testing::ScsiCapabilitiesPage()));
  device->On(kGetConfiguration, Good(testing::ScsiConfiguration()));
  FakeReply hostError;  // what QEMU's SCSI drive gives for REPORT KEY
  hostError.transport = kTransportError;
  device->On(kReportKey, hostError);
  MmcDrive drive(std::move(device));
  const DriveIdentity id = drive.Identity();
  EXPECT_EQ(id.model, u"QEMU CD-ROM");
  EXPECT_EQ(id.serialNumber, u"LUMETER-42");
  EXPECT_EQ(id.regionCode, 0);
  EXPECT_EQ(id.bufferSizeKB, 2048);
  EXPECT_EQ(drive.MaxReadSpeedKB(), 8800);
  EXPECT_EQ(drive.MaxWriteSpeedKB(), 0);
}

TEST(MmcDriveTest, DriveFactsAreAskedOnce) {
  std::unique_ptr<ScsiDevice> owner;
  FakeScsiDevice* device = QemuIde(owner);
  MmcDrive drive(std::move(owner));
  drive.Identity();
  drive.HasCapability(cap::ReadsCdR);
  drive.MaxReadSpeedKB();
  EXPECT_EQ(device->Commands(kInquiry).size(), 2u)
      << "standard INQUIRY and the VPD page list, once";
  EXPECT_EQ(device->Commands(kModeSense).size(), 1u);
}

TEST(MmcDriveTest, MediumFromTheTocWhenTrackInformationIsRefused) {
  for (const auto& [sectors, type] :
       {std::pair<std::uint32_t, std::u16string>{1200, u"CD-ROM"}, {370000, u"DVD-ROM"}}) {
    std::unique_ptr<ScsiDevice> owner;
    QemuIde(owner, sectors);
    MmcDrive drive(std::move(owner));
    MediumLayout layout;
    ASSERT_EQ(drive.Medium(layout), kOk);
    EXPECT_EQ(layout.typeName, type);
    ASSERT_EQ(layout.sessions.size(), 1u);
    EXPECT_EQ(layout.sessions[0].sectorCount, sectors);
    ASSERT_EQ(layout.tracks.size(), 1u);
    EXPECT_EQ(layout.tracks[0].sectorCount, sectors);
    EXPECT_EQ(layout.tracks[0].mode, 1);
    EXPECT_EQ(drive.SectorCount(), sectors);
  }
}

TEST(MmcDriveTest, NoMediumIsReportedWithoutHanging) {
  struct Case {
    const char* what;
    FakeReply event, ready, configuration;
  };
  const Case cases[] = {
      {"event status: no medium", Good(testing::MediaAbsent()), Good(), Good()},
      {"event status: tray open", Good(Hex("00 06 04 54 00 01 00 00")), Good(), Good()},
      {"no event status; not ready, medium not present", Check(5, 0x20, 0), Check(2, 0x3A, 0),
       Good()},
      {"tray open after a change: the unit attention is consumed", Good(Hex("00 02 84 54")),
       Check(6, 0x28, 0), Good()},
      {"current profile 0", Good(testing::MediaPresent()), Good(),
       Good(testing::IdeConfiguration(0))},
  };
  for (const Case& c : cases) {
    std::unique_ptr<ScsiDevice> owner;
    FakeScsiDevice* device = QemuIde(owner);
    device->On(kEventStatus, c.event);
    device->On(kTestUnitReady, std::vector<FakeReply>{c.ready, Check(2, 0x3A, 0)});
    if (!c.configuration.data.empty()) device->On(kGetConfiguration, c.configuration);
    MmcDrive drive(std::move(owner));
    MediumLayout layout;
    layout.typeName = u"untouched";
    EXPECT_EQ(drive.Medium(layout), kNoMedium) << c.what;
    EXPECT_EQ(layout.typeName, u"untouched") << c.what;
  }
}

// A disc appears, is swapped, disappears: what the media event status says,
// polled, and TEST UNIT READY on a drive without it.
TEST(MmcDriveTest, MediumPresenceFollowsTheMediaEvents) {
  std::unique_ptr<ScsiDevice> owner;
  FakeScsiDevice* device = QemuIde(owner);
  device->On(kEventStatus, std::vector<FakeReply>{
                               Good(testing::MediaAbsent()),
                               Good(Hex("00 06 04 10 02 02 00 00")),  // new media
                               Good(testing::MediaPresent()),
                               Good(Hex("00 06 04 10 04 02 00 00")),  // changed while present
                               Good(Hex("00 06 04 10 03 01 00 00")),  // removal, tray open
                           });
  MmcDrive drive(std::move(owner));
  struct Step {
    bool present;
    std::uint32_t changes;
  };
  for (const Step step :
       {Step{false, 0}, Step{true, 1}, Step{true, 1}, Step{true, 2}, Step{false, 3}}) {
    bool present = !step.present;
    std::uint32_t changes = 99;
    ASSERT_EQ(drive.MediumPresence(present, changes), kOk);
    EXPECT_EQ(present, step.present);
    EXPECT_EQ(changes, step.changes);
  }
  const std::vector<Command> asked = device->Commands(kEventStatus);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back().cdb[1] & 0x01, 1);  // polled: the drive answers at once

  // Without event status: ready or not.
  device->On(kEventStatus, Check(5, 0x20, 0));
  device->On(kTestUnitReady, std::vector<FakeReply>{Check(2, 0x3A, 0), Good()});
  bool present = true;
  std::uint32_t changes = 0;
  ASSERT_EQ(drive.MediumPresence(present, changes), kOk);
  EXPECT_FALSE(present);
  ASSERT_EQ(drive.MediumPresence(present, changes), kOk);
  EXPECT_TRUE(present);
  // A drive that does not answer at all gives its failure.
  FakeReply silent;
  silent.transport = kTimeout;
  device->On(kTestUnitReady, silent);
  EXPECT_EQ(drive.MediumPresence(present, changes), kTimeout);
}

TEST(MmcDriveTest, UnitAttentionIsConsumedAndTheCommandSentOnceMore) {
  std::unique_ptr<ScsiDevice> owner;
  FakeScsiDevice* device = QemuIde(owner);
  device->On(kTestUnitReady, std::vector<FakeReply>{Check(6, 0x28, 0), Good()});
  device->readSector = nullptr;
  device->On(kRead10,
             std::vector<FakeReply>{Check(6, 0x28, 0), Good(std::vector<std::uint8_t>(2048, 7))});
  MmcDrive drive(std::move(owner));
  MediumLayout layout;
  EXPECT_EQ(drive.Medium(layout), kOk);
  std::vector<std::uint8_t> sector(2048);
  EXPECT_EQ(drive.Read(5, 1, sector.data()), kOk);
  EXPECT_EQ(sector[100], 7);
  EXPECT_EQ(device->Commands(kRead10).size(), 2u);

  device->On(kRead10, Check(6, 0x29, 0));  // a unit attention every time
  EXPECT_EQ(drive.Read(5, 1, sector.data()), kUnitAttention);
  EXPECT_EQ(device->Commands(kRead10).size(), 4u) << "retried once, not for ever";
}

// The command blocks of a read speed: SET STREAMING with its performance
// descriptor over the whole medium, then SET CD SPEED; either one taken is
// enough, and 0 asks for the drive's own performance back.
TEST(MmcDriveTest, ReadSpeedIsSetWithSetStreamingAndSetCdSpeed) {
  constexpr std::uint8_t kSetStreaming = 0xB6, kSetCdSpeed = 0xBB;
  const auto cdb = [](const Command& command) {
    return std::vector<std::uint8_t>(command.cdb.begin(), command.cdb.begin() + command.cdbLength);
  };
  const struct {
    const char* what;
    std::int32_t kb;
    bool streamingTaken, cdSpeedTaken;
    Result expected;
    std::vector<std::uint8_t> descriptor, cdSpeed;
  } cases[] = {
      {"10x on a CD drive", 1764, false, true, kOk,
       Hex("00 00 00 00 00 00 00 00 00 00 04 af 00 00 06 e4 00 00 03 e8 00 00 06 e4 00 00 03 e8"),
       Hex("bb 00 06 e4 ff ff 00 00 00 00 00 00")},
      {"8x on a DVD drive", 11080, true, false, kOk,
       Hex("00 00 00 00 00 00 00 00 00 00 04 af 00 00 2b 48 00 00 03 e8 00 00 2b 48 00 00 03 e8"),
       Hex("bb 00 2b 48 ff ff 00 00 00 00 00 00")},
      {"restored", 0, true, true, kOk,
       Hex("04 00 00 00 00 00 00 00 00 00 04 af 00 00 00 00 00 00 03 e8 00 00 00 00 00 00 03 e8"),
       Hex("bb 00 ff ff ff ff 00 00 00 00 00 00")},
      {"faster than SET CD SPEED carries", 100000, false, false, kInvalidArgument,
       Hex("00 00 00 00 00 00 00 00 00 00 04 af 00 01 86 a0 00 00 03 e8 00 01 86 a0 00 00 03 e8"),
       Hex("bb 00 ff ff ff ff 00 00 00 00 00 00")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<ScsiDevice> owner;
    FakeScsiDevice* device = QemuIde(owner);
    // An opcode without a script is refused as an unknown command.
    if (c.streamingTaken) device->On(kSetStreaming, Good());
    if (c.cdSpeedTaken) device->On(kSetCdSpeed, Good());
    MmcDrive drive(std::move(owner));
    const Result result = drive.SetReadSpeed(c.kb);
    if (c.expected == kOk)
      EXPECT_EQ(result, kOk);
    else
      EXPECT_NE(result, kOk);
    const std::vector<Command> streaming = device->Commands(kSetStreaming);
    ASSERT_EQ(streaming.size(), 1u);
    EXPECT_EQ(cdb(streaming[0]), Hex("b6 00 00 00 00 00 00 00 00 00 1c 00"));
    EXPECT_EQ(streaming[0].direction, Direction::kToDevice);
    EXPECT_TRUE(streaming[0].needsWriteAccess);
    ASSERT_EQ(device->sent.size(), 1u);
    EXPECT_EQ(device->sent[0], c.descriptor);
    const std::vector<Command> cdSpeed = device->Commands(kSetCdSpeed);
    ASSERT_EQ(cdSpeed.size(), 1u);
    EXPECT_EQ(cdb(cdSpeed[0]), c.cdSpeed);
    EXPECT_EQ(cdSpeed[0].direction, Direction::kNone);
  }
}

TEST(MmcDriveTest, ReadErrorsAreClassified) {
  struct Case {
    const char* what;
    FakeReply reply;
    Result expected;
  };
  FakeReply timeout;
  timeout.transport = kTimeout;
  FakeReply shortTransfer = Good(std::vector<std::uint8_t>(2048, 1));
  shortTransfer.residual = 512;
  const Case cases[] = {
      {"unrecovered read error", Check(3, 0x11, 0), kMediumError},
      {"not ready", Check(2, 0x04, 1), kNotReady},
      {"no medium", Check(2, 0x3A, 0), kNoMedium},
      {"past the end (also QEMU IDE's injected error)", Check(5, 0x21, 0), kOutOfRange},
      {"illegal request", Check(5, 0x24, 0), kIllegalRequest},
      {"time-out", timeout, kTimeout},
      {"fewer bytes than asked", shortTransfer, kTransportError},
  };
  for (const Case& c : cases) {
    std::unique_ptr<ScsiDevice> owner;
    FakeScsiDevice* device = QemuIde(owner);
    device->readSector = [&c](std::uint32_t) { return c.reply; };
    if (c.reply.residual != 0) {
      device->readSector = nullptr;
      device->On(kRead10, c.reply);
    }
    MmcDrive drive(std::move(owner));
    std::vector<std::uint8_t> sector(2048);
    EXPECT_EQ(drive.Read(3, 1, sector.data()), c.expected) << c.what;
  }
}

TEST(MmcDriveTest, LongReadsAreSplitIntoTransfers) {
  std::unique_ptr<ScsiDevice> owner;
  FakeScsiDevice* device = QemuIde(owner);
  MmcDrive drive(std::move(owner), 32);
  std::vector<std::uint8_t> data(70 * 2048);
  ASSERT_EQ(drive.Read(100, 70, data.data()), kOk);
  const auto reads = device->Commands(kRead10);
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(reads[1].cdb[5], 132);
  EXPECT_EQ(reads[2].cdb[8], 6);
  for (std::size_t sector = 0; sector < 70; ++sector)
    ASSERT_EQ(data[sector * 2048 + 1000], static_cast<std::uint8_t>(100 + sector)) << sector;
  EXPECT_EQ(drive.Read(0xFFFFFFFFu, 2, data.data()), kOutOfRange);
  EXPECT_EQ(drive.Read(0, 0, nullptr), kOk);
}

TEST(MmcDriveTest, Read12CarriesCountsRead10CannotAndTheCdbsAreBigEndian) {
  FakeScsiDevice device;
  device.On(kRead12, Good());
  device.On(kRead10, Good());
  std::vector<std::uint8_t> data(0x10000 * 2048);
  EXPECT_EQ(ReadBlocks(device, 0x01020304, 0x10000, data.data()), kOk);
  EXPECT_EQ(ReadBlocks(device, 0x0A0B0C0D, 0xFFFF, data.data()), kOk);
  ASSERT_EQ(device.commands.size(), 2u);
  const auto& read12 = device.commands[0];
  EXPECT_EQ(read12.cdbLength, 12);
  EXPECT_EQ(std::vector<std::uint8_t>(read12.cdb.begin(), read12.cdb.begin() + 12),
            Hex("a8 00 01 02 03 04 00 01 00 00 00 00"));
  const auto& read10 = device.commands[1];
  EXPECT_EQ(std::vector<std::uint8_t>(read10.cdb.begin(), read10.cdb.begin() + 10),
            Hex("28 00 0a 0b 0c 0d 00 ff ff 00"));
  EXPECT_EQ(read10.timeoutMs, kReadTimeoutMs);
}

TEST(MmcDriveTest, IdentityFromTheOtherSources) {
  auto device = std::make_unique<FakeScsiDevice>();
  FakeScsiDevice* raw = device.get();
  raw->On(kInquiry, Good(testing::IdeInquiry()));
  // Logical Unit Serial Number feature, a DVD-R writer; no page 2Ah.
  raw->On(
      kGetConfiguration,
      Good(Hex("00 00 00 20 00 00 00 00 00 00 03 04 00 11 00 00 01 08 03 08 53 4e 2d 30 30 37 20 20"
               "00 2f 00 04 00 00 00 00")));
  raw->On(kReportKey, Good(Hex("00 06 00 00 5c fd 01 00")));
  raw->On(kReadBufferCapacity, Good(Hex("00 0a 00 00 00 20 00 00 00 10 00 00")));
  raw->On(kGetPerformance,
          Good(Hex("00 00 00 14 00 00 00 00 00 00 00 00 00 23 05 3f 00 00 1b 90 00 00 2b 10")));
  MmcDrive drive(std::move(device));
  const DriveIdentity id = drive.Identity();
  EXPECT_EQ(id.serialNumber, u"SN-007");
  EXPECT_EQ(id.regionCode, 2);
  EXPECT_EQ(id.userChangesLeft, 4);
  EXPECT_EQ(id.bufferSizeKB, 2048);
  EXPECT_EQ(drive.MaxReadSpeedKB(), 7056);
  EXPECT_EQ(drive.MaxWriteSpeedKB(), 11024);
  EXPECT_EQ(raw->Commands(kInquiry).size(), 1u) << "the feature answered: no VPD page asked";

  // Without the feature the VPD page answers.
  auto second = std::make_unique<FakeScsiDevice>();
  second->On(kInquiry,
             std::vector<FakeReply>{Good(testing::IdeInquiry()), Good(Hex("05 00 00 02 00 80")),
                                    Good(Hex("05 80 00 04 56 50 44 31"))});
  EXPECT_EQ(MmcDrive(std::move(second)).Identity().serialNumber, u"VPD1");
}

TEST(MmcDriveTest, VariableRepliesAreAskedAgainWithTheAnnouncedLength) {
  // A configuration reply of 1300 bytes: more than the first allocation.
  std::vector<std::uint8_t> reply(1300, 0);
  reply[2] = (1300 - 4) >> 8;
  reply[3] = (1300 - 4) & 0xFF;
  for (std::size_t at = 8; at + 4 <= 1300; at += 4) {
    reply[at] = 0x01;
    reply[at + 1] = static_cast<std::uint8_t>(at / 4);  // feature 01xx, no data
  }
  FakeScsiDevice device;
  device.On(kGetConfiguration, Good(reply));
  const Reply answer = GetConfiguration(device);
  ASSERT_EQ(answer.result, kOk);
  ASSERT_EQ(device.commands.size(), 2u);
  EXPECT_EQ(device.commands[0].cdb[7] << 8 | device.commands[0].cdb[8], 1024);
  EXPECT_EQ(device.commands[1].cdb[7] << 8 | device.commands[1].cdb[8], 1300);
  EXPECT_EQ(answer.bytes.size(), 1300u);

  // A header announcing 4 GiB is asked for once more at the most a CDB carries.
  FakeScsiDevice lying;
  lying.On(kGetConfiguration, Good(Hex("ff ff ff f0 00 00 00 08")));
  EXPECT_EQ(GetConfiguration(lying).bytes.size(), 0xFFF8u);
}

TEST(MmcDriveTest, EjectAllowsRemovalThenOpensTheTray) {
  std::unique_ptr<ScsiDevice> owner;
  FakeScsiDevice* device = QemuIde(owner);
  device->On(kPreventAllow, Good());
  device->On(kStartStop, Good());
  MmcDrive drive(std::move(owner));
  EXPECT_EQ(drive.Eject(), kOk);
  EXPECT_EQ(drive.CloseTray(), kOk);
  ASSERT_EQ(device->commands.size(), 3u);
  EXPECT_EQ(device->commands[0].cdb[0], kPreventAllow);
  EXPECT_EQ(device->commands[0].cdb[4], 0);
  EXPECT_EQ(device->commands[1].cdb[4], 0x02) << "load/eject, stop";
  EXPECT_EQ(device->commands[2].cdb[4], 0x03) << "load/eject, start";
  for (const Command& command : device->commands) EXPECT_TRUE(command.needsWriteAccess);

  device->On(kStartStop, Check(5, 0x53, 2));
  EXPECT_EQ(drive.Eject(), kIllegalRequest) << "removal prevented";
}

TEST(MmcDriveTest, TocCommandSetsItsFormatWhereBothDrivesReadIt) {
  FakeScsiDevice device;
  device.On(kReadToc, Good(testing::Toc(100)));
  ReadToc(device);
  ASSERT_FALSE(device.commands.empty());
  const Command& toc = device.commands[0];
  EXPECT_EQ(toc.cdb[1] & 0x02, 0) << "addresses as LBA";
  EXPECT_EQ(toc.cdb[2] & 0x0F, 0);
  EXPECT_EQ(toc.cdb[9] & 0xC0, 0);
}

}  // namespace
}  // namespace wrenlo::drive
