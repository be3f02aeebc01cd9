// Which sectors of a medium a surface scan's table holds. By default the
// table is the last session, numbered from the session's first sector. A
// scan of another session, or of the whole disc, numbers its sectors from
// the disc's start instead: its table runs from sector 0 to the end of what
// it scans, and only the sectors of the sessions it scans are read (the rest,
// earlier sessions and the gaps between sessions, stay Not Checked).
#pragma once

#include <wrenlo/wrenlo.h>

#include <cstdint>
#include <string>
#include <vector>

class DeviceContext;

// ScanOptions::session's choices besides a session's number.
inline constexpr std::int32_t kLastSession = -1;
inline constexpr std::int32_t kWholeDisc = 0;

struct ScanExtent {
  // The choice: kLastSession, kWholeDisc or a session's number.
  std::int32_t session = kLastSession;
  // The device address of the table's sector 0, and the table's size.
  std::int32_t tableStart = 0;
  std::int32_t count = 0;
  // The table's sectors are numbered from the disc's start (tableStart 0).
  bool fromDiscStart = false;
  // The first track of the session whose file system the table's sectors
  // are named by (the one scanned, or the last one of the whole disc).
  std::int32_t layoutTrack = -1;
  // The sessions scanned, as ranges of the table, ascending.
  struct Span {
    std::int32_t first = 0;
    std::int32_t last = -1;
  };
  std::vector<Span> spans;

  // The first sector at or after sector that lies in a session scanned;
  // count when none does.
  std::int32_t NextInSpan(std::int32_t sector) const;
  // The table as a session record: its start, its size and the track whose
  // file system names its sectors, for indexing what lies on them.
  wrenlo::SessionInfo AsSessionInfo() const;
  // What the log's start line adds: "" for the last session, else
  // ", session 1 of 2, sectors counted from the disc's start" or ", whole
  // disc (sessions 1 to 2), sectors counted from the disc's start".
  std::u16string StartLineText(std::int32_t lastSession) const;
};

// The extent of a scan of session (kLastSession, kWholeDisc, a number) on
// context's medium; empty without a medium, or for a session it does not
// have.
ScanExtent ExtentOf(const DeviceContext& context, std::int32_t session);
