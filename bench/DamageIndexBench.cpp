// Building the damage index for a full disc of small files, and the look-up
// a tooltip on the surface map makes. Prints figures; the goals are an index
// in at most 0.5 s and a look-up in at most 1 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/damage/DamageIndex.h"
#include "core/scan/ISectorScannerCallback.h"

namespace {

constexpr std::uint64_t kSectors = 2300000;
constexpr std::size_t kFiles = 100000;
constexpr std::uint64_t kCellSectors = kSectors / 4000;  // a map cell of a large disc

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// 100,000 files in 1,000 directories filling the disc, every tenth file in
// two runs; with a long structure over the whole tree when asked.
DiscLayout MakeLayout(bool longStructure) {
  DiscLayout layout;
  layout.entries.reserve(kFiles + 1100);
  layout.entries.push_back({.kind = EntryKind::Structure,
                            .name = u"Volume descriptors",
                            .size = 0,
                            .ranges = {{16, 19}}});
  std::uint64_t next = 20;
  const std::uint64_t perFile = (kSectors - 20 - 1000) / kFiles;
  for (std::size_t f = 0; f < kFiles; ++f) {
    if (f % 100 == 0)
      layout.entries.push_back({.kind = EntryKind::Structure,
                                .name = u"Directory /d" + std::u16string(1, u'0' + f % 10),
                                .size = 0,
                                .ranges = {{next, next}}});
    next += f % 100 == 0;
    LayoutEntry file{.kind = EntryKind::File, .name = u"/d/file", .size = perFile * 2048};
    if (f % 10 == 0) {
      file.ranges = {{next, next + perFile / 2 - 1}, {next + perFile / 2, next + perFile - 1}};
    } else {
      file.ranges = {{next, next + perFile - 1}};
    }
    next += perFile;
    layout.entries.push_back(std::move(file));
  }
  if (longStructure)
    layout.entries.push_back({.kind = EntryKind::Structure,
                              .name = u"Metadata file",
                              .size = 0,
                              .ranges = {{20, next}}});
  return layout;
}

// Scattered damage: 2,000 runs of 1 to 16 problem or error sectors.
std::vector<std::uint8_t> MakeTable() {
  std::vector<std::uint8_t> table(kSectors, static_cast<std::uint8_t>(SectorState::Good));
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    const std::uint64_t first = random() % (kSectors - 16);
    const std::uint64_t length = 1 + random() % 16;
    const auto state =
        static_cast<std::uint8_t>(i % 3 == 0 ? SectorState::Problem : SectorState::Error);
    std::fill_n(table.begin() + static_cast<std::ptrdiff_t>(first), length, state);
  }
  return table;
}

void Run(bool longStructure) {
  const std::vector<std::uint8_t> table = MakeTable();
  std::vector<double> builds;
  DamageIndex index;
  for (int round = 0; round < 5; ++round) {
    DiscLayout layout = MakeLayout(longStructure);
    const auto start = Clock::now();
    index = DamageIndex(table, 0, std::move(layout));
    builds.push_back(Milliseconds(Clock::now() - start));
  }
  std::sort(builds.begin(), builds.end());

  std::mt19937 random(11);
  std::vector<double> lookups;
  std::size_t found = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t cell = random() % (kSectors / kCellSectors);
    const auto start = Clock::now();
    found += index.EntriesOn(cell * kCellSectors, (cell + 1) * kCellSectors - 1).size();
    lookups.push_back(Milliseconds(Clock::now() - start));
  }
  std::sort(lookups.begin(), lookups.end());
  std::printf(
      "%s: %zu entries, %zu damaged files, %zu damaged structures\n"
      "  index build: median %.1f ms, worst %.1f ms (goal <= 500 ms)\n"
      "  look-up of a %llu-sector cell: median %.4f ms, 99th %.4f ms, worst %.4f ms "
      "(goal <= 1 ms), %.1f entries each\n",
      longStructure ? "with a structure over the whole tree" : "files and directories",
      index.Layout().entries.size(), index.DamagedFiles().size(), index.DamagedStructures().size(),
      builds[builds.size() / 2], builds.back(), static_cast<unsigned long long>(kCellSectors),
      lookups[lookups.size() / 2], lookups[lookups.size() * 99 / 100], lookups.back(),
      static_cast<double>(found) / static_cast<double>(lookups.size()));
}

}  // namespace

int main() {
  std::printf("Damage index: %zu files on a %llu-sector table\n", kFiles,
              static_cast<unsigned long long>(kSectors));
  Run(false);
  Run(true);
  return 0;
}
