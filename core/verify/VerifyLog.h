// The log entries of the content checks, as a scan adds them at the end of
// its passes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/damage/DamageIndex.h"
#include "core/scan/ISectorScannerCallback.h"
#include "core/verify/VerifyResults.h"

using LogEntries = std::vector<std::pair<LogKind, std::u16string>>;

// The checksum lists' end line, "Checksums: 120 matched, 1 differ, 0
// missing, 0 unreadable (/md5sum.txt)", after the lines of what the lists
// held that was left out; nothing when no list was found.
LogEntries ChecksumEntries(const ChecksumReport& report);
// "MD5 tags: 12 files matched, 1 differs"; nothing when no file had one.
LogEntries Md5FileEntries(const Md5TagResults& md5);
// "Implanted MD5: matches" or "Implanted MD5: differs", and xorriso's
// session MD5 the same way; nothing for what the disc does not record.
LogEntries SessionEntries(CheckOutcome implanted, CheckOutcome session);
// A comparison with an image: what it compares, at its start.
std::u16string CompareStartText(const CompareResults& compare);
// At its end: the sectors that differ (their ranges, the first few), those
// the disc did not give, the padding past the image's end, and an image
// longer than the session or unreadable.
LogEntries CompareEntries(const CompareResults& compare, const std::vector<std::uint8_t>& table);
// Once a comparison's damage index is built: "Files that differ: A, B and 3
// more" (the first ten named); empty when no file holds a sector that differs.
std::u16string FilesDifferText(const DamageIndex& index);
