// What a scan's checks of the disc's content found, beside the sector and
// file reads: the checksum lists (files test), xorriso's MD5s (each file's
// in the files test, the session's in a surface scan or files test), the
// implanted MD5, and a surface scan's comparison with an image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/verify/CheckOutcome.h"
#include "core/verify/ChecksumCheck.h"

struct Md5TagResults {
  CheckOutcome session = CheckOutcome::None;
  // Files whose recorded MD5 was checked and matched, or differs.
  std::int64_t filesMatched = 0;
  std::vector<std::string> filesDiffer;
};

struct CompareResults {
  bool ran = false;
  std::string image;
  std::uint64_t imageSectors = 0;
  std::uint64_t sessionSectors = 0;
  // Sectors past the image's end that read as zeros (a writer's padding),
  // and that held anything else (counted among those that differ).
  std::int64_t paddingSectors = 0;
  std::int64_t beyondImage = 0;
  // Why the image could not be read in full, when it could not.
  std::string imageError;

  // The image's sectors that the session does not hold.
  std::uint64_t ImageBeyondSession() const {
    return imageSectors > sessionSectors ? imageSectors - sessionSectors : 0;
  }
};

struct VerifyResults {
  ChecksumReport checksums;  // no lists: none were found (or no files test ran)
  Md5TagResults md5Tags;
  CheckOutcome implantedMd5 = CheckOutcome::None;
  CompareResults compare;

  // Whether a check found content that is not what was recorded.
  bool AnyDifference() const;
};
