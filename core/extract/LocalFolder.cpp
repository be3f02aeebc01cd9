#include "core/extract/LocalFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

}  // namespace

LocalFolder::~LocalFolder() {
  if (file_ >= 0) close(file_);
  for (const int fd : folders_) close(fd);
}

std::string LocalFolder::LocalPath(const std::string& name) const {
  std::string path;
  for (const std::string& folder : names_) path += folder + '/';
  return path + name;
}

std::string LocalFolder::Failure(std::string_view doing, const std::string& name, int error) const {
  std::string shown = top_;
  if (!shown.empty() && shown.back() != '/') shown += '/';
  return std::string(doing) + ' ' + shown + LocalPath(name) + ": " + std::strerror(error);
}

bool LocalFolder::Open(const std::string& path, std::string& error) {
  top_ = path;
  if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    error = "cannot create the folder " + path + ": " + std::strerror(errno);
    return false;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open the folder " + path + ": " + std::strerror(errno);
    return false;
  }
  folders_.push_back(fd);
  used_.emplace_back();
  return true;
}

std::size_t LocalFolder::NameMax() const {
  const long most = fpathconf(folders_.back(), _PC_NAME_MAX);
  return most > 0 ? static_cast<std::size_t>(most) : NAME_MAX;
}

bool LocalFolder::UsedThisRun(const std::string& name) const {
  struct stat entry {};
  return fstatat(folders_.back(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
         used_.back().count({entry.st_dev, entry.st_ino}) != 0;
}

void LocalFolder::MarkUsed(const std::string& name) {
  struct stat entry {};
  if (fstatat(folders_.back(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0)
    used_.back().insert({entry.st_dev, entry.st_ino});
}

bool LocalFolder::Enter(const std::string& name, std::string& error) {
  if (mkdirat(folders_.back(), name.c_str(), 0777) != 0 && errno != EEXIST) {
    error = Failure("cannot create the folder", name, errno);
    return false;
  }
  const int fd = openat(folders_.back(), name.c_str(), kFolderFlags);
  if (fd < 0) {
    // ELOOP or ENOTDIR: a link or a file is in the way.
    error = Failure("cannot open the folder", name, errno);
    return false;
  }
  MarkUsed(name);
  folders_.push_back(fd);
  used_.emplace_back();
  names_.push_back(name);
  return true;
}

bool LocalFolder::SetTime(int fd, const timespec* modified, const std::string& name,
                          std::string& error) const {
  if (modified == nullptr) return true;
  const timespec times[2] = {{0, UTIME_OMIT}, *modified};
  if (futimens(fd, times) == 0) return true;
  error = Failure("cannot set the time of", name, errno);
  return false;
}

bool LocalFolder::Leave(const timespec* modified, std::string& error) {
  const int fd = folders_.back();
  const std::string name = names_.back();
  folders_.pop_back();
  used_.pop_back();
  names_.pop_back();
  const bool ok = SetTime(fd, modified, name, error);
  close(fd);
  return ok;
}

LocalFolder::Created LocalFolder::CreateFile(const std::string& name, bool replace,
                                             std::string& error) {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  file_ = openat(folders_.back(), name.c_str(), flags, 0666);
  if (file_ < 0 && errno == EEXIST) {
    if (!replace) {
      MarkUsed(name);
      return Created::Exists;
    }
    // A link is removed, never followed; a folder is not removed.
    if (unlinkat(folders_.back(), name.c_str(), 0) != 0) {
      error = Failure("cannot replace", name, errno);
      return Created::Failed;
    }
    file_ = openat(folders_.back(), name.c_str(), flags, 0666);
  }
  if (file_ < 0) {
    error = Failure("cannot create", name, errno);
    return Created::Failed;
  }
  MarkUsed(name);
  fileName_ = name;
  return Created::New;
}

bool LocalFolder::Write(std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const ssize_t written = write_(file_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error = Failure("cannot write", fileName_, written < 0 ? errno : ENOSPC);
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool LocalFolder::Restart(std::string& error) {
  if (ftruncate(file_, 0) != 0 || lseek(file_, 0, SEEK_SET) != 0) {
    error = Failure("cannot write", fileName_, errno);
    return false;
  }
  return true;
}

bool LocalFolder::Finish(const timespec* modified, std::string& error) {
  bool ok = SetTime(file_, modified, fileName_, error);
  if (close(file_) != 0 && ok) {
    error = Failure("cannot write", fileName_, errno);
    ok = false;
  }
  file_ = -1;
  return ok;
}

LocalFolder::Created LocalFolder::CreateLink(const std::string& name, const std::string& target,
                                             bool replace, const timespec* modified,
                                             std::string& error) {
  const int folder = folders_.back();
  if (symlinkat(target.c_str(), folder, name.c_str()) != 0) {
    if (errno != EEXIST) {
      error = Failure("cannot create the link", name, errno);
      return Created::Failed;
    }
    if (!replace) {
      MarkUsed(name);
      return Created::Exists;
    }
    // As for a file: the entry in the way is removed (a folder never is).
    if (unlinkat(folder, name.c_str(), 0) != 0 ||
        symlinkat(target.c_str(), folder, name.c_str()) != 0) {
      error = Failure("cannot replace", name, errno);
      return Created::Failed;
    }
  }
  MarkUsed(name);
  if (modified != nullptr) {
    const timespec times[2] = {{0, UTIME_OMIT}, *modified};
    if (utimensat(folder, name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
      error = Failure("cannot set the time of", name, errno);
      return Created::Failed;
    }
  }
  return Created::New;
}

bool LocalFolder::Discard(std::string& error) {
  close(file_);
  file_ = -1;
  if (unlinkat(folders_.back(), fileName_.c_str(), 0) != 0) {
    error = Failure("cannot remove", fileName_, errno);
    return false;
  }
  return true;
}
