#include "fs/iso9660/RockRidge.h"

#include <algorithm>

#include "fs/iso9660/IsoDates.h"

namespace wrenlo {

namespace {

constexpr std::size_t kSectorSize = 2048;
// An entry: signature (2 bytes), length (1), version (1), then its data.
constexpr std::size_t kEntryHeader = 4;
// CE: block, offset and length of the next area, each both-endian (8 bytes).
constexpr std::size_t kContinuationLength = 28;
// CL and PL: a block, both-endian.
constexpr std::size_t kLinkLength = 12;
// NM flags.
constexpr std::uint8_t kNameContinues = 0x01;
constexpr std::uint8_t kNameCurrent = 0x02;
constexpr std::uint8_t kNameParent = 0x04;
constexpr std::uint8_t kNameHost = 0x20;
// SL component flags: the component goes on in the next one; it is ".",
// "..", or the root.
constexpr std::uint8_t kComponentContinues = 0x01;
constexpr std::uint8_t kComponentCurrent = 0x02;
constexpr std::uint8_t kComponentParent = 0x04;
constexpr std::uint8_t kComponentRoot = 0x08;
// TF flags: which times follow, in this order (creation first), and whether
// they are 17-byte dates rather than 7-byte ones.
constexpr std::uint8_t kTimeCreation = 0x01;
constexpr std::uint8_t kTimeModify = 0x02;
constexpr std::uint8_t kTimeLongForm = 0x80;

bool Is(Bytes entry, char first, char second) {
  return entry[0] == static_cast<std::uint8_t>(first) &&
         entry[1] == static_cast<std::uint8_t>(second);
}

struct Continuation {
  std::uint32_t block = 0, offset = 0, length = 0;
};

// A link target put together from the component records of SL entries,
// which may split one component over several records and entries.
class LinkTarget {
 public:
  // Adds the component records of one SL entry's data (past its flags).
  Result Add(Bytes components) {
    std::size_t at = 0;
    while (at < components.size()) {
      if (components.size() - at < 2) return kCorruptFileSystem;
      const std::uint8_t flags = components[at];
      const std::size_t length = components[at + 1];
      if (length > components.size() - at - 2) return kCorruptFileSystem;
      const Bytes content = components.subspan(at + 2, length);
      at += 2 + length;
      if ((flags & kComponentRoot) != 0) {
        absolute_ = true;
        parts_.clear();
        continuing_ = false;
        continue;
      }
      if (!continuing_) parts_.emplace_back();
      std::vector<std::uint8_t>& part = parts_.back();
      if ((flags & kComponentCurrent) != 0)
        part.push_back('.');
      else if ((flags & kComponentParent) != 0)
        part.insert(part.end(), 2, '.');
      else
        part.insert(part.end(), content.begin(), content.end());
      continuing_ = (flags & kComponentContinues) != 0;
      bytes_ += length + 1;
      if (bytes_ > kMaxLinkTarget) return kTooLarge;
    }
    return kOk;
  }

  std::vector<std::uint8_t> Text() const {
    std::vector<std::uint8_t> text;
    if (absolute_) text.push_back('/');
    for (std::size_t i = 0; i < parts_.size(); ++i) {
      if (i != 0) text.push_back('/');
      text.insert(text.end(), parts_[i].begin(), parts_[i].end());
    }
    return text;
  }

 private:
  bool absolute_ = false;
  bool continuing_ = false;
  std::size_t bytes_ = 0;
  std::vector<std::vector<std::uint8_t>> parts_;
};

// The modification time of a TF entry's data (its flags, then the times);
// unknown when it records none or the entry is too short for it.
FileTime ModifyTime(Bytes data) {
  const std::uint8_t flags = data[0];
  if ((flags & kTimeModify) == 0) return {};
  const std::size_t size = (flags & kTimeLongForm) != 0 ? kLongDateLength : kShortDateLength;
  const std::size_t at = 1 + ((flags & kTimeCreation) != 0 ? size : 0);
  const Bytes date = Slice(data, at, size);
  if (date.empty()) return {};
  return size == kLongDateLength ? DecodeLongDate(date) : DecodeShortDate(date);
}

}  // namespace

std::optional<std::uint8_t> SuspSkip(Bytes rootSystemUse) {
  // SP: "SP", length 7, version 1, check bytes BE EF, bytes skipped.
  if (rootSystemUse.size() < 7 || !Is(rootSystemUse, 'S', 'P') || rootSystemUse[2] < 7 ||
      rootSystemUse[4] != 0xBE || rootSystemUse[5] != 0xEF)
    return std::nullopt;
  return rootSystemUse[6];
}

Result ContinuationAreas::Read(std::uint32_t block, std::uint32_t offset, std::uint32_t length,
                               Bytes& out) {
  if (block >= source_.SectorCount() || offset >= kSectorSize || length > kSectorSize - offset)
    return kCorruptFileSystem;
  if (held_ != block) {
    if (reads_ == kMaxContinuationReads) return kTooLarge;
    ++reads_;
    if (std::find(sectors_.begin(), sectors_.end(), block) == sectors_.end())
      sectors_.push_back(block);
    sector_.resize(kSectorSize);
    held_.reset();
    if (const Result read = source_.Read(block, 1, sector_.data()); read != kOk) return read;
    held_ = block;
  }
  out = Bytes(sector_).subspan(offset, length);
  return kOk;
}

Result ForEachSuspEntry(Bytes systemUse, std::uint8_t skip, ContinuationAreas& areas,
                        const std::function<bool(Bytes entry)>& visit) {
  Bytes area = skip < systemUse.size() ? systemUse.subspan(skip) : Bytes{};
  for (int followed = 0;; ++followed) {
    std::optional<Continuation> next;
    std::size_t at = 0;
    while (area.size() - at >= kEntryHeader) {
      const Bytes entry = area.subspan(at);
      const std::size_t length = entry[2];
      // Zeros after the last entry pad the field or area.
      if (entry[0] == 0 && entry[1] == 0 && length == 0) break;
      if (length < kEntryHeader || length > entry.size()) return kCorruptFileSystem;
      if (Is(entry, 'S', 'T')) return kOk;
      if (Is(entry, 'C', 'E') && length >= kContinuationLength) {
        if (!next) next = Continuation{Le32(entry, 4), Le32(entry, 12), Le32(entry, 20)};
      } else if (!visit(entry.first(length))) {
        return kOk;
      }
      at += length;
    }
    if (!next) return kOk;
    if (followed == kMaxContinuationAreas) return kTooLarge;
    if (const Result read = areas.Read(next->block, next->offset, next->length, area); read != kOk)
      return read;
  }
}

Result DecodeRockRidge(Bytes systemUse, std::uint8_t skip, ContinuationAreas& areas,
                       RockRidgeEntries& out) {
  out = {};
  bool special = false;   // an NM entry naming ".", ".." or the host
  bool nameDone = false;  // an NM entry without the flag that more follows
  std::optional<LinkTarget> link;
  Result failed = kOk;
  const Result walked = ForEachSuspEntry(systemUse, skip, areas, [&](Bytes entry) {
    const Bytes data = entry.subspan(kEntryHeader);
    if (Is(entry, 'N', 'M') && !data.empty() && !nameDone) {
      const std::uint8_t flags = data[0];
      if ((flags & (kNameCurrent | kNameParent | kNameHost)) != 0) special = true;
      const Bytes part = data.subspan(1);
      if (out.name.size() + part.size() > kMaxRockRidgeName) failed = kTooLarge;
      out.name.insert(out.name.end(), part.begin(), part.end());
      nameDone = (flags & kNameContinues) == 0;
    } else if (Is(entry, 'S', 'L') && !data.empty()) {
      if (!link) link.emplace();
      failed = link->Add(data.subspan(1));
    } else if (Is(entry, 'C', 'L') && entry.size() >= kLinkLength) {
      out.childLink = Le32(entry, 4);
    } else if (Is(entry, 'R', 'E')) {
      out.relocated = true;
    } else if (Is(entry, 'T', 'F') && !data.empty()) {
      out.modified = ModifyTime(data);
    }
    return failed == kOk;
  });
  if (walked != kOk) return walked;
  if (failed != kOk) return failed;
  if (special) out.name.clear();
  if (link) out.linkTarget = link->Text();
  return kOk;
}

}  // namespace wrenlo
