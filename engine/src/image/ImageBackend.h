// A virtual drive holding a plain disc image: a file of 2048-byte sectors
// (.iso, .img, .udf or any other name), one session with one mode 1 data
// track. A size that is not a multiple of 2048 leaves a partial last sector,
// which is not part of the medium.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/VirtualDrive.h"

namespace wrenlo {

class ImageBackend : public VirtualDrive {
 public:
  // Opens the image at path with its faults file. On failure returns null and
  // sets problem to why, e.g. "the image is empty".
  static std::unique_ptr<ImageBackend> Open(const std::string& path, std::u16string& problem);
  ~ImageBackend() override;
  ImageBackend(const ImageBackend&) = delete;
  ImageBackend& operator=(const ImageBackend&) = delete;

 protected:
  // pread on the image's descriptor: no shared file position, no lock, no
  // allocation.
  Result ReadImage(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override;
  // Mode 1 sectors built round the image's 2048-byte sectors.
  Result ReadImageRaw(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override;
  void Layout(MediumLayout& out) const override;

 private:
  ImageBackend(int fd, std::uint32_t sectors, std::unique_ptr<FaultSimulator> faults,
               std::vector<ImageFile> files, WatchedImageFiles watched);

  const int fd_;
};

}  // namespace wrenlo
