#include "image/ImageBackend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>

#include "Text.h"
#include "image/PreciseWait.h"

namespace wrenlo {

namespace {

constexpr std::uint64_t kSectorBytes = 2048;

std::u16string OpenProblem(int error) {
  switch (error) {
    case ENOENT:
      return u"no such file";
    case EACCES:
    case EPERM:
      return u"permission denied";
    default:
      return u"cannot open: " + FromUtf8(std::strerror(error));
  }
}

// Opens path for reading, refusing anything but a regular file. The open does
// not block, as it would on a FIFO without a writer; the type is checked on
// the open descriptor, so a file swapped in between cannot slip through.
// Returns the descriptor, or -1 with errno set (0 when the file is of
// another type).
int OpenRegularFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat status {};
  const bool statted = ::fstat(fd, &status) == 0;
  const int error = statted ? 0 : errno;
  if (!statted || !S_ISREG(status.st_mode)) {
    ::close(fd);
    errno = error;
    return -1;
  }
  // Reads of a regular file never wait anyway; the flag goes for clarity.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// Reads the faults file beside the image, if there is one. False with problem
// set when it cannot be read or is malformed.
bool LoadFaults(const std::string& imagePath, std::unique_ptr<FaultSimulator>& out,
                std::u16string& problem) {
  const int fd = OpenRegularFile(imagePath + ".faults");
  if (fd < 0) {
    if (errno == ENOENT) return true;
    problem = errno == 0 ? u"faults file: not a regular file" : u"cannot read the faults file";
    return false;
  }
  std::string text;
  char buffer[4096];
  bool failed = false;
  while (text.size() <= kMaxFaultsFileBytes) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed = true;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (failed) {
    problem = u"cannot read the faults file";
    return false;
  }
  FaultPlan plan;
  std::string reason;
  if (!ParseFaults(text, plan, reason)) {
    problem = FromUtf8(reason);
    return false;
  }
  out = std::make_unique<FaultSimulator>(std::move(plan));
  return true;
}

}  // namespace

std::unique_ptr<ImageBackend> ImageBackend::Open(const std::string& path, std::u16string& problem) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) {
    problem = errno == 0 ? u"not a regular file" : OpenProblem(errno);
    return nullptr;
  }
  const auto fail = [&](std::u16string why) -> std::unique_ptr<ImageBackend> {
    ::close(fd);
    problem = std::move(why);
    return nullptr;
  };
  struct stat status {};
  if (::fstat(fd, &status) != 0) return fail(OpenProblem(errno));
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (size == 0) return fail(u"the image is empty");
  if (size % kSectorBytes != 0) return fail(u"size is not a multiple of 2048 bytes");
  // Addresses of the engine's operations are 32-bit signed.
  if (size / kSectorBytes > std::uint64_t{std::numeric_limits<std::int32_t>::max()})
    return fail(u"the image is larger than 4 TB");
  std::unique_ptr<FaultSimulator> faults;
  std::u16string faultsProblem;
  if (!LoadFaults(path, faults, faultsProblem)) return fail(faultsProblem);
  return std::unique_ptr<ImageBackend>(
      new ImageBackend(fd, static_cast<std::uint32_t>(size / kSectorBytes), std::move(faults)));
}

ImageBackend::ImageBackend(int fd, std::uint32_t sectors, std::unique_ptr<FaultSimulator> faults)
    : fd_(fd), sectors_(sectors), kind_(KindOfImage(sectors)), faults_(std::move(faults)) {}

ImageBackend::~ImageBackend() { ::close(fd_); }

Result ImageBackend::Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  if (trayOpen_.load(std::memory_order_relaxed)) return kNoMedium;
  if (std::uint64_t{address} + count > sectors_) return kOutOfRange;
  if (!faults_) return ReadFile(address, count, out);

  const auto start = std::chrono::steady_clock::now();
  const Result result =
      faults_->ReadFails(address, count) ? kMediumError : ReadFile(address, count, out);
  if (faults_->HasLatency()) WaitUntil(start + faults_->Latency(count));
  return result;
}

Result ImageBackend::ReadFile(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  const std::uint64_t total = std::uint64_t{count} * kSectorBytes;
  const std::uint64_t offset = std::uint64_t{address} * kSectorBytes;
  std::uint64_t done = 0;
  while (done < total) {
    const ssize_t n = ::pread(fd_, out + done, total - done, static_cast<off_t>(offset + done));
    if (n > 0) {
      done += static_cast<std::uint64_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      // An I/O error, or the file was cut short after it was opened.
      return kMediumError;
    }
  }
  return kOk;
}

DriveIdentity ImageBackend::Identity() {
  DriveIdentity identity;
  identity.vendor = u"Virtual";
  identity.model = u"Image Drive";
  identity.revision = u"1.0";
  identity.firmwareRevision = u"1.0 (virtual drive for disc images)";
  identity.bufferSizeKB = 2048;
  return identity;
}

bool ImageBackend::HasCapability(std::uint64_t code) { return VirtualDriveCan(kind_, code); }

std::int32_t ImageBackend::MaxReadSpeedKB() { return wrenlo::MaxReadSpeedKB(kind_); }

Result ImageBackend::Medium(MediumLayout& out) {
  if (trayOpen_.load()) return kNoMedium;
  out.typeName = TypeName(kind_);
  out.sessions = {SessionLayout{1, 0, sectors_, 1, 1}};
  out.tracks = {TrackLayout{1, 1, 0, sectors_, 1}};
  return kOk;
}

Result ImageBackend::Eject() {
  trayOpen_ = true;
  return kOk;
}

Result ImageBackend::CloseTray() {
  trayOpen_ = false;
  return kOk;
}

}  // namespace wrenlo
