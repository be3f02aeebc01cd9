// A drive's reply as bounded big-endian fields: a field that lies past the
// bytes the drive returned reads as 0, so a decoder reads a whole record and
// checks its length once. Nothing here trusts a length field of the reply.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace wrenlo::drive {

class ReplyBytes {
 public:
  explicit ReplyBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }
  bool Has(std::size_t at, std::size_t count) const {
    return at <= bytes_.size() && count <= bytes_.size() - at;
  }

  std::uint8_t U8(std::size_t at) const { return Has(at, 1) ? bytes_[at] : 0; }
  std::uint16_t U16(std::size_t at) const {
    return Has(at, 2) ? static_cast<std::uint16_t>(bytes_[at] << 8 | bytes_[at + 1]) : 0;
  }
  std::uint32_t U32(std::size_t at) const {
    if (!Has(at, 4)) return 0;
    return std::uint32_t{bytes_[at]} << 24 | std::uint32_t{bytes_[at + 1]} << 16 |
           std::uint32_t{bytes_[at + 2]} << 8 | bytes_[at + 3];
  }
  bool Bit(std::size_t at, unsigned bit) const { return (U8(at) >> bit & 1) != 0; }

  // The bytes from at, at most count of them (fewer where the reply ends).
  std::span<const std::uint8_t> Slice(std::size_t at, std::size_t count) const {
    if (at >= bytes_.size()) return {};
    return bytes_.subspan(at, std::min(count, bytes_.size() - at));
  }
  // The first count bytes, or all of them when the reply is shorter.
  ReplyBytes Prefix(std::size_t count) const { return ReplyBytes(Slice(0, count)); }

  // An ASCII field (INQUIRY strings, serial numbers): bytes outside printable
  // ASCII become '?', leading and trailing blanks and NULs are dropped.
  std::string Ascii(std::size_t at, std::size_t count) const {
    std::string out;
    for (std::uint8_t c : Slice(at, count))
      out.push_back(c >= 0x20 && c < 0x7F ? char(c) : c == 0 ? ' ' : '?');
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace wrenlo::drive
