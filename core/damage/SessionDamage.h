// The damage index of a surface scan of a device context's last session, the
// session a scan reads.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/damage/DamageIndex.h"

class DeviceContext;

// Reads the layout of the file system the files test walks and indexes the
// table (one SectorState code per sector of the session) over it. A file
// system that cannot be read gives an index without entries.
std::shared_ptr<const DamageIndex> BuildSessionDamage(const DeviceContext& context,
                                                      const std::vector<std::uint8_t>& table);
