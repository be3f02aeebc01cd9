#include "image/ImageBackend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <limits>

#include "image/CopyMapfile.h"
#include "image/RawSector.h"

namespace wrenlo {

namespace {

constexpr std::uint64_t kSectorBytes = 2048;

}  // namespace

std::unique_ptr<ImageBackend> ImageBackend::Open(const std::string& path, std::u16string& problem) {
  int error = 0;
  const int fd = OpenRegularFile(path, error);
  if (fd < 0) {
    problem = OpenProblem(error);
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
  if (size < kSectorBytes) return fail(u"the image is smaller than one 2048-byte sector");
  // Addresses of the engine's operations are 32-bit signed.
  if (size / kSectorBytes > std::uint64_t{std::numeric_limits<std::int32_t>::max()})
    return fail(u"the image is larger than 4 TB");
  std::vector<ImageFile> files = {ImageFileOf(status, kImageFileImage, path)};
  std::unique_ptr<FaultSimulator> faults;
  std::u16string faultsProblem;
  const CopiedFile copied{"the image",
                          size,
                          {{0, static_cast<std::uint32_t>(size / kSectorBytes), 0, kSectorBytes}},
                          {}};
  if (!LoadReadFailures(path, copied, faults, files, faultsProblem)) return fail(faultsProblem);
  WatchedImageFiles watched;
  watched.Add(fd, path);
  return std::unique_ptr<ImageBackend>(
      new ImageBackend(fd, static_cast<std::uint32_t>(size / kSectorBytes), std::move(faults),
                       std::move(files), std::move(watched)));
}

ImageBackend::ImageBackend(int fd, std::uint32_t sectors, std::unique_ptr<FaultSimulator> faults,
                           std::vector<ImageFile> files, WatchedImageFiles watched)
    : VirtualDrive(sectors, KindOfImage(sectors), std::move(faults), std::move(files),
                   std::move(watched)),
      fd_(fd) {}

ImageBackend::~ImageBackend() { ::close(fd_); }

Result ImageBackend::ReadImage(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  return ReadAt(fd_, out, std::uint64_t{count} * kSectorBytes,
                std::uint64_t{address} * kSectorBytes);
}

Result ImageBackend::ReadImageRaw(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  constexpr std::uint32_t kChunk = 16;
  std::array<std::uint8_t, kChunk * kSectorBytes> user;
  while (count > 0) {
    const std::uint32_t n = std::min(count, kChunk);
    if (const Result result = ReadImage(address, n, user.data()); result != kOk) return result;
    for (std::uint32_t i = 0; i < n; ++i, out += kWholeSectorBytes)
      BuildMode1Sector(address + i, user.data() + i * kSectorBytes, out);
    address += n;
    count -= n;
  }
  return kOk;
}

void ImageBackend::Layout(MediumLayout& out) const {
  out.sessions = {SessionLayout{1, 0, SectorCount(), 1, 1}};
  out.tracks = {TrackLayout{1, 1, 0, SectorCount(), 1}};
}

}  // namespace wrenlo
