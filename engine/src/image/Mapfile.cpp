#include "image/Mapfile.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "image/Words.h"

namespace wrenlo {

namespace {

// A number as ddrescue writes one: "0x" and hexadecimal digits, or decimal.
bool ParseNumber(std::string_view text, std::uint64_t& out) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return false;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return failure == std::errc() && end == text.data() + text.size();
}

bool Fail(std::string& problem, std::size_t line, const std::string& what) {
  problem = "line " + std::to_string(line) + ": " + what;
  return false;
}

// A word of the text quoted in a message, cut short when it is long.
std::string Quoted(std::string_view word) {
  constexpr std::size_t kLongest = 16;
  return "'" + std::string(word.substr(0, kLongest)) + (word.size() > kLongest ? "...'" : "'");
}

}  // namespace

bool IsMapfileStatus(char c) { return c == '?' || c == '*' || c == '/' || c == '-' || c == '+'; }

bool ParseMapfile(std::string_view text, MapfileHead& head,
                  const std::function<bool(const MapfileBlock&)>& block, std::string& problem) {
  head = MapfileHead{};
  problem.clear();
  bool statusLineSeen = false;
  std::uint64_t end = 0;  // one past the last block's last byte
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t lineEnd = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, lineEnd);
    text.remove_prefix(std::min(lineEnd + 1, text.size()));
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    // The first line that is not a comment holds the current position,
    // operation and pass; the blocks follow it.
    if (!statusLineSeen) {
      std::uint64_t pass = 1;
      if (words.size() < 2 || words.size() > 3 || !ParseNumber(words[0], head.position) ||
          words[1].size() != 1 || (words.size() == 3 && !ParseNumber(words[2], pass)))
        return Fail(problem, lineNumber, "not the mapfile's status line");
      head.operation = words[1][0];
      head.pass = static_cast<std::int32_t>(std::min<std::uint64_t>(pass, 1000000));
      statusLineSeen = true;
      continue;
    }
    MapfileBlock next;
    if (words.size() != 3 || !ParseNumber(words[0], next.position) ||
        !ParseNumber(words[1], next.size))
      return Fail(problem, lineNumber, "not a block (POSITION SIZE STATUS)");
    if (words[2].size() != 1 || !IsMapfileStatus(words[2][0]))
      return Fail(problem, lineNumber, "bad status " + Quoted(words[2]));
    next.status = words[2][0];
    if (next.size > UINT64_MAX - next.position)
      return Fail(problem, lineNumber, "block past the end");
    if (next.position < end)
      return Fail(problem, lineNumber, "block before the end of the one above it");
    if (next.size == 0) continue;
    end = next.End();
    if (!block(next)) return true;
  }
  if (!statusLineSeen) {
    problem = "no status line: not a mapfile";
    return false;
  }
  return true;
}

}  // namespace wrenlo
