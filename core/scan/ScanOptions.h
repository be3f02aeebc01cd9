// The choices a surface scan is made with. With every one at its default the
// scan reads the whole last session one sector at a time, each sector up to
// five times.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct ScanOptions {
  // The read sizes offered, in sectors per engine call.
  static constexpr std::array<int, 7> kSectorsPerReadChoices = {1, 2, 4, 8, 16, 32, 64};
  static constexpr int kMinAttempts = 1;
  static constexpr int kMaxAttempts = 20;
  static constexpr int kMaxSkipAfterError = 1000000;

  // Sectors asked for in one read. A read of several that fails is read
  // again sector by sector, so the classes are those of one at a time.
  int sectorsPerRead = 1;
  // Read attempts per sector: Good on the first, Problem on a later success,
  // Error when all fail.
  int attempts = 5;
  // Sectors passed over after one classed Error; they stay NotChecked.
  int skipAfterError = 0;
  // The sectors scanned, numbered within the session; a negative last
  // sector (or one past the session) means the session's last.
  std::int32_t firstSector = 0;
  std::int32_t lastSector = -1;
  // The drive's read speed in multiples of the medium's base speed, set
  // before the scan and given back after it; 0 leaves the drive at its
  // maximum.
  int speed = 0;
  // The session scanned: kLastSession, kWholeDisc or a session's number
  // (ScanExtent). Sector numbers (the range's too) count from the disc's
  // start unless it is the last session.
  std::int32_t session = -1;
  // With retry, the sector states of an earlier scan of the medium: the
  // sectors Good there are kept Good and not read again.
  bool retry = false;
  std::vector<std::uint8_t> previous;

  bool operator==(const ScanOptions&) const = default;

  // Whether each value is one the scan takes.
  bool IsValid() const;
};
