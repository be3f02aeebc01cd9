#include "image/CueSheet.h"

#include <algorithm>
#include <optional>

namespace wrenlo {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameWord(std::string_view word, std::string_view keyword) {
  return word.size() == keyword.size() && std::equal(word.begin(), word.end(), keyword.begin(),
                                                     [](char a, char b) { return Upper(a) == b; });
}

// Splits a line into words separated by spaces and tabs; "..." is one word
// without its quotes. False for a quote that is not closed.
bool Words(std::string_view line, std::vector<std::string_view>& words) {
  words.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    if (i == line.size()) break;
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      words.push_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      const std::size_t begin = i;
      while (i < line.size() && !IsSpace(line[i])) ++i;
      words.push_back(line.substr(begin, i - begin));
    }
  }
  return true;
}

// A decimal number of 1 to maxDigits digits.
std::optional<std::uint32_t> Number(std::string_view word, std::size_t maxDigits) {
  if (word.empty() || word.size() > maxDigits || !std::all_of(word.begin(), word.end(), IsDigit))
    return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : word) value = value * 10 + static_cast<std::uint32_t>(c - '0');
  return value;
}

// mm:ss:ff as a count of sectors; minutes may have up to three digits.
std::optional<std::uint32_t> Time(std::string_view word) {
  const std::size_t first = word.find(':');
  const std::size_t second = first == std::string_view::npos ? first : word.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto minutes = Number(word.substr(0, first), 3);
  const auto seconds = Number(word.substr(first + 1, second - first - 1), 2);
  const auto frames = Number(word.substr(second + 1), 2);
  if (!minutes || !seconds || !frames || *seconds >= 60 || *frames >= kFramesPerSecond)
    return std::nullopt;
  return (*minutes * 60 + *seconds) * kFramesPerSecond + *frames;
}

std::optional<CueTrackType> TrackType(std::string_view word) {
  if (SameWord(word, "AUDIO")) return CueTrackType::Audio;
  if (SameWord(word, "MODE1/2048")) return CueTrackType::Mode1Cooked;
  if (SameWord(word, "MODE1/2352")) return CueTrackType::Mode1Raw;
  if (SameWord(word, "MODE2/2336")) return CueTrackType::Mode2Cooked;
  if (SameWord(word, "MODE2/2352")) return CueTrackType::Mode2Raw;
  return std::nullopt;
}

bool IsIsrc(std::string_view word) {
  return word.size() == 12 && std::all_of(word.begin(), word.end(), [](char c) {
           return IsDigit(c) || (Upper(c) >= 'A' && Upper(c) <= 'Z');
         });
}

// The parse of one sheet, command by command.
class Parser {
 public:
  explicit Parser(CueSheet& sheet) : sheet_(sheet) {}

  // The reason the line is malformed, or empty when it is good.
  std::string Line(const std::vector<std::string_view>& words, std::size_t lineNumber) {
    if (words.empty()) return {};
    const std::string_view command = words[0];
    const std::size_t arguments = words.size() - 1;
    if (SameWord(command, "REM")) return Remark(words);
    if (SameWord(command, "TITLE") || SameWord(command, "PERFORMER") ||
        SameWord(command, "SONGWRITER") || SameWord(command, "CDTEXTFILE"))
      return {};
    if (SameWord(command, "FLAGS")) return track_ ? "" : "FLAGS before any TRACK";
    if (SameWord(command, "CATALOG")) {
      if (arguments != 1 || words[1].size() != 13 || !Number(words[1], 13))
        return "CATALOG needs 13 digits";
      if (!sheet_.catalog.empty()) return "CATALOG given twice";
      sheet_.catalog = std::string(words[1]);
      return {};
    }
    if (SameWord(command, "FILE")) return File(words, lineNumber);
    if (SameWord(command, "TRACK")) return Track(words, lineNumber);
    if (SameWord(command, "INDEX")) return Index(words);
    if (SameWord(command, "PREGAP") || SameWord(command, "POSTGAP")) return Gap(words);
    if (SameWord(command, "ISRC")) {
      if (!track_) return "ISRC before any TRACK";
      if (arguments != 1 || !IsIsrc(words[1])) return "ISRC needs 12 letters and digits";
      track_->isrc = std::string(words[1]);
      return {};
    }
    return "unknown command " + std::string(command);
  }

  // What is missing once every line is read, with the line it concerns;
  // empty when nothing is.
  std::string Finish() {
    if (track_) {
      const std::size_t line = track_->line;
      if (const std::string missing = FinishTrack(); !missing.empty())
        return "cue line " + std::to_string(line) + ": " + missing;
    }
    if (sheet_.tracks.empty()) return "the cue sheet has no TRACK";
    if (const std::string missing = FileWithoutTrack(); !missing.empty())
      return "cue line " + std::to_string(sheet_.files.back().line) + ": " + missing;
    return {};
  }

 private:
  std::string Remark(const std::vector<std::string_view>& words) {
    if (words.size() < 2 || !SameWord(words[1], "SESSION")) return {};
    const auto number = words.size() == 3 ? Number(words[2], 2) : std::nullopt;
    if (!number || *number < 1 || *number > kMaxCueSession)
      return "REM SESSION needs a number from 1 to 99";
    if (sheet_.tracks.empty() ? *number != 1 : *number != session_ + 1)
      return "sessions must be numbered 1, 2, 3 ... in order";
    if (!sheet_.tracks.empty() && sheet_.tracks.back().session != session_)
      return "session " + std::to_string(session_) + " has no TRACK";
    session_ = *number;
    return {};
  }

  std::string File(const std::vector<std::string_view>& words, std::size_t lineNumber) {
    if (words.size() != 3 || words[1].empty()) return "expected FILE name BINARY";
    if (!SameWord(words[2], "BINARY"))
      return "file type " + std::string(words[2]) + " is not supported (only BINARY)";
    if (const std::string missing = FinishTrack(); !missing.empty()) return missing;
    if (const std::string missing = FileWithoutTrack(); !missing.empty()) return missing;
    sheet_.files.push_back({std::string(words[1]), lineNumber});
    return {};
  }

  std::string Track(const std::vector<std::string_view>& words, std::size_t lineNumber) {
    if (words.size() != 3) return "expected TRACK nn type";
    if (sheet_.files.empty()) return "TRACK before any FILE";
    const auto number = Number(words[1], 2);
    if (!number || *number < 1 || *number > kMaxCueTrack) return "track number must be 1 to 99";
    if (!sheet_.tracks.empty() && *number <= sheet_.tracks.back().number)
      return "track numbers must ascend";
    const auto type = TrackType(words[2]);
    if (!type) return "unknown track type " + std::string(words[2]);
    if (const std::string missing = FinishTrack(); !missing.empty()) return missing;
    CueTrack track;
    track.number = *number;
    track.type = *type;
    track.session = session_;
    track.file = sheet_.files.size() - 1;
    track.line = lineNumber;
    sheet_.tracks.push_back(std::move(track));
    track_ = &sheet_.tracks.back();
    postgapSeen_ = pregapSeen_ = false;
    return {};
  }

  std::string Index(const std::vector<std::string_view>& words) {
    if (!track_) return "INDEX before any TRACK";
    if (words.size() != 3) return "expected INDEX nn mm:ss:ff";
    const auto number = Number(words[1], 2);
    const auto position = Time(words[2]);
    if (!number || *number > kMaxCueIndex) return "index number must be 0 to 99";
    if (!position) return "bad time " + std::string(words[2]) + " (mm:ss:ff)";
    if (postgapSeen_) return "INDEX after POSTGAP";
    std::vector<CueIndex>& indexes = track_->indexes;
    if (indexes.empty() ? *number > 1 : *number != indexes.back().number + 1)
      return "indexes must be numbered 0 or 1, then on by one";
    if (indexes.empty() && track_->file == FileOfPreviousTrack() && *position < previousPosition_)
      return "INDEX before the previous track's";
    if (!indexes.empty() && *position < indexes.back().position)
      return "INDEX before the one above it";
    indexes.push_back({*number, *position});
    return {};
  }

  std::string Gap(const std::vector<std::string_view>& words) {
    const bool pregap = SameWord(words[0], "PREGAP");
    if (!track_) return std::string(words[0]) + " before any TRACK";
    if (words.size() != 2) return "expected " + std::string(words[0]) + " mm:ss:ff";
    const auto length = Time(words[1]);
    if (!length) return "bad time " + std::string(words[1]) + " (mm:ss:ff)";
    if (pregap) {
      if (pregapSeen_) return "PREGAP given twice";
      if (!track_->indexes.empty()) return "PREGAP after INDEX";
      track_->pregap = *length;
      pregapSeen_ = true;
    } else {
      if (postgapSeen_) return "POSTGAP given twice";
      if (track_->indexes.empty()) return "POSTGAP before INDEX";
      track_->postgap = *length;
      postgapSeen_ = true;
    }
    return {};
  }

  // Checks the track being read before another begins; empty when complete.
  std::string FinishTrack() {
    if (!track_) return {};
    const std::vector<CueIndex>& indexes = track_->indexes;
    const bool hasStart = std::any_of(indexes.begin(), indexes.end(),
                                      [](const CueIndex& index) { return index.number == 1; });
    if (!hasStart) return "track " + std::to_string(track_->number) + " has no INDEX 01";
    previousPosition_ = indexes.back().position;
    track_ = nullptr;
    return {};
  }

  // The complaint about the last FILE when no TRACK follows it.
  std::string FileWithoutTrack() const {
    if (sheet_.files.empty() ||
        (!sheet_.tracks.empty() && sheet_.tracks.back().file == sheet_.files.size() - 1))
      return {};
    return "FILE " + sheet_.files.back().name + " has no TRACK";
  }

  std::size_t FileOfPreviousTrack() const {
    return sheet_.tracks.size() < 2 ? SIZE_MAX : sheet_.tracks[sheet_.tracks.size() - 2].file;
  }

  CueSheet& sheet_;
  CueTrack* track_ = nullptr;  // the track whose lines are being read
  std::uint32_t session_ = 1;
  std::uint32_t previousPosition_ = 0;  // the last index of the track before
  bool pregapSeen_ = false;
  bool postgapSeen_ = false;
};

}  // namespace

std::uint32_t SectorBytes(CueTrackType type) {
  switch (type) {
    case CueTrackType::Mode1Cooked:
      return 2048;
    case CueTrackType::Mode2Cooked:
      return 2336;
    case CueTrackType::Audio:
    case CueTrackType::Mode1Raw:
    case CueTrackType::Mode2Raw:
      return 2352;
  }
  return 2352;
}

std::uint32_t CueTrack::StartPosition() const {
  for (const CueIndex& index : indexes)
    if (index.number == 1) return index.position;
  return FirstPosition();
}

bool ParseCueSheet(std::string_view text, CueSheet& sheet, std::string& problem) {
  sheet = {};
  problem.clear();
  if (text.size() > kMaxCueSheetBytes) {
    problem = "cue sheet larger than 256 KB";
    return false;
  }
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // Tracks are kept by address while they are read: no reallocation.
  sheet.tracks.reserve(kMaxCueTrack);
  Parser parser(sheet);
  std::vector<std::string_view> words;
  std::size_t lineNumber = 0;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    ++lineNumber;
    const std::string_view line = text.substr(begin, end - begin);
    begin = end + 1;
    std::string reason;
    if (line.find('\0') != std::string_view::npos)
      reason = "not a text line";
    else if (!Words(line, words))
      reason = "a quote is not closed";
    else
      reason = parser.Line(words, lineNumber);
    if (!reason.empty()) {
      problem = "cue line " + std::to_string(lineNumber) + ": " + reason;
      return false;
    }
  }
  problem = parser.Finish();
  return problem.empty();
}

}  // namespace wrenlo
