// The most recently used decoded directories of one file system, keyed by
// where each directory lies, so that walking many paths does not decode the
// same directory over and over. Bounded in directories and in the entries
// they hold in all. Safe to use from several threads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <list>
#include <memory>
#include <mutex>
#include <utility>

namespace wrenlo {

template <typename Listing>
class DirectoryCache {
 public:
  using Entries = std::shared_ptr<const Listing>;

  DirectoryCache(std::size_t maxDirectories, std::size_t maxEntries)
      : maxDirectories_(maxDirectories), maxEntries_(maxEntries) {}

  // The directory kept under key, or null; it becomes the most recently used.
  Entries Find(std::uint64_t key) const {
    const std::lock_guard guard(lock_);
    // From the most recently used: a walk asks for the same few directories
    // (the root, the current folder) again and again.
    const auto found = std::find_if(kept_.rbegin(), kept_.rend(),
                                    [&](const Kept& directory) { return directory.key == key; });
    if (found == kept_.rend()) return nullptr;
    kept_.splice(kept_.end(), kept_, std::next(found).base());
    return kept_.back().entries;
  }

  // Keeps entries, a directory of size entries, under key, dropping the least
  // recently used directories while the cache would hold too many
  // directories or entries. A directory larger than the whole cache is not
  // kept.
  void Store(std::uint64_t key, Entries entries, std::size_t size) {
    const std::lock_guard guard(lock_);
    if (size > maxEntries_ || std::any_of(kept_.begin(), kept_.end(), [&](const Kept& directory) {
          return directory.key == key;
        }))
      return;
    while (!kept_.empty() && (kept_.size() >= maxDirectories_ || held_ + size > maxEntries_)) {
      held_ -= kept_.front().size;
      kept_.pop_front();
    }
    held_ += size;
    kept_.push_back({key, std::move(entries), size});
  }

 private:
  struct Kept {
    std::uint64_t key = 0;
    Entries entries;
    std::size_t size = 0;
  };
  const std::size_t maxDirectories_;
  const std::size_t maxEntries_;
  mutable std::mutex lock_;
  mutable std::list<Kept> kept_;  // least recently used first
  std::size_t held_ = 0;          // entries of all directories kept
};

}  // namespace wrenlo
