#include "api/OpenedFileSystems.h"

#include <algorithm>
#include <iterator>

namespace wrenlo {

namespace {

constexpr std::uint32_t kSectorSize = 2048;

// The sectors that identify the file system of the session [start, end) as
// they read now: the first volume descriptor (for UDF, the first sector of
// its volume recognition sequence) and the root directory's first sector
// (UDF: its file entry), which holds the root's own dates. False when one of
// them cannot be read.
bool ReadIdentity(Backend& backend, std::uint32_t start, std::uint32_t end,
                  const SessionFileSystem& fileSystem, std::vector<std::uint8_t>& out) {
  const std::uint64_t limit = std::min<std::uint64_t>(end, backend.SectorCount());
  const std::uint64_t sectors[] = {std::uint64_t{start} + 16, fileSystem.RootSector()};
  out.resize(std::size(sectors) * kSectorSize);
  for (std::size_t i = 0; i < std::size(sectors); ++i)
    if (sectors[i] >= limit || backend.Read(static_cast<std::uint32_t>(sectors[i]), 1,
                                            out.data() + i * kSectorSize) != kOk)
      return false;
  return true;
}

}  // namespace

Result OpenedFileSystems::Open(const std::shared_ptr<Backend>& backend, std::uint32_t start,
                               std::uint32_t end, std::int32_t selector,
                               std::shared_ptr<const SessionFileSystem>& out) {
  out.reset();
  const auto same = [&](const Kept& kept) {
    return kept.backend == backend && kept.start == start && kept.end == end &&
           kept.selector == selector;
  };
  Kept found;
  {
    const std::lock_guard lock(mutex_);
    if (const auto at = std::find_if(kept_.begin(), kept_.end(), same); at != kept_.end()) {
      kept_.splice(kept_.end(), kept_, at);
      found = kept_.back();
    }
  }
  std::vector<std::uint8_t> identity;
  if (found.fileSystem && ReadIdentity(*backend, start, end, *found.fileSystem, identity) &&
      identity == found.identity) {
    out = std::move(found.fileSystem);
    return kOk;
  }

  auto opened = std::make_shared<SessionFileSystem>();
  if (const Result result = OpenSessionFileSystem(*backend, start, end, selector, *opened);
      result != kOk)
    return result;
  out = opened;
  const bool identified = ReadIdentity(*backend, start, end, *opened, identity);
  const std::lock_guard lock(mutex_);
  // Another thread may have opened the same session meanwhile.
  kept_.remove_if(same);
  if (!identified) return kOk;
  if (kept_.size() >= kOpenedFileSystemsKept) kept_.pop_front();
  kept_.push_back({backend, start, end, selector, std::move(identity), std::move(opened)});
  return kOk;
}

void OpenedFileSystems::Clear() {
  std::list<Kept> released;  // destroyed after the lock is let go
  const std::lock_guard lock(mutex_);
  released.swap(kept_);
}

void OpenedFileSystems::Forget(const Backend* backend) {
  std::list<Kept> released;  // destroyed after the lock is let go
  const std::lock_guard lock(mutex_);
  for (auto kept = kept_.begin(); kept != kept_.end();) {
    const auto next = std::next(kept);
    if (kept->backend.get() == backend) released.splice(released.end(), kept_, kept);
    kept = next;
  }
}

}  // namespace wrenlo
