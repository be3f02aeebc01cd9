#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "LoopThread.h"
#include "core/scan/CallHandoff.h"

namespace {

TEST(CallHandoffTest, CallsRunOnTheReceiverInOrderWithTheValuesOfTheirMoment) {
  LoopThread loop;
  LoopBridge bridge(loop);
  constexpr int kCalls = 3000;
  std::vector<int> seen;
  std::vector<std::thread::id> threads;
  std::thread worker([&] {
    int value = 0;
    for (int i = 0; i < kCalls; ++i) {
      value = i;
      const auto record = [&] {
        seen.push_back(value);
        threads.push_back(std::this_thread::get_id());
      };
      bridge.Send(ScannerCall(record));
      value = -1;  // changed after the call returned; the receiver must not see it
      // Now and then let the receiver stop listening, so that the next call
      // takes the notification path.
      if (i % 500 == 0) std::this_thread::sleep_for(CallHandoff::kMaxSpin * 2);
    }
  });
  worker.join();
  ASSERT_EQ(seen.size(), std::size_t{kCalls});
  for (int i = 0; i < kCalls; ++i) ASSERT_EQ(seen[i], i);
  EXPECT_THAT(threads, ::testing::Each(loop.Id()));
}

TEST(CallHandoffTest, CloseDropsTheWaitingCallAndEveryLaterOne) {
  CallHandoff handoff;
  std::promise<void> notified;
  int notifications = 0;
  bool ran = false;
  const auto call = [&] { ran = true; };
  std::thread worker([&] {
    handoff.Deliver(ScannerCall(call), [&] {
      ++notifications;
      notified.set_value();
    });
    // Closed: returns at once without asking the receiver.
    handoff.Deliver(ScannerCall(call), [&] { ++notifications; });
  });
  notified.get_future().wait();
  handoff.Close();
  worker.join();
  handoff.RunPending();  // an event still queued finds nothing to run
  EXPECT_FALSE(ran);
  EXPECT_EQ(notifications, 1);
}

TEST(CallHandoffTest, ServeUntilRunsTheCallsOnTheWaitingThread) {
  CallHandoff handoff;
  constexpr int kCalls = 200;
  int count = 0;
  bool otherThread = false;
  const auto self = std::this_thread::get_id();
  std::thread worker([&] {
    const auto call = [&] {
      ++count;
      otherThread |= std::this_thread::get_id() != self;
    };
    // Nobody answers the notification: the waiting thread must pick every
    // call up by itself.
    for (int i = 0; i < kCalls; ++i) handoff.Deliver(ScannerCall(call), [] {});
  });
  handoff.ServeUntil([&] { return count == kCalls; });
  worker.join();
  EXPECT_EQ(count, kCalls);
  EXPECT_FALSE(otherThread);
}

TEST(CallHandoffTest, CloseEndsAServeUntilOnAnotherThread) {
  CallHandoff handoff;
  std::thread closer([&] { handoff.Close(); });
  handoff.ServeUntil([] { return false; });
  closer.join();
}

// The receiver's states describe one thread: a second one serving calls
// could sleep through the last of them. It is refused at once.
TEST(CallHandoffTest, ServingOnAnyThreadButTheReceiverAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  CallHandoff handoff;
  const auto serveElsewhere = [&](const std::function<void()>& serve) {
    std::thread other(serve);
    other.join();
  };
  EXPECT_DEATH(serveElsewhere([&] { handoff.RunPending(); }), "receiver");
  EXPECT_DEATH(serveElsewhere([&] { handoff.ServeUntil([] { return true; }); }), "receiver");
  handoff.ServeUntil([] { return true; });  // on the receiver: returns
}

}  // namespace
