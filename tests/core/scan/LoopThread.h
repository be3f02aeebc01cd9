// A receiver thread standing in for a window's event loop, and a bridge to
// it: reports waiting for the thread are queued there as a task that runs the
// handoff's pending calls and comes back as the handoff asks, as a posted
// event and a timer do for a window. As with a
// window, the loop's thread is the scanner's owner: whatever serves the
// bridge (Wait, StopAndWait) runs there too, through Call.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "core/scan/CallHandoff.h"
#include "core/scan/ScannerBridge.h"

class LoopThread {
 public:
  LoopThread() : thread([this] { Run(); }) {}
  ~LoopThread() {
    Post(nullptr);
    thread.join();
  }

  // Queues a task; an empty one ends the loop.
  void Post(std::function<void()> task) {
    {
      std::lock_guard lock(mutex);
      tasks.push_back(std::move(task));
    }
    wake.notify_one();
  }
  // Queues task once delay has passed, as a timer does.
  void PostAfter(std::chrono::milliseconds delay, std::function<void()> task) {
    {
      std::lock_guard lock(mutex);
      timed.emplace(std::chrono::steady_clock::now() + delay, std::move(task));
    }
    wake.notify_one();
  }
  // Runs task on the loop's thread and returns when it has run.
  void Call(const std::function<void()>& task) {
    std::promise<void> done;
    Post([&] {
      task();
      done.set_value();
    });
    done.get_future().wait();
  }
  std::thread::id Id() const { return thread.get_id(); }

 private:
  void Run() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex);
        for (;;) {
          if (!timed.empty() && timed.begin()->first <= std::chrono::steady_clock::now()) {
            tasks.push_back(std::move(timed.begin()->second));
            timed.erase(timed.begin());
          }
          if (!tasks.empty()) break;
          if (timed.empty())
            wake.wait(lock);
          else
            wake.wait_until(lock, timed.begin()->first);
        }
        task = std::move(tasks.front());
        tasks.pop_front();
      }
      if (!task) return;
      task();
    }
  }

  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> tasks;
  std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> timed;
  std::thread thread;
};

class LoopBridge final : public ScannerBridge {
 public:
  explicit LoopBridge(LoopThread& receiverLoop) : loop(receiverLoop) {}

  void Send(const ScannerCall& call) override { handoff->Deliver(call, Notify()); }
  bool Begin(const ScannerCall& call) override { return !handoff->Publish(call, Notify()); }
  void Finish() override { handoff->Await(Notify()); }
  void ServeUntil(const std::function<bool()>& done) override { handoff->ServeUntil(done); }
  void Close() override { handoff->Close(); }

 private:
  LoopThread& loop;
  std::shared_ptr<CallHandoff> handoff = std::make_shared<CallHandoff>(loop.Id());

  std::function<void()> Notify() {
    return [this] {
      loop.Post([on = &loop, shared = handoff] {
        if (shared->RunPending()) LookAgainLater(*on, shared);
      });
    };
  }
  // Outlives the bridge, as a window's timer outlives its bridge.
  static void LookAgainLater(LoopThread& on, const std::shared_ptr<CallHandoff>& shared) {
    on.PostAfter(CallHandoff::kLookInterval, [&on, shared] {
      if (shared->LookAgain()) LookAgainLater(on, shared);
    });
  }
};
