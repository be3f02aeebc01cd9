#include "gui/controls/DeviceCombo.h"

#include <QStandardItemModel>

#include "core/disc/DeviceList.h"

DeviceCombo::DeviceCombo(QWidget* parent) : SortedComboBox(parent) {}

std::uint16_t DeviceCombo::SelectedDrive() const {
  const int index = currentIndex();
  return index < 0 ? 0 : static_cast<std::uint16_t>(itemData(index).toUInt() & 0xFFFF);
}

void DeviceCombo::FillDevices() {
  const std::uint16_t previous = SelectedDrive();
  clear();
  const std::vector<DeviceListItem> items = ReadDeviceList();
  int selected = -1;
  for (const DeviceListItem& drive : ListedDrives(items)) {
    const int index = AddSorted(QString::fromStdU16String(DriveListText(drive)));
    setItemData(index, QVariant::fromValue<uint>(drive.letter));
    setItemData(index, QString::fromStdU16String(DriveToolTipText(drive)), Qt::ToolTipRole);
    // An insertion before the selected item moves it down by one.
    if (selected >= index) ++selected;
    if (drive.letter == previous) selected = index;
  }
  const int drives = count();
  for (const DeviceListItem& item : items)
    if (!item.usable && !item.text.empty()) AddUnusable(item);
  if (selected < 0 && drives > 0) selected = 0;
  setCurrentIndex(selected);
}

// Added once every drive is in place, so that it stays after them: neither
// enabled nor selectable, so that neither the mouse nor the keys choose it.
void DeviceCombo::AddUnusable(const DeviceListItem& item) {
  addItem(QString::fromStdU16String(DriveListText(item)));
  const int index = count() - 1;
  setItemData(index, QString::fromStdU16String(DriveToolTipText(item)), Qt::ToolTipRole);
  if (auto* items = qobject_cast<QStandardItemModel*>(model()))
    items->item(index)->setFlags(Qt::NoItemFlags);
}
