// The event type that carries one scanner report to the receiver's window,
// and the event itself.
#pragma once

#include <QEvent>
#include <memory>

class CallHandoff;

// The name the event type is registered under.
inline constexpr char kScannerCallMessageName[] = "{2E4E7366-F65B-4FB9-8D7A-238A1F10E959}";

// Registered once, during static initialisation.
extern const QEvent::Type ScannerCallMessage;

// Posted to the receiver's window when a report waits for it. The window's
// event handler passes every event to Dispatch before it reads anything of it:
//
//   bool ScanPage::event(QEvent* event) {
//     if (ScannerCallEvent::Dispatch(event)) return true;
//     ...
class ScannerCallEvent final : public QEvent {
 public:
  explicit ScannerCallEvent(std::shared_ptr<CallHandoff> handoff);
  ~ScannerCallEvent() override;

  // Whether event is a ScannerCallEvent. The event was made on the worker;
  // this is also where the window's thread takes it over, which a thread
  // sanitizer cannot see inside an uninstrumented Qt's event queue.
  static bool Is(QEvent* event);
  // Runs event when it is a ScannerCallEvent; returns whether it was one.
  static bool Dispatch(QEvent* event);

  // Runs the report the worker waits on, if it is still there, and those that
  // follow it at once.
  void Run() const;

 private:
  // Shared, so that an event still queued after its bridge has gone finds
  // nothing to run instead of freed memory.
  std::shared_ptr<CallHandoff> handoff;
};
