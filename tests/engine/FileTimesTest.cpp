// Modification times and link targets in directory listings, of trees the
// tools made from files whose times were set beforehand: each tree records
// them in its own way (ISO 9660 and Joliet record dates with an offset from
// GMT, Rock Ridge TF entries, UDF file entries).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wrenlo/wrenlo.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/Command.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"

namespace wrenlo {
namespace {

namespace fs = std::filesystem;
using testing_support::Narrow;
using testing_support::OutputDirectory;
using testing_support::RunCommand;

struct Time {
  std::int64_t seconds;
  std::int32_t nanoseconds;
  bool operator==(const Time&) const = default;
};

// The times given to the source files: one with a fraction of a second, one
// before 1970, and a folder's (set after its contents).
// genisoimage records a wrong offset from GMT for some times whose local
// date differs from the one at GMT, and for years from about 2030: these
// avoid both.
const std::map<std::u16string, Time> kSourceTimes{
    {u"/NEW.TXT", {1622550896, 789'000'000}},  // 2021-06-01 12:34:56.789 UTC
    {u"/OLD.TXT", {-310517877, 0}},            // 1960-02-29 01:02:03 UTC
    {u"/DIR", {1115269505, 0}},                // 2005-05-05 05:05:05 UTC
    {u"/DIR/IN.TXT", {1749988800, 0}},         // 2025-06-15 12:00:00 UTC
};
constexpr Time kLinkTime{1262304000, 0};  // 2010-01-01 00:00:00 UTC

void SetTime(const fs::path& path, Time time) {
  const timespec times[2] = {{time.seconds, time.nanoseconds}, {time.seconds, time.nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// The source tree, with a symbolic link LINK -> DIR/IN.TXT when withLink.
fs::path MakeTree(const std::string& name, bool withLink) {
  const fs::path tree = fs::path(OutputDirectory()) / "times" / name;
  fs::remove_all(tree);
  fs::create_directories(tree / "DIR");
  for (const auto& [path, time] : kSourceTimes) {
    const fs::path file = tree / fs::path(path).relative_path();
    if (path != u"/DIR") testing_support::WriteFile(file, "data\n");
  }
  if (withLink) {
    fs::create_symlink("DIR/IN.TXT", tree / "LINK");
    SetTime(tree / "LINK", kLinkTime);
  }
  for (const auto& [path, time] : kSourceTimes)
    SetTime(tree / fs::path(path).relative_path(), time);
  return tree;
}

struct Entry {
  bool known = false;
  Time time{};
  bool isLink = false;
};

void List(Handle session, const std::u16string& path, std::map<std::u16string, Entry>& out) {
  Handle directory = 0;
  ASSERT_EQ(OpenDirectory(session, path.c_str(), &directory), 0) << Narrow(path);
  DirectoryEntry entry;
  for (std::int32_t index = 0; ReadDirectory(directory, index, &entry) == 0; ++index) {
    const std::u16string child = path + u"/" + entry.name.str();
    out[child] = {entry.modifiedKnown == 1,
                  {entry.modifiedSeconds, entry.modifiedNanoseconds},
                  (entry.attributes & kAttributeLink) != 0};
    if (entry.attributes & kAttributeDirectory) List(session, child, out);
  }
  CloseDirectory(directory);
}

// GetLinkTarget of the tree's link, whole, cut, and of what is no link.
void ExpectLinkTarget(Handle session) {
  char16_t target[16] = {};
  std::int32_t size = 16;
  EXPECT_EQ(GetLinkTarget(session, u"/LINK", target, &size), 0);
  EXPECT_EQ(std::u16string(target, static_cast<std::size_t>(size)), u"DIR/IN.TXT");
  size = 3;
  EXPECT_EQ(GetLinkTarget(session, u"/LINK", target, &size), kResultTooLarge);
  EXPECT_EQ(size, 10);
  size = 16;
  EXPECT_EQ(GetLinkTarget(session, u"/NEW.TXT", target, &size), kResultNotFound);
  EXPECT_EQ(GetLinkTarget(session, u"/DIR", target, &size), kResultNotFound);
  EXPECT_EQ(GetLinkTarget(session, u"/NOWHERE", target, &size), kResultNotFound);
  size = 1;
  EXPECT_EQ(GetLinkTarget(session, u"/LINK", nullptr, &size), kResultInvalidArgument);
}

struct TreeCase {
  const char* what;
  std::vector<std::string> command;  // makes IMAGE from TREE
  bool withLink;
  std::int32_t selector;
};

TEST(FileTimes, ListingsGiveEachEntrysModificationTime) {
  const TreeCase cases[] = {
      {"xorriso Rock Ridge (TF)",
       {"xorriso", "-no_rc", "-outdev", "IMAGE", "-joliet", "on", "-map", "TREE", "/", "-commit"},
       true,
       kFileSystemIso9660},
      {"xorriso Joliet (record dates)",
       {"xorriso", "-no_rc", "-outdev", "IMAGE", "-joliet", "on", "-map", "TREE", "/", "-commit"},
       false,
       kFileSystemJoliet},
      {"genisoimage Rock Ridge",
       {"genisoimage", "-quiet", "-R", "-o", "IMAGE", "TREE"},
       true,
       kFileSystemIso9660},
      // Local time 5:30 ahead of GMT: the record dates carry an offset.
      {"genisoimage ISO 9660 at +05:30",
       {"env", "TZ=Asia/Kolkata", "genisoimage", "-quiet", "-o", "IMAGE", "TREE"},
       false,
       kFileSystemIso9660},
      {"genisoimage UDF at -08:00",
       {"env", "TZ=America/Los_Angeles", "genisoimage", "-quiet", "-udf", "-o", "IMAGE", "TREE"},
       false,
       kFileSystemUdf},
  };
  int number = 0;
  for (const TreeCase& tree : cases) {
    SCOPED_TRACE(tree.what);
    const std::string name = "tree" + std::to_string(++number);
    const fs::path source = MakeTree(name, tree.withLink);
    const std::string image = source.string() + ".iso";
    fs::remove(image);
    std::vector<std::string> argv = tree.command;
    for (std::string& arg : argv) {
      if (arg == "IMAGE") arg = image;
      if (arg == "TREE") arg = source.string();
    }
    const testing_support::CommandResult made = RunCommand(argv);
    ASSERT_EQ(made.exitCode, 0) << made.output;

    testing_support::UseImages({image});
    ASSERT_EQ(testing_support::Select(u'D'), 0);
    Handle session = 0;
    ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, tree.selector | kFileSystemWithTimes),
              0);
    std::map<std::u16string, Entry> listed;
    List(session, u"", listed);
    for (const auto& [path, time] : kSourceTimes) {
      const auto found = listed.find(path);
      ASSERT_NE(found, listed.end()) << Narrow(path);
      EXPECT_TRUE(found->second.known) << Narrow(path);
      // None of these trees records parts of a second.
      const Time expected{time.seconds, 0};
      EXPECT_EQ(found->second.time, expected) << Narrow(path) << ": " << found->second.time.seconds
                                              << "." << found->second.time.nanoseconds;
    }
    if (tree.withLink) {
      const Entry& link = listed[u"/LINK"];
      EXPECT_TRUE(link.isLink);
      EXPECT_TRUE(link.known);
      EXPECT_EQ(link.time, kLinkTime);
      ExpectLinkTarget(session);
    }
    CloseDiskSession(session);

    // Without asking, only the trees that hold times in their directories
    // give them: UDF reads no file entry for a listing.
    ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &session, tree.selector), 0);
    std::map<std::u16string, Entry> names;
    List(session, u"", names);
    EXPECT_EQ(names[u"/DIR/IN.TXT"].known, tree.selector != kFileSystemUdf);
    CloseDiskSession(session);
  }
}

}  // namespace
}  // namespace wrenlo
