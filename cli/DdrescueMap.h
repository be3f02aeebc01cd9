// The sector states of a surface scan as a GNU ddrescue mapfile, so that
// ddrescue's own tools (ddrescuelog, ddrescueview) read the result, and a
// later ddrescue run can retry just the sectors that failed.
//
// The map covers the medium from byte 0 to the end of the scanned session:
// sectors before the session were not read ('?'), good and problem sectors are
// finished ('+'), error sectors bad ('-'), sectors the scan did not get to
// non-tried ('?'). Positions and sizes are bytes, in hexadecimal; a session
// sector's position is (startSector + sector) × 2048.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DdrescueMapFacts {
  std::int64_t startSector = 0;  // the session's first sector on the medium
  bool finished = true;          // false when the scan was stopped
  std::string comment;           // the program and what was scanned, one line
};

std::string DdrescueMap(const std::vector<std::uint8_t>& sectors, const DdrescueMapFacts& facts);
