// A surface scan's table of sector states and its read-speed curve, under one
// lock, with a count of the table's changes so that a map drawn from it on
// another thread knows what to draw again. A scanner writes its own as it
// scans; the table of a scan that has ended is kept in one for its map.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "core/scan/ISectorScannerCallback.h"
#include "core/scan/SpeedCurve.h"

struct ScanTable {
  // Guards everything below. The writer changes an entry or the size under
  // it; a reader on another thread holds it around each read of an entry or
  // of the size.
  mutable std::mutex stateLock;
  SurfaceState_t surfaceState;
  SpeedCurve speedCurve;
  // How many times the table has changed, and the sector the latest change
  // wrote (-1 when it sized the whole table). A reader that saw the count
  // before that change needs to read that one sector again only.
  std::uint64_t stateChanges = 0;
  std::int32_t lastChangedSector = -1;

  // Takes the table and curve of a kept scan, as one change of the whole.
  void Keep(const std::vector<std::uint8_t>& sectors, const SpeedCurve& curve);
};
