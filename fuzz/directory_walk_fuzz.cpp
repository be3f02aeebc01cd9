// A fuzzed image opened as a file system, as the files test opens it, and
// walked: every directory listed (with each entry's time), every file's
// extents taken and every link's target. The walk
// itself is linear in the directories an image holds; the budget only keeps
// each run short.
#include <wrenlo/wrenlo.h>

#include <string>

#include "FuzzImage.h"
#include "MemorySource.h"
#include "fs/SessionFileSystem.h"
#include "fs/iso9660/RockRidge.h"

namespace {

constexpr int kMaxDirectories = 2000;

void Walk(const wrenlo::FileSystem& fs, const std::u16string& path, int& budget) {
  if (--budget < 0) return;
  std::vector<wrenlo::DirectoryItem> items;
  if (fs.ListDirectoryWithTimes(path, items) != wrenlo::kOk) return;
  for (const wrenlo::DirectoryItem& item : items) {
    const std::u16string child = path + u"/" + item.name;
    if (item.modified.known &&
        (item.modified.nanoseconds < 0 || item.modified.nanoseconds >= 1'000'000'000))
      __builtin_trap();
    if (item.isDirectory) {
      Walk(fs, child, budget);
    } else if (item.isLink) {
      std::u16string target;
      if (fs.LinkTarget(child, target) == wrenlo::kOk && target.size() > wrenlo::kMaxLinkTarget + 1)
        __builtin_trap();
    } else {
      std::vector<wrenlo::Extent> extents;
      fs.FileExtents(child, extents);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  const std::vector<std::uint8_t> bytes = FuzzImage(data, size);
  udftest::MemorySource image(bytes);
  for (const std::int32_t selector : {kFileSystemAny, kFileSystemIso9660}) {
    SessionFileSystem fs;
    if (OpenSessionFileSystem(image, 0, image.SectorCount(), selector, fs) != kOk) continue;
    int budget = kMaxDirectories;
    Walk(fs.Tree(), u"", budget);
  }
  return 0;
}
