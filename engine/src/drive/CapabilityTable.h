// Which of a drive's own statements answers each capability code: one table,
// code -> sources, over MODE SENSE page 2Ah and GET CONFIGURATION's profiles
// and features. A drive that reports any one source supports the ability; a
// drive that lacks the page or a feature simply does not.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "FeatureReplies.h"

namespace wrenlo::drive {

struct DriveFeatures {
  std::optional<std::vector<std::uint8_t>> capabilitiesPage;  // page 2Ah, from its byte 0
  Configuration configuration;
};

struct CapabilitySource {
  enum Kind : std::uint8_t {
    kNone,               // an unused slot of a row
    kPageBit,            // page 2Ah byte a, bit b
    kProfile,            // profile a in the Profile List
    kFeature,            // feature a present
    kFeatureBit,         // feature a, descriptor byte b, bit c
    kFeatureBytes,       // feature a, any bit set in descriptor bytes b to c
    kProfileAndFeature,  // profile a listed and feature b present
  };
  Kind kind = kNone;
  std::uint16_t a = 0;
  std::uint16_t b = 0;
  std::uint16_t c = 0;
};

struct CapabilityRow {
  std::uint64_t code = 0;
  bool writesMedium = false;  // a "Writes ..." row
  CapabilitySource sources[5];
};

// The table itself, one row per distinct code of wrenlo::cap.
std::span<const CapabilityRow> CapabilityRows();

bool HasCapability(std::uint64_t code, const DriveFeatures& features);
// True when the drive writes any medium.
bool WritesAnything(const DriveFeatures& features);

}  // namespace wrenlo::drive
