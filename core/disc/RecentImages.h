// The list of images opened lately, newest first, that the window's "Recent
// Images" menu offers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How many images the list keeps.
inline constexpr std::size_t kRecentImagesKept = 8;

// The list after opening path: path first, then the others in their order
// without path, the oldest dropped beyond kRecentImagesKept.
std::vector<std::string> RememberImage(std::vector<std::string> recent, const std::string& path);
