// libFuzzer target for the UDF decoder: the input is a disc image of one
// session. Opens it, reads its facts, walks its layout, lists every
// directory (with each entry's time) and maps every file, with a bound on
// the calls so that each input ends quickly. Each input is read twice: as it
// is, and with the checksum and CRC of every descriptor tag it holds made
// right again, so that mutations of the fields behind a tag reach the
// decoders instead of stopping at the tag.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "MemorySource.h"
#include "UdfImageBuilder.h"
#include "fs/udf/UdfFileSystem.h"

namespace {

constexpr int kMaxCalls = 500;
constexpr std::size_t kMaxDepth = 40;

// Whether the four-byte aligned bytes at offset look like a descriptor tag
// (a known identifier, version 2 or 3) whose CRC length fits the input. Left
// out of the coverage instrumentation: it looks at every word of the input,
// and its comparisons would drown the decoder's.
__attribute__((no_sanitize("coverage"))) bool LooksLikeTag(const std::vector<std::uint8_t>& bytes,
                                                           std::size_t offset) {
  const unsigned id = bytes[offset] | (bytes[offset + 1] << 8);
  const unsigned version = bytes[offset + 2] | (bytes[offset + 3] << 8);
  const std::size_t crcLength = bytes[offset + 10] | (bytes[offset + 11] << 8);
  const bool known = (id >= 1 && id <= 9) || (id >= 256 && id <= 266);
  return known && (version == 2 || version == 3) && offset + 16 + crcLength <= bytes.size();
}

void ReadVolume(std::span<const std::uint8_t> image) {
  udftest::MemorySource source(image);
  std::unique_ptr<wrenlo::UdfFileSystem> fileSystem;
  if (wrenlo::UdfFileSystem::Open(source, 0, source.SectorCount(), fileSystem) != wrenlo::kOk)
    return;
  const wrenlo::UdfVolumeFacts facts = fileSystem->Facts();
  (void)facts;
  fileSystem->Layout([](const wrenlo::LayoutItem&) { return wrenlo::kOk; });

  std::vector<std::pair<std::u16string, std::size_t>> pending{{u"", 0}};
  std::vector<wrenlo::DirectoryItem> items;
  std::vector<wrenlo::Extent> extents;
  for (int calls = 0; !pending.empty() && calls < kMaxCalls; ++calls) {
    const auto [path, depth] = std::move(pending.back());
    pending.pop_back();
    if (fileSystem->ListDirectoryWithTimes(path, items) != wrenlo::kOk) continue;
    for (const wrenlo::DirectoryItem& item : items) {
      const std::u16string child = path + u"/" + item.name;
      if (item.modified.known &&
          (item.modified.nanoseconds < 0 || item.modified.nanoseconds >= 1'000'000'000))
        __builtin_trap();
      if (item.isDirectory) {
        if (depth < kMaxDepth) pending.emplace_back(child, depth + 1);
      } else if (++calls < kMaxCalls) {
        fileSystem->FileExtents(child, extents);
      }
    }
  }
}

// The input with every tag's checksum and CRC recomputed.
__attribute__((no_sanitize("coverage"))) std::vector<std::uint8_t> RepairTags(
    std::span<const std::uint8_t> input) {
  std::vector<std::uint8_t> repaired(input.begin(), input.end());
  for (std::size_t offset = 0; offset + 16 <= repaired.size(); offset += 4)
    if (LooksLikeTag(repaired, offset)) udftest::Retag(repaired, offset);
  return repaired;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadVolume({data, size});
  ReadVolume(RepairTags({data, size}));
  return 0;
}
