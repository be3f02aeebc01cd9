// Notices a disc put into or taken out of the drive the window shows, and a
// drive plugged in or taken out, by asking the engine at a steady pace: the
// drive's medium presence (which neither reads the medium nor waits for the
// drive) and the stamp of the machine's drive set (no drive command at all).
// While the drive is busy (a scan of it runs) nothing is asked, and a change
// made meanwhile is reported at the first round after. The caller gives the
// time, so tests run it on a clock of their own; MediaWatcher runs it on a
// thread.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

enum class DriveChange {
  MediumArrived,  // the drive holds a medium now, and did not
  MediumRemoved,  // the drive holds none now, and did
  MediumChanged,  // the drive reported a new medium, and still holds one
  DrivesChanged,  // a drive was plugged in or taken out
};

struct DriveEvent {
  DriveChange change;
  std::uint16_t letter;  // the watched drive; 0 for DrivesChanged
};

class MediaWatch {
 public:
  // Milliseconds between two rounds of questions.
  static constexpr std::uint32_t kIntervalMs = 1000;

  // busy is asked, on the polling thread, before each round.
  explicit MediaWatch(std::function<bool()> busy);

  // The drive to watch (0 for none). A new drive's present state is taken as
  // it is at the next round, without an event. Any thread.
  void SetDrive(std::uint16_t letter);

  // Asks the engine when a round is due at nowMs (milliseconds of a steady
  // clock, wrapping) and gives what changed since the last round.
  std::vector<DriveEvent> Poll(std::uint32_t nowMs);

 private:
  struct Presence {
    bool present = false;
    std::uint32_t changes = 0;
  };
  void PollDrive(std::uint16_t letter, std::vector<DriveEvent>& events);

  std::function<bool()> busy_;
  std::mutex driveMutex_;
  std::uint16_t drive_ = 0;  // guarded by driveMutex_
  // The rest belongs to the polling thread.
  std::optional<std::uint32_t> lastRound_;
  std::optional<std::uint32_t> stamp_;
  std::uint16_t knownDrive_ = 0;
  std::optional<Presence> known_;  // the watched drive at the last round
};
