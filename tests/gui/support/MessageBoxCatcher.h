// Catching the message box an action opens, in widget tests: what it showed,
// after closing it with its first button.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <functional>

// What a message box that opened while `action` ran showed; the box is closed
// with its first button as soon as it is seen.
struct SeenBox {
  bool shown = false;
  QString caption, text;
  QStringList buttons;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

inline SeenBox RunCatchingMessageBox(const std::function<void()>& action) {
  SeenBox seen;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    seen.shown = true;
    seen.caption = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    for (QAbstractButton* button : box->buttons()) seen.buttons << button->text().remove('&');
    box->done(0);
  });
  watch.start(0);
  action();
  watch.stop();
  return seen;
}
