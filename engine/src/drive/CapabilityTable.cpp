#include "CapabilityTable.h"

#include <wrenlo/wrenlo.h>

#include "ReplyBytes.h"

namespace wrenlo::drive {

namespace {

using S = CapabilitySource;

constexpr S Page(std::uint16_t byte, std::uint16_t bit) { return {S::kPageBit, byte, bit, 0}; }
constexpr S Profile(std::uint16_t profile) { return {S::kProfile, profile, 0, 0}; }
constexpr S Feature(std::uint16_t code) { return {S::kFeature, code, 0, 0}; }
constexpr S FeatureBit(std::uint16_t code, std::uint16_t byte, std::uint16_t bit) {
  return {S::kFeatureBit, code, byte, bit};
}
constexpr S FeatureBytes(std::uint16_t code, std::uint16_t from, std::uint16_t to) {
  return {S::kFeatureBytes, code, from, to};
}
constexpr S ProfileAndFeature(std::uint16_t profile, std::uint16_t code) {
  return {S::kProfileAndFeature, profile, code, 0};
}

// Feature codes (MMC-6 table 88).
constexpr std::uint16_t kCdRead = 0x001E;
constexpr std::uint16_t kDvdRead = 0x001F;
constexpr std::uint16_t kRandomWritable = 0x0020;
constexpr std::uint16_t kDvdPlusRw = 0x002A;
constexpr std::uint16_t kDvdPlusR = 0x002B;
constexpr std::uint16_t kCdTrackAtOnce = 0x002D;
constexpr std::uint16_t kCdMastering = 0x002E;
constexpr std::uint16_t kDvdMinusRWrite = 0x002F;
constexpr std::uint16_t kLayerJumpRecording = 0x0033;
constexpr std::uint16_t kCdRwMediaWrite = 0x0037;
constexpr std::uint16_t kDvdPlusRDualLayer = 0x003B;
constexpr std::uint16_t kBdRead = 0x0040;
constexpr std::uint16_t kBdWrite = 0x0041;
constexpr std::uint16_t kHdDvdWrite = 0x0051;

// Page 2Ah bytes: 2 read, 3 write, 4 audio/session abilities, 5 CD-DA and
// subcode abilities, 6 mechanism, 7 further read abilities.
// Feature byte 4 of 002Dh/002Eh/002Fh: bit 1 CD-RW / DVD-RW, bit 2 Test
// Write, bit 6 BUF; 002Fh bit 3 DVD-R DL. Feature 0041h: bytes 8-15 the
// BD-RE class bitmaps, 16-23 the BD-R ones. Feature 001Fh byte 6 bit 0:
// DVD-R DL read. Feature 0051h byte 4 bit 0: HD DVD-R write.
constexpr CapabilityRow kRows[] = {
    {cap::ReadsCdR, false, {Page(2, 0), Profile(0x0009)}},
    {cap::ReadsCdRw, false, {Page(2, 1), Profile(0x000A)}},
    {cap::ReadsDvdRom, false, {Page(2, 3), Profile(0x0010)}},
    {cap::ReadsDvdR, false, {Page(2, 4), Profile(0x0011)}},
    {cap::ReadsDvdRw, false, {Profile(0x0013), Profile(0x0014)}},
    {cap::ReadsDvdRDualLayer,
     false,
     {Profile(0x0015), Profile(0x0016), FeatureBit(kDvdRead, 6, 0)}},
    {cap::ReadsDvdPlusR, false, {Profile(0x001B)}},
    {cap::ReadsDvdPlusRw, false, {Profile(0x001A)}},
    {cap::ReadsDvdPlusRwDualLayer, false, {Profile(0x002A)}},
    {cap::ReadsDvdRam, false, {Page(2, 5), Profile(0x0012)}},
    {cap::ReadsBluRay,
     false,
     {Profile(0x0040), Profile(0x0041), Profile(0x0042), Profile(0x0043), Feature(kBdRead)}},
    {cap::ReadsMultisession, false, {Page(4, 6)}},
    {cap::ReadsMode2Form1, false, {Page(4, 4)}},
    {cap::ReadsMode2Form2, false, {Page(4, 5)}},
    {cap::ReadsFixedPacketMethod2, false, {Page(2, 2)}},
    {cap::ReadsRwSubcodes, false, {Page(5, 2)}},
    {cap::CorrectRwSubcodes, false, {Page(5, 3)}},
    {cap::ReadsRwInLeadIn, false, {Page(7, 5)}},
    {cap::ReadsIsrc, false, {Page(5, 5)}},
    {cap::ReadsUpc, false, {Page(5, 6)}},
    {cap::ReadsBarcode, false, {Page(5, 7)}},
    {cap::ReadsCdText, false, {FeatureBit(kCdRead, 4, 0)}},

    {cap::WritesCdR, true, {Page(3, 0), Feature(kCdTrackAtOnce), Feature(kCdMastering)}},
    {cap::WritesCdRw,
     true,
     {Page(3, 1), FeatureBit(kCdTrackAtOnce, 4, 1), FeatureBit(kCdMastering, 4, 1),
      Feature(kCdRwMediaWrite)}},
    {cap::WritesDvdR, true, {Page(3, 4), Feature(kDvdMinusRWrite)}},
    {cap::WritesDvdRw, true, {FeatureBit(kDvdMinusRWrite, 4, 1)}},
    {cap::WritesDvdRDualLayer,
     true,
     {FeatureBit(kDvdMinusRWrite, 4, 3), Feature(kLayerJumpRecording)}},
    {cap::WritesDvdPlusR, true, {FeatureBit(kDvdPlusR, 4, 0)}},
    {cap::WritesDvdPlusRw, true, {FeatureBit(kDvdPlusRw, 4, 0)}},
    {cap::WritesDvdPlusRDualLayer, true, {FeatureBit(kDvdPlusRDualLayer, 4, 0)}},
    {cap::WritesDvdRam, true, {Page(3, 5), ProfileAndFeature(0x0012, kRandomWritable)}},
    {cap::WritesBdR, true, {FeatureBytes(kBdWrite, 16, 23)}},
    {cap::WritesBdRe, true, {FeatureBytes(kBdWrite, 8, 15)}},
    {cap::WritesHdDvdR, true, {FeatureBit(kHdDvdWrite, 4, 0)}},
    {cap::WritesHdDvdRw,
     true,
     {ProfileAndFeature(0x0053, kHdDvdWrite), ProfileAndFeature(0x005A, kHdDvdWrite)}},
    {cap::SupportsSimulatedWrite,
     false,
     {Page(3, 2), FeatureBit(kCdTrackAtOnce, 4, 2), FeatureBit(kCdMastering, 4, 2),
      FeatureBit(kDvdMinusRWrite, 4, 2)}},
    {cap::BufferUnderrunProtection,
     false,
     {Page(4, 7), FeatureBit(kCdTrackAtOnce, 4, 6), FeatureBit(kCdMastering, 4, 6),
      FeatureBit(kDvdMinusRWrite, 4, 6)}},

    {cap::PlaysAudioCd, false, {Page(4, 0)}},
    {cap::Composite, false, {Page(4, 1)}},
    {cap::DigitalPort1, false, {Page(4, 2)}},
    {cap::DigitalPort2, false, {Page(4, 3)}},
    {cap::SupportsCddaCommand, false, {Page(5, 0)}},
    {cap::CddaAccurate, false, {Page(5, 1)}},
    {cap::SupportsC2Pointers, false, {Page(5, 4), FeatureBit(kCdRead, 4, 1)}},
    {cap::SupportsLocking, false, {Page(6, 0)}},
};

bool Holds(const CapabilitySource& source, const DriveFeatures& drive) {
  const Configuration& config = drive.configuration;
  switch (source.kind) {
    case S::kNone:
      return false;
    case S::kPageBit:
      return drive.capabilitiesPage && ReplyBytes(*drive.capabilitiesPage).Bit(source.a, source.b);
    case S::kProfile:
      return config.HasProfile(source.a);
    case S::kFeature:
      return config.HasFeature(source.a);
    case S::kFeatureBit:
      return config.FeatureBit(source.a, source.b, source.c);
    case S::kFeatureBytes:
      return config.FeatureAnyBits(source.a, source.b, source.c);
    case S::kProfileAndFeature:
      return config.HasProfile(source.a) && config.HasFeature(source.b);
  }
  return false;
}

}  // namespace

std::span<const CapabilityRow> CapabilityRows() { return kRows; }

bool HasCapability(std::uint64_t code, const DriveFeatures& features) {
  for (const CapabilityRow& row : kRows) {
    if (row.code != code) continue;
    for (const CapabilitySource& source : row.sources)
      if (Holds(source, features)) return true;
    return false;
  }
  return false;
}

bool WritesAnything(const DriveFeatures& features) {
  for (const CapabilityRow& row : kRows)
    if (row.writesMedium && HasCapability(row.code, features)) return true;
  return false;
}

}  // namespace wrenlo::drive
