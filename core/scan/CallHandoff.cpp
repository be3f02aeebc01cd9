#include "core/scan/CallHandoff.h"

#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Values of CallHandoff::receiver.
enum : std::uint32_t {
  kIdle = 0,       // not looking: the worker must ask for any call
  kRunning = 1,    // running calls: sees every call published meanwhile
  kScheduled = 2,  // looks again by itself within a look interval
  kNotified = 3,   // asked: looks again as soon as its thread is free
  kAsleep = 4,     // asleep on the word in ServeUntil: must be woken
};

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
                  std::atomic<std::uint32_t>::is_always_lock_free,
              "a futex waits on the atomic's own 32 bits");

using Clock = std::chrono::steady_clock;

// A call's run is short; the turn's clock is read once every so many calls.
constexpr std::uint32_t kCallsPerClockCheck = 16;

// Sleeps while word holds expected, until woken. (No time-out: arming a timer
// costs a virtual machine several microseconds on each wait.)
void FutexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected) {
  syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, expected, nullptr,
          nullptr, 0);
}

void FutexWake(std::atomic<std::uint32_t>& word) {
  syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, 1, nullptr,
          nullptr, 0);
}

// Spinning only helps while the other thread runs on another processor; on
// this one it would only keep it away. Notes this thread's processor in mine.
bool OtherThreadElsewhere(std::atomic<int>& mine, const std::atomic<int>& other) {
  const int processor = sched_getcpu();
  mine.store(processor, std::memory_order_relaxed);
  return processor < 0 || processor != other.load(std::memory_order_relaxed);
}

// Spins until ready() holds or the time is up; returns ready().
template <typename Ready>
bool SpinUntil(const Ready& ready, Clock::time_point end) {
  for (;;) {
    if (ready()) return true;
    if (Clock::now() >= end) return false;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
}

}  // namespace

void CallHandoff::SpinBudget::Observe(Clock::duration waited) {
  const Clock::duration target =
      waited <= kMaxSpin
          ? std::min<Clock::duration>(2 * waited + std::chrono::microseconds(1), kMaxSpin)
          : Clock::duration(0);
  // A moving average over the last few waits: one long wait in a burst of
  // short ones shortens the spin, it does not end it.
  limit += (target - limit) / 4;
}

CallHandoff::CallHandoff(std::thread::id receiverId) : receiverThread(receiverId) {}

void CallHandoff::RequireReceiverThread() const {
  if (std::this_thread::get_id() == receiverThread) return;
  std::fputs("CallHandoff: calls served on a thread other than the receiver's\n", stderr);
  std::abort();
}

std::uint32_t CallHandoff::Queued() const {
  return published.load(std::memory_order_seq_cst) - completed.load(std::memory_order_seq_cst);
}

// --- The worker's side ---------------------------------------------------------------

void CallHandoff::Deliver(const ScannerCall& call, const std::function<void()>& notify) {
  if (Publish(call, notify)) WaitUntilQueuedAtMost(0, notify);
}

bool CallHandoff::Publish(const ScannerCall& call, const std::function<void()>& notify) {
  if (closed.load(std::memory_order_acquire)) return false;
  // A full queue waits until the receiver has run half of it, so that the
  // worker is woken once per half queue, not once per call.
  if (Queued() >= kCapacity &&
      (!WaitUntilQueuedAtMost(kCapacity / 2, notify) || closed.load(std::memory_order_acquire)))
    return false;
  const std::uint32_t index = published.load(std::memory_order_relaxed);
  ring[index % kCapacity] = &call;
  published.store(index + 1, std::memory_order_seq_cst);
  Tell(notify, false);
  return true;
}

void CallHandoff::Await(const std::function<void()>& notify) { WaitUntilQueuedAtMost(0, notify); }

void CallHandoff::Tell(const std::function<void()>& notify, bool waitingForIt) {
  std::uint32_t seen = receiver.load(std::memory_order_seq_cst);
  for (;;) {
    receiverWasRunning = seen == kRunning;
    if (seen == kAsleep) {
      if (receiver.compare_exchange_weak(seen, kNotified, std::memory_order_seq_cst)) {
        FutexWake(receiver);
        return;
      }
      continue;
    }
    // A receiver that looks again by itself is asked only when the worker
    // would otherwise wait for it, or soon run out of room.
    const bool ask =
        seen == kIdle || (seen == kScheduled && (waitingForIt || Queued() >= kCapacity / 2));
    if (!ask) return;
    if (receiver.compare_exchange_weak(seen, kNotified, std::memory_order_seq_cst)) {
      notify();
      return;
    }
  }
}

bool CallHandoff::ClosedAndIdle() const {
  return closed.load(std::memory_order_seq_cst) &&
         receiver.load(std::memory_order_seq_cst) != kRunning;
}

bool CallHandoff::WaitUntilQueuedAtMost(std::uint32_t most, const std::function<void()>& notify) {
  // A receiver that left calls waiting at the end of its turn is asked for
  // them again from here: a wake-up from this thread reaches its event loop
  // at once, after the input and painting that wait.
  const auto mustAsk = [&] {
    return receiver.load(std::memory_order_seq_cst) == kIdle && Queued() > most;
  };
  const auto ready = [&] { return Queued() <= most || ClosedAndIdle() || mustAsk(); };
  if (Queued() <= most || ClosedAndIdle()) return Queued() <= most;
  // Asked for the calls, unless it runs them or looks at once by itself.
  Tell(notify, true);
  // A receiver that had to be asked first takes longer; each case has its
  // own budget.
  SpinBudget& budget = receiverWasRunning ? workerSpin : workerSpinAfterNotice;
  const auto start = Clock::now();
  for (;;) {
    if (mustAsk()) Tell(notify, true);
    if (Queued() <= most || ClosedAndIdle()) break;
    if (OtherThreadElsewhere(workerProcessor, receiverProcessor) &&
        SpinUntil(ready, start + budget.Limit()))
      continue;
    std::unique_lock lock(sleepLock);
    wakeAtQueued.store(most, std::memory_order_relaxed);
    // Announced before the last look, so that a receiver completing a call
    // or ending its turn after it sees the announcement.
    workerSleeping.store(true, std::memory_order_seq_cst);
    if (!ready()) workerWake.wait(lock);
    workerSleeping.store(false, std::memory_order_relaxed);
  }
  budget.Observe(Clock::now() - start);
  return Queued() <= most;
}

// --- The receiver's side ------------------------------------------------------------

void CallHandoff::WakeWorker() {
  {
    std::lock_guard lock(sleepLock);
    workerSleeping.store(false, std::memory_order_relaxed);
  }
  workerWake.notify_one();
}

CallHandoff::Ran CallHandoff::RunQueued(Clock::time_point turnEnd, bool& ranAny) {
  std::uint32_t done = completed.load(std::memory_order_relaxed);
  for (;;) {
    // Looked at after the state says this thread runs calls: a Close the
    // worker has seen before that is seen here.
    if (closed.load(std::memory_order_seq_cst)) return Ran::Closed;
    if (published.load(std::memory_order_acquire) == done) return Ran::Empty;
    const ScannerCall& call = *ring[done % kCapacity];
    inCall = true;
    call();
    inCall = false;
    completed.store(++done, std::memory_order_seq_cst);
    ranAny = true;
    if (workerSleeping.load(std::memory_order_seq_cst) &&
        Queued() <= wakeAtQueued.load(std::memory_order_relaxed))
      WakeWorker();
    if (done % kCallsPerClockCheck == 0 && Clock::now() >= turnEnd) return Ran::TurnOver;
  }
}

bool CallHandoff::Leave(std::uint32_t rest) {
  receiver.store(rest, std::memory_order_seq_cst);
  if (closed.load(std::memory_order_seq_cst)) {
    WakeWorker();  // it may wait for this thread to be out of its calls
    return true;
  }
  if (Queued() == 0) return true;
  // A call published while this thread was running, for which the worker
  // asked nobody: run it now, unless the worker has asked by now.
  std::uint32_t seen = rest;
  return !receiver.compare_exchange_strong(seen, kRunning, std::memory_order_seq_cst);
}

bool CallHandoff::RunPending() {
  RequireReceiverThread();
  if (inCall || closed.load(std::memory_order_acquire)) return false;
  receiverProcessor.store(sched_getcpu(), std::memory_order_relaxed);
  receiver.store(kRunning, std::memory_order_seq_cst);
  const auto turnEnd = Clock::now() + kTurnTime;
  bool ranAny = false;
  bool lookAgain = false;
  for (;;) {
    const Ran ran = RunQueued(turnEnd, ranAny);
    if (ran == Ran::Closed) {
      Leave(kIdle);
      break;
    }
    if (ran == Ran::TurnOver) {
      // The worker asks again (it is woken for that if it waits), so that
      // this thread's input and painting come first; and should it be held
      // up in a long read, this thread looks again by itself.
      receiver.store(kIdle, std::memory_order_seq_cst);
      if (workerSleeping.load(std::memory_order_seq_cst) || closed.load(std::memory_order_seq_cst))
        WakeWorker();
      lookAgain = true;
      break;
    }
    // Calls came: more may follow, looked for on this thread's own time.
    if (Leave(ranAny ? kScheduled : kIdle)) {
      lookAgain = ranAny;
      break;
    }
  }
  if (!lookAgain || lookDue) return false;
  lookDue = true;
  return true;
}

bool CallHandoff::LookAgain() {
  lookDue = false;
  // Asked for by the worker meanwhile: its event comes, and this thread's
  // input and painting go first.
  if (receiver.load(std::memory_order_seq_cst) == kNotified) return false;
  return RunPending();
}

void CallHandoff::ServeUntil(const std::function<bool()>& done) {
  RequireReceiverThread();
  receiverProcessor.store(sched_getcpu(), std::memory_order_relaxed);
  receiver.store(kRunning, std::memory_order_seq_cst);
  bool ranAny = false;
  for (;;) {
    if (RunQueued(Clock::time_point::max(), ranAny) == Ran::Closed) {
      Leave(kIdle);
      return;
    }
    if (done()) {
      if (Leave(kIdle)) return;
      continue;  // a call came in
    }
    receiver.store(kAsleep, std::memory_order_seq_cst);
    // A call or a Close since the queue was looked at: the worker or Close
    // may have seen this thread running and woken nobody.
    if (Queued() == 0 && !closed.load(std::memory_order_seq_cst)) FutexWait(receiver, kAsleep);
    receiver.store(kRunning, std::memory_order_seq_cst);
  }
}

void CallHandoff::Close() {
  closed.store(true, std::memory_order_seq_cst);
  std::uint32_t asleep = kAsleep;
  if (receiver.compare_exchange_strong(asleep, kNotified, std::memory_order_seq_cst))
    FutexWake(receiver);
  WakeWorker();
}
