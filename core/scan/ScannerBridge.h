// How a scanner's reports reach their receiver: each report is bound into a
// ScannerCall on the worker's stack and handed to a bridge, which runs it on
// the receiver's thread while the worker waits.
#pragma once

#include <atomic>
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

  // On the worker: the same, in two halves, so that the worker can go on
  // with work of its own while the receiver runs call. Begin returns true
  // when call is already done (run or dropped); else the worker calls Finish,
  // which returns once it is, before it sends anything else and before it
  // touches what call refers to. By default Begin is a Send.
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

  // On any thread: drops the call the worker waits on, if it has not started,
  // and every later one. A call already running completes.
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
