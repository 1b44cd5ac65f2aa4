#include "fleet/page.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

#include "fleet/host.h"
#include "fleet/page_assets.h"
#include "fleet/page_chart.h"
#include "fleet/page_text.h"

namespace fleet {
namespace {

constexpr std::size_t kChartBars = 12;
constexpr int kSoftwareRows = 25;
constexpr std::size_t kListRows = 100;
constexpr int kStaleDays = 30;

using Cell = std::optional<std::string>;

Cell TextOrNull(const Statement& row, int column) {
  if (row.IsNull(column)) return std::nullopt;
  return row.Text(column);
}

std::optional<std::int64_t> IntOrNull(const Statement& row, int column) {
  if (row.IsNull(column) || row.IsText(column)) return std::nullopt;
  return row.Int(column);
}

struct Machine {
  Cell computer, user, os, os_version, manufacturer, model, serial, ip, last_seen;
  std::optional<std::int64_t> ram_mb;
  std::int64_t reports = 0;
};

std::vector<Machine> ReadMachines(Database& db) {
  Statement query(db,
                  "SELECT computer_name, user_name, os_name, os_display_version, manufacturer, "
                  "model, serial_number, ip, last_seen, ram_mb, report_count FROM machines "
                  "ORDER BY computer_name COLLATE NOCASE, machine_key");
  std::vector<Machine> machines;
  while (query.Step()) {
    machines.push_back({TextOrNull(query, 0), TextOrNull(query, 1), TextOrNull(query, 2),
                        TextOrNull(query, 3), TextOrNull(query, 4), TextOrNull(query, 5),
                        TextOrNull(query, 6), TextOrNull(query, 7), TextOrNull(query, 8),
                        IntOrNull(query, 9), query.Int(10)});
  }
  return machines;
}

// "2024-03-01T08:15:00" as "2024-03-01 08:15".
std::string ShortDate(const Cell& iso) {
  if (!iso) return "";
  std::string text = iso->substr(0, 16);
  if (text.size() > 10 && text[10] == 'T') text[10] = ' ';
  return text;
}

std::string IsoDate(std::time_t when, const char* format) {
  std::tm parts{};
  const std::tm* utc = std::gmtime(&when);
  if (utc) parts = *utc;
  char buffer[32] = {};
  std::strftime(buffer, sizeof buffer, format, &parts);
  return buffer;
}

std::string Joined(const Cell& first, const Cell& second, const char* unknown) {
  std::string text = first.value_or("");
  if (second) text += (text.empty() ? "" : " ") + *second;
  return text.empty() ? unknown : text;
}

// Reported memory is a little off what is installed (8191 or 8194 for 8 GB), so sizes from
// 768 MB up are rounded to whole gigabytes and smaller ones to 32 MB. -1: unknown.
std::int64_t RoundedRam(const std::optional<std::int64_t>& ram_mb) {
  if (!ram_mb || *ram_mb <= 0) return -1;
  std::int64_t step = *ram_mb >= 768 ? 1024 : 32;
  return std::max<std::int64_t>(step, (*ram_mb + step / 2) / step * step);
}

std::string RamLabel(std::int64_t rounded_mb) {
  if (rounded_mb < 0) return "unknown";
  if (rounded_mb < 1024) return std::to_string(rounded_mb) + " MB";
  return GroupDigits(rounded_mb / 1024) + " GB";
}

// The most common sizes, in the order of size (unknown last), and the rest summed up.
std::vector<Bar> RamBars(const std::vector<Machine>& machines) {
  std::map<std::int64_t, std::int64_t> counts;
  for (const Machine& machine : machines) ++counts[RoundedRam(machine.ram_mb)];
  std::vector<std::pair<std::int64_t, std::int64_t>> sizes(counts.begin(), counts.end());
  std::stable_sort(sizes.begin(), sizes.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  Bar rest{"", 0, true};
  if (sizes.size() > kChartBars + 1) {
    for (std::size_t i = kChartBars; i < sizes.size(); ++i) rest.count += sizes[i].second;
    rest.label =
        "Other sizes (" + GroupDigits(static_cast<std::int64_t>(sizes.size() - kChartBars)) + ")";
    sizes.resize(kChartBars);
  }
  std::sort(sizes.begin(), sizes.end(), [](const auto& a, const auto& b) {
    return (a.first < 0) != (b.first < 0) ? b.first < 0 : a.first < b.first;
  });
  std::vector<Bar> bars;
  for (const auto& [size, count] : sizes) bars.push_back({RamLabel(size), count, false});
  if (rest.count > 0) bars.push_back(rest);
  return bars;
}

std::string ChartSection(const char* id, const std::string& title, const std::vector<Bar>& bars) {
  std::string html = "<section id=\"" + std::string(id) + "\"><h2>" + EscapeHtml(title) + "</h2>";
  html += bars.empty() ? "<p class=\"muted\">No machines.</p>" : BarChartSvg(title, bars);
  return html + "</section>\n";
}

std::string Charts(const std::vector<Machine>& machines) {
  std::map<std::string, std::int64_t> by_os, by_model;
  for (const Machine& machine : machines) {
    ++by_os[Joined(machine.os, machine.os_version, "(unknown)")];
    ++by_model[Joined(machine.manufacturer, machine.model, "(unknown)")];
  }
  return "<div class=\"charts\">\n" +
         ChartSection("chart-os", "Machines by operating system", LargestBars(by_os, kChartBars)) +
         ChartSection("chart-model", "Machines by manufacturer and model",
                      LargestBars(by_model, kChartBars)) +
         ChartSection("chart-ram", "Machines by memory", RamBars(machines)) + "</div>\n";
}

std::string Cells(const std::vector<std::string>& texts, const char* tag,
                  const std::vector<bool>& numeric) {
  std::string html = "<tr>";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    html += std::string("<") + tag + (numeric[i] ? " class=\"num\">" : ">") + EscapeHtml(texts[i]) +
            "</" + tag + ">";
  }
  return html + "</tr>";
}

// A table section of plain texts (escaped here), of which `total` minus the rows were left out.
std::string ListSection(const char* id, const std::string& title,
                        const std::vector<std::string>& headers, const std::vector<bool>& numeric,
                        const std::vector<std::vector<std::string>>& rows, std::size_t total,
                        const char* empty, const char* more_hint) {
  std::string html = "<section id=\"" + std::string(id) + "\"><h2>" + EscapeHtml(title) + "</h2>";
  if (rows.empty()) return html + "<p class=\"muted\">" + empty + "</p></section>\n";
  html += "<table><thead>" + Cells(headers, "th", numeric) + "</thead><tbody>";
  for (const auto& row : rows) html += Cells(row, "td", numeric);
  html += "</tbody></table>";
  if (total > rows.size()) {
    html += "<p class=\"note\">And " + GroupDigits(static_cast<std::int64_t>(total - rows.size())) +
            " more; " + more_hint + "</p>";
  }
  return html + "</section>\n";
}

std::string TopSoftware(Database& db) {
  Statement query(db,
                  "SELECT name, COUNT(DISTINCT machine_key) AS machines, "
                  "COUNT(DISTINCT version) AS versions FROM machine_software "
                  "WHERE type <> ?1 AND name IS NOT NULL GROUP BY name "
                  "ORDER BY machines DESC, name LIMIT ?2");
  query.BindText(1, "update").BindInt(2, kSoftwareRows);
  std::vector<std::vector<std::string>> rows;
  while (query.Step()) {
    rows.push_back({query.Text(0), GroupDigits(query.Int(1)), GroupDigits(query.Int(2))});
  }
  return ListSection("software", "Software on the most machines, updates left out",
                     {"Name", "Machines", "Versions"}, {false, true, true}, rows, rows.size(),
                     "No machine has reported its software.", "");
}

std::string StaleMachines(const std::vector<Machine>& machines, std::time_t now,
                          std::size_t* total) {
  std::string cutoff =
      IsoDate(now - static_cast<std::time_t>(kStaleDays) * 86400, "%Y-%m-%dT%H:%M:%S");
  std::vector<const Machine*> stale;
  for (const Machine& machine : machines) {
    if (machine.last_seen && *machine.last_seen < cutoff) stale.push_back(&machine);
  }
  std::stable_sort(stale.begin(), stale.end(), [](const Machine* a, const Machine* b) {
    return *a->last_seen < *b->last_seen;
  });
  *total = stale.size();
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < stale.size() && i < kListRows; ++i) {
    rows.push_back({stale[i]->computer.value_or(""), stale[i]->user.value_or(""),
                    ShortDate(stale[i]->last_seen)});
  }
  return ListSection("stale",
                     "Not seen for " + std::to_string(kStaleDays) + " days (" +
                         GroupDigits(static_cast<std::int64_t>(stale.size())) + ")",
                     {"Computer", "User", "Last seen"}, {false, false, false}, rows, stale.size(),
                     "Every machine has reported within the last 30 days.",
                     "sort the table of all machines by Last seen.");
}

std::string LowDrives(Database& db, std::size_t* total) {
  Statement query(db,
                  "SELECT m.computer_name, d.letter, d.available_mb, d.total_mb "
                  "FROM machines AS m JOIN drives AS d ON d.report_id = m.id "
                  "WHERE d.total_mb > 0 AND d.available_mb IS NOT NULL "
                  "AND d.available_mb * 10 < d.total_mb "
                  "ORDER BY CAST(d.available_mb AS REAL) / d.total_mb, m.computer_name, d.letter");
  std::vector<std::vector<std::string>> rows;
  *total = 0;
  while (query.Step()) {
    if (++*total > kListRows) continue;
    std::int64_t available = query.Int(2), size = query.Int(3);
    char percent[16] = {};
    std::snprintf(percent, sizeof percent, "%.1f",
                  100.0 * static_cast<double>(available) / static_cast<double>(size));
    rows.push_back({query.IsNull(0) ? "" : query.Text(0), query.Text(1) + ":",
                    GroupDigits(available), GroupDigits(size), percent});
  }
  return ListSection(
      "low-disk", "Drives under 10% free (" + GroupDigits(static_cast<std::int64_t>(*total)) + ")",
      {"Computer", "Drive", "Free MB", "Size MB", "Free %"}, {false, false, true, true, true}, rows,
      *total, "No drive is under 10% free.", "the fullest are listed.");
}

// The machine table's rows for the script, as one JSON document.
std::string MachineData(const std::vector<Machine>& machines) {
  std::string json =
      "{\"columns\":[{\"name\":\"Computer\"},{\"name\":\"User\"},"
      "{\"name\":\"Operating system\"},{\"name\":\"Version\"},{\"name\":\"Manufacturer\"},"
      "{\"name\":\"Model\"},{\"name\":\"Serial number\"},{\"name\":\"RAM MB\",\"numeric\":true},"
      "{\"name\":\"IP address\",\"nowrap\":true},{\"name\":\"Last seen\",\"nowrap\":true},"
      "{\"name\":\"Reports\",\"numeric\":true}],\n\"rows\":[";
  auto text = [](const Cell& cell) { return cell ? JsonString(*cell) : std::string("null"); };
  bool first = true;
  for (const Machine& machine : machines) {
    json += first ? "\n[" : ",\n[";
    first = false;
    std::string last_seen = ShortDate(machine.last_seen);
    json += text(machine.computer) + "," + text(machine.user) + "," + text(machine.os) + "," +
            text(machine.os_version) + "," + text(machine.manufacturer) + "," +
            text(machine.model) + "," + text(machine.serial) + "," +
            (machine.ram_mb ? std::to_string(*machine.ram_mb) : "null") + "," + text(machine.ip) +
            "," + (last_seen.empty() ? "null" : JsonString(last_seen)) + "," +
            std::to_string(machine.reports) + "]";
  }
  return json + "]}";
}

struct ReportSpan {
  std::int64_t reports = 0;
  Cell first, newest;
};

ReportSpan ReadReportSpan(Database& db) {
  Statement query(db, "SELECT COUNT(*), MIN(created), MAX(created) FROM reports");
  ReportSpan span;
  if (query.Step()) span = {query.Int(0), TextOrNull(query, 1), TextOrNull(query, 2)};
  return span;
}

std::string Figure(const char* id, const char* label, const std::string& value) {
  return "<div><dt>" + std::string(label) + "</dt><dd id=\"" + id + "\">" + EscapeHtml(value) +
         "</dd></div>";
}

std::string Head(std::size_t machine_count) {
  // Nothing may be loaded from anywhere: only this style sheet and this script run.
  return std::string("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n") +
         "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src '" +
         kPageCssHash + "'; script-src '" + kPageScriptHash +
         "'; base-uri 'none'; form-action 'none'\">\n" +
         "<meta name=\"referrer\" content=\"no-referrer\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>Fleet inventory: " +
         GroupDigits(static_cast<std::int64_t>(machine_count)) + " machines</title>\n<style>" +
         std::string(PageCss()) + "</style>\n</head>\n";
}

std::string MachineTable(const std::vector<Machine>& machines) {
  return "<section id=\"machine-list\"><h2>All machines</h2>\n"
         "<div class=\"tools\"><input id=\"machine-filter\" type=\"search\" disabled "
         "placeholder=\"Filter: any part of a name, model, OS, serial number...\" "
         "aria-label=\"Filter the machines\"><span id=\"machine-status\" class=\"muted\">"
         "The table needs JavaScript.</span></div>\n"
         "<table id=\"machines\"><thead><tr></tr></thead><tbody></tbody></table>\n"
         "<button id=\"machine-more\" type=\"button\" hidden>Show more</button></section>\n"
         "<script type=\"application/json\" id=\"machine-data\">" +
         MachineData(machines) + "</script>\n<script>" + std::string(PageScript()) + "</script>\n";
}

std::string PageHtml(Database& db, std::time_t now) {
  std::vector<Machine> machines = ReadMachines(db);
  ReportSpan span = ReadReportSpan(db);
  std::size_t stale_count = 0, low_count = 0;
  std::string stale = StaleMachines(machines, now, &stale_count);
  std::string low = LowDrives(db, &low_count);
  std::string html = Head(machines.size());
  html += "<body>\n<header><h1>Fleet inventory</h1><p class=\"muted\">Made " +
          IsoDate(now, "%Y-%m-%d %H:%M UTC") + " from the reports in the database.</p></header>\n";
  html +=
      "<dl class=\"summary\">" +
      Figure("machine-count", "Machines", GroupDigits(static_cast<std::int64_t>(machines.size()))) +
      Figure("report-count", "Reports", GroupDigits(span.reports)) +
      Figure("first-report", "First report", ShortDate(span.first)) +
      Figure("newest-report", "Newest report", ShortDate(span.newest)) +
      Figure("stale-count", "Not seen for 30 days",
             GroupDigits(static_cast<std::int64_t>(stale_count))) +
      Figure("low-disk-count", "Drives under 10% free",
             GroupDigits(static_cast<std::int64_t>(low_count))) +
      "</dl>\n";
  html += Charts(machines) + TopSoftware(db);
  html += "<div class=\"grid2\">\n" + stale + low + "</div>\n";
  html += MachineTable(machines);
  return html + "<footer>sorvik-fleet</footer>\n</body></html>\n";
}

// Written beside the target and renamed over it, so that the share never holds half a page.
bool WriteWhole(const std::string& out_path, const std::string& html, std::string* error) {
  std::filesystem::path target = PathFromUtf8(out_path);
  std::filesystem::path temporary = target;
  temporary += ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out.write(html.data(), static_cast<std::streamsize>(html.size())) || !out.flush()) {
      *error = "can't write the page";
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code failure;
  std::filesystem::rename(temporary, target, failure);
  if (failure) {
    // Some Windows runtimes rename onto no existing file: then replace it in two steps.
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    failure.clear();
    std::filesystem::rename(temporary, target, failure);
  }
  if (failure) {
    *error = "can't write the page: " + failure.message();
    std::filesystem::remove(temporary, failure);
    return false;
  }
  return true;
}

}  // namespace

bool WriteFleetPage(Database& db, const std::string& out_path, std::string* error) {
  std::string html;
  try {
    html = PageHtml(db, std::time(nullptr));
  } catch (const SqlError& failure) {
    *error = failure.what();
    return false;
  }
  return WriteWhole(out_path, html, error);
}

}  // namespace fleet
