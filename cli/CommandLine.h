// What the user asked for on the command line, checked for form: a command,
// its drive, numbers and options. Whether the drive, session or sector exists
// is the command's business.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/rescue/DiscCopier.h"
#include "core/scan/ScanExtent.h"
#include "core/scan/ScanOptions.h"

enum class Verb {
  None,
  Help,
  Version,
  Devices,
  Info,
  Media,
  Scan,
  Dump,
  Save,
  Files,
  WhoHas,
  Report,
  Copy,
  Compare,
  History,
  Extract
};

struct CommandLine {
  Verb verb = Verb::None;
  // The command's own help was asked for (COMMAND --help, help COMMAND).
  bool help = false;
  // The drive letter given, upper case; 0 = the first listed drive.
  char16_t drive = 0;
  bool json = false;
  // The passes of a scan as given; neither means the surface scan.
  bool surface = false;
  bool files = false;
  std::string mapFile;  // empty = none
  // scan: how the surface scan reads (retry is set when retryFrom is given,
  // its table read by the command), a mapfile whose finished sectors are
  // kept, and where the read-speed series goes; empty = none.
  ScanOptions scanOptions;
  // --first and --last as given (-1: not given), any sector number a disc
  // may have; scanOptions holds them too, cut to the largest the engine
  // reads. Whether the session has them is the command's business.
  std::int64_t firstSector = 0;
  std::int64_t lastSector = -1;
  std::string retryFrom;
  std::string speedCsv;
  // dump, save and whohas: the sector within the session (0 to
  // kLargestSectorNumber), and the session (the last one when not given).
  std::int64_t sector = 0;
  std::optional<std::int32_t> session;
  // save: the sector's file; report: the report's file, JSON when json is set
  // and HTML otherwise. A report scans first with surface or files set.
  // copy: the image.
  std::string outputFile;
  // copy: how it reads, and whether it copies every session (--session all)
  // rather than the last; its mapfile is mapFile.
  CopyOptions copyOptions;
  bool allSessions = false;
  // scan, report and compare: keep no history of the scan (--no-history).
  bool noHistory = false;
  // history: every disc (--all), or the scan to forget (--forget ID).
  bool all = false;
  std::optional<std::int32_t> forget;
  // extract: replace files that are in the folder already (--overwrite).
  bool overwrite = false;
  // compare: the image the disc is compared with.
  std::string compareImage;
  // Disc images to open as drives (--image, in order); the first is the
  // drive when none is given.
  std::vector<std::string> images;
};

// The largest sector number taken: a 32-bit sector address.
inline constexpr std::int64_t kLargestSectorNumber = 4294967295;

// Reads the arguments that follow the program's name. Options that every
// command takes (--image FILE) may also stand before the command. False with error set
// (one line, without the program's name) when they do not make a command.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

// The name a command is typed as ("scan"); empty for Verb::None.
std::string VerbName(Verb verb);
