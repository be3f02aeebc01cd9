#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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

// Published calls run in order on the receiver while the worker goes on,
// across many batches, with the worker held only by a full queue.
TEST(CallHandoffTest, PublishedCallsRunInOrderWhileTheWorkerGoesOn) {
  LoopThread loop;
  LoopBridge bridge(loop);
  constexpr int kCalls = 3 * static_cast<int>(CallHandoff::kCapacity);
  std::vector<int> values(kCalls);
  std::vector<ScannerCall> calls;
  calls.reserve(kCalls);
  std::vector<int> seen;
  std::atomic<int> begun{0};
  int mostAhead = 0;
  std::vector<std::function<void()>> bound(kCalls);
  for (int i = 0; i < kCalls; ++i) {
    bound[i] = [&, i] {
      seen.push_back(values[i]);
      mostAhead = std::max(mostAhead, begun.load() - i);
    };
    calls.emplace_back(bound[i]);
  }
  std::thread worker([&] {
    for (int i = 0; i < kCalls; ++i) {
      values[i] = i;
      ASSERT_FALSE(bridge.Begin(calls[i]));
      begun.store(i + 1);
    }
    bridge.Finish();
  });
  worker.join();
  ASSERT_EQ(seen.size(), std::size_t{kCalls});
  for (int i = 0; i < kCalls; ++i) ASSERT_EQ(seen[i], i);
  EXPECT_GT(mostAhead, 1) << "the worker waited for each call";
  EXPECT_LE(mostAhead, static_cast<int>(CallHandoff::kCapacity));
}

// A receiver whose turn ends with calls still waiting comes back for them by
// itself, though the worker publishes nothing more (a drive's long read).
TEST(CallHandoffTest, CallsLeftAtTheEndOfATurnRunWhileTheWorkerIsHeld) {
  LoopThread loop;
  LoopBridge bridge(loop);
  constexpr int kCalls = static_cast<int>(CallHandoff::kCapacity);
  std::atomic<int> ran{0};
  // Each call takes a while, so that the queue outlasts one turn.
  const auto slow = [&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(5);
    while (std::chrono::steady_clock::now() < until) {
    }
    ran.fetch_add(1);
  };
  const ScannerCall call(slow);
  int ranWhileHeld = 0;
  std::thread worker([&] {
    for (int i = 0; i < kCalls; ++i) bridge.Begin(call);
    // Held, publishing nothing, until every call has run (or 10 s).
    for (int waited = 0; ran.load() < kCalls && waited < 10000; ++waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ranWhileHeld = ran.load();
    bridge.Finish();
  });
  worker.join();
  EXPECT_EQ(ranWhileHeld, kCalls);
}

TEST(CallHandoffTest, CloseDropsEveryQueuedCallAndAwaitReturns) {
  CallHandoff handoff;
  int ran = 0;
  const auto count = [&] { ++ran; };
  const ScannerCall call(count);
  std::thread worker([&] {
    // Nobody answers: the calls stay queued until the handoff closes.
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(handoff.Publish(call, [] {}));
    handoff.Close();
    handoff.Await([] {});
    EXPECT_FALSE(handoff.Publish(call, [] {}));
  });
  worker.join();
  handoff.RunPending();  // an event still queued finds nothing to run
  EXPECT_EQ(ran, 0);
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
