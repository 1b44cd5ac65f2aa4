#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct _xmlSchema;

namespace fleet {

enum class ValueKind { kText, kNumber, kTimestamp };

// Where a database column's value stands in a report: element names joined by '/', an
// attribute as "@name", relative to the root (report columns) or to one installed element.
struct ColumnSource {
  const char* column;
  const char* path;
  ValueKind kind;
};

const std::vector<ColumnSource>& ReportColumns();
const std::vector<ColumnSource>& SoftwareColumns();

struct Drive {
  std::string letter;
  std::string type;
  std::string total_mb;
  std::string available_mb;
};

struct DeviceEntry {
  std::string device_class;
  int position = 0;
  std::string name;
};

// One report's values as text, empty where the report has an empty or no such element.
struct Report {
  std::vector<std::string> values;  // parallel to ReportColumns()
  bool has_device = false;
  bool has_software = false;
  std::vector<std::vector<std::string>> software;  // each parallel to SoftwareColumns()
  std::vector<Drive> drives;
  std::vector<DeviceEntry> devices;

  const std::string& Value(const char* column) const;
};

// Parses a report held in memory and validates it against the embedded schema. It never
// expands an entity or loads anything: a document type declaration rejects the file.
class ReportReader {
 public:
  ReportReader();
  ~ReportReader();
  ReportReader(const ReportReader&) = delete;
  ReportReader& operator=(const ReportReader&) = delete;

  // False with the reason (libxml2's line and column where it has them).
  bool Read(const char* data, std::size_t size, Report* report, std::string* reason);

 private:
  _xmlSchema* schema_ = nullptr;
};

}  // namespace fleet
