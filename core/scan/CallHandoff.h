// A rendezvous that carries one ScannerCall at a time from a worker thread to
// a receiver thread and holds the worker until the call has run there.
//
// The receiver thread learns of a call in one of two ways. While it listens
// or waits in ServeUntil, it picks the call up itself; otherwise the worker
// asks for it with the notification it passes to Deliver (for a window, a
// posted event). Waking a sleeping thread costs tens of microseconds, more
// than a spin of a few; so each side spins for the other only while that has
// paid of late, and never longer than the other side has recently taken:
// - after running a call, the receiver listens for the next one as long as
//   twice the worker's recent pause between a completed call and the next
//   one, when that pause is short (a burst of reports); after a read of a
//   drive's pace it no longer listens and returns to its other work;
// - the worker spins on a call's completion as long as twice the time the
//   receiver recently took to complete one when that is short, then sleeps
//   on the futex; it keeps one such budget for a receiver that was attending
//   as it published the call and one for a receiver it had to notify or
//   wake, which takes longer.
// Neither spins while both run on the same processor, where it would only
// keep the other one away. All spins are bounded, so a program without a
// scan uses no processor time.
//
// The receiver is one thread, named when the handoff is made. Its states
// (listening, asleep) describe that one thread; a second thread serving calls
// could fall asleep while the first ran the call it waits for, and nobody
// would wake it. So serving from any other thread aborts the program.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "core/scan/ScannerBridge.h"

class CallHandoff {
 public:
  // The longest either side spins for the other before it sleeps (or, for a
  // window, returns to its event loop).
  static constexpr std::chrono::microseconds kMaxSpin{50};
  // How long the receiver keeps running calls before it returns to its other
  // work (a window's painting and input).
  static constexpr std::chrono::microseconds kTurnTime{5000};

  // receiver is the only thread that may run the calls: RunPending and
  // ServeUntil abort on any other.
  explicit CallHandoff(std::thread::id receiver = std::this_thread::get_id());

  // On the worker: publishes call and returns once the receiver has run it or
  // Close has dropped it; at once when the handoff is closed. notify runs when
  // the receiver thread is neither listening nor waiting in ServeUntil; it must
  // make that thread call RunPending, or Close the handoff.
  void Deliver(const ScannerCall& call, const std::function<void()>& notify);
  // Deliver in two halves: Publish returns once the call is published (false,
  // with the call dropped, when the handoff is closed); Await returns once
  // the receiver has run it or Close has dropped it. The worker publishes
  // nothing else in between.
  bool Publish(const ScannerCall& call, const std::function<void()>& notify);
  void Await();

  // On the receiver thread: runs the call the worker waits on, if any, then
  // the calls that follow it at once, for one turn at most. Returns at once
  // when no call waits, or when the thread is inside one of the calls.
  void RunPending();

  // On the receiver thread: runs calls as they come until done() holds or the
  // handoff is closed. done() must turn true through one of those calls.
  void ServeUntil(const std::function<bool()>& done);

  // On any thread: drops the call the worker waits on, if it has not started,
  // and every later one.
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

  void RequireReceiverThread() const;
  bool Take();
  void RunTaken();
  void Listen(Clock::time_point turnEnd);
  void Complete();
  void WaitCompleted();
  void SleepUntilCompleted(std::uint32_t generation);

  // What the receiver side is doing, and whether a call waits (one of the
  // states in CallHandoff.cpp); also the futex word a receiver sleeps on.
  std::atomic<std::uint32_t> state{0};
  // Twice the number of calls completed; bit 0 is set while the worker sleeps
  // on the word.
  std::atomic<std::uint32_t> completed{0};
  // The call in flight and when it was published; written by the worker
  // before it publishes the call.
  const ScannerCall* pending = nullptr;
  Clock::time_point publishedAt;
  // The processor each side last ran on, to judge whether spinning can help.
  std::atomic<int> workerProcessor{-1};
  std::atomic<int> receiverProcessor{-1};
  const std::thread::id receiverThread;
  // The receiver's: when it completed the last call, and how long it listens.
  Clock::time_point lastCompletedAt;
  SpinBudget listen;
  // The worker's: how long it spins on a completion, when the receiver was
  // attending and when it had to be notified or woken.
  SpinBudget workerSpin;
  SpinBudget workerSpinAfterNotice;
  // The worker's, from Publish to Await: the completion count before the
  // call, and whether the receiver was attending as it was published.
  std::uint32_t awaitedGeneration = 0;
  bool receiverWasAttending = false;
};
