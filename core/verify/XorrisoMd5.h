// The MD5s xorriso records with -md5 on, beside its checksum tags: an array
// at the end of the session whose place the root's extended attribute
// "isofs.ca" gives (start and end block of the range it covers, the number of
// entries, their size, "MD5"), with entry 0 the MD5 of the session's blocks
// from start to end (where the array begins), one entry per file (whose
// attribute "isofs.cx" holds its index) and a last entry that is the MD5 of
// all the others.
#pragma once

#include <wrenlo/wrenlo.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/verify/Digest.h"

struct ChecksumArea {
  std::uint64_t start = 0;  // the first block the session MD5 covers
  std::uint64_t end = 0;    // one past its last, and the array's first block
  std::uint64_t count = 0;  // entries of the array
  std::uint64_t itemSize = 0;
};

// The value of "isofs.ca"; nothing unless it is well formed, for MD5 and no
// larger than kMaxChecksumEntries entries.
std::optional<ChecksumArea> DecodeChecksumArea(std::span<const std::uint8_t> value);
// The value of "isofs.cx": a big-endian number of up to 8 bytes.
std::optional<std::uint64_t> DecodeChecksumIndex(std::span<const std::uint8_t> value);

// The largest array read: 64 MiB of MD5s.
inline constexpr std::uint64_t kMaxChecksumEntries = 1u << 22;

class RecordedMd5s {
 public:
  // Reads the place and the array through a session opened on the ISO 9660
  // tree of the current device. False when the session records none (or
  // they cannot be read).
  bool Load(wrenlo::Handle isoSession);

  const ChecksumArea& Area() const { return area_; }
  // Entry 0: the MD5 of the blocks from Area().start to Area().end.
  DigestBytes SessionMd5() const { return Entry(0); }
  // Whether the array's last entry is the MD5 of the others.
  bool ArrayIntact() const { return intact_; }
  // The recorded MD5 of the file at path (as the engine takes it); nothing
  // for a file without one.
  std::optional<DigestBytes> FileMd5(wrenlo::Handle isoSession, const std::u16string& path) const;

 private:
  DigestBytes Entry(std::uint64_t index) const;

  ChecksumArea area_;
  std::vector<std::uint8_t> array_;
  bool intact_ = false;
};
