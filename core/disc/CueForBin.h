// A BIN file holds a CD's raw sectors, which only its cue sheet describes:
// the cue sheet beside it that names it is what opens as a drive.
#pragma once

#include <optional>
#include <string>

// Whether path names a BIN file: it ends in ".bin", in any case.
bool IsBinPath(const std::string& path);

// The cue sheet in the BIN file's folder that names it in a FILE line (the
// first such, by name); none when no sheet there names it.
std::optional<std::string> CueSheetFor(const std::string& binPath);
