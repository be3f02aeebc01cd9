// The About box: the product picture with the name and version drawn on it,
// a rights notice, a link to the web site and a legal notice. Its Close
// button, a click on its background, Enter and Escape close it.
#pragma once

#include <QPixmap>

#include "gui/platform/Dialog.h"

class AboutDialog : public Dialog {
  Q_OBJECT

 public:
  static constexpr int kPictureResource = 146;
  static constexpr int kWebLinkId = 1047;
  static constexpr int kCloseId = 2;
  // Where the product text is drawn on the picture.
  static constexpr int kTextX = 22;
  static constexpr int kTextY = 70;

  explicit AboutDialog(QWidget* parent = nullptr);

  // The picture; the opener loads it before running the dialog.
  QPixmap bitmap;

 protected:
  bool OnInitDialog() override;
  void OnPaint(QPainter& painter) override;
  void OnLButtonUp(QMouseEvent* event) override;

 private:
  void OnLinkClick();
  QWidget* NoticeLabel() const;
};
