// GNU ddrescue's mapfile, as ddrescue writes and reads it: comment lines
// ('#'), a status line (the current position, the current operation and,
// from ddrescue 1.20 on, the pass), then the blocks of the copy from byte 0
// on, each a position, a size (bytes, "0x" and hexadecimal, or decimal) and
// a status: '?' non-tried, '*' non-trimmed, '/' non-scraped, '-' bad,
// '+' finished.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace wrenlo {

struct MapfileHead {
  std::uint64_t position = 0;  // in bytes
  char operation = '?';
  std::int32_t pass = 1;
};

struct MapfileBlock {
  std::uint64_t position = 0;
  std::uint64_t size = 0;
  char status = '?';

  std::uint64_t End() const { return position + size; }
};

// Whether c is a block status of a mapfile.
bool IsMapfileStatus(char c);

// Reads text: head receives its status line and block is called with each
// block of more than no bytes, in order, until it returns false. Blocks come
// in order and do not overlap. False with problem set to one line ("line 4:
// bad status 'x'") when text is no mapfile; memory stays bounded by the
// longest line.
bool ParseMapfile(std::string_view text, MapfileHead& head,
                  const std::function<bool(const MapfileBlock&)>& block, std::string& problem);

}  // namespace wrenlo
