#include "core/damage/DamageIndex.h"

#include <algorithm>
#include <map>

#include "core/scan/ISectorScannerCallback.h"

namespace {

bool IsBad(std::uint8_t state) {
  return state == static_cast<std::uint8_t>(SectorState::Problem) ||
         state == static_cast<std::uint8_t>(SectorState::Error);
}

// The maximal runs of problem and error sectors of the table.
std::vector<SectorRange> BadRanges(const std::vector<std::uint8_t>& table) {
  std::vector<SectorRange> ranges;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (!IsBad(table[i])) continue;
    if (!ranges.empty() && ranges.back().last + 1 == i)
      ranges.back().last = i;
    else
      ranges.push_back({i, i});
  }
  return ranges;
}

}  // namespace

DamageIndex::DamageIndex(const std::vector<std::uint8_t>& table, std::uint64_t sessionStart,
                         DiscLayout layout)
    : layout_(std::move(layout)), sessionStart_(sessionStart) {
  // The entries' ranges in the table's numbering; parts before the session
  // are left out.
  std::vector<SectorIntervals::Tagged> tagged;
  for (std::size_t e = 0; e < layout_.entries.size(); ++e)
    for (const SectorRange& range : layout_.entries[e].ranges) {
      if (range.last < sessionStart) continue;
      tagged.push_back(
          {{std::max(range.first, sessionStart) - sessionStart, range.last - sessionStart}, e});
    }
  intervals_ = SectorIntervals(std::move(tagged));

  std::map<std::size_t, DamagedEntry> damaged;  // by entry, so in layout order
  for (const SectorRange& bad : BadRanges(table)) {
    intervals_.ForEachMeeting(bad.first, bad.last, [&](const SectorIntervals::Tagged& t) {
      const std::uint64_t first = std::max(bad.first, t.range.first);
      const std::uint64_t last = std::min(bad.last, t.range.last);
      damaged[t.entry].ranges.push_back({first, last});
    });
  }
  for (auto& [index, entry] : damaged) {
    const EntryKind kind = layout_.entries[index].kind;
    // The gaps between sessions hold no data: a read there fails whatever the
    // disc's state.
    if (kind == EntryKind::LeadOut) continue;
    entry.entry = index;
    entry.name = layout_.entries[index].name;
    // One entry's own ranges may overlap (a damaged file system's may);
    // joined, each sector counts once.
    std::sort(entry.ranges.begin(), entry.ranges.end(),
              [](const SectorRange& a, const SectorRange& b) { return a.first < b.first; });
    std::vector<SectorRange> joined;
    for (const SectorRange& range : entry.ranges) {
      if (!joined.empty() && range.first <= joined.back().last + 1)
        joined.back().last = std::max(joined.back().last, range.last);
      else
        joined.push_back(range);
    }
    for (const SectorRange& range : joined)
      for (std::uint64_t s = range.first; s <= range.last; ++s)
        ++(table[s] == static_cast<std::uint8_t>(SectorState::Problem) ? entry.problemSectors
                                                                       : entry.errorSectors);
    entry.ranges = std::move(joined);
    (kind == EntryKind::File ? damagedFiles_ : damagedStructures_).push_back(std::move(entry));
  }
}

std::vector<std::size_t> DamageIndex::EntriesOn(std::uint64_t first, std::uint64_t last) const {
  std::vector<std::size_t> entries;
  intervals_.ForEachMeeting(first, last,
                            [&](const SectorIntervals::Tagged& t) { entries.push_back(t.entry); });
  std::sort(entries.begin(), entries.end());
  entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
  return entries;
}
