// The rate at which a scan reads, over the most recent half second: what a
// drive delivers now, neither one sector's time (too coarse for a fast read)
// nor the average since the start (too slow to follow a scratch).
#pragma once

#include <cstdint>
#include <deque>

class ReadRate {
 public:
  // The span the rate is taken over, in microseconds.
  static constexpr std::uint64_t kWindow = 500000;

  // Begins a new measure at time now (microseconds of a steady clock).
  void Start(std::uint64_t now);
  // A read that ended at time now delivered bytes (0 for a failed read).
  void Add(std::uint64_t now, std::uint64_t bytes);
  // Bytes per second delivered from the last mark at or before
  // now - kWindow (or the start) until the latest read; 0 while no time has
  // passed.
  std::int32_t BytesPerSecond() const;

 private:
  struct Mark {
    std::uint64_t time = 0;
    std::uint64_t bytes = 0;  // delivered since Start
  };
  // Oldest first. Marks closer together than kWindow / 64 are merged, so a
  // fast read keeps at most about 65 of them.
  std::deque<Mark> marks;
};
