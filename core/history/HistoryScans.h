// Between the scans the program runs and the history's records of them: the
// records of a scan run (one per pass: a surface scan, a files test), and
// back from a record the table of sector states and the speed curve an
// earlier scan is drawn and retried from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/history/HistoryRecords.h"
#include "core/scan/ScanOptions.h"
#include "core/scan/SpeedCurve.h"

class DamageIndex;
class DeviceContext;
struct ScanRecord;

// The drive of context: its vendor, model and firmware, and for a disc image
// its path.
HistoryDrive DriveOf(const DeviceContext& context);

// The options as a JSON object: {"sectors_per_read": 1, "attempts": 5, ...,
// "session": "last"} ("all" for the whole disc, or a session's number).
std::string ScanOptionsJson(const ScanOptions& options);

// The history's records of an ended scan run: the surface scan's first when
// it ran, then the files test's; a pass that read no sector and tested no
// file (nor found the file system unreadable) has none.
std::vector<HistoryScan> HistoryScansOf(const ScanRecord& record, const ScanOptions& options,
                                        const HistoryDrive& drive);

// The damaged files, then the damaged structures, of a surface scan.
std::vector<DamagedFileRecord> DamagedRecords(const DamageIndex& damage);

// The curve in at most StoredSpeedCurve::kPoints points.
StoredSpeedCurve StoreSpeedCurve(const SpeedCurve& curve);

// A surface scan's table of sector states (SectorState codes) from its
// counts and ranges: its problem, error and unread sectors as recorded, the
// rest good. Empty when the record's size is not sectors (the table of
// another session) or is no session's, and for a scan that chose a session
// or the whole disc, whose sectors count from the disc's start (the
// options' "session" is not "last").
std::vector<std::uint8_t> SectorTableOf(const HistoryScan& scan, std::int64_t sectors);

// The speed curve of a surface scan as it was kept, with a problem or error
// mark on each group its ranges touch.
SpeedCurve SpeedCurveOf(const HistoryScan& scan);
