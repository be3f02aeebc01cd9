#include "cli/SessionChoice.h"

#include <string>

#include "cli/DriveChoice.h"
#include "cli/Output.h"
#include "core/disc/DeviceContext.h"

std::optional<std::int32_t> ChooseSession(const DeviceContext& context,
                                          std::optional<std::int32_t> asked) {
  const std::string drive = DriveName(context.driveLetter);
  if (!context.hasMedium || context.Sessions().empty()) {
    PrintError("no medium in drive " + drive);
    return std::nullopt;
  }
  const auto& sessions = context.Sessions();
  const std::int32_t session = asked.value_or(sessions.rbegin()->first);
  if (sessions.count(session) == 0) {
    PrintError("drive " + drive + " has no session " + std::to_string(session) + " (sessions " +
               std::to_string(sessions.begin()->first) + " to " +
               std::to_string(sessions.rbegin()->first) + ")");
    return std::nullopt;
  }
  return session;
}

bool SectorInSession(const DeviceContext& context, std::int32_t session, std::int64_t sector) {
  // Past the end nothing lies, not even free space.
  const std::int32_t sectors = context.GetSessionInfo(session).sectorCount;
  if (sector < sectors) return true;
  PrintError(OutsideSessionText(sector, session, sectors));
  return false;
}
