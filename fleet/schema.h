#pragma once

#include <memory>
#include <string>

#include "fleet/sqlite.h"

namespace fleet {

// The version this program writes into PRAGMA user_version.
constexpr int kSchemaVersion = 1;

// Opens a sorvik-fleet database; kCreate makes one in a missing or empty file. Returns null
// with the reason when the file can't be opened or holds anything else (another program's
// tables, not SQLite at all, a newer schema); such a file is left as it was.
std::unique_ptr<Database> OpenFleetDatabase(const std::string& utf8_path, Database::Mode mode,
                                            std::string* error);

}  // namespace fleet
