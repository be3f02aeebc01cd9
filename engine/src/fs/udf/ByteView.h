// Little-endian reads from a bounded run of bytes. A read that would pass the
// end yields 0 (or an empty view) and marks the view failed, so a decoder can
// read a whole record and check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace wrenlo::udf {

class ByteView {
 public:
  ByteView() = default;
  explicit ByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Size() const { return bytes_.size(); }
  bool Failed() const { return failed_; }
  std::span<const std::uint8_t> Span() const { return bytes_; }

  bool Has(std::size_t offset, std::size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  std::uint8_t U8(std::size_t offset) { return static_cast<std::uint8_t>(Read(offset, 1)); }
  std::uint16_t U16(std::size_t offset) { return static_cast<std::uint16_t>(Read(offset, 2)); }
  std::uint32_t U32(std::size_t offset) { return static_cast<std::uint32_t>(Read(offset, 4)); }
  std::uint64_t U64(std::size_t offset) { return Read(offset, 8); }

  // length bytes from offset, or an empty span (and the view failed).
  std::span<const std::uint8_t> Bytes(std::size_t offset, std::size_t length) {
    if (!Has(offset, length)) {
      failed_ = true;
      return {};
    }
    return bytes_.subspan(offset, length);
  }

 private:
  std::uint64_t Read(std::size_t offset, std::size_t length) {
    if (!Has(offset, length)) {
      failed_ = true;
      return 0;
    }
    std::uint64_t value = 0;
    for (std::size_t i = length; i-- > 0;) value = (value << 8) | bytes_[offset + i];
    return value;
  }

  std::span<const std::uint8_t> bytes_;
  bool failed_ = false;
};

}  // namespace wrenlo::udf
