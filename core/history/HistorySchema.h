// The history database's tables, version by version. The version is
// SQLite's user_version; opening a database brings it up to the latest
// version one step at a time, so a file written by any earlier release keeps
// its scans.
#pragma once

class SqliteDatabase;

inline constexpr int kHistorySchemaVersion = 2;

// The version of the tables in db; 0 for a new, empty file.
int HistorySchemaVersion(SqliteDatabase& db);

// Brings db from its version up to target (the latest unless a test asks for
// an earlier one), in one transaction, which waits for another writer as the
// busy timeout allows. A database already at target or later is left alone:
// the caller decides what a newer one means.
void MigrateHistory(SqliteDatabase& db, int target = kHistorySchemaVersion);
