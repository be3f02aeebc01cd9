// The read speed over a surface scan, kept per group of neighbouring sectors
// so that its memory stays bounded whatever the medium's size: at most
// kMaxGroups groups (48 KiB), each holding the bytes read and the time taken
// by the reads of its sectors, and whether any was a problem or an error. A read of several sectors
// gives each an equal share of its time; a failed read counts its time and no bytes, so the curve
// dips where a drive struggles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/scan/ISectorScannerCallback.h"

class SpeedCurve {
 public:
  static constexpr std::int32_t kMaxGroups = 2048;

  // Begins a curve over sectorCount sectors of a medium whose 1x is base
  // bytes per second (BaseSpeed), forgetting every read.
  void Start(std::int32_t sectorCount, double base);
  // One sector's reads took microseconds and classed it state; an error
  // delivered no bytes.
  void Add(std::int32_t sector, std::uint64_t microseconds, SectorState state);
  // Gives a group its speed and its problem and error marks, as a curve kept
  // in the history comes back; a negative speed leaves it unread.
  void SetGroup(std::int32_t group, double bytesPerSecond, bool problem, bool error);

  std::int32_t SectorCount() const { return sectors; }
  double Base() const { return base; }
  // Sectors per group: 1 for a small medium, more for a large one.
  std::int32_t GroupSize() const { return groupSize; }
  std::int32_t Groups() const { return static_cast<std::int32_t>(groups.size()); }
  // The bytes per second read in a group; negative when none of its sectors
  // has been read.
  double BytesPerSecond(std::int32_t group) const;
  bool HasProblem(std::int32_t group) const { return Flag(group, &Group::problem); }
  bool HasError(std::int32_t group) const { return Flag(group, &Group::error); }

 private:
  struct Group {
    std::uint64_t bytes = 0;
    std::uint64_t microseconds = 0;
    bool read = false;
    bool problem = false;
    bool error = false;
  };
  bool Flag(std::int32_t group, bool Group::*flag) const {
    return group >= 0 && group < Groups() && groups[static_cast<std::size_t>(group)].*flag;
  }
  std::int32_t sectors = 0;
  double base = 1385000.0;
  std::int32_t groupSize = 1;
  std::vector<Group> groups;
};

// The colour a curve is drawn in, 0xRRGGBB.
inline constexpr std::uint32_t kSpeedCurveRgb = 0x009600;

// The highest speed a picture's axis shows: a quarter above the fastest
// group, so that the curve never touches the top; 0 when nothing was read.
double SpeedCurveAxisTop(const SpeedCurve& curve);

// Bytes per second of a drive reading at 1x on a medium of this type ("CD-R",
// "DVD+RW", "BD-ROM", ...): 75 sectors a second on a CD, 1.385 MB/s on a DVD
// (and on what is not named), 4.496 MB/s on a BD.
double BaseSpeed(std::u16string_view mediumType);

// The curve as CSV: a header, then one line per group that was read with its
// first and last sector, its position in GB, and its speed in MB/s and in
// multiples of the medium's base speed.
std::string SpeedCurveCsv(const SpeedCurve& curve);
