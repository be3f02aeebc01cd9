#include "core/io/SmallFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& text,
                   std::string& error) {
  text.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat status {};
  bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  if (!ok) error = "cannot read " + path + ": not a regular file";
  if (ok && static_cast<std::uint64_t>(status.st_size) > limit) {
    error = "cannot read " + path + ": too large";
    ok = false;
  }
  char block[65536];
  while (ok) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got == 0) break;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || text.size() + static_cast<std::size_t>(got) > limit) {
      error = "cannot read " + path + ": " + (got < 0 ? std::strerror(errno) : "too large");
      ok = false;
      break;
    }
    text.append(block, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return ok;
}
