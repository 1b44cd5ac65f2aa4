// sorvik-fleet's report reader on any bytes: a file from the share is whatever a user put
// there. A rejected input has a one-line reason; an accepted one gives rows shaped as the
// database takes them, and reads again to the same rows.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fleet/report_reader.h"

#define READER_CHECK(c)                                                       \
  do {                                                                        \
    if (!(c)) {                                                               \
      std::fprintf(stderr, "invariant broken: %s (line %d)\n", #c, __LINE__); \
      std::abort();                                                           \
    }                                                                         \
  } while (0)

namespace {

bool SameRows(const fleet::Report& a, const fleet::Report& b) {
  if (a.values != b.values || a.software != b.software || a.has_device != b.has_device ||
      a.has_software != b.has_software || a.drives.size() != b.drives.size() ||
      a.devices.size() != b.devices.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.devices.size(); ++i) {
    if (a.devices[i].name != b.devices[i].name || a.devices[i].position != b.devices[i].position)
      return false;
  }
  return true;
}

void CheckShape(const fleet::Report& report) {
  READER_CHECK(report.values.size() == fleet::ReportColumns().size());
  const std::string& created = report.Value("created");
  READER_CHECK(created.size() == 19 && created[4] == '-' && created[10] == 'T');
  READER_CHECK(report.has_device || report.has_software);
  READER_CHECK(report.has_software || report.software.empty());
  for (const auto& row : report.software) {
    READER_CHECK(row.size() == fleet::SoftwareColumns().size() && !row[0].empty());
  }
  for (const fleet::Drive& drive : report.drives) {
    READER_CHECK(drive.letter.size() == 1 && drive.letter[0] >= 'A' && drive.letter[0] <= 'Z');
    READER_CHECK(drive.type == "fixed" || drive.type == "removable" || drive.type == "cd");
  }
  std::string device_class;
  int position = 0;
  for (const fleet::DeviceEntry& entry : report.devices) {
    position = entry.device_class == device_class ? position + 1 : 1;
    device_class = entry.device_class;
    READER_CHECK(entry.position == position);
    READER_CHECK(!entry.name.empty() && entry.name.find(';') == std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fleet::ReportReader reader;
  const char* bytes = reinterpret_cast<const char*>(data);
  fleet::Report report;
  std::string reason;
  if (!reader.Read(bytes, size, &report, &reason)) {
    READER_CHECK(!reason.empty() && reason.find('\n') == std::string::npos);
    return 0;
  }
  CheckShape(report);
  fleet::Report again;
  READER_CHECK(reader.Read(bytes, size, &again, &reason) && SameRows(report, again));
  return 0;
}
