// The file systems of a virtual drive through the public operations, compared
// with what isoinfo reads from the same images.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>

#include "Text.h"
#include "support/Command.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"
#include "support/IsoBuilder.h"

namespace wrenlo {
namespace {

using testing_support::GetFixtures;
using testing_support::Narrow;
using testing_support::OutputDirectory;
using testing_support::RunCommand;
using testing_support::Select;
using testing_support::UseImages;

// Opens a file system of the current device's first track.
Handle OpenSession(std::int32_t selector) {
  Handle session = 0;
  EXPECT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, selector), 0) << selector;
  return session;
}

// Every path of the session, pre-order as the program's file walk makes it,
// directories with a trailing '/'.
void Walk(Handle session, const std::u16string& path, std::vector<std::u16string>& out) {
  Handle directory = 0;
  ASSERT_EQ(OpenDirectory(session, path.c_str(), &directory), 0) << Narrow(path);
  DirectoryEntry entry;
  for (std::int32_t index = 0; ReadDirectory(directory, index, &entry) == 0; ++index) {
    const std::u16string child = path + u"/" + entry.name.str();
    if (entry.attributes & kAttributeDirectory) {
      out.push_back(child + u"/");
      Walk(session, child, out);
    } else {
      out.push_back(child);
    }
  }
  EXPECT_EQ(CloseDirectory(directory), 0);
}

// Which names isoinfo -f prints.
enum class Names { kIso9660, kRockRidge, kJoliet };

// isoinfo -f's paths, as UTF-8, with a trailing '/' on directories (those
// with entries below them; the fixtures have no empty directory). ISO 9660 names lose their
// version and a trailing '.'; Rock Ridge names are printed as recorded
// (UTF-8); Joliet names in ISO 8859-1 (the fixtures' Joliet names fit in it).
std::set<std::string> OraclePaths(const std::string& image, Names names) {
  std::vector<std::string> argv{"isoinfo", "-f", "-i", image};
  if (names == Names::kJoliet) argv.insert(argv.begin() + 1, {"-J", "-j", "iso8859-1"});
  if (names == Names::kRockRidge) argv.insert(argv.begin() + 1, "-R");
  const testing_support::CommandResult listed = RunCommand(argv);
  EXPECT_EQ(listed.exitCode, 0) << listed.output;
  std::vector<std::string> paths;
  std::istringstream lines(listed.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    if (names == Names::kIso9660) {
      if (const std::size_t semicolon = line.rfind(';'); semicolon != std::string::npos)
        line.erase(semicolon);
      if (line.size() > 1 && line.back() == '.') line.pop_back();
    }
    std::string utf8;
    for (const char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x80 && names == Names::kJoliet) {
        utf8 += static_cast<char>(0xC0 | byte >> 6);
        utf8 += static_cast<char>(0x80 | (byte & 0x3F));
      } else {
        utf8 += c;
      }
    }
    paths.push_back(utf8);
  }
  std::set<std::string> out;
  for (const std::string& path : paths) {
    const bool isDirectory = std::any_of(paths.begin(), paths.end(), [&](const std::string& other) {
      return other.size() > path.size() && other.compare(0, path.size() + 1, path + "/") == 0;
    });
    out.insert(isDirectory ? path + "/" : path);
  }
  return out;
}

// Every path of the current device's first track in the file system selector
// names, as UTF-8.
std::set<std::string> WalkedPaths(std::int32_t selector) {
  const Handle session = OpenSession(selector);
  std::vector<std::u16string> walked;
  Walk(session, u"", walked);
  std::set<std::string> out;
  for (const std::u16string& path : walked) out.insert(Narrow(path));
  EXPECT_EQ(out.size(), walked.size());  // nothing twice
  EXPECT_EQ(CloseDiskSession(session), 0);
  return out;
}

TEST(FileSystemApi, ListingsMatchIsoinfo) {
  // xorriso writes Rock Ridge, genisoimage without -R does not.
  struct Case {
    std::string image;
    std::int32_t selector;
    Names names;
  };
  const testing_support::Fixtures& fixtures = GetFixtures();
  const Case cases[] = {
      {fixtures.healthy, kFileSystemIso9660, Names::kRockRidge},
      {fixtures.healthy, kFileSystemJoliet, Names::kJoliet},
      {fixtures.plain, kFileSystemIso9660, Names::kIso9660},
      {fixtures.rockRidge, kFileSystemIso9660, Names::kRockRidge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image + " selector " + std::to_string(c.selector));
    UseImages({c.image});
    ASSERT_EQ(Select(u'D'), 0);
    EXPECT_EQ(WalkedPaths(c.selector), OraclePaths(c.image, c.names));
  }
}

TEST(FileSystemApi, SelectorsChooseTheFileSystem) {
  UseImages({GetFixtures().healthy, GetFixtures().plain});
  ASSERT_EQ(Select(u'D'), 0);
  // The root's names tell ISO 9660 (upper case, 8.3) from Joliet.
  const auto rootHas = [](std::int32_t selector, const std::u16string& name) {
    const Handle session = OpenSession(selector);
    Handle directory = 0;
    EXPECT_EQ(OpenDirectory(session, u"", &directory), 0);
    DirectoryEntry entry;
    bool found = false;
    for (std::int32_t i = 0; ReadDirectory(directory, i, &entry) == 0; ++i)
      found = found || entry.name.str() == name;
    CloseDirectory(directory);
    CloseDiskSession(session);
    return found;
  };
  EXPECT_TRUE(rootHas(kFileSystemJoliet, u"Grüße.txt"));
  EXPECT_TRUE(rootHas(kFileSystemAny, u"Grüße.txt"));      // no UDF: Rock Ridge
  EXPECT_TRUE(rootHas(kFileSystemIso9660, u"Grüße.txt"));  // Rock Ridge
  EXPECT_FALSE(rootHas(kFileSystemIso9660, u"GR__E.TXT"));

  Handle session = 7;
  EXPECT_NE(OpenDiskSession(kCurrentDevice, 1, &session, kFileSystemUdf), 0);
  EXPECT_EQ(session, 0u);
  for (const std::int32_t selector : {-1, 3, 5, 8})
    EXPECT_NE(OpenDiskSession(kCurrentDevice, 1, &session, selector), 0) << selector;
  EXPECT_NE(OpenDiskSession(kCurrentDevice, 2, &session, kFileSystemAny), 0);
  EXPECT_NE(OpenDiskSession(kCurrentDevice, 1, nullptr, kFileSystemAny), 0);

  ASSERT_EQ(Select(u'E'), 0);  // no Joliet there
  EXPECT_NE(OpenDiskSession(kCurrentDevice, 1, &session, kFileSystemJoliet), 0);
  EXPECT_TRUE(rootHas(kFileSystemAny, u"README.TXT"));
}

// xorriso -find's paths: its lines are quoted '/a/b'.
std::set<std::string> XorrisoPaths(const std::string& image) {
  const testing_support::CommandResult found =
      RunCommand({"xorriso", "-no_rc", "-indev", image, "-find", "/", "-type", "f"});
  std::set<std::string> out;
  std::istringstream lines(found.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() < 4 || line.compare(0, 2, "'/") != 0 || line.back() != '\'') continue;
    out.insert(line.substr(1, line.size() - 2));
  }
  return out;
}

TEST(FileSystemApi, RockRidgeNames) {
  const std::string image = GetFixtures().rockRidge;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  // The files, as the files test lists and verifies them.
  const std::set<std::string> walked = WalkedPaths(kFileSystemIso9660);
  std::set<std::string> files;
  std::copy_if(walked.begin(), walked.end(), std::inserter(files, files.end()),
               [](const std::string& path) { return path.back() != '/'; });
  EXPECT_EQ(files, XorrisoPaths(image));
  EXPECT_EQ(files.size(), 48u);
  const std::string longName = "/" + std::string(200, 'L') + ".dat";
  for (const std::string& expected :
       {longName, std::string("/trailing.dot."), std::string("/version;5"),
        std::string("/a/b/c/d/e/f/g/h/i/j/deep_file.txt"), std::string("/emoji 🎵.txt"),
        std::string("/MiXeD Case/Inner File.Text")})
    EXPECT_EQ(files.count(expected), 1u) << expected;
  const Handle session = OpenSession(kFileSystemIso9660);
  for (const std::string& path : files) {
    const std::u16string wide = FromUtf8(path);
    EXPECT_EQ(VerifyFile(session, wide.c_str()), 0) << path;
  }
  CloseDiskSession(session);

  // Joliet holds at most 64 characters of a name: the Joliet selector shows
  // those; the engine's own choice is the Rock Ridge tree, as Linux reads it.
  const std::set<std::string> joliet = WalkedPaths(kFileSystemJoliet);
  EXPECT_EQ(joliet.count(longName), 0u);
  EXPECT_EQ(joliet.size(), walked.size());
  EXPECT_EQ(WalkedPaths(kFileSystemAny), walked);
}

// isoinfo's line "<label> <value>" of a volume descriptor.
std::string OracleField(const std::string& output, const std::string& label) {
  const std::size_t at = output.find("\n" + label);
  if (at == std::string::npos) return "(missing " + label + ")";
  const std::size_t begin = output.find_first_not_of(' ', at + 1 + label.size());
  return output.substr(begin, output.find('\n', begin) - begin);
}

// Bytes 1 to 6 of a date block from isoinfo's "YYYY MM DD hh:mm:ss.cc";
// zeros for an unset date.
std::vector<int> OracleDate(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  std::sscanf(text.c_str(), "%d %d %d %d:%d:%d", &year, &month, &day, &hour, &minute, &second);
  if (year == 0) return {0, 0, 0, 0, 0, 0};
  return {year - 1900, month, day, hour, minute, second};
}

std::vector<int> DateBytes(const DateBlock& block) {
  return {block[1], block[2], block[3], block[4], block[5], block[6]};
}

TEST(FileSystemApi, IsoVolumeInformationMatchesIsoinfo) {
  for (const std::string& image : {GetFixtures().healthy, GetFixtures().plain}) {
    SCOPED_TRACE(image);
    UseImages({image});
    ASSERT_EQ(Select(u'D'), 0);
    const testing_support::CommandResult oracle =
        RunCommand({"isoinfo", "-d", "-debug", "-i", image});
    ASSERT_EQ(oracle.exitCode, 0) << oracle.output;
    const Handle session = OpenSession(kFileSystemIso9660);
    IsoVolumeInfo info;
    std::memset(&info, 0xAB, sizeof info);
    ASSERT_EQ(GetISOVolumeInformation(session, &info), 0);
    EXPECT_EQ(Narrow(info.volumeLabel.str()), OracleField(oracle.output, "Volume id:"));
    EXPECT_EQ(Narrow(info.publisher.str()), OracleField(oracle.output, "Publisher id:"));
    EXPECT_EQ(Narrow(info.application.str()), OracleField(oracle.output, "Application id:"));
    EXPECT_EQ(DateBytes(info.creationTime),
              OracleDate(OracleField(oracle.output, "Creation Date:")));
    EXPECT_EQ(DateBytes(info.modificationTime),
              OracleDate(OracleField(oracle.output, "Modification Date:")));
    EXPECT_EQ(DateBytes(info.expirationTime),
              OracleDate(OracleField(oracle.output, "Expiration Date:")));
    EXPECT_EQ(DateBytes(info.effectiveTime),
              OracleDate(OracleField(oracle.output, "Effective Date:")));
    EXPECT_EQ(info.reserved1647[0], 0xAB);
    UdfVolumeInfo udf;
    EXPECT_NE(GetUDFVolumeInformation(session, &udf), 0);
    EXPECT_EQ(CloseDiskSession(session), 0);
  }
  // The fixed dates of the xorriso fixture, as the media page shows them.
  UseImages({GetFixtures().healthy});
  ASSERT_EQ(Select(u'D'), 0);
  const Handle session = OpenSession(kFileSystemIso9660);
  IsoVolumeInfo info;
  ASSERT_EQ(GetISOVolumeInformation(session, &info), 0);
  EXPECT_EQ(DateBytes(info.creationTime), (std::vector<int>{110, 3, 15, 14, 5, 9}));
  EXPECT_EQ(DateBytes(info.modificationTime), (std::vector<int>{111, 4, 1, 15, 16, 17}));
  EXPECT_EQ(DateBytes(info.expirationTime), (std::vector<int>{130, 1, 1, 0, 0, 0}));
  EXPECT_EQ(DateBytes(info.effectiveTime), (std::vector<int>{109, 12, 31, 23, 59, 59}));
  CloseDiskSession(session);
}

TEST(FileSystemApi, Utf8VolumeTextsMatchIsoinfo) {
  const std::string image = GetFixtures().rockRidge;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const testing_support::CommandResult oracle = RunCommand({"isoinfo", "-d", "-i", image});
  const Handle session = OpenSession(kFileSystemIso9660);
  IsoVolumeInfo info;
  ASSERT_EQ(GetISOVolumeInformation(session, &info), 0);
  EXPECT_EQ(info.volumeLabel.str(), u"Grüße Volume");
  EXPECT_EQ(Narrow(info.volumeLabel.str()), OracleField(oracle.output, "Volume id:"));
  EXPECT_EQ(Narrow(info.publisher.str()), OracleField(oracle.output, "Publisher id:"));
  CloseDiskSession(session);
}

TEST(FileSystemApi, JolietVolumeInformation) {
  // No tool here prints the Joliet descriptor; xorriso was given these.
  UseImages({GetFixtures().healthy});
  ASSERT_EQ(Select(u'D'), 0);
  const Handle session = OpenSession(kFileSystemJoliet);
  IsoVolumeInfo info;
  ASSERT_EQ(GetISOVolumeInformation(session, &info), 0);
  EXPECT_EQ(info.volumeLabel.str(), u"HEALTHY");
  EXPECT_EQ(info.publisher.str(), u"The Publisher");
  EXPECT_EQ(info.application.str(), u"Lumeter Tests");
  EXPECT_EQ(DateBytes(info.creationTime), (std::vector<int>{110, 3, 15, 14, 5, 9}));
  CloseDiskSession(session);
}

TEST(FileSystemApi, ReadDirectoryEntries) {
  UseImages({GetFixtures().healthy});
  ASSERT_EQ(Select(u'D'), 0);
  const Handle session = OpenSession(kFileSystemJoliet);
  Handle directory = 0;
  ASSERT_EQ(OpenDirectory(session, u"DIR", &directory), 0);
  DirectoryEntry entry;
  std::memset(&entry, 0xAB, sizeof entry);
  std::vector<std::pair<std::u16string, int>> entries;
  std::int32_t index = 0;
  for (; ReadDirectory(directory, index, &entry) == 0; ++index)
    entries.emplace_back(entry.name.str(), entry.attributes);
  EXPECT_EQ(index, 3);
  const std::vector<std::pair<std::u16string, int>> expected{
      {u"B.BIN", 0}, {u"EMPTY.DAT", 0}, {u"SUB", kAttributeDirectory}};
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, expected);
  EXPECT_NE(ReadDirectory(directory, 3, &entry), 0);
  EXPECT_NE(ReadDirectory(directory, -1, &entry), 0);
  EXPECT_NE(ReadDirectory(directory, 0, nullptr), 0);
  EXPECT_EQ(CloseDirectory(directory), 0);

  for (const char16_t* bad :
       {u"/NOWHERE", u"/A.TXT", u"//DIR", u"/DIR/", u"/DIR//SUB", u"\\DIR", u"/DIR\\SUB"})
    EXPECT_NE(OpenDirectory(session, bad, &directory), 0) << Narrow(bad);
  EXPECT_NE(OpenDirectory(session, nullptr, &directory), 0);
  EXPECT_EQ(OpenDirectory(session, u"/DIR/SUB", &directory), 0);
  ASSERT_EQ(ReadDirectory(directory, 0, &entry), 0);
  EXPECT_EQ(entry.name.str(), u"long_name_file.text");
  CloseDirectory(directory);
  CloseDiskSession(session);
}

// A copy of the healthy image at path; gives the address of sector 100 of
// BIG.BIN, for a faults file to damage.
long CopyHealthyImage(const std::string& path) {
  const std::vector<std::uint8_t> bytes = testing_support::ReadFile(GetFixtures().healthy);
  testing_support::WriteFile(path, std::string(bytes.begin(), bytes.end()));
  const testing_support::CommandResult found =
      RunCommand({"xorriso", "-no_rc", "-indev", path, "-find", "/BIG.BIN", "-exec", "report_lba"});
  // "File data lba:  0 ,       70 ,      147 ,   300000 , '/BIG.BIN'"
  const std::size_t at = found.output.find("File data lba:");
  EXPECT_NE(at, std::string::npos) << found.output;
  if (at == std::string::npos) return -1;
  return std::stol(found.output.substr(found.output.find(',', at) + 1)) + 100;
}

TEST(FileSystemApi, VerifyFileReadsEveryExtent) {
  const std::string image = OutputDirectory() + "/verify.iso";
  const long damaged = CopyHealthyImage(image);
  ASSERT_GE(damaged, 0);
  testing_support::WriteFile(image + ".faults", std::to_string(damaged) + " always\n");
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  for (const std::int32_t selector : {kFileSystemIso9660, kFileSystemJoliet}) {
    const Handle session = OpenSession(selector);
    EXPECT_EQ(VerifyFile(session, u"/A.TXT"), 0);
    EXPECT_EQ(VerifyFile(session, u"/DIR/EMPTY.DAT"), 0);
    EXPECT_NE(VerifyFile(session, u"/BIG.BIN"), 0);
    EXPECT_NE(VerifyFile(session, u"/DIR"), 0);
    EXPECT_NE(VerifyFile(session, u"/NOTHING"), 0);
    EXPECT_NE(VerifyFile(session, u""), 0);
    EXPECT_NE(VerifyFile(session, nullptr), 0);
    // What a verification reads: the file's data sectors (xorriso puts
    // BIG.BIN's 300000 bytes in 147).
    std::uint64_t sectors = 99;
    EXPECT_EQ(GetFileSectors(session, u"/BIG.BIN", &sectors), 0);
    EXPECT_EQ(sectors, 147u);
    EXPECT_EQ(GetFileSectors(session, u"/DIR/EMPTY.DAT", &sectors), 0);
    EXPECT_EQ(sectors, 0u);
    EXPECT_NE(GetFileSectors(session, u"/NOTHING", &sectors), 0);
    EXPECT_NE(GetFileSectors(session, nullptr, &sectors), 0);
    EXPECT_NE(GetFileSectors(session, u"BIG.BIN", nullptr), 0);
    EXPECT_NE(GetFileSectors(0, u"BIG.BIN", &sectors), 0);

    // Where a failed file's data lies, for reading it again sector by
    // sector: its run holds the sector that fails, and a room too small is
    // told the runs it needs.
    SectorRun runs[2] = {};
    std::int32_t count = 2;
    std::uint64_t size = 0;
    ASSERT_EQ(GetFileRuns(session, u"/BIG.BIN", runs, &count, &size), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(runs[0].count, 147u);
    EXPECT_LE(runs[0].first, static_cast<std::uint64_t>(damaged));
    EXPECT_GT(runs[0].first + runs[0].count, static_cast<std::uint64_t>(damaged));
    EXPECT_EQ(size, 300000u);
    count = 0;
    EXPECT_EQ(GetFileRuns(session, u"/BIG.BIN", nullptr, &count, &size), kResultTooLarge);
    EXPECT_EQ(count, 1);
    count = 2;
    ASSERT_EQ(GetFileRuns(session, u"/DIR/EMPTY.DAT", runs, &count, &size), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(size, 0u);
    EXPECT_NE(GetFileRuns(session, u"/DIR", runs, &count, &size), 0);
    EXPECT_NE(GetFileRuns(session, u"/NOTHING", runs, &count, &size), 0);
    EXPECT_NE(GetFileRuns(session, u"/BIG.BIN", nullptr, &count, &size), 0);  // room without runs
    CloseDiskSession(session);
  }
}

// The bytes ReadFile hands over, joined; its result in result.
std::vector<std::uint8_t> ReadWhole(Handle session, const char16_t* path, std::int32_t& result) {
  std::vector<std::uint8_t> bytes;
  result = ReadFile(
      session, path,
      [](void* context, const std::uint8_t* data, std::int32_t size) {
        auto* out = static_cast<std::vector<std::uint8_t>*>(context);
        out->insert(out->end(), data, data + size);
        return 0;
      },
      &bytes);
  return bytes;
}

// Every file system gives each file's own bytes, its length exactly; a
// sector that never reads fails the file, and a receiver may end the read.
TEST(FileSystemApi, ReadFileGivesTheFilesBytes) {
  const std::string tree = OutputDirectory() + "/fixtures/tree/";
  const std::string image = OutputDirectory() + "/readfile.iso";
  const long damaged = CopyHealthyImage(image);
  ASSERT_GE(damaged, 0);
  testing_support::WriteFile(image + ".faults", std::to_string(damaged) + " always\n");
  UseImages({GetFixtures().healthy, GetFixtures().udf, image});
  const struct {
    char16_t drive;
    std::int32_t selector;
  } cases[] = {{u'D', kFileSystemIso9660}, {u'D', kFileSystemJoliet}, {u'E', kFileSystemUdf}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selector);
    ASSERT_EQ(Select(c.drive), 0);
    const Handle session = OpenSession(c.selector);
    for (const auto& [path, file] :
         {std::pair{u"/A.TXT", "A.TXT"}, std::pair{u"/DIR/B.BIN", "DIR/B.BIN"},
          std::pair{u"/DIR/EMPTY.DAT", "DIR/EMPTY.DAT"}, std::pair{u"/BIG.BIN", "BIG.BIN"}}) {
      std::int32_t result = -1;
      EXPECT_EQ(ReadWhole(session, path, result), testing_support::ReadFile(tree + file)) << file;
      EXPECT_EQ(result, 0) << file;
    }
    std::int32_t result = 0;
    ReadWhole(session, u"/DIR", result);
    EXPECT_NE(result, 0);
    CloseDiskSession(session);
  }
  ASSERT_EQ(Select(u'F'), 0);
  const Handle session = OpenSession(kFileSystemIso9660);
  std::int32_t result = 0;
  ReadWhole(session, u"BIG.BIN", result);
  EXPECT_NE(result, 0);
  EXPECT_EQ(
      ReadFile(
          session, u"A.TXT", [](void*, const std::uint8_t*, std::int32_t) { return 77; }, nullptr),
      77);
  EXPECT_NE(ReadFile(session, u"A.TXT", nullptr, nullptr), 0);
  CloseDiskSession(session);
}

// xorriso's -md5 on records where each file's MD5 lies as extended
// attributes: "isofs.ca" on the root, "isofs.cx" on each file, in the ISO
// 9660 tree only.
TEST(FileSystemApi, GetFileAttributeFindsXorrisosChecksumPlaces) {
  const std::string image = OutputDirectory() + "/md5.iso";
  std::filesystem::remove(image);
  const testing_support::CommandResult made =
      RunCommand({"xorriso", "-no_rc", "-md5", "on", "-outdev", image, "-joliet", "on", "-map",
                  OutputDirectory() + "/fixtures/tree", "/", "-commit"});
  ASSERT_EQ(made.exitCode, 0) << made.output;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const Handle session = OpenSession(kFileSystemIso9660);
  std::uint8_t value[64] = {};
  std::int32_t size = sizeof value;
  ASSERT_EQ(GetFileAttribute(session, u"", "isofs.ca", value, &size), 0);
  ASSERT_GT(size, 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(value) + size - 3, 3), "MD5");
  size = sizeof value;
  EXPECT_EQ(GetFileAttribute(session, u"/DIR/B.BIN", "isofs.cx", value, &size), 0);
  EXPECT_GE(size, 1);
  size = sizeof value;
  EXPECT_EQ(GetFileAttribute(session, u"/A.TXT", "user.none", value, &size), kResultNotFound);
  EXPECT_EQ(GetFileAttribute(session, u"/NOTHING", "isofs.cx", value, &size), kResultNotFound);
  size = 2;
  EXPECT_NE(GetFileAttribute(session, u"", "isofs.ca", value, &size), 0);
  EXPECT_GT(size, 3);  // what the whole value needs
  CloseDiskSession(session);

  const Handle joliet = OpenSession(kFileSystemJoliet);
  size = sizeof value;
  EXPECT_NE(GetFileAttribute(joliet, u"/A.TXT", "isofs.cx", value, &size), 0);
  CloseDiskSession(joliet);
}

// A chunk that fails is read again a sector at a time, each sector up to five
// times, as a surface scan reads it: the file fails only when a sector never
// reads. (The failed chunk's read counts in no cycle of failures: the
// sector's own reads meet them all, as a one-sector scan's would.)
TEST(FileSystemApi, VerifyFileRetriesEachSectorOfAFailedChunk) {
  const std::string image = OutputDirectory() + "/verify-retry.iso";
  const long damaged = CopyHealthyImage(image);
  ASSERT_GE(damaged, 0);

  struct Case {
    const char* failures;
    std::vector<bool> verified;  // the outcome of each VerifyFile in a row
  };
  const Case cases[] = {
      {"1", {true, true}},         // the chunk and one attempt fail, the second reads
      {"4", {true}},               // the chunk and four attempts fail, the fifth reads
      {"5", {false, true}},        // all five attempts fail; then the chunk reads
      {"always", {false, false}},  // never
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("failures ") + c.failures);
    testing_support::WriteFile(image + ".faults",
                               std::to_string(damaged) + " " + c.failures + "\n");
    UseImages({image});
    ASSERT_EQ(Select(u'D'), 0);
    const Handle session = OpenSession(kFileSystemAny);
    for (const bool verified : c.verified)
      EXPECT_EQ(VerifyFile(session, u"BIG.BIN") == 0, verified);
    CloseDiskSession(session);
  }

  // With the medium gone the failure says so, without retries.
  testing_support::WriteFile(image + ".faults", "");
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const Handle session = OpenSession(kFileSystemAny);
  ASSERT_EQ(EjectDevice(kCurrentDevice), 0);
  EXPECT_EQ(VerifyFile(session, u"BIG.BIN"), kResultNoMedium);
  std::vector<std::uint8_t> sector(kSectorSize);
  EXPECT_EQ(ReadSectors(kCurrentDevice, 0, 1, 0, sector.data(), kSectorSize), kResultNoMedium);
  ASSERT_EQ(CloseDevice(kCurrentDevice), 0);
  EXPECT_EQ(VerifyFile(session, u"BIG.BIN"), 0);
  CloseDiskSession(session);
}

// udfinfo's "key=value" line.
std::string UdfinfoField(const std::string& output, const std::string& key) {
  const std::size_t at = output.find("\n" + key + "=");
  if (at == std::string::npos) return "(missing " + key + ")";
  const std::size_t begin = at + key.size() + 2;
  return output.substr(begin, output.find('\n', begin) - begin);
}

TEST(FileSystemApi, UdfThroughTheDecoder) {
  const std::string image = GetFixtures().udf;
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  TrackInformation track;
  ASSERT_EQ(GetTrackInformation(kCurrentDevice, 1, &track), 0);
  EXPECT_EQ(+track.contentFlags, kContentIso9660 | kContentJoliet | kContentUdf);

  const testing_support::CommandResult oracle = RunCommand({"udfinfo", image});
  ASSERT_EQ(oracle.exitCode, 0) << oracle.output;
  // Selector 4 opens UDF, and so does the engine's own choice.
  for (const std::int32_t selector : {kFileSystemUdf, kFileSystemAny}) {
    SCOPED_TRACE(selector);
    const Handle session = OpenSession(selector);
    UdfVolumeInfo info;
    std::memset(&info, 0xAB, sizeof info);
    ASSERT_EQ(GetUDFVolumeInformation(session, &info), 0);
    EXPECT_EQ(Narrow(info.volumeLabel.str()), UdfinfoField(oracle.output, "label"));
    EXPECT_EQ(+info.revision, 0x0102);
    EXPECT_EQ(UdfinfoField(oracle.output, "udfrev"), "1.02");
    EXPECT_EQ(std::to_string(info.fileCount), UdfinfoField(oracle.output, "numfiles"));
    EXPECT_EQ(std::to_string(info.directoryCount), UdfinfoField(oracle.output, "numdirs"));
    EXPECT_EQ(info.reserved256.bytes[0], 0xAB);
    IsoVolumeInfo iso;
    EXPECT_NE(GetISOVolumeInformation(session, &iso), 0);
    EXPECT_EQ(VerifyFile(session, u"BIG.BIN"), 0);
    EXPECT_NE(VerifyFile(session, u"NOTHING"), 0);
    CloseDiskSession(session);
  }
  // The UDF tree holds what the Joliet tree holds.
  const auto walk = [](std::int32_t selector) {
    const Handle session = OpenSession(selector);
    std::vector<std::u16string> paths;
    Walk(session, u"", paths);
    CloseDiskSession(session);
    std::sort(paths.begin(), paths.end());
    return paths;
  };
  const std::vector<std::u16string> udf = walk(kFileSystemUdf);
  EXPECT_EQ(udf, walk(kFileSystemJoliet));
  EXPECT_NE(std::find(udf.begin(), udf.end(), u"/Grüße.txt"), udf.end());
}

TEST(FileSystemApi, SessionsOfARewrittenImageReadItAfresh) {
  // The same image file rewritten in place with other files, its volume
  // descriptor unchanged: sessions opened after see the new files, and one
  // opened before keeps its own.
  using testing_support::IsoBuilder;
  const std::string image = OutputDirectory() + "/rewritten.iso";
  const auto save = [&](const char* name) {
    IsoBuilder builder;
    builder.Record(IsoBuilder::kRoot, name, 30, 100);
    builder.Save(image);
  };
  save("FIRST.TXT;1");
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  const Handle before = OpenSession(kFileSystemAny);
  EXPECT_EQ(VerifyFile(before, u"FIRST.TXT"), 0);
  save("SECOND.TXT;1");
  const Handle after = OpenSession(kFileSystemAny);
  EXPECT_EQ(VerifyFile(after, u"SECOND.TXT"), 0);
  EXPECT_NE(VerifyFile(after, u"FIRST.TXT"), 0);
  EXPECT_EQ(VerifyFile(before, u"FIRST.TXT"), 0);
  CloseDiskSession(before);
  CloseDiskSession(after);
}

TEST(FileSystemApi, HostileImages) {
  using testing_support::IsoBuilder;
  constexpr std::uint32_t kRoot = IsoBuilder::kRoot;
  constexpr std::uint8_t kDirectory = 0x02;  // ECMA-119 file flag
  IsoBuilder builder;
  builder.Record(kRoot, "GOOD.TXT;1", 30, 100);
  builder.Record(kRoot, "BEYOND.TXT;1", 60, 20000);  // ends past the 64 sectors
  builder.Record(kRoot, "FAR.TXT;1", 0xFFFFFF00u, 2048);
  builder.Record(kRoot, "LOOP", kRoot, 2048, kDirectory);
  builder.Record(kRoot, "SUB", 21, 2048, kDirectory);
  builder.Directory(21, kRoot);
  builder.Record(21, "BACK", kRoot, 2048, kDirectory);
  const std::string image = OutputDirectory() + "/hostile.iso";
  builder.Save(image);
  UseImages({image});
  ASSERT_EQ(Select(u'D'), 0);
  TrackInformation track;
  ASSERT_EQ(GetTrackInformation(kCurrentDevice, 1, &track), 0);
  EXPECT_EQ(+track.contentFlags, kContentIso9660);

  const Handle session = OpenSession(kFileSystemAny);
  EXPECT_EQ(VerifyFile(session, u"GOOD.TXT"), 0);
  EXPECT_NE(VerifyFile(session, u"BEYOND.TXT"), 0);
  EXPECT_NE(VerifyFile(session, u"FAR.TXT"), 0);
  // The program's walk: the loops are listed, but cannot be opened.
  Handle directory = 0;
  EXPECT_NE(OpenDirectory(session, u"LOOP", &directory), 0);
  EXPECT_NE(OpenDirectory(session, u"SUB\\BACK", &directory), 0);
  EXPECT_EQ(OpenDirectory(session, u"SUB", &directory), 0);
  CloseDirectory(directory);
  CloseDiskSession(session);
}

}  // namespace
}  // namespace wrenlo
