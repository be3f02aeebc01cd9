// The history's database: what a scan keeps comes back whole, discs are told
// apart, scans are forgotten, and the file survives what happens to files:
// an older release's tables, a newer release's, damage, a folder that cannot
// be written, a full disc, and two processes writing at once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>

#include "FailingWritesVfs.h"
#include "HistoryTestSupport.h"
#include "core/history/DiscHistory.h"
#include "core/history/HistorySchema.h"
#include "core/history/SqliteDatabase.h"
#include "core/report/Utf8.h"
#include "core/scan/TimeValue.h"

namespace {

using ::testing::HasSubstr;
using testing_support::NewFolder;
using testing_support::SampleDisc;
using testing_support::SampleScan;

std::string HistoryFile(const std::string& folder) {
  return folder + "/data/Corvane/Lumeter/history.sqlite";
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Records a scan, failing the test when it cannot.
HistoryScan Record(DiscHistory& history, const DiscIdentity& disc, HistoryScan scan) {
  std::string error;
  EXPECT_TRUE(history.Record(disc, scan, error)) << error;
  EXPECT_GT(scan.id, 0);
  return scan;
}

std::vector<HistoryScan> ScansOf(DiscHistory& history, const DiscIdentity& disc) {
  DiscScans scans;
  std::string error;
  EXPECT_TRUE(history.ScansOf(disc, scans, error)) << error;
  return scans.scans;
}

// A scan as Discs gives it back: without what only a disc's own list loads.
HistoryScan Brief(HistoryScan scan) {
  scan.problemRanges.clear();
  scan.errorRanges.clear();
  scan.unreadRanges.clear();
  scan.damaged.clear();
  scan.checksums.clear();
  scan.speedCurve = {};
  return scan;
}

TEST(DiscHistoryTest, KeepsEveryFieldAndTellsDiscsApart) {
  DiscHistory history(HistoryFile(NewFolder()));
  const DiscIdentity disc = SampleDisc(1);
  // The same label, creation time and size, other contents: another disc.
  const DiscIdentity other = SampleDisc(2);
  const HistoryScan later = Record(history, disc, SampleScan(2000));
  HistoryScan filesTest;
  filesTest.kind = scan_kind::kFilesTest;
  filesTest.time = 1000;
  filesTest.options = "{}";
  filesTest.drive.imagePath = "/srv/images/backup 2019.iso";
  filesTest.filesTotal = 120;
  filesTest.filesChecked = 120;
  filesTest.fileErrors = 1;
  filesTest.damaged = {{"DOCS/REPORT.PDF", false, 0, 0},
                       {"Directory OLD: medium error", true, 0, 0}};
  const HistoryScan earlier = Record(history, disc, filesTest);
  const HistoryScan elsewhere = Record(history, other, SampleScan(3000));
  EXPECT_EQ(later.damagedFiles, 2);
  EXPECT_EQ(earlier.damagedFiles, 1);

  // Oldest first, every field as it was given.
  EXPECT_EQ(ScansOf(history, disc), (std::vector<HistoryScan>{earlier, later}));
  EXPECT_EQ(ScansOf(history, other), std::vector<HistoryScan>{elsewhere});
  DiscIdentity unknown = disc;
  unknown.created.clear();
  EXPECT_TRUE(ScansOf(history, unknown).empty());

  HistoryScan latest;
  bool found = false;
  std::string error;
  ASSERT_TRUE(history.Latest(disc, scan_kind::kFilesTest, latest, found, error)) << error;
  EXPECT_TRUE(found);
  EXPECT_EQ(latest, earlier);
  ASSERT_TRUE(history.Latest(other, scan_kind::kFilesTest, latest, found, error)) << error;
  EXPECT_FALSE(found);

  std::vector<HistoryDisc> discs;
  ASSERT_TRUE(history.Discs(discs, error)) << error;
  ASSERT_EQ(discs.size(), 2u);
  EXPECT_EQ(discs[0].identity, disc);
  EXPECT_EQ(discs[0].scanCount, 2);
  EXPECT_EQ(discs[0].latest, Brief(later));
  EXPECT_EQ(discs[1].identity, other);
  EXPECT_EQ(discs[1].scanCount, 1);
}

TEST(DiscHistoryTest, ForgetsAScanAndADiscWithItsLastScan) {
  DiscHistory history(HistoryFile(NewFolder()));
  const HistoryScan first = Record(history, SampleDisc(1), SampleScan(1000));
  const HistoryScan second = Record(history, SampleDisc(1), SampleScan(2000));
  const HistoryScan only = Record(history, SampleDisc(2), SampleScan(3000));
  bool found = false;
  std::string error;
  ASSERT_TRUE(history.Forget(second.id, found, error)) << error;
  EXPECT_TRUE(found);
  ASSERT_TRUE(history.Forget(only.id, found, error)) << error;
  EXPECT_TRUE(found);
  ASSERT_TRUE(history.Forget(only.id, found, error)) << error;
  EXPECT_FALSE(found);

  EXPECT_EQ(ScansOf(history, SampleDisc(1)), std::vector<HistoryScan>{first});
  std::vector<HistoryDisc> discs;
  ASSERT_TRUE(history.Discs(discs, error)) << error;
  ASSERT_EQ(discs.size(), 1u);
  EXPECT_EQ(discs[0].latest.id, first.id);
  // Its ranges and files went with it.
  SqliteDatabase db(history.Path(), 0);
  EXPECT_EQ(
      db.QueryInt("SELECT count(*) FROM scan_ranges WHERE scan_id <> " + std::to_string(first.id)),
      0);
  EXPECT_EQ(db.QueryInt("SELECT count(*) FROM damaged_files WHERE scan_id <> " +
                        std::to_string(first.id)),
            0);
}

TEST(DiscHistoryTest, LivesInTheDataFolderTheEnvironmentNames) {
  const std::optional<std::string> xdg =
      std::getenv("XDG_DATA_HOME") ? std::optional<std::string>(std::getenv("XDG_DATA_HOME"))
                                   : std::nullopt;
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  struct Case {
    const char* xdg;  // null: unset
    const char* expected;
  };
  const Case cases[] = {
      {"/data/elsewhere", "/data/elsewhere/Corvane/Lumeter/history.sqlite"},
      {"/data/elsewhere/", "/data/elsewhere/Corvane/Lumeter/history.sqlite"},
      // Relative or empty: not a data folder, so the default.
      {"relative/folder", "/home/tester/.local/share/Corvane/Lumeter/history.sqlite"},
      {"", "/home/tester/.local/share/Corvane/Lumeter/history.sqlite"},
      {nullptr, "/home/tester/.local/share/Corvane/Lumeter/history.sqlite"},
  };
  ::setenv("HOME", "/home/tester", 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xdg ? c.xdg : "unset");
    if (c.xdg != nullptr)
      ::setenv("XDG_DATA_HOME", c.xdg, 1);
    else
      ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(DiscHistory::DefaultPath(), c.expected);
  }
  ::setenv("HOME", home.c_str(), 1);
  if (xdg)
    ::setenv("XDG_DATA_HOME", xdg->c_str(), 1);
  else
    ::unsetenv("XDG_DATA_HOME");
}

TEST(DiscHistoryTest, MigratesADatabaseOfTheFirstVersion) {
  const std::string folder = NewFolder();
  const std::string path = folder + "/history.sqlite";
  {
    // A file as the first release wrote it, with one scan.
    SqliteDatabase db(path, 0);
    MigrateHistory(db, 1);
    db.Execute(
        "INSERT INTO discs VALUES (7, 'OLD DISC', '2001-02-03 04:05:06', 1000, 'abc', "
        "'ISO 9660');"
        "INSERT INTO scans VALUES (3, 7, 978307200, 'surface scan', 'ACME', 'Writer', '1.0', '', "
        "'{}', 5000, 0, 1000, 990, 10, 0, 0, 0, 0, 0, 1, '');"
        "INSERT INTO scan_ranges VALUES (3, 'problem', 10, 19);"
        "INSERT INTO damaged_files VALUES (3, 'A.TXT', 0, 10, 0);");
    ASSERT_EQ(HistorySchemaVersion(db), 1);
  }
  DiscHistory history(path);
  const DiscIdentity disc{"OLD DISC", "2001-02-03 04:05:06", 1000, "abc", "ISO 9660"};
  const std::vector<HistoryScan> scans = ScansOf(history, disc);
  ASSERT_EQ(scans.size(), 1u);
  EXPECT_EQ(scans[0].id, 3);
  EXPECT_EQ(scans[0].drive.vendor, "ACME");
  EXPECT_EQ(scans[0].problemRanges, (std::vector<SectorRange>{{10, 19}}));
  EXPECT_EQ(scans[0].damaged, (std::vector<DamagedFileRecord>{{"A.TXT", false, 10, 0}}));
  // The later versions' tables are there: a scan with checksums is kept.
  const HistoryScan newer = Record(history, disc, SampleScan(978400000));
  EXPECT_EQ(ScansOf(history, disc).back().checksums, newer.checksums);
  SqliteDatabase db(path, 0);
  EXPECT_EQ(HistorySchemaVersion(db), kHistorySchemaVersion);
}

TEST(DiscHistoryTest, LeavesAFileOfANewerReleaseAsItIs) {
  const std::string path = NewFolder() + "/history.sqlite";
  {
    SqliteDatabase db(path, 0);
    db.Execute("PRAGMA user_version = " + std::to_string(kHistorySchemaVersion + 1));
  }
  const std::string before = ReadBytes(path);
  DiscHistory history(path);
  HistoryScan scan = SampleScan(1);
  std::string error;
  EXPECT_FALSE(history.Record(SampleDisc(1), scan, error));
  EXPECT_THAT(error, HasSubstr("newer release"));
  EXPECT_TRUE(history.TakeWarnings().empty());
  EXPECT_EQ(ReadBytes(path), before);
}

TEST(DiscHistoryTest, MovesADamagedFileAsideAndStartsANewOne) {
  struct Case {
    const char* what;
    std::function<void(const std::string& path)> damage;
  };
  const Case cases[] = {
      {"not a database at all",
       [](const std::string& path) { std::ofstream(path) << "these are not the pages"; }},
      {"a database whose pages were overwritten",
       [](const std::string& path) {
         {
           DiscHistory history(path);
           for (int i = 0; i < 20; ++i) Record(history, SampleDisc(i), SampleScan(i));
         }
         // Everything after the header's page, but the file's size stays.
         std::string bytes = ReadBytes(path);
         for (std::size_t i = 4096; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
         std::ofstream(path, std::ios::binary) << bytes;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = NewFolder();
    const std::string path = folder + "/history.sqlite";
    c.damage(path);
    const std::string damaged = ReadBytes(path);
    DiscHistory history(path);
    const HistoryScan kept = Record(history, SampleDisc(1), SampleScan(5));
    const std::string aside = path + ".corrupt-" + ToUtf8(TimeValue::Now().Format("%Y-%m-%d"));
    const std::vector<std::string> warnings = history.TakeWarnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_THAT(warnings[0], HasSubstr("moved to " + aside));
    EXPECT_TRUE(history.TakeWarnings().empty());
    EXPECT_EQ(ReadBytes(aside), damaged);
    EXPECT_EQ(ScansOf(history, SampleDisc(1)), std::vector<HistoryScan>{kept});
    EXPECT_TRUE(ScansOf(history, SampleDisc(2)).empty());
  }
}

// Runs check in a child process that sees folder read-only. The
// administrator writes into any folder whatever its permissions, so it gets
// a read-only mount of the folder in a mount namespace of its own; anyone
// else loses the folder's write permission. The child's status: 0 when check
// held, 77 when the folder could not be made read-only.
int InReadOnlyFolder(const std::string& folder, const std::function<bool()>& check) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0) {
      if (::unshare(CLONE_NEWNS) != 0 ||
          ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
          ::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        ::_exit(77);
    } else {
      ::chmod(folder.c_str(), 0555);
    }
    if (::access(folder.c_str(), W_OK) == 0) ::_exit(77);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ::chmod(folder.c_str(), 0755);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

TEST(DiscHistoryTest, AFolderThatCannotBeWrittenFailsWithWhy) {
  const std::string folder = NewFolder();
  // The file's folder is missing and cannot be made.
  int status = InReadOnlyFolder(folder, [&] {
    DiscHistory history(HistoryFile(folder));
    HistoryScan scan = SampleScan(1);
    std::string error;
    return !history.Record(SampleDisc(1), scan, error) &&
           error.find("cannot make the folder " + folder + "/data: Read-only file system") !=
               std::string::npos;
  });
  if (status == 77) GTEST_SKIP() << "the folder cannot be made read-only here";
  EXPECT_EQ(status, 0);

  // The file is there, but its journal cannot be made beside it.
  const std::string path = folder + "/history.sqlite";
  {
    DiscHistory history(path);
    Record(history, SampleDisc(1), SampleScan(1));
  }
  ::unlink((path + "-wal").c_str());
  ::unlink((path + "-shm").c_str());
  const std::string before = ReadBytes(path);
  status = InReadOnlyFolder(folder, [&] {
    DiscHistory history(path);
    HistoryScan scan = SampleScan(2);
    std::string error;
    return !history.Record(SampleDisc(1), scan, error) && !error.empty() &&
           history.TakeWarnings().empty();
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadBytes(path), before);
}

TEST(DiscHistoryTest, AFullDiscFailsARecordAndLeavesTheRestWhole) {
  testing_support::InstallFailingWritesVfs();
  DiscHistory history(NewFolder() + "/history.sqlite");
  const HistoryScan before = Record(history, SampleDisc(1), SampleScan(1));
  testing_support::SetDiscFull(true);
  HistoryScan scan = SampleScan(2);
  std::string error;
  const bool recorded = history.Record(SampleDisc(1), scan, error);
  testing_support::SetDiscFull(false);
  EXPECT_FALSE(recorded);
  EXPECT_THAT(error, HasSubstr("full"));
  EXPECT_TRUE(history.TakeWarnings().empty()) << "a full disc is no damage";
  EXPECT_EQ(ScansOf(history, SampleDisc(1)), std::vector<HistoryScan>{before});
  const HistoryScan after = Record(history, SampleDisc(1), SampleScan(3));
  EXPECT_EQ(ScansOf(history, SampleDisc(1)), (std::vector<HistoryScan>{before, after}));
}

TEST(DiscHistoryTest, TwoProcessesRecordAtOnce) {
  // Both start on a file that is not there yet, so they make its tables at
  // the same time too.
  const std::string path = HistoryFile(NewFolder());
  constexpr int kScansEach = 40;
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  pid_t children[2];
  for (int n = 0; n < 2; ++n) {
    children[n] = ::fork();
    if (children[n] == 0) {
      ::close(start[1]);
      char go = 0;
      (void)!::read(start[0], &go, 1);  // returns when the test closes its end
      DiscHistory history(path);
      for (int i = 0; i < kScansEach; ++i) {
        // Every other scan is of the disc both record.
        HistoryScan scan = SampleScan(i);
        std::string error;
        if (!history.Record(SampleDisc(i % 2 == 0 ? 0 : n + 1), scan, error)) {
          std::fprintf(stderr, "child %d: %s\n", n, error.c_str());
          ::_exit(1);
        }
      }
      ::_exit(0);
    }
  }
  ::close(start[0]);
  ::close(start[1]);
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  DiscHistory history(path);
  EXPECT_EQ(ScansOf(history, SampleDisc(0)).size(), static_cast<std::size_t>(kScansEach));
  EXPECT_EQ(ScansOf(history, SampleDisc(1)).size(), static_cast<std::size_t>(kScansEach / 2));
  EXPECT_EQ(ScansOf(history, SampleDisc(2)).size(), static_cast<std::size_t>(kScansEach / 2));
}

}  // namespace
