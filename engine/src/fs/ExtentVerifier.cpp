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

// Reads count sectors from first into buffer: at once, or, when that fails,
// one sector at a time with retries.
Result ReadChunk(SectorSource& source, std::uint32_t first, std::uint32_t count,
                 std::uint8_t* buffer) {
  Result result = source.Read(first, count, buffer);
  if (result == kOk || result == kNoMedium) return result;
  for (std::uint32_t i = 0; i < count; ++i) {
    result = ReadSectorWithRetries(source, first + i, buffer + std::size_t{i} * kSectorSize);
    if (result != kOk) return result;
  }
  return kOk;
}

// A buffer for reads of up to largest sectors, at most a chunk: most files
// are small.
std::unique_ptr<std::uint8_t[]> ChunkBuffer(std::uint64_t largest) {
  const auto sectors =
      std::min<std::uint64_t>(std::max<std::uint64_t>(largest, 1), kVerifyChunkSectors);
  return std::unique_ptr<std::uint8_t[]>(new std::uint8_t[sectors * kSectorSize]);
}

}  // namespace

Result VerifyExtents(SectorSource& source, const std::vector<Extent>& extents) {
  std::uint64_t largest = 0;
  for (const Extent& extent : extents) largest = std::max(largest, extent.count);
  const std::unique_ptr<std::uint8_t[]> buffer = ChunkBuffer(largest);
  for (const Extent& extent : extents) {
    for (std::uint64_t done = 0; done < extent.count; done += kVerifyChunkSectors) {
      const auto first = static_cast<std::uint32_t>(extent.start + done);
      const auto count = static_cast<std::uint32_t>(
          std::min<std::uint64_t>(kVerifyChunkSectors, extent.count - done));
      if (const Result result = ReadChunk(source, first, count, buffer.get()); result != kOk)
        return result;
    }
  }
  return kOk;
}

std::int32_t ReadContent(SectorSource& source, const FileContent& content,
                         const ContentSink& sink) {
  if (!content.embedded.empty()) return sink(content.embedded.data(), content.embedded.size());
  constexpr std::uint64_t kChunkBytes = std::uint64_t{kVerifyChunkSectors} * kSectorSize;
  std::uint64_t largest = 0;
  for (const ContentPiece& piece : content.pieces)
    largest = std::max(largest, (piece.bytes + kSectorSize - 1) / kSectorSize);
  const std::unique_ptr<std::uint8_t[]> buffer = ChunkBuffer(largest);
  bool zeroed = false;  // the buffer holds zeros for an unrecorded piece
  for (const ContentPiece& piece : content.pieces) {
    for (std::uint64_t done = 0; done < piece.bytes; done += kChunkBytes) {
      const std::uint64_t bytes = std::min(kChunkBytes, piece.bytes - done);
      if (piece.recorded) {
        const auto first = static_cast<std::uint32_t>(piece.start + done / kSectorSize);
        const auto count = static_cast<std::uint32_t>((bytes + kSectorSize - 1) / kSectorSize);
        if (const Result result = ReadChunk(source, first, count, buffer.get()); result != kOk)
          return result;
        zeroed = false;
      } else if (!zeroed) {
        std::fill_n(buffer.get(), std::min(kChunkBytes, largest * kSectorSize), 0);
        zeroed = true;
      }
      if (const std::int32_t taken = sink(buffer.get(), static_cast<std::size_t>(bytes));
          taken != 0)
        return taken;
    }
  }
  return kOk;
}

}  // namespace wrenlo
