// A copy of a disc read with the GNU ddrescue mapfile beside it: the sectors
// it does not mark finished fail, with a faults file's failures too; a
// mapfile that does not fit makes the image unusable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <filesystem>

#include "image/CopyMapfile.h"
#include "image/FaultsFile.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"

namespace wrenlo {
namespace {

using ::testing::HasSubstr;
using testing_support::Narrow;
using testing_support::WriteFile;

// Ranges as "first-last" (or "first" alone), always-failing ones with a '!'
// after them, a counted one with its failures, separated by spaces.
std::string Text(const std::vector<FaultRange>& ranges) {
  std::string out;
  for (const FaultRange& r : ranges) {
    if (!out.empty()) out += ' ';
    out += std::to_string(r.first);
    if (r.last != r.first) out += "-" + std::to_string(r.last);
    out += r.always ? "!" : "x" + std::to_string(r.failures);
  }
  return out;
}

// An image of 8 sectors of 2048 bytes, and a BIN file of 5 sectors of 2352
// whose first two lie at addresses 0-1 and last three at 152-154 (after a
// pregap that no file holds).
const CopiedFile kIso{"the image", 8 * 2048, {{0, 8, 0, 2048}}, {}};
const CopiedFile kBin{"the BIN file", 5 * 2352, {{0, 2, 0, 2352}, {152, 3, 2 * 2352, 2352}}, {}};

TEST(CopyMapfile, SectorsNotAllFinishedAreMissing) {
  struct Case {
    const char* text;
    const CopiedFile& file;
    const char* missing;
    std::uint64_t count;
  };
  const Case cases[] = {
      {"# whole\n0x0 + 1\n0x0 0x4000 +\n", kIso, "", 0},
      {"0 +\n0 0x1000 +\n0x1000 0x800 -\n0x1800 0x2800 +\n", kIso, "2!", 1},
      // A sector takes the least finished of its bytes.
      {"0 +\n0 5000 +\n5000 100 -\n5100 11284 +\n", kIso, "2!", 1},
      // Bytes that no block describes were never tried.
      {"0 +\n0 0x800 +\n0x1000 0x3000 +\n", kIso, "1!", 1},
      {"0 ?\n0 0x800 ?\n0x800 0x800 *\n0x1000 0x800 /\n0x1800 0x1000 +\n0x2800 0x1800 -\n", kIso,
       "0-2! 5-7!", 6},
      {"0 +\n0 4714 +\n4714 10 -\n4724 7036 +\n", kBin, "152!", 1},
      {"0 +\n0 2352 +\n2352 4800 ?\n7152 4608 +\n", kBin, "1! 152-153!", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<FaultRange> missing;
    std::uint64_t count = 99;
    std::string problem;
    ASSERT_TRUE(MissingSectors(c.text, c.file, missing, count, problem)) << problem;
    EXPECT_EQ(Text(missing), c.missing);
    EXPECT_EQ(count, c.count);
  }
}

TEST(CopyMapfile, AMapfileThatDoesNotFitIsRefused) {
  const std::pair<std::string, std::string> cases[] = {
      {"0 +\n0 0x3800 +\n",
       "the mapfile describes 14336 bytes and the image has 16384: it is not this copy's mapfile"},
      {"0 +\n0 0x4000 +\n0x4000 1 ?\n", "describes 16385 bytes"},
      {"0 +\n", "describes 0 bytes"},
      {"0 +\n0 0x4000 x\n", "mapfile line 2: bad status 'x'"},
      {"0 +\n0 0x4000 " + std::string(5000, '+') + "\n",
       "mapfile line 2: bad status '++++++++++++++++...'"},
      {"just text\n", "mapfile line 1: not the mapfile's status line"},
  };
  for (const auto& [text, message] : cases) {
    std::vector<FaultRange> missing;
    std::uint64_t count = 0;
    std::string problem;
    EXPECT_FALSE(MissingSectors(text, kIso, missing, count, problem)) << text;
    EXPECT_THAT(problem, HasSubstr(message));
    EXPECT_LT(problem.size(), 120u);
  }
}

// Where a faults file's range meets a missing one, the missing sectors fail
// always and the rest of the range keeps its failures.
TEST(CopyMapfile, MissingSectorsCutTheFaultsRanges) {
  FaultPlan plan;
  std::string problem;
  ASSERT_TRUE(ParseFaults("0-9 2\n20 always\n30-40 3\n4294967295 1\n", plan, problem));
  std::vector<FaultRange> missing = {{5, 7, 0, true}, {20, 20, 0, true}, {25, 35, 0, true}};
  AddMissing(plan, missing);
  EXPECT_EQ(Text(plan.ranges), "0-4x2 5-7! 8-9x2 20! 25-35! 36-40x3 4294967295x1");
}

class CopyDriveTest : public ::testing::Test {
 protected:
  static std::string Dir() {
    const std::string dir = testing_support::OutputDirectory() + "/copy-drive";
    std::filesystem::create_directories(dir);
    return dir;
  }
  // A 64-sector image whose sector n holds the byte n.
  static std::string MakeImage(const std::string& name) {
    std::string bytes;
    for (int n = 0; n < 64; ++n) bytes += std::string(2048, static_cast<char>(n));
    const std::string path = Dir() + "/" + name;
    WriteFile(path, bytes);
    return path;
  }
  static std::int32_t ReadOne(char16_t letter, std::int32_t address) {
    std::vector<std::uint8_t> buffer(2048);
    return ReadSectors(letter, address, 1, kReadUserData, buffer.data(), 2048);
  }
  static std::int64_t Missing(char16_t letter) {
    std::int64_t missing = -2;
    EXPECT_EQ(GetMissingSectors(letter, &missing), 0);
    return missing;
  }
};

TEST_F(CopyDriveTest, MissingSectorsFailAndTheFaultsApplyToo) {
  const std::string copy = MakeImage("copy.iso");
  WriteFile(copy + ".map",
            "# Mapfile\n0x0 + 1\n0x0 0x1800 +\n0x1800 0x800 -\n0x2000 0x3000 +\n"
            "0x5000 0x1800 ?\n0x6800 0x19800 +\n");
  WriteFile(copy + ".faults", "20 always\n30 1\n");
  const std::string plain = MakeImage("plain.iso");
  testing_support::UseImages({copy, plain});
  ASSERT_EQ(testing_support::DeviceTexts(),
            (std::vector<std::u16string>{u"D: copy.iso", u"E: plain.iso"}));
  EXPECT_EQ(Missing(u'D'), 4);
  EXPECT_EQ(Missing(u'E'), -1);
  for (const std::int32_t sector : {3, 10, 11, 12, 20})
    EXPECT_NE(ReadOne(u'D', sector), 0) << sector;
  for (const std::int32_t sector : {2, 4, 9, 13, 63}) EXPECT_EQ(ReadOne(u'D', sector), 0) << sector;
  EXPECT_NE(ReadOne(u'D', 30), 0);  // the faults file's counted failure, then
  EXPECT_EQ(ReadOne(u'D', 30), 0);
  EXPECT_NE(ReadOne(u'D', 3), 0);  // a missing sector never reads
  std::vector<std::uint8_t> eight(8 * 2048);
  EXPECT_NE(ReadSectors(u'D', 0, 8, kReadUserData, eight.data(), 8 * 2048), 0);
  EXPECT_EQ(ReadSectors(u'D', 40, 8, kReadUserData, eight.data(), 8 * 2048), 0);
  EXPECT_EQ(eight[0], 40);

  // The mapfile is read once and not listed among the drive's files, so that
  // the copy writing it may go on replacing it.
  std::vector<std::string> files;
  ListImageFiles(
      [](void* context, const ImageFileRecord* record) -> std::int32_t {
        static_cast<std::vector<std::string>*>(context)->push_back(record->path);
        return 0;
      },
      &files);
  EXPECT_THAT(files, ::testing::Contains(copy + ".faults"));
  EXPECT_THAT(files, ::testing::Not(::testing::Contains(copy + ".map")));
  WriteFile(copy + ".map", "0 +\n0 0x20000 +\n");
  EXPECT_NE(ReadOne(u'D', 3), 0);
}

TEST_F(CopyDriveTest, AMapfileThatDoesNotFitMakesTheImageUnusable) {
  const std::string shorter = MakeImage("shorter.iso");
  WriteFile(shorter + ".map", "0 +\n0 0x10000 +\n");
  const std::string malformed = MakeImage("malformed.iso");
  WriteFile(malformed + ".map", "0 +\n0 0x20000 +\nhello\n");
  const std::string folder = MakeImage("folder.iso");
  std::filesystem::create_directories(folder + ".map");
  // A cue sheet of two BIN files: a mapfile describes one file.
  const std::string dir = Dir();
  WriteFile(dir + "/a.bin", std::string(10 * 2352, 'a'));
  WriteFile(dir + "/b.bin", std::string(10 * 2352, 'b'));
  WriteFile(dir + "/two.cue",
            "FILE a.bin BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
            "FILE b.bin BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n");
  WriteFile(dir + "/two.cue.map", "0 +\n0 23520 +\n");
  testing_support::UseImages({shorter, malformed, folder, dir + "/two.cue"});
  EXPECT_THAT(testing_support::DeviceTexts(),
              ::testing::ElementsAre(u"#D: shorter.iso: the mapfile describes 65536 byte",
                                     u"#E: malformed.iso: mapfile line 3: not a block (P",
                                     u"#F: folder.iso: mapfile: not a regular file",
                                     u"#G: two.cue: the cue sheet names 2 files, and a m"));
  char16_t text[200];
  std::int32_t units = 200;
  ASSERT_EQ(GetDeviceUnusableReason(u'D', text, &units), 0);
  EXPECT_EQ(Narrow(text),
            "shorter.iso: the mapfile describes 65536 bytes and the image has 131072: it is not "
            "this copy's mapfile");
}

// A BIN/CUE copy: the mapfile beside the sheet counts the BIN file's bytes,
// 2352 a sector.
TEST_F(CopyDriveTest, ACueSheetsMapfileCountsItsBinFile) {
  const std::string dir = Dir();
  WriteFile(dir + "/audio.bin", std::string(20 * 2352, 'x'));
  WriteFile(dir + "/audio.cue", "FILE audio.bin BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n");
  // Bytes 5 × 2352 + 100 to 7 × 2352 bad: sectors 5 and 6.
  WriteFile(dir + "/audio.cue.map", "0 +\n0 11860 +\n11860 4604 -\n16464 30576 +\n");
  testing_support::UseImages({dir + "/audio.cue"});
  ASSERT_EQ(testing_support::DeviceTexts(), std::vector<std::u16string>{u"D: audio.cue"});
  EXPECT_EQ(Missing(u'D'), 2);
  EXPECT_EQ(ReadOne(u'D', 4), 0);
  EXPECT_NE(ReadOne(u'D', 5), 0);
  EXPECT_NE(ReadOne(u'D', 6), 0);
  EXPECT_EQ(ReadOne(u'D', 7), 0);
  std::vector<std::uint8_t> raw(2352);
  EXPECT_NE(ReadSectors(u'D', 6, 1, kReadRawSector, raw.data(), 2352), 0);
}

// The public reader: a callback ends it with its own result, and a problem
// is cut to the room given.
TEST(ParseMapfileOperation, CallbackAndProblem) {
  const std::string text = "0x800 ? 2\n0 0x800 +\n0x800 0x800 -\n";
  MapfileStatusLine status{};
  int blocks = 0;
  const MapfileBlockCallback count = [](void* context, const MapfileBlockRecord*) -> std::int32_t {
    return ++*static_cast<int*>(context) == 2 ? 77 : 0;
  };
  EXPECT_EQ(ParseMapfile(text.data(), text.size(), &status, count, &blocks, nullptr, 0), 77);
  EXPECT_EQ(blocks, 2);
  EXPECT_EQ(status.position, 0x800u);
  EXPECT_EQ(status.operation, '?');
  EXPECT_EQ(status.pass, 2);

  const std::string bad = "0 +\n0 0x800 x\n";
  char problem[8];
  EXPECT_EQ(ParseMapfile(bad.data(), bad.size(), &status, count, &blocks, problem, sizeof problem),
            kResultInvalidArgument);
  EXPECT_STREQ(problem, "line 2:");
  EXPECT_EQ(ParseMapfile(nullptr, 0, &status, count, &blocks, nullptr, 0), kResultInvalidArgument);
}

}  // namespace
}  // namespace wrenlo
