#include "fs/iso9660/IsoFileSystem.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "Text.h"
#include "fs/Path.h"

namespace wrenlo {

namespace {

constexpr std::uint32_t kSectorSize = 2048;
// Sectors of a directory read at once: a directory is decoded piece by piece.
constexpr std::uint32_t kChunkSectors = 16;

// The owner recorded for the root: no directory holds it.
constexpr std::uint64_t kNoOwner = UINT64_MAX;

// SUSP entries of a tree start in the first record of its root directory.
std::optional<std::uint8_t> FindSuspSkip(SectorSource& source, std::uint64_t root) {
  if (root >= source.SectorCount()) return std::nullopt;
  std::vector<std::uint8_t> sector(kSectorSize);
  if (source.Read(static_cast<std::uint32_t>(root), 1, sector.data()) != kOk) return std::nullopt;
  const std::size_t length = sector[0];
  DirectoryRecord self;
  if (DecodeDirectoryRecord(Bytes(sector).first(length), self) != kOk || !self.IsSelf())
    return std::nullopt;
  return SuspSkip(self.systemUse);
}

}  // namespace

IsoFileSystem::IsoFileSystem(SectorSource& source, IsoVolume volume)
    : source_(source),
      volume_(std::move(volume)),
      root_{std::uint64_t{volume_.rootLocation} + volume_.rootExtendedAttributeLength,
            volume_.rootLength},
      cache_(kIsoDirectoryCacheSize, kIsoDirectoryCacheEntries) {
  owners_.emplace(root_.start, kNoOwner);
  if (!volume_.joliet) suspSkip_ = FindSuspSkip(source_, root_.start);
}

const IsoFileSystem::Entry* IsoFileSystem::Listing::Find(std::u16string_view name) const {
  const auto found = byName.find(name);
  return found == byName.end() ? nullptr : &entries[found->second];
}

bool IsoFileSystem::Claim(const Directory& child, const Directory& parent) const {
  const std::lock_guard lock(ownersMutex_);
  return owners_.emplace(child.start, parent.start).first->second == parent.start;
}

std::u16string_view IsoFileSystem::TreeName() const {
  return volume_.joliet ? u"Joliet" : u"ISO 9660";
}

IsoFileSystem::Directory IsoFileSystem::RelocatedDirectory(std::uint32_t sector) const {
  // Unreadable, the directory is read again when it is listed, which then
  // reports why.
  Directory directory{sector, kSectorSize, false};
  if (sector >= source_.SectorCount()) {
    directory.unusable = true;
    return directory;
  }
  std::vector<std::uint8_t> bytes(kSectorSize);
  if (source_.Read(sector, 1, bytes.data()) != kOk) return directory;
  DirectoryRecord self;
  if (DecodeDirectoryRecord(Bytes(bytes).first(bytes[0]), self) == kOk && self.IsSelf() &&
      self.IsDirectory() && self.location == sector)
    directory.length = self.dataLength;
  else
    directory.unusable = true;
  return directory;
}

bool IsoFileSystem::ApplyRockRidge(const DirectoryRecord& record, ContinuationAreas& areas,
                                   Entry& entry, Listing& listing) const {
  RockRidgeEntries rockRidge;
  if (DecodeRockRidge(record.systemUse, *suspSkip_, areas, rockRidge) != kOk) return true;
  if (rockRidge.relocated) {
    listing.holdsRelocated = true;
    return false;
  }
  if (!rockRidge.name.empty()) entry.name = FromUtf8OrLatin1(rockRidge.name);
  if (rockRidge.childLink) {
    entry.isDirectory = true;
    entry.directory = RelocatedDirectory(*rockRidge.childLink);
  } else if (rockRidge.linkTarget && !entry.isDirectory) {
    entry.linkTarget = FromUtf8OrLatin1(*rockRidge.linkTarget);
  }
  return true;
}

void IsoFileSystem::HideRelocationDirectory(Listing& root) const {
  const auto isRelocationName = [](std::u16string_view name) {
    if (!name.empty() && name.front() == u'.') name.remove_prefix(1);
    constexpr std::u16string_view kName = u"rr_moved";
    return name.size() == kName.size() &&
           std::equal(name.begin(), name.end(), kName.begin(), [](char16_t a, char16_t b) {
             return (a >= u'A' && a <= u'Z' ? a + 32 : a) == b;
           });
  };
  for (Entry& entry : root.entries) {
    if (!entry.isDirectory || !isRelocationName(entry.name)) continue;
    ListingCache::Entries moved;
    if (Children(entry.directory, moved) != kOk || !moved->holdsRelocated ||
        std::any_of(moved->entries.begin(), moved->entries.end(),
                    [](const Entry& child) { return !child.hidden; }))
      continue;
    entry.hidden = true;
    root.byName.erase(entry.name);
  }
}

Result IsoFileSystem::Children(const Directory& directory, ListingCache::Entries& out) const {
  if (directory.unusable) return kCorruptFileSystem;
  if ((out = cache_.Find(directory.start))) return kOk;
  auto listing = std::make_shared<Listing>();
  if (const Result result = Decode(directory, *listing); result != kOk) return result;
  out = listing;
  cache_.Store(directory.start, listing, listing->entries.size());
  return kOk;
}

Result IsoFileSystem::Decode(const Directory& directory, Listing& out) const {
  const std::uint64_t sectors = (std::uint64_t{directory.length} + kSectorSize - 1) / kSectorSize;
  if (directory.start + sectors > source_.SectorCount()) return kCorruptFileSystem;

  std::vector<std::uint8_t> chunk(kChunkSectors * kSectorSize);
  ContinuationAreas areas(source_);
  std::unordered_set<std::uint64_t> directories;
  std::u16string lastIsoName;  // of the last record kept
  bool continuing = false;     // the last file record announced another extent

  for (std::uint64_t first = 0; first < sectors; first += kChunkSectors) {
    const auto count =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunkSectors, sectors - first));
    const Result read =
        source_.Read(static_cast<std::uint32_t>(directory.start + first), count, chunk.data());
    if (read != kOk) return read;
    for (std::uint32_t s = 0; s < count; ++s) {
      // Records never cross a sector (ECMA-119 6.8.1.1); the last sector holds
      // only as many bytes of the directory as its length leaves.
      const std::uint64_t offsetInDirectory = (first + s) * kSectorSize;
      const std::size_t usable = static_cast<std::size_t>(
          std::min<std::uint64_t>(kSectorSize, directory.length - offsetInDirectory));
      const Bytes sector(chunk.data() + std::size_t{s} * kSectorSize, usable);
      std::size_t offset = 0;
      while (offset < sector.size()) {
        const std::size_t length = sector[offset];
        if (length == 0) break;  // the rest of the sector is padding
        if (length > sector.size() - offset) return kCorruptFileSystem;
        DirectoryRecord record;
        if (DecodeDirectoryRecord(sector.subspan(offset, length), record) != kOk)
          return kCorruptFileSystem;
        const RecordPlace place{directory.start + first + s, static_cast<std::uint16_t>(offset)};
        offset += length;

        if (record.IsSelf() || record.IsParent()) {
          // The "." record's entries may continue elsewhere (the ER entry of
          // the root usually does): those sectors belong to the tree too.
          RockRidgeEntries ignored;
          if (suspSkip_ && record.IsSelf())
            DecodeRockRidge(record.systemUse, *suspSkip_, areas, ignored);
          continue;
        }
        if ((record.flags & kIsoFlagAssociated) != 0) continue;
        std::u16string isoName = DecodeRecordName(record, volume_.joliet);

        // Further extents of a multi-extent file follow under the same
        // identifier.
        std::deque<Entry>& entries = out.entries;
        if (continuing && !entries.empty() && lastIsoName == isoName && !record.IsDirectory()) {
          continuing = (record.flags & kIsoFlagMultiExtent) != 0;
          if (record.dataLength != 0)
            entries.back().extents.push_back({record.DataStart(), record.DataSectors()});
          entries.back().interleaved = entries.back().interleaved || record.interleaved;
          entries.back().size += record.dataLength;
          continue;
        }
        continuing = false;
        Entry entry;
        entry.name = isoName;
        entry.isDirectory = record.IsDirectory();
        entry.interleaved = record.interleaved;
        entry.record = place;
        if (entry.isDirectory) entry.directory = {record.DataStart(), record.dataLength};
        if (suspSkip_ && !ApplyRockRidge(record, areas, entry, out)) continue;
        const auto usable = [&out](const std::u16string& name) {
          return IsAddressable(name) && out.byName.count(name) == 0;
        };
        if (!usable(entry.name)) {
          // A Rock Ridge name no path can address ('/', "..") or that an
          // earlier entry took: the entry keeps its ISO 9660 name, so that
          // its file is still listed and read.
          if (entry.name == isoName || !usable(isoName)) continue;
          entry.name = isoName;
        }
        if (entry.isDirectory && !directories.insert(entry.directory.start).second) continue;
        if (entries.size() >= kMaxDirectoryEntries) return kTooLarge;

        if (!entry.isDirectory) {
          continuing = (record.flags & kIsoFlagMultiExtent) != 0;
          if (record.dataLength != 0)
            entry.extents.push_back({record.DataStart(), record.DataSectors()});
          entry.size = record.dataLength;
        }
        entries.push_back(std::move(entry));
        out.byName.emplace(entries.back().name, entries.size() - 1);
        lastIsoName = std::move(isoName);
      }
    }
  }
  out.continuationSectors = areas.Sectors();
  if (suspSkip_ && directory.start == root_.start) HideRelocationDirectory(out);
  return kOk;
}

Result IsoFileSystem::Walk(std::u16string_view path, bool parentOnly,
                           ListingCache::Entries& listing, std::u16string_view& leaf) const {
  std::vector<std::u16string_view> names;
  if (!SplitPath(path, names)) return kNotFound;
  if (parentOnly) {
    if (names.empty()) return kNotAFile;
    leaf = names.back();
    names.pop_back();
  }
  if (names.size() >= kMaxDirectoryDepth) return kTooLarge;

  Directory current = root_;
  Result result = Children(root_, listing);
  for (const std::u16string_view name : names) {
    if (result != kOk) return result;
    const Entry* found = listing->Find(name);
    if (!found) return kNotFound;
    if (!found->isDirectory) return kNotADirectory;
    const Directory child = found->directory;
    if (!Claim(child, current)) return kCorruptFileSystem;
    result = Children(child, listing);
    current = child;
  }
  return result;
}

Result IsoFileSystem::ListDirectory(std::u16string_view path,
                                    std::vector<DirectoryItem>& out) const {
  out.clear();
  ListingCache::Entries listing;
  std::u16string_view leaf;
  const Result result = Walk(path, false, listing, leaf);
  if (result != kOk) return result;
  out.reserve(listing->entries.size());
  for (const Entry& entry : listing->entries)
    if (!entry.hidden) out.push_back({entry.name, entry.isDirectory, entry.linkTarget.has_value()});
  return kOk;
}

Result IsoFileSystem::FindFile(std::u16string_view path, ListingCache::Entries& listing,
                               const Entry*& found) const {
  std::u16string_view leaf;
  const Result result = Walk(path, true, listing, leaf);
  if (result != kOk) return result;
  found = listing->Find(leaf);
  if (!found) return kNotFound;
  if (found->isDirectory || found->linkTarget) return kNotAFile;
  // Interleaved files (ECMA-119 6.4.3) are not read.
  if (found->interleaved) return kUnsupported;
  return kOk;
}

Result IsoFileSystem::FileExtents(std::u16string_view path, std::vector<Extent>& out) const {
  out.clear();
  ListingCache::Entries listing;
  const Entry* found = nullptr;
  if (const Result result = FindFile(path, listing, found); result != kOk) return result;
  out = found->extents;
  return kOk;
}

Result IsoFileSystem::FileContentOf(std::u16string_view path, FileContent& out) const {
  out = FileContent{};
  ListingCache::Entries listing;
  const Entry* found = nullptr;
  if (const Result result = FindFile(path, listing, found); result != kOk) return result;
  // Every extent but the last fills its sectors; the last holds what is left.
  std::uint64_t left = found->size;
  for (const Extent& extent : found->extents) {
    const std::uint64_t bytes = std::min(left, extent.count * kSectorSize);
    if (bytes != 0) out.pieces.push_back({extent.start, bytes, true});
    left -= bytes;
  }
  return kOk;
}

Result IsoFileSystem::FileAttribute(std::u16string_view path, std::string_view name,
                                    std::vector<std::uint8_t>& value) const {
  value.clear();
  if (!suspSkip_) return kNotFound;
  RecordPlace place{root_.start, 0};  // the root's own record, "."
  if (!path.empty()) {
    ListingCache::Entries listing;
    std::u16string_view leaf;
    if (const Result result = Walk(path, true, listing, leaf); result != kOk) return result;
    const Entry* found = listing->Find(leaf);
    if (!found) return kNotFound;
    place = found->record;
  }
  if (place.sector >= source_.SectorCount()) return kCorruptFileSystem;
  std::vector<std::uint8_t> sector(kSectorSize);
  if (const Result read = source_.Read(static_cast<std::uint32_t>(place.sector), 1, sector.data());
      read != kOk)
    return read;
  const Bytes bytes(sector);
  const std::size_t length = U8(bytes, place.offset);
  DirectoryRecord record;
  if (!Fits(bytes, place.offset, length) ||
      DecodeDirectoryRecord(bytes.subspan(place.offset, length), record) != kOk)
    return kCorruptFileSystem;
  ContinuationAreas areas(source_);
  // The root's own record carries the SP entry, which the skip does not pass.
  return AaipAttribute(record.systemUse, path.empty() ? 0 : *suspSkip_, areas, name, value);
}

}  // namespace wrenlo
