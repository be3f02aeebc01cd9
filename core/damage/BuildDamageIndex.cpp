#include "core/damage/BuildDamageIndex.h"

#include <algorithm>

std::shared_ptr<const DamageIndex> BuildDamageIndex(std::int32_t device,
                                                    const wrenlo::SessionInfo& session,
                                                    const std::vector<std::uint8_t>& table,
                                                    const std::atomic<bool>* cancel) {
  DiscLayout layout;
  if (ReadMediumLayout(device, layout, cancel) == kLayoutCancelled)
    return nullptr;
  // A copy first: the packed record's field may lie unaligned.
  const std::int32_t startSector = session.startSector;
  const auto start = static_cast<std::uint64_t>(std::max(startSector, 0));
  return std::make_shared<const DamageIndex>(table, start, std::move(layout));
}
