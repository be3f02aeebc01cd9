#include "gui/scan/WindowBridge.h"

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

void WindowBridge::Finish() {
  handoff->Await([this] { PostToWindow(); });
}

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
  if (window != nullptr) ScannerCallEvent::Post(handoff, window);
}
