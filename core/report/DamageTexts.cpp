#include "core/report/DamageTexts.h"

#include "core/damage/DamageIndex.h"
#include "core/report/PropertyRows.h"

namespace {

const std::u16string kFree = u"free";

std::u16string Number(std::uint64_t n) {
  return FormatText("%llu", static_cast<unsigned long long>(n));
}

// A position in a track as a CD player shows it: minutes, seconds and frames
// (75 a second) from the track's start.
std::u16string TrackTime(std::uint64_t sectors) {
  return FormatText("%02llu:%02llu:%02llu", static_cast<unsigned long long>(sectors / (60 * 75)),
                    static_cast<unsigned long long>(sectors / 75 % 60),
                    static_cast<unsigned long long>(sectors % 75));
}

}  // namespace

std::u16string SurfaceCellText(std::uint64_t first, std::uint64_t last, const SectorCounts& counts,
                               const DamageIndex* index) {
  std::u16string text = first == last ? u"Sector " + Number(first)
                                      : u"Sectors " + Number(first) + u" to " + Number(last);
  text +=
      FormatText("\nGood: %lld, problem: %lld, error: %lld, not checked: %lld",
                 static_cast<long long>(counts.good), static_cast<long long>(counts.problem),
                 static_cast<long long>(counts.error), static_cast<long long>(counts.notChecked));
  if (index == nullptr) return text + u"\nFiles: known when the scan has ended";
  const std::vector<std::size_t> holders = index->EntriesOn(first, last);
  if (holders.empty()) return text + u'\n' + kFree;
  for (std::size_t i = 0; i < holders.size() && i < kCellHoldersShown; ++i)
    text += u'\n' + index->Layout().entries[holders[i]].name;
  if (holders.size() > kCellHoldersShown)
    text += u"\nand " + Number(holders.size() - kCellHoldersShown) + u" more";
  return text;
}

std::u16string HolderName(const LayoutEntry& entry, std::uint64_t sector) {
  if (entry.kind != EntryKind::AudioTrack || entry.ranges.empty()) return entry.name;
  return entry.name + u", " + TrackTime(sector - entry.ranges.front().first);
}

std::u16string SectorHolderText(const DamageIndex& index, std::uint64_t sector) {
  std::u16string text;
  for (const std::size_t holder : index.EntriesOn(sector, sector)) {
    const LayoutEntry& entry = index.Layout().entries[holder];
    if (!text.empty()) text += u"; ";
    const std::uint64_t device = sector + index.SessionStart();
    text += HolderName(entry, device);
    if (entry.IsFile()) text += u", byte " + Number(FileByteOffset(entry, device));
  }
  return text.empty() ? kFree : text;
}

std::u16string DamagedListCaption(const DamageIndex* index) {
  if (index == nullptr) return u"Damaged files: listed when the scan has ended";
  const DiscLayout& layout = index->Layout();
  const bool noFileSystem = layout.result == wrenlo::kResultNoFileSystem;
  if (!noFileSystem && layout.result != 0 && layout.entries.empty())
    return FormatText("Damaged files: the file system cannot be read (%s)",
                      wrenlo::ResultName(layout.result));
  const std::size_t count = index->DamagedFiles().size() + index->DamagedStructures().size();
  std::u16string text =
      count == 0 ? u"Damaged files: none" : u"Damaged files and structures: " + Number(count);
  if (noFileSystem)
    text += u" (no file system)";
  else if (layout.result != 0)
    text += u" (the file system could not be read in full)";
  return text;
}
