// Engine records of a medium for scripting the fake engine: a track record,
// ISO 9660 / Joliet and UDF volume records.
#pragma once

#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace records {

inline wrenlo::TrackInformation Track(std::uint8_t mode, std::uint8_t flags) {
  wrenlo::TrackInformation track;
  std::memset(&track, 0, sizeof track);
  track.mode = mode;
  track.contentFlags = flags;
  return track;
}

// Bytes 1 to 6 of a volume date: years since 1900, month, day, hour, minute,
// second.
inline void SetDate(wrenlo::DateBlock& date, std::initializer_list<unsigned char> bytes1to6) {
  std::memset(date, 0, sizeof(wrenlo::DateBlock));
  std::copy(bytes1to6.begin(), bytes1to6.end(), date + 1);
}

// Created 15.03.2010 14:05:09, modified 31.12.1999 23:59:59, expiring
// 01.01.1900 00:00:00, effective 04.07.2024 08:30:00.
inline wrenlo::IsoVolumeInfo IsoVolume(std::u16string_view label, std::u16string_view publisher,
                                       std::u16string_view application) {
  wrenlo::IsoVolumeInfo volume;
  std::memset(&volume, 0, sizeof volume);
  volume.volumeLabel.set(label);
  volume.publisher.set(publisher);
  volume.application.set(application);
  SetDate(volume.creationTime, {110, 3, 15, 14, 5, 9});
  SetDate(volume.modificationTime, {99, 12, 31, 23, 59, 59});
  SetDate(volume.expirationTime, {0, 1, 1, 0, 0, 0});
  SetDate(volume.effectiveTime, {124, 7, 4, 8, 30, 0});
  return volume;
}

inline wrenlo::UdfVolumeInfo UdfVolume(std::u16string_view label, std::int32_t revision,
                                       std::int32_t files, std::int32_t directories) {
  wrenlo::UdfVolumeInfo volume;
  std::memset(&volume, 0, sizeof volume);
  volume.volumeLabel.set(label);
  volume.revision = revision;
  volume.fileCount = files;
  volume.directoryCount = directories;
  return volume;
}

}  // namespace records
