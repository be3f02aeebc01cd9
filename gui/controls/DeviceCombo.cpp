#include "gui/controls/DeviceCombo.h"

#include "core/disc/DeviceList.h"

DeviceCombo::DeviceCombo(QWidget* parent) : SortedComboBox(parent) {}

std::uint16_t DeviceCombo::SelectedDrive() const {
  const int index = currentIndex();
  return index < 0 ? 0 : static_cast<std::uint16_t>(itemData(index).toUInt() & 0xFFFF);
}

void DeviceCombo::FillDevices() {
  const std::uint16_t previous = SelectedDrive();
  clear();
  int selected = -1;
  for (const DeviceListItem& drive : ListedDrives(ReadDeviceList())) {
    const int index = AddSorted(QString::fromStdU16String(drive.text));
    setItemData(index, QVariant::fromValue<uint>(drive.letter));
    // An insertion before the selected item moves it down by one.
    if (selected >= index) ++selected;
    if (drive.letter == previous) selected = index;
  }
  if (selected < 0 && count() > 0) selected = 0;
  setCurrentIndex(selected);
}
