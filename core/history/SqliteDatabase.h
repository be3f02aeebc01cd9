// The one class over SQLite's C API (Debian's libsqlite3): a connection, its
// prepared statements and its transactions. Every failure is thrown as a
// SqliteError that keeps SQLite's result code, so that the history's code
// reads as a list of steps and decides in one place what a failure means.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const std::string& what) : std::runtime_error(what), code(code) {}
  // SQLite's primary result code (SQLITE_BUSY, SQLITE_FULL, ...).
  int Code() const { return code; }
  // The file is no database, or its pages do not hold together.
  bool Corrupt() const;
  // Another connection holds the lock the statement needed.
  bool Busy() const;

 private:
  int code;
};

class SqliteDatabase {
 public:
  class Statement {
   public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    ~Statement();

    // Parameters are numbered from 1, as in SQL's ?1.
    Statement& BindInt(int index, std::int64_t value);
    Statement& BindReal(int index, double value);
    Statement& BindText(int index, std::string_view utf8);
    // Runs the statement up to its next row: true when there is one.
    bool Step();
    // Runs the statement to its end, then makes it ready to run again.
    void Run();
    // Makes the statement ready to run again with new parameters.
    void Reset();
    // Columns of the current row, numbered from 0.
    std::int64_t Int(int column) const;
    double Real(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;

   private:
    friend class SqliteDatabase;
    Statement(sqlite3* db, sqlite3_stmt* statement) : db(db), statement(statement) {}
    void Check(int result) const;
    sqlite3* db;
    sqlite3_stmt* statement;
  };

  // BEGIN IMMEDIATE: the write lock is taken at once (waiting as the busy
  // timeout allows), so two writers never deadlock on upgrading a read.
  // Rolled back unless committed.
  class Transaction {
   public:
    explicit Transaction(SqliteDatabase& database);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

   private:
    SqliteDatabase& database;
    bool open = true;
  };

  // Opens the database file at path for reading and writing, creating it when
  // it is not there (its folder must be). Waits up to busyMilliseconds for a
  // lock another connection holds before a statement fails as busy.
  SqliteDatabase(const std::string& path, int busyMilliseconds);
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  Statement Prepare(std::string_view sql);
  // Runs one or more statements that give no rows.
  void Execute(const std::string& sql);
  // The first column of the first row of a query of one integer.
  std::int64_t QueryInt(const std::string& sql);
  std::int64_t LastInsertId() const;
  // Rows changed by the last INSERT, UPDATE or DELETE.
  std::int64_t Changes() const;

 private:
  [[noreturn]] void Fail(int result) const;
  sqlite3* db = nullptr;
};
