#include "core/history/SqliteDatabase.h"

#include <sqlite3.h>

#include <utility>

bool SqliteError::Corrupt() const { return code == SQLITE_CORRUPT || code == SQLITE_NOTADB; }

bool SqliteError::Busy() const { return code == SQLITE_BUSY; }

SqliteDatabase::SqliteDatabase(const std::string& path, int busyMilliseconds) {
  const int result =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (result != SQLITE_OK) {
    // A connection that failed to open still holds its message.
    const std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(result);
    sqlite3_close(db);
    db = nullptr;
    throw SqliteError(result & 0xFF, message);
  }
  sqlite3_extended_result_codes(db, 0);
  sqlite3_busy_timeout(db, busyMilliseconds);
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close_v2(db); }

void SqliteDatabase::Fail(int result) const {
  throw SqliteError(result & 0xFF, sqlite3_errmsg(db));
}

SqliteDatabase::Statement SqliteDatabase::Prepare(std::string_view sql) {
  sqlite3_stmt* statement = nullptr;
  const int result =
      sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
  if (result != SQLITE_OK) Fail(result);
  return Statement(db, statement);
}

void SqliteDatabase::Execute(const std::string& sql) {
  const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (result != SQLITE_OK) Fail(result);
}

std::int64_t SqliteDatabase::QueryInt(const std::string& sql) {
  Statement query = Prepare(sql);
  return query.Step() ? query.Int(0) : 0;
}

std::int64_t SqliteDatabase::LastInsertId() const { return sqlite3_last_insert_rowid(db); }

std::int64_t SqliteDatabase::Changes() const { return sqlite3_changes64(db); }

SqliteDatabase::Statement::Statement(Statement&& other) noexcept
    : db(other.db), statement(std::exchange(other.statement, nullptr)) {}

SqliteDatabase::Statement::~Statement() { sqlite3_finalize(statement); }

void SqliteDatabase::Statement::Check(int result) const {
  if (result != SQLITE_OK) throw SqliteError(result & 0xFF, sqlite3_errmsg(db));
}

SqliteDatabase::Statement& SqliteDatabase::Statement::BindInt(int index, std::int64_t value) {
  Check(sqlite3_bind_int64(statement, index, value));
  return *this;
}

SqliteDatabase::Statement& SqliteDatabase::Statement::BindReal(int index, double value) {
  Check(sqlite3_bind_double(statement, index, value));
  return *this;
}

SqliteDatabase::Statement& SqliteDatabase::Statement::BindText(int index, std::string_view utf8) {
  Check(sqlite3_bind_text64(statement, index, utf8.data(), utf8.size(), SQLITE_TRANSIENT,
                            SQLITE_UTF8));
  return *this;
}

bool SqliteDatabase::Statement::Step() {
  const int result = sqlite3_step(statement);
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) return false;
  // The step's own code; reset would repeat it.
  const SqliteError error(result & 0xFF, sqlite3_errmsg(db));
  sqlite3_reset(statement);
  throw error;
}

void SqliteDatabase::Statement::Run() {
  while (Step()) {
  }
  Reset();
}

void SqliteDatabase::Statement::Reset() {
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
}

std::int64_t SqliteDatabase::Statement::Int(int column) const {
  return sqlite3_column_int64(statement, column);
}

double SqliteDatabase::Statement::Real(int column) const {
  return sqlite3_column_double(statement, column);
}

std::string SqliteDatabase::Statement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  if (text == nullptr) return {};
  return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

bool SqliteDatabase::Statement::IsNull(int column) const {
  return sqlite3_column_type(statement, column) == SQLITE_NULL;
}

SqliteDatabase::Transaction::Transaction(SqliteDatabase& database) : database(database) {
  database.Execute("BEGIN IMMEDIATE");
}

SqliteDatabase::Transaction::~Transaction() {
  if (open) sqlite3_exec(database.db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteDatabase::Transaction::Commit() {
  database.Execute("COMMIT");
  open = false;
}
