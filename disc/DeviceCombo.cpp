#include "disc/DeviceCombo.h"

#include <wrenlo/wrenlo.h>

#include <array>

DeviceCombo::DeviceCombo(QWidget* parent) : SortedComboBox(parent) {}

std::uint16_t DeviceCombo::SelectedDrive() const {
  const int index = currentIndex();
  return index < 0 ? 0 : static_cast<std::uint16_t>(itemData(index).toUInt() & 0xFFFF);
}

void DeviceCombo::FillDevices() {
  const std::uint16_t previous = SelectedDrive();
  clear();
  std::array<wrenlo::DeviceListEntry, wrenlo::kMaxDevices> entries{};
  std::int32_t listed = 0;
  wrenlo::GetDevices(entries.data(), &listed, 0);
  if (listed > wrenlo::kMaxDevices) listed = wrenlo::kMaxDevices;
  int selected = -1;
  for (std::int32_t i = 0; i < listed; ++i) {
    const std::u16string text = entries[static_cast<std::size_t>(i)].text.str();
    if (text.empty() || text[0] == u'#') continue;
    const int index = AddSorted(QString::fromStdU16String(text));
    const std::uint16_t letter = text[0];
    setItemData(index, QVariant::fromValue<uint>(letter));
    // An insertion before the selected item moves it down by one.
    if (selected >= index) ++selected;
    if (letter == previous) selected = index;
  }
  if (selected < 0 && count() > 0) selected = 0;
  setCurrentIndex(selected);
}
