#include "core/verify/ImplantedMd5.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "core/verify/Digest.h"

namespace {

// Sectors left out at the end when the area names none (isomd5sum's own
// default).
constexpr std::uint64_t kDefaultSkip = 15;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The value of the field key (spaces around '=' and the key allowed).
std::optional<std::string_view> Field(std::string_view area, std::string_view key) {
  std::size_t begin = 0;
  while (begin < area.size()) {
    std::size_t end = area.find(';', begin);
    if (end == std::string_view::npos) end = area.size();
    const std::string_view field = area.substr(begin, end - begin);
    begin = end + 1;
    const std::size_t equals = field.find('=');
    if (equals != std::string_view::npos && Trim(field.substr(0, equals)) == key)
      return Trim(field.substr(equals + 1));
  }
  return std::nullopt;
}

}  // namespace

std::optional<ImplantedMd5> DecodeImplantedMd5(std::span<const std::uint8_t> descriptor) {
  // A primary volume descriptor: type 1, "CD001".
  if (descriptor.size() < 2048 || descriptor[0] != 1 ||
      std::string_view(reinterpret_cast<const char*>(descriptor.data()) + 1, 5) != "CD001")
    return std::nullopt;
  const std::string_view area(
      reinterpret_cast<const char*>(descriptor.data()) + kApplicationUseOffset,
      kApplicationUseSize);
  const std::optional<std::string_view> sum = Field(area, "ISO MD5SUM");
  if (!sum || sum->size() != 32) return std::nullopt;
  const std::optional<DigestBytes> md5 = HexBytes(*sum);
  if (!md5) return std::nullopt;
  std::uint64_t skip = kDefaultSkip;
  if (const std::optional<std::string_view> text = Field(area, "SKIPSECTORS")) {
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), skip);
    if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  }
  // The volume space size, both-endian: its little-endian half at 80.
  const std::uint64_t volume = std::uint64_t{descriptor[80]} | std::uint64_t{descriptor[81]} << 8 |
                               std::uint64_t{descriptor[82]} << 16 |
                               std::uint64_t{descriptor[83]} << 24;
  if (skip >= volume) return std::nullopt;
  ImplantedMd5 implanted;
  std::copy(md5->begin(), md5->end(), implanted.md5.begin());
  implanted.sectors = volume - skip;
  return implanted;
}
