#include "core/report/MediaRows.h"

#include <algorithm>
#include <cstring>

#include "core/disc/DeviceContext.h"
#include "core/disc/DeviceList.h"

using namespace wrenlo;

namespace {

// A CD has at most 99 tracks; a medium that claims more is not believed.
constexpr std::int32_t kMaxTrackRows = 99;

// The track record of `track`; fields the engine does not write keep their
// defaults (mode 255, every content flag set).
TrackInformation ReadTrack(std::int32_t track) {
  TrackInformation info;
  std::memset(&info, 0, sizeof info);
  info.number = -1;
  info.session = -1;
  info.startSector = -1;
  info.sectorCount = -1;
  info.mode = 255;
  info.contentFlags = 255;
  GetTrackInformation(kCurrentDevice, track, &info);
  return info;
}

UdfVolumeInfo ReadUdfVolume(std::int32_t track) {
  UdfVolumeInfo info;
  std::memset(&info, 0, sizeof info);
  info.volumeLabel.set(kUndefinedText);
  info.reserved256.set(kUndefinedText);
  info.revision = -1;
  std::memset(info.reserved520, 0xFF, sizeof info.reserved520);  // -1 in each
  info.fileCount = -1;
  info.directoryCount = -1;
  Handle session = 0;
  OpenDiskSession(kCurrentDevice, track, &session, kFileSystemUdf);
  GetUDFVolumeInformation(session, &info);
  CloseDiskSession(session);
  return info;
}

// "mm:ss:ff" of a count of sectors, 75 to a second.
std::u16string TimeText(std::int64_t sectors) {
  return FormatText("%02lld:%02lld:%02lld", static_cast<long long>(sectors / (75 * 60)),
                    static_cast<long long>(sectors / 75 % 60),
                    static_cast<long long>(sectors % 75));
}

std::u16string ContentTypeText(std::uint8_t mode) {
  if (mode == 1) return u"Data (Mode 1)";
  if (mode == 2) return u"Data (Mode 2)";
  return u"Audio";
}

void AddIsoRows(std::vector<PropertyRow>& rows, const DeviceContext& context,
                std::int32_t fileSystem) {
  // Cleared first: the context presets only the first byte of each date, and a
  // silent engine must not show whatever the memory held.
  IsoVolumeInfo volume;
  std::memset(&volume, 0, sizeof volume);
  context.GetIsoVolumeInfo(volume, fileSystem);
  rows.push_back({u"Volume Label", volume.volumeLabel.str()});
  rows.push_back({u"Creation Time:", FormatVolumeTime(volume.creationTime)});
  rows.push_back({u"Modification Time:", FormatVolumeTime(volume.modificationTime)});
  rows.push_back({u"Expiration Time:", FormatVolumeTime(volume.expirationTime)});
  rows.push_back({u"Effective Time:", FormatVolumeTime(volume.effectiveTime)});
  rows.push_back({u"Publisher", volume.publisher.str()});
  rows.push_back({u"Application", volume.application.str()});
}

}  // namespace

const std::vector<std::u16string>& MediaGroupTitles() {
  static const std::vector<std::u16string> titles = {u"Physical Information", u"Content",
                                                     u"ISO File System",      u"Joliet File System",
                                                     u"UDF File System",      u"Tracks"};
  return titles;
}

std::u16string FormatVolumeTime(const DateBlock& date) {
  // ECMA-119 8.4.26.1 writes a date that is not specified as all zero
  // digits, which the engine passes on as zeros: no date at all.
  if (std::all_of(date + 1, date + 7, [](unsigned char byte) { return byte == 0; })) return {};
  return FormatText("%02d.%02d.%04d %02d:%02d:%02d", date[3], date[2], 1900 + date[1], date[4],
                    date[5], date[6]);
}

std::u16string UdfRevisionText(std::int32_t revision) {
  switch (revision) {
    case 0x0102:
      return u"1.02";
    case 0x0150:
      return u"1.5";
    case 0x0200:
      return u"2.0";
    case 0x0201:
      return u"2.01";
    case 0x0250:
      return u"2.5";
    case 0x0260:
      return u"2.6";
    default:
      return u"";
  }
}

std::u16string TrackText(const TrackInformation& track, bool cd) {
  std::u16string text = track.mode == 1   ? u"Data Mode 1"
                        : track.mode == 2 ? u"Data Mode 2"
                                          : u"Audio";
  // Copies: the packed record's fields may lie unaligned.
  const std::int64_t session = track.session, start = track.startSector, count = track.sectorCount;
  if (session > 0) text += FormatText(", session %lld", static_cast<long long>(session));
  if (start < 0 || count < 0) return text;
  if (cd)
    return text + u", start " + TimeText(start) +
           FormatText(" (%lld), length ", static_cast<long long>(start)) + TimeText(count) +
           FormatText(" (%lld sectors)", static_cast<long long>(count));
  return text + FormatText(", start %lld, length %lld sectors", static_cast<long long>(start),
                           static_cast<long long>(count));
}

PropertyGroups MediaRows(const DeviceContext* context) {
  PropertyGroups groups = EmptyGroups(MediaGroupTitles());
  if (context == nullptr || !context->hasMedium) return groups;
  const MediumInformation& medium = context->medium;
  const SessionInfo last = context->GetSessionInfo(-1);
  const std::int32_t sectors = last.sectorCount;
  const std::int32_t track = last.firstTrack;

  std::vector<PropertyRow>& physical = groups[kPhysicalInformation].rows;
  physical.push_back({u"Media Type", medium.typeName.str()});
  physical.push_back({u"Media ID", u""});
  physical.push_back({u"Speeds", u""});
  physical.push_back({u"Layers", u""});
  // Binary gigabytes: the byte count in units of 2^30.
  physical.push_back({u"Capacity", FormatText("%0.2f GB", sectors * 2048.0 / (1 << 30))});
  physical.push_back({u"Sectors", FormatText("%d", sectors)});
  // A copy of a disc that lacks sectors says so; a whole one is as the disc.
  std::int64_t missing = -1;
  GetMissingSectors(context->driveLetter, &missing);
  if (missing > 0) physical.push_back({u"Copy", u"P" + PartialCopyText(missing).substr(1)});

  const TrackInformation content = ReadTrack(track);
  std::vector<PropertyRow>& contentRows = groups[kContent].rows;
  // Counted in 64 bits: the numbers are the engine's, whatever a disc says.
  const long long tracks = 1LL + medium.lastTrack - medium.firstTrack;
  const long long sessions = 1LL + medium.lastSession - medium.firstSession;
  contentRows.push_back({u"Content Type", ContentTypeText(content.mode)});
  contentRows.push_back({u"Tracks", FormatText("%lld", tracks)});
  contentRows.push_back({u"Sessions", FormatText("%lld", sessions)});
  contentRows.push_back({u"Bootable", (content.contentFlags & kContentBootable) ? u"Yes" : u"No"});

  if (ReadTrack(track).contentFlags & kContentIso9660)
    AddIsoRows(groups[kIsoFileSystem].rows, *context, kFileSystemIso9660);
  if (ReadTrack(track).contentFlags & kContentJoliet)
    AddIsoRows(groups[kJolietFileSystem].rows, *context, kFileSystemJoliet);
  if (ReadTrack(track).contentFlags & kContentUdf) {
    const UdfVolumeInfo udf = ReadUdfVolume(track);
    std::vector<PropertyRow>& rows = groups[kUdfFileSystem].rows;
    rows.push_back({u"Volume Label", udf.volumeLabel.str()});
    rows.push_back({u"UDF Version", UdfRevisionText(udf.revision)});
    rows.push_back({u"Directories", FormatText("%d", std::int32_t{udf.directoryCount})});
    rows.push_back({u"Files", FormatText("%d", std::int32_t{udf.fileCount})});
  }

  // Every track, the audio ones too, whichever session it lies in.
  const bool cd = medium.typeName.str().starts_with(u"CD");
  const std::int32_t firstTrack = medium.firstTrack, lastTrack = medium.lastTrack;
  for (std::int32_t number = std::max(firstTrack, 1);
       number <= lastTrack && number - firstTrack < kMaxTrackRows; ++number)
    groups[kTracks].rows.push_back(
        {FormatText("Track %d", number), TrackText(ReadTrack(number), cd)});
  return groups;
}
