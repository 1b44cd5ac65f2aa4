#include "fleet/page.h"

namespace fleet {

bool WriteFleetPage(Database&, const std::string&, std::string* error) {
  *error = "the page is not built yet";
  return false;
}

}  // namespace fleet
