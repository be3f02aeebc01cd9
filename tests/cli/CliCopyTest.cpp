// lumeter-cli copy on disc images: the image and mapfile it leaves, GNU
// ddrescue continuing its copies and it continuing ddrescue's, a BIN/CUE
// copy read back by libcdio and bchunk, the files it refuses to write, and
// a write that fails part-way.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>

#include "CliFixture.h"
#include "RawCdWriter.h"

using ::testing::HasSubstr;
using Json = nlohmann::json;

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kSector = 2048;
constexpr std::size_t kWhole = 2352;

// The sectors of a mapfile in a ddrescue state, as ddrescuelog lists them.
std::vector<std::int64_t> Listed(const std::string& map, char state, int sectorBytes = 2048) {
  const ChildResult listed = RunChild({"/usr/bin/ddrescuelog", "-b", std::to_string(sectorBytes),
                                       std::string("--list-blocks=") + state, map},
                                      {});
  EXPECT_EQ(listed.status, 0) << listed.err;
  std::vector<std::int64_t> sectors;
  for (const std::string& line : Lines(listed.out)) sectors.push_back(std::stoll(line));
  return sectors;
}

std::string Blank(std::string bytes, std::size_t sector) {
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(sector * kSector), kSector, '\0');
  return bytes;
}

class CliCopyTest : public CliTest {
 protected:
  std::string Out(const std::string& name) const {
    const std::string dir = folder + "/copy";
    fs::create_directories(dir);
    return dir + "/" + name;
  }
};

// A damaged disc: everything but its bad sector copied, that sector a hole,
// the mapfile marking exactly it bad, the file on it named.
TEST_F(CliCopyTest, ADamagedDiscIsCopiedButItsBadSector) {
  const std::string image = Out("damaged-copy.iso");
  const ChildResult copied = Cli({"copy", Drive("damaged.iso"), image, "--json"});
  EXPECT_EQ(copied.status, 1) << copied.err;
  const Json summary = Json::parse(copied.out);
  const std::string disc = ReadWholeFile(folder + "/disc.iso");
  const std::int64_t sectors = static_cast<std::int64_t>(disc.size() / kSector);
  EXPECT_EQ(summary["rescued_sectors"], sectors - 1);
  EXPECT_EQ(summary["bad_sectors"], 1);
  EXPECT_EQ(summary["not_tried_sectors"], 0);
  EXPECT_EQ(summary["mapfile"], image + ".map");
  ASSERT_EQ(summary["incomplete_files"].size(), 1u);
  EXPECT_EQ(summary["incomplete_files"][0]["bad_sectors"], 1);
  EXPECT_THAT(summary["incomplete_files"][0]["path"].get<std::string>(), HasSubstr("BIG.BIN"));
  EXPECT_EQ(summary["incomplete_files"][0]["ranges"],
            Json::parse("[[" + std::to_string(damagedSector) + ", " +
                        std::to_string(damagedSector) + "]]"));
  EXPECT_TRUE(ReadWholeFile(image) == Blank(disc, static_cast<std::size_t>(damagedSector)));
  EXPECT_EQ(Listed(image + ".map", '-'), std::vector<std::int64_t>{damagedSector});
  EXPECT_THAT(copied.err, HasSubstr("Retrying the bad sectors, pass 1 of 1"));

  // The text summary says the same; a copy of a healthy disc exits 0.
  const ChildResult healthy = Cli({"copy", Drive("disc.iso"), Out("healthy.iso")});
  EXPECT_EQ(healthy.status, 0) << healthy.err;
  EXPECT_THAT(healthy.out, HasSubstr("Rescued: " + std::to_string(sectors) + " of " +
                                     std::to_string(sectors) + " sectors"));
  EXPECT_THAT(healthy.out, HasSubstr("Incomplete files: none"));
  EXPECT_TRUE(ReadWholeFile(Out("healthy.iso")) == disc);
}

// GNU ddrescue continues a copy this command stopped, and this command one
// that ddrescue began, on a plain image both read.
TEST_F(CliCopyTest, GnuDdrescueContinuesOurCopyAndWeContinueItsCopy) {
  const std::string ours = Out("ours.iso");
  ChildProcess child({LUMETER_CLI, "copy", Drive("slow.img"), ours, "--json"}, Drives());
  ASSERT_TRUE(child.WaitForError("Copying the sectors not tried yet", std::chrono::seconds(30)));
  child.Signal(SIGINT);
  const ChildResult stopped = child.Finish(std::chrono::seconds(30));
  EXPECT_EQ(stopped.status, 1) << stopped.err;
  EXPECT_EQ(Json::parse(stopped.out)["finished"], false);
  EXPECT_FALSE(Listed(ours + ".map", '?').empty());
  const ChildResult continued = RunChild(
      {"/usr/bin/ddrescue", "-q", "-b", "2048", folder + "/slow.img", ours, ours + ".map"}, {});
  EXPECT_EQ(continued.status, 0) << continued.err;
  EXPECT_EQ(Listed(ours + ".map", '+').size(), 20000u);
  EXPECT_TRUE(ReadWholeFile(ours) == ReadWholeFile(folder + "/slow.img"));

  // ddrescue's first 100 KiB of the plain image, then ours of the rest.
  const std::string theirs = Out("theirs.img");
  const ChildResult begun = RunChild({"/usr/bin/ddrescue", "-q", "-b", "2048", "-s", "100KiB",
                                      folder + "/plain.img", theirs, theirs + ".map"},
                                     {});
  ASSERT_EQ(begun.status, 0) << begun.err;
  ASSERT_EQ(Listed(theirs + ".map", '+').size(), 50u);
  // Sector 200 fails five times, so it reads on the sixth read: the retries'.
  const ChildResult finished =
      Cli({"copy", Drive("plain.img"), theirs, "--json", "--retries", "5"});
  EXPECT_EQ(finished.status, 1) << finished.err;  // sectors 150-154 never read
  EXPECT_THAT(finished.out, HasSubstr("\"rescued_sectors\": 295"));
  const std::string plain = ReadWholeFile(folder + "/plain.img");
  std::string expected = plain;
  for (std::size_t s = 150; s <= 154; ++s) expected = Blank(expected, s);
  EXPECT_TRUE(ReadWholeFile(theirs) == expected);
  EXPECT_EQ(Listed(theirs + ".map", '-'), (std::vector<std::int64_t>{150, 151, 152, 153, 154}));
}

// A CD with a data track and an audio track (its pregap in the BIN, before
// index 1) is copied whole to a BIN/CUE image: the BIN equals the source's,
// libcdio's cd-info lists the same tracks for both sheets, cd-read gives the
// same audio, bchunk extracts the same tracks, and the copy reads as a drive.
TEST_F(CliCopyTest, ADataAndAudioCdIsCopiedToBinCue) {
  const std::string dir = Out("cd");
  fs::create_directories(dir);
  const std::string disc = ReadWholeFile(folder + "/disc.iso");
  std::string bin;
  std::uint32_t address = 0;
  for (std::size_t at = 0; at + kSector <= disc.size(); at += kSector, ++address) {
    const auto raw = testing_support::Mode1Sector(
        address, reinterpret_cast<const std::uint8_t*>(disc.data() + at));
    bin.append(raw.begin(), raw.end());
  }
  const std::uint32_t dataSectors = address;
  std::mt19937 random(5);
  for (std::size_t i = 0; i < (150 + 300) * kWhole; ++i)
    bin.push_back(static_cast<char>(random() & 0xFF));
  WriteFile(dir + "/source.bin", bin);
  const auto msf = [](std::uint32_t s) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", s / 4500, s / 75 % 60, s % 75);
    return std::string(text);
  };
  WriteFile(dir + "/source.cue",
            "FILE \"source.bin\" BINARY\n  TRACK 01 MODE1/2352\n"
            "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 " +
                msf(dataSectors) + "\n    INDEX 01 " + msf(dataSectors + 150) + "\n");

  const ChildResult copied = Cli({"copy", "--image", dir + "/source.cue", dir + "/copy.cue"});
  ASSERT_EQ(copied.status, 0) << copied.err << copied.out;
  EXPECT_TRUE(ReadWholeFile(dir + "/copy.bin") == bin);
  EXPECT_THAT(ReadWholeFile(dir + "/copy.cue"), HasSubstr("INDEX 00 " + msf(dataSectors)));

  const auto trackList = [](const std::string& cue) {
    const ChildResult info = RunChild({"/usr/bin/cd-info", "--no-header", "--no-device-info",
                                       "--no-cddb", "--no-analyze", "--cue-file", cue},
                                      {});
    EXPECT_EQ(info.status, 0) << info.err;
    const std::size_t from = info.out.find("CD-ROM Track List");
    const std::size_t to = info.out.find("leadout", from);
    return info.out.substr(from, to - from);
  };
  const std::string sourceTracks = trackList(dir + "/source.cue");
  EXPECT_THAT(sourceTracks, HasSubstr("audio"));
  EXPECT_EQ(trackList(dir + "/copy.cue"), sourceTracks);

  const std::string lsn = std::to_string(dataSectors + 150 + 7);
  for (const char* sheet : {"/source.cue", "/copy.cue"}) {
    const ChildResult read = RunChild({"/usr/bin/cd-read", "--no-header", "-c", dir + sheet, "-m",
                                       "audio", "-s", lsn, "-n", "3", "-o", dir + sheet + ".audio"},
                                      {});
    EXPECT_EQ(read.status, 0) << read.err;
  }
  EXPECT_EQ(ReadWholeFile(dir + "/copy.cue.audio"),
            bin.substr((dataSectors + 157) * kWhole, 3 * kWhole));
  EXPECT_EQ(ReadWholeFile(dir + "/copy.cue.audio"), ReadWholeFile(dir + "/source.cue.audio"));

  for (const char* name : {"source", "copy"})
    ASSERT_EQ(RunChild({"/usr/bin/bchunk", dir + "/" + name + ".bin", dir + "/" + name + ".cue",
                        dir + "/" + name + "-track"},
                       {})
                  .status,
              0);
  EXPECT_TRUE(ReadWholeFile(dir + "/copy-track01.iso") == disc);
  EXPECT_EQ(ReadWholeFile(dir + "/copy-track02.cdr"), ReadWholeFile(dir + "/source-track02.cdr"));

  // The copy as a drive: the same files as the disc, and a scan that reads.
  const ChildResult files = Cli({"files", "--image", dir + "/copy.cue"});
  EXPECT_EQ(files.status, 0) << files.err;
  EXPECT_EQ(files.out, Cli({"files", Drive("disc.iso")}).out);
  EXPECT_EQ(Cli({"scan", "--image", dir + "/copy.cue"}).status, 0);
}

// Every session of a two-session CD goes to one BIN with REM SESSION lines;
// the copy reads back with both sessions at their addresses.
TEST_F(CliCopyTest, EverySessionOfACd) {
  const std::string dir = Out("sessions");
  fs::create_directories(dir);
  std::string first, second;
  for (std::uint32_t a = 0; a < 40; ++a) {
    std::string user(kSector, static_cast<char>('a' + a % 26));
    const auto raw =
        testing_support::Mode1Sector(a, reinterpret_cast<const std::uint8_t*>(user.data()));
    first.append(raw.begin(), raw.end());
  }
  const std::uint32_t secondStart = 40 + 6750 + 4500 + 150;
  for (std::uint32_t a = 0; a < 30; ++a) {
    std::string user(kSector, static_cast<char>('A' + a % 26));
    const auto raw = testing_support::Mode1Sector(
        secondStart + a, reinterpret_cast<const std::uint8_t*>(user.data()));
    second.append(raw.begin(), raw.end());
  }
  WriteFile(dir + "/one.bin", first);
  WriteFile(dir + "/two.bin", second);
  WriteFile(dir + "/two-sessions.cue",
            "REM SESSION 01\nFILE one.bin BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\n"
            "REM SESSION 02\nFILE two.bin BINARY\n TRACK 02 MODE1/2352\n  INDEX 01 00:00:00\n");
  const ChildResult last = Cli({"copy", "--image", dir + "/two-sessions.cue", dir + "/last.iso"});
  EXPECT_EQ(last.status, 0) << last.err;
  EXPECT_EQ(fs::file_size(dir + "/last.iso"), (secondStart + 30) * kSector)
      << "the last session at its own addresses";
  const ChildResult refused =
      Cli({"copy", "--image", dir + "/two-sessions.cue", dir + "/all.iso", "--session", "all"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_THAT(refused.err, HasSubstr("name a .cue image"));
  const ChildResult all =
      Cli({"copy", "--image", dir + "/two-sessions.cue", dir + "/all.cue", "--session", "all"});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_TRUE(ReadWholeFile(dir + "/all.bin") == first + second);
  EXPECT_THAT(ReadWholeFile(dir + "/all.cue"), HasSubstr("REM SESSION 02"));
  const ChildResult media = Cli({"media", "--image", dir + "/all.cue", "--json"});
  const ChildResult original = Cli({"media", "--image", dir + "/two-sessions.cue", "--json"});
  EXPECT_EQ(media.out, original.out);
}

// A copy of a damaged disc, opened as a drive with the mapfile beside it, as
// an ISO image and as BIN/CUE (named by its BIN file too): its surface scan
// finds the same good and error sectors, damaged files and structures as
// the scan of the disc, and the drive list and the media facts say it lacks
// the disc's error sectors.
TEST_F(CliCopyTest, ACopyWithItsMapfileScansAsTheDiscDid) {
  const std::string dir = Out("as-drive");
  fs::create_directories(dir);
  const std::string disc = dir + "/scratched.iso";
  fs::copy_file(folder + "/disc.iso", disc, fs::copy_options::overwrite_existing);
  // The path table just before BIG.BIN's data, a sector of BIG.BIN and
  // three more of it.
  std::int32_t pathTable = bigFileSector - 1;
  while (pathTable > 16 &&
         Cli({"whohas", "--image", disc, std::to_string(pathTable)}).out.find("path tables") ==
             std::string::npos)
    --pathTable;
  WriteFile(disc + ".faults", std::to_string(pathTable) + " always\n" +
                                  std::to_string(damagedSector) + " always\n" +
                                  std::to_string(bigFileSector + 30) + "-" +
                                  std::to_string(bigFileSector + 32) + " always\n");
  const auto scan = [&](const std::string& image) {
    const ChildResult scanned = Cli({"scan", "--image", image, "--surface", "--json"});
    EXPECT_EQ(scanned.status, 1) << scanned.err;
    const Json summary = Json::parse(scanned.out);
    Json classes;
    for (const char* key : {"total", "good", "problems", "errors", "unread", "problem_ranges",
                            "error_ranges", "damaged_files", "damaged_structures"})
      classes[key] = summary[key];
    return classes;
  };
  const Json original = scan(disc);
  EXPECT_EQ(original["errors"], 5);
  ASSERT_EQ(original["damaged_files"].size(), 1u);
  ASSERT_FALSE(original["damaged_structures"].empty());

  // The name copied to, and the image (or sheet) opened as a drive.
  const std::pair<std::string, std::string> copies[] = {
      {"copy.iso", "copy.iso"}, {"copy.cue", "copy.cue"}, {"named.bin", "named.cue"}};
  for (const auto& [named, opened] : copies) {
    SCOPED_TRACE(named);
    const ChildResult copied = Cli({"copy", "--image", disc, dir + "/" + named, "--json"});
    ASSERT_EQ(copied.status, 1) << copied.err;
    EXPECT_EQ(Json::parse(copied.out)["mapfile"], dir + "/" + opened + ".map");
    EXPECT_EQ(scan(dir + "/" + opened), original);

    const Json devices = Json::parse(Cli({"devices", "--json", "--image", dir + "/" + opened}).out);
    Json missing;
    for (const Json& device : devices)
      if (device.value("path", "") == dir + "/" + opened) missing = device["missing_sectors"];
    EXPECT_EQ(missing, 5);
    EXPECT_THAT(Cli({"devices", "--image", dir + "/" + opened}).out,
                HasSubstr(opened + " (partial copy, 5 missing)\n"));
    EXPECT_THAT(Cli({"media", "--image", dir + "/" + opened}).out,
                HasSubstr("Partial copy, 5 sectors missing"));
  }
  // Without the mapfile the copy reads whole, its missing sectors as zeros.
  fs::remove(dir + "/copy.iso.map");
  EXPECT_EQ(Cli({"scan", "--image", dir + "/copy.iso", "--surface"}).status, 0);
}

// What a copy refuses to write, each with one line and status 2, leaving the
// file as it was.
TEST_F(CliCopyTest, RefusesToWriteOverWhatItShouldNot) {
  const std::string dir = Out("refused");
  fs::create_directories(dir);
  const std::string source = dir + "/source.iso";
  fs::copy_file(folder + "/disc.iso", source, fs::copy_options::overwrite_existing);
  const std::string sourceBytes = ReadWholeFile(source);
  // A mapfile, as if continued; whole, so that the source reads as a drive.
  WriteFile(source + ".map", "0x0 + 1\n0x0 " + std::to_string(sourceBytes.size()) + " +\n");
  fs::create_hard_link(source, dir + "/hard-link.iso");
  WriteFile(dir + "/hard-link.iso.map", "0x0 ? 1\n");
  WriteFile(dir + "/existing.iso", "an image of something else");
  WriteFile(dir + "/other.iso", std::string(4096, 'x'));
  WriteFile(dir + "/other.iso.map", "0x0 + 1\n0x0 0x1000 +\n");
  WriteFile(dir + "/orphan.iso.map", "0x0 + 1\n0x0 0x1000 +\n");
  const std::string image = "--image";
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"copy", image, source, source}, source + " is the disc image being read"},
      {{"copy", image, source, dir + "/hard-link.iso"},
       "hard-link.iso is the disc image being read"},
      {{"copy", image, source, dir + "/x.iso", "--mapfile", source},
       "is the disc image being read"},
      {{"copy", image, source, dir + "/existing.iso"},
       "existing.iso already exists and has no mapfile"},
      {{"copy", image, source, dir + "/other.iso"},
       "other.iso.map is the mapfile of a copy of 4096 bytes"},
      {{"copy", image, source, dir + "/orphan.iso"}, "which is not there"},
      {{"copy", image, source, "/dev/null"}, "/dev/null is not a regular file"},
      {{"copy", image, source, dir + "/x.iso", "--sectors-per-read", "0"},
       "bad --sectors-per-read '0'"},
      {{"copy", image, source, dir + "/x.iso", "--session", "2"}, "bad --session '2'"},
      {{"copy", image, source}, "copy needs an IMAGE"},
      {{"copy", image, source, dir + "/x.cue", "--retries", "101"}, "bad --retries '101'"},
  };
  for (const Case& c : cases) {
    const ChildResult refused = Cli(c.args);
    EXPECT_EQ(refused.status, 2) << c.message;
    EXPECT_EQ(Lines(refused.err).size(), 1u) << refused.err;
    EXPECT_THAT(refused.err, HasSubstr(c.message));
  }
  EXPECT_TRUE(ReadWholeFile(source) == sourceBytes);
  EXPECT_EQ(ReadWholeFile(dir + "/existing.iso"), "an image of something else");
  EXPECT_FALSE(fs::exists(dir + "/x.iso"));
}

// A write that fails part-way (a file size limit) stops the copy with one
// line naming the image; the mapfile claims only what the image holds, and
// the copy continues from it.
TEST_F(CliCopyTest, AFailedWriteStopsTheCopyAndItContinues) {
  const std::string image = Out("limited.iso");
  const std::string disc = ReadWholeFile(folder + "/disc.iso");
  const ChildResult limited =
      RunChild({"/bin/bash", "-c", "ulimit -f 200; exec \"$0\" copy \"$1\" \"$2\"", LUMETER_CLI,
                Drive("disc.iso"), image},
               Drives());
  EXPECT_EQ(limited.status, 2);
  EXPECT_THAT(limited.err, HasSubstr("lumeter-cli: " + image + ": File too large"));
  const std::vector<std::int64_t> claimed = Listed(image + ".map", '+');
  ASSERT_FALSE(claimed.empty());
  const std::string held = ReadWholeFile(image);
  for (const std::int64_t s : claimed)
    ASSERT_EQ(held.compare(static_cast<std::size_t>(s) * kSector, kSector, disc,
                           static_cast<std::size_t>(s) * kSector, kSector),
              0)
        << s;
  const ChildResult continued = Cli({"copy", Drive("disc.iso"), image});
  EXPECT_EQ(continued.status, 0) << continued.err;
  EXPECT_TRUE(ReadWholeFile(image) == disc);
}

}  // namespace
