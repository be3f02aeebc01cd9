// The public operations on the file systems of a session: disk sessions, their
// volume records, directory listings and file verification.
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "api/EngineState.h"
#include "api/MediumLookup.h"
#include "fs/ExtentVerifier.h"
#include "fs/SessionFileSystem.h"

namespace wrenlo {

namespace {

// Bytes 1 to 6 of a volume date: years since 1900, month, day, hour, minute,
// second; zero when the date is unset or outside what a byte holds.
void FillDate(const IsoDate& date, DateBlock& block) {
  const bool fits = date.year >= 1900 && date.year <= 1900 + 255;
  block[1] = fits ? static_cast<unsigned char>(date.year - 1900) : 0;
  block[2] = fits ? date.month : 0;
  block[3] = fits ? date.day : 0;
  block[4] = fits ? date.hour : 0;
  block[5] = fits ? date.minute : 0;
  block[6] = fits ? date.second : 0;
}

std::shared_ptr<DiskSessionObject> FindSession(Handle session) {
  return EngineState::Get().Handles().Find<DiskSessionObject>(session);
}

// Hands found over to the caller's room of room items (out may be null when
// it is 0): as much as fits, room set to the whole length; kTooLarge when
// cut.
template <typename Items, typename Item>
Result CopyOut(const Items& found, Item* out, std::int32_t& room) {
  const std::size_t fits = std::min(found.size(), static_cast<std::size_t>(room));
  std::copy_n(found.begin(), fits, out);
  room = static_cast<std::int32_t>(found.size());
  return fits < found.size() ? kTooLarge : kOk;
}

}  // namespace

std::int32_t OpenDiskSession(std::int32_t device, std::int32_t trackNumber, Handle* session,
                             std::int32_t fileSystem) {
  if (session == nullptr) return kInvalidArgument;
  *session = 0;
  auto object = std::make_shared<DiskSessionObject>();
  object->withTimes = (fileSystem & kFileSystemWithTimes) != 0;
  fileSystem &= ~kFileSystemWithTimes;
  if (const Result result = EngineState::Get().Device(device, object->backend); result != kOk)
    return result;
  MediumLayout layout;
  if (const Result result = object->backend->Medium(layout); result != kOk) return result;
  const auto track = FindNumbered(layout.tracks, trackNumber);
  if (track == layout.tracks.end()) return kNotFound;
  const auto found = FindNumbered(layout.sessions, track->session);
  if (found == layout.sessions.end()) return kNotFound;
  if (const Result result = EngineState::Get().FileSystems().Open(
          object->backend, found->start, EndOf(found->start, found->sectorCount), fileSystem,
          object->fileSystem);
      result != kOk)
    return result;
  return EngineState::Get().Handles().Add(std::move(object), *session);
}

std::int32_t CloseDiskSession(Handle session) {
  return EngineState::Get().Handles().Remove<DiskSessionObject>(session);
}

std::int32_t GetISOVolumeInformation(Handle session, IsoVolumeInfo* info) {
  if (info == nullptr) return kInvalidArgument;
  const auto object = FindSession(session);
  if (!object) return kInvalidHandle;
  if (!object->fileSystem->iso) return kNoFileSystem;
  const IsoVolume& volume = object->fileSystem->iso->Volume();
  info->volumeLabel.set(volume.label);
  info->application.set(volume.application);
  info->publisher.set(volume.publisher);
  FillDate(volume.creation, info->creationTime);
  FillDate(volume.modification, info->modificationTime);
  FillDate(volume.expiration, info->expirationTime);
  FillDate(volume.effective, info->effectiveTime);
  return kOk;
}

std::int32_t GetUDFVolumeInformation(Handle session, UdfVolumeInfo* info) {
  if (info == nullptr) return kInvalidArgument;
  const auto object = FindSession(session);
  if (!object) return kInvalidHandle;
  if (!object->fileSystem->udf) return kNoFileSystem;
  const UdfVolumeFacts& facts = object->fileSystem->udf->Facts();
  info->volumeLabel.set(facts.label);
  info->revision = facts.revision;
  info->fileCount = facts.fileCount;
  info->directoryCount = facts.directoryCount;
  return kOk;
}

std::int32_t OpenDirectory(Handle session, const char16_t* path, Handle* directory) {
  if (path == nullptr || directory == nullptr) return kInvalidArgument;
  *directory = 0;
  const auto object = FindSession(session);
  if (!object) return kInvalidHandle;
  auto listing = std::make_shared<DirectoryObject>();
  const FileSystem& tree = object->fileSystem->Tree();
  if (const Result result = object->withTimes ? tree.ListDirectoryWithTimes(path, listing->items)
                                              : tree.ListDirectory(path, listing->items);
      result != kOk)
    return result;
  return EngineState::Get().Handles().Add(std::move(listing), *directory);
}

std::int32_t ReadDirectory(Handle directory, std::int32_t index, DirectoryEntry* entry) {
  if (entry == nullptr) return kInvalidArgument;
  const auto listing = EngineState::Get().Handles().Find<DirectoryObject>(directory);
  if (!listing) return kInvalidHandle;
  if (index < 0 || static_cast<std::size_t>(index) >= listing->items.size()) return kEndOfDirectory;
  const DirectoryItem& item = listing->items[static_cast<std::size_t>(index)];
  entry->name.set(item.name);
  entry->attributes = item.isDirectory ? kAttributeDirectory : item.isLink ? kAttributeLink : 0;
  entry->modifiedKnown = item.modified.known ? 1 : 0;
  entry->modifiedSeconds = item.modified.known ? item.modified.seconds : 0;
  entry->modifiedNanoseconds = item.modified.known ? item.modified.nanoseconds : 0;
  return kOk;
}

std::int32_t CloseDirectory(Handle directory) {
  return EngineState::Get().Handles().Remove<DirectoryObject>(directory);
}

std::int32_t VerifyFile(Handle session, const char16_t* path) {
  if (path == nullptr) return kInvalidArgument;
  const auto object = FindSession(session);
  if (!object) return kInvalidHandle;
  std::vector<Extent> extents;
  if (const Result result = object->fileSystem->Tree().FileExtents(path, extents); result != kOk)
    return result;
  Backend& source = *object->backend;
  const std::uint64_t sectors = source.SectorCount();
  for (const Extent& extent : extents)
    if (extent.start > sectors || extent.count > sectors - extent.start) return kOutOfRange;
  return VerifyExtents(source, extents);
}

std::int32_t GetFileSectors(Handle session, const char16_t* path, std::uint64_t* sectors) {
  if (path == nullptr || sectors == nullptr) return kInvalidArgument;
  *sectors = 0;
  const auto object = FindSession(session);
  if (!object) return kInvalidHandle;
  std::vector<Extent> extents;
  if (const Result result = object->fileSystem->Tree().FileExtents(path, extents); result != kOk)
    return result;
  for (const Extent& extent : extents) *sectors += extent.count;
  return kOk;
}

std::int32_t ReadFile(Handle session, const char16_t* path, FileDataCallback callback,
                      void* context) {
  if (path == nullptr || callback == nullptr) return kInvalidArgument;
  const auto object = FindSession(session);
  if (!object) return kInvalidHandle;
  FileContent content;
  if (const Result result = object->fileSystem->Tree().FileContentOf(path, content); result != kOk)
    return result;
  Backend& source = *object->backend;
  const std::uint64_t sectors = source.SectorCount();
  for (const ContentPiece& piece : content.pieces) {
    const std::uint64_t count = (piece.bytes + kSectorSize - 1) / kSectorSize;
    if (piece.recorded && (piece.start > sectors || count > sectors - piece.start))
      return kOutOfRange;
  }
  return ReadContent(source, content, [&](const std::uint8_t* data, std::size_t size) {
    return callback(context, data, static_cast<std::int32_t>(size));
  });
}

std::int32_t GetFileRuns(Handle session, const char16_t* path, SectorRun* runs, std::int32_t* count,
                         std::uint64_t* size) {
  if (path == nullptr || count == nullptr || size == nullptr || *count < 0 ||
      (runs == nullptr && *count != 0))
    return kInvalidArgument;
  const auto object = FindSession(session);
  if (!object) return kInvalidHandle;
  const FileSystem& tree = object->fileSystem->Tree();
  std::vector<Extent> extents;
  FileContent content;
  if (const Result result = tree.FileExtents(path, extents); result != kOk) return result;
  if (const Result result = tree.FileContentOf(path, content); result != kOk) return result;
  *size = content.embedded.size();
  for (const ContentPiece& piece : content.pieces) *size += piece.bytes;
  std::vector<SectorRun> found;
  found.reserve(extents.size());
  for (const Extent& extent : extents) found.push_back({extent.start, extent.count});
  return CopyOut(found, runs, *count);
}

std::int32_t GetLinkTarget(Handle session, const char16_t* path, char16_t* target,
                           std::int32_t* size) {
  if (path == nullptr || size == nullptr || *size < 0 || (target == nullptr && *size != 0))
    return kInvalidArgument;
  const auto object = FindSession(session);
  if (!object) return kInvalidHandle;
  std::u16string found;
  if (const Result result = object->fileSystem->Tree().LinkTarget(path, found); result != kOk)
    return result;
  return CopyOut(found, target, *size);
}

std::int32_t GetFileAttribute(Handle session, const char16_t* path, const char* name,
                              std::uint8_t* value, std::int32_t* size) {
  if (path == nullptr || name == nullptr || size == nullptr || *size < 0 ||
      (value == nullptr && *size != 0))
    return kInvalidArgument;
  const auto object = FindSession(session);
  if (!object) return kInvalidHandle;
  std::vector<std::uint8_t> found;
  if (const Result result = object->fileSystem->Tree().FileAttribute(path, name, found);
      result != kOk)
    return result;
  return CopyOut(found, value, *size);
}

}  // namespace wrenlo
