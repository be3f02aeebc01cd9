#include "core/history/DiscHistory.h"

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

#include "core/history/HistorySchema.h"
#include "core/history/SqliteDatabase.h"
#include "core/report/Utf8.h"
#include "core/scan/TimeValue.h"

namespace {

// How long a statement waits for another process's write to end.
constexpr int kBusyMilliseconds = 5000;

constexpr char kProblem[] = "problem";
constexpr char kError[] = "error";
constexpr char kUnread[] = "unread";

// The scans' columns as ReadScan reads them, from column 0 of a query.
constexpr char kScanColumns[] =
    "s.id, s.time, s.kind, s.drive_vendor, s.drive_model, s.drive_firmware, s.image_path, "
    "CASE WHEN json_valid(s.options) THEN s.options ELSE '{}' END, s.duration_ms, s.stopped, "
    "s.sectors, s.good_sectors, s.problem_sectors, "
    "s.error_sectors, s.unread_sectors, s.files_total, s.files_checked, s.file_errors, "
    "s.damaged_files";
constexpr int kScanColumnCount = 19;

void ReadScan(const SqliteDatabase::Statement& row, HistoryScan& scan) {
  int c = 0;
  scan.id = row.Int(c++);
  scan.time = row.Int(c++);
  scan.kind = row.Text(c++);
  scan.drive.vendor = row.Text(c++);
  scan.drive.model = row.Text(c++);
  scan.drive.firmware = row.Text(c++);
  scan.drive.imagePath = row.Text(c++);
  scan.options = row.Text(c++);
  scan.durationMs = row.Int(c++);
  scan.stopped = row.Int(c++) != 0;
  scan.sectors = row.Int(c++);
  scan.goodSectors = row.Int(c++);
  scan.problemSectors = row.Int(c++);
  scan.errorSectors = row.Int(c++);
  scan.unreadSectors = row.Int(c++);
  scan.filesTotal = row.Int(c++);
  scan.filesChecked = row.Int(c++);
  scan.fileErrors = row.Int(c++);
  scan.damagedFiles = row.Int(c++);
}

void ReadIdentity(const SqliteDatabase::Statement& row, int first, DiscIdentity& disc) {
  disc.label = row.Text(first);
  disc.created = row.Text(first + 1);
  disc.sectors = row.Int(first + 2);
  disc.descriptorHash = row.Text(first + 3);
  disc.fileSystem = row.Text(first + 4);
}

std::string CurveJson(const StoredSpeedCurve& curve) {
  if (curve.kilobytesPerSecond.empty()) return {};
  std::string out = "{\"sectors\": " + std::to_string(curve.sectors) +
                    ", \"base\": " + std::to_string(static_cast<std::int64_t>(curve.base)) +
                    ", \"kbps\": [";
  for (std::size_t i = 0; i < curve.kilobytesPerSecond.size(); ++i) {
    if (i != 0) out += ",";
    out += std::to_string(curve.kilobytesPerSecond[i]);
  }
  return out + "]}";
}

std::int64_t CountFiles(const std::vector<DamagedFileRecord>& damaged) {
  std::int64_t files = 0;
  for (const DamagedFileRecord& entry : damaged) files += entry.structure ? 0 : 1;
  return files;
}

void InsertDamaged(SqliteDatabase& db, std::int64_t scanId,
                   const std::vector<DamagedFileRecord>& damaged) {
  SqliteDatabase::Statement insert = db.Prepare(
      "INSERT INTO damaged_files (scan_id, path, structure, problem_sectors, error_sectors) "
      "VALUES (?1, ?2, ?3, ?4, ?5)");
  for (const DamagedFileRecord& entry : damaged)
    insert.BindInt(1, scanId)
        .BindText(2, entry.path)
        .BindInt(3, entry.structure ? 1 : 0)
        .BindInt(4, entry.problemSectors)
        .BindInt(5, entry.errorSectors)
        .Run();
}

// The disc's id; 0 when it was never recorded.
std::int64_t FindDisc(SqliteDatabase& db, const DiscIdentity& disc) {
  SqliteDatabase::Statement find = db.Prepare(
      "SELECT id FROM discs WHERE descriptor_hash = ?1 AND sectors = ?2 AND label = ?3 AND "
      "created = ?4");
  find.BindText(1, disc.descriptorHash)
      .BindInt(2, disc.sectors)
      .BindText(3, disc.label)
      .BindText(4, disc.created);
  return find.Step() ? find.Int(0) : 0;
}

// The ranges, damaged files, checksums and curve of a scan read by ReadScan.
class ScanDetails {
 public:
  explicit ScanDetails(SqliteDatabase& db)
      : ranges(db.Prepare(
            "SELECT state, first, last FROM scan_ranges WHERE scan_id = ?1 ORDER BY first")),
        damaged(
            db.Prepare("SELECT path, structure, problem_sectors, error_sectors FROM damaged_files "
                       "WHERE scan_id = ?1 ORDER BY rowid")),
        checksums(db.Prepare(
            "SELECT path, algorithm, expected, actual, matches FROM checksums WHERE scan_id = ?1 "
            "ORDER BY rowid")),
        curve(db.Prepare(
            "SELECT json_extract(speed_curve, '$.sectors'), json_extract(speed_curve, '$.base') "
            "FROM scans WHERE id = ?1 AND json_valid(speed_curve)")),
        curvePoints(db.Prepare("SELECT p.value FROM scans s, json_each(s.speed_curve, '$.kbps') p "
                               "WHERE s.id = ?1 AND json_valid(s.speed_curve) ORDER BY p.key")) {}

  void Read(HistoryScan& scan) {
    ranges.BindInt(1, scan.id);
    while (ranges.Step()) {
      const std::string state = ranges.Text(0);
      const SectorRange range{static_cast<std::uint64_t>(ranges.Int(1)),
                              static_cast<std::uint64_t>(ranges.Int(2))};
      if (state == kProblem) scan.problemRanges.push_back(range);
      if (state == kError) scan.errorRanges.push_back(range);
      if (state == kUnread) scan.unreadRanges.push_back(range);
    }
    ranges.Reset();
    damaged.BindInt(1, scan.id);
    while (damaged.Step())
      scan.damaged.push_back(
          {damaged.Text(0), damaged.Int(1) != 0, damaged.Int(2), damaged.Int(3)});
    damaged.Reset();
    checksums.BindInt(1, scan.id);
    while (checksums.Step())
      scan.checksums.push_back({checksums.Text(0), checksums.Text(1), checksums.Text(2),
                                checksums.Text(3), checksums.Int(4) != 0});
    checksums.Reset();
    curve.BindInt(1, scan.id);
    if (curve.Step()) {
      scan.speedCurve.sectors = curve.Int(0);
      scan.speedCurve.base = curve.Real(1);
      curvePoints.BindInt(1, scan.id);
      while (curvePoints.Step())
        scan.speedCurve.kilobytesPerSecond.push_back(static_cast<std::int32_t>(curvePoints.Int(0)));
      curvePoints.Reset();
    }
    curve.Reset();
  }

 private:
  SqliteDatabase::Statement ranges;
  SqliteDatabase::Statement damaged;
  SqliteDatabase::Statement checksums;
  SqliteDatabase::Statement curve;
  SqliteDatabase::Statement curvePoints;
};

// Makes each missing folder of the file's path, readable by its owner only
// (the XDG rule for a data folder made on the user's behalf).
void MakeFolders(const std::string& file) {
  for (std::size_t slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    const std::string folder = file.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
      throw std::runtime_error("cannot make the folder " + folder + ": " + std::strerror(errno));
  }
}

// Readers never wait for a writer, and writers of other processes wait their
// turn instead of failing. The mode is kept in the file; switching to it
// needs the file to itself, and SQLite does not wait for that with the busy
// timeout (two processes making a new file at once meet here), so the switch
// is tried again for as long as the timeout.
void UseWriteAheadLog(SqliteDatabase& db) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyMilliseconds);
  for (;;) {
    try {
      SqliteDatabase::Statement mode = db.Prepare("PRAGMA journal_mode = WAL");
      if (mode.Step() && mode.Text(0) == "wal") return;
      throw std::runtime_error("the history cannot use a write-ahead log");
    } catch (const SqliteError& busy) {
      if (!busy.Busy() || std::chrono::steady_clock::now() >= deadline) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool Exists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace

std::string DiscHistory::DefaultPath() {
  std::string data;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
    data = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == 0) {
      const passwd* user = ::getpwuid(::getuid());
      home = user != nullptr ? user->pw_dir : "";
    }
    data = std::string(home) + "/.local/share";
  }
  while (data.size() > 1 && data.back() == '/') data.pop_back();
  return data + "/Corvane/Lumeter/history.sqlite";
}

DiscHistory::DiscHistory(std::string file) : path(std::move(file)) {}

DiscHistory::~DiscHistory() = default;

std::vector<std::string> DiscHistory::TakeWarnings() { return std::exchange(warnings, {}); }

SqliteDatabase& DiscHistory::Open() {
  if (db != nullptr) return *db;
  MakeFolders(path);
  auto opened = std::make_unique<SqliteDatabase>(path, kBusyMilliseconds);
  const int version = HistorySchemaVersion(*opened);
  if (version > kHistorySchemaVersion)
    throw std::runtime_error("written by a newer release (tables of version " +
                             std::to_string(version) + "); it is left as it is");
  UseWriteAheadLog(*opened);
  opened->Execute("PRAGMA synchronous = NORMAL");
  MigrateHistory(*opened);
  db = std::move(opened);
  return *db;
}

void DiscHistory::MoveCorruptFileAside() {
  const std::string stem = path + ".corrupt-" + ToUtf8(TimeValue::Now().Format("%Y-%m-%d"));
  std::string aside = stem;
  for (int n = 2; Exists(aside); ++n) aside = stem + "-" + std::to_string(n);
  if (::rename(path.c_str(), aside.c_str()) != 0)
    throw std::runtime_error("it is damaged, and cannot be moved aside: " +
                             std::string(std::strerror(errno)));
  // The write-ahead log belongs to the damaged file: a new file must not take
  // its pages.
  ::rename((path + "-wal").c_str(), (aside + "-wal").c_str());
  ::unlink((path + "-shm").c_str());
  warnings.push_back("the scan history " + path + " was damaged; it was moved to " + aside +
                     " and a new one started");
}

bool DiscHistory::Run(const std::function<void(SqliteDatabase&)>& work, std::string& error) {
  for (bool movedAside = false;; movedAside = true) {
    try {
      work(Open());
      return true;
    } catch (const SqliteError& failure) {
      db.reset();
      if (failure.Corrupt() && !movedAside) {
        try {
          MoveCorruptFileAside();
          continue;
        } catch (const std::runtime_error& moving) {
          error = path + ": " + moving.what();
          return false;
        }
      }
      error = path + ": " + failure.what();
      return false;
    } catch (const std::runtime_error& failure) {
      db.reset();
      error = path + ": " + failure.what();
      return false;
    }
  }
}

bool DiscHistory::Record(const DiscIdentity& disc, HistoryScan& scan, std::string& error) {
  return Run(
      [&](SqliteDatabase& db) {
        SqliteDatabase::Transaction transaction(db);
        db.Prepare(
              "INSERT OR IGNORE INTO discs (label, created, sectors, descriptor_hash, "
              "file_system) VALUES (?1, ?2, ?3, ?4, ?5)")
            .BindText(1, disc.label)
            .BindText(2, disc.created)
            .BindInt(3, disc.sectors)
            .BindText(4, disc.descriptorHash)
            .BindText(5, disc.fileSystem)
            .Run();
        const std::int64_t discId = FindDisc(db, disc);
        scan.damagedFiles = CountFiles(scan.damaged);
        SqliteDatabase::Statement insert = db.Prepare(
            "INSERT INTO scans (disc_id, time, kind, drive_vendor, drive_model, drive_firmware, "
            "image_path, options, duration_ms, stopped, sectors, good_sectors, problem_sectors, "
            "error_sectors, unread_sectors, files_total, files_checked, file_errors, "
            "damaged_files, speed_curve) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, "
            "?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20)");
        insert.BindInt(1, discId)
            .BindInt(2, scan.time)
            .BindText(3, scan.kind)
            .BindText(4, scan.drive.vendor)
            .BindText(5, scan.drive.model)
            .BindText(6, scan.drive.firmware)
            .BindText(7, scan.drive.imagePath)
            .BindText(8, scan.options)
            .BindInt(9, scan.durationMs)
            .BindInt(10, scan.stopped ? 1 : 0)
            .BindInt(11, scan.sectors)
            .BindInt(12, scan.goodSectors)
            .BindInt(13, scan.problemSectors)
            .BindInt(14, scan.errorSectors)
            .BindInt(15, scan.unreadSectors)
            .BindInt(16, scan.filesTotal)
            .BindInt(17, scan.filesChecked)
            .BindInt(18, scan.fileErrors)
            .BindInt(19, scan.damagedFiles)
            .BindText(20, CurveJson(scan.speedCurve))
            .Run();
        const std::int64_t scanId = db.LastInsertId();
        SqliteDatabase::Statement range = db.Prepare(
            "INSERT INTO scan_ranges (scan_id, state, first, last) VALUES (?1, ?2, ?3, ?4)");
        for (const auto& [state, ranges] :
             {std::pair{kProblem, &scan.problemRanges}, std::pair{kError, &scan.errorRanges},
              std::pair{kUnread, &scan.unreadRanges}})
          for (const SectorRange& r : *ranges)
            range.BindInt(1, scanId)
                .BindText(2, state)
                .BindInt(3, static_cast<std::int64_t>(r.first))
                .BindInt(4, static_cast<std::int64_t>(r.last))
                .Run();
        InsertDamaged(db, scanId, scan.damaged);
        SqliteDatabase::Statement checksum = db.Prepare(
            "INSERT INTO checksums (scan_id, path, algorithm, expected, actual, matches) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        for (const ChecksumRecord& c : scan.checksums)
          checksum.BindInt(1, scanId)
              .BindText(2, c.path)
              .BindText(3, c.algorithm)
              .BindText(4, c.expected)
              .BindText(5, c.actual)
              .BindInt(6, c.matches ? 1 : 0)
              .Run();
        transaction.Commit();
        scan.id = scanId;
      },
      error);
}

bool DiscHistory::SetDamaged(std::int64_t scanId, const std::vector<DamagedFileRecord>& damaged,
                             std::string& error) {
  return Run(
      [&](SqliteDatabase& db) {
        SqliteDatabase::Transaction transaction(db);
        db.Prepare("DELETE FROM damaged_files WHERE scan_id = ?1").BindInt(1, scanId).Run();
        InsertDamaged(db, scanId, damaged);
        db.Prepare("UPDATE scans SET damaged_files = ?2 WHERE id = ?1")
            .BindInt(1, scanId)
            .BindInt(2, CountFiles(damaged))
            .Run();
        transaction.Commit();
      },
      error);
}

bool DiscHistory::ScansOf(const DiscIdentity& disc, DiscScans& out, std::string& error) {
  out = DiscScans{disc, std::nullopt, {}};
  return Run(
      [&](SqliteDatabase& db) {
        out.scans.clear();
        const std::int64_t discId = FindDisc(db, disc);
        if (discId == 0) return;
        out.discId = discId;
        SqliteDatabase::Statement scans =
            db.Prepare(std::string("SELECT ") + kScanColumns +
                       " FROM scans s WHERE s.disc_id = ?1 ORDER BY s.time, s.id");
        scans.BindInt(1, discId);
        ScanDetails details(db);
        while (scans.Step()) {
          ReadScan(scans, out.scans.emplace_back());
          details.Read(out.scans.back());
        }
      },
      error);
}

bool DiscHistory::Latest(const DiscIdentity& disc, const std::string& kind, HistoryScan& out,
                         bool& found, std::string& error) {
  found = false;
  return Run(
      [&](SqliteDatabase& db) {
        SqliteDatabase::Statement latest = db.Prepare(
            std::string("SELECT ") + kScanColumns +
            " FROM scans s JOIN discs d ON d.id = s.disc_id WHERE d.descriptor_hash = ?1 AND "
            "d.sectors = ?2 AND d.label = ?3 AND d.created = ?4 AND s.kind = ?5 "
            "ORDER BY s.time DESC, s.id DESC LIMIT 1");
        latest.BindText(1, disc.descriptorHash)
            .BindInt(2, disc.sectors)
            .BindText(3, disc.label)
            .BindText(4, disc.created)
            .BindText(5, kind);
        found = latest.Step();
        if (!found) return;
        out = HistoryScan{};
        ReadScan(latest, out);
        ScanDetails(db).Read(out);
      },
      error);
}

bool DiscHistory::Discs(std::vector<HistoryDisc>& out, std::string& error) {
  return Run(
      [&](SqliteDatabase& db) {
        out.clear();
        SqliteDatabase::Statement discs =
            db.Prepare(std::string("SELECT ") + kScanColumns +
                       ", d.id, d.label, d.created, d.sectors, d.descriptor_hash, d.file_system, "
                       "(SELECT count(*) FROM scans c WHERE c.disc_id = d.id) FROM discs d "
                       "JOIN scans s ON s.id = (SELECT l.id FROM scans l WHERE l.disc_id = d.id "
                       "ORDER BY l.time DESC, l.id DESC LIMIT 1) ORDER BY d.label, d.id");
        while (discs.Step()) {
          HistoryDisc& disc = out.emplace_back();
          ReadScan(discs, disc.latest);
          disc.id = discs.Int(kScanColumnCount);
          ReadIdentity(discs, kScanColumnCount + 1, disc.identity);
          disc.scanCount = discs.Int(kScanColumnCount + 6);
        }
      },
      error);
}

bool DiscHistory::Forget(std::int64_t scanId, bool& found, std::string& error) {
  found = false;
  return Run(
      [&](SqliteDatabase& db) {
        SqliteDatabase::Transaction transaction(db);
        SqliteDatabase::Statement disc = db.Prepare("SELECT disc_id FROM scans WHERE id = ?1");
        disc.BindInt(1, scanId);
        found = disc.Step();
        if (!found) return;
        const std::int64_t discId = disc.Int(0);
        for (const char* table : {"scan_ranges", "damaged_files", "checksums"})
          db.Prepare(std::string("DELETE FROM ") + table + " WHERE scan_id = ?1")
              .BindInt(1, scanId)
              .Run();
        db.Prepare("DELETE FROM scans WHERE id = ?1").BindInt(1, scanId).Run();
        db.Prepare(
              "DELETE FROM discs WHERE id = ?1 AND NOT EXISTS "
              "(SELECT 1 FROM scans WHERE disc_id = ?1)")
            .BindInt(1, discId)
            .Run();
        transaction.Commit();
      },
      error);
}
