#include "core/verify/XorrisoMd5.h"

#include <string_view>

namespace {

// A big-endian number of up to 8 bytes.
std::optional<std::uint64_t> Number(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > 8) return std::nullopt;
  std::uint64_t value = 0;
  for (const std::uint8_t byte : bytes) value = value << 8 | byte;
  return value;
}

// A number recorded as its length byte and that many bytes, from at.
std::optional<std::uint64_t> LengthAndNumber(std::span<const std::uint8_t> value, std::size_t& at) {
  if (at >= value.size()) return std::nullopt;
  const std::size_t length = value[at];
  if (length > value.size() - at - 1) return std::nullopt;
  const auto number = Number(value.subspan(at + 1, length));
  at += 1 + length;
  return number;
}

// The attribute name of the current device's session, whole.
std::optional<std::vector<std::uint8_t>> Attribute(wrenlo::Handle session,
                                                   const std::u16string& path, const char* name) {
  std::vector<std::uint8_t> value(64);
  std::int32_t size = static_cast<std::int32_t>(value.size());
  if (wrenlo::GetFileAttribute(session, path.c_str(), name, value.data(), &size) != 0)
    return std::nullopt;
  value.resize(static_cast<std::size_t>(size));
  return value;
}

}  // namespace

std::optional<ChecksumArea> DecodeChecksumArea(std::span<const std::uint8_t> value) {
  std::size_t at = 0;
  ChecksumArea area;
  const auto start = LengthAndNumber(value, at);
  const auto end = LengthAndNumber(value, at);
  const auto count = LengthAndNumber(value, at);
  const auto size = LengthAndNumber(value, at);
  if (!start || !end || !count || !size) return std::nullopt;
  const std::string_view type(reinterpret_cast<const char*>(value.data()) + at, value.size() - at);
  if (type != "MD5" || *size != 16 || *count < 2 || *count > kMaxChecksumEntries || *end < *start)
    return std::nullopt;
  area.start = *start;
  area.end = *end;
  area.count = *count;
  area.itemSize = *size;
  return area;
}

std::optional<std::uint64_t> DecodeChecksumIndex(std::span<const std::uint8_t> value) {
  if (value.empty()) return std::nullopt;
  return Number(value);
}

bool RecordedMd5s::Load(wrenlo::Handle isoSession) {
  const auto value = Attribute(isoSession, u"", "isofs.ca");
  if (!value) return false;
  const std::optional<ChecksumArea> area = DecodeChecksumArea(*value);
  if (!area || area->end > UINT32_MAX) return false;
  area_ = *area;
  const std::uint64_t bytes = area_.count * area_.itemSize;
  const auto sectors =
      static_cast<std::int32_t>((bytes + wrenlo::kSectorSize - 1) / wrenlo::kSectorSize);
  array_.assign(static_cast<std::size_t>(sectors) * wrenlo::kSectorSize, 0);
  if (wrenlo::ReadSectors(wrenlo::kCurrentDevice, static_cast<std::int32_t>(area_.end), sectors, 0,
                          array_.data(), static_cast<std::int32_t>(array_.size())) != 0)
    return false;
  array_.resize(static_cast<std::size_t>(bytes));
  const std::size_t last = static_cast<std::size_t>((area_.count - 1) * area_.itemSize);
  intact_ = DigestOf(HashKind::Md5, array_.data(), last) == Entry(area_.count - 1);
  return true;
}

DigestBytes RecordedMd5s::Entry(std::uint64_t index) const {
  const auto at = static_cast<std::ptrdiff_t>(index * area_.itemSize);
  return DigestBytes(array_.begin() + at, array_.begin() + at + 16);
}

std::optional<DigestBytes> RecordedMd5s::FileMd5(wrenlo::Handle isoSession,
                                                 const std::u16string& path) const {
  const auto value = Attribute(isoSession, path, "isofs.cx");
  if (!value) return std::nullopt;
  const std::optional<std::uint64_t> index = DecodeChecksumIndex(*value);
  // Entry 0 is the session's, the last the array's own.
  if (!index || *index == 0 || *index + 1 >= area_.count) return std::nullopt;
  return Entry(*index);
}
