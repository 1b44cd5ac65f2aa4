#include "fleet/csv.h"

namespace fleet {

bool WriteCsv(Database&, const std::string&, const std::string&, std::string* error) {
  *error = "CSV is not built yet";
  return false;
}

}  // namespace fleet
