#include "core/verify/FileChecks.h"

#include <algorithm>
#include <set>

#include "core/report/Utf8.h"

namespace {

// The digests of a read, one per kind, fed as the bytes arrive.
struct Hashing {
  std::vector<Digest> digests;
  std::string* text = nullptr;  // a list's bytes, kept up to kMaxListBytes
  bool tooLarge = false;

  static std::int32_t Take(void* context, const std::uint8_t* data, std::int32_t size) {
    auto* self = static_cast<Hashing*>(context);
    const auto bytes = static_cast<std::size_t>(size);
    for (Digest& digest : self->digests) digest.Update(data, bytes);
    if (self->text != nullptr && !self->tooLarge) {
      if (self->text->size() + bytes > kMaxListBytes)
        self->tooLarge = true;
      else
        self->text->append(reinterpret_cast<const char*>(data), bytes);
    }
    return 0;
  }
  std::vector<DigestBytes> Values() const {
    std::vector<DigestBytes> values;
    for (const Digest& digest : digests) values.push_back(digest.Value());
    return values;
  }
};

}  // namespace

std::u16string ShownPath16(const std::u16string& path) {
  if (path.starts_with(u'/')) return path;
  std::u16string shown = u"/" + path;
  std::replace(shown.begin(), shown.end(), u'\\', u'/');
  return shown;
}

std::string ShownPath(const std::u16string& path) { return ToUtf8(ShownPath16(path)); }

FileChecks::FileChecks(std::vector<std::u16string>& files, std::int32_t firstTrack) {
  shown_.reserve(files.size());
  for (const std::u16string& file : files) shown_.push_back(ShownPath(file));
  const std::vector<std::string> lists = ChecksumCheck::ListsAmong(shown_);
  const std::set<std::string> isList(lists.begin(), lists.end());
  // The lists go first, each in its place among the others.
  std::stable_partition(files.begin(), files.end(), [&](const std::u16string& file) {
    return isList.count(ShownPath(file)) != 0;
  });
  listsLeft_ = lists.size();
  if (wrenlo::OpenDiskSession(wrenlo::kCurrentDevice, firstTrack, &isoSession_,
                              wrenlo::kFileSystemIso9660) != 0)
    return;
  RecordedMd5s recorded;
  if (recorded.Load(isoSession_)) recorded_ = std::move(recorded);
}

FileChecks::~FileChecks() { wrenlo::CloseDiskSession(isoSession_); }

std::int32_t FileChecks::ReadList(wrenlo::Handle session, const std::u16string& path) {
  const std::string shown = ShownPath(path);
  std::string text;
  Hashing hashing;
  for (const HashKind kind : kAllHashKinds) hashing.digests.emplace_back(kind);
  hashing.text = &text;
  const std::int32_t result = wrenlo::ReadFile(session, path.c_str(), &Hashing::Take, &hashing);
  if (result != 0)
    checksums_.AddUnusedList(shown,
                             std::string("cannot be read (") + wrenlo::ResultName(result) + ")");
  else if (hashing.tooLarge)
    checksums_.AddUnusedList(shown, "larger than " + std::to_string(kMaxListBytes >> 20) + " MiB");
  else
    checksums_.AddList(shown, text, hashing.Values());
  if (--listsLeft_ == 0) checksums_.Resolve(shown_);
  return result;
}

std::int32_t FileChecks::Test(wrenlo::Handle session, const std::u16string& path,
                              std::vector<std::u16string>& differences) {
  if (listsLeft_ > 0) return ReadList(session, path);
  const std::string shown = ShownPath(path);
  const std::vector<HashKind> kinds = checksums_.KindsFor(shown);
  const std::optional<DigestBytes> recorded =
      recorded_ ? recorded_->FileMd5(isoSession_, path) : std::nullopt;
  if (kinds.empty() && !recorded) return wrenlo::VerifyFile(session, path.c_str());

  Hashing hashing;
  for (const HashKind kind : kinds) hashing.digests.emplace_back(kind);
  const bool md5Listed = std::find(kinds.begin(), kinds.end(), HashKind::Md5) != kinds.end();
  if (recorded && !md5Listed) hashing.digests.emplace_back(HashKind::Md5);
  const std::int32_t result = wrenlo::ReadFile(session, path.c_str(), &Hashing::Take, &hashing);
  if (result != 0) {
    checksums_.Record(shown, nullptr);
    return result;
  }
  std::vector<DigestBytes> values = hashing.Values();
  if (recorded) {
    const DigestBytes& md5 = md5Listed ? values[0] : values.back();
    if (md5 == *recorded) {
      ++md5Files_.filesMatched;
    } else {
      md5Files_.filesDiffer.push_back(shown);
      differences.push_back(kMd5TagMismatch + ShownPath16(path));
    }
  }
  if (!md5Listed && recorded) values.pop_back();
  if (checksums_.Record(shown, &values))
    differences.push_back(kChecksumMismatch + ShownPath16(path));
  return result;
}

void FileChecks::Finish(VerifyResults& out) const {
  out.checksums = checksums_.Report();
  out.md5Tags.filesMatched = md5Files_.filesMatched;
  out.md5Tags.filesDiffer = md5Files_.filesDiffer;
}
