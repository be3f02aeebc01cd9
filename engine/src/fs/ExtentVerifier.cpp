#include "fs/ExtentVerifier.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <memory>

namespace wrenlo {

namespace {

Result ReadSectorWithRetries(SectorSource& source, std::uint32_t address, std::uint8_t* out) {
  Result result = kOk;
  for (int attempt = 0; attempt < kVerifySectorAttempts; ++attempt) {
    result = source.Read(address, 1, out);
    if (result == kOk || result == kNoMedium) return result;
  }
  return result;
}

// A chunk that failed as a whole, one sector at a time.
Result VerifySectorBySector(SectorSource& source, std::uint32_t first, std::uint32_t count,
                            std::uint8_t* buffer) {
  for (std::uint32_t i = 0; i < count; ++i)
    if (const Result result = ReadSectorWithRetries(source, first + i, buffer); result != kOk)
      return result;
  return kOk;
}

}  // namespace

Result VerifyExtents(SectorSource& source, const std::vector<Extent>& extents) {
  // As large as the largest read, and not filled: most files are small.
  std::uint64_t largest = 0;
  for (const Extent& extent : extents) largest = std::max(largest, extent.count);
  const auto bufferSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(largest, kVerifyChunkSectors)) * kSectorSize;
  const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[bufferSize]);
  for (const Extent& extent : extents) {
    for (std::uint64_t done = 0; done < extent.count; done += kVerifyChunkSectors) {
      const auto first = static_cast<std::uint32_t>(extent.start + done);
      const auto count = static_cast<std::uint32_t>(
          std::min<std::uint64_t>(kVerifyChunkSectors, extent.count - done));
      Result result = source.Read(first, count, buffer.get());
      if (result != kOk && result != kNoMedium)
        result = VerifySectorBySector(source, first, count, buffer.get());
      if (result != kOk) return result;
    }
  }
  return kOk;
}

}  // namespace wrenlo
