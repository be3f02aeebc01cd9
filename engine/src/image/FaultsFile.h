// The damaged-disc description beside an image, "<image>.faults": lines of
//   FIRST[-LAST] FAILURES   each read of these sectors fails FAILURES times in
//                           a row, then succeeds once, then starts over;
//                           FAILURES may be "always"
//   latency MICROSECONDS    every sector read takes at least this long
//   error-latency MICROSECONDS
//                           a failed read takes this long for the sector
//                           that fails (default: the latency), as a drive
//                           takes long to give up on a bad sector
//   # ...                   a comment
// Sector numbers count from the start of the medium; blank lines are ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wrenlo {

struct FaultRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  std::uint32_t failures = 0;  // reads that fail before one succeeds
  bool always = false;         // every read fails
};

struct FaultPlan {
  std::vector<FaultRange> ranges;  // ascending, not overlapping
  std::uint32_t latencyMicroseconds = 0;
  // How long a failed read spends on the sector that fails; unset, the
  // latency.
  std::optional<std::uint32_t> errorLatencyMicroseconds;
  // Of a copy read with its mapfile: how many sectors the copy lacks (they
  // are among ranges, failing always); -1 without a mapfile.
  std::int64_t missingSectors = -1;
};

// Limits that keep a faults file from asking for absurd things.
inline constexpr std::size_t kMaxFaultsFileBytes = 1024 * 1024;
inline constexpr std::uint32_t kMaxLatencyMicroseconds = 1000000;
inline constexpr std::uint32_t kMaxErrorLatencyMicroseconds = 60000000;
inline constexpr std::uint32_t kMaxFailures = 1000000;

// Parses the text of a faults file. On a malformed line returns false and
// sets problem to "faults line N: " and what is wrong with it.
bool ParseFaults(std::string_view text, FaultPlan& plan, std::string& problem);

}  // namespace wrenlo
