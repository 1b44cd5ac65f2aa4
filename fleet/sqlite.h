#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace fleet {

// Every SQLite failure surfaces as this, with SQLite's own message.
class SqlError : public std::runtime_error {
 public:
  SqlError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

class Database {
 public:
  enum class Mode { kCreate, kExisting };

  // Opens (kCreate: creates when missing) the database at a UTF-8 path.
  Database(const std::string& utf8_path, Mode mode);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void Exec(const std::string& sql);
  std::int64_t LastInsertId() const;
  sqlite3* handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// A prepared statement. Values only ever reach SQL through the Bind calls.
class Statement {
 public:
  Statement(Database& db, const std::string& sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Parameters count from 1, as in SQLite.
  Statement& BindText(int index, const std::string& text);
  Statement& BindInt(int index, std::int64_t value);
  Statement& BindNull(int index);
  // Empty text becomes NULL.
  Statement& BindTextOrNull(int index, const std::string& text);
  // Decimal text becomes INTEGER, empty text NULL; anything else stays text.
  Statement& BindNumberOrNull(int index, const std::string& text);

  // True while a row is available; false when the statement is done.
  bool Step();
  // Steps to the end and resets, for statements that return no rows.
  void Run();
  void Reset();

  int ColumnCount() const;
  std::string ColumnName(int column) const;
  bool IsNull(int column) const;
  bool IsText(int column) const;
  std::int64_t Int(int column) const;
  std::string Text(int column) const;

 private:
  void Check(int result) const;

  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN on construction (IMMEDIATE: take the write lock at once), ROLLBACK unless committed.
class Transaction {
 public:
  enum class Kind { kRead, kWrite };

  explicit Transaction(Database& db, Kind kind = Kind::kWrite);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit();

 private:
  Database& db_;
  bool open_ = true;
};

}  // namespace fleet
