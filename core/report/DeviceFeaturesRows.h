// What the device features page shows about a drive: identity, DVD region,
// the media it reads and writes with its top speeds, and further abilities,
// each ability asked of the engine through the context's capabilities handle.
#pragma once

#include "core/report/PropertyRows.h"

class DeviceContext;

enum DeviceFeaturesGroup {
  kGeneralInformation,
  kDvdFeatures,
  kReadFeatures,
  kWriteFeatures,
  kMiscFeatures,
};

// The titles of the page's groups, in declaration order.
const std::vector<std::u16string>& DeviceFeaturesGroupTitles();

// Every row of the page for context. Asks the engine its 46 capability
// questions, one after another, in the order the rows are shown.
PropertyGroups DeviceFeaturesRows(const DeviceContext& context);
