// Whether a file a copy would write is what it reads: the disc image of the
// drive copied (its path as the engine names it, through any links and hard
// links: the same device and inode) or the image's faults file.
//
// The one check of every output against every input the engine reads is to
// replace this; until then the copy asks only this.
#pragma once

#include <cstdint>
#include <string>

// One line saying why path cannot be written ("x.iso is the disc image being
// read"); empty when it may be.
std::string SourceConflict(const std::string& path, std::uint16_t driveLetter);
