// A window built from a dialog template: the stand-in for the framework's
// dialog class. The template's controls live in the client area (Client()),
// below the menu bar when the window has a menu, so that all layout works in
// client coordinates as on the original platform.
//
// A modal dialog ends with EndDialog(result). Escape runs OnCancel; Enter
// presses the focused push button, or else runs OnOK; the close box runs
// OnCancel. By default OnOK ends the dialog with kIdOk and OnCancel with
// kIdCancel; a window that must not end on these keys overrides them.
#pragma once

#include <QDialog>

#include "gui/platform/DialogTemplate.h"

class QMenuBar;

// Results of a modal dialog, numbered as the platform numbers them.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdClose = 8;

class Dialog : public QDialog {
  Q_OBJECT

 public:
  // A dialog whose window will be built from tmpl (null: named later, by
  // CreateModeless). No window content exists until DoModal or
  // CreateModeless.
  explicit Dialog(const DialogTemplate* tmpl, QWidget* parent = nullptr);

  // Builds the window, runs it modally and returns the result it ended with.
  int DoModal();
  // Builds the window as a top-level window without running it.
  void Create();
  // Builds the window from tmpl as a hidden child of parent.
  void CreateModeless(const DialogTemplate& tmpl, QWidget* parent);
  // Whether the window has been built.
  bool HasWindow() const { return built; }

  void EndDialog(int result);

  // The dialog a control belongs to: its nearest dialog ancestor.
  static const Dialog* OwnerOf(const QWidget* control);

  // The client area: the template's controls are its children.
  QWidget* Client() const;
  QRect ClientRect() const;
  // Dialog units of this window's font.
  DialogUnits Units() const;

  void accept() override;
  void reject() override;

 protected:
  // Runs once the controls exist. True lets the window give the focus to its
  // first control; false leaves the focus alone.
  virtual bool OnInitDialog() { return true; }
  virtual void OnOK();
  virtual void OnCancel();
  // The client area changed size (WM_SIZE).
  virtual void OnSize() {}
  // Paints the client area over the window's background.
  virtual void OnPaint(QPainter&) {}
  // A mouse button was released on the client area's background.
  virtual void OnLButtonUp(QMouseEvent*) {}

  // Shows a menu bar above the client area.
  void SetMenu(QMenuBar* menu);

  void keyPressEvent(QKeyEvent* event) override;

 private:
  class ClientArea;

  void Build(const DialogTemplate& tmpl);
  void FocusFirstControl();

  const DialogTemplate* pendingTemplate;
  ClientArea* client;
  bool built = false;
};
