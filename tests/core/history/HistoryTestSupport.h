// What the history's tests share: a fresh folder per test, and scans and
// discs with every field filled in.
#pragma once

#include <ostream>
#include <string>

#include "core/history/HistoryRecords.h"

namespace testing_support {

// A new, empty folder under the build folder.
std::string NewFolder();

// A disc whose every field is set; discs of different n differ only in
// their descriptor hash.
DiscIdentity SampleDisc(int n);

// A surface scan started at time with every field set: ranges of each
// state, damaged files and a structure, a checksum and a speed curve.
HistoryScan SampleScan(std::int64_t time);

}  // namespace testing_support

// Test messages name a scan by its main fields.
void PrintTo(const HistoryScan& scan, std::ostream* out);
