// Copies every file and folder of a session's tree (the one the files test
// reads) into a local folder: one folder's listing at a time, each file's
// data read by the engine and, when that fails, again from its sectors with
// the scan's attempts, the sectors that still fail as zeros. Files, folders
// and symbolic links get their modification times from the disc.
#pragma once

#include <wrenlo/wrenlo.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/damage/DiscLayout.h"
#include "core/extract/ExtractReport.h"
#include "core/extract/FileData.h"
#include "core/extract/LocalFolder.h"
#include "core/extract/LocalNames.h"

struct FolderItem;

struct ExtractChoices {
  std::uint16_t driveLetter = 0;  // the drive read
  std::int32_t track = 1;         // a track of the session extracted
  bool replace = false;           // replace existing files
  SectorReading reading{};
  const std::atomic<bool>* cancel = nullptr;
};

// Called as each file starts, with the counts so far.
using ExtractProgress =
    std::function<void(const std::u16string& discPath, const ExtractReport& sofar)>;

class Extractor {
 public:
  Extractor(const ExtractChoices& choices, LocalFolder& folder, ExtractProgress progress)
      : choices_(choices), folder_(folder), progress_(std::move(progress)) {}

  // Extracts the whole tree; report receives what was done.
  void Run(ExtractReport& report);
  // Extracts only the files discPaths names ('/' before each name, as the
  // session's layout names them), each under its folders made as on the
  // disc; report receives what was done.
  void RunFiles(std::vector<std::u16string> discPaths, ExtractReport& report);

 private:
  // Runs walk with the session open; says when it does not open.
  void WithSession(ExtractReport& report, const std::function<void()>& walk);
  // The folder's listing (the directory closed again); false, with the
  // extraction stopped, when the medium has gone.
  bool ListFolder(const std::u16string& discPath, std::vector<FolderItem>& items,
                  ExtractReport& report);
  // The local name of discName in the current folder, given in names: as
  // FolderNames gives it, and numbered when the local file system takes it
  // as a name written before (it folds case).
  LocalName NameIn(FolderNames& names, const std::u16string& discName) const;
  // false when the extraction stops.
  bool ExtractFolder(const std::u16string& discPath, ExtractReport& report);
  bool ExtractFile(const std::u16string& discPath, const std::string& localName,
                   const timespec* modified, ExtractReport& report);
  // A symbolic link made with its target as recorded; one whose target no
  // local link can hold is listed instead.
  bool ExtractLink(const std::u16string& discPath, const std::string& localName,
                   const timespec* modified, ExtractReport& report);
  // Where the file's data lies, asked when it fails to read whole; none
  // when the engine cannot place it.
  std::optional<LayoutEntry> Placement(const std::u16string& discPath) const;

  bool Stopped(ExtractReport& report) const;
  // Numbers gaps' sectors from the session's start, as the scan and the
  // file listings do.
  void FromSessionStart(FileGaps& gaps) const;

  ExtractChoices choices_;
  LocalFolder& folder_;
  ExtractProgress progress_;
  wrenlo::Handle session_ = 0;
  std::uint64_t sessionStart_ = 0;  // the session's first device sector
};
