#include "core/report/FirmwareText.h"

#include "core/disc/DeviceContext.h"
#include "core/report/DeviceFeaturesRows.h"

namespace {

// The value of the General Information row with that label.
std::u16string GeneralValue(const PropertyGroups& groups, std::u16string_view label) {
  for (const PropertyRow& row : groups[kGeneralInformation].rows)
    if (row.label == label) return row.value;
  return {};
}

std::u16string Line(std::u16string_view name, std::u16string value) {
  return std::u16string(name) + u": " + (value.empty() ? u"not reported" : value) + u"\n";
}

}  // namespace

std::u16string FirmwareFacts(const DeviceContext& context) {
  const PropertyGroups rows = DeviceFeaturesRows(context);
  return Line(u"Vendor", GeneralValue(rows, u"Vendor")) +
         Line(u"Model", GeneralValue(rows, u"Model")) +
         Line(u"Firmware revision", GeneralValue(rows, u"Firmware Revision")) +
         Line(u"Firmware date", GeneralValue(rows, u"Firmware Date"));
}

std::u16string FirmwareAdvice(const DeviceContext& context) {
  if (context.IsVirtualDrive())
    return u"This drive is a disc image: it has no firmware and needs no update.";
  return u"Whether newer firmware exists only the drive's maker can say: look for this model "
         u"and revision on the maker's support pages.";
}
