// The descriptors a disc is known by, from images Debian's tools make and
// from hand-made sectors that break each rule the reader checks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "HistoryTestSupport.h"
#include "core/history/VolumeDescriptors.h"
#include "support/Command.h"
#include "support/Fixtures.h"

namespace {

using ::testing::MatchesRegex;
using ::testing::StartsWith;

constexpr std::size_t kSector = 2048;

// An image in memory whose sectors read as their bytes, but for those listed
// as failing; it counts the reads.
struct MemoryDisc {
  std::vector<std::uint8_t> bytes;
  std::set<std::int32_t> failing;
  int reads = 0;

  std::int64_t Sectors() const { return static_cast<std::int64_t>(bytes.size() / kSector); }
  std::uint8_t* Sector(std::int64_t n) { return bytes.data() + n * kSector; }
  SessionSectorReader Reader() {
    return [this](std::int32_t sector, std::uint8_t* out) {
      ++reads;
      if (failing.count(sector) != 0) return false;
      std::memcpy(out, Sector(sector), kSector);
      return true;
    };
  }
  VolumeDescriptors Read(bool& readable, std::int64_t start = 0) {
    VolumeDescriptors out;
    readable = ReadVolumeDescriptors(Reader(), start, Sectors(), out);
    return out;
  }
};

MemoryDisc Load(const std::string& path) {
  const std::vector<std::uint8_t> bytes = testing_support::ReadFile(path);
  return MemoryDisc{bytes, {}, 0};
}

// An ISO 9660 descriptor of type at sector n.
void IsoDescriptor(MemoryDisc& disc, std::int64_t n, std::uint8_t type) {
  std::uint8_t* s = disc.Sector(n);
  s[0] = type;
  std::memcpy(s + 1, "CD001", 5);
  s[6] = 1;
}

// A UDF descriptor tag (ECMA-167 3/7.2) with id, at sector n, saying it lies
// at location, with its checksum.
void UdfTag(MemoryDisc& disc, std::int64_t n, std::uint16_t id, std::uint32_t location) {
  std::uint8_t* s = disc.Sector(n);
  s[0] = static_cast<std::uint8_t>(id);
  s[1] = static_cast<std::uint8_t>(id >> 8);
  s[2] = 2;
  for (int i = 0; i < 4; ++i) s[12 + i] = static_cast<std::uint8_t>(location >> (8 * i));
  std::uint8_t sum = 0;
  for (int i = 0; i < 16; ++i)
    if (i != 4) sum = static_cast<std::uint8_t>(sum + s[i]);
  s[4] = sum;
}

// An anchor at 256 pointing at a sequence of length bytes from location.
void Anchor(MemoryDisc& disc, std::uint32_t length, std::uint32_t location) {
  std::uint8_t* s = disc.Sector(256);
  for (int i = 0; i < 4; ++i) {
    s[16 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    s[20 + i] = static_cast<std::uint8_t>(location >> (8 * i));
  }
  UdfTag(disc, 256, 2, 256);
}

TEST(VolumeDescriptorsTest, ReadsTheIsoSetOfAnImageXorrisoMade) {
  MemoryDisc disc = Load(testing_support::GetFixtures().healthy);
  bool readable = false;
  const VolumeDescriptors found = disc.Read(readable);
  ASSERT_TRUE(readable);
  EXPECT_EQ(found.kind, VolumeDescriptors::Kind::Iso9660);
  // Primary, El Torito boot record, Joliet, terminator.
  ASSERT_EQ(found.bytes.size(), 4 * kSector);
  EXPECT_EQ(found.bytes.substr(0, kSector),
            std::string(reinterpret_cast<const char*>(disc.Sector(16)), kSector));
  EXPECT_EQ(static_cast<std::uint8_t>(found.bytes[3 * kSector]), 255);
  EXPECT_THAT(found.created, StartsWith("2010-03-15 14:05:09 "));
}

TEST(VolumeDescriptorsTest, ReadsTheAnchorAndLogicalVolumeOfAnImageMkudffsMade) {
  const std::string image = testing_support::NewFolder() + "/udf.img";
  const testing_support::CommandResult made =
      testing_support::RunCommand({"mkudffs", "--media-type=hd", "--blocksize=2048",
                                   "--lvid=ARCHIVE", "--vid=ARCHIVE", image, "2000"});
  ASSERT_EQ(made.exitCode, 0) << made.output;
  MemoryDisc disc = Load(image);
  bool readable = false;
  const VolumeDescriptors found = disc.Read(readable);
  ASSERT_TRUE(readable);
  EXPECT_EQ(found.kind, VolumeDescriptors::Kind::Udf);
  ASSERT_EQ(found.bytes.size(), 2 * kSector);
  EXPECT_EQ(found.bytes.substr(0, kSector),
            std::string(reinterpret_cast<const char*>(disc.Sector(256)), kSector));
  EXPECT_EQ(found.bytes[kSector], 6);  // the logical volume descriptor's tag
  EXPECT_THAT(
      found.created,
      MatchesRegex(
          "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}( [+-][0-9]{2}:[0-9]{2})?"));
}

TEST(VolumeDescriptorsTest, HostileSectorsGiveNoneOrUnreadableNeverMore) {
  struct Case {
    const char* what;
    std::function<void(MemoryDisc&)> make;
    bool readable;
    VolumeDescriptors::Kind kind;
    std::size_t descriptorSectors;
  };
  using Kind = VolumeDescriptors::Kind;
  const Case cases[] = {
      {"no descriptors at all", [](MemoryDisc&) {}, true, Kind::None, 0},
      {"sector 16 does not read", [](MemoryDisc& d) { d.failing = {16}; }, false, Kind::None, 0},
      {"a set that never ends is read up to its bound",
       [](MemoryDisc& d) {
         for (int n = 16; n < 100; ++n) IsoDescriptor(d, n, 2);
       },
       true, Kind::Iso9660, kMaxDescriptorSectors},
      {"a set whose second descriptor does not read",
       [](MemoryDisc& d) {
         IsoDescriptor(d, 16, 1);
         d.failing = {17};
       },
       false, Kind::None, 0},
      {"a set ends where a sector is no descriptor",
       [](MemoryDisc& d) {
         IsoDescriptor(d, 16, 1);
         IsoDescriptor(d, 17, 2);
       },
       true, Kind::Iso9660, 2},
      {"an anchor whose checksum is wrong",
       [](MemoryDisc& d) {
         Anchor(d, 16 * kSector, 280);
         UdfTag(d, 280, 6, 280);
         d.Sector(256)[4] ^= 1;
       },
       true, Kind::None, 0},
      {"an anchor that says it lies elsewhere",
       [](MemoryDisc& d) {
         Anchor(d, 16 * kSector, 280);
         UdfTag(d, 280, 6, 280);
         UdfTag(d, 256, 2, 512);
       },
       true, Kind::None, 0},
      {"a sequence outside the session",
       [](MemoryDisc& d) { Anchor(d, 16 * kSector, 0xFFFFFFF0u); }, true, Kind::None, 0},
      {"a sequence whose sector does not read",
       [](MemoryDisc& d) {
         Anchor(d, 16 * kSector, 280);
         d.failing = {281};
       },
       false, Kind::None, 0},
      {"a sequence of the largest length without a logical volume",
       [](MemoryDisc& d) { Anchor(d, 0xFFFFFFFFu, 260); }, true, Kind::None, 0},
      {"a logical volume whose tag is not where it lies",
       [](MemoryDisc& d) {
         Anchor(d, 16 * kSector, 280);
         UdfTag(d, 281, 6, 280);
         UdfTag(d, 282, 8, 282);
       },
       true, Kind::None, 0},
      {"a logical volume after the primary one",
       [](MemoryDisc& d) {
         Anchor(d, 16 * kSector, 280);
         UdfTag(d, 280, 1, 280);
         UdfTag(d, 281, 6, 281);
       },
       true, Kind::Udf, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryDisc disc{std::vector<std::uint8_t>(600 * kSector), {}, 0};
    c.make(disc);
    bool readable = false;
    const VolumeDescriptors found = disc.Read(readable);
    EXPECT_EQ(readable, c.readable);
    EXPECT_EQ(found.kind, c.kind);
    EXPECT_EQ(found.bytes.size(), c.descriptorSectors * kSector);
    // Sector 16, the set or the anchor, and a bounded sequence.
    EXPECT_LE(disc.reads, 2 + kMaxDescriptorSectors);
  }
}

TEST(VolumeDescriptorsTest, ASessionTooSmallForDescriptorsHasNone) {
  MemoryDisc disc{std::vector<std::uint8_t>(10 * kSector), {}, 0};
  bool readable = false;
  EXPECT_EQ(disc.Read(readable).kind, VolumeDescriptors::Kind::None);
  EXPECT_TRUE(readable);
  EXPECT_EQ(disc.reads, 0);
}

}  // namespace
