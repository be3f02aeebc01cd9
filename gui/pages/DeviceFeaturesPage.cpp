#include "gui/pages/DeviceFeaturesPage.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>

#include "core/disc/DeviceContext.h"
#include "core/product/ProductInfo.h"
#include "core/report/DeviceFeaturesRows.h"
#include "core/report/FirmwareText.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/MoveWindow.h"

namespace {

const DialogTemplate kTemplate129 = {
    129,
    {317, 183},
    "",
    kChildWindow,
    {
        {DeviceFeaturesPage::kListId,
         ControlKind::ListView,
         "",
         kBorder | kTabStop | kSingleSelection | kNoColumnHeader,
         {0, 0, 315, 128}},
        {DeviceFeaturesPage::kFirmwareUpdateId,
         ControlKind::PushButton,
         "Check for Firmware Update",
         kTabStop,
         {5, 154, 104, 16}},
    },
};

}  // namespace

QString DeviceFeaturesPage::GetTitle() const { return QStringLiteral("Device Features"); }

void DeviceFeaturesPage::CreatePage(QWidget* parent) { CreateModeless(kTemplate129, parent); }

bool DeviceFeaturesPage::OnInitDialog() {
  list.SetupGroups(Client(), kListId, DeviceFeaturesGroupTitles());
  connect(Item<QPushButton>(Client(), kFirmwareUpdateId), &QPushButton::clicked, this,
          &DeviceFeaturesPage::OnFirmwareUpdate);
  Item(Client(), kFirmwareUpdateId)->setEnabled(false);  // until a drive is shown
  return false;
}

// The drive's identity and firmware with a line on where to look for new
// firmware, and a button that copies the facts for pasting into a search or a
// message. Copying leaves the box open.
void DeviceFeaturesPage::OnFirmwareUpdate() {
  if (context == nullptr || context->driveLetter == 0) return;
  const std::u16string facts = FirmwareFacts(*context);
  const QString factsText = QString::fromStdU16String(facts);
  QMessageBox box(QMessageBox::Information, QString::fromUtf8(kProductName),
                  factsText + u'\n' + QString::fromStdU16String(FirmwareAdvice(*context)),
                  QMessageBox::Ok, this);
  QPushButton* copy = box.addButton(QStringLiteral("Copy"), QMessageBox::ActionRole);
  copy->disconnect();  // the box would close
  connect(copy, &QPushButton::clicked, &box,
          [factsText] { QApplication::clipboard()->setText(factsText); });
  box.setObjectName(QStringLiteral("firmwareBox"));
  box.exec();
}

// Without a drive there is nothing to ask the engine about, nor any firmware
// to look for.
void DeviceFeaturesPage::UpdateContent() {
  Item(Client(), kFirmwareUpdateId)->setEnabled(context->driveLetter != 0);
  if (context->driveLetter == 0)
    list.ClearRows();
  else
    list.ShowRows(DeviceFeaturesRows(*context));
}

void DeviceFeaturesPage::OnSize() {
  QRect rect = ClientRect();
  if (QWidget* button = Item(Client(), kFirmwareUpdateId)) {
    MoveWindow(button, rect.left(), rect.bottom() + 1 - 23, 155, 23);
    rect.setBottom(rect.bottom() - 30);
  }
  if (Item(Client(), kListId) != nullptr) list.FitToRect(rect);
}
