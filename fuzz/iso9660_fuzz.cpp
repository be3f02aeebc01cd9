// The ISO 9660, Joliet and El Torito decoders: the volume descriptor set, the
// boot catalog, the content flags of a session and its volume facts.
#include <wrenlo/wrenlo.h>

#include "FuzzImage.h"
#include "MemorySource.h"
#include "fs/SessionFileSystem.h"
#include "fs/iso9660/ElTorito.h"
#include "fs/iso9660/VolumeDescriptors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  IsBootableCatalog(Bytes(data, size));
  const std::vector<std::uint8_t> bytes = FuzzImage(data, size);
  udftest::MemorySource image(bytes);
  ProbeContent(image, 0, image.SectorCount());
  for (const std::int32_t selector : {kFileSystemIso9660, kFileSystemJoliet}) {
    SessionFileSystem fs;
    if (OpenSessionFileSystem(image, 0, image.SectorCount(), selector, fs) != kOk) continue;
    std::vector<DirectoryItem> root;
    fs.Tree().ListDirectory(u"", root);
  }
  return 0;
}
