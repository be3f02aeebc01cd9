// The text of a cue sheet: the track list that goes with one or several raw
// CD image files ("BIN" files). Understood:
//   FILE name BINARY          the following tracks' sectors are in this file
//   TRACK nn type             AUDIO, MODE1/2048, MODE1/2352, MODE2/2336, MODE2/2352
//   INDEX nn mm:ss:ff         where index nn starts, counted in the file's sectors
//   PREGAP / POSTGAP mm:ss:ff sectors of silence or zeros that are not in the file
//   REM SESSION nn            the following tracks are in session nn
//   CATALOG, ISRC             the disc's and the track's codes
//   TITLE, PERFORMER, SONGWRITER, FLAGS, CDTEXTFILE, other REM lines: read and ignored
// Keywords in any case, names quoted or not, LF or CRLF line ends, an
// optional UTF-8 byte order mark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wrenlo {

enum class CueTrackType { Audio, Mode1Cooked, Mode1Raw, Mode2Cooked, Mode2Raw };

// Bytes one sector of a track of this type takes in its file: 2352 for audio
// and raw sectors, 2048 for MODE1/2048, 2336 for MODE2/2336.
std::uint32_t SectorBytes(CueTrackType type);

// Sectors per second of CD time: mm:ss:ff counts 75 frames a second.
inline constexpr std::uint32_t kFramesPerSecond = 75;

struct CueIndex {
  std::uint32_t number = 0;
  std::uint32_t position = 0;  // in sectors from the start of the track's file
};

struct CueTrack {
  std::uint32_t number = 0;  // 1 to 99, ascending
  CueTrackType type = CueTrackType::Mode1Cooked;
  std::uint32_t session = 1;
  std::size_t file = 0;           // index into CueSheet::files
  std::uint32_t pregap = 0;       // sectors not in the file before the track
  std::uint32_t postgap = 0;      // sectors not in the file after it
  std::vector<CueIndex> indexes;  // ascending numbers and positions; has index 1
  std::string isrc;
  std::size_t line = 0;  // of the TRACK command

  // Where the track's sectors begin in its file: its first index.
  std::uint32_t FirstPosition() const { return indexes.front().position; }
  // Where index 1 is.
  std::uint32_t StartPosition() const;
};

struct CueFile {
  std::string name;  // as written, relative to the cue sheet's folder
  std::size_t line = 0;
};

struct CueSheet {
  std::string catalog;  // 13 digits, or empty
  std::vector<CueFile> files;
  std::vector<CueTrack> tracks;  // at least one
};

// Limits that keep a cue sheet from asking for absurd things.
inline constexpr std::size_t kMaxCueSheetBytes = 256 * 1024;
inline constexpr std::uint32_t kMaxCueTrack = 99;
inline constexpr std::uint32_t kMaxCueSession = 99;
inline constexpr std::uint32_t kMaxCueIndex = 99;

// Parses the text of a cue sheet. On a malformed sheet returns false and sets
// problem to "cue line N: " and what is wrong there (or, for what is missing
// at the end, to what is missing).
bool ParseCueSheet(std::string_view text, CueSheet& sheet, std::string& problem);

}  // namespace wrenlo
