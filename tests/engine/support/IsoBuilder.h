// Lays out small ISO 9660 images by hand, record by record, so that tests can
// make exactly the malformed structure they are about.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

class IsoBuilder {
 public:
  static constexpr std::uint32_t kRoot = 20;  // the root directory's sector

  // An image of sectors zeroed sectors with a primary volume descriptor at 16
  // (label "HANDMADE", root at kRoot, one sector long), a terminator at 17 and
  // the root's "." and ".." records.
  explicit IsoBuilder(std::uint32_t sectors = 64);

  // Starts a directory at sector: its "." record (with selfSystemUse as its
  // system use field) and a ".." record naming parent.
  void Directory(std::uint32_t sector, std::uint32_t parent,
                 const std::vector<std::uint8_t>& selfSystemUse = {});
  // Appends a record to the directory sector; flags 2 makes it a directory.
  // name is the raw identifier.
  void Record(std::uint32_t sector, std::string_view name, std::uint32_t location,
              std::uint32_t length, std::uint8_t flags = 0,
              const std::vector<std::uint8_t>& systemUse = {});
  // Appends raw bytes where the next record of sector would go.
  void Raw(std::uint32_t sector, const std::vector<std::uint8_t>& bytes);
  // Sets the data length of the root in the volume descriptor and in the
  // root's "." record.
  void RootLength(std::uint32_t length);

  std::vector<std::uint8_t>& Bytes() { return image_; }
  // Writes the image to path.
  void Save(const std::string& path) const;

 private:
  void Put(std::size_t offset, const std::vector<std::uint8_t>& bytes);
  std::vector<std::uint8_t> image_;
  std::map<std::uint32_t, std::size_t> cursor_;  // next record offset per sector
};

// The bytes of one directory record (ECMA-119 9.1), its system use field
// last.
std::vector<std::uint8_t> DirectoryRecordBytes(std::string_view name, std::uint32_t location,
                                               std::uint32_t length, std::uint8_t flags,
                                               const std::vector<std::uint8_t>& systemUse = {});

}  // namespace testing_support
