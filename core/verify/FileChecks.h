// The checks a files test makes of the content of the files it reads: the
// checksum lists found among them (read first, so that the files they name
// are hashed as the test reads them, once) and the MD5 xorriso recorded for
// each file. A file that nothing names is only verified, as without checks.
#pragma once

#include <wrenlo/wrenlo.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/verify/ChecksumCheck.h"
#include "core/verify/VerifyResults.h"
#include "core/verify/XorrisoMd5.h"

// A file's path as shown: '/' between names, from the root ("/dists/Release"),
// UTF-8; path is as the engine takes it (also '\' between names, without a
// leading one).
std::string ShownPath(const std::u16string& path);
std::u16string ShownPath16(const std::u16string& path);

class FileChecks {
 public:
  // For the files of the current device's session that holds firstTrack, in
  // the test's order: puts the checksum lists first. Opens the session's ISO
  // 9660 tree to learn whether xorriso recorded MD5s.
  FileChecks(std::vector<std::u16string>& files, std::int32_t firstTrack);
  ~FileChecks();
  FileChecks(const FileChecks&) = delete;
  FileChecks& operator=(const FileChecks&) = delete;

  // The start of the log entries (kind Error) of a file whose content is not
  // what a list or xorriso recorded: the shown path follows.
  static constexpr char16_t kChecksumMismatch[] = u"Checksum mismatch: ";
  static constexpr char16_t kMd5TagMismatch[] = u"MD5 tag mismatch: ";

  // Tests one file through session: reads it with the hashes its checks need
  // (ReadFile), or only verifies it (VerifyFile) when none does. Gives the
  // engine's result; adds a log entry's text to differences for each record
  // the file's content does not match.
  std::int32_t Test(wrenlo::Handle session, const std::u16string& path,
                    std::vector<std::u16string>& differences);

  // xorriso's recorded MD5s, when the session has them (the session's own
  // checks need them too).
  const RecordedMd5s* Recorded() const { return recorded_ ? &*recorded_ : nullptr; }

  // The checksum lists' and the files' recorded MD5s' outcomes.
  void Finish(VerifyResults& out) const;

 private:
  std::int32_t ReadList(wrenlo::Handle session, const std::u16string& path);

  std::vector<std::string> shown_;  // every file's shown path
  std::size_t listsLeft_ = 0;       // lists not yet read
  ChecksumCheck checksums_;
  wrenlo::Handle isoSession_ = 0;
  std::optional<RecordedMd5s> recorded_;
  Md5TagResults md5Files_;
};
