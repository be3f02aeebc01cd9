// Which files and file-system structures a surface scan found damaged, and
// what lies on any range of sectors. Built once when a scan ends, from the
// scanner's table of sector states and the session's layout; read-only
// afterwards, so any thread may query it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/damage/DiscLayout.h"
#include "core/damage/SectorIntervals.h"

// A file or structure on which the scan found problem or error sectors.
struct DamagedEntry {
  std::size_t entry = 0;  // index into the layout's entries
  std::u16string name;
  std::int64_t problemSectors = 0;
  std::int64_t errorSectors = 0;
  // Its problem and error sectors as ranges of the table (numbered from the
  // session's first sector), in ascending order.
  std::vector<SectorRange> ranges;
};

class DamageIndex {
 public:
  DamageIndex() = default;
  // table: one SectorState code per sector of the session, from its first
  // sector, which is sessionStart on the device. layout: the session's, in
  // device sectors.
  DamageIndex(const std::vector<std::uint8_t>& table, std::uint64_t sessionStart,
              DiscLayout layout);

  const DiscLayout& Layout() const { return layout_; }
  // The device sector the table's numbering starts at.
  std::uint64_t SessionStart() const { return sessionStart_; }
  // In layout order. Structures include the tracks no file system holds;
  // neither list holds the gaps between sessions.
  const std::vector<DamagedEntry>& DamagedFiles() const { return damagedFiles_; }
  const std::vector<DamagedEntry>& DamagedStructures() const { return damagedStructures_; }

  // The entries (indices into Layout().entries, ascending) that hold a sector
  // of the table's range [first, last].
  std::vector<std::size_t> EntriesOn(std::uint64_t first, std::uint64_t last) const;

 private:
  DiscLayout layout_;
  std::uint64_t sessionStart_ = 0;
  SectorIntervals intervals_;  // the entries' ranges, in table numbering
  std::vector<DamagedEntry> damagedFiles_;
  std::vector<DamagedEntry> damagedStructures_;
};
