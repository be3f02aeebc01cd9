// Placeholder of the UDF decoder's interface, so the engine builds until the
// decoder lands; the decoder's own header replaces this file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FileSystem.h"
#include "Result.h"
#include "SectorSource.h"

namespace wrenlo {

struct UdfVolumeFacts {
  std::u16string label;       // the logical volume identifier
  std::int32_t revision = 0;  // e.g. 0x0260, from the logical volume descriptor's domain identifier
  std::int32_t fileCount = 0;  // from the last logical volume integrity descriptor
  std::int32_t directoryCount = 0;
};

class UdfFileSystem : public FileSystem {
 public:
  // Opens the UDF volume of the session [sessionStart, sessionEnd) of source.
  static Result Open(SectorSource& source, std::uint32_t sessionStart, std::uint32_t sessionEnd,
                     std::unique_ptr<UdfFileSystem>& out);
  const UdfVolumeFacts& Facts() const;
  Result ListDirectory(std::u16string_view path, std::vector<DirectoryItem>& out) const override;
  Result FileExtents(std::u16string_view path, std::vector<Extent>& out) const override;

 private:
  UdfVolumeFacts facts_;
};

}  // namespace wrenlo
