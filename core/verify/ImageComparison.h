// A disc's session compared with the image it was written from, sector by
// sector, as a surface scan reads the disc: each sector that reads is the
// same as the image's, differs, or lies past the image's end, where zeros
// are a writer's padding and no difference. The image is read beside the
// disc in runs of many sectors.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/io/InputFiles.h"

// A comparison reads the disc in runs of this many sectors unless asked for
// others; a run that fails is read again sector by sector.
inline constexpr int kCompareSectorsPerRead = 32;

// How one sector read from the disc compares.
enum class SectorMatch : std::uint8_t { Same, Differs, Padding, BeyondImage };

class ImageComparison {
 public:
  ImageComparison() = default;
  ~ImageComparison();
  ImageComparison(const ImageComparison&) = delete;
  ImageComparison& operator=(const ImageComparison&) = delete;

  // Opens the image: a regular file that can be read. A FIFO, a device or a
  // folder is refused without waiting on it. False with error set. While it
  // is open, no output of the program may be written over it.
  bool Open(const std::string& path, std::string& error);
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }
  // Sectors of the image; a partial last one counts, as if padded with zeros.
  std::uint64_t Sectors() const { return sectors_; }

  // Compares the disc's sector (numbered from the session's start) with the
  // image's. An image that cannot be read there counts its sector as
  // differing and keeps the reason (ReadError).
  SectorMatch Compare(std::uint64_t sector, const std::uint8_t* data);
  const std::string& ReadError() const { return readError_; }

 private:
  // Reads the run of image sectors from sector on into the window.
  bool Fill(std::uint64_t sector);

  std::string path_;
  int fd_ = -1;
  std::unique_ptr<InputFile> input_;  // keeps outputs off the image
  std::uint64_t bytes_ = 0;
  std::uint64_t sectors_ = 0;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowStart_ = 0;
  std::uint64_t windowSectors_ = 0;
  std::string readError_;
};
