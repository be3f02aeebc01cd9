#include "image/CueBackend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "Text.h"
#include "image/CopyMapfile.h"
#include "image/RawSector.h"

namespace wrenlo {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void CloseAll(const std::vector<int>& fds) {
  for (const int fd : fds) ::close(fd);
}

// The BIN file that a mapfile beside the sheet describes, and where its
// sectors lie on the disc; a sheet of several files has none.
CopiedFile CopiedFileOf(const CueDisc& disc, const std::vector<std::uint64_t>& sizes) {
  CopiedFile copied;
  copied.what = "the BIN file";
  if (sizes.size() != 1) {
    copied.unfit = "the cue sheet names " + std::to_string(sizes.size()) +
                   " files, and a mapfile describes one";
    return copied;
  }
  copied.bytes = sizes[0];
  for (const CueRun& run : disc.runs)
    if (run.inFile)
      copied.placements.push_back({run.start, run.count, run.offset, SectorBytes(run.type)});
  return copied;
}

}  // namespace

bool IsCueSheetPath(std::string_view path) {
  if (path.size() < 4) return false;
  std::string ending(path.substr(path.size() - 4));
  for (char& c : ending) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return ending == ".cue";
}

std::unique_ptr<CueBackend> CueBackend::Open(const std::string& path, std::u16string& problem) {
  std::string text;
  int sheetFd = -1;
  if (const int error = ReadSmallFile(path, kMaxCueSheetBytes, text, sheetFd); error != 0) {
    problem = OpenProblem(error);
    return nullptr;
  }
  std::vector<ImageFile> files = {HeldImageFile(sheetFd, kImageFileCueSheet, path)};
  CueSheet sheet;
  std::string reason;
  if (!ParseCueSheet(text, sheet, reason)) {
    problem = FromUtf8(reason);
    return nullptr;
  }

  std::vector<int> fds;
  WatchedImageFiles watched;
  std::vector<std::uint64_t> sizes;
  const auto fail = [&](std::u16string why) -> std::unique_ptr<CueBackend> {
    CloseAll(fds);
    problem = std::move(why);
    return nullptr;
  };
  // Names are relative to the sheet's folder unless they start with '/'.
  const std::string folder = FolderOf(path);
  for (const CueFile& file : sheet.files) {
    const std::u16string where =
        u"cue line " + FromUtf8(std::to_string(file.line)) + u": " + FromUtf8(file.name) + u": ";
    const std::string filePath =
        !file.name.empty() && file.name[0] == '/' ? file.name : folder + file.name;
    int error = 0;
    const int fd = OpenRegularFile(filePath, error);
    if (fd < 0) return fail(where + OpenProblem(error));
    fds.push_back(fd);
    watched.Add(fd, filePath);
    struct stat status {};
    if (::fstat(fd, &status) != 0) return fail(where + OpenProblem(errno));
    sizes.push_back(static_cast<std::uint64_t>(status.st_size));
    files.push_back(ImageFileOf(status, kImageFileCueData, filePath));
  }
  CueDisc disc;
  if (!LayOutCueSheet(sheet, sizes, disc, reason)) return fail(FromUtf8(reason));
  std::unique_ptr<FaultSimulator> faults;
  std::u16string faultsProblem;
  if (!LoadReadFailures(path, CopiedFileOf(disc, sizes), faults, files, faultsProblem))
    return fail(faultsProblem);
  return std::unique_ptr<CueBackend>(new CueBackend(
      std::move(fds), std::move(disc), std::move(faults), std::move(files), std::move(watched)));
}

CueBackend::CueBackend(std::vector<int> fds, CueDisc disc, std::unique_ptr<FaultSimulator> faults,
                       std::vector<ImageFile> files, WatchedImageFiles watched)
    : VirtualDrive(disc.sectorCount, MediumKind::Cd, std::move(faults), std::move(files),
                   std::move(watched)),
      fds_(std::move(fds)),
      disc_(std::move(disc)) {}

CueBackend::~CueBackend() { CloseAll(fds_); }

template <typename RunRead>
Result CueBackend::ForEachRun(std::uint32_t address, std::uint32_t count, RunRead read) {
  const std::uint64_t end = std::uint64_t{address} + count;
  // The last run that starts at or before address.
  auto run = std::upper_bound(disc_.runs.begin(), disc_.runs.end(), address,
                              [](std::uint32_t a, const CueRun& r) { return a < r.start; });
  if (run == disc_.runs.begin()) return kOutOfRange;
  --run;
  while (address < end) {
    // Between sessions: no run holds the address.
    if (run == disc_.runs.end() || address < run->start || address - run->start >= run->count)
      return kOutOfRange;
    const std::uint32_t n = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(end, std::uint64_t{run->start} + run->count) - address);
    if (const Result result = read(*run, address, n); result != kOk) return result;
    address += n;
    ++run;
  }
  return kOk;
}

Result CueBackend::ReadImage(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  return ForEachRun(address, count, [&](const CueRun& run, std::uint32_t first, std::uint32_t n) {
    const Result result = ReadRun(run, first, n, out, false);
    out += std::size_t{n} * kSectorSize;
    return result;
  });
}

Result CueBackend::ReadImageRaw(std::uint32_t address, std::uint32_t count, std::uint8_t* out) {
  return ForEachRun(address, count, [&](const CueRun& run, std::uint32_t first, std::uint32_t n) {
    const Result result = ReadRun(run, first, n, out, true);
    out += std::size_t{n} * kWholeSectorBytes;
    return result;
  });
}

Result CueBackend::ReadRun(const CueRun& run, std::uint32_t address, std::uint32_t count,
                           std::uint8_t* out, bool whole) {
  const std::size_t outBytes = whole ? kWholeSectorBytes : kSectorSize;
  if (!run.inFile) {
    for (std::uint32_t i = 0; i < count; ++i, out += outBytes) {
      if (whole)
        GapSector(run.type, address + i, out);
      else
        std::memset(out, 0, outBytes);
    }
    return kOk;
  }
  const int fd = fds_[run.file];
  const std::uint64_t bytes = SectorBytes(run.type);
  std::uint64_t offset = run.offset + std::uint64_t{address - run.start} * bytes;
  if (run.type == CueTrackType::Mode1Cooked && !whole)
    return ReadAt(fd, out, count * bytes, offset);

  std::array<std::uint8_t, kChunkSectors * kLargestStoredSector> stored;
  while (count > 0) {
    const std::uint32_t n = std::min(count, kChunkSectors);
    const Result read = n < kChunkSectors ? ReadStored(run, address, n, stored.data())
                                          : ReadAt(fd, stored.data(), n * bytes, offset);
    if (read != kOk) return read;
    for (std::uint32_t i = 0; i < n; ++i, out += outBytes) {
      const std::uint8_t* sector = stored.data() + i * bytes;
      if (const Result result = whole ? WholeSector(run.type, address + i, sector, out)
                                      : UserData(run.type, address + i, sector, out);
          result != kOk)
        return result;
    }
    address += n;
    offset += n * bytes;
    count -= n;
  }
  return kOk;
}

Result CueBackend::ReadStored(const CueRun& run, std::uint32_t address, std::uint32_t count,
                              std::uint8_t* stored) {
  const std::uint64_t bytes = SectorBytes(run.type);
  const std::uint64_t offset = run.offset + std::uint64_t{address - run.start} * bytes;
  const std::uint64_t wanted = count * bytes;
  ReadAhead& ahead = *readAhead_;
  const std::lock_guard lock(ahead.mutex);
  const bool held = ahead.bytes != 0 && ahead.file == run.file && offset >= ahead.offset &&
                    offset + wanted <= ahead.offset + ahead.bytes;
  if (!held) {
    // The sectors asked for and those after them, as far as the run goes.
    const std::uint64_t left = run.count - (address - run.start);
    const std::uint64_t sectors = std::min<std::uint64_t>(left, kChunkSectors);
    ahead.bytes = 0;
    if (const Result result = ReadAt(fds_[run.file], ahead.stored.data(), sectors * bytes, offset);
        result != kOk)
      return result;
    ahead.file = run.file;
    ahead.offset = offset;
    ahead.bytes = static_cast<std::size_t>(sectors * bytes);
  }
  std::memcpy(stored, ahead.stored.data() + (offset - ahead.offset), wanted);
  return kOk;
}

void CueBackend::Layout(MediumLayout& out) const {
  out.sessions = disc_.sessions;
  out.tracks = disc_.tracks;
}

}  // namespace wrenlo
