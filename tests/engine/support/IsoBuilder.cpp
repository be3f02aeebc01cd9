#include "IsoBuilder.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace testing_support {

namespace {

void BothEndian32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    out[at + 7 - i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

}  // namespace

std::vector<std::uint8_t> DirectoryRecordBytes(std::string_view name, std::uint32_t location,
                                               std::uint32_t length, std::uint8_t flags,
                                               const std::vector<std::uint8_t>& systemUse) {
  std::size_t size = 33 + name.size();
  if (size % 2 != 0) ++size;
  const std::size_t systemUseAt = size;
  size += systemUse.size();
  if (size % 2 != 0) ++size;
  std::vector<std::uint8_t> record(size);
  record[0] = static_cast<std::uint8_t>(size);
  BothEndian32(record, 2, location);
  BothEndian32(record, 10, length);
  record[25] = flags;
  record[28] = 1;  // volume sequence number 1, both-endian
  record[31] = 1;
  record[32] = static_cast<std::uint8_t>(name.size());
  std::memcpy(record.data() + 33, name.data(), name.size());
  std::copy(systemUse.begin(), systemUse.end(), record.begin() + systemUseAt);
  return record;
}

IsoBuilder::IsoBuilder(std::uint32_t sectors) : image_(std::size_t{sectors} * 2048) {
  std::vector<std::uint8_t> primary(2048, 0);
  primary[0] = 1;
  std::memcpy(&primary[1], "CD001", 5);
  primary[6] = 1;
  std::memset(&primary[8], ' ', 32);
  std::memset(&primary[40], ' ', 32);
  std::memcpy(&primary[40], "HANDMADE", 8);
  BothEndian32(primary, 80, sectors);
  primary[128] = 0x00;  // logical block size 2048, both-endian 16-bit
  primary[129] = 0x08;
  primary[130] = 0x08;
  primary[131] = 0x00;
  const std::vector<std::uint8_t> root =
      DirectoryRecordBytes(std::string_view("\0", 1), kRoot, 2048, 2);
  std::memcpy(&primary[156], root.data(), root.size());
  std::memset(&primary[813], '0', 4 * 17);
  Put(16 * 2048, primary);

  std::vector<std::uint8_t> terminator(7, 0);
  terminator[0] = 255;
  std::memcpy(&terminator[1], "CD001", 5);
  terminator[6] = 1;
  Put(17 * 2048, terminator);

  Directory(kRoot, kRoot);
}

void IsoBuilder::Directory(std::uint32_t sector, std::uint32_t parent,
                           const std::vector<std::uint8_t>& selfSystemUse) {
  cursor_[sector] = 0;
  Record(sector, std::string_view("\0", 1), sector, 2048, 2, selfSystemUse);
  Record(sector, std::string_view("\1", 1), parent, 2048, 2);
}

void IsoBuilder::Record(std::uint32_t sector, std::string_view name, std::uint32_t location,
                        std::uint32_t length, std::uint8_t flags,
                        const std::vector<std::uint8_t>& systemUse) {
  Raw(sector, DirectoryRecordBytes(name, location, length, flags, systemUse));
}

void IsoBuilder::Raw(std::uint32_t sector, const std::vector<std::uint8_t>& bytes) {
  std::size_t& cursor = cursor_[sector];
  Put(std::size_t{sector} * 2048 + cursor, bytes);
  cursor += bytes.size();
}

void IsoBuilder::RootLength(std::uint32_t length) {
  std::vector<std::uint8_t> field(8);
  BothEndian32(field, 0, length);
  Put(16 * 2048 + 156 + 10, field);
  Put(std::size_t{kRoot} * 2048 + 10, field);
}

void IsoBuilder::Put(std::size_t offset, const std::vector<std::uint8_t>& bytes) {
  if (offset + bytes.size() > image_.size()) image_.resize(offset + bytes.size());
  std::memcpy(image_.data() + offset, bytes.data(), bytes.size());
}

void IsoBuilder::Save(const std::string& path) const {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image_.data()),
             static_cast<std::streamsize>(image_.size()));
}

}  // namespace testing_support
