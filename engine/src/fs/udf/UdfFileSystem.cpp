// Placeholder of the UDF decoder until it lands: no session holds a UDF
// volume. The decoder's own source replaces this file.
#include "fs/udf/UdfFileSystem.h"

namespace wrenlo {

Result UdfFileSystem::Open(SectorSource&, std::uint32_t, std::uint32_t,
                           std::unique_ptr<UdfFileSystem>& out) {
  out.reset();
  return kNoFileSystem;
}

const UdfVolumeFacts& UdfFileSystem::Facts() const { return facts_; }

Result UdfFileSystem::ListDirectory(std::u16string_view, std::vector<DirectoryItem>& out) const {
  out.clear();
  return kNoFileSystem;
}

Result UdfFileSystem::FileExtents(std::u16string_view, std::vector<Extent>& out) const {
  out.clear();
  return kNoFileSystem;
}

}  // namespace wrenlo
