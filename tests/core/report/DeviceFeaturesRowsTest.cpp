#include <FakeEngine.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "PropertyRowsText.h"
#include "core/disc/DeviceContext.h"
#include "core/report/DeviceFeaturesRows.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

wrenlo::DeviceInformationEx DeviceInfo(std::u16string_view serial, std::u16string_view firmware,
                                       std::int32_t region, std::int32_t changesLeft,
                                       std::int32_t bufferKB) {
  wrenlo::DeviceInformationEx info;
  std::memset(&info, 0, sizeof info);
  info.serialNumber.set(serial);
  info.firmwareRevision.set(firmware);
  info.regionCode = region;
  info.userChangesLeft = changesLeft;
  info.bufferSizeKB = bufferKB;
  return info;
}

// The capability codes as (high, low) halves, in the order of the rows.
std::uint64_t Code(std::uint32_t high, std::uint32_t low) {
  return (std::uint64_t{high} << 32) | low;
}

const std::uint64_t kExpectedCodes[] = {
    // Read features.
    Code(0, 0x1), Code(0, 0x2), Code(0, 0x4), Code(0, 0x8), Code(0, 0x10), Code(0, 0x100),
    Code(0, 0x40), Code(0, 0x80), Code(0x800, 0), Code(0, 0x20), Code(0, 0x400), Code(0x80, 0),
    Code(0xFFFF, 0x5), Code(0xFFFF, 0x6), Code(0xFFFF, 0x19), Code(0xFFFF, 0x9), Code(0xFFFF, 0xA),
    Code(0xFFFF, 0x18), Code(0xFFFF, 0xC), Code(0xFFFF, 0xD), Code(0xFFFF, 0xE), Code(0xFFFF, 0x1A),
    // Write features; HD-BURN is asked with the CD-RW code.
    Code(0, 0x80000), Code(0, 0x100000), Code(0, 0x100000), Code(0, 0x200000), Code(0, 0x400000),
    Code(0, 0x4000000), Code(0, 0x1000000), Code(0, 0x2000000), Code(0x2000, 0), Code(0, 0x800000),
    Code(0, 0x10000000), Code(0, 0x20000000), Code(0, 0x40000000), Code(0, 0x80000000),
    Code(0x10, 0), Code(0x20, 0),
    // Misc features.
    Code(0xFFFF, 0x1), Code(0xFFFF, 0x2), Code(0xFFFF, 0x3), Code(0xFFFF, 0x4), Code(0xFFFF, 0x7),
    Code(0xFFFF, 0x8), Code(0xFFFF, 0xB), Code(0xFFFF, 0xF)};

std::string Hex(std::uint64_t code) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(code));
  return text;
}

class DeviceFeaturesRowsTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
};

TEST_F(DeviceFeaturesRowsTest, ShowsAKnownDriveRowByRow) {
  fake::script().identity = {{u"CORVANE", u"DVD-RW DRU-840", u"1.0"}};
  fake::script().deviceInfoEx = DeviceInfo(u"SN12345", u"1.07", 2, 4, 2048);
  fake::script().capabilitiesHandle = 9;
  fake::script().capabilities = {
      {wrenlo::cap::ReadsCdR, 1}, {wrenlo::cap::WritesCdRw, 1}, {wrenlo::cap::SupportsLocking, 1}};
  fake::script().maxReadSpeed = 7056;
  fake::script().maxBurnSpeed = 5540;
  DeviceContext context(u'E');
  const std::size_t loadCalls = fake::Calls().size();

  const PropertyGroups groups = DeviceFeaturesRows(context);

  ASSERT_EQ(groups.size(), 5u);
  EXPECT_THAT(ShownGroupTitles(groups),
              ElementsAre("General Information", "DVD Features", "Read Features", "Write Features",
                          "Misc Features"));
  EXPECT_THAT(RowTexts(groups[kGeneralInformation]),
              ElementsAre("Vendor = CORVANE", "Model = DVD-RW DRU-840",
                          "Drive Letter = E:", "Serial Number = SN12345",
                          "Firmware Revision = 1.07", "Firmware Date = ", "Buffer Size = 2048 KB"));
  EXPECT_THAT(RowTexts(groups[kDvdFeatures]),
              ElementsAre("Region Code = 2", "RPC Scheme = ", "User Changes Left = 4",
                          "Vendor Resets Left = "));
  const auto read = RowTexts(groups[kReadFeatures]);
  ASSERT_EQ(read.size(), 23u);
  EXPECT_EQ(read.front(), "Reads CD-R = Yes [yes]");
  EXPECT_EQ(read[1], "Reads CD-RW = No [no]");
  EXPECT_EQ(read.back(), "Max. Read Speed = 7056 KB/s");
  const auto write = RowTexts(groups[kWriteFeatures]);
  ASSERT_EQ(write.size(), 17u);
  EXPECT_EQ(write[1], "Writes CD-RW = Yes [yes]");
  EXPECT_EQ(write[2], "Writes HD-BURN = Yes [yes]");  // the same question as CD-RW
  EXPECT_EQ(write.back(), "Max. Write Speed = 5540 KB/s");
  const auto misc = RowTexts(groups[kMiscFeatures]);
  ASSERT_EQ(misc.size(), 8u);
  EXPECT_EQ(misc.back(), "Supports Locking = Yes [yes]");

  // 46 questions, one per capability row, in the order of the rows, all on
  // the context's handle; nothing else is asked of the engine.
  std::vector<std::string> expected;
  for (const std::uint64_t code : kExpectedCodes)
    expected.push_back("AnalyseDeviceCapability(9, " + Hex(code) + ")");
  const std::vector<std::string> calls = fake::Calls();
  EXPECT_THAT(
      std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(loadCalls), calls.end()),
      ElementsAreArray(expected));
}

TEST_F(DeviceFeaturesRowsTest, LabelsOfEveryCapabilityRow) {
  DeviceContext context(u'D');
  const PropertyGroups groups = DeviceFeaturesRows(context);
  std::vector<std::string> labels;
  for (const auto group : {kReadFeatures, kWriteFeatures, kMiscFeatures})
    for (const PropertyRow& row : groups[group].rows) labels.push_back(fake::Utf8(row.label));
  EXPECT_THAT(
      labels,
      ElementsAre(
          "Reads CD-R", "Reads CD-RW", "Reads DVD-ROM", "Reads DVD-R", "Reads DVD-RW",
          "Reads DVD-R Dual Layer", "Reads DVD+R", "Reads DVD+RW", "Reads DVD+RW Dual Layer",
          "Reads DVD-RAM", "Reads Blu-Ray", "Reads Multisession", "Reads Mode 2 Form 1",
          "Reads Mode 2 Form 2", "Reads Fixed Packet Method 2", "Reads RW Subcodes",
          "Correct RW Subcodes", "Reads RW in LeadIn", "Reads ISRC", "Reads UPC", "Reads Barcode",
          "Reads CD Text", "Max. Read Speed", "Writes CD-R", "Writes CD-RW", "Writes HD-BURN",
          "Writes DVD-R", "Writes DVD-RW", "Writes DVD-R Dual Layer", "Writes DVD+R",
          "Writes DVD+RW", "Writes DVD+R Dual Layer", "Writes DVD-RAM", "Writes Blu-ray (BD-R)",
          "Writes Blu-ray (BD-RE)", "Writes HD-DVD-R", "Writes HD-DVD-RW",
          "Supports Simulated Write", "Buffer Underrun Protection", "Max. Write Speed",
          "Plays Audio CD", "Composite", "Digital Port 1", "Digital Port 2",
          "Supports CDDA Command", "CDDA Accurate", "Supports C2 Pointers", "Supports Locking"));
}

TEST_F(DeviceFeaturesRowsTest, SilentEngineShowsThePresets) {
  // An engine that writes nothing: zero-filled extended record, no answers.
  DeviceContext context(u'F');
  const PropertyGroups groups = DeviceFeaturesRows(context);
  EXPECT_THAT(RowTexts(groups[kGeneralInformation]),
              ElementsAre("Vendor = ", "Model = ", "Drive Letter = F:", "Firmware Revision = ",
                          "Firmware Date = ", "Buffer Size = 0 KB"));
  EXPECT_THAT(RowTexts(groups[kDvdFeatures]),
              ElementsAre("Region Code = None", "RPC Scheme = ", "User Changes Left = 0",
                          "Vendor Resets Left = "));
  for (const auto group : {kReadFeatures, kWriteFeatures, kMiscFeatures})
    for (const PropertyRow& row : groups[group].rows)
      if (row.image != kNoImage) {
        EXPECT_EQ(row, (PropertyRow{row.label, u"No", kImageNo}));
      }
  EXPECT_EQ(fake::Utf8(groups[kReadFeatures].rows.back().value), "n/a");
  EXPECT_EQ(fake::Utf8(groups[kWriteFeatures].rows.back().value), "n/a");
}

TEST_F(DeviceFeaturesRowsTest, ValueRules) {
  struct Case {
    const char* what;
    std::int32_t region, readSpeed, writeSpeed;
    std::uint8_t answer;
    const char *regionText, *readText, *writeText, *answerText;
    int image;
  };
  const Case cases[] = {
      {"region set, both speeds, yes", 2, 7056, 1385, 1, "2", "7056 KB/s", "1385 KB/s", "Yes",
       kImageYes},
      {"no region, no speeds, no", 0, 0, -1, 0, "None", "n/a", "n/a", "No", kImageNo},
      {"negative region, speeds apart, other byte", -3, -1, 4, 2, "-3", "n/a", "4 KB/s", "No",
       kImageNo},
      {"any byte but 1 is no", 8, 1, 0, 255, "8", "1 KB/s", "n/a", "No", kImageNo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    fake::script().deviceInfoEx = DeviceInfo(u"", u"", c.region, 0, 0);
    fake::script().maxReadSpeed = c.readSpeed;
    fake::script().maxBurnSpeed = c.writeSpeed;
    fake::script().capabilities[wrenlo::cap::ReadsDvdRom] = c.answer;
    DeviceContext context(u'E');
    const PropertyGroups groups = DeviceFeaturesRows(context);
    EXPECT_EQ(fake::Utf8(groups[kDvdFeatures].rows[0].value), c.regionText);
    EXPECT_EQ(fake::Utf8(groups[kReadFeatures].rows.back().value), c.readText);
    EXPECT_EQ(fake::Utf8(groups[kWriteFeatures].rows.back().value), c.writeText);
    const PropertyRow& dvdRom = groups[kReadFeatures].rows[2];
    EXPECT_EQ(fake::Utf8(dvdRom.value), c.answerText);
    EXPECT_EQ(dvdRom.image, c.image);
  }
}

TEST_F(DeviceFeaturesRowsTest, NoDriveShowsNoLetter) {
  DeviceContext context(0);
  EXPECT_EQ(DeviceFeaturesRows(context)[kGeneralInformation].rows[2],
            (PropertyRow{u"Drive Letter", u"", kNoImage}));
}

}  // namespace
