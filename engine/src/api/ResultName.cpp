// The names of the engine's results, for the messages of its callers.
#include <wrenlo/wrenlo.h>

#include "Result.h"

namespace wrenlo {

static_assert(kResultNoFileSystem == kNoFileSystem);
static_assert(kResultEndOfDirectory == kEndOfDirectory);
static_assert(kResultImageChanged == kImageChanged);

const char* ResultName(std::int32_t result) {
  switch (result) {
    case kOk:
      return "success";
    case kInvalidArgument:
      return "invalid argument";
    case kInvalidHandle:
      return "invalid handle";
    case kNoDevice:
      return "no such device";
    case kNoMedium:
      return "no medium";
    case kOutOfRange:
      return "address out of range";
    case kMediumError:
      return "medium error";
    case kNotReady:
      return "drive not ready";
    case kIllegalRequest:
      return "illegal request";
    case kUnitAttention:
      return "unit attention";
    case kTimeout:
      return "time-out";
    case kTransportError:
      return "transport error";
    case kNoFileSystem:
      return "no file system";
    case kCorruptFileSystem:
      return "corrupt file system";
    case kNotFound:
      return "not found";
    case kNotADirectory:
      return "not a directory";
    case kNotAFile:
      return "not a file";
    case kEndOfDirectory:
      return "end of directory";
    case kTooLarge:
      return "beyond the engine's limits";
    case kPermissionDenied:
      return "permission denied";
    case kUnsupported:
      return "not supported";
    case kUnusable:
      return "cannot be used";
    case kImageChanged:
      return "the image file changed";
  }
  return "unknown result";
}

}  // namespace wrenlo
