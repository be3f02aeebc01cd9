#include "fs/iso9660/RockRidge.h"

namespace wrenlo {

namespace {

constexpr std::size_t kSectorSize = 2048;
// An entry: signature (2 bytes), length (1), version (1), then its data.
constexpr std::size_t kEntryHeader = 4;
// CE: block, offset and length of the next area, each both-endian (8 bytes).
constexpr std::size_t kContinuationLength = 28;
// NM: flags (1 byte), then a part of the name.
constexpr std::uint8_t kNameContinues = 0x01;
constexpr std::uint8_t kNameCurrent = 0x02;
constexpr std::uint8_t kNameParent = 0x04;
constexpr std::uint8_t kNameHost = 0x20;

bool Is(Bytes entry, char first, char second) {
  return entry[0] == static_cast<std::uint8_t>(first) &&
         entry[1] == static_cast<std::uint8_t>(second);
}

struct Continuation {
  std::uint32_t block = 0, offset = 0, length = 0;
};

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
      if (Is(entry, 'C', 'E') && length >= kContinuationLength && !next)
        next = Continuation{Le32(entry, 4), Le32(entry, 12), Le32(entry, 20)};
      else if (!visit(entry.first(length)))
        return kOk;
      at += length;
    }
    if (!next) return kOk;
    if (followed == kMaxContinuationAreas) return kTooLarge;
    if (const Result read = areas.Read(next->block, next->offset, next->length, area); read != kOk)
      return read;
  }
}

Result RockRidgeName(Bytes systemUse, std::uint8_t skip, ContinuationAreas& areas,
                     std::vector<std::uint8_t>& name) {
  name.clear();
  bool found = false;
  bool special = false;  // an NM entry naming ".", ".." or the host
  bool tooLong = false;
  const Result walked = ForEachSuspEntry(systemUse, skip, areas, [&](Bytes entry) {
    if (!Is(entry, 'N', 'M') || entry.size() <= kEntryHeader) return true;
    const std::uint8_t flags = entry[4];
    if ((flags & (kNameCurrent | kNameParent | kNameHost)) != 0) special = true;
    const Bytes part = entry.subspan(kEntryHeader + 1);
    if (name.size() + part.size() > kMaxRockRidgeName) {
      tooLong = true;
      return false;
    }
    name.insert(name.end(), part.begin(), part.end());
    found = true;
    // An NM entry without the flag that more follows ends the name.
    return (flags & kNameContinues) != 0;
  });
  if (walked != kOk) return walked;
  if (tooLong) return kTooLarge;
  if (!found || special || name.empty()) {
    name.clear();
    return kNotFound;
  }
  return kOk;
}

}  // namespace wrenlo
