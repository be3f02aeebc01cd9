// The check of a disc's files against the checksum lists found on it: the
// lists' entries matched to the disc's files (paths '/'-joined from the
// root, as shown), the hashes each file needs while it is read, and each
// listed file's outcome: matched, differs, missing (listed but not on the
// disc) or unreadable. A file that no list names is no part of it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/verify/ChecksumList.h"

struct ChecksumReport {
  // The lists used, by path.
  std::vector<std::string> lists;
  std::int64_t matched = 0;
  std::vector<std::string> differ;
  std::vector<std::string> missing;
  std::vector<std::string> unreadable;
  // Each listed digest that a file's content does not have, with the one it
  // has.
  struct Mismatch {
    std::string path;
    HashKind kind = HashKind::Md5;
    DigestBytes expected;
    DigestBytes actual;
  };
  std::vector<Mismatch> mismatches;
  // Lines of the lists left out: malformed, with a path that climbs out of
  // the list's folder or starts at a root, naming the list itself.
  std::int64_t malformedLines = 0;
  std::int64_t refusedPaths = 0;
  std::int64_t selfNamed = 0;
  // Why a list was not used in full: too large, too many entries, unreadable.
  std::vector<std::string> notes;
};

class ChecksumCheck {
 public:
  // The checksum lists among the disc's files, in their order.
  static std::vector<std::string> ListsAmong(const std::vector<std::string>& files);

  // A list as read from the disc, with the digests of its own bytes (one of
  // each kind, in HashKind order), since another list may name it.
  void AddList(const std::string& path, std::string_view text,
               const std::vector<DigestBytes>& ownDigests);
  // A list that was not used, and why ("too large", a read error).
  void AddUnusedList(const std::string& path, const std::string& why);
  // Once every list is in: matches their entries to the disc's files (as
  // recorded, else ignoring ASCII case when that finds one file); the others
  // are missing. Then the lists' own outcomes, as other lists name them.
  void Resolve(const std::vector<std::string>& files);

  // The hashes a file's read must give, in HashKind order; none for a file
  // no list names.
  std::vector<HashKind> KindsFor(const std::string& file) const;
  // A listed file's outcome: read, with one digest per kind KindsFor gave,
  // or unreadable (digests null). True when it differs from a list.
  bool Record(const std::string& file, const std::vector<DigestBytes>* digests);

  const ChecksumReport& Report() const { return report_; }

 private:
  struct Expected {
    HashKind kind;
    DigestBytes digest;
  };
  struct List {
    std::string path;
    std::vector<ChecksumEntry> entries;
    std::vector<DigestBytes> ownDigests;
  };
  std::vector<List> lists_;
  std::unordered_map<std::string, std::vector<Expected>> byFile_;
  ChecksumReport report_;
};

// All kinds, in HashKind order: what a list's own read computes.
inline constexpr HashKind kAllHashKinds[] = {HashKind::Md5, HashKind::Sha1, HashKind::Sha256,
                                             HashKind::Sha512, HashKind::Crc32};
