#include "gui/scan/ScannerCallMessage.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QTimer>

#include "core/scan/CallHandoff.h"

#if defined(__SANITIZE_THREAD__)
#define LUMETER_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define LUMETER_THREAD_SANITIZER 1
#endif
#endif
#ifdef LUMETER_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// Qt hands a posted event to the receiving thread under a lock of its own;
// these tell a thread sanitizer so.
void MarkHandedOver([[maybe_unused]] void* event) {
#ifdef LUMETER_THREAD_SANITIZER
  __tsan_release(event);
#endif
}

void MarkTakenOver([[maybe_unused]] void* event) {
#ifdef LUMETER_THREAD_SANITIZER
  __tsan_acquire(event);
#endif
}

// Qt numbers event types, not names: the name picks the number asked for, so
// the type is the same in every run unless that number is taken.
QEvent::Type RegisterScannerCallMessage() {
  const unsigned span = QEvent::MaxUser - QEvent::User + 1;
  const auto hint =
      QEvent::User + static_cast<int>(qHash(QByteArray(kScannerCallMessageName), 0) % span);
  return static_cast<QEvent::Type>(QEvent::registerEventType(hint));
}

}  // namespace

const QEvent::Type ScannerCallMessage = RegisterScannerCallMessage();

ScannerCallEvent::ScannerCallEvent(std::shared_ptr<CallHandoff> shared, QObject* receiver)
    : QEvent(ScannerCallMessage), handoff(std::move(shared)), window(receiver) {
  MarkHandedOver(this);
}

// Runs on the window's thread also when Qt discards the event unhandled.
ScannerCallEvent::~ScannerCallEvent() { MarkTakenOver(this); }

bool ScannerCallEvent::Is(QEvent* event) {
  MarkTakenOver(event);
  return event->type() == ScannerCallMessage;
}

bool ScannerCallEvent::Dispatch(QEvent* event) {
  if (!Is(event)) return false;
  static_cast<ScannerCallEvent*>(event)->Run();
  return true;
}

void ScannerCallEvent::Post(const std::shared_ptr<CallHandoff>& handoff, QObject* window) {
  // At the priority of repaint requests, so that a fast scan's reports take
  // turns with the window's painting instead of going ahead of it.
  QCoreApplication::postEvent(window, new ScannerCallEvent(handoff, window), Qt::LowEventPriority);
}

void ScannerCallEvent::Run() const {
  if (handoff->RunPending()) LookAgainLater(handoff, window);
}

// On the window's thread, while the window is alive (a timer with the window
// as its context ends with it).
void ScannerCallEvent::LookAgainLater(const std::shared_ptr<CallHandoff>& handoff,
                                      QObject* window) {
  QTimer::singleShot(CallHandoff::kLookInterval, window, [handoff, window] {
    if (handoff->LookAgain()) LookAgainLater(handoff, window);
  });
}
