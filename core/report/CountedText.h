// A count with its noun in the number it takes: "1 file", "3 files".
#pragma once

#include <cstdint>
#include <string>

inline std::string Counted(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}
