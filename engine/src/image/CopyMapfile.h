// The mapfile beside a copy of a disc ("IMAGE.map", "SHEET.cue.map"), as a
// rescue copy or GNU ddrescue leaves it: a sector of the medium whose bytes
// it does not all mark finished ('+') was never read from the disc, and every
// read of it fails, as a faults file's "always" makes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "image/FaultSimulator.h"
#include "image/ImageFiles.h"

namespace wrenlo {

// Where sectors of the copied file lie on the medium: count sectors from
// address, sectorBytes bytes each, the first at offset in the file.
struct FilePlacement {
  std::uint32_t address = 0;
  std::uint32_t count = 0;
  std::uint64_t offset = 0;
  std::uint32_t sectorBytes = 2048;
};

// The one file a mapfile beside the image describes.
struct CopiedFile {
  std::string what;  // for messages: "the image", "the BIN file"
  std::uint64_t bytes = 0;
  std::vector<FilePlacement> placements;
  // Why no mapfile can describe the image (a cue sheet of several files);
  // empty when one can.
  std::string unfit;
};

// The sectors that the mapfile text leaves unfinished in file, as ranges
// that always fail (ascending, not overlapping), and how many sectors they
// hold. False with problem set when text is no mapfile or describes another
// size than the file's.
bool MissingSectors(std::string_view text, const CopiedFile& file, std::vector<FaultRange>& missing,
                    std::uint64_t& count, std::string& problem);

// Adds missing (as MissingSectors gives them) to plan's ranges: where a range
// of plan meets a missing one, the missing sectors always fail.
void AddMissing(FaultPlan& plan, const std::vector<FaultRange>& missing);

// Loads what makes reads of the image at imagePath fail: its faults file and
// the mapfile ("<imagePath>.map") describing file; both apply. out stays null
// when there is neither; the faults file is added to files. False with
// problem set when either cannot be read or does not fit.
bool LoadReadFailures(const std::string& imagePath, const CopiedFile& file,
                      std::unique_ptr<FaultSimulator>& out, std::vector<ImageFile>& files,
                      std::u16string& problem);

}  // namespace wrenlo
