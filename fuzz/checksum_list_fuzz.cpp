// Checksum lists as a disc may hold them: the input parsed as each kind of
// list, then matched as a list at the root against files named by its own
// lines.
#include <string>
#include <string_view>
#include <vector>

#include "core/verify/ChecksumCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> files = {"/SUMS.md5"};
  for (const HashKind kind : kAllHashKinds)
    for (const ChecksumEntry& entry : ParseChecksumList(text, kind).entries)
      files.push_back("/" + entry.path);
  ChecksumCheck check;
  std::vector<DigestBytes> own;
  for (const HashKind kind : kAllHashKinds) own.push_back(DigestOf(kind, data, size));
  check.AddList("/SUMS.md5", text, own);
  check.Resolve(files);
  for (const std::string& file : files) {
    std::vector<DigestBytes> digests;
    for (const HashKind kind : check.KindsFor(file)) digests.push_back(DigestOf(kind, data, size));
    check.Record(file, &digests);
  }
  return 0;
}
