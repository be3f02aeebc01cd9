// What the history keeps: which disc it is, and what each scan of it found.
// Texts are UTF-8, as the database stores them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/damage/SectorRange.h"

// A disc, the same in any drive and any year, and the same as an image of
// it: its volume label, its creation time, its last session's sector count,
// and a hash of its first volume descriptors. All four must match.
struct DiscIdentity {
  std::string label;    // as the Media page shows it; empty when it has none
  std::string created;  // "2024-05-01 12:00:00 +02:00"; empty when not recorded
  std::int64_t sectors = 0;
  std::string descriptorHash;  // SHA-256, 64 lower-case hex digits
  std::string fileSystem;      // whose descriptors were hashed: "ISO 9660", "UDF" or "none"

  friend bool operator==(const DiscIdentity&, const DiscIdentity&) = default;
};

// The kinds of scan the history keeps, as stored and shown. A new kind is one
// more name here: its runs, made into HistoryScans, are kept through
// ScanKeeper::KeepScans, and the history stores and lists any kind.
namespace scan_kind {
inline constexpr char kSurfaceScan[] = "surface scan";
inline constexpr char kFilesTest[] = "files test";
}  // namespace scan_kind

// The drive a scan ran on: a drive's vendor, model and firmware, or the path
// of the disc image it read.
struct HistoryDrive {
  std::string vendor;
  std::string model;
  std::string firmware;
  std::string imagePath;  // empty for a real drive

  friend bool operator==(const HistoryDrive&, const HistoryDrive&) = default;
};

// A file (or, with structure, a file-system structure) on problem or error
// sectors; for a files test, a file that failed it.
struct DamagedFileRecord {
  std::string path;
  bool structure = false;
  std::int64_t problemSectors = 0;
  std::int64_t errorSectors = 0;

  friend bool operator==(const DamagedFileRecord&, const DamagedFileRecord&) = default;
};

// One file's checksum as a verification found it.
struct ChecksumRecord {
  std::string path;
  std::string algorithm;  // "MD5", "SHA-256", ...
  std::string expected;
  std::string actual;
  bool matches = false;

  friend bool operator==(const ChecksumRecord&, const ChecksumRecord&) = default;
};

// The read speed over the disc, in at most kPoints points of equal share of
// the sectors: kilobytes per second, -1 where nothing was read.
struct StoredSpeedCurve {
  static constexpr std::size_t kPoints = 128;
  std::int64_t sectors = 0;
  double base = 0;  // bytes per second at 1x
  std::vector<std::int32_t> kilobytesPerSecond;

  friend bool operator==(const StoredSpeedCurve&, const StoredSpeedCurve&) = default;
};

struct HistoryScan {
  std::int64_t id = 0;    // given by the history when recorded
  std::string kind;       // a scan_kind name
  std::int64_t time = 0;  // its start, in seconds since 1970-01-01 UTC
  HistoryDrive drive;
  std::string options;  // the options it ran with, a JSON object
  std::int64_t durationMs = 0;
  bool stopped = false;  // ended before its last sector or file
  // Sectors of the session, and how many of them were found in each state;
  // their problem, error and unread ones as ranges, numbered within the
  // session.
  std::int64_t sectors = 0;
  std::int64_t goodSectors = 0;
  std::int64_t problemSectors = 0;
  std::int64_t errorSectors = 0;
  std::int64_t unreadSectors = 0;
  std::vector<SectorRange> problemRanges;
  std::vector<SectorRange> errorRanges;
  std::vector<SectorRange> unreadRanges;
  std::int64_t filesTotal = 0;
  std::int64_t filesChecked = 0;
  std::int64_t fileErrors = 0;
  // Files (not structures) among damaged; kept as a count too, for lists of
  // scans that do not load the files.
  std::int64_t damagedFiles = 0;
  std::vector<DamagedFileRecord> damaged;
  std::vector<ChecksumRecord> checksums;
  StoredSpeedCurve speedCurve;

  friend bool operator==(const HistoryScan&, const HistoryScan&) = default;
};

// A disc in the history, with its latest scan (no ranges, files, checksums
// or curve loaded).
struct HistoryDisc {
  std::int64_t id = 0;
  DiscIdentity identity;
  std::int64_t scanCount = 0;
  HistoryScan latest;
};

// A disc and its scans, oldest first.
struct DiscScans {
  DiscIdentity disc;
  std::optional<std::int64_t> discId;  // none when the disc was never recorded
  std::vector<HistoryScan> scans;
};
