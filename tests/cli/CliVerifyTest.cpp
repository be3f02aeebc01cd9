// The checks of a disc's content through lumeter-cli, each on images made
// here and agreed with an independent tool: md5sum -c on the files of a disc
// laid out as Debian's are (with its md5sum.txt), xorriso's -check_md5 and
// -check_md5_r on images written with -md5 on, checkisomd5 on images with an
// implanted MD5; and compare, against the images it compares.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "CliFixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kSector = 2048;

ChildResult Tool(const std::vector<std::string>& argv) { return RunChild(argv, {}); }

// Overwrites one byte of a file.
void FlipByte(const std::string& path, std::int64_t offset) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekg(offset);
  const char byte = static_cast<char>(file.get() ^ 0x5A);
  file.seekp(offset);
  file.put(byte);
}

std::string Copy(const std::string& from, const std::string& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  return to;
}

// The first sector of a file's data in an image, as xorriso reports it.
std::int64_t DataSector(const std::string& image, const std::string& path) {
  const ChildResult found =
      Tool({"/usr/bin/xorriso", "-no_rc", "-indev", image, "-find", path, "-exec", "report_lba"});
  // "File data lba:  0 ,       70 ,      147 ,   300000 , '/BIG.BIN'"
  const std::size_t at = found.out.find("File data lba:");
  if (at == std::string::npos) throw std::runtime_error("no lba of " + path + ": " + found.out);
  return std::stoll(found.out.substr(found.out.find(',', at) + 1));
}

class CliVerifyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = fs::temp_directory_path() / ("lumeter-verify-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  static void TearDownTestSuite() { fs::remove_all(folder); }

  // lumeter-cli with the image as its drive; the JSON summary when json.
  static ChildResult Cli(std::vector<std::string> args, const std::string& image) {
    std::vector<std::string> argv{LUMETER_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"--image", image});
    return RunChild(argv, {{"WRENLO_IMAGES", ""}});
  }
  static Json Summary(const ChildResult& result) {
    try {
      return Json::parse(result.out);
    } catch (const std::exception&) {
      ADD_FAILURE() << "not JSON: " << result.out << result.err;
      return Json::object();
    }
  }

  static fs::path folder;
};

fs::path CliVerifyTest::folder;

// A disc laid out as Debian's installer discs are, made with xorriso as
// Debian's are: its md5sum.txt names every other file as "./path".
std::string MakeDebianDisc(const fs::path& folder) {
  const fs::path tree = folder / "debian-tree";
  const std::vector<std::pair<std::string, std::string>> files = {
      {".disk/info", "Debian GNU/Linux 12.8.0 \"Bookworm\" - Official amd64 NETINST\n"},
      {"README.txt", "See https://www.debian.org/ for more.\n"},
      {"dists/bookworm/Release", "Origin: Debian\nSuite: stable\n"},
      {"dists/bookworm/main/binary-amd64/Packages.gz", RandomBytes(4000, 1)},
      {"pool/main/h/hello/hello_2.10-3_amd64.deb", RandomBytes(53000, 2)},
      {"pool/main/b/base-files/base-files_12.4_amd64.deb", RandomBytes(70000, 3)},
      {"install.amd/vmlinuz", RandomBytes(300000, 4)},
      {"install.amd/initrd.gz", RandomBytes(200000, 5)},
      {"isolinux/isolinux.cfg", "default vesamenu.c32\n"},
      {"boot/grub/grub.cfg", "menuentry 'Install' { linux /install.amd/vmlinuz }\n"},
  };
  std::string sums;
  for (const auto& [path, bytes] : files) {
    fs::create_directories((tree / path).parent_path());
    WriteFile(tree / path, bytes);
  }
  // md5sum itself writes the list, from the disc's root, as Debian's is made.
  const ChildResult listed = RunChild({"/bin/sh", "-c",
                                       "cd '" + tree.string() +
                                           "' && find . -type f ! -name md5sum.txt | sort | "
                                           "xargs md5sum > md5sum.txt"},
                                      {});
  EXPECT_EQ(listed.status, 0) << listed.err;
  const std::string image = folder / "debian.iso";
  MustRun({"/usr/bin/xorriso", "-as", "mkisofs", "-quiet", "-r", "-J", "-joliet-long", "-V",
           "Debian 12.8.0 amd64 n", "-o", image, tree});
  return image;
}

// md5sum -c's verdict on the files of an image, extracted by xorriso: the
// paths it says FAILED.
std::vector<std::string> Md5sumFailures(const std::string& image, const fs::path& folder) {
  const fs::path out = folder / "extracted";
  fs::remove_all(out);
  MustRun({"/usr/bin/xorriso", "-no_rc", "-osirrox", "on", "-indev", image, "-extract", "/", out});
  const ChildResult checked =
      RunChild({"/bin/sh", "-c", "cd '" + out.string() + "' && md5sum -c md5sum.txt"}, {});
  std::vector<std::string> failed;
  for (const std::string& line : Lines(checked.out))
    if (line.ends_with(": FAILED")) failed.push_back(line.substr(2, line.size() - 10));
  // The files come out read-only, as the disc has them.
  Tool({"/bin/chmod", "-R", "u+w", out});
  fs::remove_all(out);
  return failed;
}

TEST_F(CliVerifyTest, ADebianDiscMatchesItsMd5sumTxtAsMd5sumSays) {
  const std::string image = MakeDebianDisc(folder);
  const std::int64_t listed =
      static_cast<std::int64_t>(Lines(ReadWholeFile(folder / "debian-tree" / "md5sum.txt")).size());
  ASSERT_THAT(Md5sumFailures(image, folder), IsEmpty());
  const ChildResult clean = Cli({"scan", "--files", "--json"}, image);
  EXPECT_EQ(clean.status, 0) << clean.err;
  const Json sums = Summary(clean)["checksums"];
  EXPECT_EQ(sums["lists"], Json::array({"/md5sum.txt"}));
  EXPECT_EQ(sums["matched"], listed);
  EXPECT_EQ(sums["differ"], Json::array());
  EXPECT_EQ(sums["missing"], Json::array());
  EXPECT_EQ(sums["malformed_lines"], 0);

  // One byte flipped inside a listed file: exactly that file differs, as
  // md5sum -c says, and every sector still reads Good.
  const std::string flipped = Copy(image, folder / "debian-flipped.iso");
  const std::string deb = "/pool/main/h/hello/hello_2.10-3_amd64.deb";
  FlipByte(flipped, DataSector(flipped, deb) * kSector + 1000);
  EXPECT_THAT(Md5sumFailures(flipped, folder), ElementsAre(deb.substr(1)));
  const ChildResult changed = Cli({"scan", "--surface", "--files", "--json"}, flipped);
  EXPECT_EQ(changed.status, 1) << changed.err;
  const Json summary = Summary(changed);
  EXPECT_EQ(summary["checksums"]["differ"], Json::array({deb}));
  EXPECT_EQ(summary["checksums"]["matched"], listed - 1);
  EXPECT_EQ(summary["good"], summary["total"]);
  EXPECT_EQ(summary["errors"], 0);
  EXPECT_THAT(changed.err, HasSubstr("Checksum mismatch: " + deb));
  EXPECT_THAT(changed.err, HasSubstr("Checksums: " + std::to_string(listed - 1) +
                                     " matched, 1 differ, 0 missing, 0 unreadable (/md5sum.txt)"));

  // The disc's scan history keeps the file that differs, with the digest
  // its list gives and the one it has, as md5sum computes them.
  const fs::path changedDeb = folder / "hello.deb";
  Copy(folder / "debian-tree" / deb.substr(1), changedDeb);
  const std::string listedMd5 = Tool({"/usr/bin/md5sum", changedDeb}).out.substr(0, 32);
  FlipByte(changedDeb, 1000);
  const std::string actualMd5 = Tool({"/usr/bin/md5sum", changedDeb}).out.substr(0, 32);
  const Json history = Summary(Cli({"history", "--json"}, flipped));
  const Json& filesTest = history["scans"].back();
  EXPECT_EQ(filesTest["kind"], "files test");
  EXPECT_EQ(filesTest["checksums"], Json::array({{{"path", deb},
                                                  {"algorithm", "MD5"},
                                                  {"expected", listedMd5},
                                                  {"actual", actualMd5},
                                                  {"matches", false}}}));
}

// Lists in every format, with lines to leave out, in folders of their own.
TEST_F(CliVerifyTest, ListsOfEveryFormatAndWhatTheyMustNotDo) {
  const fs::path tree = folder / "lists-tree";
  fs::create_directories(tree / "music" / "cd1");
  WriteFile(tree / "music" / "cd1" / "01.flac", "one");
  WriteFile(tree / "music" / "cd1" / "02.flac", "two");
  WriteFile(tree / "music" / "cd1" / "cd1.sfv",
            "; made by hand\n01.flac 7A6C86F1\n02.flac 00000000\n");
  WriteFile(tree / "data.bin", "data");
  const ChildResult sha =
      RunChild({"/bin/sh", "-c",
                "cd '" + tree.string() +
                    "' && sha256sum --tag data.bin > SHA256SUMS && "
                    "printf 'junk\\n' >> SHA256SUMS && sha256sum data.bin | "
                    "sed 's| data.bin| ../outside|' >> SHA256SUMS && sha256sum data.bin | "
                    "sed 's| data.bin| /etc/passwd|' >> SHA256SUMS && "
                    "echo '0000000000000000000000000000000000000000000000000000000000000000  "
                    "SHA256SUMS' >> SHA256SUMS"},
               {});
  ASSERT_EQ(sha.status, 0) << sha.err;
  const std::string image = folder / "lists.iso";
  MustRun({"/usr/bin/xorriso", "-as", "mkisofs", "-quiet", "-r", "-J", "-o", image, tree});
  const ChildResult result = Cli({"scan", "--files", "--json"}, image);
  EXPECT_EQ(result.status, 1) << result.err;
  const Json sums = Summary(result)["checksums"];
  EXPECT_EQ(sums["lists"], Json::array({"/music/cd1/cd1.sfv", "/SHA256SUMS"}));
  EXPECT_EQ(sums["matched"], 2);  // data.bin by its BSD tag line, 01.flac by its CRC
  EXPECT_EQ(sums["differ"], Json::array({"/music/cd1/02.flac"}));
  EXPECT_EQ(sums["malformed_lines"], 1);
  EXPECT_EQ(sums["refused_paths"], 2);
  EXPECT_EQ(sums["self_named"], 1);
}

// xorriso's own checks are the oracle: -check_md5 for the session,
// -check_md5_r for each file. A corrupted byte in a file and one in a
// directory are mismatches to both.
TEST_F(CliVerifyTest, XorrisosMd5sAgreeWithItsOwnChecks) {
  const fs::path tree = folder / "md5-tree";
  fs::create_directories(tree / "sub");
  WriteFile(tree / "big.bin", RandomBytes(200000, 7));
  WriteFile(tree / "a.txt", "hello\n");
  WriteFile(tree / "sub" / "b.txt", "world\n");
  WriteFile(tree / "empty", "");
  const std::string clean = folder / "md5.iso";
  MustRun({"/usr/bin/xorriso", "-no_rc", "-md5", "on", "-outdev", clean, "-joliet", "on", "-map",
           tree, "/", "-commit"});
  const std::string file = Copy(clean, folder / "md5-file.iso");
  FlipByte(file, DataSector(file, "/big.bin") * kSector + 100);
  // The root directory's sector (from the primary descriptor's root record),
  // in its zero padding past the few records it holds.
  const std::string directory = Copy(clean, folder / "md5-dir.iso");
  const std::string descriptor = ReadWholeFile(directory).substr(16 * kSector, kSector);
  std::uint32_t root = 0;
  std::memcpy(&root, descriptor.data() + 158, 4);
  FlipByte(directory, std::int64_t{root} * kSector + 1500);

  for (const auto& [image, fileDiffers] :
       {std::pair{clean, false}, std::pair{file, true}, std::pair{directory, false}}) {
    SCOPED_TRACE(image);
    const ChildResult session = Tool({"/usr/bin/xorriso", "-no_rc", "-md5", "on", "-indev", image,
                                      "-check_md5", "FAILURE", "--"});
    const bool sessionMatches =
        (session.out + session.err).find("Ok, session data match recorded md5") !=
        std::string::npos;
    const ChildResult files = Tool({"/usr/bin/xorriso", "-no_rc", "-md5", "on", "-indev", image,
                                    "-check_md5_r", "FAILURE", "/", "--"});
    const std::string said = files.out + files.err;
    const bool filesMatch =
        said.find("File contents and their MD5 checksums match.") != std::string::npos;
    const bool bigDiffers = said.find("MD5 MISMATCH: '/big.bin'") != std::string::npos;

    const ChildResult ours = Cli({"scan", "--surface", "--files", "--json"}, image);
    const Json tags = Summary(ours)["md5_tags"];
    EXPECT_EQ(tags["session"], sessionMatches ? "matched" : "differs");
    // xorriso refuses to load a tree whose tag differs, and so names no file.
    if (filesMatch || bigDiffers) {
      EXPECT_EQ(tags["files_differ"], bigDiffers ? Json::array({"/big.bin"}) : Json::array());
    }
    EXPECT_EQ(bigDiffers, fileDiffers);
    EXPECT_EQ(tags["files_matched"], fileDiffers ? 3 : 4);
    EXPECT_EQ(ours.status, sessionMatches && !bigDiffers ? 0 : 1) << ours.err;
  }
  // The directory's corruption is one xorriso reports too, by refusing it.
  const ChildResult refused = Tool({"/usr/bin/xorriso", "-no_rc", "-md5", "on", "-indev", directory,
                                    "-check_md5_r", "FAILURE", "/", "--"});
  EXPECT_THAT(refused.out + refused.err, HasSubstr("Checksum mismatch"));
  // A files test alone reads the session for its MD5 too.
  EXPECT_EQ(Summary(Cli({"scan", "--files", "--json"}, directory))["md5_tags"]["session"],
            "differs");
}

// checkisomd5 is the oracle of the implanted MD5, on a clean image and on
// one changed after the implant.
TEST_F(CliVerifyTest, TheImplantedMd5AgreesWithCheckisomd5) {
  const fs::path tree = folder / "implant-tree";
  fs::create_directories(tree);
  WriteFile(tree / "payload.bin", RandomBytes(3000000, 9));
  const std::string clean = folder / "implanted.iso";
  MustRun({"/usr/bin/genisoimage", "-quiet", "-o", clean, tree});
  MustRun({"/usr/bin/implantisomd5", clean});
  const std::string changed = Copy(clean, folder / "implanted-changed.iso");
  FlipByte(changed, 1000 * kSector + 5);
  for (const auto& [image, expected] :
       {std::pair{clean, "matched"}, std::pair{changed, "differs"}}) {
    SCOPED_TRACE(image);
    const ChildResult oracle = Tool({"/usr/bin/checkisomd5", image});
    EXPECT_EQ(oracle.status, std::string(expected) == "matched" ? 0 : 1);
    EXPECT_EQ(Summary(Cli({"scan", "--json"}, image))["implanted_md5"], expected);
    EXPECT_EQ(Summary(Cli({"scan", "--files", "--json"}, image))["implanted_md5"], expected);
  }
  EXPECT_THAT(Cli({"scan"}, clean).out, HasSubstr("Implanted MD5: matches"));
  const std::string plain = folder / "plain.iso";
  MustRun({"/usr/bin/genisoimage", "-quiet", "-o", plain, tree});
  EXPECT_EQ(Summary(Cli({"scan", "--json"}, plain))["implanted_md5"], "none");
}

TEST_F(CliVerifyTest, CompareWithTheImageItselfAChangedCopyAShorterAndALongerOne) {
  const fs::path tree = folder / "compare-tree";
  fs::create_directories(tree);
  WriteFile(tree / "first.bin", RandomBytes(100 * kSector, 11));
  WriteFile(tree / "second.bin", RandomBytes(100 * kSector, 12));
  const std::string disc = folder / "disc.iso";
  MustRun({"/usr/bin/xorriso", "-as", "mkisofs", "-quiet", "-r", "-o", disc, tree});
  const std::int64_t sectors = static_cast<std::int64_t>(fs::file_size(disc)) / kSector;
  const std::int64_t first = DataSector(disc, "/first.bin");
  const std::int64_t second = DataSector(disc, "/second.bin");

  const ChildResult same = Cli({"compare", "--json", disc}, disc);
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(Summary(same)["compare"]["differs"], Json::array());

  // Three changed sectors: two of the first file in a row, one of the second.
  const std::string changed = Copy(disc, folder / "changed.iso");
  for (const std::int64_t sector : {first + 5, first + 6, second + 50})
    FlipByte(changed, sector * kSector + 77);
  const ChildResult three = Cli({"compare", "--json", changed}, disc);
  EXPECT_EQ(three.status, 1);
  const Json compare = Summary(three)["compare"];
  EXPECT_EQ(compare["differs"], Json::array({Json::array({first + 5, first + 6}),
                                             Json::array({second + 50, second + 50})}));
  EXPECT_EQ(compare["files_differ"], Json::array({"/first.bin", "/second.bin"}));
  EXPECT_EQ(compare["padding_sectors"], 0);
  EXPECT_THAT(Cli({"compare", changed}, disc).out, HasSubstr("Files that differ:\n"));

  // An image shorter than the disc: the disc's zeros past its end are
  // padding, the rest differs.
  const std::string shorter = folder / "shorter.iso";
  WriteFile(shorter, ReadWholeFile(disc).substr(0, (second + 60) * kSector));
  const Json cut = Summary(Cli({"compare", "--json", shorter}, disc))["compare"];
  const std::int64_t differing = cut["differs"].empty() ? 0 : 1;
  EXPECT_EQ(differing, 1);
  EXPECT_EQ(cut["differs"][0][0], second + 60);
  EXPECT_EQ(cut["padding_sectors"].get<std::int64_t>() + cut["beyond_image"].get<std::int64_t>(),
            sectors - (second + 60));
  EXPECT_EQ(cut["files_differ"], Json::array({"/second.bin"}));

  // An image longer than the session holds sectors the disc does not.
  const std::string longer = folder / "longer.iso";
  WriteFile(longer, ReadWholeFile(disc) + RandomBytes(4 * kSector, 13));
  const ChildResult extra = Cli({"compare", "--json", longer}, disc);
  EXPECT_EQ(extra.status, 1);
  EXPECT_EQ(Summary(extra)["compare"]["image_sectors_not_on_disc"], 4);

  // Each comparison is kept in the disc's scan history as a kind of its own,
  // its differing sectors among those that read; --no-history keeps none.
  EXPECT_EQ(Cli({"compare", "--no-history", changed}, disc).status, 1);
  std::vector<Json> compares;
  const Json history = Summary(Cli({"history", "--json"}, disc));
  for (const Json& scan : history["scans"])
    if (scan["kind"] == "compare") compares.push_back(scan);
  ASSERT_EQ(compares.size(), 5u);
  for (const Json& scan : compares) {
    EXPECT_EQ(scan["good_sectors"], sectors);
    EXPECT_EQ(scan["error_sectors"], 0);
  }
}

TEST_F(CliVerifyTest, CompareRefusesWhatIsNoImage) {
  const fs::path tree = folder / "refuse-tree";
  fs::create_directories(tree);
  WriteFile(tree / "x", "x");
  const std::string disc = folder / "refuse.iso";
  MustRun({"/usr/bin/xorriso", "-as", "mkisofs", "-quiet", "-o", disc, tree});
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& input : {fifo, folder.string(), std::string("/dev/zero")}) {
    const ChildResult refused = Cli({"compare", input}, disc);
    EXPECT_EQ(refused.status, 2);
    EXPECT_THAT(refused.err, HasSubstr("cannot compare with " + input + ": not a regular file"));
  }
  EXPECT_EQ(Cli({"compare"}, disc).status, 2);
  // An output is never written over the image compared with.
  const std::string image = Copy(disc, folder / "kept.iso");
  const ChildResult kept = Cli({"compare", "--mapfile", image, image}, disc);
  EXPECT_EQ(kept.status, 2);
  EXPECT_THAT(kept.err, HasSubstr("the image being compared with"));
  EXPECT_EQ(ReadWholeFile(image), ReadWholeFile(disc));
}

}  // namespace
