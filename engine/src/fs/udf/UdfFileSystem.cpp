#include "UdfFileSystem.h"

#include <algorithm>

#include "ByteView.h"
#include "FileEntry.h"
#include "IntegritySequence.h"
#include "Limits.h"
#include "PartitionLoader.h"
#include "Tag.h"
#include "VolumeDescriptors.h"
#include "fs/Path.h"

namespace wrenlo {
namespace {

using udf::BlockAddress;

// The file set descriptor (ECMA-167 4/14.1): where the root directory lies,
// and the system stream directory (OSTA UDF 2.3.2), when it has one.
Result ReadFileSet(const udf::LogicalVolume& volume, BlockAddress at, BlockAddress& root,
                   std::optional<BlockAddress>& systemStreams) {
  udf::Sector sector;
  std::uint16_t id = 0;
  if (const Result result = volume.ReadDescriptor(at, sector, id); result != kOk) return result;
  if (id != udf::kTagFileSet) return kCorruptFileSystem;
  udf::ByteView view(sector);
  root = udf::ReadLongAd(view, 400).address;
  const udf::LongAd streams = udf::ReadLongAd(view, 464);
  if ((streams.length & 0x3FFFFFFF) != 0) systemStreams = streams.address;
  return kOk;
}

}  // namespace

Result UdfFileSystem::Open(SectorSource& source, std::uint32_t sessionStart,
                           std::uint32_t sessionEnd, std::unique_ptr<UdfFileSystem>& out) {
  out.reset();
  sessionEnd = std::min(sessionEnd, source.SectorCount());
  if (sessionStart >= sessionEnd) return kInvalidArgument;

  udf::ExtentAd main, reserve;
  if (const Result result = udf::FindAnchor(source, sessionStart, sessionEnd, main, reserve);
      result != kOk)
    return result;
  udf::VolumeDescriptors descriptors;
  if (const Result result = udf::ReadVolumeDescriptors(source, main, reserve, descriptors);
      result != kOk)
    return result;
  const udf::LogicalVolumeDescriptor& logicalVolume = descriptors.logicalVolume;
  if (logicalVolume.blockSize != udf::kBlockSize) return kUnsupported;

  std::unique_ptr<UdfFileSystem> fileSystem(new UdfFileSystem(source));
  udf::VatFacts vat;
  if (const Result result =
          udf::LoadPartitions(descriptors, sessionStart, sessionEnd, fileSystem->volume_, vat);
      result != kOk)
    return result;
  udf::VolumePlaces& places = fileSystem->places_;
  places.sessionStart = sessionStart;
  places.sessionEnd = sessionEnd;
  places.main = main;
  places.reserve = reserve;
  places.integrity = logicalVolume.integrity;
  places.fileSet = logicalVolume.fileSet.address;
  places.maps = logicalVolume.maps;
  places.vatEntry = vat.entry;
  for (const udf::PartitionDescriptor& partition : descriptors.partitions)
    if (std::any_of(
            logicalVolume.maps.begin(), logicalVolume.maps.end(),
            [&](const udf::PartitionMap& map) { return map.partitionNumber == partition.number; }))
      places.partitions.push_back(partition);
  udf::IntegrityFacts integrity;
  if (const Result result = udf::ReadIntegritySequence(source, logicalVolume.integrity, integrity);
      result != kOk)
    return result;
  if (const Result result = ReadFileSet(fileSystem->volume_, logicalVolume.fileSet.address,
                                        fileSystem->root_, places.systemStreams);
      result != kOk)
    return result;
  udf::FileEntry root;
  if (const Result result = udf::ReadFileEntry(fileSystem->volume_, fileSystem->root_, root);
      result != kOk)
    return result;
  if (root.fileType != udf::kFileTypeDirectory) return kCorruptFileSystem;
  if (const Result result =
          fileSystem->volume_.SectorOf(fileSystem->root_, fileSystem->rootSector_);
      result != kOk)
    return result;

  UdfVolumeFacts& facts = fileSystem->facts_;
  // On write-once media the VAT header carries the volume's current name and
  // counts; its logical volume and integrity descriptors are those of the
  // blank disc.
  facts.label = vat.hasHeader && !vat.label.empty() ? vat.label : logicalVolume.label;
  facts.revision =
      logicalVolume.revision != 0 ? logicalVolume.revision : integrity.minimumReadRevision;
  if (vat.hasHeader) {
    facts.fileCount = vat.fileCount;
    facts.directoryCount = vat.directoryCount;
  } else if (integrity.hasCounts) {
    facts.fileCount = integrity.fileCount;
    facts.directoryCount = integrity.directoryCount;
  }
  out = std::move(fileSystem);
  return kOk;
}

std::u16string_view UdfFileSystem::TreeName() const { return u"UDF"; }

Result UdfFileSystem::Children(BlockAddress icb, ListingCache::Entries& out) const {
  std::uint64_t sector = 0;
  if (const Result result = volume_.SectorOf(icb, sector); result != kOk) return result;
  if ((out = cache_.Find(sector))) return kOk;

  udf::FileEntry entry;
  if (const Result result = udf::ReadFileEntry(volume_, icb, entry); result != kOk) return result;
  auto listing = std::make_shared<udf::DirectoryListing>();
  if (const Result result = udf::ReadDirectory(volume_, entry, *listing); result != kOk)
    return result;
  out = listing;
  cache_.Store(sector, listing, listing->Records().size());
  return kOk;
}

Result UdfFileSystem::Resolve(std::u16string_view path, Node& out) const {
  Node node{root_, true};
  std::vector<std::uint64_t> ancestors(1);
  if (const Result result = volume_.SectorOf(root_, ancestors.front()); result != kOk)
    return result;
  std::vector<std::u16string_view> names;
  if (!SplitPath(path, names)) return kNotFound;
  if (names.size() > udf::kMaxPathDepth) return kTooLarge;
  for (const std::u16string_view name : names) {
    if (!node.isDirectory) return kNotADirectory;
    ListingCache::Entries children;
    if (const Result result = Children(node.icb, children); result != kOk) return result;
    const udf::DirectoryRecord* child = children->Find(name);
    if (!child) return kNotFound;
    node = {child->icb, child->isDirectory};
    if (!node.isDirectory) continue;
    std::uint64_t sector = 0;
    if (const Result result = volume_.SectorOf(node.icb, sector); result != kOk) return result;
    if (std::find(ancestors.begin(), ancestors.end(), sector) != ancestors.end())
      return kCorruptFileSystem;
    ancestors.push_back(sector);
  }
  out = node;
  return kOk;
}

Result UdfFileSystem::ListDirectory(std::u16string_view path,
                                    std::vector<DirectoryItem>& out) const {
  return List(path, false, out);
}

Result UdfFileSystem::ListDirectoryWithTimes(std::u16string_view path,
                                             std::vector<DirectoryItem>& out) const {
  return List(path, true, out);
}

Result UdfFileSystem::List(std::u16string_view path, bool withTimes,
                           std::vector<DirectoryItem>& out) const {
  out.clear();
  Node node;
  if (const Result result = Resolve(path, node); result != kOk) return result;
  if (!node.isDirectory) return kNotADirectory;
  ListingCache::Entries children;
  if (const Result result = Children(node.icb, children); result != kOk) return result;
  out.reserve(children->Records().size());
  udf::FileEntry entry;
  for (const udf::DirectoryRecord& child : children->Records()) {
    // An entry that cannot be read leaves the time unknown; reading the
    // file later says why.
    const bool read = withTimes && udf::ReadFileEntry(volume_, child.icb, entry) == kOk;
    out.push_back({child.name, child.isDirectory, false, read ? entry.modified : FileTime{}});
  }
  return kOk;
}

Result UdfFileSystem::FileEntryOf(std::u16string_view path, udf::FileEntry& entry) const {
  Node node;
  if (const Result result = Resolve(path, node); result != kOk) return result;
  if (node.isDirectory) return kNotAFile;
  if (const Result result = udf::ReadFileEntry(volume_, node.icb, entry); result != kOk)
    return result;
  return entry.fileType == udf::kFileTypeDirectory ? kNotAFile : kOk;
}

Result UdfFileSystem::FileContentOf(std::u16string_view path, FileContent& out) const {
  out = FileContent{};
  udf::FileEntry entry;
  if (const Result result = FileEntryOf(path, entry); result != kOk) return result;
  std::vector<udf::DataExtent> extents;
  if (const Result result = udf::ListDataExtents(volume_, entry, extents); result != kOk)
    return result;
  if (entry.form == udf::AllocationForm::kEmbedded) {
    const auto data = entry.Descriptors().first(static_cast<std::size_t>(entry.informationLength));
    out.embedded.assign(data.begin(), data.end());
    return kOk;
  }
  std::vector<Extent> runs;
  for (const udf::DataExtent& extent : extents) {
    if (!extent.recorded) {
      out.pieces.push_back({0, extent.length, false});
      continue;
    }
    runs.clear();
    const std::uint32_t blocks = udf::ExtentAd{extent.length, 0}.Sectors();
    if (const Result result = volume_.Map(extent.address, blocks, false, runs); result != kOk)
      return result;
    // The runs fill their sectors but the last, which holds what is left.
    std::uint64_t left = extent.length;
    for (const Extent& run : runs) {
      const std::uint64_t bytes = std::min<std::uint64_t>(left, run.count * udf::kBlockSize);
      if (bytes != 0) out.pieces.push_back({run.start, bytes, true});
      left -= bytes;
    }
  }
  return kOk;
}

Result UdfFileSystem::FileExtents(std::u16string_view path, std::vector<Extent>& out) const {
  out.clear();
  udf::FileEntry entry;
  if (const Result result = FileEntryOf(path, entry); result != kOk) return result;
  if (const Result result = udf::MapDataSectors(volume_, entry, out); result != kOk) {
    out.clear();
    return result;
  }
  return kOk;
}

}  // namespace wrenlo
