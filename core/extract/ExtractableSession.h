// Whether a drive's medium has files to extract: its last session (the one
// the scan page tests) opens a file system.
#pragma once

#include <cstdint>
#include <optional>

class DeviceContext;

// The first track of the medium's last session when it holds a file system;
// nothing without a medium or a file system.
std::optional<std::int32_t> ExtractableTrack(const DeviceContext& context);
