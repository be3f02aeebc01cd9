// A virtual drive holding a disc image: a file of 2048-byte sectors (.iso,
// .img, .udf or any file whose size is a multiple of 2048), one session with
// one mode 1 data track, and a tray that can be opened (no medium) and closed.
// A "<image>.faults" file beside the image makes chosen sectors fail and reads
// slow, as on a damaged disc in a real drive.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "Backend.h"
#include "image/FaultSimulator.h"
#include "image/MediumKind.h"

namespace wrenlo {

class ImageBackend : public Backend {
 public:
  // Opens the image at path with its faults file. On failure returns null and
  // sets problem to why, e.g. "size is not a multiple of 2048 bytes".
  static std::unique_ptr<ImageBackend> Open(const std::string& path, std::u16string& problem);
  ~ImageBackend() override;
  ImageBackend(const ImageBackend&) = delete;
  ImageBackend& operator=(const ImageBackend&) = delete;

  // pread on the image's descriptor: no shared file position, no lock, no
  // allocation; the faults, when the image has them, decide first.
  Result Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override;
  std::uint32_t SectorCount() const override { return sectors_; }

  DriveIdentity Identity() override;
  bool HasCapability(std::uint64_t code) override;
  std::int32_t MaxReadSpeedKB() override;
  std::int32_t MaxWriteSpeedKB() override { return 0; }
  Result Medium(MediumLayout& out) override;
  Result Eject() override;
  Result CloseTray() override;

 private:
  ImageBackend(int fd, std::uint32_t sectors, std::unique_ptr<FaultSimulator> faults);
  Result ReadFile(std::uint32_t address, std::uint32_t count, std::uint8_t* out);

  const int fd_;
  const std::uint32_t sectors_;
  const MediumKind kind_;
  const std::unique_ptr<FaultSimulator> faults_;  // null without a faults file
  std::atomic<bool> trayOpen_{false};
};

}  // namespace wrenlo
