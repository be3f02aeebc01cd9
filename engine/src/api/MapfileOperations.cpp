// The public reading of GNU ddrescue mapfiles. It needs no drive and no
// engine state, so that the program's tests, which link a scripted engine,
// read mapfiles with this same code.
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <cstring>

#include "Result.h"
#include "image/Mapfile.h"

namespace wrenlo {

static_assert(kResultInvalidArgument == kInvalidArgument);

std::int32_t ParseMapfile(const char* text, std::uint64_t length, MapfileStatusLine* statusLine,
                          MapfileBlockCallback callback, void* context, char* problem,
                          std::int32_t problemSize) {
  if ((text == nullptr && length != 0) || statusLine == nullptr || callback == nullptr ||
      problemSize < 0 || (problem == nullptr && problemSize != 0))
    return kInvalidArgument;
  std::int32_t stop = kOk;
  MapfileHead head;
  std::string why;
  const bool parsed = ParseMapfile(
      std::string_view(text == nullptr ? "" : text, length), head,
      [&](const MapfileBlock& block) {
        const MapfileBlockRecord record{block.position, block.size, block.status};
        stop = callback(context, &record);
        return stop == kOk;
      },
      why);
  statusLine->position = head.position;
  statusLine->pass = head.pass;
  statusLine->operation = head.operation;
  if (stop != kOk) return stop;
  if (parsed) return kOk;
  if (problemSize > 0) {
    const std::size_t n = std::min(why.size(), static_cast<std::size_t>(problemSize) - 1);
    std::memcpy(problem, why.data(), n);
    problem[n] = '\0';
  }
  return kInvalidArgument;
}

}  // namespace wrenlo
