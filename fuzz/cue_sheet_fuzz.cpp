// The cue sheet parser, and the layout of what it accepted over files of
// several sizes: the runs must be ascending and inside the disc, the tracks
// and sessions inside their runs' range, and the first track at address 0.
#include <string_view>

#include "image/CueLayout.h"
#include "image/CueSheet.h"

namespace {

void CheckLayout(const wrenlo::CueSheet& sheet, const std::vector<std::uint64_t>& sizes) {
  using namespace wrenlo;
  CueDisc disc;
  std::string problem;
  if (!LayOutCueSheet(sheet, sizes, disc, problem)) {
    if (problem.empty()) __builtin_trap();
    return;
  }
  if (disc.tracks.size() != sheet.tracks.size() || disc.sessions.empty()) __builtin_trap();
  // Track 1's index 1 is address 0, however long its pregap.
  if (disc.tracks.front().start != 0) __builtin_trap();
  std::uint64_t end = 0;
  for (const CueRun& run : disc.runs) {
    if (run.count == 0 || run.start < end || run.file >= sizes.size()) __builtin_trap();
    if (run.inFile &&
        run.offset + std::uint64_t{run.count} * SectorBytes(run.type) > sizes[run.file])
      __builtin_trap();
    end = std::uint64_t{run.start} + run.count;
  }
  if (end > disc.sectorCount) __builtin_trap();
  for (const TrackLayout& track : disc.tracks)
    if (std::uint64_t{track.start} + track.sectorCount > disc.sectorCount) __builtin_trap();
  for (std::size_t i = 1; i < disc.sessions.size(); ++i)
    if (disc.sessions[i].start < disc.sessions[i - 1].start + disc.sessions[i - 1].sectorCount)
      __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  CueSheet sheet;
  std::string problem;
  if (!ParseCueSheet(std::string_view(reinterpret_cast<const char*>(data), size), sheet, problem)) {
    if (problem.empty()) __builtin_trap();
    return 0;
  }
  if (sheet.tracks.empty() || sheet.tracks.size() > kMaxCueTrack) __builtin_trap();
  // Files of one size each, from empty to far larger than a disc.
  for (const std::uint64_t fileSize :
       {std::uint64_t{0}, std::uint64_t{2351}, std::uint64_t{2352} * 300,
        std::uint64_t{2048} * 100000 + 7, std::uint64_t{1} << 42}) {
    CheckLayout(sheet, std::vector<std::uint64_t>(sheet.files.size(), fileSize));
  }
  return 0;
}
