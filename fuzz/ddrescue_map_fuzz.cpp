// The reader of GNU ddrescue mapfiles: any text gives blocks in order or an
// error, a map of the copy's size, and a scan's table of the session's size,
// never more.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rescue/DdrescueMapReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Mapfile mapfile;
  std::string problem;
  if (ParseMapfile(text, mapfile, problem)) {
    std::uint64_t end = 0;
    for (const MapfileBlock& block : mapfile.blocks) {
      if (block.position < end || block.size == 0) __builtin_trap();
      end = block.position + block.size;
    }
    for (const std::uint64_t sectorBytes : {2048u, 2352u}) {
      const RescueMap map = SectorMapOf(mapfile, sectorBytes, 1000);
      std::uint64_t covered = 0;
      for (const RescueMap::Block& block : map.Blocks()) {
        if (block.first != covered || block.count == 0) __builtin_trap();
        covered = block.End();
      }
      if (covered != 1000) __builtin_trap();
    }
  } else if (problem.empty()) {
    __builtin_trap();
  }
  for (const auto& [start, count] :
       {std::pair<std::int64_t, std::int32_t>{0, 300}, {16, 1}, {2147483647, 8}, {0, 0}}) {
    std::vector<std::uint8_t> table;
    std::string error;
    const bool read = ReadDdrescueMap(text, start, count, start + count, table, error);
    if (table.size() != static_cast<std::size_t>(count)) __builtin_trap();
    for (const std::uint8_t state : table)
      if (state > 1) __builtin_trap();
    if (!read && error.empty()) __builtin_trap();
  }
  return 0;
}
