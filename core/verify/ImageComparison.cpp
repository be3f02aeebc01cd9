#include "core/verify/ImageComparison.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::uint64_t kSector = 2048;
// Image sectors read at once: 1 MiB.
constexpr std::uint64_t kWindowSectors = 512;

bool AllZero(const std::uint8_t* data) {
  return data[0] == 0 && std::memcmp(data, data + 1, kSector - 1) == 0;
}

}  // namespace

ImageComparison::~ImageComparison() {
  input_.reset();
  if (fd_ >= 0) ::close(fd_);
}

bool ImageComparison::Open(const std::string& path, std::string& error) {
  // Without O_NONBLOCK a FIFO would wait for a writer here.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    error = "cannot compare with " + path + ": not a regular file";
    ::close(fd);
    return false;
  }
  input_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  input_ = std::make_unique<InputFile>(fd_, "the image being compared with");
  path_ = path;
  bytes_ = static_cast<std::uint64_t>(status.st_size);
  sectors_ = (bytes_ + kSector - 1) / kSector;
  windowSectors_ = 0;
  readError_.clear();
  return true;
}

bool ImageComparison::Fill(std::uint64_t sector) {
  const std::uint64_t count = std::min(kWindowSectors, sectors_ - sector);
  window_.assign(count * kSector, 0);  // a partial last sector ends in zeros
  const std::uint64_t wanted = std::min(count * kSector, bytes_ - sector * kSector);
  std::uint64_t done = 0;
  while (done < wanted) {
    const ssize_t got = ::pread(fd_, window_.data() + done, wanted - done,
                                static_cast<off_t>(sector * kSector + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      readError_ = "cannot read " + path_ + " at sector " +
                   std::to_string(sector + done / kSector) + ": " +
                   (got < 0 ? std::strerror(errno) : "the file has become shorter");
      windowSectors_ = 0;
      return false;
    }
    done += static_cast<std::uint64_t>(got);
  }
  windowStart_ = sector;
  windowSectors_ = count;
  return true;
}

SectorMatch ImageComparison::Compare(std::uint64_t sector, const std::uint8_t* data) {
  if (sector >= sectors_) return AllZero(data) ? SectorMatch::Padding : SectorMatch::BeyondImage;
  if ((sector < windowStart_ || sector >= windowStart_ + windowSectors_) && !Fill(sector))
    return SectorMatch::Differs;
  const std::uint8_t* image = window_.data() + (sector - windowStart_) * kSector;
  return std::memcmp(image, data, kSector) == 0 ? SectorMatch::Same : SectorMatch::Differs;
}
