// Where the layout walk places every file and structure of volumes made by
// the image builder, against where the builder put them: through metadata,
// virtual and sparable partitions, with embedded data and continued
// allocation descriptors.
#include <gtest/gtest.h>

#include <algorithm>

#include "UdfImageBuilder.h"
#include "UdfTestSupport.h"

namespace udftest {
namespace {

using wrenlo::Extent;
using wrenlo::kOk;

struct Placed {
  bool isFile = false;
  std::uint64_t size = 0;
  std::vector<Extent> runs;
  wrenlo::Result result = kOk;
};

std::map<std::u16string, Placed> ListLayout(const wrenlo::UdfFileSystem& fileSystem,
                                            wrenlo::Result& result) {
  std::map<std::u16string, Placed> items;
  result = fileSystem.Layout([&](const wrenlo::LayoutItem& item) {
    items[std::u16string(item.name)] = {item.kind == wrenlo::LayoutKind::kFile, item.size,
                                        {item.extents.begin(), item.extents.end()}, item.result};
    return kOk;
  });
  return items;
}

bool SameRuns(const std::vector<Extent>& a, const std::vector<Extent>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Extent& x, const Extent& y) {
    return x.start == y.start && x.count == y.count;
  });
}

Node Tree() {
  return Node::Dir(
      u"", {
               Node::File(u"small.txt", Pattern(100, 1)),
               Node::File(u"big.bin", Pattern(5 * 2048 + 100, 2)),
               Node::File(u"empty", {}),
               Node::Dir(u"sub", {Node::File(u"leaf", Pattern(3000, 3)), Node::Dir(u"deeper", {})}),
           });
}

struct Case {
  const char* what;
  std::uint16_t revision;
  Partitioning partitioning;
  Ads ads;
  std::uint32_t extentBlocks;
  std::uint32_t descriptorsPerBlock;
};

const Case kCases[] = {
    {"2.50 metadata partition", 0x0250, Partitioning::kMetadata, Ads::kShort, 0, 0},
    {"2.60 metadata, embedded data", 0x0260, Partitioning::kMetadata, Ads::kEmbedded, 0, 0},
    {"2.60 metadata, one-block extents in AEDs", 0x0260, Partitioning::kMetadata, Ads::kShort, 1,
     2},
    {"2.01 VAT", 0x0201, Partitioning::kVat, Ads::kLong, 0, 0},
    {"2.01 sparable, moved packet", 0x0201, Partitioning::kSparable, Ads::kShort, 0, 0},
    {"1.02 physical", 0x0102, Partitioning::kPhysical, Ads::kShort, 1, 0},
};

class UdfLayout : public testing::TestWithParam<Case> {};

TEST_P(UdfLayout, PlacesEverythingWhereTheBuilderDid) {
  const Case& c = GetParam();
  Options options;
  options.revision = c.revision;
  options.partitioning = c.partitioning;
  options.ads = c.ads;
  options.extentBlocks = c.extentBlocks;
  options.gapsBetweenExtents = c.extentBlocks != 0;
  options.descriptorsPerBlock = c.descriptorsPerBlock;
  options.layout = Layout::kAnchorAt256;
  Image image = BuildImage(Tree(), options);
  const Image placed = image;
  OpenedImage opened = OpenImage(std::move(image.bytes));
  ASSERT_EQ(opened.result, kOk);

  wrenlo::Result result = wrenlo::kTooLarge;
  const auto items = ListLayout(*opened.fileSystem, result);
  EXPECT_EQ(result, kOk);

  std::size_t files = 0;
  for (const auto& [path, item] : items) files += item.isFile;
  EXPECT_EQ(files, placed.extents.size());
  for (const auto& [path, extents] : placed.extents) {
    SCOPED_TRACE(Utf8(path));
    // The builder's paths are relative, the walk's from the root.
    const std::u16string shown = u"/" + path;
    ASSERT_TRUE(items.count(shown));
    const Placed& file = items.at(shown);
    EXPECT_TRUE(file.isFile);
    EXPECT_EQ(file.result, kOk);
    const std::uint32_t entry = placed.entries.at(path);
    // Data the builder kept in the entry lies in the entry's sector.
    const bool embedded = extents.empty() && file.size > 0;
    EXPECT_TRUE(SameRuns(file.runs, embedded ? std::vector<Extent>{{entry, 1}} : extents));
    EXPECT_TRUE(SameRuns(items.at(u"File entry of " + shown).runs, {{entry, 1}}));
  }
  for (const std::u16string directory : {u"", u"sub", u"sub/deeper"}) {
    const std::u16string name =
        directory.empty() ? u"Root directory" : u"Directory /" + directory;
    ASSERT_TRUE(items.count(name)) << Utf8(name);
    EXPECT_EQ(items.at(name).runs.front().start, placed.entries.at(directory)) << Utf8(name);
  }
  EXPECT_TRUE(SameRuns(items.at(u"File set descriptor").runs, {{placed.fileSet, 1}}));
  const auto& main = items.at(u"Main volume descriptor sequence").runs;
  ASSERT_EQ(main.size(), 1u);
  EXPECT_TRUE(main[0].start <= placed.mainLogicalVolume &&
              placed.mainLogicalVolume < main[0].start + main[0].count);
  EXPECT_EQ(items.at(u"Logical volume integrity sequence").runs.front().start, placed.integrity);
  // At 256 and at the last sector, which on write-once media holds the VAT.
  EXPECT_EQ(items.at(u"Anchor volume descriptor pointers").runs.size(),
            c.partitioning == Partitioning::kVat ? 1u : 2u);
  EXPECT_EQ(items.count(u"Metadata file"), c.partitioning == Partitioning::kMetadata);
  if (c.partitioning == Partitioning::kMetadata) {
    EXPECT_EQ(items.at(u"Metadata file").runs.front().start, placed.metadataFile);
    EXPECT_EQ(items.at(u"Metadata mirror file").runs.front().start, placed.metadataFile + 1);
  }
  EXPECT_EQ(items.count(u"Virtual allocation table"), c.partitioning == Partitioning::kVat);
  if (c.partitioning == Partitioning::kVat) {
    EXPECT_EQ(items.at(u"Virtual allocation table").runs.front().start, placed.SectorCount() - 1);
  }
  EXPECT_EQ(items.count(u"Sparing tables"), c.partitioning == Partitioning::kSparable);
}

INSTANTIATE_TEST_SUITE_P(Forms, UdfLayout, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                           return "Case" + std::to_string(info.index);
                         });

// A directory whose entry fails is reported with its result and the walk
// goes on past it.
TEST(UdfLayoutDamage, AnUnreadableDirectoryIsReportedAndSkipped) {
  Options options;
  options.layout = Layout::kAnchorAt256;
  Image image = BuildImage(Tree(), options);
  const std::uint32_t sub = image.entries.at(u"sub");
  std::fill_n(image.Sector(sub), 2048, 0);
  OpenedImage opened = OpenImage(std::move(image.bytes));
  ASSERT_EQ(opened.result, kOk);
  wrenlo::Result result = wrenlo::kTooLarge;
  const auto items = ListLayout(*opened.fileSystem, result);
  EXPECT_EQ(result, kOk);
  EXPECT_NE(items.at(u"Directory /sub").result, kOk);
  EXPECT_TRUE(SameRuns(items.at(u"Directory /sub").runs, {{sub, 1}}));
  EXPECT_FALSE(items.count(u"/sub/leaf"));
  EXPECT_TRUE(items.count(u"/big.bin"));
}

}  // namespace
}  // namespace udftest
