#include "fleet/report_store.h"

#include "fleet/machine_key.h"

namespace fleet {
namespace {

std::string Placeholders(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += i ? ", ?" : "?";
  return text;
}

std::string InsertReportSql() {
  std::string columns = "path, file_size, file_mtime";
  for (const ColumnSource& source : ReportColumns()) columns += std::string(", ") + source.column;
  columns += ", has_device, has_software, machine_key";
  return "INSERT INTO reports (" + columns + ") VALUES (" +
         Placeholders(ReportColumns().size() + 6) + ")";
}

std::string InsertSoftwareSql() {
  std::string columns = "report_id, position";
  for (const ColumnSource& source : SoftwareColumns()) columns += std::string(", ") + source.column;
  return "INSERT INTO software (" + columns + ") VALUES (" +
         Placeholders(SoftwareColumns().size() + 2) + ")";
}

void BindValue(Statement& statement, int index, const ColumnSource& source,
               const std::string& value) {
  if (source.kind == ValueKind::kNumber) {
    statement.BindNumberOrNull(index, value);
  } else {
    statement.BindTextOrNull(index, value);
  }
}

}  // namespace

ReportStore::ReportStore(Database& db)
    : db_(db),
      find_(db, "SELECT id, file_size, file_mtime FROM reports WHERE path = ?"),
      remove_report_(db, "DELETE FROM reports WHERE id = ?"),
      remove_software_(db, "DELETE FROM software WHERE report_id = ?"),
      remove_drives_(db, "DELETE FROM drives WHERE report_id = ?"),
      remove_devices_(db, "DELETE FROM devices WHERE report_id = ?"),
      insert_report_(db, InsertReportSql()),
      insert_software_(db, InsertSoftwareSql()),
      insert_drive_(db,
                    "INSERT INTO drives (report_id, letter, type, total_mb, available_mb) "
                    "VALUES (?, ?, ?, ?, ?)"),
      insert_device_(db,
                     "INSERT INTO devices (report_id, class, position, name) "
                     "VALUES (?, ?, ?, ?)") {}

std::optional<ReportStore::Known> ReportStore::Find(const std::string& path) {
  find_.BindText(1, path);
  std::optional<Known> known;
  if (find_.Step()) known = Known{find_.Int(0), find_.Int(1), find_.Int(2)};
  find_.Reset();
  return known;
}

void ReportStore::Remove(std::int64_t id) {
  for (Statement* statement :
       {&remove_software_, &remove_drives_, &remove_devices_, &remove_report_}) {
    statement->BindInt(1, id).Run();
  }
}

void ReportStore::Insert(const std::string& path, const FileFacts& facts, const Report& report) {
  int index = 1;
  insert_report_.BindText(index++, path);
  insert_report_.BindInt(index++, static_cast<std::int64_t>(facts.size));
  insert_report_.BindInt(index++, facts.mtime);
  const auto& columns = ReportColumns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    BindValue(insert_report_, index++, columns[i], report.values[i]);
  }
  insert_report_.BindInt(index++, report.has_device ? 1 : 0);
  insert_report_.BindInt(index++, report.has_software ? 1 : 0);
  insert_report_.BindText(
      index++, MachineKey(report.Value("uuid"), report.Value("manufacturer"),
                          report.Value("serial_number"), report.Value("computer_name"), path));
  insert_report_.Run();
  std::int64_t id = db_.LastInsertId();

  const auto& software_columns = SoftwareColumns();
  for (std::size_t row = 0; row < report.software.size(); ++row) {
    insert_software_.BindInt(1, id).BindInt(2, static_cast<std::int64_t>(row + 1));
    for (std::size_t i = 0; i < software_columns.size(); ++i) {
      BindValue(insert_software_, static_cast<int>(i + 3), software_columns[i],
                report.software[row][i]);
    }
    insert_software_.Run();
  }
  for (const Drive& drive : report.drives) {
    insert_drive_.BindInt(1, id).BindText(2, drive.letter).BindText(3, drive.type);
    insert_drive_.BindNumberOrNull(4, drive.total_mb).BindNumberOrNull(5, drive.available_mb);
    insert_drive_.Run();
  }
  for (const DeviceEntry& entry : report.devices) {
    insert_device_.BindInt(1, id).BindText(2, entry.device_class).BindInt(3, entry.position);
    insert_device_.BindText(4, entry.name).Run();
  }
}

}  // namespace fleet
