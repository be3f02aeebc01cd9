// How a scanner's reports reach their receiver: each report is bound into a
// ScannerCall kept by the worker and handed to a bridge, which runs it on
// the receiver's thread, in order, while the worker waits or goes on.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

// A report bound to its receiver: the receiver, the operation and references
// to the arguments, called with no arguments. It refers to a callable on the
// sender's stack, copies nothing and lives no longer than one send.
class ScannerCall {
 public:
  template <typename Bound>
  explicit ScannerCall(const Bound& bound)
      : bound(&bound), invoke([](const void* b) { (*static_cast<const Bound*>(b))(); }) {}

  void operator()() const { invoke(bound); }

 private:
  const void* bound;
  void (*invoke)(const void*);
};

class ScannerBridge {
 public:
  virtual ~ScannerBridge() = default;

  // On the worker: runs call on the receiver's thread and returns once it has
  // run, or at once, without running it, when the receiver is gone or the
  // bridge is closed.
  virtual void Send(const ScannerCall& call) = 0;

  // The most calls a worker may have begun and not finished.
  static constexpr std::uint32_t kCallsInFlight = 4096;

  // On the worker: the same, without waiting, so that the worker can go on
  // with work of its own while the receiver runs its calls. Begin returns
  // true when call is already done (run or dropped); else call runs later,
  // after every call begun before it, and the worker keeps what it refers to
  // until Finish has returned, or until the Begin of the kCallsInFlight-th
  // call after it has returned. Begin waits while kCallsInFlight calls are
  // unfinished. Finish returns once every call begun is done; the worker
  // calls it before it sends anything else. By default Begin is a Send.
  virtual bool Begin(const ScannerCall& call) {
    Send(call);
    return true;
  }
  virtual void Finish() {}

  // On the receiver's thread: waits until done() holds, running the calls the
  // worker sends meanwhile, so the worker never waits for this thread in vain.
  // done() must turn true through such a call, or the bridge closes. Returns
  // at once when the bridge is closed.
  virtual void ServeUntil(const std::function<bool()>& done) = 0;

  // On any thread: drops every call that has not started. A call already
  // running completes.
  virtual void Close() = 0;
};

// The bridge without a window: each call runs at once on the worker's own
// thread. For tests and the command-line front end; the receiver must then
// outlive the scanner.
class DirectBridge final : public ScannerBridge {
 public:
  void Send(const ScannerCall& call) override {
    if (!closed.load(std::memory_order_acquire)) call();
  }
  // Nothing to serve: the worker runs its calls itself.
  void ServeUntil(const std::function<bool()>&) override {}
  void Close() override { closed.store(true, std::memory_order_release); }

 private:
  std::atomic<bool> closed{false};
};
