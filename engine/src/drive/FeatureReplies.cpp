#include "FeatureReplies.h"

#include <algorithm>

#include "ReplyBytes.h"

namespace wrenlo::drive {

bool Configuration::HasProfile(std::uint16_t profile) const {
  return std::find(profiles.begin(), profiles.end(), profile) != profiles.end();
}

bool Configuration::FeatureBit(std::uint16_t code, std::size_t at, unsigned bit) const {
  const auto it = features.find(code);
  return it != features.end() && ReplyBytes(it->second).Bit(at, bit);
}

bool Configuration::FeatureAnyBits(std::uint16_t code, std::size_t from, std::size_t to) const {
  const auto it = features.find(code);
  if (it == features.end()) return false;
  const ReplyBytes d(it->second);
  for (std::size_t i = from; i <= to; ++i)
    if (d.U8(i) != 0) return true;
  return false;
}

namespace {

// A 4-byte length field that counts the bytes after itself, as a whole length.
std::uint32_t LengthAfterU32(std::span<const std::uint8_t> reply) {
  const std::uint64_t length = std::uint64_t{ReplyBytes(reply).U32(0)} + 4;
  return length > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(length);
}

}  // namespace

std::uint32_t ConfigurationLength(std::span<const std::uint8_t> reply) {
  return LengthAfterU32(reply);
}

std::optional<Configuration> DecodeConfiguration(std::span<const std::uint8_t> reply) {
  // Header: bytes 0-3 data length (after those 4 bytes), 6-7 current profile;
  // feature descriptors from byte 8: code (2 bytes), flags, additional length.
  const ReplyBytes all(reply);
  if (all.size() < 8) return std::nullopt;
  const ReplyBytes r = all.Prefix(ConfigurationLength(reply));
  Configuration config;
  config.currentProfile = r.U16(6);
  std::size_t at = 8;
  while (r.Has(at, 4)) {
    const std::uint16_t code = r.U16(at);
    const std::size_t length = 4u + r.U8(at + 3);
    const auto descriptor = r.Slice(at, length);  // cut where the reply ends
    if (code == 0x0000) {
      for (std::size_t p = 4; p + 4 <= descriptor.size(); p += 4)
        config.profiles.push_back(ReplyBytes(descriptor).U16(p));
    }
    config.features.try_emplace(code, descriptor.begin(), descriptor.end());
    at += length;
  }
  return config;
}

std::uint32_t ModeSenseLength(std::span<const std::uint8_t> reply) {
  return ReplyBytes(reply).U16(0) + 2u;
}

std::optional<std::vector<std::uint8_t>> DecodeCapabilitiesPage(
    std::span<const std::uint8_t> modeSenseReply) {
  // Mode parameter header (10): bytes 0-1 mode data length, 6-7 block
  // descriptor length; the page follows the block descriptors.
  const ReplyBytes all(modeSenseReply);
  if (all.size() < 8) return std::nullopt;
  const ReplyBytes r = all.Prefix(ModeSenseLength(modeSenseReply));
  const std::size_t pageAt = 8u + r.U16(6);
  if (!r.Has(pageAt, 2) || (r.U8(pageAt) & 0x3F) != 0x2A) return std::nullopt;
  const auto page = r.Slice(pageAt, 2u + r.U8(pageAt + 1));
  return std::vector<std::uint8_t>(page.begin(), page.end());
}

std::uint32_t PerformanceLength(std::span<const std::uint8_t> reply) {
  return LengthAfterU32(reply);
}

std::optional<SpeedLimits> DecodeWriteSpeedDescriptors(std::span<const std::uint8_t> reply) {
  // Header of 8 bytes (bytes 0-3 performance data length), then 16-byte
  // descriptors: bytes 8-11 read speed, 12-15 write speed, in kB/s.
  const ReplyBytes all(reply);
  if (all.size() < 8) return std::nullopt;
  const ReplyBytes r = all.Prefix(PerformanceLength(reply));
  SpeedLimits limits;
  for (std::size_t at = 8; r.Has(at, 16); at += 16) {
    limits.readKB = std::max(limits.readKB, r.U32(at + 8));
    limits.writeKB = std::max(limits.writeKB, r.U32(at + 12));
  }
  return limits;
}

}  // namespace wrenlo::drive
