#include "fleet/report_reader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <climits>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "fleet/report_xsd.h"

namespace fleet {
namespace {

const char* const kDeviceClasses[] = {"monitor",        "mouse", "keyboard", "cdrom",
                                      "modem",          "video", "media",    "network",
                                      "defaultPrinter", "scsi",  "usb"};

// The first error libxml2 raises while a Capture is alive, instead of its printing to stderr.
class ErrorCapture {
 public:
  ErrorCapture() {
    xmlSetStructuredErrorFunc(this, &ErrorCapture::Record);
    xmlSetGenericErrorFunc(this, &ErrorCapture::Ignore);
  }
  ~ErrorCapture() {
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    xmlSetGenericErrorFunc(nullptr, nullptr);
  }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  static void Record(void* self, xmlErrorPtr error) {
    auto* capture = static_cast<ErrorCapture*>(self);
    if (!capture->first_.empty() || !error || error->level < XML_ERR_ERROR) return;
    std::string message = error->message ? error->message : "unknown libxml2 error";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
      message.pop_back();
    }
    // One line per rejected file, whatever libxml2 spreads over several.
    for (char& c : message) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    if (error->line > 0 && error->int2 > 0) {
      capture->first_ = "line " + std::to_string(error->line) + ", column " +
                        std::to_string(error->int2) + ": " + message;
    } else if (error->line > 0) {
      capture->first_ = "line " + std::to_string(error->line) + ": " + message;
    } else {
      capture->first_ = message;
    }
  }
  static void Ignore(void*, const char*, ...) {}

  const std::string& first() const { return first_; }
  std::string Or(const char* fallback) const { return first_.empty() ? fallback : first_; }

 private:
  std::string first_;
};

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ParserFree {
  void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};
struct ValidFree {
  void operator()(xmlSchemaValidCtxt* ctxt) const { xmlSchemaFreeValidCtxt(ctxt); }
};
struct SchemaParserFree {
  void operator()(xmlSchemaParserCtxt* ctxt) const { xmlSchemaFreeParserCtxt(ctxt); }
};

// Reports never carry a document type declaration; one means a crafted file. Stopping the
// parser right here, before the internal subset is read, keeps any entity from being declared.
void RefuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
  *static_cast<bool*>(ctxt->_private) = true;
  xmlStopParser(ctxt);
}

bool IsElement(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE &&
         std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

const xmlNode* Child(const xmlNode* parent, const char* name) {
  for (const xmlNode* child = parent ? parent->children : nullptr; child; child = child->next) {
    if (IsElement(child, name)) return child;
  }
  return nullptr;
}

std::string TextOf(const xmlNode* element) {
  std::string text;
  for (const xmlNode* child = element ? element->children : nullptr; child; child = child->next) {
    if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content) {
      text += reinterpret_cast<const char*>(child->content);
    }
  }
  return text;
}

std::string Attribute(const xmlNode* element, const char* name) {
  if (!element) return std::string();
  const xmlAttr* attribute = xmlHasNsProp(element, reinterpret_cast<const xmlChar*>(name), nullptr);
  return attribute ? TextOf(reinterpret_cast<const xmlNode*>(attribute)) : std::string();
}

// The value at a path such as "computer/os/fullName" or "device/disk/@totalSpaceMb".
std::string ValueAt(const xmlNode* node, const char* path) {
  while (node) {
    const char* slash = std::strchr(path, '/');
    if (!slash) {
      return path[0] == '@' ? Attribute(node, path + 1) : TextOf(Child(node, path));
    }
    node = Child(node, std::string(path, slash).c_str());
    path = slash + 1;
  }
  return std::string();
}

// "2024/03/12 08:15:00" (the schema fixes that form) becomes "2024-03-12T08:15:00".
std::string IsoTimestamp(std::string text) {
  if (text.size() != 19) return text;
  text[4] = '-';
  text[7] = '-';
  text[10] = 'T';
  return text;
}

void ReadDevices(const xmlNode* device, Report* report) {
  for (const char* device_class : kDeviceClasses) {
    std::string list = TextOf(Child(device, device_class));
    int position = 0;
    std::size_t start = 0;
    while (start <= list.size()) {
      std::size_t end = list.find(';', start);
      if (end == std::string::npos) end = list.size();
      if (end > start) {
        report->devices.push_back({device_class, ++position, list.substr(start, end - start)});
      }
      start = end + 1;
    }
  }
  const xmlNode* disk = Child(device, "disk");
  for (const xmlNode* drive = disk ? disk->children : nullptr; drive; drive = drive->next) {
    if (!IsElement(drive, "drive")) continue;
    report->drives.push_back({Attribute(drive, "letter"), Attribute(drive, "type"),
                              Attribute(drive, "totalSpaceMb"),
                              Attribute(drive, "availableSpaceMb")});
  }
}

void ReadSoftware(const xmlNode* software, Report* report) {
  for (const xmlNode* item = software->children; item; item = item->next) {
    if (!IsElement(item, "installed")) continue;
    std::vector<std::string> row;
    row.reserve(SoftwareColumns().size());
    for (const ColumnSource& source : SoftwareColumns()) row.push_back(ValueAt(item, source.path));
    report->software.push_back(std::move(row));
  }
}

void Extract(const xmlNode* root, Report* report) {
  *report = Report();
  for (const ColumnSource& source : ReportColumns()) {
    std::string value = ValueAt(root, source.path);
    report->values.push_back(source.kind == ValueKind::kTimestamp ? IsoTimestamp(value) : value);
  }
  if (const xmlNode* device = Child(root, "device")) {
    report->has_device = true;
    ReadDevices(device, report);
  }
  if (const xmlNode* software = Child(root, "software")) {
    report->has_software = true;
    ReadSoftware(software, report);
  }
}

}  // namespace

const std::vector<ColumnSource>& ReportColumns() {
  using K = ValueKind;
  static const std::vector<ColumnSource> columns = {
      {"created", "@creationDateTime", K::kTimestamp},
      {"version", "@version", K::kText},
      {"ip", "computer/ip", K::kText},
      {"computer_name", "computer/computerName", K::kText},
      {"user_name", "computer/userName", K::kText},
      {"os_name", "computer/os/fullName", K::kText},
      {"product_id", "computer/os/productId", K::kText},
      {"os_major", "computer/os/getVersionEx/majorVersion", K::kNumber},
      {"os_minor", "computer/os/getVersionEx/minorVersion", K::kNumber},
      {"os_platform", "computer/os/getVersionEx/platformId", K::kNumber},
      {"os_csd", "computer/os/getVersionEx/csdVersion", K::kText},
      {"os_build", "computer/os/getVersionEx/buildNumber", K::kNumber},
      {"os_display_version", "computer/os/displayVersion", K::kText},
      {"os_update_revision", "computer/os/updateRevision", K::kNumber},
      {"os_architecture", "computer/os/architecture", K::kText},
      {"manufacturer", "computer/system/manufacturer", K::kText},
      {"model", "computer/system/model", K::kText},
      {"serial_number", "computer/system/serialNumber", K::kText},
      {"uuid", "computer/system/uuid", K::kText},
      {"board_serial_number", "computer/system/boardSerialNumber", K::kText},
      {"chassis_type", "computer/system/chassisType", K::kText},
      {"asset_tag", "computer/system/assetTag", K::kText},
      {"bios_vendor", "computer/system/biosVendor", K::kText},
      {"bios_version", "computer/system/biosVersion", K::kText},
      {"bios_date", "computer/system/biosDate", K::kText},
      {"cpu", "device/cpu", K::kText},
      {"ram_mb", "device/ramMb", K::kNumber},
      {"disk_total_mb", "device/disk/@totalSpaceMb", K::kNumber},
      {"disk_available_mb", "device/disk/@availableSpaceMb", K::kNumber},
  };
  return columns;
}

const std::vector<ColumnSource>& SoftwareColumns() {
  using K = ValueKind;
  static const std::vector<ColumnSource> columns = {
      {"type", "@type", K::kText},
      {"name", "name", K::kText},
      {"version", "version", K::kText},
      {"publisher", "publisher", K::kText},
      {"location", "location", K::kText},
      {"install_date", "installDate", K::kText},
      // Normally a number, but text where the registry held a "/8".
      {"size", "size", K::kNumber},
      {"registered_company", "registeredCompany", K::kText},
      {"registered_owner", "registeredOwner", K::kText},
      {"product_id", "productId", K::kText},
  };
  return columns;
}

const std::string& Report::Value(const char* column) const {
  const auto& columns = ReportColumns();
  for (std::size_t i = 0; i < columns.size() && i < values.size(); ++i) {
    if (std::strcmp(columns[i].column, column) == 0) return values[i];
  }
  throw std::logic_error(std::string("no report column ") + column);
}

ReportReader::ReportReader() {
  xmlInitParser();
  ErrorCapture errors;
  std::unique_ptr<xmlSchemaParserCtxt, SchemaParserFree> parser(xmlSchemaNewMemParserCtxt(
      reinterpret_cast<const char*>(kReportXsd), static_cast<int>(kReportXsdSize)));
  if (parser) schema_ = xmlSchemaParse(parser.get());
  if (!schema_) throw std::runtime_error("the built-in report schema: " + errors.Or("invalid"));
}

ReportReader::~ReportReader() { xmlSchemaFree(schema_); }

bool ReportReader::Read(const char* data, std::size_t size, Report* report, std::string* reason) {
  if (size == 0) {
    *reason = "empty file";
    return false;
  }
  if (size > static_cast<std::size_t>(INT_MAX)) {
    *reason = "too large";
    return false;
  }
  ErrorCapture errors;
  std::unique_ptr<xmlParserCtxt, ParserFree> parser(xmlNewParserCtxt());
  if (!parser) throw std::bad_alloc();
  bool has_doctype = false;
  parser->_private = &has_doctype;
  parser->sax->internalSubset = &RefuseDoctype;
  std::unique_ptr<xmlDoc, DocFree> doc(xmlCtxtReadMemory(parser.get(), data, static_cast<int>(size),
                                                         nullptr, nullptr, XML_PARSE_NONET));
  if (has_doctype) {
    *reason = "has a document type declaration, which reports never have";
    return false;
  }
  if (!doc || !errors.first().empty()) {
    *reason = "not well-formed XML: " + errors.Or("no document");
    return false;
  }
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root || !IsElement(root, "sorvik") || root->ns) {
    *reason = std::string("the root element is <") +
              (root ? reinterpret_cast<const char*>(root->name) : "") + ">, not <sorvik>";
    return false;
  }
  std::unique_ptr<xmlSchemaValidCtxt, ValidFree> validator(xmlSchemaNewValidCtxt(schema_));
  if (!validator) throw std::bad_alloc();
  xmlSchemaSetValidStructuredErrors(validator.get(), &ErrorCapture::Record, &errors);
  if (xmlSchemaValidateDoc(validator.get(), doc.get()) != 0) {
    *reason = "not a valid report: " + errors.Or("fails the schema");
    return false;
  }
  Extract(root, report);
  return true;
}

}  // namespace fleet
