#include "DirectoryCache.h"

#include <algorithm>

#include "Limits.h"

namespace wrenlo::udf {

DirectoryCache::Entries DirectoryCache::Find(std::uint64_t sector) const {
  std::lock_guard guard(lock_);
  const auto found = std::find_if(directories_.begin(), directories_.end(),
                                  [&](const auto& directory) { return directory.first == sector; });
  return found == directories_.end() ? nullptr : found->second;
}

void DirectoryCache::Store(std::uint64_t sector, Entries entries) {
  std::lock_guard guard(lock_);
  if (std::any_of(directories_.begin(), directories_.end(),
                  [&](const auto& directory) { return directory.first == sector; }))
    return;
  const std::size_t size = entries->Records().size();
  if (size > kDirectoryCacheEntries) return;
  while (!directories_.empty() &&
         (directories_.size() >= kDirectoryCacheSize || held_ + size > kDirectoryCacheEntries)) {
    held_ -= directories_.front().second->Records().size();
    directories_.pop_front();
  }
  held_ += size;
  directories_.emplace_back(sector, std::move(entries));
}

}  // namespace wrenlo::udf
