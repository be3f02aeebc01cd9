#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <set>

#include "CapabilityTable.h"
#include "QemuReplies.h"

namespace wrenlo::drive {
namespace {

TEST(CapabilityTableTest, OneRowForEveryCodeAsked) {
  static_assert(std::size(cap::kAll) == 46);
  std::set<std::uint64_t> rows;
  for (const CapabilityRow& row : CapabilityRows()) {
    EXPECT_TRUE(rows.insert(row.code).second) << "code " << std::hex << row.code << " twice";
    EXPECT_NE(row.sources[0].kind, CapabilitySource::kNone) << std::hex << row.code;
  }
  EXPECT_EQ(rows, std::set<std::uint64_t>(std::begin(cap::kAll), std::end(cap::kAll)));
}

std::set<std::uint64_t> Answers(const DriveFeatures& features) {
  std::set<std::uint64_t> yes;
  for (std::uint64_t code : cap::kAll)
    if (HasCapability(code, features)) yes.insert(code);
  return yes;
}

TEST(CapabilityTableTest, QemuIdeDrive) {
  DriveFeatures ide;
  ide.capabilitiesPage = DecodeCapabilitiesPage(testing::IdeCapabilitiesPage());
  ide.configuration = *DecodeConfiguration(testing::IdeConfiguration(0x0008));
  const std::set<std::uint64_t> expected = {
      cap::ReadsCdR,    cap::ReadsCdRw,         cap::ReadsDvdRom,     cap::ReadsDvdR,
      cap::ReadsDvdRam, cap::ReadsMultisession, cap::ReadsMode2Form1, cap::ReadsMode2Form2,
      cap::ReadsIsrc,   cap::ReadsUpc,          cap::PlaysAudioCd,    cap::SupportsLocking,
  };
  EXPECT_EQ(Answers(ide), expected);
  EXPECT_FALSE(WritesAnything(ide));
}

TEST(CapabilityTableTest, QemuScsiDrive) {
  DriveFeatures scsi;
  scsi.capabilitiesPage = DecodeCapabilitiesPage(testing::ScsiCapabilitiesPage());
  scsi.configuration = *DecodeConfiguration(testing::ScsiConfiguration());
  const std::set<std::uint64_t> expected = {
      cap::ReadsCdR,        cap::ReadsCdRw,           cap::ReadsDvdRom,     cap::ReadsDvdR,
      cap::ReadsDvdRam,     cap::ReadsMultisession,   cap::ReadsMode2Form1, cap::ReadsMode2Form2,
      cap::ReadsRwSubcodes, cap::CorrectRwSubcodes,   cap::ReadsIsrc,       cap::ReadsUpc,
      cap::ReadsBarcode,    cap::PlaysAudioCd,        cap::Composite,       cap::DigitalPort1,
      cap::DigitalPort2,    cap::SupportsCddaCommand, cap::CddaAccurate,    cap::SupportsC2Pointers,
      cap::SupportsLocking,
  };
  EXPECT_EQ(Answers(scsi), expected);
  EXPECT_FALSE(WritesAnything(scsi));
}

TEST(CapabilityTableTest, EachPageBitAnswersItsOwnRow) {
  struct Bit {
    std::size_t byte;
    unsigned bit;
    std::set<std::uint64_t> yes;
  };
  const Bit bits[] = {
      {2, 0, {cap::ReadsCdR}},
      {2, 1, {cap::ReadsCdRw}},
      {2, 2, {cap::ReadsFixedPacketMethod2}},
      {2, 3, {cap::ReadsDvdRom}},
      {2, 4, {cap::ReadsDvdR}},
      {2, 5, {cap::ReadsDvdRam}},
      {2, 6, {}},
      {3, 0, {cap::WritesCdR}},
      {3, 1, {cap::WritesCdRw}},
      {3, 2, {cap::SupportsSimulatedWrite}},
      {3, 3, {}},
      {3, 4, {cap::WritesDvdR}},
      {3, 5, {cap::WritesDvdRam}},
      {4, 0, {cap::PlaysAudioCd}},
      {4, 1, {cap::Composite}},
      {4, 2, {cap::DigitalPort1}},
      {4, 3, {cap::DigitalPort2}},
      {4, 4, {cap::ReadsMode2Form1}},
      {4, 5, {cap::ReadsMode2Form2}},
      {4, 6, {cap::ReadsMultisession}},
      {4, 7, {cap::BufferUnderrunProtection}},
      {5, 0, {cap::SupportsCddaCommand}},
      {5, 1, {cap::CddaAccurate}},
      {5, 2, {cap::ReadsRwSubcodes}},
      {5, 3, {cap::CorrectRwSubcodes}},
      {5, 4, {cap::SupportsC2Pointers}},
      {5, 5, {cap::ReadsIsrc}},
      {5, 6, {cap::ReadsUpc}},
      {5, 7, {cap::ReadsBarcode}},
      {6, 0, {cap::SupportsLocking}},
      {6, 3, {}},
      {7, 5, {cap::ReadsRwInLeadIn}},
      {7, 0, {}},
  };
  for (const Bit& b : bits) {
    DriveFeatures features;
    features.capabilitiesPage = testing::Bytes(8, 0);
    (*features.capabilitiesPage)[0] = 0x2A;
    (*features.capabilitiesPage)[b.byte] = static_cast<std::uint8_t>(1u << b.bit);
    EXPECT_EQ(Answers(features), b.yes) << "byte " << b.byte << " bit " << b.bit;
  }
}

TEST(CapabilityTableTest, EachKindOfSource) {
  using testing::Hex;
  struct Case {
    const char* what;
    const char* page;           // page 2Ah bytes, or nullptr for none
    const char* configuration;  // GET CONFIGURATION reply, or nullptr
    std::set<std::uint64_t> expected;
  };
  const Case cases[] = {
      {"no page, no features: every answer no", nullptr, nullptr, {}},
      {"page cut after byte 3: later bits read as clear",
       "2a 12 ff ff",
       nullptr,
       {cap::ReadsCdR, cap::ReadsCdRw, cap::ReadsFixedPacketMethod2, cap::ReadsDvdRom,
        cap::ReadsDvdR, cap::ReadsDvdRam, cap::WritesCdR, cap::WritesCdRw,
        cap::SupportsSimulatedWrite, cap::WritesDvdR, cap::WritesDvdRam}},
      {"profiles",
       nullptr,
       "00 00 00 24 00 00 00 00 00 00 03 1c 00 13 00 00 00 15 00 00 00 1a 00 00 00 1b 00 00 "
       "00 2a 00 00 00 42 00 00 00 0a 00 00",
       {cap::ReadsDvdRw, cap::ReadsDvdRDualLayer, cap::ReadsDvdPlusRw, cap::ReadsDvdPlusR,
        cap::ReadsDvdPlusRwDualLayer, cap::ReadsBluRay, cap::ReadsCdRw}},
      {"CD writing features",
       nullptr,
       "00 00 00 1c 00 00 00 00 00 1e 00 04 03 00 00 00 00 2d 00 04 46 00 00 00 00 2e 00 04 00 00 "
       "00 00",
       {cap::ReadsCdText, cap::SupportsC2Pointers, cap::WritesCdR, cap::WritesCdRw,
        cap::SupportsSimulatedWrite, cap::BufferUnderrunProtection}},
      {"DVD writing features",
       nullptr,
       "00 00 00 2c 00 00 00 00 00 2f 00 04 08 00 00 00 00 2a 00 04 01 00 00 00 00 2b 00 04 01 00 "
       "00 00 "
       "00 3b 00 04 01 00 00 00 00 1f 00 04 00 00 01 00",
       {cap::WritesDvdR, cap::WritesDvdRDualLayer, cap::WritesDvdPlusRw, cap::WritesDvdPlusR,
        cap::WritesDvdPlusRDualLayer, cap::ReadsDvdRDualLayer}},
      {"DVD+R feature without its write bit",
       nullptr,
       "00 00 00 0c 00 00 00 00 00 2b 00 04 00 00 00 00",
       {}},
      {"BD and HD DVD writing",
       nullptr,
       "00 00 00 34 00 00 00 00 00 00 00 04 00 53 00 00 "
       "00 41 00 14 00 00 00 00 00 00 00 00 00 06 00 00 00 00 00 00 00 00 00 00 "
       "00 40 00 04 00 00 00 00 00 51 00 04 01 00 00 00",
       {cap::WritesBdRe, cap::ReadsBluRay, cap::WritesHdDvdR, cap::WritesHdDvdRw}},
      {"DVD-RAM writing needs the profile and Random Writable",
       nullptr,
       "00 00 00 14 00 00 00 00 00 00 00 04 00 12 00 00 00 20 00 04 00 00 00 00",
       {cap::ReadsDvdRam, cap::WritesDvdRam}},
  };
  for (const Case& c : cases) {
    DriveFeatures features;
    if (c.page) features.capabilitiesPage = Hex(c.page);
    if (c.configuration) features.configuration = *DecodeConfiguration(Hex(c.configuration));
    EXPECT_EQ(Answers(features), c.expected) << c.what;
  }
  EXPECT_FALSE(HasCapability(cap::Code(0xFFFF, 0x77), DriveFeatures{})) << "unknown code";
}

}  // namespace
}  // namespace wrenlo::drive
