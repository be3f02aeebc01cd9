// The drop-down list of drives. The drives' items are kept sorted by text, as
// a sorted Windows combo box keeps them; each item's data is its drive letter.
// Entries the engine cannot use follow them, greyed out and never selected,
// with the reason as their tooltip. A text too long for the list is shortened
// in its middle; every item's tooltip holds the whole text.
#pragma once

#include "gui/platform/SortedComboBox.h"

struct DeviceListItem;

class DeviceCombo : public SortedComboBox {
 public:
  explicit DeviceCombo(QWidget* parent = nullptr);

  // Refills the list from the engine's device list and selects the
  // previously selected drive when it is still listed, else the first drive.
  void FillDevices();
  // The drive letter of the selected item; 0 without selection.
  std::uint16_t SelectedDrive() const;
  // Selects the drive with this letter; false (and the selection as it was)
  // when it is not listed.
  bool SelectDrive(std::uint16_t letter);

 private:
  void AddUnusable(const DeviceListItem& item);
};
