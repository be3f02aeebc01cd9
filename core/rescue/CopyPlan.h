// What a copy of a disc reads and where in the image each sector goes.
//
// A disc whose copied tracks are all data Mode 1, and any DVD or BD, is
// copied to an ISO image of 2048-byte sectors, each at its own address
// (sector n at byte n × 2048), so that a last session's file system, which
// names absolute addresses, reads from the image; sectors before it are left
// as a hole. A CD with audio or Mode 2 tracks, a whole multi-session CD, or
// any CD the user names a .cue or .bin copy of, is copied to a BIN file of
// whole 2352-byte sectors, session after session without the lead-out and
// lead-in between them, with a cue sheet beside it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CopyTrack {
  std::int32_t number = 0;
  std::int32_t session = 0;
  std::int64_t start = 0;  // address of index 1
  std::int64_t count = 0;  // up to the next track of its session or the session's end
  std::uint8_t mode = 1;   // 1, 2 data; anything else audio

  bool IsAudio() const { return mode != 1 && mode != 2; }
};

struct CopySession {
  std::int32_t number = 0;
  std::int64_t start = 0;
  std::int64_t count = 0;
};

// The facts of a medium a copy is planned from.
struct DiscFacts {
  bool cd = false;
  std::vector<CopySession> sessions;  // ascending
  std::vector<CopyTrack> tracks;      // ascending
};

enum class ImageFormat { Iso, BinCue };
enum class SessionChoice { Last, All };

// A run of addresses read in a row, and the image sector the first goes to.
struct CopyExtent {
  std::int64_t address = 0;
  std::int64_t count = 0;
  std::uint64_t imageSector = 0;

  std::int64_t End() const { return address + count; }
};

struct CopyPlan {
  ImageFormat format = ImageFormat::Iso;
  std::uint32_t sectorBytes = 2048;
  std::vector<CopyExtent> extents;  // ascending in both addresses and image sectors
  std::uint64_t imageSectors = 0;   // the image's size in sectors
  // The copied sessions and their tracks (the cue sheet's), and whether the
  // cue sheet names their sessions.
  std::vector<CopySession> sessions;
  std::vector<CopyTrack> tracks;
  bool multiSession = false;

  // The sectors the copy reads.
  std::uint64_t Sectors() const;
  // The first and one past the last address read.
  std::int64_t FirstAddress() const { return extents.empty() ? 0 : extents.front().address; }
  std::int64_t EndAddress() const { return extents.empty() ? 0 : extents.back().End(); }
  // The addresses a table of the copy's sector states covers, as the
  // surface map shows it: from the first copied session's start to the last
  // one's end, between sessions included.
  std::int64_t TableStart() const { return sessions.empty() ? 0 : sessions.front().start; }
  std::int64_t TableEnd() const {
    return sessions.empty() ? 0 : sessions.back().start + sessions.back().count;
  }
  // The image sector of an address of a copied session.
  std::uint64_t ImageSectorOf(std::int64_t address) const;
};

// The sectors of a session to copy, counted within it, as the scan's range
// options give them; a last sector past the session means its end.
struct SectorRange32 {
  std::int32_t first = 0;
  std::int32_t last = -1;
};

// Plans the copy of the last session or the whole disc, in the format the
// image's name asks for (nothing: the disc's own). False with one line in
// error when the disc and the format do not go together or the disc has
// nothing to copy.
bool PlanCopy(const DiscFacts& disc, SessionChoice sessions, std::optional<ImageFormat> named,
              SectorRange32 range, CopyPlan& plan, std::string& error);
