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

void ExpectSameFiles(const Listing& listing, const std::map<std::string, Placed>& oracle) {
  EXPECT_EQ(listing.result, 0);
  ASSERT_EQ(listing.files.size(), oracle.size());
  for (const auto& [path, expected] : oracle) {
    SCOPED_TRACE(path);
    const auto found = listing.files.find(path);
    ASSERT_NE(found, listing.files.end());
    EXPECT_EQ(found->second.size, expected.size);
    EXPECT_EQ(found->second.runs, expected.runs);
    EXPECT_EQ(found->second.result, 0);
  }
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
  ExpectSameFiles(ListLayout(kFileSystemJoliet), oracle);

  // The ISO 9660 tree names files its own way; the same data lies under
  // those names.
  const Listing iso = ListLayout(kFileSystemIso9660);
  EXPECT_EQ(iso.result, 0);
  std::vector<Runs> expected, found;
  for (const auto& [path, placed] : oracle) expected.push_back(placed.runs);
  for (const auto& [path, placed] : iso.files) found.push_back(placed.runs);
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, expected);
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
  // Primary, Joliet, boot record and terminator from sector 16 on.
  EXPECT_EQ(s.at("Volume descriptors").runs, (Runs{{16, 4}}));
  // The boot image is the file the catalog names; the catalog is the file
  // xorriso shows for it.
  const auto oracle = XorrisoLayout(image);
  EXPECT_EQ(s.at("Boot image 1").runs.front().first,
            oracle.at("boot\\boot.img").runs.front().first);
  ASSERT_TRUE(oracle.count("boot.catalog")) << "xorriso lists the catalog as a file";
  EXPECT_EQ(s.at("El Torito boot catalog").runs, oracle.at("boot.catalog").runs);
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
  const Listing udf = ListLayout(kFileSystemUdf);
  ExpectSameFiles(udf, XorrisoLayout(image));
  for (const char* name : {"Volume descriptors", "Anchor volume descriptor pointers",
                           "Main volume descriptor sequence", "Reserve volume descriptor sequence",
                           "Logical volume integrity sequence", "File set descriptor",
                           "Root directory", "File entry of A.TXT"})
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
