#pragma once

#include <string>

#include "fleet/sqlite.h"

namespace fleet {

// Writes the self-contained fleet page for the database to out_path.
bool WriteFleetPage(Database& db, const std::string& out_path, std::string* error);

}  // namespace fleet
