#include "core/damage/DiscLayout.h"

namespace {

struct Listing {
  DiscLayout& out;
  const std::atomic<bool>* cancel;
};

EntryKind KindOf(std::int32_t kind) {
  switch (kind) {
    case wrenlo::kLayoutFile:
      return EntryKind::File;
    case wrenlo::kLayoutLink:
      return EntryKind::Link;
    case wrenlo::kLayoutAudioTrack:
      return EntryKind::AudioTrack;
    case wrenlo::kLayoutDataTrack:
      return EntryKind::DataTrack;
    case wrenlo::kLayoutLeadOut:
      return EntryKind::LeadOut;
    default:
      return EntryKind::Structure;
  }
}

std::int32_t Add(void* context, const wrenlo::LayoutRecord* record) {
  Listing& listing = *static_cast<Listing*>(context);
  if (listing.cancel != nullptr && listing.cancel->load(std::memory_order_relaxed))
    return kLayoutCancelled;
  LayoutEntry entry;
  entry.kind = KindOf(record->kind);
  entry.name.assign(record->name, static_cast<std::size_t>(record->nameLength));
  if (record->targetLength > 0)
    entry.target.assign(record->target, static_cast<std::size_t>(record->targetLength));
  if (record->directoryLength > 0)
    entry.directory.assign(record->directory, static_cast<std::size_t>(record->directoryLength));
  entry.size = record->size;
  entry.result = record->result;
  entry.filesTestTree = (record->flags & wrenlo::kLayoutFilesTestTree) != 0;
  for (std::int32_t i = 0; i < record->runCount; ++i) {
    const wrenlo::SectorRun& run = record->runs[i];
    if (run.count != 0) entry.ranges.push_back({run.first, run.first + run.count - 1});
  }
  listing.out.entries.push_back(std::move(entry));
  return 0;
}

}  // namespace

std::int32_t ReadDiscLayout(std::int32_t device, std::int32_t track, std::int32_t fileSystem,
                            DiscLayout& out, const std::atomic<bool>* cancel) {
  out = {};
  wrenlo::Handle session = 0;
  out.result = wrenlo::OpenDiskSession(device, track, &session, fileSystem);
  if (out.result != 0) return out.result;
  Listing listing{out, cancel};
  out.result = wrenlo::ListSessionLayout(session, Add, &listing);
  wrenlo::CloseDiskSession(session);
  return out.result;
}

std::int32_t ReadMediumLayout(std::int32_t device, DiscLayout& out,
                              const std::atomic<bool>* cancel) {
  out = {};
  Listing listing{out, cancel};
  out.result = wrenlo::ListMediumLayout(device, Add, &listing);
  return out.result;
}

std::uint64_t FileByteOffset(const LayoutEntry& file, std::uint64_t sector) {
  std::uint64_t before = 0;
  for (const SectorRange& range : file.ranges) {
    if (sector >= range.first && sector <= range.last)
      return (before + sector - range.first) * wrenlo::kSectorSize;
    before += range.last - range.first + 1;
  }
  return 0;
}
