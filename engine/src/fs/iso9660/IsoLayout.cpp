// Where an ISO 9660 or Joliet tree lies: its path tables, each directory's
// extent and each file's data, in one walk of the tree.
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

std::u16string DirectoryName(const std::u16string& path) {
  return path.empty() ? u"Root directory" : u"Directory " + path;
}

}  // namespace

Result IsoFileSystem::Layout(const LayoutVisitor& visit) const {
  std::vector<Extent> tables;
  const std::uint64_t tableSectors = SectorsOf(volume_.pathTableBytes);
  for (const std::uint32_t table : volume_.pathTables)
    if (table != 0 && tableSectors != 0) tables.push_back({table, tableSectors});
  if (!tables.empty()) {
    LayoutItem item;
    item.name = volume_.joliet ? u"Joliet path tables" : u"Path tables";
    item.extents = tables;
    if (const Result result = visit(item); result != kOk) return result;
  }
  // A sound tree's directories are distinct extents, so the walk reads no
  // more directory sectors than the medium has; directories laid over one
  // another to make it read more end it.
  std::uint64_t budget = source_.SectorCount();
  return LayoutDirectory(root_, u"", 0, budget, visit);
}

Result IsoFileSystem::LayoutDirectory(const Directory& directory, const std::u16string& path,
                                      std::size_t depth, std::uint64_t& budget,
                                      const LayoutVisitor& visit) const {
  const std::uint64_t sectors = SectorsOf(directory.length);
  if (sectors > budget) return kTooLarge;
  budget -= sectors;
  ListingCache::Entries listing;
  const Result read = depth >= kMaxDirectoryDepth ? kTooLarge : Children(directory, listing);
  const std::u16string name = DirectoryName(path);
  const Extent extent{directory.start, sectors};
  LayoutItem item;
  item.name = name;
  if (sectors != 0) item.extents = std::span<const Extent>(&extent, 1);
  item.result = read;
  if (const Result result = visit(item); result != kOk) return result;
  if (read != kOk) return kOk;

  // A directory extent is walked from the first directory found to hold it
  // only, so that a loop or a shared directory ends.
  for (const Entry& entry : listing->entries) {
    const std::u16string childPath = path.empty() ? entry.name : path + u"\\" + entry.name;
    if (entry.isDirectory) {
      if (!Claim(entry.directory, directory)) continue;
      if (const Result result =
              LayoutDirectory(entry.directory, childPath, depth + 1, budget, visit);
          result != kOk)
        return result;
      continue;
    }
    // An interleaved file is given the whole span of its extents, the gaps
    // between its units included.
    const std::vector<Extent> runs = Joined(entry.extents);
    LayoutItem file;
    file.isFile = true;
    file.name = childPath;
    file.size = entry.size;
    file.extents = runs;
    if (const Result result = visit(file); result != kOk) return result;
  }
  return kOk;
}

}  // namespace wrenlo
