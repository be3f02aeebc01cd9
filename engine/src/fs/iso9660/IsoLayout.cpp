// Where an ISO 9660 or Joliet tree lies: its path tables, each directory's
// extent, each file's data and the Rock Ridge continuation areas, in one walk
// of the tree.
#include <algorithm>

#include "fs/Path.h"
#include "fs/iso9660/IsoFileSystem.h"

namespace wrenlo {

namespace {

std::uint64_t SectorsOf(std::uint64_t bytes) { return (bytes + 2047) / 2048; }

// The extents with runs that follow on joined: a file over 4 GiB is recorded
// as several extents, usually back to back.
std::vector<Extent> Joined(const std::vector<Extent>& extents) {
  std::vector<Extent> runs;
  for (const Extent& extent : extents) {
    if (!runs.empty() && runs.back().start + runs.back().count == extent.start)
      runs.back().count += extent.count;
    else
      runs.push_back(extent);
  }
  return runs;
}

}  // namespace

// One walk of an IsoFileSystem's tree.
class IsoLayoutWalk {
 public:
  using Directory = IsoFileSystem::Directory;
  using Entry = IsoFileSystem::Entry;

  IsoLayoutWalk(const IsoFileSystem& tree, const LayoutVisitor& visit)
      : tree_(tree),
        visit_(visit),
        // A sound tree's directories are distinct extents, so the walk reads
        // no more directory sectors than the medium has; directories laid
        // over one another to make it read more end it.
        budget_(tree.source_.SectorCount()) {}

  Result Run() {
    std::vector<Extent> tables;
    const IsoVolume& volume = tree_.volume_;
    const std::uint64_t tableSectors = SectorsOf(volume.pathTableBytes);
    for (const std::uint32_t table : volume.pathTables)
      if (table != 0 && tableSectors != 0) tables.push_back({table, tableSectors});
    if (const Result result = Structure(u"Path table", tables); result != kOk) return result;
    if (const Result result = Walk(tree_.root_, u"", 0); result != kOk) return result;
    // The continuation areas of the whole tree, each sector once.
    std::sort(continuations_.begin(), continuations_.end());
    continuations_.erase(std::unique(continuations_.begin(), continuations_.end()),
                         continuations_.end());
    std::vector<Extent> areas;
    for (const std::uint32_t sector : continuations_) {
      if (!areas.empty() && areas.back().start + areas.back().count == sector)
        ++areas.back().count;
      else
        areas.push_back({sector, 1});
    }
    return Structure(u"Rock Ridge continuation areas", areas);
  }

 private:
  Result Structure(std::u16string_view name, const std::vector<Extent>& extents,
                   Result read = kOk) {
    if (extents.empty() && read == kOk) return kOk;
    LayoutItem item;
    item.name = name;
    item.extents = extents;
    item.result = read;
    return visit_(item);
  }

  // Visits directory (named path) and then everything under it, pre-order.
  Result Walk(const Directory& directory, const std::u16string& path, std::size_t depth) {
    const std::uint64_t sectors = SectorsOf(directory.length);
    if (sectors > budget_) return kTooLarge;
    budget_ -= sectors;
    IsoFileSystem::ListingCache::Entries listing;
    const Result read =
        depth >= kMaxDirectoryDepth ? kTooLarge : tree_.Children(directory, listing);
    const std::u16string name = path.empty() ? u"Root directory" : u"Directory " + path;
    LayoutItem item;
    item.name = name;
    item.directory = path.empty() ? u"/" : std::u16string_view(path);
    const Extent extent{directory.start, sectors};
    if (sectors != 0) item.extents = std::span<const Extent>(&extent, 1);
    item.result = read;
    if (const Result result = visit_(item); result != kOk) return result;
    if (read != kOk) return kOk;
    continuations_.insert(continuations_.end(), listing->continuationSectors.begin(),
                          listing->continuationSectors.end());

    // A directory extent is walked from the first directory found to hold it
    // only, so that a loop or a shared directory ends.
    for (const Entry& entry : listing->entries) {
      const std::u16string childPath = ChildPath(path, entry.name);
      if (entry.isDirectory) {
        if (!tree_.Claim(entry.directory, directory)) continue;
        if (const Result result = Walk(entry.directory, childPath, depth + 1); result != kOk)
          return result;
        continue;
      }
      LayoutItem file;
      file.name = childPath;
      if (entry.linkTarget) {
        file.kind = LayoutKind::kLink;
        file.target = *entry.linkTarget;
        if (const Result result = visit_(file); result != kOk) return result;
        continue;
      }
      // An interleaved file is given the whole span of its extents, the gaps
      // between its units included.
      const std::vector<Extent> runs = Joined(entry.extents);
      file.kind = LayoutKind::kFile;
      file.size = entry.size;
      file.extents = runs;
      if (const Result result = visit_(file); result != kOk) return result;
    }
    return kOk;
  }

  const IsoFileSystem& tree_;
  const LayoutVisitor& visit_;
  std::uint64_t budget_;  // directory sectors the walk may still read
  std::vector<std::uint32_t> continuations_;
};

Result IsoFileSystem::Layout(const LayoutVisitor& visit) const {
  return IsoLayoutWalk(*this, visit).Run();
}

}  // namespace wrenlo
