#include "core/verify/SessionDigests.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::uint64_t kBlock = 2048;
constexpr std::uint64_t kDescriptorBlock = 16;
constexpr char kTagStart[] = "libisofs_";
// xorriso's first tag follows the volume descriptors; a session with none in
// its first blocks (tags looked for as they come) has none.
constexpr std::uint64_t kTagProbeBlocks = 64;

}  // namespace

SessionDigests::SessionDigests(std::uint64_t start, const RecordedMd5s* recorded)
    : start_(start), end_(start + kTagProbeBlocks) {
  if (recorded == nullptr) runs_.push_back({start_, Digest(HashKind::Md5), start_, false});
  if (recorded != nullptr) {
    area_ = recorded->Area();
    areaMd5_ = recorded->SessionMd5();
    arrayIntact_ = recorded->ArrayIntact();
    // The session tag follows the array.
    const std::uint64_t arrayBlocks = (area_->count * area_->itemSize + kBlock - 1) / kBlock;
    end_ = std::max(end_, area_->end + arrayBlocks + 1);
    runs_.push_back({start_, Digest(HashKind::Md5), start_, false});
    if (area_->start != start_)
      runs_.push_back({area_->start, Digest(HashKind::Md5), area_->start, false});
  }
}

void SessionDigests::ExpectImplanted(const ImplantedMd5& implanted) {
  implanted_ = implanted;
  end_ = std::max(end_, start_ + implanted.sectors);
}

bool SessionDigests::Wanted() const { return implanted_.has_value() || area_.has_value(); }

SessionDigests::Run* SessionDigests::RunFrom(std::uint64_t block) {
  const auto found =
      std::find_if(runs_.begin(), runs_.end(), [&](const Run& run) { return run.from == block; });
  return found == runs_.end() ? nullptr : &*found;
}

void SessionDigests::CheckTag(const ChecksumTag& tag) {
  // A relocated superblock names where its session starts: a range that
  // begins there follows.
  if (tag.sessionStart && *tag.sessionStart > tag.position && !RunFrom(*tag.sessionStart))
    runs_.push_back({*tag.sessionStart, Digest(HashKind::Md5), *tag.sessionStart, false});
  Run* run = RunFrom(tag.rangeStart);
  if (run == nullptr || tag.rangeStart + tag.rangeSize != tag.position) return;
  if (!area_) end_ = std::max(end_, tag.next ? *tag.next + 1 : tag.position + 1);
  tagFound_ = true;
  nextTag_ = tag.next;
  const bool read = !run->broken && run->next == tag.position;
  const DigestBytes md5(tag.md5.begin(), tag.md5.end());
  const CheckOutcome outcome = !read                     ? CheckOutcome::Unchecked
                               : run->md5.Value() == md5 ? CheckOutcome::Matched
                                                         : CheckOutcome::Differs;
  tags_ = Combine(tags_, outcome);
}

void SessionDigests::Feed(std::uint64_t block, const std::uint8_t* data) {
  if (block < start_ || block >= end_) return;
  const std::uint64_t offset = block - start_;
  if (offset == kDescriptorBlock && !descriptorSeen_) {
    descriptorSeen_ = true;
    if (data != nullptr && !implanted_)
      if (const auto found = DecodeImplantedMd5({data, kBlock})) ExpectImplanted(*found);
  }
  // Up to the descriptor any session may hold an implanted MD5; after it,
  // only one whose descriptor does.
  const bool implantedCovers =
      implanted_ ? offset < implanted_->sectors : offset <= kDescriptorBlock;
  if (implantedCovers && !implantedBroken_) {
    if (data == nullptr || offset != implantedFed_) {
      implantedBroken_ = true;
    } else if (offset == kDescriptorBlock) {
      // The application-use area as it was before the implant: spaces.
      std::array<std::uint8_t, kBlock> descriptor;
      std::memcpy(descriptor.data(), data, kBlock);
      std::memset(descriptor.data() + kApplicationUseOffset, ' ', kApplicationUseSize);
      implantedMd5_.Update(descriptor.data(), kBlock);
      ++implantedFed_;
    } else {
      implantedMd5_.Update(data, kBlock);
      ++implantedFed_;
    }
  }
  if (!lookForTags_) return;
  if (!area_ && !tagFound_ && offset + 1 == kTagProbeBlocks) {
    // No tag where the first one lies: nothing more to hash.
    lookForTags_ = false;
    runs_.clear();
    end_ = implanted_ ? std::max(start_ + kTagProbeBlocks, start_ + implanted_->sectors)
                      : start_ + kTagProbeBlocks;
    return;
  }
  // A tag covers the blocks before it, so it is checked before it is added.
  if (data != nullptr && std::memcmp(data, kTagStart, sizeof kTagStart - 1) == 0) {
    const std::optional<ChecksumTag> tag = DecodeChecksumTag({data, kBlock});
    if (tag && tag->position == block) CheckTag(*tag);
  }
  for (Run& run : runs_) {
    if (block < run.from || run.broken) continue;
    if (data == nullptr || block != run.next) {
      run.broken = true;
      continue;
    }
    run.md5.Update(data, kBlock);
    ++run.next;
  }
  if (area_ && block + 1 == area_->end) {
    const Run* run = RunFrom(area_->start);
    const bool read = run != nullptr && !run->broken && run->next == area_->end;
    areaOutcome_ = !read                          ? CheckOutcome::Unchecked
                   : run->md5.Value() == areaMd5_ ? CheckOutcome::Matched
                                                  : CheckOutcome::Differs;
  }
}

CheckOutcome SessionDigests::Implanted() const {
  if (!implanted_) return CheckOutcome::None;
  if (implantedBroken_ || implantedFed_ != implanted_->sectors) return CheckOutcome::Unchecked;
  const DigestBytes md5(implanted_->md5.begin(), implanted_->md5.end());
  return implantedMd5_.Value() == md5 ? CheckOutcome::Matched : CheckOutcome::Differs;
}

CheckOutcome SessionDigests::Session() const {
  const CheckOutcome tags = nextTag_ ? Combine(tags_, CheckOutcome::Unchecked) : tags_;
  if (!area_) return tags;
  const CheckOutcome array = arrayIntact_ ? CheckOutcome::Matched : CheckOutcome::Differs;
  return Combine(Combine(tags, areaOutcome_), array);
}
