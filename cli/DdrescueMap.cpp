#include "cli/DdrescueMap.h"

#include <cinttypes>
#include <cstdio>

#include "core/scan/ISectorScannerCallback.h"

namespace {

constexpr std::int64_t kSectorBytes = 2048;

char StatusOf(std::uint8_t state) {
  switch (static_cast<SectorState>(state)) {
    case SectorState::Good:
    case SectorState::Problem:
    case SectorState::Differs:
      return '+';
    case SectorState::Error:
      return '-';
    default:
      return '?';
  }
}

void AppendBlock(std::string& out, std::int64_t firstSector, std::int64_t sectors, char status) {
  char line[64];
  std::snprintf(line, sizeof line, "0x%08" PRIX64 "  0x%08" PRIX64 "  %c\n",
                static_cast<std::uint64_t>(firstSector * kSectorBytes),
                static_cast<std::uint64_t>(sectors * kSectorBytes), status);
  out += line;
}

}  // namespace

std::string DdrescueMap(const std::vector<std::uint8_t>& sectors, const DdrescueMapFacts& facts) {
  const std::int64_t count = static_cast<std::int64_t>(sectors.size());
  // Where the scan stopped: the first sector it did not get to, counted from
  // the end, as every sector before a stop was read.
  std::int64_t next = count;
  while (next > 0 && StatusOf(sectors[static_cast<std::size_t>(next - 1)]) == '?') --next;

  std::string out = "# Mapfile. Created by " + facts.comment + "\n";
  out += "# current_pos  current_status  current_pass\n";
  char status[64];
  std::snprintf(status, sizeof status, "0x%08" PRIX64 "     %c               1\n",
                static_cast<std::uint64_t>((facts.startSector + next) * kSectorBytes),
                facts.finished ? '+' : '?');
  out += status;
  out += "#      pos        size  status\n";

  if (facts.startSector > 0) AppendBlock(out, 0, facts.startSector, '?');
  std::int64_t first = 0;
  for (std::int64_t i = 1; i <= count; ++i) {
    const char run = StatusOf(sectors[static_cast<std::size_t>(first)]);
    if (i < count && StatusOf(sectors[static_cast<std::size_t>(i)]) == run) continue;
    AppendBlock(out, facts.startSector + first, i - first, run);
    first = i;
  }
  return out;
}
