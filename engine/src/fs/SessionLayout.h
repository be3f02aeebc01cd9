// Where everything of a session lies: its system area, each volume
// descriptor, its El Torito boot catalog and images, and the structures of
// every tree it holds (UDF, ISO 9660, Joliet), each named after its tree
// ("Directory /DOCS (Joliet)"); and its files, as the chosen tree names them.
// A file that another tree (or an earlier session's) lists again is the same
// file and listed once; one that only another tree lists is listed under
// that tree's name for it ("/HIDDEN.TXT (Joliet)"), so that no sector that
// holds data is taken for free.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "FileSystem.h"
#include "Result.h"
#include "SectorSource.h"
#include "fs/SessionFileSystem.h"

namespace wrenlo {

// Files listed so far, by the first sector of their data.
using ListedFiles = std::unordered_set<std::uint64_t>;

struct SessionLayoutScope {
  // The session's number as the names carry it ("Directory /DOCS (ISO 9660,
  // session 1)", "/OLD.TXT (session 1)"); 0 = the names carry none.
  std::int32_t sessionInNames = 0;
  // Whether the chosen tree is the one the files test reads: its items are
  // marked so, and each of its files is listed even when listed already.
  bool filesTestTree = true;
};

// Lays out the session of fileSystem (its chosen tree first, then the other
// trees of the session), adding the files it lists to listed. The first
// result of visit other than kOk ends the walk with that result; a tree's
// own failures are reported on its items.
Result LayOutSession(SectorSource& source, const SessionFileSystem& fileSystem,
                     const SessionLayoutScope& scope, ListedFiles& listed,
                     const LayoutVisitor& visit);

// name with what tells it apart: "NAME (TREE, session N)", either part left
// out when empty or 0.
std::u16string LayoutName(std::u16string_view name, std::u16string_view tree,
                          std::int32_t session);

}  // namespace wrenlo
