#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "fleet/host.h"
#include "fleet/report_reader.h"
#include "fleet/sqlite.h"

namespace fleet {

// The report rows of one database, through statements prepared once per run.
class ReportStore {
 public:
  struct Known {
    std::int64_t id;
    std::int64_t size;
    std::int64_t mtime;
  };

  explicit ReportStore(Database& db);

  std::optional<Known> Find(const std::string& path);
  // Removes the report and its software, drive and device rows.
  void Remove(std::int64_t id);
  void Insert(const std::string& path, const FileFacts& facts, const Report& report);

 private:
  Database& db_;
  Statement find_;
  Statement remove_report_;
  Statement remove_software_;
  Statement remove_drives_;
  Statement remove_devices_;
  Statement insert_report_;
  Statement insert_software_;
  Statement insert_drive_;
  Statement insert_device_;
};

}  // namespace fleet
