// GNU ddrescue's mapfile, as text: comment lines, a status line (the current
// position, the current operation, the current pass), then the blocks of the
// output from byte 0 to its end, each a position, a size (bytes, in
// hexadecimal) and a status character. ddrescue's own tools (ddrescuelog,
// ddrescueview) read what is written here, and ddrescue continues a copy
// from it as from one of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/rescue/RescueMap.h"

// ddrescue's current operation of the status line: copying (non-tried),
// trimming, scraping, retrying (bad sectors) or finished.
struct MapfileStatus {
  std::uint64_t position = 0;  // in bytes
  char operation = '?';
  int pass = 1;
};

// The mapfile of map, whose sectors are sectorBytes long. comment is one line
// saying what made it and of what.
std::string MapfileText(const RescueMap& map, std::uint64_t sectorBytes,
                        const MapfileStatus& status, const std::string& comment);

// The sector states of a surface scan as a mapfile, so that a later ddrescue
// run can retry just the sectors that failed. The map covers the medium from
// byte 0 to the end of the scanned session: sectors before the session were
// not read ('?'), good and problem sectors are finished ('+'), error sectors
// bad ('-'), sectors the scan did not get to non-tried ('?'). A session
// sector's position is (startSector + sector) × 2048.
struct DdrescueMapFacts {
  std::int64_t startSector = 0;  // the session's first sector on the medium
  bool finished = true;          // false when the scan was stopped
  std::string comment;           // the program and what was scanned, one line
};

std::string DdrescueMap(const std::vector<std::uint8_t>& sectors, const DdrescueMapFacts& facts);
