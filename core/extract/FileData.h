// Reads one file's data from its sectors as the scan reads sectors: several
// at a time, a read that fails again one sector at a time, each sector up to
// a number of attempts. A sector that cannot be read is given as zeros and
// listed, with the bytes of the file it holds.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "core/damage/DiscLayout.h"
#include "core/damage/SectorRange.h"

class CopySource;

// Bytes [first, last] of a file, both included.
struct ByteRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;

  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// What of a file could not be read: its bytes and the device sectors they lie
// on, each run joined, in file order.
struct FileGaps {
  std::vector<ByteRange> bytes;
  std::vector<SectorRange> sectors;

  bool Empty() const { return bytes.empty(); }
};

struct SectorReading {
  int sectorsPerRead = 32;
  int attempts = 5;
};

// Takes the file's bytes in order; false stops the read (a write failed).
using FileDataSink = std::function<bool(std::string_view bytes)>;

enum class FileDataEnd {
  Read,        // every byte given to the sink, unreadable sectors as zeros
  SinkFailed,  // the sink refused a piece
  MediumGone,  // the drive has no medium any more, or its image changed
  Cancelled,
};

// Whether file's sectors hold all its data, so that ReadFileData can read it;
// a file whose data lies in its entry or has holes is read by the engine.
bool HeldInSectors(const LayoutEntry& file);

// Reads file (HeldInSectors) from source into sink; gaps receives what could
// not be read.
FileDataEnd ReadFileData(CopySource& source, const LayoutEntry& file, const SectorReading& how,
                         const FileDataSink& sink, FileGaps& gaps,
                         const std::atomic<bool>* cancel = nullptr);
