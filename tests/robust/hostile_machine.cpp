#include "tests/robust/hostile_machine.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <filesystem>
#include <set>

#include "app/run.h"
#include "app/sections.h"
#include "platform/sim/profile.h"

namespace robust {

namespace {

// Every file below a folder, as paths relative to it.
std::set<std::string> FilesBelow(const std::string& root) {
  std::set<std::string> files;
  std::error_code ignored;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_regular_file(ignored))
      files.insert(std::filesystem::relative(it->path(), root, ignored).string());
  }
  return files;
}

std::string SectionsFor(const std::string& commandLine) {
  bool device = commandLine.find("/device") != std::string::npos;
  bool software = commandLine.find("/software") != std::string::npos;
  if (!device && !software) device = software = true;
  if (device && software) return "device,software";
  return device ? "device" : "software";
}

// Runs the report checker on a copy at a plain path (report names hold ";" and quotes).
void CheckReport(const std::string& bytes, const std::string& sections) {
  HostFolder scratch;
  scratch.Write("report.xml", bytes);
  std::string command = std::string("\"") + SORVIK_PYTHON + "\" \"" + SORVIK_SOURCE_DIR +
                        "/tests/docs/reportcheck.py\" --sections " + sections + " \"" +
                        scratch.At("report.xml") + "\" 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(nullptr, pipe) << command;
  std::string output;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
  int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

// The text between the start tag and the end tag of every element `name`.
std::vector<std::string> RawValues(const std::string& xml, const std::string& name) {
  std::vector<std::string> values;
  const std::string open = "<" + name + ">";
  const std::string empty = "<" + name + " />";
  const std::string close = "</" + name + ">";
  size_t at = 0;
  for (;;) {
    size_t full = xml.find(open, at);
    size_t none = xml.find(empty, at);
    if (full == std::string::npos && none == std::string::npos) break;
    if (none < full) {
      values.push_back("");
      at = none + empty.size();
      continue;
    }
    size_t end = xml.find(close, full + open.size());
    if (end == std::string::npos) break;
    values.push_back(xml.substr(full + open.size(), end - full - open.size()));
    at = end + close.size();
  }
  return values;
}

}  // namespace

std::string Unescape(const std::string& text) {
  static const struct {
    const char* entity;
    char character;
  } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string plain;
  for (size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& e : kEntities) {
      size_t length = std::char_traits<char>::length(e.entity);
      if (text.compare(i, length, e.entity) == 0) {
        plain += e.character;
        i += length;
        replaced = true;
        break;
      }
    }
    if (!replaced) plain += text[i++];
  }
  return plain;
}

std::vector<std::string> Report::Values(const std::string& name) const {
  std::vector<std::string> values = RawValues(bytes_, name);
  for (std::string& value : values) value = Unescape(value);
  return values;
}

std::string Report::Value(const std::string& name) const {
  std::vector<std::string> values = Values(name);
  if (values.empty()) {
    ADD_FAILURE() << "the report has no element " << name;
    return "";
  }
  return values[0];
}

int Report::Statistic(const std::string& name) const {
  std::vector<std::string> values = Values(name);
  if (values.size() != 1 || values[0].empty()) return -1;
  return std::atoi(values[0].c_str());
}

std::vector<Installed> Report::Software() const {
  static const char* const kFields[] = {
      "name", "version",           "publisher",       "location", "installDate",
      "size", "registeredCompany", "registeredOwner", "productId"};
  const std::string start = "<installed type=\"";
  const std::string end = "</installed>";
  std::vector<Installed> products;
  for (size_t at = bytes_.find(start); at != std::string::npos; at = bytes_.find(start, at)) {
    size_t typeEnd = bytes_.find('"', at + start.size());
    size_t close = bytes_.find(end, at);
    if (typeEnd == std::string::npos || close == std::string::npos) break;
    Installed product;
    product.type = bytes_.substr(at + start.size(), typeEnd - at - start.size());
    std::string body = bytes_.substr(typeEnd, close - typeEnd);
    for (const char* field : kFields) {
      std::vector<std::string> values = RawValues(body, field);
      EXPECT_EQ(1u, values.size()) << "installed element without one " << field;
      if (!values.empty()) product.fields[field] = Unescape(values[0]);
    }
    products.push_back(product);
    at = close + end.size();
  }
  return products;
}

Installed Report::Product(const std::string& name) const {
  std::vector<Installed> found;
  for (const Installed& product : Software()) {
    if (product.fields.at("name") == name) found.push_back(product);
  }
  if (found.size() != 1) {
    ADD_FAILURE() << found.size() << " installed elements named \"" << name << "\"";
    return Installed();
  }
  return found[0];
}

void ExpectProducts(const Report& report, int applications, int updates, int components) {
  int counted[3] = {0, 0, 0};
  std::vector<Installed> products = report.Software();
  for (const Installed& product : products) {
    if (product.type == "application") ++counted[0];
    if (product.type == "update") ++counted[1];
    if (product.type == "component") ++counted[2];
  }
  EXPECT_EQ(applications, counted[0]) << "applications";
  EXPECT_EQ(updates, counted[1]) << "updates";
  EXPECT_EQ(components, counted[2]) << "components";
  EXPECT_EQ(applications + updates + components, static_cast<int>(products.size()));
  EXPECT_EQ(applications + updates + components, report.Statistic("total"));
  EXPECT_EQ(applications, report.Statistic("numberOfApplication"));
  EXPECT_EQ(updates, report.Statistic("numberOfUpdate"));
  EXPECT_EQ(components, report.Statistic("numberOfComponent"));
}

sim::Bytes Sz(const std::string& text) {
  sim::Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

sim::Bytes Bare(const std::string& text) { return sim::Bytes(text.begin(), text.end()); }

std::string Filler(const std::string& tag, size_t length) {
  static const char kPattern[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string text = tag.substr(0, length);
  for (size_t i = text.size(); i < length; ++i) text += kPattern[i % (sizeof kPattern - 1)];
  return text;
}

HostileMachine::HostileMachine() {
  folder_.MakeFolder("sorvik");
  folder_.MakeFolder("TEMP");
  folder_.MakeFolder("out");
  builder_.With([this](sim::Facts& f) {
    f.driveFolders['C'] = folder_.path();
    f.drives['C' - 'A'].type = DRIVE_FIXED;
    f.drives['C' - 'A'].totalBytes = 40000ull << 20;
    f.drives['C' - 'A'].freeBytes = 12345ull << 20;
    f.hostName = "robusthost";
    f.resolver["robusthost"] = {"10.9.8.7"};
    f.computerName = "ROBUST-PC";
    f.userName = "tester";
    f.modulePath = "C:\\sorvik\\sorvik.exe";
    f.tempPath = "C:\\TEMP\\";
  });
}

bool HostileMachine::LoadFixture(const std::string& name, std::string* error) {
  std::string profile = std::string(SORVIK_SOURCE_DIR) + "/tests/fixtures/" + name;
  if (!sim::LoadProfile(profile, &machine(), error)) return false;
  machine().facts.driveFolders['C'] = folder_.path();
  return true;
}

Report HostileMachine::Run(const std::string& commandLine) {
  sim::ScopedMachine installed(machine());
  std::string temp;
  EXPECT_TRUE(sim::HostPath(machine().facts.tempPath, &temp)) << machine().facts.tempPath;
  std::set<std::string> inTempBefore = FilesBelow(temp);
  std::set<std::string> before = FilesBelow(folder_.path());

  // Each run is a process of its own: the software counters start at zero.
  ApplicationCount = UpdateCount = ComponentCount = SoftwareTotal = 0;
  EXPECT_EQ(0, SorvikMain(commandLine.c_str())) << commandLine;
  EXPECT_EQ(0, machine().OpenHandleCount()) << "a registry key was left open";
  EXPECT_EQ(inTempBefore, FilesBelow(temp)) << "the run left a file in the temporary folder";

  lastReportPath_.clear();
  std::vector<std::string> reports;
  for (const std::string& file : FilesBelow(folder_.path())) {
    if (before.count(file) == 0) reports.push_back(file);
  }
  if (reports.size() != 1) {
    ADD_FAILURE() << reports.size() << " new files after the run of " << commandLine;
    return Report();
  }
  lastReportPath_ = reports[0];
  Report report(folder_.Read(reports[0]));
  std::filesystem::remove(folder_.At(reports[0]));
  EXPECT_EQ(".xml", reports[0].substr(reports[0].size() - 4));
  CheckReport(report.bytes(), SectionsFor(commandLine));
  return report;
}

}  // namespace robust
