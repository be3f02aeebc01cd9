#include "core/rescue/DdrescueMapReader.h"

#include <algorithm>
#include <charconv>

#include "core/scan/ISectorScannerCallback.h"

namespace {

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

// How far a status is from finished: a sector of several takes the least.
int Progress(BlockStatus status) {
  switch (status) {
    case BlockStatus::NonTried:
      return 0;
    case BlockStatus::NonTrimmed:
      return 1;
    case BlockStatus::NonScraped:
      return 2;
    case BlockStatus::Bad:
      return 3;
    case BlockStatus::Finished:
      return 4;
  }
  return 0;
}

}  // namespace

bool ParseMapfile(std::string_view text, Mapfile& out, std::string& error) {
  out = Mapfile{};
  bool statusLineSeen = false;
  std::size_t lineNumber = 0;
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
      std::uint64_t pass = 1;
      if (words.size() < 2 || words.size() > 3 || !ParseNumber(words[0], out.status.position) ||
          words[1].size() != 1 || (words.size() == 3 && !ParseNumber(words[2], pass)))
        return Fail(error, lineNumber, "not the mapfile's status line");
      out.status.operation = words[1][0];
      out.status.pass = static_cast<int>(std::min<std::uint64_t>(pass, 1000000));
      statusLineSeen = true;
      continue;
    }
    MapfileBlock block;
    if (words.size() != 3 || !ParseNumber(words[0], block.position) ||
        !ParseNumber(words[1], block.size))
      return Fail(error, lineNumber, "not a block (POSITION SIZE STATUS)");
    const std::optional<BlockStatus> status =
        words[2].size() == 1 ? BlockStatusOf(words[2][0]) : std::nullopt;
    if (!status) return Fail(error, lineNumber, "bad status '" + std::string(words[2]) + "'");
    block.status = *status;
    if (block.size > UINT64_MAX - block.position)
      return Fail(error, lineNumber, "block past the end");
    if (block.position < out.End())
      return Fail(error, lineNumber, "block before the end of the one above it");
    if (block.size != 0) out.blocks.push_back(block);
  }
  if (!statusLineSeen) {
    error = "no status line: not a mapfile";
    return false;
  }
  return true;
}

RescueMap SectorMapOf(const Mapfile& mapfile, std::uint64_t sectorBytes, std::uint64_t sectors) {
  // Finished until told otherwise, so that the least advanced status of a
  // sector's bytes wins; what no block describes is then made non-tried.
  RescueMap map(sectors);
  map.Set(0, sectors, BlockStatus::Finished);
  const std::uint64_t limit = sectors * sectorBytes;
  std::uint64_t covered = 0;  // bytes described so far
  const auto apply = [&](std::uint64_t position, std::uint64_t size, BlockStatus status) {
    if (position >= limit || size == 0) return;
    const std::uint64_t end = std::min(position + std::min(size, limit - position), limit);
    const std::uint64_t first = position / sectorBytes;
    const std::uint64_t last = (end - 1) / sectorBytes;
    // The sectors wholly inside take the status; one that the block shares
    // with another, the less advanced of the two.
    for (const std::uint64_t edge : {first, last})
      if (Progress(status) < Progress(map.At(edge))) map.Set(edge, 1, status);
    if (last > first + 1) map.Set(first + 1, last - first - 1, status);
  };
  for (const MapfileBlock& block : mapfile.blocks) {
    apply(covered, block.position - covered, BlockStatus::NonTried);
    apply(block.position, block.size, block.status);
    covered = block.position + block.size;
  }
  if (covered < limit) apply(covered, limit - covered, BlockStatus::NonTried);
  return map;
}

bool ReadDdrescueMap(std::string_view text, std::int64_t startSector, std::int32_t count,
                     std::int64_t mediumSectors, std::vector<std::uint8_t>& table,
                     std::string& error) {
  constexpr std::uint64_t kSectorBytes = 2048;
  table.assign(static_cast<std::size_t>(std::max(count, 0)),
               static_cast<std::uint8_t>(SectorState::NotChecked));
  Mapfile mapfile;
  if (!ParseMapfile(text, mapfile, error)) return false;
  const std::uint64_t mapEnd = mapfile.End();
  const std::uint64_t mediumBytes =
      static_cast<std::uint64_t>(std::max<std::int64_t>(mediumSectors, 0)) * kSectorBytes;
  if (mapEnd > mediumBytes) {
    error = "the map of another disc: it covers " + std::to_string(mapEnd) + " bytes (" +
            std::to_string(mapEnd / kSectorBytes + (mapEnd % kSectorBytes != 0 ? 1 : 0)) +
            " sectors), this disc " + std::to_string(mediumBytes) + " bytes (" +
            std::to_string(mediumBytes / kSectorBytes) + " sectors)";
    return false;
  }
  const auto start = static_cast<std::uint64_t>(std::max<std::int64_t>(startSector, 0));
  const RescueMap map = SectorMapOf(mapfile, kSectorBytes, start + table.size());
  for (const RescueMap::Block& block : map.Blocks()) {
    if (block.status != BlockStatus::Finished || block.End() <= start) continue;
    for (std::uint64_t sector = std::max(block.first, start); sector < block.End(); ++sector)
      table[sector - start] = static_cast<std::uint8_t>(SectorState::Good);
  }
  return true;
}
