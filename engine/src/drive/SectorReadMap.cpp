#include "SectorReadMap.h"

#include <algorithm>

namespace wrenlo::drive {

namespace {

constexpr std::uint64_t kAddressEnd = 0x100000000ull;

SectorRead ReadFor(std::uint8_t mode) {
  if (mode == 1) return SectorRead::kBlocks;
  if (mode == 2) return SectorRead::kWholeData;
  return SectorRead::kAudio;
}

}  // namespace

SectorReadMap::SectorReadMap(const MediumLayout& layout) : cd_(true) {
  std::vector<Track> tracks;
  for (const TrackLayout& track : layout.tracks)
    tracks.push_back(
        {track.start, std::uint64_t{track.start} + track.sectorCount, ReadFor(track.mode)});
  std::sort(tracks.begin(), tracks.end(),
            [](const Track& a, const Track& b) { return a.start < b.start; });
  std::uint64_t covered = 0;
  for (Track track : tracks) {
    track.start = std::max(track.start, covered);
    if (track.start >= track.end) continue;
    tracks_.push_back(track);
    covered = track.end;
  }
}

SectorReadMap::Run SectorReadMap::At(std::uint32_t address) const {
  // The first track that ends after address.
  const auto it = std::upper_bound(tracks_.begin(), tracks_.end(), std::uint64_t{address},
                                   [](std::uint64_t a, const Track& t) { return a < t.end; });
  if (it == tracks_.end()) return {SectorRead::kBlocks, kAddressEnd};
  if (it->start > address) return {SectorRead::kBlocks, it->start};
  return {it->how, it->end};
}

}  // namespace wrenlo::drive
