// The file systems of one session: which ones are there (a track's content
// flags) and opening the one a disk session asks for.
#pragma once

#include <cstdint>
#include <memory>

#include "FileSystem.h"
#include "Result.h"
#include "SectorSource.h"
#include "fs/iso9660/IsoFileSystem.h"
#include "fs/udf/UdfFileSystem.h"

namespace wrenlo {

// The file system of an open disk session: exactly one of the two is set.
struct SessionFileSystem {
  std::unique_ptr<IsoFileSystem> iso;  // ISO 9660 or Joliet
  std::unique_ptr<UdfFileSystem> udf;
  std::uint32_t start = 0;  // the session's sectors [start, end)
  std::uint32_t end = 0;
  // The session's volume descriptors as read when it was opened, so that
  // its layout names them, and finds its other trees, without reading them
  // again (a flaky sector may not read twice).
  VolumeDescriptorArea descriptors;

  const FileSystem& Tree() const {
    return iso ? static_cast<const FileSystem&>(*iso) : static_cast<const FileSystem&>(*udf);
  }
  // The first sector of the root directory (UDF: of its file entry).
  std::uint64_t RootSector() const { return iso ? iso->RootSector() : udf->RootSector(); }
};

// Opens the file system selector names (a FileSystemSelector of wrenlo.h: 0 =
// UDF, else ISO 9660 with Rock Ridge, else Joliet, else ISO 9660; 1 ISO 9660;
// 2 Joliet; 4 UDF) in the session
// [start, end) of source. kNoFileSystem when it is not there,
// kInvalidArgument for another selector.
Result OpenSessionFileSystem(SectorSource& source, std::uint32_t start, std::uint32_t end,
                             std::int32_t selector, SessionFileSystem& out);

// The TrackInformation content flags of what starts at sector start (a
// session's first track): ISO 9660, Joliet, UDF, and El Torito bootability.
std::uint8_t ProbeContent(SectorSource& source, std::uint32_t start, std::uint32_t end);

}  // namespace wrenlo
