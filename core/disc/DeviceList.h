// The engine's list of drives, read once and put in the order the drive list
// shows it. The drive list window and the command-line front end both list
// the drives from here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DeviceListItem {
  // The display text; for an unusable entry, the engine's text without its
  // leading '#', which says why the drive cannot be used.
  std::u16string text;
  // The drive letter: the text's first unit (0 for an empty text).
  std::uint16_t letter = 0;
  // False for an entry the engine marks with '#'; it is never listed.
  bool usable = true;
};

// Every entry of the engine's device list, in the engine's order.
std::vector<DeviceListItem> ReadDeviceList();

// The usable entries of items in the drive list's order: sorted by text,
// ignoring the case of ASCII letters, entries of equal text in their original
// order.
std::vector<DeviceListItem> ListedDrives(const std::vector<DeviceListItem>& items);
