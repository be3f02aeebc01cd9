// What discs record about their own content, decoded from hand-made bytes:
// the hashes, xorriso's checksum tags and array, the implanted MD5, a
// session's digests taken as its blocks arrive, and an image compared
// sector by sector.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/verify/ChecksumTag.h"
#include "core/verify/Digest.h"
#include "core/verify/ImageComparison.h"
#include "core/verify/ImplantedMd5.h"
#include "core/verify/SessionDigests.h"
#include "core/verify/XorrisoMd5.h"

namespace {

constexpr std::size_t kBlock = 2048;

DigestBytes Of(HashKind kind, const std::string& text) {
  return DigestOf(kind, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(Digest, KnownValuesOfEveryKind) {
  EXPECT_EQ(HexText(Of(HashKind::Md5, "abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(HexText(Of(HashKind::Sha1, "abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(HexText(Of(HashKind::Sha256, "abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(HexText(Of(HashKind::Sha512, "abc")).substr(0, 16), "ddaf35a193617aba");
  EXPECT_EQ(HexText(Of(HashKind::Crc32, "123456789")), "cbf43926");
  // Fed in pieces, and read on the way, it is the digest of the whole.
  Digest md5(HashKind::Md5);
  md5.Update(reinterpret_cast<const std::uint8_t*>("a"), 1);
  EXPECT_EQ(md5.Value(), Of(HashKind::Md5, "a"));
  md5.Update(reinterpret_cast<const std::uint8_t*>("bc"), 2);
  EXPECT_EQ(md5.Value(), Of(HashKind::Md5, "abc"));
  EXPECT_EQ(HexBytes("0aFf"), (DigestBytes{0x0a, 0xff}));
  EXPECT_FALSE(HexBytes("abc"));
  EXPECT_FALSE(HexBytes("zz"));
}

// A tag block as xorriso writes it, its self checksum computed.
std::vector<std::uint8_t> TagBlock(const std::string& name, std::uint64_t position,
                                   std::uint64_t rangeStart, std::uint64_t rangeSize,
                                   const DigestBytes& md5, const std::string& next = "") {
  std::string line = name + " pos=" + std::to_string(position) +
                     " range_start=" + std::to_string(rangeStart) +
                     " range_size=" + std::to_string(rangeSize) + next + " md5=" + HexText(md5);
  line += " self=" + HexText(Of(HashKind::Md5, line)) + "\n";
  std::vector<std::uint8_t> block(kBlock, 0);
  std::memcpy(block.data(), line.data(), line.size());
  return block;
}

TEST(ChecksumTag, DecodesTagsAndRefusesLookAlikes) {
  const DigestBytes md5 = Of(HashKind::Md5, "session");
  const auto tag =
      DecodeChecksumTag(TagBlock("libisofs_tree_checksum_tag_v1", 57, 32, 25, md5, " next=164"));
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->kind, ChecksumTagKind::Tree);
  EXPECT_EQ(tag->position, 57u);
  EXPECT_EQ(tag->rangeStart, 32u);
  EXPECT_EQ(tag->rangeSize, 25u);
  EXPECT_EQ(tag->next, 164u);
  EXPECT_EQ(DigestBytes(tag->md5.begin(), tag->md5.end()), md5);

  std::vector<std::uint8_t> tampered = TagBlock("libisofs_checksum_tag_v1", 9, 0, 9, md5);
  tampered[30] ^= 1;  // a digit of the position: the self checksum no longer fits
  EXPECT_FALSE(DecodeChecksumTag(tampered));
  EXPECT_FALSE(DecodeChecksumTag(TagBlock("libisofs_other_tag_v1", 9, 0, 9, md5)));
  std::vector<std::uint8_t> noNewline = TagBlock("libisofs_checksum_tag_v1", 9, 0, 9, md5);
  std::fill(noNewline.begin() + 100, noNewline.end(), 'x');
  EXPECT_FALSE(DecodeChecksumTag(noNewline));
  EXPECT_FALSE(DecodeChecksumTag(std::vector<std::uint8_t>(kBlock, 0)));
}

TEST(XorrisoMd5, DecodesThePlaceAndIndexAttributes) {
  // As xorriso records them: numbers as a length and big-endian bytes.
  const std::vector<std::uint8_t> area = {4, 0, 0, 0, 32, 4, 0,  0,   0,   163,
                                          4, 0, 0, 0, 6,  1, 16, 'M', 'D', '5'};
  const auto decoded = DecodeChecksumArea(area);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->start, 32u);
  EXPECT_EQ(decoded->end, 163u);
  EXPECT_EQ(decoded->count, 6u);
  std::vector<std::uint8_t> sha = area;
  sha.back() = '6';
  EXPECT_FALSE(DecodeChecksumArea(sha));  // not MD5
  using Bytes = std::vector<std::uint8_t>;
  EXPECT_FALSE(DecodeChecksumArea(Bytes{4, 0, 0, 0}));  // cut short
  // Ending before it starts, and an array too large to read.
  EXPECT_FALSE(DecodeChecksumArea(Bytes{1, 9, 1, 5, 1, 6, 1, 16, 'M', 'D', '5'}));
  EXPECT_FALSE(DecodeChecksumArea(Bytes{1, 0, 1, 5, 5, 1, 0, 0, 0, 0, 1, 16, 'M', 'D', '5'}));
  EXPECT_EQ(DecodeChecksumIndex(Bytes{0, 0, 1, 2}), 258u);
  EXPECT_FALSE(DecodeChecksumIndex(Bytes{}));
  EXPECT_FALSE(DecodeChecksumIndex(std::vector<std::uint8_t>(9, 1)));
}

// A primary volume descriptor of sectors, with text in its application-use
// area.
std::vector<std::uint8_t> Descriptor(std::uint32_t sectors, const std::string& text) {
  std::vector<std::uint8_t> block(kBlock, 0);
  block[0] = 1;
  std::memcpy(block.data() + 1, "CD001", 5);
  std::memcpy(block.data() + 80, &sectors, 4);
  std::memset(block.data() + kApplicationUseOffset, ' ', kApplicationUseSize);
  std::memcpy(block.data() + kApplicationUseOffset, text.data(), text.size());
  return block;
}

TEST(ImplantedMd5, DecodesTheApplicationUseArea) {
  const std::string md5 = "0dae5022e21fc1a970b1df3e0776b1bc";
  const auto found = DecodeImplantedMd5(
      Descriptor(331, "ISO MD5SUM = " + md5 + ";SKIPSECTORS = 15;RHLISOSTATUS=0;"));
  ASSERT_TRUE(found);
  EXPECT_EQ(HexText(DigestBytes(found->md5.begin(), found->md5.end())), md5);
  EXPECT_EQ(found->sectors, 316u);
  EXPECT_EQ(DecodeImplantedMd5(Descriptor(100, "ISO MD5SUM = " + md5))->sectors, 85u);
  EXPECT_FALSE(DecodeImplantedMd5(Descriptor(100, "")));
  EXPECT_FALSE(DecodeImplantedMd5(Descriptor(100, "ISO MD5SUM = 12ab;")));
  EXPECT_FALSE(DecodeImplantedMd5(Descriptor(10, "ISO MD5SUM = " + md5)));  // covers nothing
  EXPECT_FALSE(DecodeImplantedMd5(Descriptor(100, "ISO MD5SUM = " + md5 + ";SKIPSECTORS = many")));
  std::vector<std::uint8_t> supplementary = Descriptor(100, "ISO MD5SUM = " + md5);
  supplementary[0] = 2;
  EXPECT_FALSE(DecodeImplantedMd5(supplementary));
}

// A session of 40 blocks from block 0: a descriptor at 16 with an MD5
// implanted over its first 30 blocks, and a tag at 35 covering 20 to 34.
struct Session {
  std::vector<std::vector<std::uint8_t>> blocks;

  explicit Session(bool implant) {
    for (std::uint8_t i = 0; i < 40; ++i) blocks.emplace_back(kBlock, i);
    blocks[16] = Descriptor(45, "");  // 45 sectors less the 15 skipped: 30
    if (implant) {
      Digest md5(HashKind::Md5);
      for (int i = 0; i < 30; ++i) md5.Update(blocks[i].data(), kBlock);
      blocks[16] = Descriptor(45, "ISO MD5SUM = " + HexText(md5.Value()) + ";SKIPSECTORS = 15");
    }
    Digest tagged(HashKind::Md5);
    for (int i = 20; i < 35; ++i) tagged.Update(blocks[i].data(), kBlock);
    blocks[35] = TagBlock("libisofs_checksum_tag_v1", 35, 20, 15, tagged.Value());
  }
};

TEST(SessionDigests, FindsTheImplantedMd5AsTheDescriptorPasses) {
  for (const bool implant : {true, false}) {
    SCOPED_TRACE(implant);
    const Session session(implant);
    SessionDigests digests(0, nullptr);
    for (std::uint64_t i = 0; i < 40; ++i) digests.Feed(i, session.blocks[i].data());
    EXPECT_EQ(digests.Implanted(), implant ? CheckOutcome::Matched : CheckOutcome::None);
    EXPECT_EQ(digests.Session(), CheckOutcome::None);  // no recorded MD5s: tags not looked for
  }
}

TEST(SessionDigests, AChangedOrMissingBlockIsNoMatch) {
  Session changed(true);
  changed.blocks[29][7] ^= 1;
  SessionDigests digests(0, nullptr);
  for (std::uint64_t i = 0; i < 40; ++i) digests.Feed(i, changed.blocks[i].data());
  EXPECT_EQ(digests.Implanted(), CheckOutcome::Differs);

  const Session session(true);
  SessionDigests gap(0, nullptr);
  for (std::uint64_t i = 0; i < 40; ++i) gap.Feed(i, i == 25 ? nullptr : session.blocks[i].data());
  EXPECT_EQ(gap.Implanted(), CheckOutcome::Unchecked);

  SessionDigests stopped(0, nullptr);
  for (std::uint64_t i = 0; i < 20; ++i) stopped.Feed(i, session.blocks[i].data());
  EXPECT_EQ(stopped.Implanted(), CheckOutcome::Unchecked);
}

TEST(CheckOutcome, CombinesWithTheWorstFirst) {
  EXPECT_EQ(Combine(CheckOutcome::Matched, CheckOutcome::Differs), CheckOutcome::Differs);
  EXPECT_EQ(Combine(CheckOutcome::Unchecked, CheckOutcome::Matched), CheckOutcome::Unchecked);
  EXPECT_EQ(Combine(CheckOutcome::None, CheckOutcome::Matched), CheckOutcome::Matched);
  EXPECT_EQ(Combine(CheckOutcome::None, CheckOutcome::None), CheckOutcome::None);
  EXPECT_EQ(OutcomeName(CheckOutcome::Matched), "matched");
}

class ImageComparisonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder =
        std::filesystem::temp_directory_path() / ("lumeter-compare-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = folder / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::filesystem::path folder;
};

TEST_F(ImageComparisonTest, ClassesEachSector) {
  // Two and a half sectors: 'a', 'b', then 1024 bytes of 'c'.
  const std::string image =
      std::string(kBlock, 'a') + std::string(kBlock, 'b') + std::string(kBlock / 2, 'c');
  ImageComparison compare;
  std::string error;
  ASSERT_TRUE(compare.Open(Write("image.iso", image), error)) << error;
  EXPECT_EQ(compare.Sectors(), 3u);
  std::vector<std::uint8_t> sector(kBlock, 'a');
  EXPECT_EQ(compare.Compare(0, sector.data()), SectorMatch::Same);
  EXPECT_EQ(compare.Compare(1, sector.data()), SectorMatch::Differs);
  // The partial last sector counts as padded with zeros.
  std::fill(sector.begin(), sector.end(), 0);
  std::fill_n(sector.begin(), kBlock / 2, 'c');
  EXPECT_EQ(compare.Compare(2, sector.data()), SectorMatch::Same);
  std::fill(sector.begin(), sector.end(), 0);
  EXPECT_EQ(compare.Compare(3, sector.data()), SectorMatch::Padding);
  sector[2047] = 1;
  EXPECT_EQ(compare.Compare(4, sector.data()), SectorMatch::BeyondImage);
  EXPECT_TRUE(compare.ReadError().empty());
}

// Inputs are regular files: a FIFO would wait for a writer, a device or a
// folder is no image.
TEST_F(ImageComparisonTest, RefusesWhatIsNoRegularFile) {
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, folder.string(), std::string("/dev/null")}) {
    ImageComparison compare;
    std::string error;
    EXPECT_FALSE(compare.Open(path, error)) << path;
    EXPECT_EQ(error, "cannot compare with " + path + ": not a regular file");
  }
  ImageComparison missing;
  std::string error;
  EXPECT_FALSE(missing.Open((folder / "none.iso").string(), error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

}  // namespace
