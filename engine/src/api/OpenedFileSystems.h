// The file systems opened lately, so that opening the same session again
// reuses its decoded volume and the directories it has decoded: the files
// test opens a session for every file it verifies. A file system is used
// again only while the sectors that identify it (the first volume descriptor
// and the root directory's first sector) read as they did when it was opened:
// a changed medium or a rewritten image is opened afresh. Safe to use from
// several threads.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "Backend.h"
#include "Result.h"
#include "fs/SessionFileSystem.h"

namespace wrenlo {

// File systems kept; each holds at most its own bounded directory cache.
inline constexpr std::size_t kOpenedFileSystemsKept = 4;

class OpenedFileSystems {
 public:
  // The file system selector names in the session [start, end) of backend
  // (see OpenSessionFileSystem), kept or opened now.
  Result Open(const std::shared_ptr<Backend>& backend, std::uint32_t start, std::uint32_t end,
              std::int32_t selector, std::shared_ptr<const SessionFileSystem>& out);
  // Forgets every file system, letting go of their backends.
  void Clear();
  // Forgets the file systems of backend, letting go of it.
  void Forget(const Backend* backend);

 private:
  struct Kept {
    std::shared_ptr<Backend> backend;
    std::uint32_t start = 0, end = 0;
    std::int32_t selector = 0;
    std::vector<std::uint8_t> identity;  // the identifying sectors as read at opening
    std::shared_ptr<const SessionFileSystem> fileSystem;
  };

  std::mutex mutex_;
  std::list<Kept> kept_;  // least recently used first
};

}  // namespace wrenlo
