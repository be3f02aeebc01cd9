// Where a copy reads from: a drive of the engine, read as user data (2048
// bytes a sector) or as whole sectors (2352), and its read speed.
#pragma once

#include <cstdint>
#include <string>

class CopySource {
 public:
  virtual ~CopySource() = default;
  // Reads count sectors from address into out; the engine's result, 0 when
  // every byte was read.
  virtual std::int32_t Read(std::int64_t address, std::int32_t count, std::uint8_t* out) = 0;
  // Has the drive read at x times its medium's base speed from now on, 0 at
  // its fastest; false when the drive did not take it.
  virtual bool SetSpeed(int x) = 0;
};

// The drive with this letter, as the engine reads it.
class DriveCopySource final : public CopySource {
 public:
  // wholeSectors: 2352-byte reads (ReadSectors' kReadRawSector).
  DriveCopySource(std::uint16_t driveLetter, bool wholeSectors, std::u16string mediumType);
  std::int32_t Read(std::int64_t address, std::int32_t count, std::uint8_t* out) override;
  bool SetSpeed(int x) override;

 private:
  std::uint16_t driveLetter_;
  bool wholeSectors_;
  std::u16string mediumType_;
};
