#include "core/scan/CallHandoff.h"

#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Values of CallHandoff::state. From taking a call until it leaves, the
// receiver attends (kListening or kAsleep), so the worker never asks it twice.
enum : std::uint32_t {
  kIdle = 0,       // no call; the receiver is busy elsewhere and must be notified
  kListening = 1,  // no call; the receiver attends and will look again by itself
  kAsleep = 2,     // no call; the receiver sleeps on the word and must be woken
  kPending = 3,    // a call waits to be run
  kClosed = 4,     // calls are dropped
};

constexpr std::uint32_t kWorkerAsleep = 1;

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
                  std::atomic<std::uint32_t>::is_always_lock_free,
              "a futex waits on the atomic's own 32 bits");

using Clock = std::chrono::steady_clock;

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

CallHandoff::CallHandoff(std::thread::id receiver) : receiverThread(receiver) {}

void CallHandoff::RequireReceiverThread() const {
  if (std::this_thread::get_id() == receiverThread) return;
  std::fputs("CallHandoff: calls served on a thread other than the receiver's\n", stderr);
  std::abort();
}

void CallHandoff::Deliver(const ScannerCall& call, const std::function<void()>& notify) {
  if (Publish(call, notify)) WaitCompleted();
}

bool CallHandoff::Publish(const ScannerCall& call, const std::function<void()>& notify) {
  awaitedGeneration = completed.load(std::memory_order_relaxed) & ~kWorkerAsleep;
  workerProcessor.store(sched_getcpu(), std::memory_order_relaxed);
  pending = &call;
  publishedAt = Clock::now();
  std::uint32_t seen = state.load(std::memory_order_relaxed);
  do {
    if (seen == kClosed) return false;
  } while (!state.compare_exchange_weak(seen, kPending, std::memory_order_acq_rel,
                                        std::memory_order_relaxed));
  if (seen == kAsleep)
    FutexWake(state);
  else if (seen == kIdle)
    notify();
  receiverWasAttending = seen == kListening;
  return true;
}

void CallHandoff::Await() {
  // Done while the worker was busy: nothing waited, nothing to learn.
  if (completed.load(std::memory_order_acquire) != awaitedGeneration) return;
  WaitCompleted();
}

void CallHandoff::WaitCompleted() {
  const std::uint32_t generation = awaitedGeneration;
  const auto isCompleted = [&] { return completed.load(std::memory_order_acquire) != generation; };
  // A receiver that has to be notified or woken first takes longer; each
  // case has its own budget.
  SpinBudget& budget = receiverWasAttending ? workerSpin : workerSpinAfterNotice;
  const bool spun = OtherThreadElsewhere(workerProcessor, receiverProcessor) &&
                    SpinUntil(isCompleted, publishedAt + budget.Limit());
  if (!spun) SleepUntilCompleted(generation);
  budget.Observe(Clock::now() - publishedAt);
}

void CallHandoff::SleepUntilCompleted(std::uint32_t generation) {
  // Announced in bit 0, so that Complete wakes this thread.
  for (;;) {
    std::uint32_t seen = generation;
    if (completed.compare_exchange_strong(seen, generation | kWorkerAsleep,
                                          std::memory_order_acquire))
      seen = generation | kWorkerAsleep;
    if ((seen & ~kWorkerAsleep) != generation) return;
    FutexWait(completed, generation | kWorkerAsleep);
  }
}

void CallHandoff::Complete() {
  std::uint32_t seen = completed.load(std::memory_order_relaxed);
  while (!completed.compare_exchange_weak(seen, (seen & ~kWorkerAsleep) + 2,
                                          std::memory_order_release, std::memory_order_relaxed)) {
  }
  if (seen & kWorkerAsleep) FutexWake(completed);
}

bool CallHandoff::Take() {
  std::uint32_t seen = kPending;
  return state.compare_exchange_strong(seen, kListening, std::memory_order_acquire,
                                       std::memory_order_relaxed);
}

void CallHandoff::RunTaken() {
  // How long the worker paused between the last call's completion and this
  // one: how long listening for its next call may pay.
  listen.Observe(publishedAt - lastCompletedAt);
  (*pending)();
  lastCompletedAt = Clock::now();
  Complete();
}

void CallHandoff::Listen(Clock::time_point turnEnd) {
  if (listen.Limit() <= Clock::duration(0) ||
      !OtherThreadElsewhere(receiverProcessor, workerProcessor))
    return;
  SpinUntil([this] { return state.load(std::memory_order_relaxed) != kListening; },
            std::min(turnEnd, lastCompletedAt + listen.Limit()));
}

void CallHandoff::RunPending() {
  RequireReceiverThread();
  const auto turnEnd = Clock::now() + kTurnTime;
  while (Take()) {
    RunTaken();
    // Listen for the worker's next call for a moment, within the turn; then
    // leave, unless a call came in, which the worker then left to this
    // thread. (Sleeping with a time-out to listen costs more than the
    // worker's notification.)
    Listen(turnEnd);
    std::uint32_t seen = kListening;
    if (state.compare_exchange_strong(seen, kIdle, std::memory_order_relaxed)) return;
  }
}

void CallHandoff::ServeUntil(const std::function<bool()>& done) {
  RequireReceiverThread();
  for (;;) {
    if (Take()) {
      RunTaken();
      Listen(Clock::time_point::max());
      continue;
    }
    std::uint32_t seen = state.load(std::memory_order_relaxed);
    if (seen == kClosed) return;
    // A call published since Take looked: it must be run, not slept over (the
    // worker saw this thread attending and sent no wake-up) nor dropped.
    if (seen == kPending) continue;
    if (done()) {
      if (seen == kIdle || state.compare_exchange_strong(seen, kIdle, std::memory_order_relaxed))
        return;
      continue;  // a call came in
    }
    if (!state.compare_exchange_strong(seen, kAsleep, std::memory_order_relaxed)) continue;
    FutexWait(state, kAsleep);
    seen = kAsleep;
    state.compare_exchange_strong(seen, kListening, std::memory_order_relaxed);
  }
}

void CallHandoff::Close() {
  const std::uint32_t before = state.exchange(kClosed, std::memory_order_acq_rel);
  if (before == kPending) Complete();
  if (before == kAsleep) FutexWake(state);
}
