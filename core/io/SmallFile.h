// Reads a small text file whole (a mapfile, a list): a regular file only, so
// that a FIFO or a device is refused rather than waited on, and no larger
// than a limit.
#pragma once

#include <cstddef>
#include <string>

// The whole of the regular file at path into text. False with error set
// ("cannot read PATH: not a regular file").
bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& text,
                   std::string& error);
