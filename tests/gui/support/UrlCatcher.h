// Catches the web addresses the program asks the desktop to open, in place of
// the browser.
#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  UrlCatcher() {
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
  }
  ~UrlCatcher() override {
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  }

  QStringList opened;

 public slots:
  void open(const QUrl& url) { opened << url.toString(); }
};
