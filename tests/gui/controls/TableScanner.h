// A scanner that never runs, whose table of sector states a test writes as a
// scan would: each change under the lock and counted.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "core/scan/SectorScanner.h"

class TableScanner {
 public:
  TableScanner() : scanner(std::make_unique<DirectBridge>(), &receiver) {}

  // Sizes the table anew, as the start of a surface scan does.
  void SetTable(std::vector<std::uint8_t> codes) {
    const std::lock_guard lock(scanner.stateLock);
    scanner.surfaceState.sectors = std::move(codes);
    ++scanner.stateChanges;
    scanner.lastChangedSector = -1;
  }
  // One sector's class, as a scan stores it.
  void Write(std::int32_t sector, SectorState state) {
    const std::lock_guard lock(scanner.stateLock);
    scanner.surfaceState.sectors[static_cast<std::size_t>(sector)] =
        static_cast<std::uint8_t>(state);
    ++scanner.stateChanges;
    scanner.lastChangedSector = sector;
  }

  const SectorScanner* operator->() const { return &scanner; }
  const SectorScanner* get() const { return &scanner; }

 private:
  class Silent : public ISectorScannerCallback {
    void OnScanStarted() override {}
    void OnScanFinished() override {}
    void OnProgress(const ProgressCtx_t&) override {}
    void OnSurfaceState(const SurfaceState_t&) override {}
    void OnLogEntry(int, const TimeValue&, const std::u16string&, std::int64_t) override {}
  };

  Silent receiver;
  SectorScanner scanner;
};
