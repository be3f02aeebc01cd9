// A GNU ddrescue mapfile's status line and blocks, as the engine's reader
// (wrenlo::ParseMapfile, which image drives read a copy's mapfile with too)
// gives them, and what they say of sectors. Positions and sizes are bytes;
// blocks come in order and do not overlap. Any text gives the blocks or a
// one-line error naming the line, with memory bounded by the text's length.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rescue/DdrescueMap.h"
#include "core/rescue/RescueMap.h"

struct MapfileBlock {
  std::uint64_t position = 0;
  std::uint64_t size = 0;
  BlockStatus status = BlockStatus::NonTried;
};

struct Mapfile {
  MapfileStatus status;
  std::vector<MapfileBlock> blocks;

  // One past the last byte the blocks describe: the size of the copy.
  std::uint64_t End() const {
    return blocks.empty() ? 0 : blocks.back().position + blocks.back().size;
  }
};

// False with error set ("line 4: bad status 'x'") when text is not a mapfile.
bool ParseMapfile(std::string_view text, Mapfile& out, std::string& error);

// The map of sectors sectors of sectorBytes bytes that mapfile describes. A
// sector takes the least advanced status of its bytes (non-tried, then
// non-trimmed, non-scraped, bad, finished), so it is finished only when all
// its bytes are; bytes no block describes are non-tried, and blocks past the
// map's end are left out.
RescueMap SectorMapOf(const Mapfile& mapfile, std::uint64_t sectorBytes, std::uint64_t sectors);

// For a retry of a surface scan: fills table with one SectorState code per
// sector of a session of count sectors that starts at startSector, on a
// medium of mediumSectors: Good for a sector whose 2048 bytes are all
// finished ('+'), NotChecked for the others. False with error set when text
// is not a mapfile ("line 4: bad status 'x'"), or is the map of another
// disc: one with blocks past the medium's end, whose message names both
// sizes.
bool ReadDdrescueMap(std::string_view text, std::int64_t startSector, std::int32_t count,
                     std::int64_t mediumSectors, std::vector<std::uint8_t>& table,
                     std::string& error);
