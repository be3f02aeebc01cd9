// What a copy to an image came to, for the command line's summary: how many
// of its sectors are in each state, the files still incomplete with their
// missing sectors, and where the image and its mapfile are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/damage/DamageIndex.h"
#include "core/rescue/DiscCopier.h"

struct CopyResult {
  bool finished = false;  // every pass ran (not stopped, no failure)
  CopyCounts counts;
  std::uint64_t failedReads = 0;
  std::uint32_t sectorBytes = 2048;
  std::string image;  // the ISO image or the BIN file
  std::string cue;    // empty for an ISO image
  std::string mapfile;
  // The files with sectors missing from the copy, their counts as error
  // sectors and their ranges numbered from the copy's table start;
  // filesKnown is false when they could not be listed.
  std::vector<DamagedEntry> incompleteFiles;
  bool filesKnown = false;
};

// The pass as the status line names it: "copying", "trimming", "scraping",
// "retrying (pass 2 of 3)".
std::string CopyPassName(CopyPass pass, int retry, int retries);
// The log's line at the start of a pass: "Copying the sectors not tried
// yet, 32 a read", "Trimming the failed blocks' edges, a sector at a time",
// "Scraping the rest of the failed blocks, a sector at a time", "Retrying
// the bad sectors, pass 1 of 2".
std::string CopyPassStartText(CopyPass pass, int retry, const CopyOptions& options);

std::string CopySummaryText(const CopyResult& result);
// One JSON object: "rescued_sectors", "bad_sectors" (read and not copied),
// "not_tried_sectors", "incomplete_files" ([{"path", "bad_sectors",
// "ranges"}]), "mapfile", and the details beside them.
std::string CopySummaryJson(const CopyResult& result);
