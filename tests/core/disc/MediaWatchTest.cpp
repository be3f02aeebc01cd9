// The media watch on the scripted engine and a clock of the test's own: a
// disc appears, is swapped, disappears; a drive is plugged in; nothing is
// asked of a drive while it is busy, and what changed meanwhile shows after.
#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "core/disc/MediaWatch.h"

namespace {

using Presence = fake::Script::Presence;

std::vector<std::pair<DriveChange, std::uint16_t>> Changes(const std::vector<DriveEvent>& events) {
  std::vector<std::pair<DriveChange, std::uint16_t>> out;
  for (const DriveEvent& event : events) out.emplace_back(event.change, event.letter);
  return out;
}

class MediaWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    fake::script().presence[u'E'] = Presence{false, 0};
    watch.SetDrive(u'E');
  }
  // One round at the next interval.
  std::vector<std::pair<DriveChange, std::uint16_t>> Round() {
    now += MediaWatch::kIntervalMs;
    return Changes(watch.Poll(now));
  }

  bool busy = false;
  MediaWatch watch{[this] { return busy; }};
  // Starts near the end of the 32-bit range, so that the clock wraps.
  std::uint32_t now = 0xFFFFF000u;
};

using Events = std::vector<std::pair<DriveChange, std::uint16_t>>;

TEST_F(MediaWatchTest, ADiscAppearsIsSwappedAndDisappears) {
  EXPECT_EQ(Round(), Events{});  // the state found first is no event
  fake::script().presence[u'E'] = Presence{true, 1};
  // Not yet a round: nothing is asked.
  const std::size_t asked = fake::CallsNamed("GetMediumPresence").size();
  EXPECT_TRUE(watch.Poll(now + MediaWatch::kIntervalMs - 1).empty());
  EXPECT_EQ(fake::CallsNamed("GetMediumPresence").size(), asked);
  EXPECT_EQ(Round(), (Events{{DriveChange::MediumArrived, u'E'}}));
  EXPECT_EQ(Round(), Events{});
  fake::script().presence[u'E'] = Presence{true, 2};  // swapped between two rounds
  EXPECT_EQ(Round(), (Events{{DriveChange::MediumChanged, u'E'}}));
  fake::script().presence[u'E'] = Presence{false, 3};
  EXPECT_EQ(Round(), (Events{{DriveChange::MediumRemoved, u'E'}}));
  EXPECT_EQ(Round(), Events{});
  EXPECT_EQ(fake::CallsNamed("GetMediumPresence").back(), "GetMediumPresence(69)");
}

TEST_F(MediaWatchTest, NothingIsAskedWhileBusyAndTheChangeShowsAfter) {
  EXPECT_EQ(Round(), Events{});
  busy = true;
  fake::script().presence[u'E'] = Presence{true, 1};
  fake::script().driveSetStamp = 7;
  const std::size_t calls = fake::Calls().size();
  EXPECT_EQ(Round(), Events{});
  EXPECT_EQ(Round(), Events{});
  EXPECT_EQ(fake::Calls().size(), calls);  // not even the drive set
  busy = false;
  EXPECT_EQ(Round(), (Events{{DriveChange::DrivesChanged, 0}, {DriveChange::MediumArrived, u'E'}}));
}

TEST_F(MediaWatchTest, AnotherDriveStartsFromWhatItHolds) {
  fake::script().presence[u'F'] = Presence{true, 5};
  EXPECT_EQ(Round(), Events{});
  watch.SetDrive(u'F');
  EXPECT_EQ(Round(), Events{});  // F's disc was there before it was watched
  fake::script().presence[u'E'] = Presence{true, 1};
  EXPECT_EQ(Round(), Events{});  // E is not watched now
  watch.SetDrive(0);
  EXPECT_EQ(Round(), Events{});
  EXPECT_EQ(fake::CallsNamed("GetMediumPresence").back(), "GetMediumPresence(70)");
}

TEST_F(MediaWatchTest, ADriveThatStopsAnsweringIsTakenAsItIsWhenItAnswersAgain) {
  EXPECT_EQ(Round(), Events{});
  fake::script().results["GetMediumPresence"] = 3;
  fake::script().presence[u'E'] = Presence{true, 0};
  EXPECT_EQ(Round(), Events{});
  fake::script().results.erase("GetMediumPresence");
  EXPECT_EQ(Round(), Events{});
  // A drive listed anew counts its changes from 0 again: no event.
  fake::script().presence[u'E'] = Presence{true, 0};
  EXPECT_EQ(Round(), Events{});
}

TEST_F(MediaWatchTest, ADrivePluggedInOrOut) {
  fake::script().driveSetStamp = 1;
  EXPECT_EQ(Round(), Events{});
  EXPECT_EQ(Round(), Events{});
  fake::script().driveSetStamp = 2;
  EXPECT_EQ(Round(), (Events{{DriveChange::DrivesChanged, 0}}));
  EXPECT_EQ(Round(), Events{});
}

}  // namespace
