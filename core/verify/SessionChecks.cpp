#include "core/verify/SessionChecks.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint64_t kBlock = 2048;
// Blocks a files test reads at once for the session's digests.
constexpr std::uint64_t kRun = 32;

}  // namespace

SessionDigests SessionDigestsFor(std::uint64_t start, const RecordedMd5s* recorded) {
  SessionDigests digests(start, recorded);
  std::vector<std::uint8_t> descriptor(kBlock);
  if (start + 16 <= INT32_MAX &&
      wrenlo::ReadSectors(wrenlo::kCurrentDevice, static_cast<std::int32_t>(start + 16), 1, 0,
                          descriptor.data(), static_cast<std::int32_t>(kBlock)) == 0)
    if (const std::optional<ImplantedMd5> implanted = DecodeImplantedMd5(descriptor))
      digests.ExpectImplanted(*implanted);
  return digests;
}

std::int32_t ReadForDigests(SessionDigests& digests, std::uint64_t start,
                            const std::function<bool()>& stop) {
  std::vector<std::uint8_t> buffer(kRun * kBlock);
  const std::uint64_t end = std::min<std::uint64_t>(digests.End(), INT32_MAX);
  for (std::uint64_t block = start; block < end && !stop(); block += kRun) {
    const auto count = static_cast<std::int32_t>(std::min(kRun, end - block));
    const std::int32_t result =
        wrenlo::ReadSectors(wrenlo::kCurrentDevice, static_cast<std::int32_t>(block), count, 0,
                            buffer.data(), static_cast<std::int32_t>(buffer.size()));
    if (result == wrenlo::kResultNoMedium) return result;
    for (std::int32_t i = 0; i < count; ++i)
      digests.Feed(block + static_cast<std::uint64_t>(i),
                   result == 0 ? buffer.data() + static_cast<std::size_t>(i) * kBlock : nullptr);
  }
  return 0;
}

SurfaceChecks::SurfaceChecks(const wrenlo::SessionInfo& session, bool whole,
                             std::shared_ptr<ImageComparison> image)
    : image_(std::move(image)) {
  const std::int32_t startSector = session.startSector;
  const std::int32_t sectorCount = session.sectorCount;
  start_ = static_cast<std::uint64_t>(std::max(startSector, 0));
  // A session too short for a volume descriptor records nothing. The scan
  // reads nothing for its checks: they are found in the blocks it reads.
  if (whole && sectorCount > 16) digests_.emplace(start_, nullptr);
  if (image_) {
    compare_.ran = true;
    compare_.image = image_->Path();
    compare_.imageSectors = image_->Sectors();
    compare_.sessionSectors = static_cast<std::uint64_t>(std::max(sectorCount, 0));
  }
}

SectorState SurfaceChecks::Read(std::int32_t sector, const std::uint8_t* data, SectorState state) {
  if (digests_) digests_->Feed(start_ + static_cast<std::uint64_t>(sector), data);
  if (!image_) return state;
  switch (image_->Compare(static_cast<std::uint64_t>(sector), data)) {
    case SectorMatch::Same:
      return state;
    case SectorMatch::Padding:
      ++compare_.paddingSectors;
      return state;
    case SectorMatch::BeyondImage:
      ++compare_.beyondImage;
      break;
    case SectorMatch::Differs:
      break;
  }
  return SectorState::Differs;
}

void SurfaceChecks::Unread(std::int32_t sector) {
  if (digests_) digests_->Feed(start_ + static_cast<std::uint64_t>(sector), nullptr);
}

void SurfaceChecks::Finish(VerifyResults& out) const {
  if (digests_) {
    out.implantedMd5 = digests_->Implanted();
    out.md5Tags.session = digests_->Session();
  }
  if (image_) {
    out.compare = compare_;
    out.compare.imageError = image_->ReadError();
  }
}
