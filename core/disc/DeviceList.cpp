#include "core/disc/DeviceList.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <array>

#include "core/format/ElideMiddle.h"

namespace {

char16_t FoldCase(char16_t unit) {
  return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

bool TextBefore(const DeviceListItem& a, const DeviceListItem& b) {
  return std::lexicographical_compare(
      a.text.begin(), a.text.end(), b.text.begin(), b.text.end(),
      [](char16_t x, char16_t y) { return FoldCase(x) < FoldCase(y); });
}

}  // namespace

std::vector<DeviceListItem> ReadDeviceList() {
  std::array<wrenlo::DeviceListEntry, wrenlo::kMaxDevices> entries{};
  std::int32_t count = 0;
  wrenlo::GetDevices(entries.data(), &count, 0);
  count = std::clamp<std::int32_t>(count, 0, wrenlo::kMaxDevices);

  std::vector<DeviceListItem> items;
  for (std::int32_t i = 0; i < count; ++i) {
    DeviceListItem item;
    item.text = entries[static_cast<std::size_t>(i)].text.str();
    if (!item.text.empty() && item.text[0] == u'#') {
      item.usable = false;
      item.text.erase(0, 1);
    }
    item.letter = item.text.empty() ? 0 : item.text[0];
    if (item.usable) wrenlo::GetMissingSectors(item.letter, &item.missingSectors);
    items.push_back(std::move(item));
  }
  return items;
}

std::vector<DeviceListItem> ListedDrives(const std::vector<DeviceListItem>& items) {
  std::vector<DeviceListItem> drives;
  std::copy_if(items.begin(), items.end(), std::back_inserter(drives),
               [](const DeviceListItem& item) { return item.usable && !item.text.empty(); });
  std::stable_sort(drives.begin(), drives.end(), TextBefore);
  return drives;
}

std::vector<DeviceListItem> DevicesInListOrder(const std::vector<DeviceListItem>& items) {
  std::vector<DeviceListItem> ordered = ListedDrives(items);
  for (const DeviceListItem& item : items)
    if (!item.usable) ordered.push_back(item);
  return ordered;
}

namespace {

// One of the engine's whole texts of a drive letter (asked for its size,
// then read); empty when the engine has none or the letter is gone.
using WholeTextOperation = std::int32_t (*)(std::int32_t, char16_t*, std::int32_t*);

std::u16string ReadWholeText(WholeTextOperation operation, std::uint16_t letter) {
  std::int32_t units = 0;
  if (operation(letter, nullptr, &units) == 0 || units <= 1) return {};
  std::u16string text(static_cast<std::size_t>(units), u'\0');
  if (operation(letter, text.data(), &units) != 0) return {};
  text.resize(text.find(u'\0'));
  return text;
}

}  // namespace

std::u16string WholeDriveText(const DeviceListItem& item) {
  const std::u16string whole = ReadWholeText(
      item.usable ? wrenlo::GetDeviceName : wrenlo::GetDeviceUnusableReason, item.letter);
  if (whole.empty()) return item.text;
  return std::u16string{static_cast<char16_t>(item.letter), u':', u' '} + whole;
}

std::u16string DrivePath(const DeviceListItem& item) {
  return ReadWholeText(wrenlo::GetDevicePath, item.letter);
}

std::u16string PartialCopyText(std::int64_t missing) {
  if (missing <= 0) return {};
  const std::string count = std::to_string(missing);
  return u"partial copy, " + std::u16string(count.begin(), count.end()) +
         (missing == 1 ? u" sector missing" : u" sectors missing");
}

std::u16string DriveToolTipText(const DeviceListItem& item) {
  std::u16string text = WholeDriveText(item);
  if (const std::u16string partial = PartialCopyText(item.missingSectors); !partial.empty())
    text += u"\nA " + partial;
  if (const std::u16string path = DrivePath(item); !path.empty()) text += u'\n' + path;
  return text;
}

std::u16string DriveListText(const DeviceListItem& item) {
  if (item.missingSectors <= 0) return ElideMiddle(WholeDriveText(item), kDriveTextUnits);
  const std::string count = std::to_string(item.missingSectors);
  const std::u16string suffix =
      u" (partial copy, " + std::u16string(count.begin(), count.end()) + u" missing)";
  return ElideMiddle(WholeDriveText(item), kDriveTextUnits - suffix.size()) + suffix;
}
