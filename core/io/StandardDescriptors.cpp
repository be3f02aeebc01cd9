#include "core/io/StandardDescriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Opens /dev/null as fd when fd is closed. As the descriptors below it are
// open, the lowest free descriptor that open returns is fd itself.
bool Reopen(int fd, int flags) {
  if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) return false;
  const int opened = ::open("/dev/null", flags);
  if (opened != fd && opened >= 0) {
    ::dup2(opened, fd);
    ::close(opened);
  }
  return true;
}

}  // namespace

ClosedDescriptors OpenStandardDescriptors() {
  ClosedDescriptors closed;
  closed.input = Reopen(STDIN_FILENO, O_RDONLY);
  closed.output = Reopen(STDOUT_FILENO, O_WRONLY);
  closed.error = Reopen(STDERR_FILENO, O_WRONLY);
  return closed;
}
