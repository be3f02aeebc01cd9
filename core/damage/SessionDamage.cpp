#include "core/damage/SessionDamage.h"

#include "core/disc/DeviceContext.h"

std::shared_ptr<const DamageIndex> BuildSessionDamage(const DeviceContext& context,
                                                      const std::vector<std::uint8_t>& table) {
  DiscLayout layout;
  std::uint64_t start = 0;
  if (context.hasMedium && !context.Sessions().empty()) {
    const wrenlo::SessionInfo session = context.GetSessionInfo(-1);
    start = session.startSector < 0 ? 0 : static_cast<std::uint64_t>(session.startSector);
    // A tree walked only in part still places what it reached.
    ReadDiscLayout(wrenlo::kCurrentDevice, session.firstTrack, wrenlo::kFileSystemAny, layout);
  }
  return std::make_shared<const DamageIndex>(table, start, std::move(layout));
}
