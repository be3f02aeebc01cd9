#include "cli/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

std::string Problem(const std::string& path, int error) {
  return path + ": " + std::strerror(error);
}

// The folder of path, for flushing the rename to the disc.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open(const std::string& path, std::string& error) {
  Discard();
  finalPath = path;
  // A folder of that name would refuse the rename only at the end.
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
    error = Problem(path, EISDIR);
    return false;
  }
  std::vector<char> name(path.begin(), path.end());
  const char suffix[] = ".tmp-XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    error = Problem(path, errno);
    return false;
  }
  temporaryPath = name.data();
  // A new file gets the usual permissions, not mkstemp's owner-only ones.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  return true;
}

bool AtomicFile::Commit(std::string_view content, std::string& error) {
  if (fd < 0) {
    error = finalPath + ": not open";
    return false;
  }
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = Problem(finalPath, errno);
      Discard();
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  const int synced = ::fsync(fd) == 0 ? 0 : errno;
  const int closed = ::close(fd) == 0 ? 0 : errno;
  fd = -1;
  if (synced != 0 || closed != 0) {
    error = Problem(finalPath, synced != 0 ? synced : closed);
    Discard();
    return false;
  }
  if (::rename(temporaryPath.c_str(), finalPath.c_str()) != 0) {
    error = Problem(finalPath, errno);
    Discard();
    return false;
  }
  temporaryPath.clear();
  // Make the new name itself survive a crash.
  const int folder = ::open(FolderOf(finalPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

void AtomicFile::Discard() {
  if (fd >= 0) ::close(fd);
  fd = -1;
  if (!temporaryPath.empty()) ::unlink(temporaryPath.c_str());
  temporaryPath.clear();
}
