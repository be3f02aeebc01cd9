#include "core/verify/ChecksumTag.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "core/verify/Digest.h"

namespace {

// A tag line is far shorter; the rest of the block is zeros.
constexpr std::size_t kMaxTagLine = 512;

struct TagName {
  std::string_view text;
  ChecksumTagKind kind;
};

constexpr TagName kTagNames[] = {
    {"libisofs_sb_checksum_tag_v1", ChecksumTagKind::Superblock},
    {"libisofs_tree_checksum_tag_v1", ChecksumTagKind::Tree},
    {"libisofs_checksum_tag_v1", ChecksumTagKind::Session},
    {"libisofs_rlsb32_checksum_tag_v1", ChecksumTagKind::RelocatedSuperblock},
};

// The value of " key=" in line, up to the next space or the line's end.
std::optional<std::string_view> Field(std::string_view line, std::string_view key) {
  std::size_t at = 0;
  while ((at = line.find(key, at)) != std::string_view::npos) {
    if (at > 0 && line[at - 1] == ' ' && at + key.size() < line.size() &&
        line[at + key.size()] == '=') {
      const std::size_t begin = at + key.size() + 1;
      const std::size_t end = std::min(line.find(' ', begin), line.size());
      return line.substr(begin, end - begin);
    }
    at += key.size();
  }
  return std::nullopt;
}

std::optional<std::uint64_t> Number(std::string_view line, std::string_view key) {
  const std::optional<std::string_view> text = Field(line, key);
  if (!text || text->empty()) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return value;
}

std::optional<DigestBytes> Md5Field(std::string_view line, std::string_view key) {
  const std::optional<std::string_view> text = Field(line, key);
  if (!text || text->size() != 32) return std::nullopt;
  return HexBytes(*text);
}

}  // namespace

std::optional<ChecksumTag> DecodeChecksumTag(std::span<const std::uint8_t> block) {
  const std::size_t limit = std::min(block.size(), kMaxTagLine);
  const auto* bytes = reinterpret_cast<const char*>(block.data());
  const std::string_view head(bytes, limit);
  const std::size_t newline = head.find('\n');
  if (newline == std::string_view::npos) return std::nullopt;
  const std::string_view line = head.substr(0, newline);
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  const std::string_view name = line.substr(0, space);
  const auto known = std::find_if(std::begin(kTagNames), std::end(kTagNames),
                                  [&](const TagName& tag) { return tag.text == name; });
  if (known == std::end(kTagNames)) return std::nullopt;

  ChecksumTag tag;
  tag.kind = known->kind;
  const auto position = Number(line, "pos");
  const auto rangeStart = Number(line, "range_start");
  const auto rangeSize = Number(line, "range_size");
  const auto md5 = Md5Field(line, "md5");
  const auto self = Md5Field(line, "self");
  if (!position || !rangeStart || !rangeSize || !md5 || !self) return std::nullopt;
  // The self checksum covers the line up to the last digit of md5=.
  const std::size_t md5At = line.find(" md5=");
  const std::size_t covered = md5At + 5 + 32;
  if (md5At == std::string_view::npos || covered > line.size() ||
      DigestOf(HashKind::Md5, block.data(), covered) != *self)
    return std::nullopt;
  tag.position = *position;
  tag.rangeStart = *rangeStart;
  tag.rangeSize = *rangeSize;
  tag.next = Number(line, "next");
  tag.sessionStart = Number(line, "session_start");
  std::copy(md5->begin(), md5->end(), tag.md5.begin());
  return tag;
}
