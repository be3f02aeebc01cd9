#include "gui/app/AboutDialog.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

#include "core/product/ProductInfo.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/LinkCtrl.h"

namespace {

const DialogTemplate kTemplate145 = {
    145,
    {283, 202},
    "About Corvane Lumeter",
    0,
    {
        {kNoControlId,
         ControlKind::Static,
         "Copyright \u00a9 2010-2024 Corvane. All rights reserved.",
         0,
         {9, 79, 210, 13}},
        {AboutDialog::kWebLinkId,
         ControlKind::SysLink,
         "<a>https://www.corvane.example</a>",
         0,
         {9, 98, 219, 12}},
        {kNoControlId,
         ControlKind::Static,
         "Corvane Lumeter reads drives and discs and never writes to them. It is provided "
         "as is, without warranty of any kind; its makers are not liable for any loss that "
         "comes of using it. Its pictures and texts may not be copied without permission.",
         0,
         {9, 119, 220, 66}},
        {AboutDialog::kCloseId, ControlKind::PushButton, "Close", kTabStop, {226, 185, 50, 14}},
    },
};

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : Dialog(&kTemplate145, parent) {}

bool AboutDialog::OnInitDialog() {
  connect(Item<LinkCtrl>(Client(), kWebLinkId), &LinkCtrl::clicked, this,
          &AboutDialog::OnLinkClick);
  auto* close = Item<QPushButton>(Client(), kCloseId);
  connect(close, &QPushButton::clicked, this, &AboutDialog::OnOK);
  // The client area is exactly as wide as the picture; the window is 300
  // pixels high, frame included. The native window is made first, so that
  // the frame is known.
  create();
  const int frameHeight = frameGeometry().height() - geometry().height();
  resize(bitmap.width(), 300 - frameHeight);
  // The template was drawn for a narrower font than many desktops have: keep
  // every text inside the picture's width, with its left margin on the right.
  for (QWidget* control : Client()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QRect r = control->geometry();
    if (r.right() + r.left() >= width()) control->resize(width() - 2 * r.left(), r.height());
  }
  // Close at the bottom right, inside the window's 300 pixels (the client
  // area, which has no menu, takes the window's size), with the link's
  // margin; the notice ends above it.
  const int margin = Item(Client(), kWebLinkId)->x();
  const QSize button(std::max(80, close->sizeHint().width()), 24);
  close->setGeometry(width() - margin - button.width(), height() - margin - button.height(),
                     button.width(), button.height());
  if (QWidget* notice = NoticeLabel()) {
    const int bottom = std::min(notice->geometry().bottom(), close->y() - 6);
    notice->resize(notice->width(), std::max(0, bottom - notice->y() + 1));
  }
  if (const QWidget* owner = parentWidget())
    move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
  return false;
}

QWidget* AboutDialog::NoticeLabel() const {
  // The legal notice is the lowest of the texts without an id.
  QWidget* lowest = nullptr;
  for (QWidget* control : Client()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
    if (ControlId(control) == kNoControlId && (lowest == nullptr || control->y() > lowest->y()))
      lowest = control;
  return lowest;
}

void AboutDialog::OnPaint(QPainter& painter) {
  painter.drawPixmap(0, 0, bitmap);
  painter.setFont(Client()->font());
  painter.setPen(Qt::black);
  const QString text = QStringLiteral("%1 %2").arg(QString::fromUtf8(kProductName),
                                                   QString::fromUtf8(kProductVersion));
  painter.drawText(QRect(kTextX, kTextY, Client()->width() - kTextX, Client()->height() - kTextY),
                   Qt::AlignLeft | Qt::AlignTop, text);
}

void AboutDialog::OnLButtonUp(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) OnOK();
}

void AboutDialog::OnLinkClick() { QDesktopServices::openUrl(QUrl(QString::fromUtf8(kWebSite))); }
