// The scan history: every scan of every disc, kept in an SQLite database
// (history.sqlite in the user's data folder) that the window and several
// lumeter-cli runs may write at once. The file is opened on the first call,
// its folder made when missing, and its tables brought up to the latest
// version.
//
// Every call says whether it worked, with why not in error; a history that
// cannot be written never stops anything else. A file that is no database,
// or whose pages do not hold together, is moved aside as
// "history.sqlite.corrupt-YYYY-MM-DD" and a new one started: TakeWarnings
// then says so once. A file written by a newer release is left as it is and
// every call fails.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/history/HistoryRecords.h"

class SqliteDatabase;

class DiscHistory {
 public:
  // $XDG_DATA_HOME/Corvane/Lumeter/history.sqlite, where XDG_DATA_HOME
  // defaults to ~/.local/share (an unset, empty or relative value counts as
  // unset, as the XDG base directory rules say).
  static std::string DefaultPath();

  explicit DiscHistory(std::string path = DefaultPath());
  ~DiscHistory();
  DiscHistory(const DiscHistory&) = delete;
  DiscHistory& operator=(const DiscHistory&) = delete;

  const std::string& Path() const { return path; }

  // Keeps scan as a scan of disc, and sets its id.
  bool Record(const DiscIdentity& disc, HistoryScan& scan, std::string& error);
  // Replaces the damaged files and structures of a recorded scan (a surface
  // scan's are known a little after its end).
  bool SetDamaged(std::int64_t scanId, const std::vector<DamagedFileRecord>& damaged,
                  std::string& error);
  // The scans of disc, oldest first, each with its ranges, damaged files,
  // checksums and curve.
  bool ScansOf(const DiscIdentity& disc, DiscScans& out, std::string& error);
  // The latest scan of disc of kind (a scan_kind name), in full; found
  // says whether there is one.
  bool Latest(const DiscIdentity& disc, const std::string& kind, HistoryScan& out, bool& found,
              std::string& error);
  // Every disc with its latest scan, by label.
  bool Discs(std::vector<HistoryDisc>& out, std::string& error);
  // Forgets one scan, and its disc with its last scan; found says whether
  // there was a scan with that id.
  bool Forget(std::int64_t scanId, bool& found, std::string& error);

  // What opening the file did that the user should hear of, each said once.
  std::vector<std::string> TakeWarnings();

 private:
  // Runs work on the open database. A corrupt file is moved aside and the
  // work run again once on a new one.
  bool Run(const std::function<void(SqliteDatabase&)>& work, std::string& error);
  SqliteDatabase& Open();
  void MoveCorruptFileAside();

  std::string path;
  std::unique_ptr<SqliteDatabase> db;
  std::vector<std::string> warnings;
};
