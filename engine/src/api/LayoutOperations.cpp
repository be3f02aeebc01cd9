// The public listings of where a session's and a medium's files, structures
// and tracks lie.
#include <wrenlo/wrenlo.h>

#include <functional>
#include <string>
#include <vector>

#include "Text.h"
#include "api/EngineState.h"
#include "api/MediumLookup.h"
#include "fs/SessionLayout.h"

namespace wrenlo {

namespace {

// Hands each item to the caller's callback as a LayoutRecord; remembers the
// callback's wish to stop.
class RecordSink {
 public:
  RecordSink(LayoutCallback callback, void* context) : callback_(callback), context_(context) {}

  Result operator()(const LayoutItem& item) {
    runs_.clear();
    for (const Extent& extent : item.extents) runs_.push_back({extent.start, extent.count});
    // The record's texts are NUL-terminated.
    name_.assign(item.name);
    target_.assign(item.target);
    directory_.assign(item.directory);
    LayoutRecord record{};
    record.kind = Kind(item.kind);
    record.result = item.result;
    record.size = item.size;
    record.name = name_.c_str();
    record.nameLength = static_cast<std::int32_t>(name_.size());
    record.runCount = static_cast<std::int32_t>(runs_.size());
    record.runs = runs_.data();
    record.target = target_.c_str();
    record.targetLength = static_cast<std::int32_t>(target_.size());
    record.flags = item.filesTestTree ? kLayoutFilesTestTree : 0;
    record.directory = directory_.c_str();
    record.directoryLength = static_cast<std::int32_t>(directory_.size());
    stopped_ = callback_(context_, &record);
    return stopped_ == 0 ? kOk : kInvalidArgument;
  }

  // The callback's stop value, else result.
  std::int32_t Outcome(std::int32_t result) const { return stopped_ != 0 ? stopped_ : result; }
  bool Stopped() const { return stopped_ != 0; }

 private:
  static std::int32_t Kind(LayoutKind kind) {
    switch (kind) {
      case LayoutKind::kFile:
        return kLayoutFile;
      case LayoutKind::kLink:
        return kLayoutLink;
      case LayoutKind::kAudioTrack:
        return kLayoutAudioTrack;
      case LayoutKind::kDataTrack:
        return kLayoutDataTrack;
      case LayoutKind::kLeadOut:
        return kLayoutLeadOut;
      default:
        return kLayoutStructure;
    }
  }

  LayoutCallback callback_;
  void* context_;
  std::vector<SectorRun> runs_;
  std::u16string name_, target_, directory_;
  std::int32_t stopped_ = 0;
};

std::u16string Number(std::int64_t n) { return FromUtf8(std::to_string(n)); }

// A medium's listing: its sessions from the last, the tracks no file system
// holds, and the gaps between sessions.
class MediumWalk {
 public:
  MediumWalk(std::shared_ptr<Backend> backend, MediumLayout medium, RecordSink& sink)
      : backend_(std::move(backend)), medium_(std::move(medium)), sink_(sink) {}

  std::int32_t Run() {
    // The last session's result: an earlier one's adds what it can.
    std::int32_t outcome = kOk;
    for (auto session = medium_.sessions.rbegin(); session != medium_.sessions.rend();
         ++session) {
      const bool last = session == medium_.sessions.rbegin();
      const Result result = Session(*session, last);
      if (sink_.Stopped()) return sink_.Outcome(result);
      if (last) outcome = result;
    }
    for (std::size_t i = 0; i + 1 < medium_.sessions.size(); ++i) {
      const SessionLayout& before = medium_.sessions[i];
      const std::uint64_t end = std::uint64_t{before.start} + before.sectorCount;
      const std::uint64_t next = medium_.sessions[i + 1].start;
      if (next <= end) continue;
      const Extent gap{end, next - end};
      LayoutItem item;
      item.kind = LayoutKind::kLeadOut;
      item.name = u"lead-out";
      item.extents = std::span<const Extent>(&gap, 1);
      if (const Result result = sink_(item); result != kOk) return sink_.Outcome(result);
    }
    return outcome;
  }

 private:
  Result Session(const SessionLayout& session, bool last) {
    std::shared_ptr<const SessionFileSystem> fileSystem;
    const Result opened = EngineState::Get().FileSystems().Open(
        backend_, session.start, EndOf(session.start, session.sectorCount), kFileSystemAny,
        fileSystem);
    Result walked = kOk;
    if (opened == kOk) {
      SessionLayoutScope scope;
      scope.sessionInNames = last ? 0 : session.number;
      scope.filesTestTree = last;
      walked = LayOutSession(*backend_, *fileSystem, scope, listed_, std::ref(sink_));
      if (sink_.Stopped()) return walked;
    }
    for (const TrackLayout& track : medium_.tracks) {
      if (track.session != session.number || track.sectorCount == 0) continue;
      // The file system's own track is what its layout lists; any other
      // track is named, so that none of its sectors is taken for free.
      const bool data = track.mode == 1 || track.mode == 2;
      if (data && opened == kOk && track.number == session.firstTrack) continue;
      std::u16string name = (data ? u"Data track " : u"Audio track ") + Number(track.number);
      if (data && opened == kNoFileSystem) name += u" (no file system)";
      if (data && opened != kOk && opened != kNoFileSystem) name += u" (file system not readable)";
      const Extent extent{track.start, track.sectorCount};
      LayoutItem item;
      item.kind = data ? LayoutKind::kDataTrack : LayoutKind::kAudioTrack;
      item.name = name;
      item.extents = std::span<const Extent>(&extent, 1);
      item.result = data ? opened : kOk;
      if (const Result result = sink_(item); result != kOk) return result;
    }
    return opened != kOk ? opened : walked;
  }

  std::shared_ptr<Backend> backend_;
  MediumLayout medium_;
  RecordSink& sink_;
  ListedFiles listed_;
};

}  // namespace

std::int32_t ListSessionLayout(Handle session, LayoutCallback callback, void* context) {
  if (callback == nullptr) return kInvalidArgument;
  const auto object = EngineState::Get().Handles().Find<DiskSessionObject>(session);
  if (!object) return kInvalidHandle;
  RecordSink sink(callback, context);
  ListedFiles listed;
  const Result result = LayOutSession(*object->backend, *object->fileSystem, SessionLayoutScope{},
                                      listed, std::ref(sink));
  return sink.Outcome(result);
}

std::int32_t ListMediumLayout(std::int32_t device, LayoutCallback callback, void* context) {
  if (callback == nullptr) return kInvalidArgument;
  std::shared_ptr<Backend> backend;
  if (const Result result = EngineState::Get().Device(device, backend); result != kOk)
    return result;
  MediumLayout medium;
  if (const Result result = backend->Medium(medium); result != kOk) return result;
  RecordSink sink(callback, context);
  return MediumWalk(std::move(backend), std::move(medium), sink).Run();
}

}  // namespace wrenlo
