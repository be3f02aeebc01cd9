// The checksum tags xorriso writes with -md5 on: one 2048-byte block of
// text, padded with zeros, e.g.
//   libisofs_checksum_tag_v1 pos=164 range_start=32 range_size=132 md5=HEX self=HEX
// "self" is the MD5 of the line up to the last digit of md5=, so that a block
// of file data that only looks like a tag is not taken for one. The
// superblock tag (after the volume descriptors) and the tree tag (after the
// directories) name the next tag's block; the session tag follows all the
// session's data; a relocated superblock (the copy at block 0 of an image
// for overwriteable media) carries one of its own.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

enum class ChecksumTagKind : std::uint8_t { Superblock, Tree, Session, RelocatedSuperblock };

struct ChecksumTag {
  ChecksumTagKind kind = ChecksumTagKind::Session;
  std::uint64_t position = 0;    // the block the tag says it lies in
  std::uint64_t rangeStart = 0;  // the blocks its MD5 covers
  std::uint64_t rangeSize = 0;
  std::optional<std::uint64_t> next;  // the next tag's block
  // A relocated superblock's: where the session it stands for starts.
  std::optional<std::uint64_t> sessionStart;
  std::array<std::uint8_t, 16> md5{};
};

// The tag a block holds; nothing when it holds none, or one whose self
// checksum does not match.
std::optional<ChecksumTag> DecodeChecksumTag(std::span<const std::uint8_t> block);
