#include "core/report/DeviceFeaturesRows.h"

#include <wrenlo/wrenlo.h>

#include <string_view>

#include "core/disc/DeviceContext.h"

namespace {

struct Capability {
  const char16_t* label;
  std::uint64_t code;
};

namespace cap = wrenlo::cap;

constexpr Capability kReadCapabilities[] = {
    {u"Reads CD-R", cap::ReadsCdR},
    {u"Reads CD-RW", cap::ReadsCdRw},
    {u"Reads DVD-ROM", cap::ReadsDvdRom},
    {u"Reads DVD-R", cap::ReadsDvdR},
    {u"Reads DVD-RW", cap::ReadsDvdRw},
    {u"Reads DVD-R Dual Layer", cap::ReadsDvdRDualLayer},
    {u"Reads DVD+R", cap::ReadsDvdPlusR},
    {u"Reads DVD+RW", cap::ReadsDvdPlusRw},
    {u"Reads DVD+RW Dual Layer", cap::ReadsDvdPlusRwDualLayer},
    {u"Reads DVD-RAM", cap::ReadsDvdRam},
    {u"Reads Blu-Ray", cap::ReadsBluRay},
    {u"Reads Multisession", cap::ReadsMultisession},
    {u"Reads Mode 2 Form 1", cap::ReadsMode2Form1},
    {u"Reads Mode 2 Form 2", cap::ReadsMode2Form2},
    {u"Reads Fixed Packet Method 2", cap::ReadsFixedPacketMethod2},
    {u"Reads RW Subcodes", cap::ReadsRwSubcodes},
    {u"Correct RW Subcodes", cap::CorrectRwSubcodes},
    {u"Reads RW in LeadIn", cap::ReadsRwInLeadIn},
    {u"Reads ISRC", cap::ReadsIsrc},
    {u"Reads UPC", cap::ReadsUpc},
    {u"Reads Barcode", cap::ReadsBarcode},
    {u"Reads CD Text", cap::ReadsCdText},
};

constexpr Capability kWriteCapabilities[] = {
    {u"Writes CD-R", cap::WritesCdR},
    {u"Writes CD-RW", cap::WritesCdRw},
    {u"Writes HD-BURN", cap::WritesHdBurn},
    {u"Writes DVD-R", cap::WritesDvdR},
    {u"Writes DVD-RW", cap::WritesDvdRw},
    {u"Writes DVD-R Dual Layer", cap::WritesDvdRDualLayer},
    {u"Writes DVD+R", cap::WritesDvdPlusR},
    {u"Writes DVD+RW", cap::WritesDvdPlusRw},
    {u"Writes DVD+R Dual Layer", cap::WritesDvdPlusRDualLayer},
    {u"Writes DVD-RAM", cap::WritesDvdRam},
    {u"Writes Blu-ray (BD-R)", cap::WritesBdR},
    {u"Writes Blu-ray (BD-RE)", cap::WritesBdRe},
    {u"Writes HD-DVD-R", cap::WritesHdDvdR},
    {u"Writes HD-DVD-RW", cap::WritesHdDvdRw},
    {u"Supports Simulated Write", cap::SupportsSimulatedWrite},
    {u"Buffer Underrun Protection", cap::BufferUnderrunProtection},
};

constexpr Capability kMiscCapabilities[] = {
    {u"Plays Audio CD", cap::PlaysAudioCd},
    {u"Composite", cap::Composite},
    {u"Digital Port 1", cap::DigitalPort1},
    {u"Digital Port 2", cap::DigitalPort2},
    {u"Supports CDDA Command", cap::SupportsCddaCommand},
    {u"CDDA Accurate", cap::CddaAccurate},
    {u"Supports C2 Pointers", cap::SupportsC2Pointers},
    {u"Supports Locking", cap::SupportsLocking},
};

// A NUL-terminated text in a fixed buffer; all of it when it has no NUL.
template <std::size_t N>
std::u16string Text(const char16_t (&units)[N]) {
  const std::u16string_view all(units, N);
  return std::u16string(all.substr(0, all.find(u'\0')));
}

// "%c:" of the drive letter. Letter 0 (no drive) shows nothing: its text would
// end at the NUL before the colon.
std::u16string DriveLetterText(std::uint16_t letter) {
  return letter == 0 ? std::u16string() : std::u16string{static_cast<char16_t>(letter), u':'};
}

std::u16string SpeedText(std::int32_t kbPerSecond) {
  return kbPerSecond > 0 ? FormatText("%d KB/s", kbPerSecond) : u"n/a";
}

// Asks the engine each capability of table, in order. The answer byte starts
// at 0, so a question the engine leaves unanswered reads as "No".
template <std::size_t N>
void AddCapabilities(std::vector<PropertyRow>& rows, wrenlo::Handle handle,
                     const Capability (&table)[N]) {
  for (const Capability& capability : table) {
    std::uint8_t answer = 0;
    wrenlo::AnalyseDeviceCapability(handle, capability.code, &answer);
    rows.push_back(answer == 1 ? PropertyRow{capability.label, u"Yes", kImageYes}
                               : PropertyRow{capability.label, u"No", kImageNo});
  }
}

}  // namespace

const std::vector<std::u16string>& DeviceFeaturesGroupTitles() {
  static const std::vector<std::u16string> titles = {u"General Information", u"DVD Features",
                                                     u"Read Features", u"Write Features",
                                                     u"Misc Features"};
  return titles;
}

PropertyGroups DeviceFeaturesRows(const DeviceContext& context) {
  PropertyGroups groups = EmptyGroups(DeviceFeaturesGroupTitles());
  const wrenlo::DeviceInformationEx& info = context.deviceInfo;

  std::vector<PropertyRow>& general = groups[kGeneralInformation].rows;
  general.push_back({u"Vendor", Text(context.vendor)});
  general.push_back({u"Model", Text(context.model)});
  general.push_back({u"Drive Letter", DriveLetterText(context.driveLetter)});
  if (const std::u16string serial = info.serialNumber.str(); !serial.empty())
    general.push_back({u"Serial Number", serial});
  general.push_back({u"Firmware Revision", info.firmwareRevision.str()});
  general.push_back({u"Firmware Date", u""});
  general.push_back({u"Buffer Size", FormatText("%d KB", std::int32_t{info.bufferSizeKB})});

  std::vector<PropertyRow>& dvd = groups[kDvdFeatures].rows;
  const std::int32_t region = info.regionCode;
  dvd.push_back({u"Region Code", region == 0 ? u"None" : FormatText("%d", region)});
  dvd.push_back({u"RPC Scheme", u""});
  dvd.push_back({u"User Changes Left", FormatText("%d", std::int32_t{info.userChangesLeft})});
  dvd.push_back({u"Vendor Resets Left", u""});

  std::vector<PropertyRow>& read = groups[kReadFeatures].rows;
  AddCapabilities(read, context.capabilitiesHandle, kReadCapabilities);
  read.push_back({u"Max. Read Speed", SpeedText(context.maxReadSpeed)});

  std::vector<PropertyRow>& write = groups[kWriteFeatures].rows;
  AddCapabilities(write, context.capabilitiesHandle, kWriteCapabilities);
  write.push_back({u"Max. Write Speed", SpeedText(context.maxWriteSpeed)});

  AddCapabilities(groups[kMiscFeatures].rows, context.capabilitiesHandle, kMiscCapabilities);
  return groups;
}
