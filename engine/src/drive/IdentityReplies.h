// Decoders of the replies that say what a drive is: standard INQUIRY, the
// Unit Serial Number VPD page (80h), REPORT KEY's RPC state (key format 08h)
// and READ BUFFER CAPACITY. Each takes the bytes the drive returned and
// gives nothing (std::nullopt) for a reply too short or of another kind.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace wrenlo::drive {

struct InquiryData {
  std::uint8_t deviceType = 0;  // 05h for CD/DVD devices
  std::string vendor;           // bytes 8-15
  std::string product;          // bytes 16-31
  std::string revision;         // bytes 32-35
};
std::optional<InquiryData> DecodeInquiry(std::span<const std::uint8_t> reply);

// The pages listed by VPD page 00h (Supported VPD Pages); nullopt when the
// reply is not that page (a drive that ignores EVPD sends its standard
// INQUIRY data, whose byte 1 may well read 80h).
std::optional<std::vector<std::uint8_t>> DecodeSupportedVpdPages(
    std::span<const std::uint8_t> reply);

// The serial number of VPD page 80h; nullopt when the reply is not that page.
std::optional<std::string> DecodeUnitSerialNumber(std::span<const std::uint8_t> reply);

// REPORT KEY, key format 08h (MMC: RPC State).
struct RpcState {
  std::uint8_t typeCode = 0;  // 0 no region set, 1 set, 2 last chance, 3 permanent
  std::uint8_t vendorResets = 0;
  std::uint8_t userChanges = 0;
  std::uint8_t regionMask = 0xFF;  // a set bit = that region may NOT be played
  std::uint8_t scheme = 0;         // 0 none / RPC-I, 1 RPC-II
};
std::optional<RpcState> DecodeRpcState(std::span<const std::uint8_t> reply);
// The region the drive is set to (1 to 8), or 0 when none is set: the one
// clear bit of the mask, when exactly one is clear.
std::int32_t RegionOf(const RpcState& state);

// READ BUFFER CAPACITY (block bit 0): the buffer's length in bytes.
std::optional<std::uint32_t> DecodeBufferCapacity(std::span<const std::uint8_t> reply);

}  // namespace wrenlo::drive
