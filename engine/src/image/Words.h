// The words of one line of a small text file the engine reads (a faults
// file, a mapfile): runs of characters split at spaces, tabs and a carriage
// return.
#pragma once

#include <string_view>
#include <vector>

namespace wrenlo {

inline std::vector<std::string_view> Words(std::string_view line) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isSpace(line[i])) ++i;
    const std::size_t begin = i;
    while (i < line.size() && !isSpace(line[i])) ++i;
    if (i > begin) words.push_back(line.substr(begin, i - begin));
  }
  return words;
}

}  // namespace wrenlo
