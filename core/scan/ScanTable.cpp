#include "core/scan/ScanTable.h"

void ScanTable::Keep(const std::vector<std::uint8_t>& sectors, const SpeedCurve& curve) {
  const std::lock_guard lock(stateLock);
  surfaceState.sectors = sectors;
  speedCurve = curve;
  ++stateChanges;
  lastChangedSector = -1;
}
