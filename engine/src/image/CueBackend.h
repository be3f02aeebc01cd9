// A virtual drive holding a CD image described by a cue sheet: the sheet's
// tracks, sessions and modes, read out of its BIN files (one or several).
// ReadSectors gives each sector's 2048 bytes as RawSector.h says; pregaps and
// postgaps not in the files read as zeros; the lead-out and lead-in between
// sessions do not read. A "<sheet>.cue.faults" file beside the sheet works as
// beside any image.
#pragma once

#include <cstdint>
#include <memory>
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

  // A CD drive that reads every sector form and every session a cue sheet
  // holds.
  bool HasCapability(std::uint64_t code) override;

 protected:
  Result ReadImage(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override;
  void Layout(MediumLayout& out) const override;

 private:
  CueBackend(std::vector<int> fds, CueDisc disc, std::unique_ptr<FaultSimulator> faults,
             std::vector<ImageFile> files);
  // Reads count sectors of run from address, all inside it.
  Result ReadRun(const CueRun& run, std::uint32_t address, std::uint32_t count, std::uint8_t* out);

  const std::vector<int> fds_;  // one per file of the sheet
  const CueDisc disc_;
};

// Whether path names a cue sheet: it ends in ".cue", in any case.
bool IsCueSheetPath(std::string_view path);

}  // namespace wrenlo
