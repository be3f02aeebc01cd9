// A flat toolbar of icon-only buttons whose pictures come from an image list,
// each button sending a command id, as a toolbar control sends WM_COMMAND to
// its owner. No button texts; each button may have a tooltip.
#pragma once

#include <QToolBar>

class ImageList;

class ToolBarCtrl : public QToolBar {
  Q_OBJECT

 public:
  explicit ToolBarCtrl(QWidget* parent = nullptr);

  void SetImageList(const ImageList* images);
  // Appends a button showing image `image` that sends `commandId`, with
  // tooltip as its tooltip (none when empty).
  void AddButton(int image, int commandId, const QString& tooltip = QString());
  void AddSeparator();
  // The button that sends commandId; null when there is none.
  QAction* Button(int commandId) const;

 signals:
  void command(int commandId);

 private:
  const ImageList* images = nullptr;
};
