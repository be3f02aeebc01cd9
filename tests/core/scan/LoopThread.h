// A receiver thread standing in for a window's event loop, and a bridge to
// it: a report waiting for the thread is queued there as a task that runs the
// handoff's pending calls, as a posted event does for a window. As with a
// window, the loop's thread is the scanner's owner: whatever serves the
// bridge (Wait, StopAndWait) runs there too, through Call.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
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
        wake.wait(lock, [this] { return !tasks.empty(); });
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
  std::thread thread;
};

class LoopBridge final : public ScannerBridge {
 public:
  explicit LoopBridge(LoopThread& receiverLoop) : loop(receiverLoop) {}

  void Send(const ScannerCall& call) override { handoff->Deliver(call, Notify()); }
  bool Begin(const ScannerCall& call) override { return !handoff->Publish(call, Notify()); }
  void Finish() override { handoff->Await(); }
  void ServeUntil(const std::function<bool()>& done) override { handoff->ServeUntil(done); }
  void Close() override { handoff->Close(); }

 private:
  LoopThread& loop;
  std::shared_ptr<CallHandoff> handoff = std::make_shared<CallHandoff>(loop.Id());

  std::function<void()> Notify() {
    return [this] { loop.Post([shared = handoff] { shared->RunPending(); }); };
  }
};
