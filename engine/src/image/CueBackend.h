// A virtual drive holding a CD image described by a cue sheet: the sheet's
// tracks, sessions and modes, read out of its BIN files (one or several).
// ReadSectors gives each sector's 2048 bytes as RawSector.h says; pregaps and
// postgaps not in the files read as zeros; the lead-out and lead-in between
// sessions do not read. A "<sheet>.cue.faults" file beside the sheet works as
// beside any image.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "image/CueLayout.h"
#include "image/VirtualDrive.h"

namespace wrenlo {

class CueBackend : public VirtualDrive {
 public:
  // Opens the cue sheet at path, the files it names (relative to its folder)
  // and its faults file. On failure returns null and sets problem to why,
  // e.g. "cue line 4: unknown track type MODE3/2352".
  static std::unique_ptr<CueBackend> Open(const std::string& path, std::u16string& problem);
  ~CueBackend() override;
  CueBackend(const CueBackend&) = delete;
  CueBackend& operator=(const CueBackend&) = delete;

 protected:
  Result ReadImage(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override;
  Result ReadImageRaw(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override;
  void Layout(MediumLayout& out) const override;

 private:
  CueBackend(std::vector<int> fds, CueDisc disc, std::unique_ptr<FaultSimulator> faults,
             std::vector<ImageFile> files, WatchedImageFiles watched);
  // Calls read(run, address, count) for the part of each run that the
  // sectors [address, address + count) take, in order, until one fails.
  template <typename RunRead>
  Result ForEachRun(std::uint32_t address, std::uint32_t count, RunRead read);
  // Reads count sectors of run from address, all inside it: user data into
  // out (2048 bytes each), or whole sectors (2352 bytes each) with whole.
  Result ReadRun(const CueRun& run, std::uint32_t address, std::uint32_t count, std::uint8_t* out,
                 bool whole);
  // Copies the count stored sectors of run from address into stored,
  // through the read-ahead.
  Result ReadStored(const CueRun& run, std::uint32_t address, std::uint32_t count,
                    std::uint8_t* stored);

  // Stored sectors decoded per read of a file.
  static constexpr std::uint32_t kChunkSectors = 16;
  static constexpr std::size_t kLargestStoredSector = 2352;

  // The stored sectors of the last small read and those after it in its run:
  // a scan reads one sector at a time, and one read of the file for sixteen
  // costs little more than one for one.
  struct ReadAhead {
    std::mutex mutex;
    std::size_t file = 0;
    std::uint64_t offset = 0;  // in the file, of the first byte held
    std::size_t bytes = 0;     // held; 0 for none
    std::array<std::uint8_t, kChunkSectors * kLargestStoredSector> stored;
  };

  const std::vector<int> fds_;  // one per file of the sheet
  const CueDisc disc_;
  const std::unique_ptr<ReadAhead> readAhead_ = std::make_unique<ReadAhead>();
};

// Whether path names a cue sheet: it ends in ".cue", in any case.
bool IsCueSheetPath(std::string_view path);

}  // namespace wrenlo
