// What a copy to an image came to, for the command line's summary: how many
// of its sectors are in each state, the files still incomplete with their
// missing sectors, and where the image and its mapfile are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/damage/DamageIndex.h"

struct CopyResult {
  bool finished = false;  // every pass ran (not stopped, no failure)
  std::uint64_t sectors = 0;
  std::uint64_t rescued = 0;
  std::uint64_t nonTried = 0;
  std::uint64_t nonTrimmed = 0;
  std::uint64_t nonScraped = 0;
  std::uint64_t bad = 0;
  std::uint64_t badAreas = 0;
  std::uint64_t failedReads = 0;
  std::uint32_t sectorBytes = 2048;
  std::string image;  // the ISO image or the BIN file
  std::string cue;    // empty for an ISO image
  std::string mapfile;
  // The files with sectors missing from the copy, their counts as error
  // sectors and their ranges numbered from sectorsFrom; filesKnown is false
  // when they were not looked for (nothing is missing) or could not be.
  std::vector<DamagedEntry> incompleteFiles;
  bool filesKnown = false;

  // Sectors read but not copied: bad, and not trimmed or scraped yet.
  std::uint64_t Unrescued() const { return nonTrimmed + nonScraped + bad; }
};

std::string CopySummaryText(const CopyResult& result);
// One JSON object: "rescued_sectors", "bad_sectors" (read and not copied),
// "not_tried_sectors", "incomplete_files" ([{"path", "bad_sectors",
// "ranges"}]), "mapfile", and the details beside them.
std::string CopySummaryJson(const CopyResult& result);
