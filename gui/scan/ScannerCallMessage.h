// The event type that carries one scanner report to the receiver's window,
// and the event itself.
#pragma once

#include <QEvent>
#include <memory>

class CallHandoff;
class QObject;

// The name the event type is registered under.
inline constexpr char kScannerCallMessageName[] = "{2E4E7366-F65B-4FB9-8D7A-238A1F10E959}";

// Registered once, during static initialisation.
extern const QEvent::Type ScannerCallMessage;

// Posted to the receiver's window when reports wait for it. The window's
// event handler passes every event to Dispatch before it reads anything of it:
//
//   bool ScanPage::event(QEvent* event) {
//     if (ScannerCallEvent::Dispatch(event)) return true;
//     ...
class ScannerCallEvent final : public QEvent {
 public:
  // Posted to window, the receiver of handoff's calls.
  ScannerCallEvent(std::shared_ptr<CallHandoff> handoff, QObject* window);
  // Posts an event for handoff's calls to window, from any thread.
  static void Post(const std::shared_ptr<CallHandoff>& handoff, QObject* window);
  ~ScannerCallEvent() override;

  // Whether event is a ScannerCallEvent. The event was made on the worker;
  // this is also where the window's thread takes it over, which a thread
  // sanitizer cannot see inside an uninstrumented Qt's event queue.
  static bool Is(QEvent* event);
  // Runs event when it is a ScannerCallEvent; returns whether it was one.
  static bool Dispatch(QEvent* event);

  // Runs the reports that wait, for one turn of the window's thread at most.
  // While reports keep coming, or when some were left for the worker to ask
  // for again, a timer brings the window back for them.
  void Run() const;

 private:
  static void LookAgainLater(const std::shared_ptr<CallHandoff>& handoff, QObject* window);

  // Shared, so that an event still queued after its bridge has gone finds
  // nothing to run instead of freed memory.
  std::shared_ptr<CallHandoff> handoff;
  QObject* window;
};
