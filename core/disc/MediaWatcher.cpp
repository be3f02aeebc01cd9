#include "core/disc/MediaWatcher.h"

#include <chrono>

std::uint32_t MediaWatcher::NowMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

MediaWatcher::MediaWatcher(std::uint16_t drive, std::function<bool()> busy, Report report)
    : watch_(std::move(busy)), report_(std::move(report)) {
  watch_.SetDrive(drive);
  watch_.Poll(NowMs());  // nothing to compare with yet: no event
  thread_ = std::thread([this] { Run(); });
}

MediaWatcher::~MediaWatcher() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void MediaWatcher::Run() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, std::chrono::milliseconds(MediaWatch::kIntervalMs),
                         [this] { return stop_; })) {
    lock.unlock();
    for (const DriveEvent& event : watch_.Poll(NowMs())) report_(event);
    lock.lock();
  }
}
