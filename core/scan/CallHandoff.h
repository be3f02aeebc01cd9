// A queue that carries ScannerCalls from a worker thread to a receiver thread,
// where they run one at a time in the order they were published.
//
// The worker may publish up to kCapacity calls before they have run, and
// goes on with its own work meanwhile (a scanner reads the next sectors);
// or it publishes one call and waits until it has run, and with it every
// call before it.
//
// The receiver thread runs the calls in batches, so that a call costs it
// neither a wake-up nor a turn of its event loop of its own:
// - while it waits in ServeUntil, it runs the calls as they come, and sleeps
//   on the futex when none is there;
// - otherwise the worker asks for it with the notification it passes (for a
//   window, a posted event), once: RunPending then runs every call that waits
//   and says whether to look again. While calls keep coming, the receiver
//   looks again by itself every kLookInterval and the worker sends no
//   notification, unless it waits for a call to have run or the queue is
//   half full;
// - a batch ends after kTurnTime, so that a window paints and takes input
//   between batches. The worker then asks again at once, from its own
//   thread: a wake-up from another thread reaches a window's event loop
//   after the input and painting that wait, where an event the window posts
//   itself was seen to wait for the loop's next wake-up.
// The worker spins for a completion only while that has paid of late and
// the receiver runs on another processor, never longer than kMaxSpin; then
// it sleeps. So a program without a scan uses no processor time.
//
// The receiver is one thread, named when the handoff is made. Its states
// describe that one thread; a second thread serving calls could sleep while
// the first ran the call it waits for. So serving from any other thread
// aborts the program.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "core/scan/ScannerBridge.h"

class CallHandoff {
 public:
  // The most calls published and not yet run.
  static constexpr std::uint32_t kCapacity = ScannerBridge::kCallsInFlight;
  // The longest the worker spins for the receiver before it sleeps.
  static constexpr std::chrono::microseconds kMaxSpin{50};
  // How long the receiver runs calls before it returns to its other work (a
  // window's painting and input).
  static constexpr std::chrono::microseconds kTurnTime{2000};
  // How soon a receiver that has run calls looks for more by itself.
  static constexpr std::chrono::milliseconds kLookInterval{10};

  // receiver is the only thread that may run the calls: RunPending and
  // ServeUntil abort on any other.
  explicit CallHandoff(std::thread::id receiver = std::this_thread::get_id());

  // On the worker: publishes call and returns once it has run, or once
  // Close has dropped it; at once when the handoff is closed. notify runs
  // when the receiver thread must be asked to call RunPending; it must make
  // that thread do so, or Close the handoff.
  void Deliver(const ScannerCall& call, const std::function<void()>& notify);
  // On the worker: publishes call, which must stay valid until Await has
  // returned, and returns without waiting for it to run; first waits while
  // kCapacity calls are unfinished. False, with the call dropped, when the
  // handoff is closed.
  bool Publish(const ScannerCall& call, const std::function<void()>& notify);
  // On the worker: returns once every published call has run or been
  // dropped, and none runs any more; asks the receiver for them with notify
  // when it would not look at once by itself.
  void Await(const std::function<void()>& notify);

  // On the receiver thread: runs the calls that wait, for one turn at most.
  // Returns true when the caller is to call LookAgain after kLookInterval
  // (while calls keep coming, or when some were left at the turn's end);
  // never while such a look is still due. Returns false at once when the
  // handoff is closed or the thread is inside one of the calls.
  bool RunPending();
  // On the receiver thread: the look that RunPending asked for; returns as
  // RunPending does.
  bool LookAgain();

  // On the receiver thread: runs calls as they come until done() holds and
  // none waits, or the handoff is closed. done() must turn true through one
  // of those calls.
  void ServeUntil(const std::function<bool()>& done);

  // On any thread: drops every call that has not started. A call already
  // running completes.
  void Close();

 private:
  using Clock = std::chrono::steady_clock;

  // A spin limit that follows what waiting has cost of late: twice a recent
  // wait plus a microsecond while waits are short, none once they are not.
  class SpinBudget {
   public:
    Clock::duration Limit() const { return limit; }
    void Observe(Clock::duration waited);

   private:
    Clock::duration limit{0};
  };

  // How a run of the queued calls ended.
  enum class Ran { Empty, TurnOver, Closed };

  void RequireReceiverThread() const;
  std::uint32_t Queued() const;
  // The worker's: asks the receiver for the calls when it would not look
  // soon enough by itself.
  void Tell(const std::function<void()>& notify, bool waitingForIt);
  // Waits until at most queued calls are unfinished; false when the handoff
  // closed first (and no call runs any more).
  bool WaitUntilQueuedAtMost(std::uint32_t queued, const std::function<void()>& notify);
  bool ClosedAndIdle() const;
  // The receiver's.
  Ran RunQueued(Clock::time_point turnEnd, bool& ranAny);
  // Leaves the running state for rest; false when a call came in meanwhile
  // that nobody has been asked for, so that the receiver must run it now.
  bool Leave(std::uint32_t rest);
  void WakeWorker();

  // Calls published and calls completed; each written by one side only.
  std::atomic<std::uint32_t> published{0};
  std::atomic<std::uint32_t> completed{0};
  std::array<const ScannerCall*, kCapacity> ring{};
  // What the receiver thread is doing (one of the states in CallHandoff.cpp);
  // also the futex word it sleeps on in ServeUntil.
  std::atomic<std::uint32_t> receiver{0};
  std::atomic<bool> closed{false};
  const std::thread::id receiverThread;
  // The receiver is inside a call (a nested event loop may ask it to serve).
  bool inCall = false;
  // The receiver has asked its caller for a look after kLookInterval.
  bool lookDue = false;
  // The worker, asleep until at most wakeAtQueued calls are unfinished.
  std::mutex sleepLock;
  std::condition_variable workerWake;
  std::atomic<bool> workerSleeping{false};
  std::atomic<std::uint32_t> wakeAtQueued{0};
  // The processor each side last ran on, to judge whether spinning can help.
  std::atomic<int> workerProcessor{-1};
  std::atomic<int> receiverProcessor{-1};
  // The worker's: how long it spins on a completion, when the receiver was
  // running calls and when it had to be asked first.
  SpinBudget workerSpin;
  SpinBudget workerSpinAfterNotice;
  bool receiverWasRunning = false;
};
