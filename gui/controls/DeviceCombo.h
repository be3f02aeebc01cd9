// The drop-down list of drives. Items are kept sorted by text, as a sorted
// Windows combo box keeps them; each item's data is its drive letter.
#pragma once

#include "gui/platform/SortedComboBox.h"

class DeviceCombo : public SortedComboBox {
 public:
  explicit DeviceCombo(QWidget* parent = nullptr);

  // Refills the list from the engine's device list, leaving out unusable
  // ("#") entries, and selects the previously selected drive when it is still
  // listed, else the first item.
  void FillDevices();
  // The drive letter of the selected item; 0 without selection.
  std::uint16_t SelectedDrive() const;
};
