// The engine's handles: ids that stand for capability sets, disk sessions and
// directories. Every call looks its handle up here, so a handle that was never
// given out, was closed, or is of another kind gives kInvalidHandle rather
// than touching freed memory. Ids are not reused.
#pragma once

#include <wrenlo/wrenlo.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <variant>
#include <vector>

#include "Backend.h"
#include "FileSystem.h"
#include "fs/SessionFileSystem.h"

namespace wrenlo {

struct CapabilitiesObject {
  std::shared_ptr<Backend> backend;
};

struct DiskSessionObject {
  std::shared_ptr<Backend> backend;  // declared first: outlives the file system
  // Shared with other sessions of the same file system.
  std::shared_ptr<const SessionFileSystem> fileSystem;
  bool withTimes = false;  // its listings give every entry's time (kFileSystemWithTimes)
};

struct DirectoryObject {
  std::vector<DirectoryItem> items;  // the listing taken when it was opened
};

class HandleTable {
 public:
  // Most handles open at once; a caller that never closes its handles gets
  // kTooLarge instead of growing the table without end.
  static constexpr std::size_t kMaxOpen = 1 << 20;

  template <typename T>
  Result Add(std::shared_ptr<T> object, Handle& out) {
    const std::lock_guard lock(mutex_);
    if (objects_.size() >= kMaxOpen) return kTooLarge;
    if (++last_ == 0) ++last_;  // 0 means no handle
    objects_.emplace(last_, std::move(object));
    out = last_;
    return kOk;
  }

  // The object of handle when it is open and of kind T, else null.
  template <typename T>
  std::shared_ptr<T> Find(Handle handle) const {
    const std::lock_guard lock(mutex_);
    const auto found = objects_.find(handle);
    if (found == objects_.end()) return nullptr;
    const auto* object = std::get_if<std::shared_ptr<T>>(&found->second);
    return object ? *object : nullptr;
  }

  // Closes handle when it is open and of kind T.
  template <typename T>
  Result Remove(Handle handle) {
    std::shared_ptr<T> released;  // destroyed after the lock is let go
    const std::lock_guard lock(mutex_);
    const auto found = objects_.find(handle);
    if (found == objects_.end() || !std::holds_alternative<std::shared_ptr<T>>(found->second))
      return kInvalidHandle;
    released = std::get<std::shared_ptr<T>>(std::move(found->second));
    objects_.erase(found);
    return kOk;
  }

 private:
  using Object = std::variant<std::shared_ptr<CapabilitiesObject>,
                              std::shared_ptr<DiskSessionObject>, std::shared_ptr<DirectoryObject>>;
  mutable std::mutex mutex_;
  std::unordered_map<Handle, Object> objects_;
  Handle last_ = 0;
};

}  // namespace wrenlo
