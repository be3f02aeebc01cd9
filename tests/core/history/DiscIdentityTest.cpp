// Which disc is in a drive, on the real engine with images made at test
// time: the same disc in two drives and as a raw CD image is one disc; discs
// with the same label are told apart by what they hold and when they were
// made.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HistoryTestSupport.h"
#include "core/disc/DeviceContext.h"
#include "core/history/DiscIdentity.h"
#include "core/history/HistoryScans.h"
#include "support/Command.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"
#include "support/RawCdWriter.h"

namespace {

using testing_support::NewFolder;
using testing_support::RunCommand;

DiscIdentity Identify(char16_t letter) {
  const DeviceContext context(letter);
  DiscIdentity identity;
  std::string error;
  EXPECT_TRUE(IdentifyDisc(context, identity, error)) << error;
  return identity;
}

// The image as a raw CD image: a cue sheet and its BIN of Mode 1 sectors.
std::string RawCopy(const std::string& image, const std::string& folder) {
  const std::vector<std::uint8_t> bytes = testing_support::ReadFile(image);
  std::ofstream bin(folder + "/disc.bin", std::ios::binary);
  for (std::size_t sector = 0; sector * 2048 < bytes.size(); ++sector) {
    const std::vector<std::uint8_t> raw = testing_support::Mode1Sector(
        static_cast<std::uint32_t>(sector), bytes.data() + sector * 2048);
    bin.write(reinterpret_cast<const char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
  }
  const std::string cue = folder + "/disc.cue";
  std::ofstream(cue) << "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
  return cue;
}

// An ISO image labelled SAME made at created (xorriso's 16 digits) of a file
// of size bytes.
std::string SameLabel(const std::string& folder, const std::string& name, std::size_t size,
                      const std::string& created) {
  const std::string tree = folder + "/" + name + "-tree";
  std::filesystem::create_directories(tree);
  std::ofstream(tree + "/DATA.BIN") << std::string(size, 'x');
  const std::string image = folder + "/" + name + ".iso";
  const testing_support::CommandResult made =
      RunCommand({"xorriso", "-no_rc", "-outdev", image, "-volid", "SAME", "-volume_date", "c",
                  created, "-volume_date", "m", created, "-map", tree, "/", "-commit"});
  EXPECT_EQ(made.exitCode, 0) << made.output;
  return image;
}

TEST(DiscIdentityTest, TheSameDiscInTwoDrivesAndAsARawImageIsOneDisc) {
  const std::string folder = NewFolder();
  const std::string healthy = testing_support::GetFixtures().healthy;
  const std::string copy = folder + "/copy of healthy.iso";
  std::filesystem::copy_file(healthy, copy);
  testing_support::UseImages({healthy, copy, RawCopy(healthy, folder)});

  const DiscIdentity disc = Identify(u'D');
  EXPECT_EQ(disc.label, "HEALTHY");
  EXPECT_EQ(disc.created.substr(0, 19), "2010-03-15 14:05:09");
  EXPECT_EQ(disc.sectors, static_cast<std::int64_t>(std::filesystem::file_size(healthy) / 2048));
  EXPECT_EQ(disc.fileSystem, "ISO 9660");
  EXPECT_EQ(disc.descriptorHash.size(), 64u);
  EXPECT_EQ(Identify(u'E'), disc);
  EXPECT_EQ(Identify(u'F'), disc);

  // The drives differ: each image by its path.
  const DeviceContext second(u'E');
  EXPECT_EQ(DriveOf(second).imagePath, copy);
}

TEST(DiscIdentityTest, DiscsWithTheSameLabelAreToldApart) {
  const std::string folder = NewFolder();
  const std::string small = SameLabel(folder, "small", 10, "2020010112000000");
  const std::string large = SameLabel(folder, "large", 300000, "2020010112000000");
  const std::string later = SameLabel(folder, "later", 10, "2021010112000000");
  testing_support::UseImages({small, large, later});
  const DiscIdentity discs[] = {Identify(u'D'), Identify(u'E'), Identify(u'F')};
  for (const DiscIdentity& disc : discs) EXPECT_EQ(disc.label, "SAME");
  EXPECT_NE(discs[0], discs[1]);
  EXPECT_NE(discs[0].descriptorHash, discs[1].descriptorHash);
  EXPECT_NE(discs[0], discs[2]);
  EXPECT_NE(discs[0].descriptorHash, discs[2].descriptorHash);
  EXPECT_NE(discs[0].created, discs[2].created);
}

TEST(DiscIdentityTest, UdfAloneNoFileSystemAndUnreadableDescriptors) {
  const std::string folder = NewFolder();
  const std::string udf = folder + "/udf.img";
  ASSERT_EQ(
      RunCommand({"mkudffs", "--media-type=hd", "--blocksize=2048", "--lvid=ARCHIVE", udf, "2000"})
          .exitCode,
      0);
  const std::string blank = folder + "/blank.img";
  const std::string other = folder + "/other blank.img";
  testing_support::MakeSparseImage(blank, 300);
  testing_support::MakeSparseImage(other, 301);
  const std::string unreadable = folder + "/unreadable.iso";
  std::filesystem::copy_file(testing_support::GetFixtures().healthy, unreadable);
  std::ofstream(unreadable + ".faults") << "16 always\n";
  testing_support::UseImages({udf, blank, other, unreadable});

  const DiscIdentity archive = Identify(u'D');
  EXPECT_EQ(archive.fileSystem, "UDF");
  EXPECT_EQ(archive.label, "ARCHIVE");
  EXPECT_FALSE(archive.created.empty());

  // Known by their sessions: the same size is the same disc.
  const DiscIdentity none = Identify(u'E');
  EXPECT_EQ(none.fileSystem, "none");
  EXPECT_EQ(none.label, "");
  EXPECT_EQ(none.created, "");
  EXPECT_NE(Identify(u'F'), none);

  const DeviceContext context(u'G');
  DiscIdentity identity;
  std::string error;
  EXPECT_FALSE(IdentifyDisc(context, identity, error));
  EXPECT_EQ(error, "the disc's volume descriptors cannot be read");
}

}  // namespace
