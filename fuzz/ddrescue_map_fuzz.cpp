// The reader of GNU ddrescue mapfiles: any text gives blocks in order or an
// error, a map of the copy's size, a scan's table of the session's size, and
// a copy's missing sectors within its medium, never more.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rescue/DdrescueMapReader.h"
#include "image/CopyMapfile.h"

namespace {

// The missing sectors of text as a copy of bytes bytes laid out as file
// says, checked to be in order, within the placements, and counted right.
void CheckMissing(std::string_view text, wrenlo::CopiedFile file) {
  std::vector<wrenlo::FaultRange> missing;
  std::uint64_t count = 0;
  std::string problem;
  if (!wrenlo::MissingSectors(text, file, missing, count, problem)) {
    if (problem.empty()) __builtin_trap();
    return;
  }
  std::uint64_t counted = 0;
  std::uint64_t next = 0;
  for (const wrenlo::FaultRange& range : missing) {
    if (!range.always || range.first < next || range.last < range.first) __builtin_trap();
    bool placed = false;
    for (const wrenlo::FilePlacement& place : file.placements)
      placed = placed || (range.first >= place.address &&
                          range.first < std::uint64_t{place.address} + place.count);
    if (!placed) __builtin_trap();
    counted += range.last - range.first + 1;
    next = std::uint64_t{range.last} + 2;  // joined where they touch
  }
  if (counted != count) __builtin_trap();
  wrenlo::FaultPlan plan;
  plan.ranges = {{0, 3, 2, false}, {8, 4000000000u, 1, false}};
  wrenlo::AddMissing(plan, missing);
  for (std::size_t i = 1; i < plan.ranges.size(); ++i)
    if (plan.ranges[i].first <= plan.ranges[i - 1].last) __builtin_trap();
}

}  // namespace

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
    // The copy of the size the mapfile describes, as an image and as a BIN
    // file whose sectors lie in two runs with a gap between.
    const std::uint64_t bytes = mapfile.End();
    if (bytes / 2048 < 1u << 30)
      CheckMissing(
          text, {"the image", bytes, {{0, static_cast<std::uint32_t>(bytes / 2048), 0, 2048}}, {}});
    const auto half =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes / 2352 / 2, 1u << 29));
    CheckMissing(text, {"the BIN file",
                        bytes,
                        {{0, half, 0, 2352}, {half + 150, half, std::uint64_t{half} * 2352, 2352}},
                        {}});
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
