#include "IdentityReplies.h"

#include <bit>

#include "ReplyBytes.h"

namespace wrenlo::drive {

std::optional<InquiryData> DecodeInquiry(std::span<const std::uint8_t> reply) {
  // Byte 4 is the additional length; the identification strings end at 36.
  const ReplyBytes all(reply);
  if (all.size() < 5) return std::nullopt;
  const ReplyBytes r = all.Prefix(5u + all.U8(4));
  if (r.size() < 36) return std::nullopt;
  InquiryData data;
  data.deviceType = r.U8(0) & 0x1F;
  data.vendor = r.Ascii(8, 8);
  data.product = r.Ascii(16, 16);
  data.revision = r.Ascii(32, 4);
  return data;
}

std::optional<std::vector<std::uint8_t>> DecodeSupportedVpdPages(
    std::span<const std::uint8_t> reply) {
  // Byte 1 page code 00h, bytes 2-3 page length, the page codes from byte 4.
  const ReplyBytes r(reply);
  if (r.size() < 4 || r.U8(1) != 0x00) return std::nullopt;
  const auto pages = r.Slice(4, r.U16(2));
  return std::vector<std::uint8_t>(pages.begin(), pages.end());
}

std::optional<std::string> DecodeUnitSerialNumber(std::span<const std::uint8_t> reply) {
  // Byte 1 page code, bytes 2-3 page length, the serial number from byte 4.
  const ReplyBytes r(reply);
  if (r.size() < 4 || r.U8(1) != 0x80) return std::nullopt;
  return r.Ascii(4, r.U16(2));
}

std::optional<RpcState> DecodeRpcState(std::span<const std::uint8_t> reply) {
  // Bytes 0-1 data length (6), then byte 4 type code / vendor resets / user
  // changes, byte 5 region mask, byte 6 RPC scheme.
  const ReplyBytes r(reply);
  if (r.size() < 8 || r.U16(0) < 6) return std::nullopt;
  RpcState state;
  const std::uint8_t b4 = r.U8(4);
  state.typeCode = b4 >> 6;
  state.vendorResets = (b4 >> 3) & 0x07;
  state.userChanges = b4 & 0x07;
  state.regionMask = r.U8(5);
  state.scheme = r.U8(6);
  return state;
}

std::int32_t RegionOf(const RpcState& state) {
  if (state.typeCode == 0) return 0;
  const std::uint8_t playable = static_cast<std::uint8_t>(~state.regionMask);
  if (std::popcount(playable) != 1) return 0;
  return std::countr_zero(playable) + 1;
}

std::optional<std::uint32_t> DecodeBufferCapacity(std::span<const std::uint8_t> reply) {
  // Bytes 0-1 data length (10), bytes 4-7 length of the buffer in bytes.
  const ReplyBytes r(reply);
  if (r.size() < 8 || r.U16(0) < 6) return std::nullopt;
  return r.U32(4);
}

}  // namespace wrenlo::drive
