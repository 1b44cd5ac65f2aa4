#include "fleet/csv.h"

#include <fstream>

#include "fleet/host.h"

namespace fleet {
namespace {

// A spreadsheet runs a cell that starts like a formula; a leading ' makes it show as text.
bool LooksLikeFormula(const std::string& cell) {
  return !cell.empty() && (cell[0] == '=' || cell[0] == '+' || cell[0] == '-' || cell[0] == '@' ||
                           cell[0] == '\t' || cell[0] == '\r');
}

std::string Quoted(const std::string& cell) {
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string TextCell(const std::string& text) {
  return Quoted(LooksLikeFormula(text) ? "'" + text : text);
}

}  // namespace

bool WriteCsv(Database& db, const std::string& which, const std::string& out_path,
              std::string* error) {
  std::string sql = which == "machines"
                        ? "SELECT * FROM machines ORDER BY machine_key"
                        : "SELECT * FROM machine_software ORDER BY machine_key, position";
  Statement rows(db, sql);
  std::ofstream out(PathFromUtf8(out_path), std::ios::binary | std::ios::trunc);
  if (!out) {
    *error = "can't be written";
    return false;
  }
  out << "\xEF\xBB\xBF";
  for (int column = 0; column < rows.ColumnCount(); ++column) {
    out << (column ? "," : "") << TextCell(rows.ColumnName(column));
  }
  out << "\r\n";
  while (rows.Step()) {
    for (int column = 0; column < rows.ColumnCount(); ++column) {
      if (column) out << ',';
      // Numbers come from the schema's number fields: digits, nothing to neutralise.
      if (rows.IsText(column)) {
        out << TextCell(rows.Text(column));
      } else if (!rows.IsNull(column)) {
        out << rows.Text(column);
      }
    }
    out << "\r\n";
  }
  out.close();
  if (!out) {
    *error = "can't be written";
    return false;
  }
  return true;
}

}  // namespace fleet
