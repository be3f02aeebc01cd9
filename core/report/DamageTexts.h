// What the surface map's tooltip and the Sector Viewer say of the files and
// file-system structures on a range of sectors, from a scan's damage index.
// Sectors are numbered from the start of the session, as the map and the
// Sector Viewer number them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/scan/ScanRecord.h"

class DamageIndex;
struct LayoutEntry;

// At most this many files and structures are named in a cell's tooltip; the
// rest are counted ("and 3 more").
inline constexpr std::size_t kCellHoldersShown = 5;

// A map cell's tooltip: its sectors, how many of them are in each state, and
// what lies on them, one name a line:
//   Sectors 100 to 109
//   Good: 8, problem: 1, error: 1, not checked: 0
//   /VIDEO/CLIP1.VOB
//   and 2 more
// With no index yet (the scan has not ended) the last part says so; with one
// and nothing on the cell it reads "free".
std::u16string SurfaceCellText(std::uint64_t first, std::uint64_t last, const SectorCounts& counts,
                               const DamageIndex* index);

// The name of what holds device sector `sector`, with the sector's time in
// an audio track ("Audio track 2, 01:23:45").
std::u16string HolderName(const LayoutEntry& entry, std::uint64_t sector);

// What holds one sector, for the Sector Viewer: each file with
// the byte of the file at which the sector starts ("/VIDEO/CLIP1.VOB, byte
// 4096"), each track with the sector's time in it ("Audio track 2,
// 01:23:45") and each structure by name, joined by "; ", or "free".
std::u16string SectorHolderText(const DamageIndex& index, std::uint64_t sector);

// The caption of the details dialog's list of damaged files and structures:
// "Damaged files: listed when the scan has ended" without an index,
// "Damaged files: none", "Damaged files and structures: 3", with a note when
// the disc has no file system or it could not be read in full.
std::u16string DamagedListCaption(const DamageIndex* index);
