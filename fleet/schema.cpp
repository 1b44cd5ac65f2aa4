#include "fleet/schema.h"

namespace fleet {
namespace {

// PRAGMA application_id: "SVKF". Together with user_version it tells our databases from
// anyone else's.
constexpr int kApplicationId = 0x53564b46;

constexpr const char* kSchema = R"sql(
CREATE TABLE reports (
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL UNIQUE,
  file_size INTEGER NOT NULL,
  file_mtime INTEGER NOT NULL,
  created TEXT,
  version TEXT,
  ip TEXT,
  computer_name TEXT,
  user_name TEXT,
  os_name TEXT,
  product_id TEXT,
  os_major INTEGER,
  os_minor INTEGER,
  os_platform INTEGER,
  os_csd TEXT,
  os_build INTEGER,
  os_display_version TEXT,
  os_update_revision INTEGER,
  os_architecture TEXT,
  manufacturer TEXT,
  model TEXT,
  serial_number TEXT,
  uuid TEXT,
  board_serial_number TEXT,
  chassis_type TEXT,
  asset_tag TEXT,
  bios_vendor TEXT,
  bios_version TEXT,
  bios_date TEXT,
  cpu TEXT,
  ram_mb INTEGER,
  disk_total_mb INTEGER,
  disk_available_mb INTEGER,
  has_device INTEGER NOT NULL,
  has_software INTEGER NOT NULL,
  machine_key TEXT NOT NULL
);
CREATE INDEX reports_by_machine ON reports (machine_key, created, file_mtime, id);

CREATE TABLE software (
  report_id INTEGER NOT NULL REFERENCES reports (id),
  position INTEGER NOT NULL,
  type TEXT NOT NULL,
  name TEXT,
  version TEXT,
  publisher TEXT,
  location TEXT,
  install_date TEXT,
  size INTEGER,
  registered_company TEXT,
  registered_owner TEXT,
  product_id TEXT,
  PRIMARY KEY (report_id, position)
) WITHOUT ROWID;

CREATE TABLE drives (
  report_id INTEGER NOT NULL REFERENCES reports (id),
  letter TEXT NOT NULL,
  type TEXT NOT NULL,
  total_mb INTEGER,
  available_mb INTEGER,
  PRIMARY KEY (report_id, letter)
) WITHOUT ROWID;

CREATE TABLE devices (
  report_id INTEGER NOT NULL REFERENCES reports (id),
  class TEXT NOT NULL,
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  PRIMARY KEY (report_id, class, position)
) WITHOUT ROWID;

CREATE VIEW machines AS
SELECT r.*, seen.report_count, seen.first_seen, seen.last_seen
FROM (SELECT machine_key, COUNT(*) AS report_count, MIN(created) AS first_seen,
             MAX(created) AS last_seen
      FROM reports GROUP BY machine_key) AS seen
JOIN reports AS r ON r.id = (
  SELECT newest.id FROM reports AS newest WHERE newest.machine_key = seen.machine_key
  ORDER BY newest.created DESC, newest.file_mtime DESC, newest.id DESC LIMIT 1);

CREATE VIEW machine_software AS
SELECT r.machine_key, r.computer_name, s.*
FROM (SELECT DISTINCT machine_key FROM reports WHERE has_software = 1) AS m
JOIN reports AS r ON r.id = (
  SELECT newest.id FROM reports AS newest
  WHERE newest.machine_key = m.machine_key AND newest.has_software = 1
  ORDER BY newest.created DESC, newest.file_mtime DESC, newest.id DESC LIMIT 1)
JOIN software AS s ON s.report_id = r.id;
)sql";

int QueryInt(Database& db, const std::string& sql) {
  Statement query(db, sql);
  return query.Step() ? static_cast<int>(query.Int(0)) : 0;
}

// Within one write transaction, so that two first runs do not both create the tables; a
// reader only reads (and so works on a database it may not write).
bool MakeOrCheckSchema(Database& db, Database::Mode mode, std::string* error) {
  Transaction transaction(
      db, mode == Database::Mode::kCreate ? Transaction::Kind::kWrite : Transaction::Kind::kRead);
  int application_id = QueryInt(db, "PRAGMA application_id");
  int version = QueryInt(db, "PRAGMA user_version");
  if (application_id == 0 && version == 0 &&
      QueryInt(db, "SELECT COUNT(*) FROM sqlite_master") == 0) {
    if (mode != Database::Mode::kCreate) {
      *error = "not a sorvik-fleet database (it is empty)";
      return false;
    }
    db.Exec(kSchema);
    db.Exec("PRAGMA application_id = " + std::to_string(kApplicationId));
    db.Exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    transaction.Commit();
    return true;
  }
  if (application_id != kApplicationId) {
    *error = "not a sorvik-fleet database (it holds another program's data)";
    return false;
  }
  if (version != kSchemaVersion) {
    *error = "a sorvik-fleet database of schema version " + std::to_string(version) +
             ", but this program reads version " + std::to_string(kSchemaVersion);
    return false;
  }
  if (mode == Database::Mode::kCreate) {
    // Earlier builds indexed software by name: nothing reads through it, and each report's
    // rows landed all over it, so that every commit rewrote a hundred of its pages.
    db.Exec("DROP INDEX IF EXISTS software_by_name");
    transaction.Commit();
  }
  return true;
}

}  // namespace

std::unique_ptr<Database> OpenFleetDatabase(const std::string& utf8_path, Database::Mode mode,
                                            std::string* error) {
  try {
    auto db = std::make_unique<Database>(utf8_path, mode);
    if (!MakeOrCheckSchema(*db, mode, error)) return nullptr;
    // Readers (the page, the CSV) never wait for an ingest, and a crash loses no committed
    // report.
    db->Exec("PRAGMA journal_mode = WAL");
    // In WAL mode a commit then needs no sync of its own: a crash still leaves whole reports,
    // and a power cut at worst loses the last ones, which the next run adds again.
    db->Exec("PRAGMA synchronous = NORMAL");
    return db;
  } catch (const SqlError& e) {
    *error = e.what();
    return nullptr;
  }
}

}  // namespace fleet
