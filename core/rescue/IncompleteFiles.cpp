#include "core/rescue/IncompleteFiles.h"

#include <algorithm>

#include "core/damage/BuildDamageIndex.h"
#include "core/scan/ISectorScannerCallback.h"

std::vector<std::uint8_t> CopyTable(const RescueMap& map, const CopyPlan& plan) {
  const std::int64_t start = plan.TableStart();
  std::vector<std::uint8_t> table(static_cast<std::size_t>(plan.TableEnd() - start),
                                  static_cast<std::uint8_t>(SectorState::NotChecked));
  for (const CopyExtent& extent : plan.extents) {
    for (const RescueMap::Block& block : map.Blocks()) {
      const std::uint64_t first = std::max<std::uint64_t>(block.first, extent.imageSector);
      const std::uint64_t end = std::min<std::uint64_t>(
          block.End(), extent.imageSector + static_cast<std::uint64_t>(extent.count));
      if (first >= end || block.status == BlockStatus::NonTried) continue;
      const SectorState state =
          block.status == BlockStatus::Finished ? SectorState::Good : SectorState::Error;
      const std::int64_t address =
          extent.address + static_cast<std::int64_t>(first - extent.imageSector);
      std::fill_n(table.begin() + (address - start), end - first, static_cast<std::uint8_t>(state));
    }
  }
  return table;
}

std::vector<std::uint8_t> MissingSectors(std::vector<std::uint8_t> copyTable) {
  for (std::uint8_t& state : copyTable)
    state = static_cast<std::uint8_t>(state == static_cast<std::uint8_t>(SectorState::Error) ||
                                              state ==
                                                  static_cast<std::uint8_t>(SectorState::NotChecked)
                                          ? SectorState::Error
                                          : SectorState::Good);
  return copyTable;
}

std::shared_ptr<const DamageIndex> IncompleteFiles(std::int32_t drive,
                                                   std::int32_t lastSessionTrack,
                                                   const CopyPlan& plan,
                                                   const std::vector<std::uint8_t>& copyTable) {
  wrenlo::SessionInfo session{};
  session.startSector = static_cast<std::int32_t>(plan.TableStart());
  session.firstTrack = lastSessionTrack;
  return BuildDamageIndex(drive, session, MissingSectors(copyTable), nullptr);
}
