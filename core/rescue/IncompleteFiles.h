// The files and structures a copy has not got whole yet, from its map of
// sectors, through the damage index that a surface scan's damaged files come
// from: a sector the copy has not finished counts as an error there.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/rescue/CopyPlan.h"
#include "core/rescue/RescueMap.h"

class DamageIndex;

// The copy's sector states as the surface map shows them, one SectorState
// code per address from plan.TableStart() to plan.TableEnd(): Good where
// finished, Error where tried and not finished, NotChecked elsewhere.
std::vector<std::uint8_t> CopyTable(const RescueMap& map, const CopyPlan& plan);

// The table of what is missing: Error where copyTable is Error or NotChecked,
// Good elsewhere.
std::vector<std::uint8_t> MissingSectors(std::vector<std::uint8_t> copyTable);

// The files and structures of the disc in drive (a drive letter) on the
// sectors missing from a copy whose table is copyTable, numbered from
// plan.TableStart(); lastSessionTrack is the first track of the session whose
// file system is listed.
std::shared_ptr<const DamageIndex> IncompleteFiles(std::int32_t drive,
                                                   std::int32_t lastSessionTrack,
                                                   const CopyPlan& plan,
                                                   const std::vector<std::uint8_t>& copyTable);
