#include "core/verify/ChecksumList.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The path relative to the list's folder, '/' between names; refused (false)
// when it leaves the folder or starts at a root.
bool NormalPath(std::string_view recorded, std::string& out) {
  out.clear();
  if (recorded.empty() || recorded.front() == '/') return false;
  std::size_t begin = 0;
  while (begin <= recorded.size()) {
    std::size_t end = recorded.find('/', begin);
    if (end == std::string_view::npos) end = recorded.size();
    const std::string_view name = recorded.substr(begin, end - begin);
    if (name == "..") return false;
    if (!name.empty() && name != ".") {
      if (!out.empty()) out += '/';
      out += name;
    }
    begin = end + 1;
  }
  return !out.empty();
}

// GNU's escaped name: "\\" is a backslash and "\n" a line feed; false for
// any other escape.
bool Unescape(std::string_view name, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '\\') {
      out += name[i];
      continue;
    }
    if (++i == name.size()) return false;
    if (name[i] == '\\')
      out += '\\';
    else if (name[i] == 'n')
      out += '\n';
    else
      return false;
  }
  return true;
}

constexpr std::array<std::pair<std::string_view, HashKind>, 4> kTagNames = {{
    {"MD5", HashKind::Md5},
    {"SHA1", HashKind::Sha1},
    {"SHA256", HashKind::Sha256},
    {"SHA512", HashKind::Sha512},
}};

// "SHA256 (name) = HEX", with the leading '\' of an escaped name.
bool ParseTagLine(std::string_view line, std::string& name, HashKind& kind, DigestBytes& digest) {
  const std::size_t open = line.find(" (");
  const std::size_t close = line.rfind(") = ");
  if (open == std::string_view::npos || close == std::string_view::npos || close < open + 2)
    return false;
  bool escaped = false;
  std::string_view algorithm = line.substr(0, open);
  if (!algorithm.empty() && algorithm.front() == '\\') {
    escaped = true;
    algorithm.remove_prefix(1);
  }
  const auto known = std::find_if(kTagNames.begin(), kTagNames.end(),
                                  [&](const auto& tag) { return tag.first == algorithm; });
  if (known == kTagNames.end()) return false;
  kind = known->second;
  const std::string_view recorded = line.substr(open + 2, close - open - 2);
  if (escaped) {
    if (!Unescape(recorded, name)) return false;
  } else {
    name.assign(recorded);
  }
  const std::optional<DigestBytes> bytes = HexBytes(Trim(line.substr(close + 4)));
  if (!bytes || bytes->size() != DigestSize(kind)) return false;
  digest = *bytes;
  return true;
}

// "HEX  name" or "HEX *name", with a leading '\' for an escaped name.
bool ParseGnuLine(std::string_view line, HashKind kind, std::string& name, DigestBytes& digest) {
  bool escaped = false;
  if (!line.empty() && line.front() == '\\') {
    escaped = true;
    line.remove_prefix(1);
  }
  const std::size_t hexLength = 2 * DigestSize(kind);
  if (line.size() < hexLength + 2 || line[hexLength] != ' ') return false;
  if (line[hexLength + 1] != ' ' && line[hexLength + 1] != '*') return false;
  const std::optional<DigestBytes> bytes = HexBytes(line.substr(0, hexLength));
  if (!bytes) return false;
  digest = *bytes;
  const std::string_view recorded = line.substr(hexLength + 2);
  if (escaped) return Unescape(recorded, name);
  name.assign(recorded);
  return true;
}

// "name CRC32": the last word is the CRC, the rest the name; Windows' '\'
// separates names.
bool ParseSfvLine(std::string_view line, std::string& name, DigestBytes& digest) {
  line = Trim(line);
  const std::size_t space = line.find_last_of(" \t");
  if (space == std::string_view::npos) return false;
  const std::optional<DigestBytes> bytes = HexBytes(line.substr(space + 1));
  if (!bytes || bytes->size() != 4) return false;
  digest = *bytes;
  name.assign(Trim(line.substr(0, space)));
  std::replace(name.begin(), name.end(), '\\', '/');
  return !name.empty();
}

}  // namespace

std::optional<HashKind> ChecksumListKind(std::u16string_view fileName) {
  static constexpr std::pair<std::u16string_view, HashKind> kNames[] = {
      {u"md5sum.txt", HashKind::Md5},    {u"MD5SUMS", HashKind::Md5},
      {u"SHA1SUMS", HashKind::Sha1},     {u"SHA256SUMS", HashKind::Sha256},
      {u"SHA512SUMS", HashKind::Sha512},
  };
  static constexpr std::pair<std::u16string_view, HashKind> kExtensions[] = {
      {u".md5", HashKind::Md5},       {u".sha1", HashKind::Sha1}, {u".sha256", HashKind::Sha256},
      {u".sha512", HashKind::Sha512}, {u".sfv", HashKind::Crc32},
  };
  // An ISO 9660 tree without Rock Ridge or Joliet names "MD5SUM.TXT".
  for (const auto& [name, kind] : kNames)
    if (EqualsIgnoringCase(fileName, name)) return kind;
  for (const auto& [extension, kind] : kExtensions)
    if (fileName.size() > extension.size() &&
        EqualsIgnoringCase(fileName.substr(fileName.size() - extension.size()), extension))
      return kind;
  return std::nullopt;
}

ParsedList ParseChecksumList(std::string_view text, HashKind kind) {
  ParsedList list;
  std::string name;
  std::string path;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(begin, end - begin);
    begin = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == '#' ||
        (kind == HashKind::Crc32 && trimmed.front() == ';'))
      continue;

    ChecksumEntry entry;
    entry.kind = kind;
    const bool parsed = kind == HashKind::Crc32
                            ? ParseSfvLine(line, name, entry.digest)
                            : ParseTagLine(line, name, entry.kind, entry.digest) ||
                                  ParseGnuLine(line, kind, name, entry.digest);
    if (!parsed) {
      ++list.malformedLines;
      continue;
    }
    if (!NormalPath(name, path)) {
      ++list.refusedPaths;
      continue;
    }
    if (list.entries.size() == kMaxListEntries) {
      list.capped = true;
      break;
    }
    entry.path = path;
    list.entries.push_back(std::move(entry));
  }
  return list;
}
