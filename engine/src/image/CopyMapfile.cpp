#include "image/CopyMapfile.h"

#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <cerrno>

#include "Text.h"
#include "image/Mapfile.h"
#include "image/VirtualDrive.h"

namespace wrenlo {

namespace {

// A run of bytes of the file, [begin, end).
struct ByteSpan {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};

// The ranges sorted and joined where they meet or touch.
std::vector<FaultRange> Joined(std::vector<FaultRange> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const FaultRange& a, const FaultRange& b) { return a.first < b.first; });
  std::vector<FaultRange> joined;
  for (const FaultRange& range : ranges) {
    if (!joined.empty() && std::uint64_t{range.first} <= std::uint64_t{joined.back().last} + 1)
      joined.back().last = std::max(joined.back().last, range.last);
    else
      joined.push_back(range);
  }
  return joined;
}

}  // namespace

bool MissingSectors(std::string_view text, const CopiedFile& file, std::vector<FaultRange>& missing,
                    std::uint64_t& count, std::string& problem) {
  missing.clear();
  count = 0;
  // The bytes not finished, joined where they touch; bytes that no block
  // describes were never tried.
  std::vector<ByteSpan> unfinished;
  std::uint64_t covered = 0;
  const auto addUnfinished = [&](std::uint64_t begin, std::uint64_t end) {
    if (begin == end) return;
    if (!unfinished.empty() && unfinished.back().end == begin)
      unfinished.back().end = end;
    else
      unfinished.push_back({begin, end});
  };
  MapfileHead head;
  const bool parsed = ParseMapfile(
      text, head,
      [&](const MapfileBlock& block) {
        addUnfinished(covered, block.position);
        if (block.status != '+') addUnfinished(block.position, block.End());
        covered = block.End();
        return true;
      },
      problem);
  if (!parsed) {
    problem = "mapfile " + problem;
    return false;
  }
  if (covered != file.bytes) {
    problem = "the mapfile describes " + std::to_string(covered) + " bytes and " + file.what +
              " has " + std::to_string(file.bytes) + ": it is not this copy's mapfile";
    return false;
  }
  std::vector<FaultRange> ranges;
  for (const FilePlacement& place : file.placements) {
    if (place.count == 0 || place.sectorBytes == 0) continue;
    const std::uint64_t begin = place.offset;
    const std::uint64_t end = begin + std::uint64_t{place.count} * place.sectorBytes;
    // The first span that ends after the placement begins.
    auto span = std::upper_bound(unfinished.begin(), unfinished.end(), begin,
                                 [](std::uint64_t at, const ByteSpan& s) { return at < s.end; });
    for (; span != unfinished.end() && span->begin < end; ++span) {
      const std::uint64_t from = std::max(span->begin, begin) - begin;
      const std::uint64_t to = std::min(span->end, end) - begin;  // one past
      FaultRange range;
      range.first = place.address + static_cast<std::uint32_t>(from / place.sectorBytes);
      range.last = place.address + static_cast<std::uint32_t>((to - 1) / place.sectorBytes);
      range.always = true;
      ranges.push_back(range);
    }
  }
  missing = Joined(std::move(ranges));
  for (const FaultRange& range : missing) count += std::uint64_t{range.last} - range.first + 1;
  return true;
}

void AddMissing(FaultPlan& plan, const std::vector<FaultRange>& missing) {
  // Each range of plan without the sectors of missing, then missing itself.
  std::vector<FaultRange> ranges;
  auto cut = missing.begin();
  for (const FaultRange& range : plan.ranges) {
    while (cut != missing.end() && cut->last < range.first) ++cut;
    std::uint64_t from = range.first;
    for (auto m = cut; m != missing.end() && m->first <= range.last; ++m) {
      if (from < m->first) {
        FaultRange piece = range;
        piece.first = static_cast<std::uint32_t>(from);
        piece.last = m->first - 1;
        ranges.push_back(piece);
      }
      from = std::uint64_t{m->last} + 1;
    }
    if (from <= range.last) {
      FaultRange piece = range;
      piece.first = static_cast<std::uint32_t>(from);
      ranges.push_back(piece);
    }
  }
  ranges.insert(ranges.end(), missing.begin(), missing.end());
  std::sort(ranges.begin(), ranges.end(),
            [](const FaultRange& a, const FaultRange& b) { return a.first < b.first; });
  plan.ranges = std::move(ranges);
}

bool LoadReadFailures(const std::string& imagePath, const CopiedFile& file,
                      std::unique_ptr<FaultSimulator>& out, std::vector<ImageFile>& files,
                      std::u16string& problem) {
  if (!LoadFaults(imagePath, out, files, problem)) return false;
  const std::string path = imagePath + ".map";
  std::string text;
  int fd = -1;
  if (const int error = ReadSmallFile(path, kMaxMapfileBytes, text, fd); error != 0) {
    if (error == ENOENT) return true;
    problem =
        error == kNotRegularFile ? u"mapfile: not a regular file" : u"cannot read the mapfile";
    return false;
  }
  // Read once and let go, not listed among the drive's files: a copy still
  // running replaces its mapfile while the image may be open as a drive.
  ::close(fd);
  std::string reason;
  std::vector<FaultRange> missing;
  std::uint64_t count = 0;
  if (text.size() > kMaxMapfileBytes)
    reason = "the mapfile is larger than its limit of 64 MB";
  else if (!file.unfit.empty())
    reason = file.unfit;
  if (!reason.empty() || !MissingSectors(text, file, missing, count, reason)) {
    problem = FromUtf8(reason);
    return false;
  }
  FaultPlan plan = out ? out->Plan() : FaultPlan{};
  AddMissing(plan, missing);
  plan.missingSectors = static_cast<std::int64_t>(count);
  out = std::make_unique<FaultSimulator>(std::move(plan));
  return true;
}

}  // namespace wrenlo
