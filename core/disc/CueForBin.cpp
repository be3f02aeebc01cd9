#include "core/disc/CueForBin.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>

namespace {

namespace fs = std::filesystem;

// Cue sheets are small; a larger file is no cue sheet to look through.
constexpr std::uintmax_t kLargestCueSheet = 1 << 20;

std::string Lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  return out;
}

bool EndsWithInAnyCase(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() &&
         Lowered(text.substr(text.size() - ending.size())) == ending;
}

// The file name of a FILE line ("FILE "name.bin" BINARY", or unquoted),
// without any folder; empty for another line.
std::string FileLineName(std::string_view line) {
  const std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  line.remove_prefix(start);
  if (line.size() < 5 || Lowered(line.substr(0, 5)) != "file ") return {};
  line.remove_prefix(5);
  line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
  std::string_view name;
  if (!line.empty() && line[0] == '"') {
    const std::size_t close = line.find('"', 1);
    if (close == std::string_view::npos) return {};
    name = line.substr(1, close - 1);
  } else {
    name = line.substr(0, line.find_first_of(" \t"));
  }
  return fs::path(std::string(name)).filename().string();
}

bool NamesFile(const fs::path& sheet, const std::string& fileName) {
  std::error_code error;
  if (!fs::is_regular_file(sheet, error) || fs::file_size(sheet, error) > kLargestCueSheet)
    return false;
  std::ifstream in(sheet);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (FileLineName(line) == fileName) return true;
  }
  return false;
}

}  // namespace

bool IsBinPath(const std::string& path) { return EndsWithInAnyCase(path, ".bin"); }

std::optional<std::string> CueSheetFor(const std::string& binPath) {
  const fs::path bin(binPath);
  const std::string fileName = bin.filename().string();
  fs::path folder = bin.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  std::set<fs::path> sheets;  // by name, so that the choice does not depend on the listing
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    if (EndsWithInAnyCase(it->path().filename().string(), ".cue")) sheets.insert(it->path());
  for (const fs::path& sheet : sheets)
    if (NamesFile(sheet, fileName)) return sheet.string();
  return std::nullopt;
}
