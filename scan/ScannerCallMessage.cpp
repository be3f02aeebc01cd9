#include "scan/ScannerCallMessage.h"

#include <QByteArray>
#include <QHash>

#include "scan/CallHandoff.h"

namespace {

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

ScannerCallEvent::ScannerCallEvent(std::shared_ptr<CallHandoff> shared)
    : QEvent(ScannerCallMessage), handoff(std::move(shared)) {}

void ScannerCallEvent::Run() const { handoff->RunPending(); }
