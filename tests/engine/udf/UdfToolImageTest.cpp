// Volumes made at test time by Debian's tools (genisoimage -udf, mkudffs),
// with udfinfo as the oracle for the facts it prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "UdfImageBuilder.h"
#include "UdfTestSupport.h"

namespace udftest {
namespace {

using wrenlo::kOk;
namespace fs = std::filesystem;

const std::string kFixtures = UDF_FIXTURE_DIR;

// "2.60" -> 0x0260.
std::int32_t RevisionNumber(const std::string& text) {
  const auto dot = text.find('.');
  const int major = std::stoi(text.substr(0, dot));
  const std::string minor = text.substr(dot + 1);
  return (major << 8) | ((minor[0] - '0') << 4) | (minor.size() > 1 ? minor[1] - '0' : 0);
}

void ExpectFactsAsUdfinfo(const wrenlo::UdfVolumeFacts& facts,
                          const std::map<std::string, std::string>& info) {
  EXPECT_EQ(Utf8(facts.label), info.at("lvid"));
  // The revision the volume is recorded to; udfinfo's udfrev is the one its
  // integrity descriptor asks readers for, which 2.60 volumes set to 2.50.
  EXPECT_EQ(facts.revision, RevisionNumber(info.at("udfwriterev")));
  EXPECT_EQ(facts.fileCount, std::stoi(info.at("numfiles")));
  EXPECT_EQ(facts.directoryCount, std::stoi(info.at("numdirs")));
}

// A UDF 1.02 bridge disc with files, non-ASCII names among them.
TEST(ToolImage, GenisoimageBridgeListsEveryFileWithItsContent) {
  const fs::path source = fs::path(kFixtures) / "bridge-tree";
  fs::remove_all(source);
  fs::create_directories(source / "sub" / "deeper");
  const std::map<std::string, std::vector<std::uint8_t>> files = {
      {"a.txt", Pattern(5, 1)},
      {"empty", {}},
      {"Gr\xc3\xbc\xc3\x9f"
       "e.txt",
       Pattern(3000, 2)},
      {"\xe6\x97\xa5\xe6\x9c\xac.txt", Pattern(10, 3)},
      {"sub/b.bin", Pattern(10000, 4)},
      {"sub/deeper/c.bin", Pattern(2048 * 3, 5)},
  };
  for (const auto& [path, data] : files) WriteFileBytes((source / path).string(), data);
  const std::string image = kFixtures + "/bridge.iso";
  ASSERT_TRUE(RunCommand("genisoimage -quiet -input-charset utf-8 -udf -V BRIDGE -o '" + image +
                         "' '" + source.string() + "' 2>&1"));

  OpenedImage opened = OpenImage(ReadFileBytes(image));
  ASSERT_EQ(opened.result, kOk);
  ExpectFactsAsUdfinfo(opened.fileSystem->Facts(), UdfInfo(image));
  EXPECT_EQ(opened.fileSystem->Facts().revision, 0x0102);

  Tree tree;
  ASSERT_EQ(WalkTree(*opened.fileSystem, *opened.source, tree), kOk);
  std::map<std::string, std::vector<std::uint8_t>> found;
  for (const auto& [path, bytes] : tree.files) found[Utf8(path)] = bytes;
  ASSERT_EQ(found.size(), files.size());
  for (const auto& [path, data] : files) {
    ASSERT_TRUE(found.contains("/" + path)) << path;
    const std::vector<std::uint8_t>& bytes = found["/" + path];
    ASSERT_EQ(bytes.size(), (data.size() + 2047) / 2048 * 2048) << path;
    EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin())) << path;
  }
}

struct MkudffsCase {
  const char* media;
  const char* revision;
  const char* extra;  // further options
};

void PrintTo(const MkudffsCase& c, std::ostream* out) {
  *out << c.media << " " << c.revision << " " << c.extra;
}

class MkudffsImage : public testing::TestWithParam<MkudffsCase> {};

// Fresh volumes of every revision, with sparable partitions (dvdrw, cdrw)
// and VATs (cdr, dvdr, bdr): the facts match udfinfo's, and the root lists
// everything the volume holds (nothing, or 1.50's "Non-Allocatable Space").
TEST_P(MkudffsImage, OpensWithUdfinfosFacts) {
  const MkudffsCase& c = GetParam();
  fs::create_directories(kFixtures);
  const std::string image = kFixtures + "/mkudffs-" + c.media + "-" + c.revision + ".img";
  fs::remove(image);
  ASSERT_TRUE(RunCommand(std::string("mkudffs --utf8 -b 2048 --media-type=") + c.media +
                         " --udfrev=" + c.revision + " " + c.extra + " --new-file '" + image +
                         "' 4096 >/dev/null 2>&1"));
  OpenedImage opened = OpenImage(ReadFileBytes(image));
  ASSERT_EQ(opened.result, kOk);
  const auto info = UdfInfo(image);
  ExpectFactsAsUdfinfo(opened.fileSystem->Facts(), info);
  std::vector<wrenlo::DirectoryItem> root;
  EXPECT_EQ(opened.fileSystem->ListDirectory(u"", root), kOk);
  EXPECT_EQ(root.size(), std::stoul(info.at("numfiles")) + std::stoul(info.at("numdirs")) - 1);

  // Every descriptor mkudffs wrote lies in a structure of the layout: space
  // bitmaps, stream directories, metadata files and VATs included. A
  // descriptor is a sector with a tag of a known kind whose checksum holds.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> placed;
  ASSERT_EQ(opened.fileSystem->Layout([&](const wrenlo::LayoutItem& item) {
    for (const wrenlo::Extent& extent : item.extents)
      placed.emplace_back(extent.start, extent.start + extent.count);
    return kOk;
  }),
            kOk);
  const std::vector<std::uint8_t> bytes = ReadFileBytes(image);
  for (std::size_t sector = 0; sector < bytes.size() / 2048; ++sector) {
    const std::uint8_t* tag = bytes.data() + sector * 2048;
    const int id = tag[0] | tag[1] << 8;
    int sum = 0;
    for (int i = 0; i < 16; ++i) sum += i == 4 ? 0 : tag[i];
    const bool descriptor = (id >= 1 && id <= 9) || (id >= 256 && id <= 266);
    if (!descriptor || (sum & 0xFF) != tag[4] || (tag[2] != 2 && tag[2] != 3)) continue;
    EXPECT_TRUE(std::any_of(placed.begin(), placed.end(), [&](const auto& run) {
      return run.first <= sector && sector < run.second;
    })) << "descriptor " << id << " at sector " << sector << " is placed nowhere";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Revisions, MkudffsImage,
    testing::Values(MkudffsCase{"hd", "1.02", "--label=Plain102"},
                    MkudffsCase{"hd", "1.50", "--label=\xc3\x84pfel --ad=short"},
                    MkudffsCase{"hd", "2.00", "--label=Plain200 --ad=long"},
                    MkudffsCase{"hd", "2.01", "--label=NoEfe --noefe"},
                    MkudffsCase{"dvdrw", "1.50", "--label=Sparable150"},
                    MkudffsCase{"cdrw", "2.01", "--label=Sparable201"},
                    MkudffsCase{"cdr", "1.50", "--label=Vat150"},
                    MkudffsCase{"dvdr", "2.00", "--label=Vat200"},
                    MkudffsCase{"cdr", "2.01", "--label=Closed --closed"},
                    MkudffsCase{"bdr", "2.50", "--label=Bdr250"},
                    MkudffsCase{"bdr", "2.60",
                                "--label=\xe3\x83\x87\xe3\x82\xa3\xe3\x82\xb9\xe3\x82\xaf"}),
    [](const testing::TestParamInfo<MkudffsCase>& info) {
      std::string name = std::string(info.param.media) + info.param.revision;
      name.erase(std::remove(name.begin(), name.end(), '.'), name.end());
      return name + "_" + std::to_string(info.index);
    });

// A volume whose session starts past the first sector: its anchor and every
// address count from the start of the medium.
TEST(ToolImage, VolumeOfALaterSessionOpensFromItsStart) {
  fs::create_directories(kFixtures);
  const std::string image = kFixtures + "/later-session.img";
  fs::remove(image);
  ASSERT_TRUE(
      RunCommand("mkudffs -b 2048 --media-type=cdr --udfrev=2.01 --label=Second "
                 "--startblock=1000 --new-file '" +
                 image + "' 6000 >/dev/null 2>&1"));
  std::vector<std::uint8_t> medium(1000 * 2048, 0);
  const std::vector<std::uint8_t> session = ReadFileBytes(image);
  medium.insert(medium.end(), session.begin(), session.end());
  MemorySource source(medium);

  std::unique_ptr<wrenlo::UdfFileSystem> fileSystem;
  ASSERT_EQ(wrenlo::UdfFileSystem::Open(source, 1000, source.SectorCount(), fileSystem), kOk);
  EXPECT_EQ(Utf8(fileSystem->Facts().label), "Second");
  EXPECT_EQ(fileSystem->Facts().directoryCount, 1);
  // The first session holds nothing.
  EXPECT_EQ(wrenlo::UdfFileSystem::Open(source, 0, 1000, fileSystem), wrenlo::kNoFileSystem);
}

}  // namespace
}  // namespace udftest
