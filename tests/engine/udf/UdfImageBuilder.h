// Builds small UDF images in memory for tests and fuzz seeds: a volume
// structure with correct tags and CRCs around a tree of files and
// directories, in the forms no Debian tool writes (metadata partition with
// files, extended file entries, long and embedded allocation descriptors,
// allocation extent continuations, 8- and 16-bit names, a VAT, a moved
// packet of a sparable partition).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "FileSystem.h"

namespace udftest {

struct Node {
  std::u16string name;
  bool directory = false;
  std::vector<std::uint8_t> data;  // a file's content
  std::vector<Node> children;      // a directory's
  // When set, the entry is only a name for the entry at this path (joined
  // with '/'; "" = the root): a hard link, or with an ancestor a loop.
  const char16_t* linkTo = nullptr;

  static Node File(std::u16string name, std::vector<std::uint8_t> data) {
    return {std::move(name), false, std::move(data), {}, nullptr};
  }
  static Node Dir(std::u16string name, std::vector<Node> children) {
    return {std::move(name), true, {}, std::move(children), nullptr};
  }
  static Node Link(std::u16string name, bool directory, const char16_t* target) {
    return {std::move(name), directory, {}, {}, target};
  }
};

enum class Ads { kShort, kLong, kEmbedded };
enum class Layout {
  kCompact,     // anchor only at the last sector; a few dozen sectors
  kAnchorAt256  // volume recognition, anchor at 256 and at the last sector
};
enum class Partitioning {
  kPhysical,  // entries and data in one type 1 partition
  kMetadata,  // entries and directories in a metadata partition (with a duplicate mirror)
  kVat,       // entries and directories in a virtual partition; the VAT at the last sector
  kSparable,  // a sparable partition whose first packet was moved to a spare area
};

struct Options {
  std::uint16_t revision = 0x0201;
  std::u16string label = u"Builder";
  Layout layout = Layout::kCompact;
  Partitioning partitioning = Partitioning::kPhysical;
  bool extendedEntries = false;
  Ads ads = Ads::kShort;  // embedded: data that fits in the entry is kept there
  // > 0: data split into extents of at most this many blocks.
  std::uint32_t extentBlocks = 0;
  bool gapsBetweenExtents = false;  // leave a free block between a file's extents
  // > 0: at most this many descriptors in an entry or allocation extent
  // descriptor, the rest continued in further allocation extent descriptors.
  std::uint32_t descriptorsPerBlock = 0;
  bool wideNames = false;  // 16-bit CS0 even where 8-bit would do
};

struct Image {
  std::vector<std::uint8_t> bytes;
  // Where things landed (absolute sectors), for tests that damage them.
  std::uint32_t mainLogicalVolume = 0;
  std::uint32_t reserveLogicalVolume = 0;
  std::uint32_t integrity = 0;
  std::uint32_t fileSet = 0;
  std::uint32_t metadataFile = 0;  // the metadata file's entry; the mirror's follows it
  std::uint32_t mirrorOffset = 0;  // sectors from a metadata block to its mirror copy
  std::map<std::u16string, std::uint32_t> entries;                     // path -> file entry
  std::map<std::u16string, std::vector<std::uint32_t>> continuations;  // path -> AEDs
  std::map<std::u16string, std::vector<wrenlo::Extent>> extents;       // file path -> data
  std::int32_t files = 0;
  std::int32_t directories = 0;

  std::uint8_t* Sector(std::uint32_t sector) { return bytes.data() + std::size_t{sector} * 2048; }
  std::uint32_t SectorCount() const { return static_cast<std::uint32_t>(bytes.size() / 2048); }
};

Image BuildImage(const Node& root, const Options& options);

// Recomputes the checksum and CRC of the descriptor whose tag starts at
// offset, after a test changed it (the CRC over the length its tag gives).
void Retag(std::vector<std::uint8_t>& bytes, std::size_t offset);

// Deterministic bytes for file contents.
std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed);

}  // namespace udftest
