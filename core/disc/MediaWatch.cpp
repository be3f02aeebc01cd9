#include "core/disc/MediaWatch.h"

#include <wrenlo/wrenlo.h>

MediaWatch::MediaWatch(std::function<bool()> busy) : busy_(std::move(busy)) {}

void MediaWatch::SetDrive(std::uint16_t letter) {
  const std::lock_guard lock(driveMutex_);
  drive_ = letter;
}

std::vector<DriveEvent> MediaWatch::Poll(std::uint32_t nowMs) {
  std::vector<DriveEvent> events;
  if (lastRound_ && nowMs - *lastRound_ < kIntervalMs) return events;
  lastRound_ = nowMs;
  if (busy_ && busy_()) return events;

  std::uint32_t stamp = 0;
  if (wrenlo::GetDriveSetStamp(&stamp) == 0) {
    if (stamp_ && *stamp_ != stamp) events.push_back({DriveChange::DrivesChanged, 0});
    stamp_ = stamp;
  }
  std::uint16_t letter = 0;
  {
    const std::lock_guard lock(driveMutex_);
    letter = drive_;
  }
  PollDrive(letter, events);
  return events;
}

void MediaWatch::PollDrive(std::uint16_t letter, std::vector<DriveEvent>& events) {
  if (letter != knownDrive_) {
    knownDrive_ = letter;
    known_.reset();
  }
  if (letter == 0) return;
  std::int32_t present = 0;
  std::uint32_t changes = 0;
  if (wrenlo::GetMediumPresence(letter, &present, &changes) != 0) {
    // Gone or not answering: whatever it holds when it answers again is
    // taken as it is.
    known_.reset();
    return;
  }
  const Presence now{present != 0, changes};
  if (known_) {
    if (now.present != known_->present)
      events.push_back(
          {now.present ? DriveChange::MediumArrived : DriveChange::MediumRemoved, letter});
    // A count lower than before is a drive listed anew, which counts from 0.
    else if (now.present && now.changes > known_->changes)
      events.push_back({DriveChange::MediumChanged, letter});
  }
  known_ = now;
}
