#include "core/extract/ExtractableSession.h"

#include <wrenlo/wrenlo.h>

#include "core/disc/DeviceContext.h"

std::optional<std::int32_t> ExtractableTrack(const DeviceContext& context) {
  if (context.driveLetter == 0 || !context.hasMedium) return std::nullopt;
  const std::int32_t track = context.GetSessionInfo(-1).firstTrack;
  wrenlo::Handle session = 0;
  const std::int32_t opened =
      wrenlo::OpenDiskSession(context.driveLetter, track, &session, wrenlo::kFileSystemAny);
  wrenlo::CloseDiskSession(session);
  if (opened != 0) return std::nullopt;
  return track;
}
