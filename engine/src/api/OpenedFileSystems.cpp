#include "api/OpenedFileSystems.h"

#include <algorithm>

namespace wrenlo {

namespace {

constexpr std::uint32_t kSectorSize = 2048;
// Where a session's first volume descriptor and its UDF anchor lie.
constexpr std::uint32_t kIdentifyingSectors[] = {16, 256};

// The identifying sectors of the session that lie inside it, one after the
// other; false when one of them cannot be read.
bool ReadIdentity(Backend& backend, std::uint32_t start, std::uint32_t end,
                  std::vector<std::uint8_t>& out) {
  out.clear();
  const std::uint64_t limit = std::min<std::uint64_t>(end, backend.SectorCount());
  for (const std::uint32_t offset : kIdentifyingSectors) {
    const std::uint64_t address = std::uint64_t{start} + offset;
    if (address >= limit) break;
    out.resize(out.size() + kSectorSize);
    if (backend.Read(static_cast<std::uint32_t>(address), 1,
                     out.data() + out.size() - kSectorSize) != kOk)
      return false;
  }
  return true;
}

}  // namespace

Result OpenedFileSystems::Open(const std::shared_ptr<Backend>& backend, std::uint32_t start,
                               std::uint32_t end, std::int32_t selector,
                               std::shared_ptr<const SessionFileSystem>& out) {
  out.reset();
  std::vector<std::uint8_t> identity;
  const bool identified = ReadIdentity(*backend, start, end, identity);
  const auto same = [&](const Kept& kept) {
    return kept.backend == backend && kept.start == start && kept.end == end &&
           kept.selector == selector;
  };
  {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(kept_.begin(), kept_.end(), same);
    if (found != kept_.end()) {
      if (identified && found->identity == identity) {
        kept_.splice(kept_.end(), kept_, found);
        out = kept_.back().fileSystem;
        return kOk;
      }
      kept_.erase(found);
    }
  }
  auto opened = std::make_shared<SessionFileSystem>();
  if (const Result result = OpenSessionFileSystem(*backend, start, end, selector, *opened);
      result != kOk)
    return result;
  out = opened;
  if (!identified) return kOk;
  const std::lock_guard lock(mutex_);
  // Another thread may have opened the same session meanwhile.
  kept_.remove_if(same);
  if (kept_.size() >= kOpenedFileSystemsKept) kept_.pop_front();
  kept_.push_back({backend, start, end, selector, std::move(identity), std::move(opened)});
  return kOk;
}

void OpenedFileSystems::Clear() {
  std::list<Kept> released;  // destroyed after the lock is let go
  const std::lock_guard lock(mutex_);
  released.swap(kept_);
}

}  // namespace wrenlo
