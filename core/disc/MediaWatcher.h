// Runs a MediaWatch on a thread of its own, a round every
// MediaWatch::kIntervalMs, and hands each event to report on that thread.
// The first round runs in the constructor, so that what the drive holds then
// is the state the first change is told from. The destructor stops the
// thread and waits for it; report is not called after that.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "core/disc/MediaWatch.h"

class MediaWatcher {
 public:
  using Report = std::function<void(const DriveEvent& event)>;

  MediaWatcher(std::uint16_t drive, std::function<bool()> busy, Report report);
  ~MediaWatcher();
  MediaWatcher(const MediaWatcher&) = delete;
  MediaWatcher& operator=(const MediaWatcher&) = delete;

  void SetDrive(std::uint16_t letter) { watch_.SetDrive(letter); }

 private:
  void Run();
  static std::uint32_t NowMs();

  MediaWatch watch_;
  Report report_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;  // guarded by mutex_
  std::thread thread_;
};
