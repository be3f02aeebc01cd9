// The reply decoders on QEMU's recorded replies and on hand-made ones that
// are cut short or whose length fields lie.
#include <gtest/gtest.h>

#include "CdReplies.h"
#include "FeatureReplies.h"
#include "IdentityReplies.h"
#include "MediumReplies.h"
#include "QemuReplies.h"

namespace wrenlo::drive {
namespace {

using testing::Bytes;
using testing::Hex;

TEST(InquiryReplyTest, ReadsIdentityWithinTheAnnouncedLength) {
  const auto ide = DecodeInquiry(testing::IdeInquiry());
  ASSERT_TRUE(ide);
  EXPECT_EQ(ide->deviceType, 5);
  EXPECT_EQ(ide->vendor, "QEMU");
  EXPECT_EQ(ide->product, "QEMU DVD-ROM");
  EXPECT_EQ(ide->revision, "2.5+");

  const auto scsi = DecodeInquiry(testing::ScsiInquiry());
  ASSERT_TRUE(scsi);
  EXPECT_EQ(scsi->product, "QEMU CD-ROM");

  Bytes cut = testing::IdeInquiry();
  cut.resize(35);
  EXPECT_FALSE(DecodeInquiry(cut)) << "shorter than the identification strings";

  Bytes announcesLess = testing::IdeInquiry();
  announcesLess[4] = 20;  // 25 bytes announced: the revision is not part of the reply
  EXPECT_FALSE(DecodeInquiry(announcesLess));

  Bytes announcesMore = testing::IdeInquiry();
  announcesMore[4] = 0xFF;
  ASSERT_TRUE(DecodeInquiry(announcesMore));
  EXPECT_EQ(DecodeInquiry(announcesMore)->revision, "2.5+");

  Bytes control = testing::IdeInquiry();
  control[17] = 0x07;
  control[18] = 0x00;
  EXPECT_EQ(DecodeInquiry(control)->product, "Q? U DVD-ROM") << "control bytes are not passed on";
}

TEST(InquiryReplyTest, SerialNumberPage) {
  EXPECT_EQ(DecodeUnitSerialNumber(testing::ScsiSerialNumber()), "LUMETER-42");
  EXPECT_EQ(DecodeUnitSerialNumber(Hex("05 80 00 08 20 41 42 43 31 32 20 20")), "ABC12");
  EXPECT_EQ(DecodeUnitSerialNumber(Hex("05 80 00 ff 41 42")), "AB") << "page length past the reply";
  EXPECT_EQ(DecodeUnitSerialNumber(Hex("05 80 00 00")), "");
  EXPECT_FALSE(DecodeUnitSerialNumber(Hex("05 83 00 02 41 42"))) << "another page";
  EXPECT_FALSE(DecodeUnitSerialNumber(Hex("05 80 00")));
}

TEST(InquiryReplyTest, SupportedVpdPages) {
  EXPECT_EQ(DecodeSupportedVpdPages(testing::ScsiVpdPages()), Hex("00 80 83"));
  EXPECT_EQ(DecodeSupportedVpdPages(testing::IdeVpdPages()), Hex("00 83"));
  EXPECT_EQ(DecodeSupportedVpdPages(Hex("05 00 00 09 00 80")), Hex("00 80"))
      << "length past the reply";
  EXPECT_FALSE(DecodeSupportedVpdPages(testing::IdeInquiry()))
      << "standard data sent for a VPD request";
}

TEST(RegionReplyTest, RpcState) {
  struct Case {
    const char* what;
    Bytes reply;
    bool decoded;
    std::int32_t region;
    std::uint8_t userChanges, vendorResets;
  };
  const Case cases[] = {
      // type 1 (set), 3 vendor resets, 4 user changes; only region 2 playable
      {"region 2 set", Hex("00 06 00 00 5c fd 01 00"), true, 2, 4, 3},
      {"region 8", Hex("00 06 00 00 45 7f 01 00"), true, 8, 5, 0},
      {"no region set", Hex("00 06 00 00 05 ff 01 00"), true, 0, 5, 0},
      {"type set but every region playable", Hex("00 06 00 00 41 00 01 00"), true, 0, 1, 0},
      {"two regions playable", Hex("00 06 00 00 41 fc 01 00"), true, 0, 1, 0},
      {"cut short", Hex("00 06 00 00 5c fd 01"), false, 0, 0, 0},
      {"data length too small", Hex("00 02 00 00 5c fd 01 00"), false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const auto state = DecodeRpcState(c.reply);
    ASSERT_EQ(state.has_value(), c.decoded) << c.what;
    if (!state) continue;
    EXPECT_EQ(RegionOf(*state), c.region) << c.what;
    EXPECT_EQ(state->userChanges, c.userChanges) << c.what;
    EXPECT_EQ(state->vendorResets, c.vendorResets) << c.what;
  }
}

TEST(BufferCapacityReplyTest, Length) {
  EXPECT_EQ(DecodeBufferCapacity(Hex("00 0a 00 00 00 20 00 00 00 10 00 00")), 0x200000u);
  EXPECT_FALSE(DecodeBufferCapacity(Hex("00 0a 00 00 00 20 00")));
}

TEST(ConfigurationReplyTest, ProfilesAndFeatures) {
  const auto ide = DecodeConfiguration(testing::IdeConfiguration(0x0008));
  ASSERT_TRUE(ide);
  EXPECT_EQ(ide->currentProfile, 0x0008);
  EXPECT_EQ(ide->profiles, (std::vector<std::uint16_t>{0x0010, 0x0008}));
  EXPECT_TRUE(ide->HasFeature(0x0000));
  EXPECT_FALSE(ide->HasFeature(0x0001));

  // Header, Profile List (one profile), DVD-R/-RW Write with byte 4 = 42h,
  // a BD Write whose BD-R class 0 bitmap has a bit.
  const Bytes reply =
      Hex("00 00 00 34 00 00 00 11"
          "00 00 03 04 00 11 01 00"
          "00 2f 04 04 42 00 00 00"
          "00 41 04 14 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 02 00 00 00 00 00 00");
  const auto config = DecodeConfiguration(reply);
  ASSERT_TRUE(config);
  EXPECT_TRUE(config->FeatureBit(0x002F, 4, 1));
  EXPECT_TRUE(config->FeatureBit(0x002F, 4, 6));
  EXPECT_FALSE(config->FeatureBit(0x002F, 4, 2));
  EXPECT_TRUE(config->FeatureAnyBits(0x0041, 16, 23));
  EXPECT_FALSE(config->FeatureAnyBits(0x0041, 8, 15));
  EXPECT_FALSE(config->FeatureBit(0x002F, 400, 0)) << "a byte past the descriptor reads as clear";
}

TEST(ConfigurationReplyTest, LyingLengthsStayInsideTheReply) {
  // A descriptor announcing 255 bytes where the reply ends after 2.
  const auto cut = DecodeConfiguration(Hex("00 00 00 ff 00 00 00 08 00 00 03 ff 00 08"));
  ASSERT_TRUE(cut);
  EXPECT_TRUE(cut->HasFeature(0x0000));
  EXPECT_TRUE(cut->profiles.empty()) << "no whole profile descriptor arrived";

  // The header's data length ends the reply before a further descriptor.
  const auto shortened = DecodeConfiguration(
      Hex("00 00 00 0c 00 00 00 08 00 00 03 04 00 08 01 00 00 1e 00 04 03 00 00 00"));
  ASSERT_TRUE(shortened);
  EXPECT_FALSE(shortened->HasFeature(0x001E));
  EXPECT_EQ(shortened->profiles, (std::vector<std::uint16_t>{0x0008}));

  // A data length near 4 GiB: the whole length saturates, nothing is read past the end.
  EXPECT_EQ(ConfigurationLength(Hex("ff ff ff fe 00 00 00 00")), 0xFFFFFFFFu);
  EXPECT_TRUE(DecodeConfiguration(Hex("ff ff ff ff 00 00 00 08 00 1e")));
  EXPECT_FALSE(DecodeConfiguration(Hex("00 00 00 04 00 00 00")));
}

TEST(CapabilitiesPageTest, FindsThePageAfterTheHeaderAndBlockDescriptors) {
  const auto page = DecodeCapabilitiesPage(testing::IdeCapabilitiesPage());
  ASSERT_TRUE(page);
  ASSERT_EQ(page->size(), 22u);
  EXPECT_EQ((*page)[2], 0x3b);
  EXPECT_EQ((*page)[6], 0x29);

  // An 8-byte block descriptor before the page.
  const auto behind = DecodeCapabilitiesPage(
      Hex("00 16 00 00 00 00 00 08 00 00 00 00 00 00 08 00 2a 06 01 02 03 04 05 06"));
  ASSERT_TRUE(behind);
  EXPECT_EQ(*behind, Hex("2a 06 01 02 03 04 05 06"));

  EXPECT_EQ(*DecodeCapabilitiesPage(Hex("00 0a 00 00 00 00 00 00 2a ff 01 02")), Hex("2a ff 01 02"))
      << "page length past the reply";
  EXPECT_FALSE(DecodeCapabilitiesPage(Hex("00 0a 00 00 00 00 00 00 0d 02 00 00")))
      << "another page";
  EXPECT_FALSE(DecodeCapabilitiesPage(Hex("00 0a 00 00 00 00 ff ff 2a 02 00 00")))
      << "block descriptors past the reply";
  EXPECT_FALSE(DecodeCapabilitiesPage(Hex("00 04 00 00 00 00 00 00 2a 02 00 00")))
      << "mode data length ends before the page";
}

TEST(PerformanceReplyTest, HighestSpeedsOverTheDescriptors) {
  const auto limits = DecodeWriteSpeedDescriptors(
      Hex("00 00 00 24 00 00 00 00"
          "00 00 00 00 00 23 05 3f 00 00 1b 90 00 00 10 80"
          "00 00 00 00 00 23 05 3f 00 00 15 a0 00 00 1b 90"
          "00 00 00 00 00 23 05 3f 00 00 ff ff"));  // the third cut short
  ASSERT_TRUE(limits);
  EXPECT_EQ(limits->readKB, 7056u);
  EXPECT_EQ(limits->writeKB, 7056u);
  EXPECT_EQ(DecodeWriteSpeedDescriptors(Hex("00 00 00 04 00 00 00 00"))->readKB, 0u);
}

TEST(MediumRepliesTest, DiscInformation) {
  const auto info =
      DecodeDiscInformation(Hex("00 20 0e 01 02 03 05 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 "
                                "00 00 00 00 00 00 00 00 00 00 00 00"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->discStatus, 2);
  EXPECT_EQ(info->firstTrack, 1);
  EXPECT_EQ(info->sessions, 0x0102);
  EXPECT_EQ(info->firstTrackOfLastSession, 3);
  EXPECT_EQ(info->lastTrackOfLastSession, 5);
  EXPECT_FALSE(DecodeDiscInformation(Hex("00 08 0e 01 01 01 01 00 00 00 00 00")))
      << "announces 10 bytes";
}

TEST(MediumRepliesTest, TocEntriesWithinTheAnnouncedLength) {
  const auto toc = DecodeToc(testing::Toc(1234));
  ASSERT_TRUE(toc);
  EXPECT_EQ(toc->firstTrack, 1);
  EXPECT_EQ(toc->lastTrack, 1);
  ASSERT_EQ(toc->entries.size(), 2u);
  EXPECT_EQ(toc->entries[0].control, 4);
  EXPECT_EQ(toc->entries[1].track, kLeadOutTrack);
  EXPECT_EQ(toc->entries[1].start, 1234u);

  Bytes longer = testing::Toc(1234);
  longer[0] = 0x0F;  // announces far more than arrived
  EXPECT_EQ(DecodeToc(longer)->entries.size(), 2u);
  Bytes shorter = testing::Toc(1234);
  shorter[1] = 0x0A;  // 12 bytes: one descriptor
  EXPECT_EQ(DecodeToc(shorter)->entries.size(), 1u);
  EXPECT_FALSE(DecodeToc(Hex("00 01 01")));
}

TEST(MediumRepliesTest, FullTocSessionsTracksAndLeadOuts) {
  const auto toc = DecodeFullToc(testing::EnhancedCdFullToc());
  ASSERT_TRUE(toc);
  ASSERT_EQ(toc->tracks.size(), 3u) << "the ADR 5 pointer and A0h-A2h are no tracks";
  EXPECT_EQ(toc->tracks[1].track, 2);
  EXPECT_EQ(toc->tracks[1].session, 1);
  EXPECT_EQ(toc->tracks[1].start, 10000u);
  EXPECT_EQ(toc->tracks[2].session, 2);
  EXPECT_EQ(toc->tracks[2].control, kControlDataTrack);
  EXPECT_EQ(toc->tracks[2].start, 31400u);
  ASSERT_EQ(toc->sessions.size(), 2u);
  EXPECT_EQ(toc->sessions[0].leadOut, 20000u);
  EXPECT_EQ(toc->sessions[0].discType, kDiscTypeCdDaOrCdRom);
  EXPECT_EQ(toc->Session(2)->leadOut, 40000u);
  EXPECT_EQ(toc->Session(2)->discType, kDiscTypeCdRomXa);
  EXPECT_EQ(toc->Session(3), nullptr);

  Bytes cut = testing::EnhancedCdFullToc();
  cut.resize(4 + 11 * 4 + 10);  // the fifth descriptor (track 2) lacks a byte
  EXPECT_EQ(DecodeFullToc(cut)->tracks.size(), 1u);
  Bytes announcesLess = testing::EnhancedCdFullToc();
  announcesLess[1] = 2 + 11 * 2;  // A0h and A1h only
  EXPECT_TRUE(DecodeFullToc(announcesLess)->tracks.empty());
  EXPECT_FALSE(DecodeFullToc(announcesLess)->sessions[0].leadOut);
  Bytes announcesMore = testing::EnhancedCdFullToc();
  announcesMore[0] = 0xFF;
  EXPECT_EQ(DecodeFullToc(announcesMore)->tracks.size(), 3u);
  EXPECT_FALSE(DecodeFullToc(Hex("00 02 01")));

  const auto qemu = DecodeFullToc(testing::IdeFullToc());
  ASSERT_TRUE(qemu);
  ASSERT_EQ(qemu->tracks.size(), 1u);
  EXPECT_EQ(qemu->tracks[0].start, 0u);
  EXPECT_EQ(qemu->tracks[0].session, 1);
  ASSERT_EQ(qemu->sessions.size(), 1u);
  EXPECT_EQ(qemu->sessions[0].leadOut, 1235u);

  // A start before 00:02:00 is no address on the disc.
  const auto early = DecodeFullToc(testing::FullTocReply({{1, 0x14, 1, 0, 1, 74}}));
  ASSERT_TRUE(early);
  EXPECT_TRUE(early->tracks.empty());
}

TEST(MediumRepliesTest, TrackInformation) {
  Bytes reply(36, 0);
  reply[1] = 34;
  reply[2] = 0x02;  // track 0x0102 with byte 32
  reply[32] = 0x01;
  reply[3] = 0x03;  // session 3
  reply[5] = 0x04;
  reply[6] = 0x42;   // blank, data mode 2
  reply[10] = 0x01;  // start 0x100
  reply[26] = 0x20;  // size 0x2000
  const auto info = DecodeTrackInformation(reply);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->track, 0x0102);
  EXPECT_EQ(info->session, 3);
  EXPECT_EQ(info->trackMode, 4);
  EXPECT_TRUE(info->blank);
  EXPECT_EQ(info->dataMode, 2);
  EXPECT_EQ(info->start, 0x100u);
  EXPECT_EQ(info->size, 0x2000u);
  reply[1] = 24;  // 26 bytes announced: no track size
  EXPECT_FALSE(DecodeTrackInformation(reply));
}

TEST(MediumRepliesTest, CapacityAndMediaStatus) {
  EXPECT_EQ(DecodeCapacity(testing::Capacity(500))->lastAddress, 499u);
  EXPECT_FALSE(DecodeCapacity(Hex("00 00 01")));

  const auto present = DecodeMediaStatus(testing::MediaPresent());
  ASSERT_TRUE(present);
  EXPECT_TRUE(present->present);
  EXPECT_FALSE(present->trayOpen);
  const auto open = DecodeMediaStatus(Hex("00 06 04 54 03 01 00 00"));
  ASSERT_TRUE(open);
  EXPECT_EQ(open->event, 3);
  EXPECT_TRUE(open->trayOpen);
  EXPECT_FALSE(DecodeMediaStatus(Hex("00 02 84 54"))) << "no event available";
  EXPECT_FALSE(DecodeMediaStatus(Hex("00 06 02 54 00 02 00 00"))) << "another class";
}

}  // namespace
}  // namespace wrenlo::drive
