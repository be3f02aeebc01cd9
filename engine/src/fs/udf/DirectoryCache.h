// The most recently decoded directories, keyed by the sector of their file
// entry, so that walking many paths does not decode the same directory over
// and over. Safe to use from several threads.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "Directory.h"

namespace wrenlo::udf {

class DirectoryCache {
 public:
  using Entries = std::shared_ptr<const DirectoryListing>;

  // The directory whose entry lies at sector, or null.
  Entries Find(std::uint64_t sector) const;
  // Keeps entries, dropping the oldest directories when the cache holds too
  // many directories or entries.
  void Store(std::uint64_t sector, Entries entries);

 private:
  mutable std::mutex lock_;
  std::deque<std::pair<std::uint64_t, Entries>> directories_;
  std::size_t held_ = 0;  // entries of all directories kept
};

}  // namespace wrenlo::udf
