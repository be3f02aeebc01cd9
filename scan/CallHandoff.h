// A rendezvous that carries one ScannerCall at a time from a worker thread to
// a receiver thread and holds the worker until the call has run there.
//
// The receiver thread learns of a call in one of two ways. While it listens
// or waits in ServeUntil, it picks the call up itself; otherwise the worker
// asks for it with the notification it passes to Deliver (for a window, a
// posted event). Waking a sleeping thread on another processor costs tens of
// microseconds, on this one about one; so while the two threads run on
// different processors, each side spins for the other for a moment (the
// receiver listens for the next call right after it ran one, since a busy
// worker's next report is due within microseconds), and otherwise goes to
// sleep at once, which hands the processor over. All spins are bounded, so a
// program without a scan uses no CPU.
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

#include "scan/ScannerBridge.h"

class CallHandoff {
 public:
  // How long the receiver listens for the next call after it ran one, while
  // the worker runs on another processor; long enough to cover a drive's read
  // of one sector.
  static constexpr std::chrono::microseconds kListenTime{300};
  // How long the receiver keeps running calls before it returns to its other
  // work (a window's painting and input).
  static constexpr std::chrono::microseconds kTurnTime{5000};
  // How long the worker spins before it sleeps on a call's completion, while
  // the receiver runs on another processor.
  static constexpr std::chrono::microseconds kWorkerSpinTime{100};

  // receiver is the only thread that may run the calls: RunPending and
  // ServeUntil abort on any other.
  explicit CallHandoff(std::thread::id receiver = std::this_thread::get_id());

  // On the worker: publishes call and returns once the receiver has run it or
  // Close has dropped it; at once when the handoff is closed. notify runs when
  // the receiver thread is neither listening nor waiting in ServeUntil; it must
  // make that thread call RunPending, or Close the handoff.
  void Deliver(const ScannerCall& call, const std::function<void()>& notify);

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

  void RequireReceiverThread() const;
  bool Take();
  void RunTaken();
  void Complete();
  void WaitCompleted(std::uint32_t generation);

  // What the receiver side is doing, and whether a call waits (one of the
  // states in CallHandoff.cpp); also the futex word a receiver sleeps on.
  std::atomic<std::uint32_t> state{0};
  // Twice the number of calls completed; bit 0 is set while the worker sleeps
  // on the word.
  std::atomic<std::uint32_t> completed{0};
  // The call in flight; written by the worker before it publishes the call.
  const ScannerCall* pending = nullptr;
  // The processor each side last ran on, to judge whether spinning can help.
  std::atomic<int> workerProcessor{-1};
  std::atomic<int> receiverProcessor{-1};
  const std::thread::id receiverThread;
};
