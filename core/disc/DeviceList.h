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
  // False for an entry the engine marks with '#'; it is listed after the
  // drives and cannot be chosen.
  bool usable = true;
  // Of an image drive reading a copy of a disc with its mapfile: how many
  // sectors the copy lacks (0 for a whole copy); -1 for any other drive.
  std::int64_t missingSectors = -1;
};

// What the drive list, the tooltip and the media page say of a copy that
// lacks missing sectors: "partial copy, 1234 sectors missing"; empty for a
// whole copy or any other drive (missing 0 or -1).
std::u16string PartialCopyText(std::int64_t missing);

// The most code units a drive's text takes in the drive list.
inline constexpr std::size_t kDriveTextUnits = 49;

// Every entry of the engine's device list, in the engine's order.
std::vector<DeviceListItem> ReadDeviceList();

// The usable entries of items in the drive list's order: sorted by text,
// ignoring the case of ASCII letters, entries of equal text in their original
// order.
std::vector<DeviceListItem> ListedDrives(const std::vector<DeviceListItem>& items);

// Every entry of items as the drive list shows them: the usable ones in
// ListedDrives' order, then the unusable ones in the engine's order.
std::vector<DeviceListItem> DevicesInListOrder(const std::vector<DeviceListItem>& items);

// The whole text of an entry, where the list's entry holds only the first 49
// units: for a drive, "D: " and its whole name (vendor and model, or the
// image's file name); for an unusable entry, "H: " and the whole reason the
// engine gives for it (the image's name and its problem). The entry's own
// text when the engine gives no more.
std::u16string WholeDriveText(const DeviceListItem& item);

// The entry's device node or image path; empty when the engine gives none.
std::u16string DrivePath(const DeviceListItem& item);

// What the drive list's tooltip says of an entry: its whole text and, on
// lines of their own, that it is a partial copy and its path when the engine
// gives one.
std::u16string DriveToolTipText(const DeviceListItem& item);

// The entry's whole text shortened in the middle to kDriveTextUnits units,
// as the drive list and the command line show it; of a partial copy, the
// whole text shortened further and " (partial copy, 1234 missing)" after it.
std::u16string DriveListText(const DeviceListItem& item);
