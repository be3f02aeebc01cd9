#include "image/CueLayout.h"

#include <algorithm>
#include <limits>

namespace wrenlo {

namespace {

// Addresses below are counted from the start of the disc's first pregap
// (CD time 00:00:00), which is 150 sectors before address 0. What a sheet
// puts before that (a first pregap longer than 2 s) comes before 00:00:00,
// where nothing can be read.
constexpr std::int64_t kLeadInPregap = 150;
constexpr std::int64_t kFirstLeadOut = 6750;  // 90 s
constexpr std::int64_t kLaterLeadOut = 2250;  // 30 s
constexpr std::int64_t kLeadIn = 4500;        // 60 s
constexpr std::int64_t kMaxAddress = std::numeric_limits<std::int32_t>::max();

std::uint8_t TrackMode(CueTrackType type) {
  switch (type) {
    case CueTrackType::Mode1Cooked:
    case CueTrackType::Mode1Raw:
      return 1;
    case CueTrackType::Mode2Cooked:
    case CueTrackType::Mode2Raw:
      return 2;
    case CueTrackType::Audio:
      return 0;
  }
  return 0;
}

std::string AtLine(std::size_t line, const std::string& reason) {
  return "cue line " + std::to_string(line) + ": " + reason;
}

// Adds count sectors of track from CD time position on; the part before
// address 0 is not addressable and left out.
void AddRun(CueDisc& disc, std::int64_t position, std::int64_t count, const CueTrack& track,
            bool inFile, std::uint64_t offset) {
  if (position < kLeadInPregap) {
    const std::int64_t skipped = std::min(count, kLeadInPregap - position);
    position += skipped;
    count -= skipped;
    offset += static_cast<std::uint64_t>(skipped) * SectorBytes(track.type);
  }
  if (count == 0) return;
  CueRun run;
  run.start = static_cast<std::uint32_t>(position - kLeadInPregap);
  run.count = static_cast<std::uint32_t>(count);
  run.type = track.type;
  run.inFile = inFile;
  run.file = track.file;
  run.offset = offset;
  disc.runs.push_back(run);
}

}  // namespace

bool LayOutCueSheet(const CueSheet& sheet, const std::vector<std::uint64_t>& fileBytes,
                    CueDisc& disc, std::string& problem) {
  disc = {};
  problem.clear();
  if (fileBytes.size() != sheet.files.size()) {
    problem = "the cue sheet's files were not all read";
    return false;
  }
  std::int64_t position = 0;    // CD time of the next sector
  std::int64_t sessionEnd = 0;  // of the session last laid out
  std::uint64_t offset = 0;     // in bytes, of the current track's first sector in its file
  for (std::size_t i = 0; i < sheet.tracks.size(); ++i) {
    const CueTrack& track = sheet.tracks[i];
    const CueTrack* previous = i == 0 ? nullptr : &sheet.tracks[i - 1];
    const CueTrack* next = i + 1 < sheet.tracks.size() ? &sheet.tracks[i + 1] : nullptr;
    const std::uint64_t bytes = SectorBytes(track.type);

    // Where its sectors are in its file.
    if (!previous || previous->file != track.file) {
      offset = std::uint64_t{track.FirstPosition()} * bytes;
    } else {
      offset += std::uint64_t{track.FirstPosition() - previous->FirstPosition()} *
                SectorBytes(previous->type);
    }
    const std::uint64_t size = fileBytes[track.file];
    if (offset >= size) {
      problem = AtLine(track.line, "track " + std::to_string(track.number) +
                                       " starts after the end of " + sheet.files[track.file].name);
      return false;
    }
    // Sectors, all below 2^32 (a file's are fewer than 2^63 / 2048).
    const auto inFile = static_cast<std::int64_t>(
        next && next->file == track.file ? next->FirstPosition() - track.FirstPosition()
                                         : (size - offset) / bytes);
    const std::int64_t pregapInFile = track.StartPosition() - track.FirstPosition();
    if (inFile <= pregapInFile) {
      problem = AtLine(track.line, "track " + std::to_string(track.number) + " has no sectors");
      return false;
    }

    // Where they are on the disc. Track 1's index 1 is address 0, however
    // long its pregap; a later session's first track has at least 2 s of
    // pregap after the lead-in.
    std::int64_t pregap = track.pregap;
    const bool opensSession = !previous || previous->session != track.session;
    if (!previous) {
      position = kLeadInPregap - pregap - pregapInFile;
    } else if (opensSession) {
      position = sessionEnd + (previous->session == 1 ? kFirstLeadOut : kLaterLeadOut) + kLeadIn;
      if (pregap + pregapInFile < kLeadInPregap) pregap = kLeadInPregap - pregapInFile;
    }
    if (opensSession) {
      SessionLayout session;
      session.number = static_cast<std::int32_t>(track.session);
      session.firstTrack = static_cast<std::int32_t>(track.number);
      disc.sessions.push_back(session);
    }
    AddRun(disc, position, pregap, track, false, 0);
    position += pregap;
    AddRun(disc, position, inFile, track, true, offset);
    TrackLayout layout;
    layout.number = static_cast<std::int32_t>(track.number);
    layout.session = static_cast<std::int32_t>(track.session);
    layout.start =
        static_cast<std::uint32_t>(std::min(position + pregapInFile - kLeadInPregap, kMaxAddress));
    layout.mode = TrackMode(track.type);
    position += inFile;
    AddRun(disc, position, track.postgap, track, false, 0);
    position += track.postgap;
    if (position - kLeadInPregap > kMaxAddress) {
      problem = AtLine(track.line, "the disc would be larger than 2^31 sectors");
      return false;
    }
    sessionEnd = position;

    // The previous track runs up to this one's start; the last one of a
    // session up to the session's end.
    if (!opensSession) disc.tracks.back().sectorCount = layout.start - disc.tracks.back().start;
    layout.sectorCount = static_cast<std::uint32_t>(sessionEnd - kLeadInPregap) - layout.start;
    disc.tracks.push_back(layout);
    SessionLayout& session = disc.sessions.back();
    if (opensSession) session.start = layout.start;
    session.lastTrack = layout.number;
    session.sectorCount = static_cast<std::uint32_t>(sessionEnd - kLeadInPregap) - session.start;
  }
  disc.sectorCount = static_cast<std::uint32_t>(sessionEnd - kLeadInPregap);
  return true;
}

}  // namespace wrenlo
