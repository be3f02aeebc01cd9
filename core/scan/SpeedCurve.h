// The read speed over a surface scan, kept per group of neighbouring sectors
// so that its memory stays bounded whatever the medium's size: at most
// kMaxGroups groups (32 KiB), each holding the bytes read and the time taken
// by the reads of its sectors. A read of several sectors gives each an equal
// share of its time; a failed read counts its time and no bytes, so the curve
// dips where a drive struggles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class SpeedCurve {
 public:
  static constexpr std::int32_t kMaxGroups = 2048;

  // Begins a curve over sectorCount sectors, forgetting every read.
  void Start(std::int32_t sectorCount);
  // One sector's read took microseconds and delivered bytes (0 when it failed).
  void Add(std::int32_t sector, std::uint64_t microseconds, std::uint32_t bytes);

  std::int32_t SectorCount() const { return sectors; }
  // Sectors per group: 1 for a small medium, more for a large one.
  std::int32_t GroupSize() const { return groupSize; }
  std::int32_t Groups() const { return static_cast<std::int32_t>(groups.size()); }
  // The bytes per second read in a group; negative when none of its sectors
  // has been read.
  double BytesPerSecond(std::int32_t group) const;

 private:
  struct Group {
    std::uint64_t bytes = 0;
    std::uint64_t microseconds = 0;
    bool read = false;
  };
  std::int32_t sectors = 0;
  std::int32_t groupSize = 1;
  std::vector<Group> groups;
};

// Bytes per second of a drive reading at 1x on a medium of this type ("CD-R",
// "DVD+RW", "BD-ROM", ...): 75 sectors a second on a CD, 1.385 MB/s on a DVD
// (and on what is not named), 4.496 MB/s on a BD.
double BaseSpeed(std::u16string_view mediumType);

// The curve as CSV: a header, then one line per group that was read with its
// first and last sector, its position in GB, and its speed in MB/s and in
// multiples of base (bytes per second).
std::string SpeedCurveCsv(const SpeedCurve& curve, double base);
