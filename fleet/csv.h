#pragma once

#include <string>

#include "fleet/sqlite.h"

namespace fleet {

// Writes the view "machines" or, for "software", "machine_software" as CSV that spreadsheets
// open as it is: UTF-8 with a byte-order mark, CR LF, formulas neutralised.
bool WriteCsv(Database& db, const std::string& which, const std::string& out_path,
              std::string* error);

}  // namespace fleet
