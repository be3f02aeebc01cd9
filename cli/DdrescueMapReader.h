// Reads a GNU ddrescue mapfile for a retry: the session's sectors that the
// map marks finished ('+') are Good, the others (non-tried, non-trimmed,
// non-scraped, bad) are to be read again. Positions and sizes are bytes from
// the start of the medium, in hexadecimal (0x...) or decimal, as ddrescue
// writes and reads them; a sector is Good only when all its 2048 bytes lie in
// finished blocks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Fills table with one SectorState code per sector of a session of count
// sectors that starts at startSector, on a medium of mediumSectors: Good or
// NotChecked. False with error set when text is not a mapfile ("line 4: bad
// status 'x'"), or is the map of another disc: one with blocks past the
// medium's end, whose message names both sizes.
bool ReadDdrescueMap(std::string_view text, std::int64_t startSector, std::int32_t count,
                     std::int64_t mediumSectors, std::vector<std::uint8_t>& table,
                     std::string& error);
