// What the media page shows about the medium in a drive: type and size, its
// content (data mode, tracks, sessions, bootability), and the ISO 9660, Joliet
// and UDF file systems of its last session; of a copy of a disc read with its
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
};

// The titles of the page's groups, in declaration order.
const std::vector<std::u16string>& MediaGroupTitles();

// "DD.MM.YYYY hh:mm:ss" from bytes 1 to 6 of a volume date (years since 1900,
// month, day, hour, minute, second); empty when all six are 0, a date the
// volume leaves unset.
std::u16string FormatVolumeTime(const wrenlo::DateBlock& date);
// "1.02", "1.5", "2.0", "2.01", "2.5", "2.6"; empty for any other revision.
std::u16string UdfRevisionText(std::int32_t revision);

// Every row of the page for context; no rows without a context or a medium.
// Reads the track record of the last session's first track before the
// content rows and again before each file system's rows, and the UDF volume
// record when the track holds UDF.
PropertyGroups MediaRows(const DeviceContext* context);
