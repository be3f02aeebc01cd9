// lumeter-cli in a hostile environment: FIFOs and links where files are
// expected, closed or failing standard streams, signals, and a disc whose
// file system cannot be listed. Nothing may hang, clobber a file or report
// success it did not have.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "CliFixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Json = nlohmann::json;

namespace {

// Whether ddrescuelog takes the file as a mapfile.
bool IsMapfile(const std::string& path) {
  return RunChild({"/usr/bin/ddrescuelog", "-b", "2048", "-t", path}, {}).status == 0;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class CliHostileTest : public CliTest {
 protected:
  void SetUp() override {
    work = folder + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
  }
  // The names in the test's own folder.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(work))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // lumeter-cli on the images given instead of the fixture's.
  static ChildResult CliOn(const std::string& images, const std::vector<std::string>& args) {
    std::vector<std::string> argv{LUMETER_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunChild(argv, {{"WRENLO_IMAGES", images}});
  }

  std::string work;
};

TEST_F(CliHostileTest, FifosAsImageOrFaultsFileAreRefusedAtOnce) {
  ASSERT_EQ(::mkfifo((work + "/fifo.iso").c_str(), 0600), 0);
  WriteFile(work + "/good.iso", std::string(4096, 'x'));
  ASSERT_EQ(::mkfifo((work + "/good.iso.faults").c_str(), 0600), 0);
  const ChildResult devices = CliOn(work + "/fifo.iso:" + work + "/good.iso", {"devices"});
  EXPECT_THAT(
      Lines(devices.out),
      testing::IsSupersetOf({testing::EndsWith("fifo.iso: not a regular file"),
                             testing::EndsWith("good.iso: faults file: not a regular file")}));
  const ChildResult info = CliOn(work + "/fifo.iso", {"info"});
  EXPECT_EQ(info.status, 2);
  EXPECT_THAT(info.err, HasSubstr("cannot be used"));
}

TEST_F(CliHostileTest, OutputsThroughLinksFifosAndDevicesAreNeverReplaced) {
  const std::string plain = Drive("plain.img");
  // Sector 42 of plain.img reads at once.
  const std::string sector42 = ReadWholeFile(folder + "/plain.img").substr(42 * 2048, 2048);
  std::filesystem::create_directory(work + "/real");
  WriteFile(work + "/real/old.map", "old");
  std::filesystem::create_symlink("real/old.map", work + "/link.map");
  std::filesystem::create_symlink("real/new.bin", work + "/dangling.bin");

  EXPECT_EQ(Cli({"scan", plain, "--mapfile", work + "/link.map"}).status, 1);
  EXPECT_TRUE(std::filesystem::is_symlink(work + "/link.map"));
  EXPECT_TRUE(IsMapfile(work + "/real/old.map"));
  EXPECT_EQ(Cli({"save", plain, "42", work + "/dangling.bin"}).status, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(work + "/dangling.bin"));
  EXPECT_TRUE(ReadWholeFile(work + "/real/new.bin") == sector42);

  // A FIFO is written to while a reader waits, and refused without one.
  const std::string fifo = work + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const ChildResult noReader = Cli({"save", plain, "42", fifo});
  EXPECT_EQ(noReader.status, 2);
  EXPECT_THAT(noReader.err, HasSubstr(fifo + ": no process reads from the FIFO"));
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(Cli({"save", plain, "42", fifo}).status, 0);
  std::string received(4096, '\0');
  received.resize(static_cast<std::size_t>(
      std::max<ssize_t>(0, ::read(reader, received.data(), received.size()))));
  ::close(reader);
  EXPECT_TRUE(received == sector42);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));

  // A device node: written, not replaced by a file (making one needs root).
  const std::string node = work + "/null";
  if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    EXPECT_EQ(Cli({"save", plain, "42", node}).status, 0);
    EXPECT_EQ(Cli({"scan", plain, "--mapfile", node}).status, 1);
    EXPECT_TRUE(std::filesystem::is_character_file(node));
  }
  // "-" is standard output.
  const ChildResult toStdout = Cli({"save", plain, "42", "-"});
  EXPECT_EQ(toStdout.status, 0);
  EXPECT_TRUE(toStdout.out == sector42);
  EXPECT_TRUE(std::filesystem::is_symlink(work + "/link.map"));
}

// Every output aimed at a file the program reads, by any name, is refused
// with one line before anything is written, and every input stays as it was.
TEST_F(CliHostileTest, NoOutputEverReplacesAFileBeingRead) {
  const std::string disc = work + "/disc.iso";
  std::filesystem::copy_file(folder + "/disc.iso", disc);
  WriteFile(disc + ".faults", "# no faults\n");
  std::filesystem::create_symlink("disc.iso", work + "/link.iso");
  std::filesystem::create_hard_link(disc, work + "/hard.iso");
  std::filesystem::copy_file(folder + "/plain.img", work + "/cd.bin");
  WriteFile(work + "/cd.cue",
            "FILE \"cd.bin\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n");
  const std::vector<std::string> inputs = {"disc.iso", "disc.iso.faults", "cd.cue", "cd.bin"};
  std::map<std::string, std::string> before;
  for (const std::string& input : inputs) before[input] = ReadWholeFile(work + "/" + input);
  const std::vector<std::string> entries = Entries();

  const std::pair<const char*, const char*> targets[] = {
      {"disc.iso", "the disc image being read"},
      {"link.iso", "the disc image being read"},
      {"hard.iso", "the disc image being read"},
      {"disc.iso.faults", "the faults file of the disc image being read"},
      {"cd.cue", "the cue sheet being read"},
      {"cd.bin", "a BIN file of the cue sheet being read"},
  };
  const std::vector<std::vector<std::string>> outputs = {
      {"scan", "D:", "--mapfile"}, {"scan", "D:", "--speed-csv"}, {"save", "E:", "16"},
      {"report", "E:", "--json"},  {"report", "D:", "--html"},
  };
  for (const auto& [target, what] : targets) {
    for (std::vector<std::string> args : outputs) {
      args.push_back(work + "/" + target);
      SCOPED_TRACE(testing::PrintToString(args));
      const ChildResult result = CliOn(disc + ":" + work + "/cd.cue", args);
      EXPECT_EQ(result.status, 2);
      EXPECT_THAT(Lines(result.err),
                  ElementsAre(testing::EndsWith(work + "/" + target + " is " + what)));
    }
  }
  for (const std::string& input : inputs)
    EXPECT_TRUE(ReadWholeFile(work + "/" + input) == before[input]) << input;
  EXPECT_EQ(Entries(), entries);  // no temporary file left either

  // The mapfile a retry reads, and standard output appended to the image.
  const std::string map = work + "/old.map";
  WriteFile(map, "0x0 +\n0x0 0x1000 +\n");
  const ChildResult retry = CliOn(disc, {"scan", "--retry-from", map, "--mapfile", map});
  EXPECT_EQ(retry.status, 2);
  EXPECT_THAT(retry.err, HasSubstr(map + " is the mapfile being retried from\n"));
  EXPECT_EQ(ReadWholeFile(map), "0x0 +\n0x0 0x1000 +\n");
  ChildStreams appended;
  appended.output = ChildStreams::Output::AppendedFile;
  appended.outputFile = work + "/link.iso";
  const ChildResult media = RunChild({LUMETER_CLI, "media"}, {{"WRENLO_IMAGES", disc}}, appended);
  EXPECT_EQ(media.status, 2);
  EXPECT_EQ(media.err, "lumeter-cli: standard output is the disc image being read\n");
  EXPECT_TRUE(ReadWholeFile(disc) == before["disc.iso"]);
}

// A disk is never written: a block device is refused by name, before it is
// opened (the node made here stands for a device that is not there).
TEST_F(CliHostileTest, BlockDevicesAreRefusedAsOutputs) {
  const std::string node = work + "/disk";
  if (::mknod(node.c_str(), S_IFBLK | 0600, makedev(240, 250)) != 0)
    GTEST_SKIP() << "making a device node needs root";
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"save", Drive("plain.img"), "42", node},
                                             {"scan", Drive("plain.img"), "--mapfile", node},
                                             {"report", Drive("plain.img"), "--json", node}}) {
    SCOPED_TRACE(args[0]);
    const ChildResult result = Cli(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(
        result.err,
        testing::EndsWith(node + " is a block device; this program does not write to disks\n"));
  }
  EXPECT_TRUE(std::filesystem::is_block_file(node));
}

TEST_F(CliHostileTest, ClosedStandardStreamsNeverLandInTheMapfile) {
  ChildStreams closed;
  closed.output = ChildStreams::Output::Closed;
  closed.closeError = true;
  const std::string map = work + "/m.map";
  const ChildResult scan = Cli({"scan", Drive("plain.img"), "--json", "--mapfile", map}, closed);
  // The summary was lost, and the status says so.
  EXPECT_EQ(scan.status, 2);
  EXPECT_THAT(ReadWholeFile(map), StartsWith("# Mapfile. Created by lumeter-cli"));
  EXPECT_TRUE(IsMapfile(map));
}

TEST_F(CliHostileTest, LostOutputIsStatusTwoWithOneLine) {
  ChildStreams full;
  full.output = ChildStreams::Output::File;
  full.outputFile = "/dev/full";
  ChildStreams closed;
  closed.output = ChildStreams::Output::Closed;
  ChildStreams broken;
  broken.output = ChildStreams::Output::BrokenPipe;
  const std::pair<std::vector<std::string>, ChildStreams> cases[] = {
      {{"devices"}, full},
      {{"scan", Drive("disc.iso"), "--json"}, full},
      {{"dump", Drive("disc.iso"), "42"}, closed},
      {{"media", Drive("disc.iso")}, broken},
      {{"--help"}, full},
  };
  for (const auto& [args, streams] : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    const ChildResult result = Cli(args, streams);
    EXPECT_EQ(result.status, 2);
    const std::vector<std::string> lines = Lines(result.err);
    ASSERT_FALSE(lines.empty());
    EXPECT_THAT(lines.back(), StartsWith("lumeter-cli: cannot write to standard output: "));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                              return line.find("standard output") != std::string::npos;
                            }),
              1);
  }
}

// A reader gone ("... | head -1") stops the scan as SIGTERM does, rather
// than reading on for hours: the map of what was read is written, and the
// status says the output was lost. A command that printed nothing there has
// nothing to lose.
TEST_F(CliHostileTest, AReaderGoneStopsTheScanAndTheMapIsWritten) {
  ChildStreams broken;
  broken.output = ChildStreams::Output::BrokenPipe;
  const std::string map = work + "/slow.map";
  const ChildResult scan = Cli({"scan", Drive("slow.img"), "--mapfile", map}, broken);
  EXPECT_EQ(scan.status, 2);  // not killed by SIGPIPE
  EXPECT_THAT(Lines(scan.err),
              ElementsAre("lumeter-cli: cannot write to standard output: Broken pipe"));
  EXPECT_TRUE(IsMapfile(map));
  // Stopped: sectors not read, and the status line says so.
  EXPECT_THAT(ReadWholeFile(map), HasSubstr("  ?\n"));
  EXPECT_THAT(ReadWholeFile(map), HasSubstr("     ?               1\n"));

  ChildStreams closed;
  closed.output = ChildStreams::Output::Closed;
  const ChildResult save = Cli({"save", Drive("plain.img"), "42", work + "/42.bin"}, closed);
  EXPECT_EQ(save.status, 0) << save.err;
  EXPECT_EQ(save.err, "");
  EXPECT_TRUE(ReadWholeFile(work + "/42.bin") ==
              ReadWholeFile(folder + "/plain.img").substr(42 * 2048, 2048));
}

TEST_F(CliHostileTest, StopSignalsWriteThePartialMapAndLeaveNoTemporaryFile) {
  for (const int signal : {SIGTERM, SIGHUP, SIGKILL}) {
    SCOPED_TRACE(strsignal(signal));
    const std::string map = work + "/slow.map";
    std::filesystem::remove(map);
    ChildProcess child({LUMETER_CLI, "scan", Drive("slow.img"), "--json", "--mapfile", map},
                       Drives());
    ASSERT_TRUE(child.WaitForError("Surface scan started", std::chrono::seconds(30)));
    child.Signal(signal);
    const ChildResult stopped = child.Finish(std::chrono::seconds(30));
    if (signal == SIGKILL) {
      EXPECT_TRUE(Entries().empty());  // nothing half made
      continue;
    }
    EXPECT_EQ(stopped.status, 1) << stopped.err;
    EXPECT_EQ(Json::parse(stopped.out)["stopped"], true);
    EXPECT_TRUE(IsMapfile(map));
    EXPECT_THAT(ReadWholeFile(map), HasSubstr("  ?\n"));  // sectors not read
    EXPECT_EQ(Entries(), std::vector<std::string>{"slow.map"});
  }
}

// Writes disc to path with its sectors from first on cut off, or made to
// fail always; returns path.
std::string DiscWithout(std::string disc, const std::string& path, std::size_t first, bool cut) {
  if (cut) disc.resize(first * 2048);
  WriteFile(path, disc);
  if (!cut)
    WriteFile(path + ".faults",
              std::to_string(first) + "-" + std::to_string(disc.size() / 2048 - 1) + " always\n");
  return path;
}

TEST_F(CliHostileTest, FilesTestReportsAFileSystemItCannotList) {
  // The first sector after the volume descriptors: path tables and
  // directories come next.
  const std::string disc = ReadWholeFile(folder + "/disc.iso");
  std::size_t afterDescriptors = 16;
  while (static_cast<unsigned char>(disc[afterDescriptors * 2048]) != 255) ++afterDescriptors;
  ++afterDescriptors;
  const std::string images = DiscWithout(disc, work + "/cut.iso", afterDescriptors, true) + ":" +
                             DiscWithout(disc, work + "/failing.iso", afterDescriptors, false);
  const std::pair<const char*, const char*> cases[] = {
      {"D:", "/: corrupt file system"},
      {"E:", "/: medium error"},
  };
  for (const auto& [drive, what] : cases) {
    SCOPED_TRACE(what);
    const ChildResult json = CliOn(images, {"scan", drive, "--files", "--json"});
    EXPECT_EQ(json.status, 1) << json.err;
    const Json summary = Json::parse(json.out);
    EXPECT_EQ(summary["files_total"], 0);
    EXPECT_EQ(summary["file_system_errors"], Json::array({what}));
    EXPECT_THAT(json.err, HasSubstr("  File system error: " + std::string(what) + "\n"));
    EXPECT_THAT(json.err,
                HasSubstr("Files test finished: nothing was tested, 1 folder not listed"));
    const ChildResult text = CliOn(images, {"scan", drive, "--files"});
    EXPECT_EQ(text.status, 1);
    EXPECT_THAT(text.out, HasSubstr("Files test: 0 files, 0 checked, 0 with errors\n"
                                    "File system errors:\n  " +
                                    std::string(what) + "\n"));
  }
  // A disc without a file system has nothing to list, and no error.
  const ChildResult none =
      CliOn(work + "/cut.iso:" + folder + "/slow.img", {"scan", "E:", "--files", "--json"});
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(Json::parse(none.out)["file_system_errors"], Json::array());
}

TEST_F(CliHostileTest, DevicesSaysWhatItCannotList) {
  // No drive at all, and only unusable ones: status 1, and a true reason.
  const ChildResult none = CliOn("", {"devices"});
  if (!none.out.empty()) GTEST_SKIP() << "this machine has optical drives";
  EXPECT_EQ(none.status, 1);
  EXPECT_THAT(Lines(none.err), ElementsAre(HasSubstr("no drives found")));
  const ChildResult unusable = CliOn(folder + "/broken.img", {"info"});
  EXPECT_EQ(unusable.status, 2);
  EXPECT_THAT(unusable.err, HasSubstr("no usable drive: the 1 entry listed cannot be used"));
  EXPECT_EQ(CliOn(folder + "/broken.img", {"devices"}).status, 1);

  // More images than letters: those left out are counted.
  std::string images;
  for (int i = 0; i < 25; ++i) images += folder + "/plain.img:";
  const ChildResult many = CliOn(images, {"devices"});
  EXPECT_EQ(many.status, 0);
  EXPECT_EQ(Lines(many.out).size(), 23u);
  EXPECT_THAT(many.err, HasSubstr("2 images of WRENLO_IMAGES left out: no drive letters after Z"));

  // A name with control characters is printed escaped, as in the JSON.
  const std::string odd = work + "/odd\x1b[31m\nname.iso";
  WriteFile(odd, std::string(2048, 'x'));
  const ChildResult escaped = CliOn(odd, {"devices"});
  EXPECT_EQ(escaped.out, "D: odd\\e[31m\\nname.iso\n");
  EXPECT_EQ(Json::parse(CliOn(odd, {"devices", "--json"}).out)[0]["text"],
            "D: odd\x1b[31m\nname.iso");
}

// Names and labels holding escape sequences, a terminal title (OSC ... BEL),
// CR, a newline and a right-to-left override reach no printer raw: every
// text output shows them escaped on their own line, and JSON keeps them whole.
TEST_F(CliHostileTest, ControlCharactersFromADiscNeverReachTheTerminal) {
  const std::string name = "a\x1b]0;pwned\x07\nforged\xE2\x80\xAEtxt.exe";
  const std::string shown = "a\\e]0;pwned\\u0007\\nforged\\u202Etxt.exe";
  std::filesystem::create_directories(work + "/tree");
  WriteFile(work + "/tree/" + name, std::string(5000, 'x'));
  const std::string disc = work + "/names.iso";
  ASSERT_EQ(RunChild({"/usr/bin/xorriso", "-as", "mkisofs", "-quiet", "-R", "-V",
                      "LBL\x1b[2J\xE2\x80\xAE", "-o", disc, work + "/tree"},
                     {})
                .status,
            0);
  // The file's first sector never reads, so the scans name it too.
  const std::int32_t fileSector = FindSector(ReadWholeFile(disc), std::string(2048, 'x'));
  WriteFile(disc + ".faults", std::to_string(fileSector) + " always\n");
  const std::string odd = work + "/bad\x1b[31m\r.iso";
  WriteFile(odd, std::string(1000, 'x'));  // unusable: too small
  const std::string images = disc + ":" + odd;

  const std::vector<std::vector<std::string>> commands = {
      {"files"},           {"whohas", std::to_string(fileSector)}, {"media"}, {"scan"},
      {"scan", "--files"}, {"scan", "--files", "--json"},  // the log on standard error
      {"info", "E:"},                                      // the image's name in an error line
  };
  for (const std::vector<std::string>& args : commands) {
    SCOPED_TRACE(testing::PrintToString(args));
    const ChildResult result = CliOn(images, args);
    for (const std::string& output : {result.out, result.err}) {
      for (const char raw : {'\x1b', '\x07', '\r'})
        EXPECT_EQ(output.find(raw), std::string::npos) << int(raw) << " in " << output;
      EXPECT_EQ(output.find("\xE2\x80\xAE"), std::string::npos) << output;
      EXPECT_EQ(output.find("\nforged"), std::string::npos) << output;  // no forged line
    }
    const std::string all = result.out + result.err;
    EXPECT_TRUE(all.find(shown) != std::string::npos ||
                all.find("LBL\\e[2J\\u202E") != std::string::npos ||
                all.find("bad\\e[31m\\r.iso") != std::string::npos)
        << all;
  }
  const ChildResult json = CliOn(images, {"files", "--json"});
  EXPECT_EQ(Json::parse(json.out)["files"][0]["path"], "/" + name);
  EXPECT_NE(json.out.find("\\u001B]0;pwned\\u0007\\nforged\\u202Etxt.exe"), std::string::npos);

  // The reports: HTML carries no control byte but the line ends of its markup.
  for (const char* kind : {"--html", "--json"}) {
    const std::string report = work + "/report" + kind;
    ASSERT_EQ(CliOn(images, {"report", "--scan", "both", kind, report}).status, 1);
    const std::string text = ReadWholeFile(report);
    EXPECT_TRUE(std::none_of(text.begin(), text.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 && c != '\n';
    })) << kind;
    EXPECT_EQ(text.find("\xE2\x80\xAE"), std::string::npos) << kind;
  }
}

}  // namespace
