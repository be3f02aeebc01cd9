// Damaged and hostile volumes: each gives its exact error (or reads on
// through the copy that survived), never a crash, a hang or a huge
// allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "UdfImageBuilder.h"
#include "UdfTestSupport.h"

namespace udftest {
namespace {

using namespace wrenlo;

Node HostileTree() {
  return Node::Dir(u"", {
                            Node::File(u"a.txt", Pattern(100, 1)),
                            Node::File(u"big.bin", Pattern(5 * 2048, 2)),
                            Node::Dir(u"sub",
                                      {
                                          Node::File(u"c.txt", Pattern(10, 3)),
                                          Node::Link(u"loop", true, u""),
                                          Node::Link(u"self", true, u"sub"),
                                      }),
                        });
}

Options HostileOptions(Partitioning partitioning = Partitioning::kPhysical) {
  Options options;
  options.partitioning = partitioning;
  options.revision = partitioning == Partitioning::kMetadata ? 0x0250 : 0x0201;
  options.extentBlocks = 1;
  options.gapsBetweenExtents = true;
  options.descriptorsPerBlock = 2;  // big.bin continues in AEDs
  return options;
}

std::uint32_t Get32(Image& image, std::uint32_t sector, std::size_t offset) {
  const std::uint8_t* p = image.Sector(sector) + offset;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

// Writes a little-endian field of a descriptor and fixes its tag, so that
// only the field itself is wrong.
void Set(Image& image, std::uint32_t sector, std::size_t offset, std::uint64_t value, int size,
         bool retag = true) {
  for (int i = 0; i < size; ++i)
    image.Sector(sector)[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  if (retag) Retag(image.bytes, std::size_t{sector} * 2048);
}

// Byte offset of the file identifier descriptor naming name (8-bit CS0).
std::size_t FindIdentifier(Image& image, const std::string& name) {
  std::vector<std::uint8_t> needle{8};
  needle.insert(needle.end(), name.begin(), name.end());
  const auto found =
      std::search(image.bytes.begin(), image.bytes.end(), needle.begin(), needle.end());
  return static_cast<std::size_t>(found - image.bytes.begin()) - 38;
}

enum class Call { kOpen, kList, kExtents };

struct HostileCase {
  const char* what;
  Partitioning partitioning;
  std::function<void(Image&)> damage;
  Call call;
  const char16_t* path;
  Result expected;
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.what; }

const HostileCase kCases[] = {
    {"a directory entry that names the root", Partitioning::kPhysical, [](Image&) {}, Call::kList,
     u"sub/loop", kCorruptFileSystem},
    {"a directory entry that names its own directory", Partitioning::kPhysical, [](Image&) {},
     Call::kList, u"sub/self", kCorruptFileSystem},
    {"an allocation extent descriptor continued in itself", Partitioning::kPhysical,
     [](Image& image) {
       const std::uint32_t aed = image.continuations.at(u"big.bin").front();
       const std::uint32_t used = Get32(image, aed, 20);
       Set(image, aed, 24 + used - 4, Get32(image, aed, 12), 4);  // continuation -> own block
     },
     Call::kExtents, u"big.bin", kCorruptFileSystem},
    {"a continuation that names a file entry, not an AED", Partitioning::kPhysical,
     [](Image& image) {
       const std::uint32_t entry = image.entries.at(u"big.bin");
       Set(image, entry, 176 + 8 + 4, Get32(image, entry, 12), 4);
     },
     Call::kExtents, u"big.bin", kCorruptFileSystem},
    {"a directory said to be 1 TiB long, its runs far shorter", Partitioning::kPhysical,
     [](Image& image) { Set(image, image.entries.at(u""), 56, std::uint64_t{1} << 40, 8); },
     Call::kList, u"", kCorruptFileSystem},
    {"a directory whose data is allocated but not recorded", Partitioning::kPhysical,
     [](Image& image) {
       const std::uint32_t root = image.entries.at(u"");
       Set(image, root, 176, Get32(image, root, 176) | (1u << 30), 4);
     },
     Call::kList, u"", kCorruptFileSystem},
    {"a file entry with a bad tag checksum", Partitioning::kPhysical,
     [](Image& image) { image.Sector(image.entries.at(u"a.txt"))[4] ^= 0x5A; }, Call::kExtents,
     u"a.txt", kCorruptFileSystem},
    {"a directory entry whose CRC fails", Partitioning::kPhysical,
     [](Image& image) { image.Sector(image.entries.at(u"sub"))[60] ^= 1; }, Call::kList, u"sub",
     kCorruptFileSystem},
    {"a file entry recorded for another block", Partitioning::kPhysical,
     [](Image& image) { Set(image, image.entries.at(u"a.txt"), 12, 7, 4); }, Call::kExtents,
     u"a.txt", kCorruptFileSystem},
    {"a file set descriptor with a bad tag checksum", Partitioning::kPhysical,
     [](Image& image) { image.Sector(image.fileSet)[4] ^= 1; }, Call::kOpen, u"",
     kCorruptFileSystem},
    {"a partition map running past its descriptor, in both sequences", Partitioning::kPhysical,
     [](Image& image) {
       for (const std::uint32_t lvd : {image.mainLogicalVolume, image.reserveLogicalVolume})
         Set(image, lvd, 441, 64, 1);
     },
     Call::kOpen, u"", kCorruptFileSystem},
    {"a partition map table longer than its sector, in both sequences", Partitioning::kPhysical,
     [](Image& image) {
       for (const std::uint32_t lvd : {image.mainLogicalVolume, image.reserveLogicalVolume})
         Set(image, lvd, 264, 4000, 4);
     },
     Call::kOpen, u"", kCorruptFileSystem},
    {"a partition map past its descriptor in the main sequence only", Partitioning::kPhysical,
     [](Image& image) { Set(image, image.mainLogicalVolume, 441, 64, 1); }, Call::kList, u"sub",
     kOk},
    {"a main logical volume descriptor with a bad checksum", Partitioning::kPhysical,
     [](Image& image) { image.Sector(image.mainLogicalVolume)[4] ^= 1; }, Call::kList, u"sub", kOk},
    {"both logical volume descriptors with bad checksums", Partitioning::kPhysical,
     [](Image& image) {
       image.Sector(image.mainLogicalVolume)[4] ^= 1;
       image.Sector(image.reserveLogicalVolume)[4] ^= 1;
     },
     Call::kOpen, u"", kCorruptFileSystem},
    {"a volume descriptor pointer back to its own sequence", Partitioning::kPhysical,
     [](Image& image) {
       for (const std::uint32_t lvd : {image.mainLogicalVolume, image.reserveLogicalVolume}) {
         const std::uint32_t pointer = lvd - 2;  // in place of the implementation use descriptor
         std::fill_n(image.Sector(pointer) + 16, 2032, 0);
         Set(image, pointer, 0, 3, 2, false);
         Set(image, pointer, 10, 24 - 16, 2, false);
         Set(image, pointer, 20, 6 * 2048, 4, false);
         Set(image, pointer, 24, lvd - 3, 4);
       }
     },
     Call::kOpen, u"", kCorruptFileSystem},
    {"no anchor anywhere", Partitioning::kPhysical,
     [](Image& image) { std::fill_n(image.Sector(image.SectorCount() - 1), 2048, 0); }, Call::kOpen,
     u"", kNoFileSystem},
    {"an anchor with a bad checksum", Partitioning::kPhysical,
     [](Image& image) { image.Sector(image.SectorCount() - 1)[4] ^= 1; }, Call::kOpen, u"",
     kCorruptFileSystem},
    {"an integrity sequence continued in itself", Partitioning::kPhysical,
     [](Image& image) {
       Set(image, image.integrity, 32, 2048, 4, false);
       Set(image, image.integrity, 36, image.integrity, 4);
     },
     Call::kOpen, u"", kCorruptFileSystem},
    {"a child entry past the end of its partition", Partitioning::kPhysical,
     [](Image& image) {
       const std::size_t fid = FindIdentifier(image, "c.txt");
       for (int i = 0; i < 4; ++i) image.bytes[fid + 24 + i] = 0xEE;
       Retag(image.bytes, fid);
     },
     Call::kExtents, u"sub/c.txt", kCorruptFileSystem},
    {"a name in an unknown compression", Partitioning::kPhysical,
     [](Image& image) {
       const std::size_t fid = FindIdentifier(image, "c.txt");
       image.bytes[fid + 38] = 9;
       Retag(image.bytes, fid);
     },
     Call::kList, u"sub", kCorruptFileSystem},
    {"a file longer than its extents", Partitioning::kPhysical,
     [](Image& image) { Set(image, image.entries.at(u"a.txt"), 56, 3 * 2048, 8); }, Call::kExtents,
     u"a.txt", kCorruptFileSystem},
    {"allocation descriptors running past the entry's block", Partitioning::kPhysical,
     [](Image& image) { Set(image, image.entries.at(u"a.txt"), 172, 2000, 4); }, Call::kExtents,
     u"a.txt", kCorruptFileSystem},
    {"an entry recorded with strategy 4096", Partitioning::kPhysical,
     [](Image& image) { Set(image, image.entries.at(u"a.txt"), 20, 4096, 2); }, Call::kExtents,
     u"a.txt", kUnsupported},
    {"a path deeper than any volume allows", Partitioning::kPhysical, [](Image&) {}, Call::kList,
     nullptr, kTooLarge},
    {"a broken metadata file with a sound mirror", Partitioning::kMetadata,
     [](Image& image) { image.Sector(image.metadataFile)[4] ^= 1; }, Call::kExtents, u"sub/c.txt",
     kOk},
    {"a directory entry broken in the metadata file, sound in the mirror", Partitioning::kMetadata,
     [](Image& image) { image.Sector(image.entries.at(u"sub"))[4] ^= 1; }, Call::kExtents,
     u"sub/c.txt", kOk},
    {"a directory entry broken in both metadata copies", Partitioning::kMetadata,
     [](Image& image) {
       image.Sector(image.entries.at(u"sub"))[4] ^= 1;
       image.Sector(image.entries.at(u"sub") + image.mirrorOffset)[4] ^= 1;
     },
     Call::kList, u"sub", kCorruptFileSystem},
    {"a VAT that is not there", Partitioning::kVat,
     [](Image& image) { std::fill_n(image.Sector(image.SectorCount() - 1), 2048, 0); }, Call::kOpen,
     u"", kCorruptFileSystem},
};

class HostileImage : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileImage, GivesItsExactResult) {
  const HostileCase& c = GetParam();
  Image image = BuildImage(HostileTree(), HostileOptions(c.partitioning));
  c.damage(image);
  OpenedImage opened = OpenImage(std::move(image.bytes));
  if (c.call == Call::kOpen) {
    EXPECT_EQ(opened.result, c.expected);
    return;
  }
  ASSERT_EQ(opened.result, kOk);
  std::u16string path = c.path ? c.path : u"";
  if (!c.path)
    for (int i = 0; i < 300; ++i) path += u"/sub";
  if (c.call == Call::kList) {
    std::vector<DirectoryItem> items;
    EXPECT_EQ(opened.fileSystem->ListDirectory(path, items), c.expected);
  } else {
    std::vector<Extent> extents;
    EXPECT_EQ(opened.fileSystem->FileExtents(path, extents), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Damage, HostileImage, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<HostileCase>& info) {
                           return "Case" + std::to_string(info.index);
                         });

// A file extent pointing past the medium is reported where it points, so
// that verifying the file fails on those sectors; nothing wraps around.
TEST(HostileImage, ExtentPastTheMediumIsReportedThere) {
  Image image = BuildImage(HostileTree(), HostileOptions());
  const std::uint32_t entry = image.entries.at(u"a.txt");
  Set(image, entry, 176 + 4, 0xFFFFFFF0, 4);
  OpenedImage opened = OpenImage(std::move(image.bytes));
  ASSERT_EQ(opened.result, kOk);
  std::vector<Extent> extents;
  ASSERT_EQ(opened.fileSystem->FileExtents(u"a.txt", extents), kOk);
  ASSERT_EQ(extents.size(), 1u);
  EXPECT_EQ(extents[0].start, std::uint64_t{16} + 0xFFFFFFF0);  // partition start + block
  EXPECT_EQ(extents[0].count, 1u);
}

// Names that cannot be reached, files that are not directories and the
// reverse, and entries that are not listed.
TEST(DirectoryLookup, RefusesWhatIsNotThere) {
  Image image = BuildImage(HostileTree(), HostileOptions());
  // Mark a.txt deleted: it is no longer listed or found.
  const std::size_t fid = FindIdentifier(image, "a.txt");
  image.bytes[fid + 18] |= 0x04;
  Retag(image.bytes, fid);
  OpenedImage opened = OpenImage(std::move(image.bytes));
  ASSERT_EQ(opened.result, kOk);
  const UdfFileSystem& fileSystem = *opened.fileSystem;

  std::vector<DirectoryItem> items;
  ASSERT_EQ(fileSystem.ListDirectory(u"", items), kOk);
  std::vector<std::string> names;
  for (const DirectoryItem& item : items)
    names.push_back(Utf8(item.name) + (item.isDirectory ? "/" : ""));
  EXPECT_EQ(names, (std::vector<std::string>{"big.bin", "sub/"}));

  std::vector<Extent> extents;
  EXPECT_EQ(fileSystem.FileExtents(u"a.txt", extents), kNotFound);
  EXPECT_EQ(fileSystem.FileExtents(u"sub", extents), kNotAFile);
  EXPECT_EQ(fileSystem.FileExtents(u"", extents), kNotAFile);
  EXPECT_EQ(fileSystem.ListDirectory(u"big.bin", items), kNotADirectory);
  EXPECT_EQ(fileSystem.ListDirectory(u"big.bin/x", items), kNotADirectory);
  EXPECT_EQ(fileSystem.ListDirectory(u"SUB", items), kNotFound);
  EXPECT_EQ(fileSystem.FileExtents(u"sub/c.txt", extents), kOk);
  EXPECT_EQ(fileSystem.FileExtents(u"/sub/c.txt", extents), kOk);
}

}  // namespace
}  // namespace udftest
