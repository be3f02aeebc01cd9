// Where a UDF volume lies: its descriptors and tables, then each directory
// and file in one walk of the tree, every block mapped through the partition
// maps (physical, sparable, virtual, metadata) to the sectors of the medium.
#include <algorithm>

#include "ByteView.h"
#include "Directory.h"
#include "FileEntry.h"
#include "Limits.h"
#include "ReadBudget.h"
#include "Tag.h"
#include "UdfFileSystem.h"
#include "fs/Path.h"

namespace wrenlo {
namespace {

using udf::BlockAddress;

Result Visit(const LayoutVisitor& visit, LayoutKind kind, std::u16string_view name,
             std::uint64_t size, const std::vector<Extent>& runs, Result result) {
  LayoutItem item;
  item.kind = kind;
  item.name = name;
  item.size = size;
  item.extents = runs;
  item.result = result;
  return visit(item);
}

// The sectors of an entry's data, in file order; embedded data lies in the
// entry's own sector.
Result DataRuns(const udf::LogicalVolume& volume, const udf::FileEntry& entry,
                std::uint64_t entrySector, std::vector<Extent>& out) {
  if (entry.form == udf::AllocationForm::kEmbedded) {
    if (entry.informationLength > entry.descriptorsLength) return kCorruptFileSystem;
    if (entry.informationLength > 0) out.push_back({entrySector, 1});
    return kOk;
  }
  return udf::MapDataSectors(volume, entry, out);
}

// An entry's sector and the sectors of its data; what could be placed of
// them when the entry or its descriptors fail.
Result EntryRuns(const udf::LogicalVolume& volume, BlockAddress icb, udf::FileEntry& entry,
                 std::uint64_t& sector, std::vector<Extent>& entryRuns,
                 std::vector<Extent>& dataRuns) {
  if (const Result result = volume.SectorOf(icb, sector); result != kOk) return result;
  entryRuns.push_back({sector, 1});
  if (const Result result = udf::ReadFileEntry(volume, icb, entry); result != kOk) return result;
  return DataRuns(volume, entry, sector, dataRuns);
}

class TreeWalk {
 public:
  TreeWalk(const udf::LogicalVolume& volume, const udf::ReadBudget& budget,
           const LayoutVisitor& visit)
      : volume_(volume), budget_(budget), visit_(visit) {}

  Result Directory(BlockAddress icb, const std::u16string& path) {
    udf::FileEntry entry;
    std::uint64_t sector = 0;
    std::vector<Extent> runs, data;
    udf::DirectoryListing listing;
    Result read = EntryRuns(volume_, icb, entry, sector, runs, data);
    if (read == kOk) read = udf::ReadDirectory(volume_, entry, listing);
    if (read == kOk && ancestors_.size() >= udf::kMaxPathDepth) read = kTooLarge;
    if (budget_.Exhausted()) return kTooLarge;
    for (const Extent& run : data)
      if (!udf::AppendRun(runs, run.start, run.count)) return kTooLarge;
    const std::u16string name = path.empty() ? u"Root directory" : u"Directory " + path;
    LayoutItem item;
    item.name = name;
    item.directory = path.empty() ? u"/" : std::u16string_view(path);
    item.extents = runs;
    item.result = read;
    if (const Result result = visit_(item); result != kOk) return result;
    if (read != kOk) return kOk;

    ancestors_.push_back(sector);
    for (const udf::DirectoryRecord& child : listing.Records()) {
      const std::u16string childPath = ChildPath(path, child.name);
      const Result result =
          child.isDirectory ? Subdirectory(child.icb, childPath) : File(child.icb, childPath);
      if (result != kOk) return result;
    }
    ancestors_.pop_back();
    return kOk;
  }

 private:
  // A directory that is one of its own ancestors is not walked again.
  Result Subdirectory(BlockAddress icb, const std::u16string& path) {
    std::uint64_t sector = 0;
    if (volume_.SectorOf(icb, sector) == kOk &&
        std::find(ancestors_.begin(), ancestors_.end(), sector) != ancestors_.end())
      return kOk;
    return Directory(icb, path);
  }

  Result File(BlockAddress icb, const std::u16string& path) {
    udf::FileEntry entry;
    std::uint64_t sector = 0;
    std::vector<Extent> entryRuns, data;
    Result read = EntryRuns(volume_, icb, entry, sector, entryRuns, data);
    if (read == kOk && entry.fileType == udf::kFileTypeDirectory) read = kCorruptFileSystem;
    if (budget_.Exhausted()) return kTooLarge;
    const std::uint64_t size =
        entryRuns.empty() || read == kCorruptFileSystem ? 0 : entry.informationLength;
    if (const Result result = Visit(visit_, LayoutKind::kFile, path, size, data, read);
        result != kOk)
      return result;
    return Visit(visit_, LayoutKind::kStructure, u"File entry of " + path, 0, entryRuns, kOk);
  }

  const udf::LogicalVolume& volume_;
  const udf::ReadBudget& budget_;
  const LayoutVisitor& visit_;
  std::vector<std::uint64_t> ancestors_;  // entry sectors of the directories walked into
};

void AddExtent(std::vector<Extent>& runs, const udf::ExtentAd& extent) {
  if (extent.length != 0) runs.push_back({extent.location, extent.Sectors()});
}

// The sectors of an entry and of its data, as far as they can be placed.
std::vector<Extent> EntryAndData(const udf::LogicalVolume& volume, BlockAddress icb) {
  udf::FileEntry entry;
  std::uint64_t sector = 0;
  std::vector<Extent> runs, data;
  EntryRuns(volume, icb, entry, sector, runs, data);
  runs.insert(runs.end(), data.begin(), data.end());
  return runs;
}

// The metadata file or its mirror: its entry and its runs.
std::vector<Extent> MetadataRuns(const udf::LogicalVolume& volume, std::uint16_t underlying,
                                 std::uint32_t entryBlock,
                                 const std::vector<udf::MetadataRun>& metadata) {
  std::vector<Extent> runs;
  std::uint64_t sector = 0;
  if (volume.SectorOf({entryBlock, underlying}, sector) == kOk) runs.push_back({sector, 1});
  for (const udf::MetadataRun& run : metadata)
    if (volume.Map({run.block, underlying}, run.count, false, runs) != kOk) break;
  return runs;
}

}  // namespace

Result UdfFileSystem::Layout(const LayoutVisitor& visit) const {
  // A sound volume's walk reads each of its sectors about once (hard links
  // read an entry again); twice the medium and a margin leave room for them
  // and end a walk that a hostile volume would make endless.
  udf::ReadBudget budget(volume_.Source(), 2ull * volume_.Source().SectorCount() + (1u << 18));
  udf::LogicalVolume volume(budget);
  volume.Partitions() = volume_.Partitions();

  std::vector<std::pair<std::u16string, std::vector<Extent>>> structures;
  const auto add = [&](std::u16string name, std::vector<Extent> runs) {
    if (!runs.empty()) structures.emplace_back(std::move(name), std::move(runs));
  };

  std::vector<Extent> anchors;
  const std::uint64_t start = places_.sessionStart, end = places_.sessionEnd;
  for (const std::uint64_t address : {start + 256, end - 1, end - 257}) {
    udf::Sector sector;
    std::uint16_t id = 0;
    if (address < start || address >= end ||
        std::any_of(anchors.begin(), anchors.end(),
                    [&](const Extent& e) { return e.start == address; }) ||
        udf::ReadSector(budget, address, sector) != kOk ||
        udf::CheckTag(sector, static_cast<std::uint32_t>(address), id) != kOk ||
        id != udf::kTagAnchor)
      continue;
    anchors.push_back({address, 1});
  }
  add(u"Anchor volume descriptor pointers", std::move(anchors));
  std::vector<Extent> runs;
  AddExtent(runs, places_.main);
  add(u"Main volume descriptor sequence", std::move(runs));
  runs = {};
  AddExtent(runs, places_.reserve);
  add(u"Reserve volume descriptor sequence", std::move(runs));
  runs = {};
  AddExtent(runs, places_.integrity);
  add(u"Logical volume integrity sequence", std::move(runs));
  runs = {};
  std::uint64_t fileSet = 0;
  if (volume.SectorOf(places_.fileSet, fileSet) == kOk) runs.push_back({fileSet, 1});
  add(u"File set descriptor", std::move(runs));

  runs = {};
  for (std::size_t i = 0; i < places_.maps.size() && i < volume.Partitions().size(); ++i) {
    const udf::PartitionMap& map = places_.maps[i];
    const udf::Partition& partition = volume.Partitions()[i];
    if (map.kind == udf::MapKind::kSparable) {
      const std::uint32_t sectors =
          std::max<std::uint32_t>(1, udf::ExtentAd{map.sparingTableBytes, 0}.Sectors());
      for (const std::uint32_t table : map.sparingTables) runs.push_back({table, sectors});
    } else if (map.kind == udf::MapKind::kMetadata) {
      add(u"Metadata file",
          MetadataRuns(volume, partition.underlying, map.metadataFile, partition.metadata));
      add(u"Metadata mirror file",
          MetadataRuns(volume, partition.underlying, map.metadataMirror, partition.mirror));
      if (map.metadataBitmap != 0xFFFFFFFF)
        add(u"Metadata bitmap file",
            EntryAndData(volume, {map.metadataBitmap, partition.underlying}));
    }
  }
  add(u"Sparing tables", std::move(runs));

  // Each partition's space bitmaps and tables (ECMA-167 4/14.3).
  using Run = udf::PartitionRun udf::PartitionDescriptor::*;
  static constexpr std::pair<Run, const char16_t*> kSpace[] = {
      {&udf::PartitionDescriptor::unallocatedBitmap, u"Unallocated space bitmap"},
      {&udf::PartitionDescriptor::freedBitmap, u"Freed space bitmap"},
      {&udf::PartitionDescriptor::unallocatedTable, u"Unallocated space table"},
      {&udf::PartitionDescriptor::freedTable, u"Freed space table"},
  };
  for (const auto& [member, name] : kSpace) {
    runs = {};
    for (const udf::PartitionDescriptor& partition : places_.partitions) {
      const udf::PartitionRun& run = partition.*member;
      if (run.Bytes() != 0)
        runs.push_back(
            {std::uint64_t{partition.start} + run.block, udf::ExtentAd{run.Bytes(), 0}.Sectors()});
    }
    add(name, std::move(runs));
  }

  // The system stream directory and its streams (OSTA UDF 3.3.7).
  if (places_.systemStreams) {
    add(u"System stream directory", EntryAndData(volume, *places_.systemStreams));
    udf::FileEntry entry;
    udf::DirectoryListing streams;
    if (udf::ReadFileEntry(volume, *places_.systemStreams, entry) == kOk &&
        udf::ReadDirectory(volume, entry, streams) == kOk)
      for (const udf::DirectoryRecord& stream : streams.Records())
        add(u"Stream " + stream.name, EntryAndData(volume, stream.icb));
  }

  if (places_.vatEntry) add(u"Virtual allocation table", EntryAndData(volume, *places_.vatEntry));

  for (const auto& [name, structureRuns] : structures)
    if (const Result result = Visit(visit, LayoutKind::kStructure, name, 0, structureRuns, kOk);
        result != kOk)
      return result;
  TreeWalk walk(volume, budget, visit);
  return walk.Directory(root_, u"");
}

}  // namespace wrenlo
