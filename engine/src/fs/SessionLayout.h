// Where everything of an open session's file system lies: the session's
// volume descriptors and El Torito boot catalog and images, then what the
// file system itself reports.
#pragma once

#include "FileSystem.h"
#include "Result.h"
#include "SectorSource.h"
#include "fs/SessionFileSystem.h"

namespace wrenlo {

Result LayOutSession(SectorSource& source, const SessionFileSystem& fileSystem,
                     const LayoutVisitor& visit);

}  // namespace wrenlo
