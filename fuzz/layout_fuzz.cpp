// A fuzzed image's layout, as the damage report lists it: the session's
// system area, volume descriptors and El Torito catalog, then one walk of
// each tree of the session (ISO 9660 with Rock Ridge's links, relocated
// directories and continuation areas, Joliet, UDF with its bitmaps and
// streams), opened each way. The walk bounds itself; the fuzzer checks that it
// ends, quickly, without reading out of bounds.
#include <wrenlo/wrenlo.h>

#include "FuzzImage.h"
#include "MemorySource.h"
#include "fs/SessionFileSystem.h"
#include "fs/SessionLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  const std::vector<std::uint8_t> bytes = FuzzImage(data, size);
  udftest::MemorySource image(bytes);
  for (const std::int32_t selector :
       {kFileSystemAny, kFileSystemIso9660, kFileSystemJoliet, kFileSystemUdf}) {
    SessionFileSystem fs;
    if (OpenSessionFileSystem(image, 0, image.SectorCount(), selector, fs) != kOk) continue;
    std::uint64_t sectors = 0;
    ListedFiles listed;
    LayOutSession(image, fs, SessionLayoutScope{}, listed, [&](const LayoutItem& item) {
      for (const Extent& extent : item.extents) sectors += extent.count;
      return kOk;
    });
  }
  return 0;
}
