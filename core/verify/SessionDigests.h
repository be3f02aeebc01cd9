// The checksums of a whole session, taken as its sectors are read in order
// (by a surface scan, or a files test's read of the session): the MD5
// implanted in the primary volume descriptor, and xorriso's checksum tags and
// the session MD5 of its checksum array. A tag is found where it lies: a
// block that decodes as one, says it lies there and covers the blocks read
// before it. The implanted MD5 is found in the descriptor as it is read, and
// the tags in the blocks after the volume descriptors, so that a scan reads
// nothing more for them; a session whose first blocks hold neither is not
// hashed past them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/verify/CheckOutcome.h"
#include "core/verify/ChecksumTag.h"
#include "core/verify/Digest.h"
#include "core/verify/ImplantedMd5.h"
#include "core/verify/XorrisoMd5.h"

class SessionDigests {
 public:
  // The session starts at block start (absolute), which is also where the
  // implanted MD5's range starts. recorded, xorriso's recorded MD5s read
  // before, may be null: the tags are then looked for as the blocks come.
  SessionDigests(std::uint64_t start, const RecordedMd5s* recorded);

  // The implanted MD5, when it is known before the session is read.
  void ExpectImplanted(const ImplantedMd5& implanted);
  // Whether anything is known to be checked: an implanted MD5 or xorriso's
  // MD5s.
  bool Wanted() const;
  // One past the last block a check covers, so that a read of the session
  // for them may stop there; tags found on the way past it are not looked for.
  std::uint64_t End() const { return end_; }

  // Each block from start on, once and in order: read (its 2048 bytes), or
  // not read (data null), which leaves what covers it unchecked.
  void Feed(std::uint64_t block, const std::uint8_t* data);

  CheckOutcome Implanted() const;
  // xorriso's session: its tags and its array's session MD5 together. A tag
  // that names a next one not reached leaves the session unchecked.
  CheckOutcome Session() const;

 private:
  // A running MD5 from a block on, up to the first block not read.
  struct Run {
    std::uint64_t from = 0;
    Digest md5{HashKind::Md5};
    std::uint64_t next = 0;  // the next block it takes
    bool broken = false;     // a block was not read
  };
  Run* RunFrom(std::uint64_t block);
  void CheckTag(const ChecksumTag& tag);

  std::uint64_t start_;
  std::optional<ImplantedMd5> implanted_;
  bool descriptorSeen_ = false;  // the primary descriptor has been fed
  std::optional<ChecksumArea> area_;
  DigestBytes areaMd5_;
  bool arrayIntact_ = true;
  std::uint64_t end_ = 0;
  std::vector<Run> runs_;
  Digest implantedMd5_{HashKind::Md5};
  std::uint64_t implantedFed_ = 0;
  bool implantedBroken_ = false;
  // Tags are looked for (the session records them, or its first blocks are
  // still to come); and found.
  bool lookForTags_ = true;
  bool tagFound_ = false;
  std::optional<std::uint64_t> nextTag_;  // named by the last tag, not reached
  CheckOutcome tags_ = CheckOutcome::None;
  CheckOutcome areaOutcome_ = CheckOutcome::Unchecked;
};
