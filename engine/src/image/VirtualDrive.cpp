#include "image/VirtualDrive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "Text.h"
#include "image/PreciseWait.h"

namespace wrenlo {

namespace {

// How often the image's files are looked at while reads succeed.
constexpr std::chrono::seconds kLookInterval{1};

}  // namespace

VirtualDrive::VirtualDrive(std::uint32_t sectors, MediumKind kind,
                           std::unique_ptr<FaultSimulator> faults, std::vector<ImageFile> files,
                           WatchedImageFiles watched)
    : sectors_(sectors),
      kind_(kind),
      faults_(std::move(faults)),
      watched_(std::move(watched)),
      files_(std::move(files)) {}

template <typename ImageRead>
Result VirtualDrive::ReadWithFaults(std::uint32_t address, std::uint32_t count, ImageRead read) {
  if (trayOpen_.load(std::memory_order_relaxed)) return kNoMedium;
  if (ImageChanged(false)) return kImageChanged;
  if (std::uint64_t{address} + count > sectors_) return kOutOfRange;
  // A file cut short reads as an error: told apart from a bad sector here.
  const auto readImage = [&] {
    const Result result = read();
    return result != kOk && ImageChanged(true) ? kImageChanged : result;
  };
  if (!faults_) return readImage();

  const auto start = std::chrono::steady_clock::now();
  const bool fails = faults_->ReadFails(address, count);
  const Result result = fails ? kMediumError : readImage();
  if (faults_->HasLatency()) WaitUntil(start + faults_->Latency(count, fails));
  return result;
}

bool VirtualDrive::ImageChanged(bool force) {
  if (changed_.load(std::memory_order_relaxed)) return true;
  const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count();
  if (!force && now < nextLook_.load(std::memory_order_relaxed)) return false;
  nextLook_.store(now + std::chrono::nanoseconds(kLookInterval).count(), std::memory_order_relaxed);
  if (!watched_.Changed()) return false;
  changed_.store(true, std::memory_order_relaxed);
  return true;
}

Result VirtualDrive::Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  return ReadWithFaults(address, count, [&] { return ReadImage(address, count, out); });
}

Result VirtualDrive::ReadRaw(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  // A DVD or BD has no whole sectors to give, whatever its faults.
  if (kind_ != MediumKind::Cd) return kUnsupported;
  return ReadWithFaults(address, count, [&] { return ReadImageRaw(address, count, out); });
}

DriveIdentity VirtualDrive::Identity() {
  DriveIdentity identity;
  identity.vendor = u"Virtual";
  identity.model = u"Image Drive";
  identity.revision = u"1.0";
  identity.firmwareRevision = u"1.0 (virtual drive for disc images)";
  identity.bufferSizeKB = 2048;
  return identity;
}

bool VirtualDrive::HasCapability(std::uint64_t code) { return VirtualDriveCan(kind_, code); }

std::int32_t VirtualDrive::MaxReadSpeedKB() { return wrenlo::MaxReadSpeedKB(kind_); }

Result VirtualDrive::Medium(MediumLayout& out) {
  if (trayOpen_.load()) return kNoMedium;
  out.typeName = TypeName(kind_);
  Layout(out);
  return kOk;
}

Result VirtualDrive::Eject() {
  if (!trayOpen_.exchange(true)) ++trayMoves_;
  return kOk;
}

Result VirtualDrive::CloseTray() {
  if (trayOpen_.exchange(false)) ++trayMoves_;
  return kOk;
}

Result VirtualDrive::MediumPresence(bool& present, std::uint32_t& changes) {
  changes = trayMoves_.load();
  present = !trayOpen_.load();
  return kOk;
}

int OpenRegularFile(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  struct stat status {};
  error = ::fstat(fd, &status) != 0 ? errno : S_ISREG(status.st_mode) ? 0 : kNotRegularFile;
  if (error != 0) {
    ::close(fd);
    return -1;
  }
  // Reads of a regular file never wait anyway; the flag goes for clarity.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

std::u16string OpenProblem(int error) {
  switch (error) {
    case kNotRegularFile:
      return u"not a regular file";
    case ENOENT:
      return u"no such file";
    case EACCES:
    case EPERM:
      return u"permission denied";
    default:
      return u"cannot open: " + FromUtf8(std::strerror(error));
  }
}

Result ReadAt(int fd, std::uint8_t* out, std::uint64_t bytes, std::uint64_t offset) {
  std::uint64_t done = 0;
  while (done < bytes) {
    const ssize_t n = ::pread(fd, out + done, bytes - done, static_cast<off_t>(offset + done));
    if (n > 0) {
      done += static_cast<std::uint64_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return kMediumError;
    }
  }
  return kOk;
}

int ReadSmallFile(const std::string& path, std::size_t limit, std::string& text, int& fd) {
  text.clear();
  int error = 0;
  fd = OpenRegularFile(path, error);
  if (fd < 0) return error;
  char buffer[4096];
  while (text.size() <= limit) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  if (error != 0) {
    ::close(fd);
    fd = -1;
  }
  return error;
}

bool LoadFaults(const std::string& imagePath, std::unique_ptr<FaultSimulator>& out,
                std::vector<ImageFile>& files, std::u16string& problem) {
  std::string text;
  const std::string path = imagePath + ".faults";
  int fd = -1;
  if (const int error = ReadSmallFile(path, kMaxFaultsFileBytes, text, fd); error != 0) {
    if (error == ENOENT) return true;
    problem = error == kNotRegularFile ? u"faults file: not a regular file"
                                       : u"cannot read the faults file";
    return false;
  }
  ImageFile file = HeldImageFile(fd, kImageFileFaults, path);
  FaultPlan plan;
  std::string reason;
  if (!ParseFaults(text, plan, reason)) {
    problem = FromUtf8(reason);
    return false;
  }
  out = std::make_unique<FaultSimulator>(std::move(plan));
  files.push_back(std::move(file));
  return true;
}

}  // namespace wrenlo
