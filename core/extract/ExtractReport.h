// What an extraction did, kept as it goes: counts of what was written, and
// each file that is incomplete, was renamed or was left as it was; and the
// manifest (extract-report.json) and summary made of it. Only the files worth
// listing are kept, so that memory follows the damage, not the disc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/extract/FileData.h"

// The name of the manifest written in the folder extracted to.
inline constexpr char kExtractManifestName[] = "extract-report.json";

struct ExtractedEntry {
  std::u16string discPath;  // '/' before each name, as on the disc
  std::string localPath;    // UTF-8, within the folder, '/' between names
  std::uint64_t size = 0;   // the file's length on the disc, kept for incomplete files
};

struct IncompleteFile {
  ExtractedEntry entry;
  FileGaps gaps;  // the bytes written as zeros, the sectors they lie on from the session's start
};

struct RenamedEntry {
  ExtractedEntry entry;
  std::string reason;  // LocalName's
};

// A symbolic link whose target no local link can hold (empty, or with a
// NUL character, or too long).
struct UnmadeLink {
  ExtractedEntry entry;
  std::u16string target;  // as recorded
};

// A folder of the disc whose listing could not be read: nothing below it
// was extracted.
struct UnlistedFolder {
  std::u16string discPath;
  std::string reason;  // the engine's result, by name
};

struct ExtractReport {
  // The session extracted; the sectors of its incomplete files count from
  // its start.
  std::int32_t session = 0;
  std::uint64_t files = 0;    // files written, whole or with zeros
  std::uint64_t folders = 0;  // folders made (or there already) below the one given
  std::uint64_t links = 0;    // symbolic links made
  std::uint64_t bytes = 0;    // bytes written
  std::vector<IncompleteFile> incomplete;
  std::vector<RenamedEntry> renamed;
  std::vector<ExtractedEntry> kept;  // existing files left in place (no overwrite asked)
  std::vector<UnmadeLink> unmadeLinks;
  std::vector<UnlistedFolder> unlisted;
  // The one line that stopped the extraction (a full disc, a write error, a
  // medium taken out), empty when it ran to its end or was cancelled.
  std::string stopped;
  bool cancelled = false;

  // Every file and link of the disc was written whole.
  bool Complete() const {
    return incomplete.empty() && kept.empty() && unmadeLinks.empty() && unlisted.empty() &&
           stopped.empty() && !cancelled;
  }
};

// The manifest: the counts, whether it finished, and the lists, as JSON.
std::string ExtractReportJson(const ExtractReport& report);
