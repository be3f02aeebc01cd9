// Result codes of the engine's operations. 0 is success; every failure is a
// distinct non-zero code so that tests and logs can tell them apart.
#pragma once

#include <cstdint>

namespace wrenlo {

enum Result : std::int32_t {
  kOk = 0,
  kInvalidArgument = 1,     // a null pointer, a bad count or size, flags not 0
  kInvalidHandle = 2,       // a handle that is not open, or of another kind
  kNoDevice = 3,            // no drive with that letter, or no current device
  kNoMedium = 4,            // the drive holds no readable medium (or its tray is open)
  kOutOfRange = 5,          // an address outside the medium
  kMediumError = 6,         // the sector could not be read (unrecoverable read error)
  kNotReady = 7,            // the drive is becoming ready or otherwise not ready
  kIllegalRequest = 8,      // the drive refused the command
  kUnitAttention = 9,       // the medium changed or the drive was reset
  kTimeout = 10,            // the drive did not answer in time
  kTransportError = 11,     // the command did not reach the drive or came back broken
  kNoFileSystem = 12,       // no file system of the kind asked for in that session
  kCorruptFileSystem = 13,  // a file-system structure fails its checks
  kNotFound = 14,           // no such file or directory
  kNotADirectory = 15,
  kNotAFile = 16,
  kEndOfDirectory = 17,  // ReadDirectory past the last entry
  kTooLarge = 18,        // a structure beyond the engine's limits (depth, size, count)
  kPermissionDenied = 19,
  kUnsupported = 20,  // the device cannot do this
  kUnusable = 21,     // an image listed as a '#' entry: it cannot be used
  kImageChanged = 22,  // the image file under a virtual drive changed after it was opened
};

}  // namespace wrenlo
