#pragma once

#include <filesystem>
#include <ostream>
#include <vector>

#include "fleet/sqlite.h"

namespace fleet {

struct IngestCounts {
  int added = 0;
  int updated = 0;
  int unchanged = 0;
  int rejected = 0;
};

// Adds the reports under the paths (files, or folders searched for *.xml), one transaction per
// report; with prune, also removes the reports of files gone from those folders (their number
// goes to pruned, when given). A rejected file gets one line "PATH: reason" on errors.
IngestCounts Ingest(Database& db, const std::vector<std::filesystem::path>& paths, bool prune,
                    std::ostream& errors, int* pruned = nullptr);

}  // namespace fleet
