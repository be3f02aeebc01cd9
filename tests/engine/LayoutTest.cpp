// Where the engine says each file and structure of every tree lies, compared
// with what xorriso and isoinfo report for the same images.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "Result.h"
#include "support/Command.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"

namespace wrenlo {
namespace {

using testing_support::GetFixtures;
using testing_support::Narrow;
using testing_support::OutputDirectory;
using testing_support::RunCommand;
using testing_support::Select;
using testing_support::UseImages;

using Runs = std::vector<std::pair<std::uint64_t, std::uint64_t>>;  // first, count

struct Placed {
  std::uint64_t size = 0;
  Runs runs;
  std::int32_t result = 0;
  bool filesTestTree = false;
};

struct Listing {
  std::int32_t result = -1;
  std::map<std::string, Placed> files;       // by path, UTF-8
  std::map<std::string, std::string> links;  // path -> target
  std::map<std::string, Placed> structures;  // by name, tracks and the lead-out too
  std::vector<std::string> order;            // everything as listed
  std::vector<std::string> directories;      // paths of the directories' structures
};

// Runs that follow on joined into one.
void Append(Runs& runs, std::uint64_t first, std::uint64_t count) {
  if (!runs.empty() && runs.back().first + runs.back().second == first)
    runs.back().second += count;
  else
    runs.emplace_back(first, count);
}

std::int32_t Collect(void* context, const LayoutRecord* record) {
  auto& out = *static_cast<Listing*>(context);
  const std::string name = Narrow(std::u16string(record->name, record->nameLength));
  EXPECT_EQ(record->name[record->nameLength], u'\0');
  Placed placed{record->size, {}, record->result, (record->flags & kLayoutFilesTestTree) != 0};
  for (std::int32_t i = 0; i < record->runCount; ++i)
    placed.runs.emplace_back(record->runs[i].first, record->runs[i].count);
  if (record->kind == kLayoutLink)
    out.links[name] = Narrow(std::u16string(record->target, record->targetLength));
  else
    (record->kind == kLayoutFile ? out.files : out.structures)[name] = placed;
  if (record->directoryLength != 0)
    out.directories.push_back(Narrow(std::u16string(record->directory, record->directoryLength)));
  out.order.push_back(name);
  return 0;
}

Listing ListLayout(std::int32_t selector) {
  Listing listing;
  Handle session = 0;
  EXPECT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, selector), 0);
  listing.result = ListSessionLayout(session, Collect, &listing);
  EXPECT_EQ(CloseDiskSession(session), 0);
  return listing;
}

// `-find / -type f -exec report_lba`: every file's extents (joined) and
// size, by path.
std::map<std::string, Placed> XorrisoLayout(const std::string& image) {
  const auto listed = RunCommand({"xorriso", "-no_rc", "-indev", image, "-find", "/", "-type", "f",
                                  "-exec", "report_lba", "--"});
  EXPECT_EQ(listed.exitCode, 0) << listed.output;
  std::map<std::string, Placed> files;
  std::istringstream lines(listed.output);
  std::string line;
  const std::string prefix = "File data lba:";
  while (std::getline(lines, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    // xt , startlba , blocks , filesize , 'path'
    std::istringstream fields(line.substr(prefix.size()));
    std::uint64_t extent = 0, start = 0, blocks = 0, size = 0;
    char comma = 0;
    fields >> extent >> comma >> start >> comma >> blocks >> comma >> size >> comma;
    std::string path;
    std::getline(fields, path);
    path = path.substr(path.find('\'') + 1);
    path.erase(path.rfind('\''));
    Placed& placed = files[path];
    placed.size = size;
    if (blocks != 0) Append(placed.runs, start, blocks);
  }
  EXPECT_FALSE(files.empty()) << listed.output;
  return files;
}

// `isoinfo -l` (with -R or -J): the first sector of each directory, from the
// "." record under its "Directory listing of /PATH/" heading, by path ("/"
// for the root); and each link's target.
struct IsoinfoTree {
  std::map<std::string, std::uint64_t> directories;
  std::map<std::string, std::string> links;
};

IsoinfoTree IsoinfoListing(const std::string& image, const std::string& tree) {
  const auto listed = RunCommand({"isoinfo", tree, "-l", "-i", image});
  EXPECT_EQ(listed.exitCode, 0) << listed.output;
  IsoinfoTree out;
  std::istringstream lines(listed.output);
  std::string directory;
  const std::string heading = "Directory listing of ";
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(heading, 0) == 0) {
      directory = line.substr(heading.size());
      if (directory.size() > 1) directory.pop_back();  // "/a/b/" -> "/a/b"
      continue;
    }
    const std::size_t open = line.find('['), close = line.find(']');
    if (open == std::string::npos || close == std::string::npos) continue;
    const std::string name = line.substr(close + 3, line.find_last_not_of(' ') - close - 2);
    if (name == ".") out.directories[directory] = std::stoull(line.substr(open + 1));
    if (const std::size_t arrow = name.find(" -> "); arrow != std::string::npos)
      out.links[(directory == "/" ? "" : directory) + "/" + name.substr(0, arrow)] =
          name.substr(arrow + 4);
  }
  return out;
}

std::vector<std::uint8_t> ImageSector(const std::string& image, std::uint64_t sector) {
  std::vector<std::uint8_t> bytes(2048);
  std::ifstream in(image, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(sector * 2048));
  in.read(reinterpret_cast<char*>(bytes.data()), 2048);
  return bytes;
}

std::uint32_t Le32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

// The L and M path tables a primary or supplementary volume descriptor
// names (ECMA-119 8.4.14 to 8.4.17), as one sector each.
Runs PathTables(const std::vector<std::uint8_t>& descriptor) {
  const std::uint32_t m = descriptor[148] << 24 | descriptor[149] << 16 | descriptor[150] << 8 |
                          std::uint32_t{descriptor[151]};
  return {{Le32At(descriptor, 140), 1}, {m, 1}};
}

// What `-report_el_torito plain` says: the catalog's sector and each boot
// image's sector and 512-byte sectors loaded.
struct ElToritoOracle {
  std::uint64_t catalog = 0;
  std::string catalogPath;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> images;
};

ElToritoOracle XorrisoElTorito(const std::string& image) {
  const auto listed =
      RunCommand({"xorriso", "-no_rc", "-indev", image, "-report_el_torito", "plain"});
  EXPECT_EQ(listed.exitCode, 0) << listed.output;
  ElToritoOracle oracle;
  std::istringstream lines(listed.output);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    std::istringstream fields(line.substr(colon + 2));
    if (line.rfind("El Torito catalog", 0) == 0) {
      fields >> oracle.catalog;
    } else if (line.rfind("El Torito cat path", 0) == 0) {
      fields >> oracle.catalogPath;
    } else if (line.rfind("El Torito boot img", 0) == 0) {
      // N Pltf B Emul Ld_seg Hdpt Ldsiz LBA
      std::string number, platform, bootable, emulation, segment, partition;
      std::uint64_t loaded = 0, lba = 0;
      fields >> number >> platform >> bootable >> emulation >> segment >> partition >> loaded >>
          lba;
      oracle.images.emplace_back(lba, loaded);
    }
  }
  return oracle;
}

// The engine lists every file xorriso's -find does, at the same sectors and
// with the same size, as the files test's; besides them at most the boot
// catalog, which -find does not count as a file.
void ExpectSameFiles(const Listing& listing, const std::map<std::string, Placed>& oracle,
                     const std::string& catalogPath = "") {
  EXPECT_EQ(listing.result, 0);
  EXPECT_EQ(listing.files.size(), oracle.size() + (catalogPath.empty() ? 0 : 1));
  for (const auto& [path, expected] : oracle) {
    SCOPED_TRACE(path);
    const auto found = listing.files.find(path);
    ASSERT_NE(found, listing.files.end());
    EXPECT_EQ(found->second.size, expected.size);
    EXPECT_EQ(found->second.runs, expected.runs);
    EXPECT_EQ(found->second.result, 0);
    EXPECT_TRUE(found->second.filesTestTree);
  }
}

// Every directory of a tree isoinfo lists lies where it says, named with its
// tree, and every directory the engine names is one isoinfo lists.
void ExpectDirectories(const Listing& listing, const IsoinfoTree& oracle, const std::string& tree) {
  std::size_t named = 0;
  for (const auto& [path, sector] : oracle.directories) {
    SCOPED_TRACE(path + " " + tree);
    const std::string name =
        (path == "/" ? std::string("Root directory") : "Directory " + path) + " (" + tree + ")";
    const auto found = listing.structures.find(name);
    ASSERT_NE(found, listing.structures.end());
    ASSERT_FALSE(found->second.runs.empty());
    EXPECT_EQ(found->second.runs[0].first, sector);
    ++named;
  }
  const std::string suffix = " (" + tree + ")";
  EXPECT_EQ(std::count_if(listing.structures.begin(), listing.structures.end(),
                          [&](const auto& structure) {
                            const std::string& name = structure.first;
                            return name.size() > suffix.size() &&
                                   name.compare(name.size() - suffix.size(), suffix.size(),
                                                suffix) == 0 &&
                                   (name.rfind("Directory /", 0) == 0 ||
                                    name.rfind("Root directory", 0) == 0);
                          }),
            static_cast<std::ptrdiff_t>(named));
}

// The names and attributes ReadDirectory gives of the directory at path, in
// order.
std::vector<std::pair<std::string, int>> Entries(Handle session, const char16_t* path) {
  Handle directory = 0;
  EXPECT_EQ(OpenDirectory(session, path, &directory), 0) << Narrow(path);
  std::vector<std::pair<std::string, int>> entries;
  DirectoryEntry entry;
  for (std::int32_t i = 0; ReadDirectory(directory, i, &entry) == 0; ++i)
    entries.emplace_back(Narrow(entry.name.str()), entry.attributes);
  CloseDirectory(directory);
  return entries;
}

// A file over 4 GiB, recorded in several extents: the image is written up
// to its directories and then made as long as its volume says, sparse.
std::string MultiExtentImage() {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(OutputDirectory()) / "layout";
  fs::remove_all(dir);
  fs::create_directories(dir / "tree" / "sub");
  std::ofstream(dir / "tree" / "a.txt") << "hello\n";
  std::ofstream(dir / "tree" / "sub" / "b.txt") << std::string(5000, 'b');
  std::ofstream(dir / "tree" / "huge.bin").close();
  fs::resize_file(dir / "tree" / "huge.bin", 9ull << 29);  // 4.5 GiB, sparse
  const std::string image = (dir / "huge.iso").string();
  const auto made =
      RunCommand({"sh", "-c",
                  "xorriso -as mkisofs -quiet -J -iso-level 3 -o - '" + (dir / "tree").string() +
                      "' 2>/dev/null | head -c 1048576 > '" + image + "'"});
  EXPECT_EQ(made.exitCode, 0) << made.output;
  std::ifstream in(image, std::ios::binary);
  in.seekg(16 * 2048 + 80);
  unsigned char size[4] = {};
  in.read(reinterpret_cast<char*>(size), 4);
  const std::uint64_t sectors =
      size[0] | size[1] << 8 | size[2] << 16 | std::uint64_t{size[3]} << 24;
  EXPECT_GT(sectors, 2u << 20);
  fs::resize_file(image, sectors * 2048);
  return image;
}

TEST(LayoutTest, EveryTreeOfABootableImageLiesWhereIsoinfoSays) {
  const std::string image = GetFixtures().healthy;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const ElToritoOracle elTorito = XorrisoElTorito(image);
  ASSERT_FALSE(elTorito.catalogPath.empty());
  const auto oracle = XorrisoLayout(image);
  // The tree Linux reads is the Rock Ridge one; Joliet lists the same files
  // once more and adds none.
  const Listing listing = ListLayout(kFileSystemAny);
  ExpectSameFiles(listing, oracle, elTorito.catalogPath);
  ExpectDirectories(listing, IsoinfoListing(image, "-R"), "ISO 9660");
  ExpectDirectories(listing, IsoinfoListing(image, "-J"), "Joliet");
  const auto& s = listing.structures;
  EXPECT_EQ(s.at("System area").runs, (Runs{{0, 16}}));
  EXPECT_EQ(s.at("Primary volume descriptor").runs, (Runs{{16, 1}}));
  EXPECT_EQ(s.at("Boot record volume descriptor").runs, (Runs{{17, 1}}));
  EXPECT_EQ(s.at("Supplementary volume descriptor (Joliet)").runs, (Runs{{18, 1}}));
  EXPECT_EQ(s.at("Volume descriptor set terminator").runs, (Runs{{19, 1}}));
  EXPECT_EQ(s.at("Path table (ISO 9660)").runs, PathTables(ImageSector(image, 16)));
  EXPECT_EQ(s.at("Path table (Joliet)").runs, PathTables(ImageSector(image, 18)));
  EXPECT_EQ(s.count("Rock Ridge continuation areas (ISO 9660)"), 1u);
  EXPECT_EQ(s.at("El Torito boot catalog").runs, (Runs{{elTorito.catalog, 1}}));
  ASSERT_EQ(elTorito.images.size(), 1u);
  EXPECT_EQ(s.at("Boot image 1").runs,
            (Runs{{elTorito.images[0].first, (elTorito.images[0].second * 512 + 2047) / 2048}}));
  // Each directory comes before what it holds; the Joliet tree after the
  // files test's.
  const auto at = [&](const std::string& name) {
    return std::find(listing.order.begin(), listing.order.end(), name) - listing.order.begin();
  };
  EXPECT_LT(at("Root directory (ISO 9660)"), at("/A.TXT"));
  EXPECT_LT(at("Directory /DIR/SUB (ISO 9660)"), at("/DIR/SUB/long_name_file.text"));
  EXPECT_LT(at("/DIR/SUB/long_name_file.text"), at("Root directory (Joliet)"));
  EXPECT_EQ(std::count(listing.directories.begin(), listing.directories.end(), "/DIR/SUB"), 2);

  // Opened as Joliet, the files are the same, under Joliet's names.
  ExpectSameFiles(ListLayout(kFileSystemJoliet), oracle, elTorito.catalogPath);
}

TEST(LayoutTest, AFileOverFourGibibytesIsOneFile) {
  const std::string image = MultiExtentImage();
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const auto oracle = XorrisoLayout(image);
  ASSERT_EQ(oracle.at("/huge.bin").size, 9ull << 29);
  const Listing joliet = ListLayout(kFileSystemJoliet);
  ExpectSameFiles(joliet, oracle);
  EXPECT_EQ(joliet.files.at("/huge.bin").runs.size(), 1u) << "its extents lie back to back";
}

TEST(LayoutTest, UdfBridgeNamesAllThreeTrees) {
  const std::string image = GetFixtures().udf;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  // UDF is the files test's tree; the ISO 9660 tree, which xorriso reads,
  // names the same data in capitals and adds no file.
  const Listing udf = ListLayout(kFileSystemAny);
  for (const auto& [path, placed] : udf.files) {
    EXPECT_TRUE(placed.filesTestTree) << path;
    EXPECT_EQ(path.find(" ("), std::string::npos) << path;
  }
  EXPECT_EQ(udf.files.size(), XorrisoLayout(image).size());
  for (const char* name :
       {"System area", "Primary volume descriptor", "Supplementary volume descriptor (Joliet)",
        "Beginning extended area descriptor", "NSR descriptor (UDF)",
        "Terminating extended area descriptor", "Anchor volume descriptor pointers (UDF)",
        "Main volume descriptor sequence (UDF)", "Reserve volume descriptor sequence (UDF)",
        "Logical volume integrity sequence (UDF)", "File set descriptor (UDF)",
        "Root directory (UDF)", "File entry of /A.TXT (UDF)", "Directory /DIR/SUB (UDF)",
        "Root directory (ISO 9660)", "Directory /DIR/SUB (ISO 9660)", "Path table (ISO 9660)",
        "Root directory (Joliet)", "Path table (Joliet)"})
    EXPECT_EQ(udf.structures.count(name), 1u) << name;
}

TEST(LayoutTest, RelocatedDirectoriesWhereTheyBelong) {
  // genisoimage moves the directories below the eighth level into rr_moved
  // and links them from where they belong (CL, PL, RE).
  const std::string image = GetFixtures().relocated;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const Listing listing = ListLayout(kFileSystemAny);
  ExpectSameFiles(listing, XorrisoLayout(image));
  EXPECT_EQ(listing.files.count("/a/b/c/d/e/f/g/h/i/j/deep.txt"), 1u);
  // isoinfo -R lists the relocated directories under rr_moved, at the
  // sectors the engine gives them where they belong.
  const IsoinfoTree isoinfo = IsoinfoListing(image, "-R");
  EXPECT_EQ(listing.structures.at("Directory /a/b/c/d/e/f/g/h/i (ISO 9660)").runs[0].first,
            isoinfo.directories.at("/rr_moved/h/i"));
  // rr_moved is no folder of the tree, but its sectors are the tree's.
  EXPECT_EQ(listing.structures.at("Directory /rr_moved (ISO 9660)").runs[0].first,
            isoinfo.directories.at("/rr_moved"));
  Handle session = 0;
  ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, kFileSystemAny), 0);
  using Named = std::vector<std::pair<std::string, int>>;
  EXPECT_EQ(Entries(session, u"/"), (Named{{"a", kAttributeDirectory}, {"top.txt", 0}}));
  Handle directory = 0;
  EXPECT_NE(OpenDirectory(session, u"/rr_moved", &directory), 0);
  EXPECT_EQ(Entries(session, u"/a/b/c/d/e/f/g/h"),
            (Named{{"eighth.txt", 0}, {"i", kAttributeDirectory}}));
  EXPECT_EQ(VerifyFile(session, u"/a/b/c/d/e/f/g/h/i/j/deep.txt"), 0);
  CloseDiskSession(session);
}

TEST(LayoutTest, NamesWithBackslashesAndLinksAsLinuxShowsThem) {
  const std::string image = GetFixtures().linked;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const Listing listing = ListLayout(kFileSystemAny);
  // "back" and "back\slash.txt" side by side, and the names with '?', '*'
  // and ':'; the links as links, with their targets, and no data.
  ExpectSameFiles(listing, XorrisoLayout(image));
  EXPECT_EQ(listing.links, IsoinfoListing(image, "-R").links);
  EXPECT_EQ(listing.links.at("/back/up"), "../../elsewhere");
  EXPECT_EQ(listing.links.at("/absolute"), "/etc/hostname");
  Handle session = 0;
  ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, kFileSystemAny), 0);
  EXPECT_EQ(Entries(session, u"/back"),
            (std::vector<std::pair<std::string, int>>{{"inner.txt", 0}, {"up", kAttributeLink}}));
  EXPECT_EQ(VerifyFile(session, u"/back\\slash.txt"), 0);
  EXPECT_EQ(VerifyFile(session, u"/q?dir/what?.txt"), 0);
  EXPECT_NE(VerifyFile(session, u"/link"), 0);  // a link has no data to read
  CloseDiskSession(session);
}

TEST(LayoutTest, RefusesBadArgumentsAndStopsWhenAsked) {
  UseImages({GetFixtures().healthy});
  ASSERT_EQ(Select(u'D'), 0);
  const auto callback = [](void*, const LayoutRecord*) -> std::int32_t { return 0; };
  EXPECT_EQ(ListSessionLayout(0, callback, nullptr), kInvalidHandle);
  EXPECT_EQ(ListMediumLayout(kCurrentDevice, nullptr, nullptr), kInvalidArgument);
  EXPECT_EQ(ListMediumLayout(u'Z', callback, nullptr), kNoDevice);
  Handle session = 0;
  ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, kFileSystemAny), 0);
  EXPECT_EQ(ListSessionLayout(session, nullptr, nullptr), kInvalidArgument);
  const auto stopAtThird = [](void* context, const LayoutRecord*) -> std::int32_t {
    return ++*static_cast<int*>(context) == 3 ? 77 : 0;
  };
  int calls = 0;
  EXPECT_EQ(ListSessionLayout(session, stopAtThird, &calls), 77);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(CloseDiskSession(session), 0);
  calls = 0;
  EXPECT_EQ(ListMediumLayout(kCurrentDevice, stopAtThird, &calls), 77);
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace wrenlo
