// What every virtual drive holding a disc image has in common: its identity
// and abilities, a tray that can be opened (no medium) and closed, and the
// "<image>.faults" file beside the image that makes chosen sectors fail and
// reads slow, as on a damaged disc in a real drive, and the watch over the
// image's files: once one of them is found changed (cut short, written to or
// replaced), every read gives kImageChanged. The image's own form (plain
// sectors, a cue sheet with its files) is the subclass's.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "Backend.h"
#include "image/FaultSimulator.h"
#include "image/ImageFiles.h"
#include "image/MediumKind.h"
#include "image/WatchedImageFiles.h"

namespace wrenlo {

class VirtualDrive : public Backend {
 public:
  // Checks the tray, the image's files and the address range, lets the
  // faults decide, then reads the image; a read takes at least the faults'
  // latency. The files are looked at after a read of the image that fails,
  // and at most once a second otherwise.
  Result Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) final;
  // The same for whole sectors, with the same faults and latency.
  Result ReadRaw(std::uint32_t address, std::uint32_t count, std::uint8_t* out) final;
  std::uint32_t SectorCount() const final { return sectors_; }

  DriveIdentity Identity() override;
  bool HasCapability(std::uint64_t code) override;
  std::int32_t MaxReadSpeedKB() override;
  std::int32_t MaxWriteSpeedKB() override { return 0; }
  Result Medium(MediumLayout& out) final;
  Result Eject() override;
  Result CloseTray() override;
  // The tray: a medium while it is closed; every opening and closing counts.
  Result MediumPresence(bool& present, std::uint32_t& changes) override;
  std::int64_t MissingSectors() const override {
    return faults_ ? faults_->Plan().missingSectors : -1;
  }

 protected:
  // files: those the medium is read from, listed while the drive lives;
  // watched: those it reads, watched for changes.
  VirtualDrive(std::uint32_t sectors, MediumKind kind, std::unique_ptr<FaultSimulator> faults,
               std::vector<ImageFile> files, WatchedImageFiles watched);

  // Reads count sectors from address, all within the medium.
  virtual Result ReadImage(std::uint32_t address, std::uint32_t count, std::uint8_t* out) = 0;
  // The same as whole 2352-byte sectors.
  virtual Result ReadImageRaw(std::uint32_t address, std::uint32_t count, std::uint8_t* out) = 0;
  // The sessions and tracks of the medium.
  virtual void Layout(MediumLayout& out) const = 0;

  MediumKind Kind() const { return kind_; }

 private:
  // Checks the tray and the range, lets the faults decide, then reads with
  // read; the whole takes at least the faults' latency.
  template <typename ImageRead>
  Result ReadWithFaults(std::uint32_t address, std::uint32_t count, ImageRead read);
  // Whether the image's files changed; looks at them when due or when
  // forced, and remembers a change for good.
  bool ImageChanged(bool force);

  const std::uint32_t sectors_;
  const MediumKind kind_;
  const std::unique_ptr<FaultSimulator> faults_;  // null without a faults file
  const WatchedImageFiles watched_;
  std::atomic<bool> changed_{false};
  // When the files are next looked at, in steady-clock nanoseconds.
  std::atomic<std::int64_t> nextLook_{0};
  std::atomic<bool> trayOpen_{false};
  std::atomic<std::uint32_t> trayMoves_{0};
  const ListedImageFiles files_;
};

// The error OpenRegularFile gives for a path that is not a regular file.
inline constexpr int kNotRegularFile = -1;

// Opens path for reading, refusing anything but a regular file: the open does
// not block, as it would on a FIFO without a writer, and the type is checked
// on the open descriptor, so a file swapped in between cannot slip through.
// The descriptor, or -1 with error set to an errno or kNotRegularFile.
int OpenRegularFile(const std::string& path, int& error);

// Why a file could not be opened, from OpenRegularFile's error: "no such
// file", "permission denied", "not a regular file", "cannot open: ...".
std::u16string OpenProblem(int error);

// Reads bytes bytes at offset of the file fd into out: kOk, or kMediumError
// for an I/O error or a file cut short after it was opened.
Result ReadAt(int fd, std::uint8_t* out, std::uint64_t bytes, std::uint64_t offset);

// Reads the whole regular file at path into text, or its first limit + 1
// bytes when it is larger, and leaves it open as fd for the caller to close.
// 0, or the error of what failed (an errno or kNotRegularFile; fd is then
// -1).
int ReadSmallFile(const std::string& path, std::size_t limit, std::string& text, int& fd);

// Reads the faults file beside the image at imagePath, if there is one
// (out stays null when there is none), and adds it to files. False with
// problem set when it cannot be read or is malformed.
bool LoadFaults(const std::string& imagePath, std::unique_ptr<FaultSimulator>& out,
                std::vector<ImageFile>& files, std::u16string& problem);

}  // namespace wrenlo
