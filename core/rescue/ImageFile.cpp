#include "core/rescue/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

bool AllZero(const std::uint8_t* bytes, std::size_t count) {
  // Eight bytes at a time, then the rest.
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes + i, 8);
    if (word != 0) return false;
  }
  for (; i < count; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

}  // namespace

ImageFile::~ImageFile() { Close(); }

void ImageFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::string ImageFile::Problem(int error) const { return path_ + ": " + std::strerror(error); }

bool ImageFile::Open(const std::string& path, bool existing, std::uint64_t size,
                     std::string& error) {
  Close();
  path_ = path;
  size_ = size;
  // O_NONBLOCK: a FIFO is refused below rather than waited on.
  const int flags = O_RDWR | O_CLOEXEC | O_NONBLOCK | (existing ? 0 : O_CREAT | O_EXCL);
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) {
    error = errno == EEXIST ? path + " already exists" : Problem(errno);
    return false;
  }
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    error = Problem(errno);
    Close();
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    error = S_ISBLK(status.st_mode)
                ? path + " is a block device; this program does not write to disks"
                : path + " is not a regular file";
    Close();
    return false;
  }
  heldBefore_ = static_cast<std::uint64_t>(status.st_size);
  if (heldBefore_ > size_) {
    error = path + " is larger than a copy of this disc (" + std::to_string(heldBefore_) +
            " bytes, not " + std::to_string(size_) + ")";
    Close();
    return false;
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  return true;
}

bool ImageFile::Write(std::uint64_t offset, const std::uint8_t* bytes, std::size_t count,
                      std::string& error) {
  if (offset >= heldBefore_ && AllZero(bytes, count)) return true;
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pwrite(fd_, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = Problem(n < 0 ? errno : ENOSPC);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ImageFile::ReadBack(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      std::memset(bytes + done, 0, count - done);  // past the file's end
      return true;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ImageFile::Sync(std::string& error) {
  if (fd_ < 0 || ::fdatasync(fd_) == 0) return true;
  error = Problem(errno);
  return false;
}

bool ImageFile::Extend(std::string& error) {
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    error = Problem(errno);
    return false;
  }
  if (static_cast<std::uint64_t>(status.st_size) >= size_) return true;
  if (::ftruncate(fd_, static_cast<off_t>(size_)) == 0) return true;
  error = Problem(errno);
  return false;
}
