#include "fleet/sqlite.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>

namespace fleet {
namespace {

[[noreturn]] void Throw(sqlite3* db, int code) {
  throw SqlError(code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

// Two runs on one database wait for each other rather than fail: a whole ingest of the other
// run may hold the write lock for one report at a time, so a minute is ample.
constexpr int kBusyTimeoutMs = 60000;

}  // namespace

Database::Database(const std::string& utf8_path, Mode mode) {
  int flags = SQLITE_OPEN_READWRITE | (mode == Mode::kCreate ? SQLITE_OPEN_CREATE : 0);
  int result = sqlite3_open_v2(utf8_path.c_str(), &db_, flags, nullptr);
  if (result != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
    sqlite3_close(db_);
    db_ = nullptr;
    throw SqlError(result, message);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

Database::~Database() { sqlite3_close(db_); }

void Database::Exec(const std::string& sql) {
  int result = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  if (result != SQLITE_OK) Throw(db_, result);
}

std::int64_t Database::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

Statement::Statement(Database& db, const std::string& sql) : db_(db.handle()) {
  Check(sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr));
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

void Statement::Check(int result) const {
  if (result != SQLITE_OK) Throw(db_, result);
}

Statement& Statement::BindText(int index, const std::string& text) {
  Check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT));
  return *this;
}

Statement& Statement::BindInt(int index, std::int64_t value) {
  Check(sqlite3_bind_int64(stmt_, index, value));
  return *this;
}

Statement& Statement::BindNull(int index) {
  Check(sqlite3_bind_null(stmt_, index));
  return *this;
}

Statement& Statement::BindTextOrNull(int index, const std::string& text) {
  return text.empty() ? BindNull(index) : BindText(index, text);
}

Statement& Statement::BindNumberOrNull(int index, const std::string& text) {
  if (text.empty()) return BindNull(index);
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(text.c_str(), &end, 10);
  bool whole = end == text.c_str() + text.size() && errno == 0 && text[0] != '+' && text[0] != ' ';
  return whole ? BindInt(index, value) : BindText(index, text);
}

bool Statement::Step() {
  int result = sqlite3_step(stmt_);
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) return false;
  Throw(db_, result);
}

void Statement::Run() {
  while (Step()) {
  }
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int Statement::ColumnCount() const { return sqlite3_column_count(stmt_); }

std::string Statement::ColumnName(int column) const { return sqlite3_column_name(stmt_, column); }

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

bool Statement::IsText(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_TEXT;
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  if (!text) return std::string();
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

Transaction::Transaction(Database& db, Kind kind) : db_(db) {
  db_.Exec(kind == Kind::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction() {
  if (open_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  db_.Exec("COMMIT");
  open_ = false;
}

}  // namespace fleet
