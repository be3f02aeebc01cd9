// The bridge to a window: when reports wait for the window's thread, a
// ScannerCallEvent posted to the window runs them there, in batches between
// the window's painting and input. Once the window is destroyed, every
// report is dropped at once.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <memory>
#include <mutex>

#include "core/scan/CallHandoff.h"
#include "core/scan/ScannerBridge.h"

class WindowBridge final : public ScannerBridge {
 public:
  // Built on the window's thread, the only one that may run the reports.
  explicit WindowBridge(QObject* window);
  ~WindowBridge() override;

  void Send(const ScannerCall& call) override;
  bool Begin(const ScannerCall& call) override;
  void Finish() override;
  void ServeUntil(const std::function<bool()>& done) override;
  void Close() override;

 private:
  void PostToWindow();

  std::shared_ptr<CallHandoff> handoff = std::make_shared<CallHandoff>();
  // A weak handle: the window, or null once it is destroyed or the bridge
  // closed. The worker posts under the lock, so the window cannot be
  // destroyed in the middle of a post (a QPointer alone is not safe to read
  // from another thread while the object dies).
  std::mutex windowLock;
  QObject* window;
  QMetaObject::Connection destroyedConnection;
};
