#include "image/ImageBackend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

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
  ImageFiles files;  // closes the file on failure
  const auto fail = [&](std::u16string why) -> std::unique_ptr<ImageBackend> {
    problem = std::move(why);
    return nullptr;
  };
  if (!files.Add(fd, path)) return fail(OpenProblem(errno));
  const std::uint64_t size = files.Size(0);
  if (size == 0) return fail(u"the image is empty");
  if (size < kSectorBytes) return fail(u"the image is smaller than one 2048-byte sector");
  // Addresses of the engine's operations are 32-bit signed.
  if (size / kSectorBytes > std::uint64_t{std::numeric_limits<std::int32_t>::max()})
    return fail(u"the image is larger than 4 TB");
  std::unique_ptr<FaultSimulator> faults;
  std::u16string faultsProblem;
  if (!LoadFaults(path, faults, faultsProblem)) return fail(faultsProblem);
  return std::unique_ptr<ImageBackend>(new ImageBackend(
      std::move(files), static_cast<std::uint32_t>(size / kSectorBytes), std::move(faults)));
}

ImageBackend::ImageBackend(ImageFiles files, std::uint32_t sectors,
                           std::unique_ptr<FaultSimulator> faults)
    : VirtualDrive(sectors, KindOfImage(sectors), std::move(files), std::move(faults)) {}

Result ImageBackend::ReadImage(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  return ReadAt(Files().Fd(0), out, std::uint64_t{count} * kSectorBytes,
                std::uint64_t{address} * kSectorBytes);
}

void ImageBackend::Layout(MediumLayout& out) const {
  out.sessions = {SessionLayout{1, 0, SectorCount(), 1, 1}};
  out.tracks = {TrackLayout{1, 1, 0, SectorCount(), 1}};
}

}  // namespace wrenlo
