#include "SgIoDevice.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace wrenlo::drive {

namespace {

// Host adapter and driver status values (Linux SCSI midlayer).
constexpr unsigned kHostOk = 0x00;
constexpr unsigned kHostTimeOut = 0x03;
constexpr unsigned kDriverStatusMask = 0x0F;
constexpr unsigned kDriverOk = 0x00;
constexpr unsigned kDriverTimeout = 0x06;
constexpr unsigned kDriverSense = 0x08;

int DxferDirection(Direction direction) {
  switch (direction) {
    case Direction::kFromDevice:
      return SG_DXFER_FROM_DEV;
    case Direction::kToDevice:
      return SG_DXFER_TO_DEV;
    case Direction::kNone:
      break;
  }
  return SG_DXFER_NONE;
}

constexpr std::uint8_t kOpStartStopUnit = 0x1B;
constexpr std::uint8_t kOpPreventAllow = 0x1E;

// The kernel passes START STOP UNIT and PREVENT ALLOW MEDIUM REMOVAL through
// SG_IO only on a writable descriptor (or to a privileged caller), and a
// drive that cannot write refuses to be opened for writing. Its CD-ROM
// ioctls do the same for anyone who may open the drive: this runs a tray
// command through them. False when the command is not one of those.
bool RunAsCdromIoctl(int fd, const Command& command, CommandOutcome& outcome) {
  int rc = 0;
  if (command.cdb[0] == kOpStartStopUnit && (command.cdb[4] & 0x02) != 0)
    rc = ioctl(fd, (command.cdb[4] & 0x01) != 0 ? CDROMCLOSETRAY : CDROMEJECT, 0);
  else if (command.cdb[0] == kOpPreventAllow)
    rc = ioctl(fd, CDROM_LOCKDOOR, command.cdb[4] & 0x01);
  else
    return false;
  if (rc < 0)
    outcome.transport = (errno == EACCES || errno == EPERM) ? kPermissionDenied : kTransportError;
  return true;
}

}  // namespace

SgIoDevice::SgIoDevice(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

SgIoDevice::~SgIoDevice() {
  if (fd_ >= 0) close(fd_);
}

CommandOutcome SgIoDevice::Execute(const Command& command, std::span<std::uint8_t> data) {
  CommandOutcome outcome;
  int fd = fd_;
  int writable = -1;
  if (command.needsWriteAccess) {
    writable = open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (writable >= 0) fd = writable;  // else try the read-only one: root may pass
  }

  std::array<std::uint8_t, 16> cdb = command.cdb;
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.dxfer_direction = data.empty() ? SG_DXFER_NONE : DxferDirection(command.direction);
  header.cmd_len = command.cdbLength;
  header.mx_sb_len = static_cast<unsigned char>(outcome.sense.size());
  header.dxfer_len = static_cast<unsigned>(data.size());
  header.dxferp = data.empty() ? nullptr : data.data();
  header.cmdp = cdb.data();
  header.sbp = outcome.sense.data();
  header.timeout = command.timeoutMs;

  const int rc = ioctl(fd, SG_IO, &header);
  const int error = errno;
  if (writable >= 0) close(writable);

  if (rc < 0) {
    if ((error == EACCES || error == EPERM) && command.needsWriteAccess &&
        RunAsCdromIoctl(fd_, command, outcome))
      return outcome;
    outcome.transport = (error == EACCES || error == EPERM) ? kPermissionDenied : kTransportError;
    return outcome;
  }
  const unsigned driver = header.driver_status & kDriverStatusMask;
  if (header.host_status == kHostTimeOut || driver == kDriverTimeout) {
    outcome.transport = kTimeout;
    return outcome;
  }
  if (header.host_status != kHostOk || (driver != kDriverOk && driver != kDriverSense)) {
    outcome.transport = kTransportError;
    return outcome;
  }
  outcome.status = header.status;
  outcome.senseLength = std::min<std::size_t>(header.sb_len_wr, outcome.sense.size());
  const std::size_t residual = header.resid > 0 ? static_cast<std::size_t>(header.resid) : 0;
  outcome.transferred = data.size() - std::min(residual, data.size());
  return outcome;
}

}  // namespace wrenlo::drive
