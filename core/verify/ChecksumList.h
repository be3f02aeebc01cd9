// Checksum lists as distributions and archivists leave them beside their
// files: md5sum.txt, MD5SUMS, SHA1SUMS, SHA256SUMS, SHA512SUMS (in any case)
// and *.md5, *.sha1, *.sha256, *.sha512 in GNU coreutils' format ("HEX  name",
// "HEX *name" for binary, a leading '\' for an escaped name) or BSD's tag
// format ("SHA256 (name) = HEX"), and *.sfv ("name CRC32"). Each entry's path
// counts from the list's own folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/verify/Digest.h"

// Whether a file of this name is a checksum list, and the hash its lines
// give when they do not name one (a BSD tag line names its own).
std::optional<HashKind> ChecksumListKind(std::u16string_view fileName);

// Lists larger than this are not read, and entries past this many are left
// out: a disc may hold anything.
inline constexpr std::size_t kMaxListBytes = 64u << 20;
inline constexpr std::size_t kMaxListEntries = 1000000;

struct ChecksumEntry {
  // Relative to the list's folder, names joined by '/', "." names dropped.
  std::string path;
  HashKind kind = HashKind::Md5;
  DigestBytes digest;
};

struct ParsedList {
  std::vector<ChecksumEntry> entries;
  // Lines that are neither an entry, blank nor a comment.
  std::int64_t malformedLines = 0;
  // Entries whose path climbs out of the list's folder ("..") or starts at
  // a root ("/name"), left out.
  std::int64_t refusedPaths = 0;
  // Entries past kMaxListEntries, left out.
  bool capped = false;
};

// The entries of a list's text; kind as ChecksumListKind gave it.
ParsedList ParseChecksumList(std::string_view text, HashKind kind);
