// The reader of a GNU ddrescue mapfile that a scan retries from: any text
// gives a table of the session's size or an error, never more.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/DdrescueMapReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const auto& [start, count] :
       {std::pair<std::int64_t, std::int32_t>{0, 300}, {16, 1}, {2147483647, 8}, {0, 0}}) {
    std::vector<std::uint8_t> table;
    std::string error;
    const bool read = ReadDdrescueMap(text, start, count, start + count, table, error);
    if (table.size() != static_cast<std::size_t>(count)) __builtin_trap();
    for (const std::uint8_t state : table)
      if (state > 1) __builtin_trap();
    if (!read && error.empty()) __builtin_trap();
  }
  return 0;
}
