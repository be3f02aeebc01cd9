// Where the engine says each file and structure lies, compared with what
// xorriso reports for the same images.
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
};

struct Listing {
  std::int32_t result = -1;
  std::map<std::string, Placed> files;       // by path, UTF-8
  std::map<std::string, Placed> structures;  // by name
  std::vector<std::string> order;            // files and structures as listed
};

// Runs that follow on joined into one.
void Append(Runs& runs, std::uint64_t first, std::uint64_t count) {
  if (!runs.empty() && runs.back().first + runs.back().second == first)
    runs.back().second += count;
  else
    runs.emplace_back(first, count);
}

Listing ListLayout(std::int32_t selector) {
  Listing listing;
  Handle session = 0;
  EXPECT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, selector), 0);
  listing.result = ListSessionLayout(
      session,
      [](void* context, const LayoutRecord* record) -> std::int32_t {
        auto& out = *static_cast<Listing*>(context);
        const std::string name = Narrow(std::u16string(record->name, record->nameLength));
        EXPECT_EQ(record->name[record->nameLength], u'\0');
        Placed placed{record->size, {}, record->result};
        for (std::int32_t i = 0; i < record->runCount; ++i)
          placed.runs.emplace_back(record->runs[i].first, record->runs[i].count);
        (record->kind == kLayoutFile ? out.files : out.structures)[name] = placed;
        out.order.push_back(name);
        return 0;
      },
      &listing);
  EXPECT_EQ(CloseDiskSession(session), 0);
  return listing;
}

// `-find / -type f -exec report_lba`: every file's extents (joined) and
// size, by path in the engine's form.
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
    path = path.substr(path.find('\'') + 2);  // past "'/"
    path.erase(path.rfind('\''));
    for (char& c : path)
      if (c == '/') c = '\\';
    Placed& placed = files[path];
    placed.size = size;
    if (blocks != 0) Append(placed.runs, start, blocks);
  }
  EXPECT_FALSE(files.empty()) << listed.output;
  return files;
}

// What `-report_el_torito plain` says: the catalog's sector and path (in the
// engine's form), and each boot image's sector and 512-byte sectors loaded.
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
      oracle.catalogPath.erase(0, 1);
      for (char& c : oracle.catalogPath)
        if (c == '/') c = '\\';
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
// with the same size; besides them at most the boot catalog, which -find
// does not count as a file.
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
  }
}

// The same files as the oracle's by where they lie and their size, whatever
// their names; extra adds files the oracle does not list.
void ExpectSamePlaces(const Listing& listing, const std::map<std::string, Placed>& oracle,
                      std::vector<std::pair<Runs, std::uint64_t>> extra = {}) {
  EXPECT_EQ(listing.result, 0);
  std::vector<std::pair<Runs, std::uint64_t>> found;
  for (const auto& [path, placed] : oracle) extra.emplace_back(placed.runs, placed.size);
  for (const auto& [path, placed] : listing.files) found.emplace_back(placed.runs, placed.size);
  std::sort(extra.begin(), extra.end());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, extra);
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

TEST(LayoutTest, IsoAndJolietFilesLieWhereXorrisoSays) {
  const std::string image = GetFixtures().healthy;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const auto oracle = XorrisoLayout(image);
  const ElToritoOracle elTorito = XorrisoElTorito(image);
  ASSERT_FALSE(elTorito.catalogPath.empty());
  ExpectSameFiles(ListLayout(kFileSystemJoliet), oracle, elTorito.catalogPath);

  // The ISO 9660 tree names files its own way; the same data lies under
  // those names.
  ExpectSamePlaces(ListLayout(kFileSystemIso9660), oracle, {{Runs{{elTorito.catalog, 1}}, 2048}});
}

TEST(LayoutTest, NamesTheStructuresOfABootableIsoImage) {
  const std::string image = GetFixtures().healthy;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const Listing listing = ListLayout(kFileSystemJoliet);
  const auto& s = listing.structures;
  for (const char* name :
       {"Volume descriptors", "Joliet path tables", "Root directory", "Directory DIR",
        "Directory DIR\\SUB", "Directory boot", "El Torito boot catalog", "Boot image 1"})
    EXPECT_EQ(s.count(name), 1u) << name;
  // Primary, boot record, Joliet and terminator from sector 16 on.
  EXPECT_EQ(s.at("Volume descriptors").runs, (Runs{{16, 4}}));
  const ElToritoOracle elTorito = XorrisoElTorito(image);
  EXPECT_EQ(s.at("El Torito boot catalog").runs, (Runs{{elTorito.catalog, 1}}));
  EXPECT_EQ(listing.files.at(elTorito.catalogPath).runs, (Runs{{elTorito.catalog, 1}}));
  ASSERT_EQ(elTorito.images.size(), 1u);
  EXPECT_EQ(s.at("Boot image 1").runs,
            (Runs{{elTorito.images[0].first, (elTorito.images[0].second * 512 + 2047) / 2048}}));
  // Each directory comes before what it holds.
  const auto at = [&](const std::string& name) {
    return std::find(listing.order.begin(), listing.order.end(), name) - listing.order.begin();
  };
  EXPECT_LT(at("Root directory"), at("A.TXT"));
  EXPECT_LT(at("Directory DIR\\SUB"), at("DIR\\SUB\\long_name_file.text"));
}

TEST(LayoutTest, AFileOverFourGibibytesIsOneFile) {
  const std::string image = MultiExtentImage();
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const auto oracle = XorrisoLayout(image);
  ASSERT_EQ(oracle.at("huge.bin").size, 9ull << 29);
  const Listing joliet = ListLayout(kFileSystemJoliet);
  ExpectSameFiles(joliet, oracle);
  EXPECT_EQ(joliet.files.at("huge.bin").runs.size(), 1u) << "its extents lie back to back";
}

TEST(LayoutTest, UdfBridgeFilesLieWhereXorrisoSays) {
  const std::string image = GetFixtures().udf;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  // Its ISO 9660 tree, which xorriso reads, names files in capitals; the
  // UDF tree shares their data.
  const Listing udf = ListLayout(kFileSystemUdf);
  ExpectSamePlaces(udf, XorrisoLayout(image));
  for (const char* name : {"Volume descriptors", "Anchor volume descriptor pointers",
                           "Main volume descriptor sequence", "Reserve volume descriptor sequence",
                           "Logical volume integrity sequence", "File set descriptor",
                           "Root directory", "File entry of A.TXT", "Directory DIR\\SUB"})
    EXPECT_EQ(udf.structures.count(name), 1u) << name;
}

TEST(LayoutTest, RefusesBadArgumentsAndStopsWhenAsked) {
  UseImages({GetFixtures().healthy});
  ASSERT_EQ(Select(u'D'), 0);
  const auto callback = [](void*, const LayoutRecord*) -> std::int32_t { return 0; };
  EXPECT_EQ(ListSessionLayout(0, callback, nullptr), kInvalidHandle);
  Handle session = 0;
  ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, kFileSystemAny), 0);
  EXPECT_EQ(ListSessionLayout(session, nullptr, nullptr), kInvalidArgument);
  int calls = 0;
  EXPECT_EQ(ListSessionLayout(
                session,
                [](void* context, const LayoutRecord*) -> std::int32_t {
                  return ++*static_cast<int*>(context) == 3 ? 77 : 0;
                },
                &calls),
            77);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(CloseDiskSession(session), 0);
}

}  // namespace
}  // namespace wrenlo
