#include "core/extract/FileData.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>

#include "core/rescue/CopySource.h"

namespace {

constexpr std::uint64_t kSectorBytes = 2048;

bool MediumGone(std::int32_t result) {
  return result == wrenlo::kResultNoMedium || result == wrenlo::kResultImageChanged;
}

template <typename Range>
void AddJoined(std::vector<Range>& runs, std::uint64_t first, std::uint64_t last) {
  if (!runs.empty() && runs.back().last + 1 == first)
    runs.back().last = last;
  else
    runs.push_back({first, last});
}

std::uint64_t SectorCount(const LayoutEntry& file) {
  std::uint64_t count = 0;
  for (const SectorRange& range : file.ranges) count += range.last - range.first + 1;
  return count;
}

}  // namespace

bool HeldInSectors(const LayoutEntry& file) {
  const std::uint64_t sectors = SectorCount(file);
  return file.result == 0 && sectors * kSectorBytes >= file.size &&
         sectors == (file.size + kSectorBytes - 1) / kSectorBytes;
}

FileDataEnd ReadFileData(CopySource& source, const LayoutEntry& file, const SectorReading& how,
                         const FileDataSink& sink, FileGaps& gaps,
                         const std::atomic<bool>* cancel) {
  const std::uint64_t perRead = static_cast<std::uint64_t>(std::max(how.sectorsPerRead, 1));
  std::vector<std::uint8_t> buffer(perRead * kSectorBytes);
  std::uint64_t offset = 0;  // the file's byte the next sector holds

  // Gives the sink the file's bytes of count sectors in buffer.
  const auto give = [&](std::uint64_t count) {
    const std::uint64_t bytes = std::min(count * kSectorBytes, file.size - offset);
    const bool taken = sink(std::string_view(reinterpret_cast<const char*>(buffer.data()), bytes));
    offset += bytes;
    return taken;
  };

  for (const SectorRange& range : file.ranges) {
    for (std::uint64_t at = range.first; at <= range.last && offset < file.size;) {
      if (cancel != nullptr && cancel->load()) return FileDataEnd::Cancelled;
      const std::uint64_t count = std::min(perRead, range.last - at + 1);
      std::int32_t result = source.Read(static_cast<std::int64_t>(at),
                                        static_cast<std::int32_t>(count), buffer.data());
      if (MediumGone(result)) return FileDataEnd::MediumGone;
      if (result == 0) {
        if (!give(count)) return FileDataEnd::SinkFailed;
        at += count;
        continue;
      }
      // One sector at a time, each up to the attempts.
      for (std::uint64_t sector = at; sector < at + count && offset < file.size; ++sector) {
        result = -1;
        for (int attempt = 0; attempt < std::max(how.attempts, 1) && result != 0; ++attempt) {
          // A failing sector can take a drive seconds an attempt: a cancel
          // is taken between attempts, not after the last sector.
          if (cancel != nullptr && cancel->load()) return FileDataEnd::Cancelled;
          result = source.Read(static_cast<std::int64_t>(sector), 1, buffer.data());
          if (MediumGone(result)) return FileDataEnd::MediumGone;
        }
        if (result != 0) {
          std::fill_n(buffer.begin(), kSectorBytes, std::uint8_t{0});
          const std::uint64_t last = std::min(offset + kSectorBytes, file.size) - 1;
          AddJoined(gaps.bytes, offset, last);
          AddJoined(gaps.sectors, sector, sector);
        }
        if (!give(1)) return FileDataEnd::SinkFailed;
      }
      at += count;
    }
  }
  return FileDataEnd::Read;
}
