// Decoders of the replies that say what a drive can do: GET CONFIGURATION
// (the profile list, the current profile and every feature descriptor),
// MODE SENSE(10) page 2Ah (CD/DVD Capabilities and Mechanical Status) and
// GET PERFORMANCE type 03h (write speed descriptors).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace wrenlo::drive {

// MMC profile numbers the engine names.
inline constexpr std::uint16_t kProfileNone = 0x0000;
inline constexpr std::uint16_t kProfileCdRom = 0x0008;
inline constexpr std::uint16_t kProfileDvdRom = 0x0010;

struct Configuration {
  std::uint16_t currentProfile = kProfileNone;  // the medium in the drive; 0 = none
  std::vector<std::uint16_t> profiles;          // Profile List feature, in reply order
  // Every feature descriptor by its code, each as its bytes from the
  // descriptor's own byte 0 (so feature byte N is element N).
  std::map<std::uint16_t, std::vector<std::uint8_t>> features;

  bool HasProfile(std::uint16_t profile) const;
  bool HasFeature(std::uint16_t code) const { return features.count(code) != 0; }
  // Bit `bit` of byte `at` of a feature's descriptor; false when absent.
  bool FeatureBit(std::uint16_t code, std::size_t at, unsigned bit) const;
  // True when any byte from..to (inclusive) of the descriptor is non-zero.
  bool FeatureAnyBits(std::uint16_t code, std::size_t from, std::size_t to) const;
};

// The whole reply's length as its header announces it (data length + 4).
std::uint32_t ConfigurationLength(std::span<const std::uint8_t> reply);
// nullopt when the reply is shorter than its 8-byte header.
std::optional<Configuration> DecodeConfiguration(std::span<const std::uint8_t> reply);

// The length of a MODE SENSE(10) reply as its header announces it.
std::uint32_t ModeSenseLength(std::span<const std::uint8_t> reply);
// Page 2Ah's bytes from its page code byte (page byte N is element N), cut to
// the page length; nullopt when the reply holds no page 2Ah.
std::optional<std::vector<std::uint8_t>> DecodeCapabilitiesPage(
    std::span<const std::uint8_t> modeSenseReply);

// The length of a GET PERFORMANCE reply as its header announces it.
std::uint32_t PerformanceLength(std::span<const std::uint8_t> reply);
// The highest read and write speeds (kB/s) over the write speed descriptors.
struct SpeedLimits {
  std::uint32_t readKB = 0;
  std::uint32_t writeKB = 0;
};
std::optional<SpeedLimits> DecodeWriteSpeedDescriptors(std::span<const std::uint8_t> reply);

}  // namespace wrenlo::drive
