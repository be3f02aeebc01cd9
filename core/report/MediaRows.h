// What the media page shows about the medium in a drive: type and size, its
// content (data mode, tracks, sessions, bootability), the ISO 9660, Joliet
// and UDF file systems of its last session, and every track with its
// session, type, start and length; of a copy of a disc read with its
// mapfile, how many sectors it lacks.
#pragma once

#include <wrenlo/wrenlo.h>

#include "core/report/PropertyRows.h"

class DeviceContext;

enum MediaGroup {
  kPhysicalInformation,
  kContent,
  kIsoFileSystem,
  kJolietFileSystem,
  kUdfFileSystem,
  kTracks,
};

// The titles of the page's groups, in declaration order.
const std::vector<std::u16string>& MediaGroupTitles();

// "DD.MM.YYYY hh:mm:ss" from bytes 1 to 6 of a volume date (years since 1900,
// month, day, hour, minute, second); empty when all six are 0, a date the
// volume leaves unset.
std::u16string FormatVolumeTime(const wrenlo::DateBlock& date);
// "1.02", "1.5", "2.0", "2.01", "2.5", "2.6"; empty for any other revision.
std::u16string UdfRevisionText(std::int32_t revision);

// A track's row value: "Audio, session 1, start 01:23:45 (6420), length
// 03:12:40 (14440 sectors)", its times in minutes, seconds and frames (75 a
// second) from the disc's start, on a CD; on other media its sectors only.
std::u16string TrackText(const wrenlo::TrackInformation& track, bool cd);

// Every row of the page for context; no rows without a context or a medium.
// Reads the track record of the last session's first track before the
// content rows and again before each file system's rows, and the UDF volume
// record when the track holds UDF.
PropertyGroups MediaRows(const DeviceContext* context);
