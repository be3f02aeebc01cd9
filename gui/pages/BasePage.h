// The contract of a tab page of the main window. The main window asks each
// page for its title, lets it create its window inside the tab control, and
// on every new device context sets `context` and calls UpdateContent, which
// rebuilds everything the page shows from that context.
//
// A page is a child dialog: Enter and Escape inside it do nothing (they must
// not end the page, nor reach the main window, which would end the program).
#pragma once

#include <QString>

#include "gui/platform/Dialog.h"

class DeviceContext;

class BasePage : public Dialog {
  Q_OBJECT

 public:
  BasePage() : Dialog(nullptr) {}

  // The tab's title; asked before the page has a window.
  virtual QString GetTitle() const = 0;
  // Rebuilds the page from `context`, which is never null here.
  virtual void UpdateContent() {}
  // Creates the page's window from its template as a hidden child of parent.
  virtual void CreatePage(QWidget* parent) = 0;
  // The main window is about to destroy the context this page holds (a new
  // one has been built). A page whose work still reads it ends that work
  // before returning.
  virtual void ReleaseContext() {}

  // The device context whose facts the page shows; not owned. Written only by
  // the main window.
  DeviceContext* context = nullptr;

 protected:
  void OnOK() override {}
  void OnCancel() override {}
};
