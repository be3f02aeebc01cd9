#include "core/rescue/DdrescueMapReader.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>

#include "core/scan/ISectorScannerCallback.h"

namespace {

// How far a status is from finished: a sector of several takes the least.
int Progress(BlockStatus status) {
  switch (status) {
    case BlockStatus::NonTried:
      return 0;
    case BlockStatus::NonTrimmed:
      return 1;
    case BlockStatus::NonScraped:
      return 2;
    case BlockStatus::Bad:
      return 3;
    case BlockStatus::Finished:
      return 4;
  }
  return 0;
}

}  // namespace

bool ParseMapfile(std::string_view text, Mapfile& out, std::string& error) {
  out = Mapfile{};
  wrenlo::MapfileStatusLine statusLine{};
  char problem[256] = {};
  const std::int32_t result = wrenlo::ParseMapfile(
      text.data(), text.size(), &statusLine,
      [](void* context, const wrenlo::MapfileBlockRecord* record) -> std::int32_t {
        const std::optional<BlockStatus> status = BlockStatusOf(record->status);
        if (!status) return wrenlo::kResultInvalidArgument;
        static_cast<Mapfile*>(context)->blocks.push_back({record->position, record->size, *status});
        return 0;
      },
      &out, problem, sizeof problem);
  out.status.position = statusLine.position;
  out.status.operation = statusLine.operation;
  out.status.pass = statusLine.pass;
  if (result == 0) return true;
  error = problem[0] != '\0' ? problem : "not a mapfile";
  return false;
}

RescueMap SectorMapOf(const Mapfile& mapfile, std::uint64_t sectorBytes, std::uint64_t sectors) {
  // Finished until told otherwise, so that the least advanced status of a
  // sector's bytes wins; what no block describes is then made non-tried.
  RescueMap map(sectors);
  map.Set(0, sectors, BlockStatus::Finished);
  const std::uint64_t limit = sectors * sectorBytes;
  std::uint64_t covered = 0;  // bytes described so far
  const auto apply = [&](std::uint64_t position, std::uint64_t size, BlockStatus status) {
    if (position >= limit || size == 0) return;
    const std::uint64_t end = std::min(position + std::min(size, limit - position), limit);
    const std::uint64_t first = position / sectorBytes;
    const std::uint64_t last = (end - 1) / sectorBytes;
    // The sectors wholly inside take the status; one that the block shares
    // with another, the less advanced of the two.
    for (const std::uint64_t edge : {first, last})
      if (Progress(status) < Progress(map.At(edge))) map.Set(edge, 1, status);
    if (last > first + 1) map.Set(first + 1, last - first - 1, status);
  };
  for (const MapfileBlock& block : mapfile.blocks) {
    apply(covered, block.position - covered, BlockStatus::NonTried);
    apply(block.position, block.size, block.status);
    covered = block.position + block.size;
  }
  if (covered < limit) apply(covered, limit - covered, BlockStatus::NonTried);
  return map;
}

bool ReadDdrescueMap(std::string_view text, std::int64_t startSector, std::int32_t count,
                     std::int64_t mediumSectors, std::vector<std::uint8_t>& table,
                     std::string& error) {
  constexpr std::uint64_t kSectorBytes = 2048;
  table.assign(static_cast<std::size_t>(std::max(count, 0)),
               static_cast<std::uint8_t>(SectorState::NotChecked));
  Mapfile mapfile;
  if (!ParseMapfile(text, mapfile, error)) return false;
  const std::uint64_t mapEnd = mapfile.End();
  const std::uint64_t mediumBytes =
      static_cast<std::uint64_t>(std::max<std::int64_t>(mediumSectors, 0)) * kSectorBytes;
  if (mapEnd > mediumBytes) {
    error = "the map of another disc: it covers " + std::to_string(mapEnd) + " bytes (" +
            std::to_string(mapEnd / kSectorBytes + (mapEnd % kSectorBytes != 0 ? 1 : 0)) +
            " sectors), this disc " + std::to_string(mediumBytes) + " bytes (" +
            std::to_string(mediumBytes / kSectorBytes) + " sectors)";
    return false;
  }
  const auto start = static_cast<std::uint64_t>(std::max<std::int64_t>(startSector, 0));
  const RescueMap map = SectorMapOf(mapfile, kSectorBytes, start + table.size());
  for (const RescueMap::Block& block : map.Blocks()) {
    if (block.status != BlockStatus::Finished || block.End() <= start) continue;
    for (std::uint64_t sector = std::max(block.first, start); sector < block.End(); ++sector)
      table[sector - start] = static_cast<std::uint8_t>(SectorState::Good);
  }
  return true;
}
