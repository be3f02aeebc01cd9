#include "core/history/HistorySchema.h"

#include <array>
#include <string>

#include "core/history/SqliteDatabase.h"

namespace {

// Step n brings version n - 1 to version n. A released step never changes:
// a new version adds a step.
constexpr std::array<const char*, kHistorySchemaVersion> kSteps = {
    // 1: discs, their scans, the scans' problem, error and unread sector
    // ranges, and the files and structures found damaged.
    R"sql(
CREATE TABLE discs (
  id INTEGER PRIMARY KEY,
  label TEXT NOT NULL,
  created TEXT NOT NULL,
  sectors INTEGER NOT NULL,
  descriptor_hash TEXT NOT NULL,
  file_system TEXT NOT NULL,
  UNIQUE (descriptor_hash, sectors, label, created)
);
CREATE TABLE scans (
  id INTEGER PRIMARY KEY,
  disc_id INTEGER NOT NULL REFERENCES discs (id),
  time INTEGER NOT NULL,
  kind TEXT NOT NULL,
  drive_vendor TEXT NOT NULL,
  drive_model TEXT NOT NULL,
  drive_firmware TEXT NOT NULL,
  image_path TEXT NOT NULL,
  options TEXT NOT NULL,
  duration_ms INTEGER NOT NULL,
  stopped INTEGER NOT NULL,
  sectors INTEGER NOT NULL,
  good_sectors INTEGER NOT NULL,
  problem_sectors INTEGER NOT NULL,
  error_sectors INTEGER NOT NULL,
  unread_sectors INTEGER NOT NULL,
  files_total INTEGER NOT NULL,
  files_checked INTEGER NOT NULL,
  file_errors INTEGER NOT NULL,
  damaged_files INTEGER NOT NULL,
  speed_curve TEXT NOT NULL
);
CREATE INDEX scans_by_disc ON scans (disc_id, time);
CREATE TABLE scan_ranges (
  scan_id INTEGER NOT NULL REFERENCES scans (id) ON DELETE CASCADE,
  state TEXT NOT NULL,
  first INTEGER NOT NULL,
  last INTEGER NOT NULL,
  PRIMARY KEY (scan_id, state, first)
) WITHOUT ROWID;
CREATE TABLE damaged_files (
  scan_id INTEGER NOT NULL REFERENCES scans (id) ON DELETE CASCADE,
  path TEXT NOT NULL,
  structure INTEGER NOT NULL,
  problem_sectors INTEGER NOT NULL,
  error_sectors INTEGER NOT NULL
);
CREATE INDEX damaged_files_by_scan ON damaged_files (scan_id);
)sql",
    // 2: the checksum results of a verification, file by file.
    R"sql(
CREATE TABLE checksums (
  scan_id INTEGER NOT NULL REFERENCES scans (id) ON DELETE CASCADE,
  path TEXT NOT NULL,
  algorithm TEXT NOT NULL,
  expected TEXT NOT NULL,
  actual TEXT NOT NULL,
  matches INTEGER NOT NULL
);
CREATE INDEX checksums_by_scan ON checksums (scan_id);
)sql",
};

}  // namespace

int HistorySchemaVersion(SqliteDatabase& db) {
  return static_cast<int>(db.QueryInt("PRAGMA user_version"));
}

void MigrateHistory(SqliteDatabase& db, int target) {
  if (HistorySchemaVersion(db) >= target) return;
  SqliteDatabase::Transaction transaction(db);
  // Another process may have migrated while this one waited for the lock.
  int version = HistorySchemaVersion(db);
  if (version >= target) return;
  for (; version < target; ++version) db.Execute(kSteps[static_cast<std::size_t>(version)]);
  db.Execute("PRAGMA user_version = " + std::to_string(target));
  transaction.Commit();
}
