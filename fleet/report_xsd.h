#pragma once

#include <cstddef>

namespace fleet {

// docs/report.xsd, built into the program so that a report is checked against the contract
// this build was made for, wherever the program runs.
extern const unsigned char kReportXsd[];
extern const std::size_t kReportXsdSize;

}  // namespace fleet
