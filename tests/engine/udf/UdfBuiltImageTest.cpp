// Volumes made by the image builder in every form the decoder reads: each
// must open with the right facts, list every name and give every file's
// sectors, whose bytes are the file's content.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "UdfImageBuilder.h"
#include "UdfTestSupport.h"

namespace udftest {
namespace {

using wrenlo::kOk;

Node SampleTree() {
  return Node::Dir(u"",
                   {
                       Node::File(u"readme.txt", Pattern(100, 1)),
                       Node::File(u"big.bin", Pattern(5 * 2048 + 100, 2)),
                       Node::File(u"empty", {}),
                       Node::File(u"Gr\u00fc\u00dfe.txt", Pattern(3000, 3)),
                       Node::Dir(u"\u65e5\u672c\u8a9e",
                                 {
                                     Node::File(u"\u0444\u0430\u0439\u043b.dat", Pattern(2048, 4)),
                                     Node::Dir(u"deep", {Node::File(u"leaf", Pattern(1, 5))}),
                                 }),
                       Node::Link(u"link", false, u"big.bin"),
                   });
}

// The file contents the sample tree should show, by path.
void ExpectedFiles(const Node& node, const std::u16string& path,
                   std::map<std::u16string, std::vector<std::uint8_t>>& files,
                   std::vector<std::u16string>& directories) {
  if (node.directory) {
    directories.push_back(path);
    for (const Node& child : node.children) {
      const std::u16string childPath = path + u"/" + child.name;
      if (child.linkTo)
        files[childPath] = {};
      else
        ExpectedFiles(child, childPath, files, directories);
    }
  } else {
    files[path] = node.data;
  }
}

struct Case {
  const char* what;
  Options options;
};

Options With(std::uint16_t revision, Partitioning partitioning,
             void (*adjust)(Options&) = nullptr) {
  Options options;
  options.revision = revision;
  options.partitioning = partitioning;
  options.label = u"Vol \u00e9t\u00e9";
  if (adjust) adjust(options);
  return options;
}

const Case kCases[] = {
    {"1.02, file entries, short descriptors", With(0x0102, Partitioning::kPhysical)},
    {"1.50, long descriptors",
     With(0x0150, Partitioning::kPhysical, [](Options& o) { o.ads = Ads::kLong; })},
    {"2.01, extended entries, embedded data", With(0x0201, Partitioning::kPhysical,
                                                   [](Options& o) {
                                                     o.extendedEntries = true;
                                                     o.ads = Ads::kEmbedded;
                                                   })},
    {"2.01, one-block extents with gaps, continued in AEDs", With(0x0201, Partitioning::kPhysical,
                                                                  [](Options& o) {
                                                                    o.extentBlocks = 1;
                                                                    o.gapsBetweenExtents = true;
                                                                    o.descriptorsPerBlock = 2;
                                                                  })},
    {"2.01, one-block extents without gaps (joined runs), long descriptors in AEDs",
     With(0x0201, Partitioning::kPhysical,
          [](Options& o) {
            o.extentBlocks = 1;
            o.ads = Ads::kLong;
            o.descriptorsPerBlock = 3;
          })},
    {"2.01, 16-bit names, anchor at 256", With(0x0201, Partitioning::kPhysical,
                                               [](Options& o) {
                                                 o.wideNames = true;
                                                 o.layout = Layout::kAnchorAt256;
                                               })},
    {"2.50, metadata partition",
     With(0x0250, Partitioning::kMetadata, [](Options& o) { o.extendedEntries = true; })},
    {"2.60, metadata partition, embedded, anchor at 256", With(0x0260, Partitioning::kMetadata,
                                                               [](Options& o) {
                                                                 o.ads = Ads::kEmbedded;
                                                                 o.layout = Layout::kAnchorAt256;
                                                               })},
    {"2.60, metadata partition, AED continuations", With(0x0260, Partitioning::kMetadata,
                                                         [](Options& o) {
                                                           o.extentBlocks = 1;
                                                           o.gapsBetweenExtents = true;
                                                           o.descriptorsPerBlock = 2;
                                                           o.extendedEntries = true;
                                                         })},
    {"1.50, VAT with trailer", With(0x0150, Partitioning::kVat)},
    {"2.01, VAT with header",
     With(0x0201, Partitioning::kVat, [](Options& o) { o.extendedEntries = true; })},
    {"2.50, VAT, directories in several extents",
     With(0x0250, Partitioning::kVat, [](Options& o) { o.extentBlocks = 1; })},
    {"2.01, sparable partition with a moved packet", With(0x0201, Partitioning::kSparable)},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.what; }

class BuiltImage : public testing::TestWithParam<Case> {};

TEST_P(BuiltImage, OpensListsAndMapsEveryFile) {
  const Options& options = GetParam().options;
  const Node tree = SampleTree();
  Image image = BuildImage(tree, options);
  const auto expectedExtents = image.extents;
  const std::int32_t files = image.files;
  const std::int32_t directories = image.directories;
  OpenedImage opened = OpenImage(std::move(image.bytes));
  ASSERT_EQ(opened.result, kOk);

  const wrenlo::UdfVolumeFacts& facts = opened.fileSystem->Facts();
  EXPECT_EQ(Utf8(facts.label), Utf8(options.label));
  EXPECT_EQ(facts.revision, options.revision);
  EXPECT_EQ(facts.fileCount, files);
  EXPECT_EQ(facts.directoryCount, directories);

  std::map<std::u16string, std::vector<std::uint8_t>> expectedFiles;
  std::vector<std::u16string> expectedDirectories;
  ExpectedFiles(tree, u"", expectedFiles, expectedDirectories);
  expectedFiles[u"/link"] = expectedFiles[u"/big.bin"];

  Tree found;
  ASSERT_EQ(WalkTree(*opened.fileSystem, *opened.source, found), kOk);
  std::sort(found.directories.begin(), found.directories.end());
  std::sort(expectedDirectories.begin(), expectedDirectories.end());
  EXPECT_EQ(found.directories, expectedDirectories);
  ASSERT_EQ(found.files.size(), expectedFiles.size());
  for (const auto& [path, data] : expectedFiles) {
    SCOPED_TRACE(Utf8(path));
    const std::vector<std::uint8_t>& bytes = found.files[path];
    const std::size_t sectors = options.ads == Ads::kEmbedded && data.size() <= 2048 - 216
                                    ? 0
                                    : (data.size() + 2047) / 2048;
    ASSERT_EQ(bytes.size(), sectors * 2048);
    if (sectors > 0) {
      EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin()));
    }
  }
  for (const auto& [path, extents] : expectedExtents) {
    SCOPED_TRACE(Utf8(path));
    std::vector<wrenlo::Extent> mapped;
    ASSERT_EQ(opened.fileSystem->FileExtents(path, mapped), kOk);
    ASSERT_EQ(mapped.size(), extents.size());
    for (std::size_t i = 0; i < extents.size(); ++i) {
      EXPECT_EQ(mapped[i].start, extents[i].start);
      EXPECT_EQ(mapped[i].count, extents[i].count);
    }
  }
}

// An independent reader agrees on what the builder wrote (it looks for the
// anchor at 256).
TEST_P(BuiltImage, UdfinfoReadsTheSameFacts) {
  Options options = GetParam().options;
  if (options.partitioning == Partitioning::kSparable)
    GTEST_SKIP() << "udfinfo refuses a sparable volume this small";
  options.layout = Layout::kAnchorAt256;
  Image image = BuildImage(SampleTree(), options);
  std::filesystem::create_directories(UDF_FIXTURE_DIR);
  const std::string path = std::string(UDF_FIXTURE_DIR) + "/built.img";
  WriteFileBytes(path, image.bytes);
  const auto info = UdfInfo(path);
  EXPECT_EQ(info.at("lvid"), Utf8(options.label));
  EXPECT_EQ(info.at("numfiles"), std::to_string(image.files));
  EXPECT_EQ(info.at("numdirs"), std::to_string(image.directories));
}

INSTANTIATE_TEST_SUITE_P(Forms, BuiltImage, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                           return "Case" + std::to_string(info.index);
                         });

// Several threads walking one volume at once see what one thread sees, also
// while the cache of decoded directories (smaller than the volume's
// directory count) drops directories others are using.
TEST(BuiltImageThreads, WalksFromSeveralThreadsAtOnce) {
  Node root = Node::Dir(u"", {});
  for (int d = 0; d < 100; ++d) {
    const std::u16string name = u"dir" + std::u16string(1, static_cast<char16_t>(u'A' + d % 26)) +
                                static_cast<char16_t>(u'0' + d / 26);
    root.children.push_back(Node::Dir(name, {Node::File(u"f", Pattern(3000, d))}));
  }
  Options options;
  options.revision = 0x0250;
  options.partitioning = Partitioning::kMetadata;
  OpenedImage opened = OpenImage(BuildImage(root, options).bytes);
  ASSERT_EQ(opened.result, kOk);

  Tree expected;
  ASSERT_EQ(WalkTree(*opened.fileSystem, *opened.source, expected), kOk);
  ASSERT_EQ(expected.files.size(), 100u);
  std::vector<Tree> trees(4);
  std::vector<wrenlo::Result> results(trees.size());
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < trees.size(); ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 5 && results[t] == kOk; ++round) {
        trees[t] = {};
        results[t] = WalkTree(*opened.fileSystem, *opened.source, trees[t]);
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (std::size_t t = 0; t < trees.size(); ++t) {
    EXPECT_EQ(results[t], kOk);
    EXPECT_EQ(trees[t].files, expected.files);
  }
}

// A directory of 3,000 descriptors of 240 bytes (16-bit names of 100
// characters): 352 blocks, read a few at a time, its descriptors crossing
// from one piece into the next, in one extent and in one-block extents.
TEST(BuiltImagePieces, ALargeDirectoryIsReadAFewBlocksAtATime) {
  Node root = Node::Dir(u"", {});
  for (int i = 0; i < 3000; ++i) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%07d", i);
    root.children.push_back(
        Node::File(std::u16string(digits, digits + 7) + std::u16string(93, u'\u00e9'), {}));
  }
  for (const std::uint32_t extentBlocks : {0u, 1u}) {
    SCOPED_TRACE(extentBlocks);
    Options options;
    options.wideNames = true;
    options.extentBlocks = extentBlocks;
    const std::vector<std::uint8_t> bytes = BuildImage(root, options).bytes;
    MemorySource memory(bytes);
    WidestRead source(memory);
    std::unique_ptr<wrenlo::UdfFileSystem> fileSystem;
    ASSERT_EQ(wrenlo::UdfFileSystem::Open(source, 0, source.SectorCount(), fileSystem), kOk);
    source.widest = 0;
    std::vector<wrenlo::DirectoryItem> items;
    ASSERT_EQ(fileSystem->ListDirectory(u"/", items), kOk);
    ASSERT_EQ(items.size(), 3000u);
    EXPECT_EQ(items.front().name, u"0000000" + std::u16string(93, u'\u00e9'));
    EXPECT_EQ(items.back().name, u"0002999" + std::u16string(93, u'\u00e9'));
    EXPECT_LE(source.widest, 16u);
  }
}

}  // namespace
}  // namespace udftest
