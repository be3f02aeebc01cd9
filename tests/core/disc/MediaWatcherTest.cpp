// The watcher's thread on the real engine: a virtual drive's tray opened and
// closed is reported on the watcher's thread, and nothing while the drive is
// busy.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "core/disc/MediaWatcher.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"

namespace {

// What the watcher's thread reports, and how many rounds it has begun (it
// asks whether the drive is busy at the start of each).
class Watched {
 public:
  bool Busy() {
    const std::lock_guard lock(mutex_);
    ++rounds_;
    changed_.notify_all();
    return busy_;
  }
  void Add(const DriveEvent& event) {
    const std::lock_guard lock(mutex_);
    events_.push_back(event.change);
    changed_.notify_all();
  }
  void SetBusy(bool busy) {
    const std::lock_guard lock(mutex_);
    busy_ = busy;
  }
  std::size_t Rounds() {
    const std::lock_guard lock(mutex_);
    return rounds_;
  }
  // Waits (at most 10 s, then fails) until rounds have begun, and gives the
  // events so far.
  std::vector<DriveChange> WaitForRound(std::size_t round) {
    std::unique_lock lock(mutex_);
    EXPECT_TRUE(
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return rounds_ >= round; }));
    return events_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t rounds_ = 0;
  bool busy_ = false;
  std::vector<DriveChange> events_;
};

TEST(MediaWatcherTest, ReportsTheTrayOfAVirtualDriveOnItsThread) {
  const std::string image = testing_support::OutputDirectory() + "/watched.iso";
  testing_support::MakeSparseImage(image, 16);
  testing_support::UseImages({image});
  Watched watched;
  // D's state is taken in the constructor, as no event.
  MediaWatcher watcher(
      u'D', [&] { return watched.Busy(); }, [&](const DriveEvent& event) { watched.Add(event); });
  EXPECT_EQ(watched.Rounds(), 1u);
  // Waits until a round that began after now has ended: the next one has
  // begun.
  const auto roundAfterNow = [&] { return watched.WaitForRound(watched.Rounds() + 2); };

  ASSERT_EQ(wrenlo::EjectDevice(u'D'), 0);
  EXPECT_EQ(roundAfterNow(), std::vector<DriveChange>{DriveChange::MediumRemoved});

  // While busy, the tray closing is not reported; it is once the drive is
  // free again.
  watched.SetBusy(true);
  watched.WaitForRound(watched.Rounds() + 1);  // a round begun before is over
  ASSERT_EQ(wrenlo::CloseDevice(u'D'), 0);
  EXPECT_EQ(roundAfterNow(), std::vector<DriveChange>{DriveChange::MediumRemoved});
  watched.SetBusy(false);
  EXPECT_EQ(roundAfterNow(),
            (std::vector<DriveChange>{DriveChange::MediumRemoved, DriveChange::MediumArrived}));
}

}  // namespace
