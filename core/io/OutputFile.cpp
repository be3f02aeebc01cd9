#include "core/io/OutputFile.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "core/io/InputFiles.h"

namespace {

// Symbolic links followed before a name is taken for a loop.
constexpr int kMaxLinks = 40;

std::string FileProblem(const std::string& path, int error) {
  return "cannot write " + path + ": " + std::strerror(error);
}

std::string FolderProblem(const std::string& folder, int error) {
  return "cannot create a file in " + folder + ": " + std::strerror(error);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The absolute path without links of an existing file or folder; empty with
// errno set when there is none.
std::string RealPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
  return real ? std::string(real.get()) : std::string();
}

// Where a name that does not exist yet will be created: the end of its chain
// of symbolic links (a dangling link is written through, not replaced), in
// the real folder. Empty with error set when that folder is not there.
std::string NewFileTarget(std::string path, std::string& error) {
  for (int links = 0; links < kMaxLinks; ++links) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) break;
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(path.c_str(), target.data(), PATH_MAX);
    if (n < 0) break;
    const std::string link(target.data(), static_cast<std::size_t>(n));
    path = link.starts_with('/') ? link : FolderOf(path) + "/" + link;
  }
  const std::string folder = FolderOf(path);
  const std::string realFolder = RealPath(folder);
  if (realFolder.empty()) {
    error = FolderProblem(folder, errno);
    return {};
  }
  return (realFolder == "/" ? "" : realFolder) + "/" + NameOf(path);
}

// A new temporary file beside target, open for writing; -1 with errno set.
int CreateTemporary(const std::string& target, std::string& temporaryPath) {
  std::string name = target + ".tmp-XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) temporaryPath = name;
  return fd;
}

// Gives the new file fd what the file it replaces at target has: its owner
// and group (as far as this user may give them; root may give any), then its
// permissions, after the owner, since a change of owner clears the set-user
// and set-group bits. A new name gets the usual permissions rather than
// mkstemp's owner-only ones.
void TakeOwnerAndMode(int fd, const std::string& target) {
  struct stat status {};
  if (::stat(target.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
    if (::fchown(fd, status.st_uid, status.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), status.st_gid) != 0) {
      // Neither owner nor group could be given: the new file is this user's.
    }
    ::fchmod(fd, status.st_mode & 07777);
    return;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
}

}  // namespace

OutputFile::Writer OutputFile::DefaultWriter() { return &::write; }

int OutputFile::WriteAll(int to, std::string_view content) const {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(to, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

OutputFile::~OutputFile() { CloseDirect(); }

void OutputFile::CloseDirect() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool OutputFile::Open(const std::string& path, std::string& error, bool dashIsStandardOutput) {
  CloseDirect();
  kind = Kind::None;
  shownPath = path;
  targetPath.clear();
  if (dashIsStandardOutput && path == "-") {
    error = OutputProblem(STDOUT_FILENO, "standard output");
    if (!error.empty()) return false;
    kind = Kind::StandardOutput;
    return true;
  }
  // Never over a file being read, nor onto a disk.
  error = OutputProblem(path);
  if (!error.empty()) return false;
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    if (errno != ENOENT) {
      error = FileProblem(path, errno);
      return false;
    }
    targetPath = NewFileTarget(path, error);
    if (targetPath.empty()) return false;
  } else if (S_ISDIR(status.st_mode)) {
    error = FileProblem(path, EISDIR);
    return false;
  } else if (S_ISREG(status.st_mode)) {
    targetPath = RealPath(path);
    if (targetPath.empty()) {
      error = FileProblem(path, errno);
      return false;
    }
  } else {
    // Not waiting for a FIFO's reader; once open, writes wait as usual.
    fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      error = S_ISFIFO(status.st_mode) && errno == ENXIO
                  ? "cannot write " + path + ": no process reads from the FIFO"
                  : FileProblem(path, errno);
      return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    kind = Kind::Direct;
    return true;
  }
  // A folder that does not take a new file fails now, before any work; the
  // file made to find out goes at once, so that nothing is left behind when
  // the program is killed before it commits.
  std::string probe;
  const int probeFd = CreateTemporary(targetPath, probe);
  if (probeFd < 0) {
    error = FolderProblem(FolderOf(targetPath), errno);
    return false;
  }
  ::close(probeFd);
  ::unlink(probe.c_str());
  kind = Kind::Replace;
  return true;
}

bool OutputFile::Commit(std::string_view content, std::string& error) {
  switch (kind) {
    case Kind::Replace:
      return Replace(content, error);
    case Kind::Direct:
      return WriteDirectly(content, error);
    case Kind::StandardOutput:
      if (const int failed = WriteAll(STDOUT_FILENO, content); failed != 0) {
        error = FileProblem("standard output", failed);
        return false;
      }
      return true;
    case Kind::None:
      break;
  }
  error = "cannot write " + shownPath + ": not open";
  return false;
}

bool OutputFile::Replace(std::string_view content, std::string& error) {
  std::string temporary;
  const int out = CreateTemporary(targetPath, temporary);
  if (out < 0) {
    error = FolderProblem(FolderOf(targetPath), errno);
    return false;
  }
  TakeOwnerAndMode(out, targetPath);
  int failed = WriteAll(out, content);
  if (failed == 0 && ::fsync(out) != 0) failed = errno;
  if (::close(out) != 0 && failed == 0) failed = errno;
  if (failed == 0 && ::rename(temporary.c_str(), targetPath.c_str()) != 0) failed = errno;
  if (failed != 0) {
    ::unlink(temporary.c_str());
    error = FileProblem(shownPath, failed);
    return false;
  }
  // Make the new name itself survive a crash.
  const int folder = ::open(FolderOf(targetPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

bool OutputFile::WriteDirectly(std::string_view content, std::string& error) {
  int failed = WriteAll(fd, content);
  if (::close(fd) != 0 && failed == 0) failed = errno;
  fd = -1;
  kind = Kind::None;
  if (failed != 0) {
    error = FileProblem(shownPath, failed);
    return false;
  }
  return true;
}
