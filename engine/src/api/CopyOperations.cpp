// How many sectors an image drive's copy of a disc lacks.
#include <wrenlo/wrenlo.h>

#include "api/EngineState.h"

namespace wrenlo {

std::int32_t GetMissingSectors(std::int32_t device, std::int64_t* missing) {
  if (missing == nullptr) return kInvalidArgument;
  *missing = -1;
  return WithDevice(device, [&](Backend& backend) {
    *missing = backend.MissingSectors();
    return kOk;
  });
}

}  // namespace wrenlo
