#include "cli/DdrescueMapReader.h"

#include <algorithm>
#include <charconv>

#include "core/scan/ISectorScannerCallback.h"

namespace {

constexpr std::uint64_t kSectorBytes = 2048;

// The words of a line, split at blanks.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t start = line.find_first_not_of(" \t\r", at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
    words.push_back(line.substr(start, end - start));
    at = end;
  }
  return words;
}

// A number as ddrescue writes one: 0x and hexadecimal digits, or decimal.
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

bool Fail(std::string& error, std::size_t line, const std::string& what) {
  error = "line " + std::to_string(line) + ": " + what;
  return false;
}

}  // namespace

bool ReadDdrescueMap(std::string_view text, std::int64_t startSector, std::int32_t count,
                     std::int64_t mediumSectors, std::vector<std::uint8_t>& table,
                     std::string& error) {
  table.assign(static_cast<std::size_t>(std::max(count, 0)),
               static_cast<std::uint8_t>(SectorState::NotChecked));
  bool statusLineSeen = false;
  std::size_t lineNumber = 0;
  std::uint64_t mapEnd = 0;  // in bytes: where the last block ends
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    // The first line that is not a comment holds the current position,
    // status and pass; the blocks follow it.
    if (!statusLineSeen) {
      std::uint64_t position = 0;
      if (words.size() < 2 || words.size() > 3 || !ParseNumber(words[0], position))
        return Fail(error, lineNumber, "not the mapfile's status line");
      statusLineSeen = true;
      continue;
    }
    std::uint64_t position = 0;
    std::uint64_t size = 0;
    if (words.size() != 3 || !ParseNumber(words[0], position) || !ParseNumber(words[1], size))
      return Fail(error, lineNumber, "not a block (POSITION SIZE STATUS)");
    if (words[2].size() != 1 ||
        std::string_view("?*/-+").find(words[2][0]) == std::string_view::npos)
      return Fail(error, lineNumber, "bad status '" + std::string(words[2]) + "'");
    if (size > UINT64_MAX - position) return Fail(error, lineNumber, "block past the end");
    mapEnd = std::max(mapEnd, position + size);
    if (words[2][0] != '+') continue;
    // The whole sectors of the block, as session sectors, within the session.
    const std::uint64_t firstWhole = (position + kSectorBytes - 1) / kSectorBytes;
    const std::uint64_t endWhole = (position + size) / kSectorBytes;
    const std::uint64_t start = static_cast<std::uint64_t>(std::max<std::int64_t>(startSector, 0));
    const std::uint64_t from = std::max(firstWhole, start) - start;
    const std::uint64_t to =
        endWhole < start ? 0 : std::min<std::uint64_t>(endWhole - start, table.size());
    for (std::uint64_t sector = from; sector < to; ++sector)
      table[sector] = static_cast<std::uint8_t>(SectorState::Good);
  }
  if (!statusLineSeen) {
    error = "no status line: not a mapfile";
    return false;
  }
  const std::uint64_t mediumBytes =
      static_cast<std::uint64_t>(std::max<std::int64_t>(mediumSectors, 0)) * kSectorBytes;
  if (mapEnd > mediumBytes) {
    error = "the map of another disc: it covers " + std::to_string(mapEnd) + " bytes (" +
            std::to_string(mapEnd / kSectorBytes + (mapEnd % kSectorBytes != 0 ? 1 : 0)) +
            " sectors), this disc " + std::to_string(mediumBytes) + " bytes (" +
            std::to_string(mediumBytes / kSectorBytes) + " sectors)";
    return false;
  }
  return true;
}
