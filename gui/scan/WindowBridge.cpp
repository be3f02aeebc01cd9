#include "gui/scan/WindowBridge.h"

#include <QCoreApplication>

#include "gui/scan/ScannerCallMessage.h"

WindowBridge::WindowBridge(QObject* receiverWindow) : window(receiverWindow) {
  // A direct connection: the window's thread closes the bridge from inside
  // the window's destructor, before Qt discards the events queued for it.
  destroyedConnection = QObject::connect(window, &QObject::destroyed, [this] { Close(); });
}

WindowBridge::~WindowBridge() {
  QObject::disconnect(destroyedConnection);
  Close();
}

void WindowBridge::Send(const ScannerCall& call) {
  handoff->Deliver(call, [this] { PostToWindow(); });
}

bool WindowBridge::Begin(const ScannerCall& call) {
  return !handoff->Publish(call, [this] { PostToWindow(); });
}

void WindowBridge::Finish() { handoff->Await(); }

void WindowBridge::ServeUntil(const std::function<bool()>& done) { handoff->ServeUntil(done); }

void WindowBridge::Close() {
  {
    std::lock_guard lock(windowLock);
    window = nullptr;
  }
  handoff->Close();
}

void WindowBridge::PostToWindow() {
  std::lock_guard lock(windowLock);
  // At the priority of repaint requests, so that a fast scan's reports take
  // turns with the window's painting instead of going ahead of it.
  if (window != nullptr)
    QCoreApplication::postEvent(window, new ScannerCallEvent(handoff), Qt::LowEventPriority);
}
