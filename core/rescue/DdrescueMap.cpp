#include "core/rescue/DdrescueMap.h"

#include <cinttypes>
#include <cstdio>

#include "core/scan/ISectorScannerCallback.h"

namespace {

constexpr std::uint64_t kScanSectorBytes = 2048;

void AppendBlock(std::string& out, std::uint64_t position, std::uint64_t size, char status) {
  char line[64];
  std::snprintf(line, sizeof line, "0x%08" PRIX64 "  0x%08" PRIX64 "  %c\n", position, size,
                status);
  out += line;
}

BlockStatus StatusOf(std::uint8_t state) {
  switch (static_cast<SectorState>(state)) {
    case SectorState::Good:
    case SectorState::Problem:
    case SectorState::Differs:  // read, though not as the image compared with
      return BlockStatus::Finished;
    case SectorState::Error:
      return BlockStatus::Bad;
    default:
      return BlockStatus::NonTried;
  }
}

}  // namespace

std::string MapfileText(const RescueMap& map, std::uint64_t sectorBytes,
                        const MapfileStatus& status, const std::string& comment) {
  std::string out = "# Mapfile. Created by " + comment + "\n";
  out += "# current_pos  current_status  current_pass\n";
  char line[64];
  std::snprintf(line, sizeof line, "0x%08" PRIX64 "     %c               %d\n", status.position,
                status.operation, status.pass);
  out += line;
  out += "#      pos        size  status\n";
  for (const RescueMap::Block& block : map.Blocks())
    AppendBlock(out, block.first * sectorBytes, block.count * sectorBytes,
                static_cast<char>(block.status));
  return out;
}

std::string DdrescueMap(const std::vector<std::uint8_t>& sectors, const DdrescueMapFacts& facts) {
  const std::uint64_t start = static_cast<std::uint64_t>(facts.startSector);
  RescueMap map(start + sectors.size());
  // Runs of one status at a time, so that a big table costs one Set a run.
  std::size_t first = 0;
  for (std::size_t i = 1; i <= sectors.size(); ++i) {
    if (i < sectors.size() && StatusOf(sectors[i]) == StatusOf(sectors[first])) continue;
    map.Set(start + first, i - first, StatusOf(sectors[first]));
    first = i;
  }
  // Where the scan stopped: the first sector it did not get to, counted from
  // the end, as every sector before a stop was read.
  std::uint64_t next = sectors.size();
  while (next > 0 && StatusOf(sectors[next - 1]) == BlockStatus::NonTried) --next;
  MapfileStatus status;
  status.position = (start + next) * kScanSectorBytes;
  status.operation = facts.finished ? '+' : '?';
  return MapfileText(map, kScanSectorBytes, status, facts.comment);
}
