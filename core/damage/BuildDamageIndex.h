// Reads where a session's files and structures lie and indexes a scan's
// table of sector states against it: the work done after a surface scan, off
// the window's thread, and for the Sector Viewer's holder of a sector.
#pragma once

#include <wrenlo/wrenlo.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/damage/DamageIndex.h"

// The index of table (one SectorState code per sector from session's first,
// empty for none scanned) against the layout of the whole medium in device (a
// drive letter): the files as the files test's tree names them, every tree's
// structures, earlier sessions' files, tracks without a file system. A file
// system that cannot be read gives an index of what was listed, or of nothing
// (Layout().result says why). Null when cancel became set during the read.
std::shared_ptr<const DamageIndex> BuildDamageIndex(std::int32_t device,
                                                    const wrenlo::SessionInfo& session,
                                                    const std::vector<std::uint8_t>& table,
                                                    const std::atomic<bool>* cancel);
