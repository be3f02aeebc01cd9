// What the "Check for Firmware Update" box says: the drive's identity and
// firmware, which the user takes to the drive maker's support pages, since
// nothing here can learn of new firmware without the network.
#pragma once

#include <string>

class DeviceContext;

// "Vendor: ...", "Model: ...", "Firmware revision: ...", "Firmware date: ..."
// lines, LF-ended; an empty value reads "not reported".
std::u16string FirmwareFacts(const DeviceContext& context);

// One line: for a virtual drive, that a disc image needs no firmware; for a
// drive, where to look for newer firmware.
std::u16string FirmwareAdvice(const DeviceContext& context);
