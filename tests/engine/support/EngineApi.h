// Helpers for tests that drive the engine through its public operations.
#pragma once

#include <wrenlo/wrenlo.h>

#include <string>
#include <vector>

namespace testing_support {

// Sets WRENLO_IMAGES to the paths and lists the drives anew.
void UseImages(const std::vector<std::string>& paths);
// The display texts GetDevices reports.
std::vector<std::u16string> DeviceTexts();
// Makes the drive with this letter current (SetBurnDevice, SetReadDevice).
std::int32_t Select(char16_t letter);

// A 2048-byte-sector image of sectors sectors at path (sparse, zeros).
void MakeSparseImage(const std::string& path, std::uint64_t sectors);

// UTF-16 text as UTF-8, for test messages.
std::string Narrow(const std::u16string& text);

}  // namespace testing_support
