// How the scan page's log shows the time of an entry; the command-line front
// end prints its log the same way.
#pragma once

#include <string>
#include <vector>

#include "core/scan/ScanRecord.h"
#include "core/scan/TimeValue.h"

// The time in the local time zone as "%d/%m/%Y %H:%M:%S", e.g.
// "04/07/2024 08:30:00".
std::u16string LogTimeText(const TimeValue& time);

// The name of an entry's kind: "Info", "Problem" or "Error".
const char* LogKindName(LogKind kind);

// The number in an entry's "Sector" column: empty for an entry that names no
// sector.
std::u16string LogSectorText(std::int64_t sector);

// The log as a text file: one line per entry, the time as the log shows it,
// the kind, the text (its control characters escaped as in JSON, so that an
// entry stays one line) and the sector (empty for none), separated by tabs,
// each line ended by LF, in UTF-8.
std::string LogFileText(const std::vector<ScanLogEntry>& log);
