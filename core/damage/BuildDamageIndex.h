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

// The index of table (one SectorState code per sector of session, empty for
// none scanned) against the layout of the file system the files test walks,
// read from device (a drive letter). A file system that cannot be read gives
// an index of what was listed, or of nothing (Layout().result says why).
// Null when cancel became set during the read.
std::shared_ptr<const DamageIndex> BuildDamageIndex(std::int32_t device,
                                                    const wrenlo::SessionInfo& session,
                                                    const std::vector<std::uint8_t>& table,
                                                    const std::atomic<bool>* cancel);
