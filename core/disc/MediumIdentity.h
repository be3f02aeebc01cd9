// What tells one medium in a drive from another, as far as a scan's choices
// go: the drive, the medium's type and where its sessions lie. A medium read
// again (a rescan, the same disc put back) has the same identity; another
// disc or image in the drive almost always another.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class DeviceContext;

struct MediumIdentity {
  std::uint16_t driveLetter = 0;
  std::u16string type;
  // Each session's start and sector count, in session order.
  std::vector<std::pair<std::int32_t, std::int32_t>> sessions;

  bool operator==(const MediumIdentity&) const = default;
};

// The identity of context's medium; that of no medium when it has none.
MediumIdentity IdentityOf(const DeviceContext& context);
