// Waiting in widget tests: runs the event loop until a condition holds or a
// time-out passes, checking after every pass of events.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// True when condition held before timeoutMs passed.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
  if (condition()) return true;
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (condition()) loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  poll.start();
  loop.exec();
  return condition();
}

// Calls `open`, which runs a modal dialog, and runs `inside` with that dialog
// once it shows (inside the dialog's own event loop). A dialog that `inside`
// leaves open is ended afterwards, so that `open` returns.
inline void WithModalDialog(const std::function<void()>& open,
                            const std::function<void(QDialog*)>& inside) {
  bool ran = false;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (ran || modal == nullptr || !modal->isVisible()) return;
    ran = true;
    poll.stop();
    inside(modal);
    if (modal->isVisible()) modal->done(-1);
  });
  poll.start();
  open();
  poll.stop();
  EXPECT_TRUE(ran) << "no modal dialog showed";
}
