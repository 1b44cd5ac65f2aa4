// machine.ini: the facts of a machine profile (the format is described in profile.h).
#include <cctype>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "platform/sim/codepage.h"
#include "platform/sim/internal.h"
#include "platform/sim/profile.h"
#include "platform/sim/smbios_table.h"

namespace sim {

namespace {

// Sets one field from the text of its value; false with `what` when the text is not valid.
using Setter = std::function<bool(Machine&, const std::string&, std::string*)>;

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool ParseNumber(const std::string& text, ULONGLONG max, ULONGLONG* number, std::string* what) {
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  ULONGLONG value = 0;
  unsigned base = hex ? 16 : 10;
  for (char c : digits) {
    int digit = (c >= '0' && c <= '9')          ? c - '0'
                : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                : -1;
    if (digit < 0 || value > (max - static_cast<unsigned>(digit)) / base) {
      *what = digit < 0 ? "'" + text + "' is not a number" : "'" + text + "' is too large";
      return false;
    }
    value = value * base + static_cast<unsigned>(digit);
  }
  if (digits.empty()) {
    *what = "'" + text + "' is not a number";
    return false;
  }
  *number = value;
  return true;
}

bool ParseBool(const std::string& text, bool* flag, std::string* what) {
  std::string word = Lower(text);
  if (word == "yes" || word == "true" || word == "1") return *flag = true, true;
  if (word == "no" || word == "false" || word == "0") return *flag = false, true;
  *what = "'" + text + "' is not yes or no";
  return false;
}

// Inside quotes \xNN is the byte NN, for names holding bytes a line can't (control
// characters, quotes, line breaks).
std::string Unquote(const std::string& text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return text;
  std::string bytes;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == '\\' && i + 4 < text.size() && text[i + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
      bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

template <class Record, class T>
std::function<bool(Record&, const std::string&, std::string*)> NumberField(T Record::*field) {
  return [field](Record& record, const std::string& text, std::string* what) {
    ULONGLONG number = 0;
    if (!ParseNumber(text, static_cast<ULONGLONG>(std::numeric_limits<T>::max()), &number, what))
      return false;
    record.*field = static_cast<T>(number);
    return true;
  };
}

template <class Record>
std::function<bool(Record&, const std::string&, std::string*)> BoolField(bool Record::*field) {
  return [field](Record& record, const std::string& text, std::string* what) {
    return ParseBool(text, &(record.*field), what);
  };
}

template <class Record>
std::function<bool(Record&, const std::string&, std::string*)> TextField(
    std::string Record::*field) {
  return [field](Record& record, const std::string& text, std::string*) {
    record.*field = Unquote(text);
    return true;
  };
}

// A Facts field as a Setter.
template <class Field>
Setter OnFacts(Field field) {
  return [field](Machine& machine, const std::string& text, std::string* what) {
    return field(machine.facts, text, what);
  };
}

int DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  int era = (year >= 0 ? year : year - 399) / 400;
  int yearOfEra = year - era * 400;
  int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

bool ParseLocalTime(Machine& machine, const std::string& text, std::string* what) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0, used = 0;
  int fields =
      std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used);
  std::string rest = fields == 6 ? text.substr(static_cast<size_t>(used)) : std::string();
  if (fields == 6 && !rest.empty() &&
      (rest.size() != 4 || rest[0] != '.' || std::sscanf(rest.c_str() + 1, "%3d", &ms) != 1))
    fields = 0;
  int monthDays = (mo == 2) ? ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0 ? 29 : 28)
                  : (mo == 4 || mo == 6 || mo == 9 || mo == 11) ? 30
                                                                : 31;
  if (fields != 6 || y < 1601 || mo < 1 || mo > 12 || d < 1 || d > monthDays || h > 23 || mi > 59 ||
      s > 59 || h < 0 || mi < 0 || s < 0 || ms < 0) {
    *what = "'" + text + "' is not a time of the form YYYY-MM-DD HH:MM:SS[.mmm]";
    return false;
  }
  int weekday = ((DaysFromCivil(y, mo, d) % 7) + 11) % 7;  // 1970-01-01 was a Thursday
  machine.facts.localTime =
      SYSTEMTIME{static_cast<WORD>(y), static_cast<WORD>(mo), static_cast<WORD>(weekday),
                 static_cast<WORD>(d), static_cast<WORD>(h),  static_cast<WORD>(mi),
                 static_cast<WORD>(s), static_cast<WORD>(ms)};
  return true;
}

// The file of the code page is read now, so that a missing one is reported here.
bool ParseCodePage(Machine& machine, const std::string& text, const std::string& folder,
                   std::string* what) {
  ULONGLONG number = 0;
  if (!ParseNumber(text, 0xFFFF, &number, what)) return false;
  const bool ansi = number == 874 || (number >= 1250 && number <= 1258) || number == 932 ||
                    number == 936 || number == 949 || number == 950;
  if (!ansi) {
    *what = "code page " + text + " is not an ANSI code page of Windows (874, 1250 to 1258, 932, " +
            "936, 949, 950)";
    return false;
  }
  if (!LoadCodePage(static_cast<UINT>(number), folder, what)) return false;
  machine.facts.ansiCodePage = static_cast<UINT>(number);
  return true;
}

bool ParseDriveType(Drive& drive, const std::string& text, std::string* what) {
  static const std::map<std::string, UINT> kTypes = {
      {"unknown", DRIVE_UNKNOWN}, {"none", DRIVE_NO_ROOT_DIR}, {"removable", DRIVE_REMOVABLE},
      {"fixed", DRIVE_FIXED},     {"remote", DRIVE_REMOTE},    {"cdrom", DRIVE_CDROM},
      {"ramdisk", DRIVE_RAMDISK}};
  auto at = kTypes.find(Lower(text));
  if (at == kTypes.end()) {
    *what = "'" + text +
            "' is not a drive type (none, unknown, removable, fixed, remote, "
            "cdrom, ramdisk)";
    return false;
  }
  drive.type = at->second;
  return true;
}

// Every [smbios] name gives the machine a table.
template <class Field>
Setter OnSmbios(Field field) {
  return [field](Machine& machine, const std::string& text, std::string* what) {
    machine.facts.smbios.present = true;
    return field(machine.facts.smbios, text, what);
  };
}

bool ParseSmbiosVersion(Smbios& smbios, const std::string& text, std::string* what) {
  unsigned major = 0, minor = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%u.%u%c", &major, &minor, &rest) != 2 || major > 255 ||
      minor > 255)
    return *what = "'" + text + "' is not a version like 2.8", false;
  smbios.majorVersion = static_cast<BYTE>(major);
  smbios.minorVersion = static_cast<BYTE>(minor);
  return true;
}

bool ParseSmbiosUuid(Smbios& smbios, const std::string& text, std::string* what) {
  unsigned char bytes[16];
  if (!text.empty() && !ParseUuid(text, bytes))
    return *what = "'" + text + "' is not a UUID like 4C4C4544-0042-3510-8052-B4C04F4D3732", false;
  smbios.uuid = text;
  return true;
}

// Each raw line adds its bytes: hexadecimal pairs, separated by blanks or commas or not.
bool ParseSmbiosRaw(Smbios& smbios, const std::string& text, std::string* what) {
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == ',' || c == '\t') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c)))
      return *what = "'" + text + "' is not hexadecimal bytes like 00 02 08 00", false;
    digits += c;
  }
  if (digits.size() % 2 != 0) return *what = "'" + text + "' has half a byte", false;
  for (size_t i = 0; i < digits.size(); i += 2)
    smbios.raw += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
  return true;
}

bool ParseSizeChange(Smbios& smbios, const std::string& text, std::string* what) {
  bool negative = !text.empty() && text[0] == '-';
  ULONGLONG number = 0;
  if (!ParseNumber(negative ? text.substr(1) : text, 0xFFFF, &number, what)) return false;
  smbios.sizeChange = negative ? -static_cast<int>(number) : static_cast<int>(number);
  return true;
}

const std::map<std::string, Setter>& FactSetters() {
  static const std::map<std::string, Setter> kSetters = {
      {"version.works", OnFacts(BoolField(&Facts::versionWorks))},
      {"version.extendedworks", OnFacts(BoolField(&Facts::extendedVersionWorks))},
      {"version.major", OnFacts(NumberField(&Facts::majorVersion))},
      {"version.minor", OnFacts(NumberField(&Facts::minorVersion))},
      {"version.build", OnFacts(NumberField(&Facts::buildNumber))},
      {"version.platform", OnFacts(NumberField(&Facts::platformId))},
      {"version.csd", OnFacts(TextField(&Facts::csdVersion))},
      {"version.servicepackmajor", OnFacts(NumberField(&Facts::servicePackMajor))},
      {"version.servicepackminor", OnFacts(NumberField(&Facts::servicePackMinor))},
      {"version.suitemask", OnFacts(NumberField(&Facts::suiteMask))},
      {"version.producttype", OnFacts(NumberField(&Facts::productType))},
      {"version.serverr2", OnFacts(NumberField(&Facts::serverR2Metric))},
      {"kernel32.getproductinfo", OnFacts(BoolField(&Facts::hasGetProductInfo))},
      {"kernel32.productinfoworks", OnFacts(BoolField(&Facts::getProductInfoWorks))},
      {"kernel32.productinfotype", OnFacts(NumberField(&Facts::productInfoType))},
      {"kernel32.getnativesysteminfo", OnFacts(BoolField(&Facts::hasGetNativeSystemInfo))},
      {"kernel32.globalmemorystatusex", OnFacts(BoolField(&Facts::hasGlobalMemoryStatusEx))},
      {"kernel32.getdiskfreespaceexa", OnFacts(BoolField(&Facts::hasGetDiskFreeSpaceEx))},
      {"kernel32.getsystemfirmwaretable", OnFacts(BoolField(&Facts::hasGetSystemFirmwareTable))},
      {"smbios.version", OnSmbios(ParseSmbiosVersion)},
      {"smbios.manufacturer", OnSmbios(TextField(&Smbios::manufacturer))},
      {"smbios.model", OnSmbios(TextField(&Smbios::model))},
      {"smbios.serial", OnSmbios(TextField(&Smbios::serial))},
      {"smbios.uuid", OnSmbios(ParseSmbiosUuid)},
      {"smbios.boardserial", OnSmbios(TextField(&Smbios::boardSerial))},
      {"smbios.chassistype", OnSmbios(NumberField(&Smbios::chassisType))},
      {"smbios.assettag", OnSmbios(TextField(&Smbios::assetTag))},
      {"smbios.biosvendor", OnSmbios(TextField(&Smbios::biosVendor))},
      {"smbios.biosversion", OnSmbios(TextField(&Smbios::biosVersion))},
      {"smbios.biosdate", OnSmbios(TextField(&Smbios::biosDate))},
      {"smbios.raw", OnSmbios(ParseSmbiosRaw)},
      {"smbios.sizechange", OnSmbios(ParseSizeChange)},
      {"processor.architecture", OnFacts(NumberField(&Facts::processorArchitecture))},
      {"processor.nativearchitecture", OnFacts(NumberField(&Facts::nativeArchitecture))},
      {"processor.program64bit", OnFacts(BoolField(&Facts::program64Bit))},
      {"processor.type", OnFacts(NumberField(&Facts::processorType))},
      {"processor.count", OnFacts(NumberField(&Facts::numberOfProcessors))},
      {"memory.totalbytes", OnFacts(NumberField(&Facts::totalPhysBytes))},
      {"network.socketsstart", OnFacts(BoolField(&Facts::socketsStart))},
      {"network.hostname", OnFacts(TextField(&Facts::hostName))},
      {"identity.computername", OnFacts(TextField(&Facts::computerName))},
      {"identity.computernameworks", OnFacts(BoolField(&Facts::computerNameWorks))},
      {"identity.username", OnFacts(TextField(&Facts::userName))},
      {"identity.usernameworks", OnFacts(BoolField(&Facts::userNameWorks))},
      {"printer.name",
       [](Machine& machine, const std::string& text, std::string*) {
         machine.facts.hasDefaultPrinter = true;
         machine.facts.defaultPrinter.name = Unquote(text);
         return true;
       }},
      {"printer.port",
       [](Machine& machine, const std::string& text, std::string*) {
         machine.facts.defaultPrinter.port = Unquote(text);
         return true;
       }},
      {"files.modulepath", OnFacts(TextField(&Facts::modulePath))},
      {"files.temppath", OnFacts(TextField(&Facts::tempPath))},
      {"files.temppathworks", OnFacts(BoolField(&Facts::tempPathWorks))},
      {"files.tempfolderexists", OnFacts(BoolField(&Facts::tempFolderExists))},
      {"time.localtime", ParseLocalTime},
      {"registry.dyndata",
       [](Machine& machine, const std::string& text, std::string* what) {
         bool present = true;
         if (!ParseBool(text, &present, what)) return false;
         machine.registry.SetHasDynData(present);
         return true;
       }},
  };
  return kSetters;
}

using DriveSetter = std::function<bool(Drive&, const std::string&, std::string*)>;

const std::map<std::string, DriveSetter>& DriveSetters() {
  static const std::map<std::string, DriveSetter> kSetters = {
      {"type", ParseDriveType},
      {"sizereadable", BoolField(&Drive::sizeReadable)},
      {"totalbytes", NumberField(&Drive::totalBytes)},
      {"freebytes", NumberField(&Drive::freeBytes)},
      {"sectorspercluster", NumberField(&Drive::sectorsPerCluster)},
      {"bytespersector", NumberField(&Drive::bytesPerSector)},
      {"freeclusters", NumberField(&Drive::freeClusters)},
      {"totalclusters", NumberField(&Drive::totalClusters)},
  };
  return kSetters;
}

// Error codes by name, for [fault] sections; a number is taken as well.
bool ParseError(Fault& fault, const std::string& text, std::string* what) {
  static const std::map<std::string, DWORD> kErrors = {
      {"error_file_not_found", ERROR_FILE_NOT_FOUND},
      {"error_path_not_found", ERROR_PATH_NOT_FOUND},
      {"error_access_denied", ERROR_ACCESS_DENIED},
      {"error_invalid_handle", ERROR_INVALID_HANDLE},
      {"error_not_enough_memory", ERROR_NOT_ENOUGH_MEMORY},
      {"error_more_data", ERROR_MORE_DATA},
      {"error_no_more_items", ERROR_NO_MORE_ITEMS},
      {"error_directory", kErrorDirectory},
  };
  auto at = kErrors.find(Lower(text));
  if (at != kErrors.end()) {
    fault.error = at->second;
    return true;
  }
  ULONGLONG number = 0;
  if (!ParseNumber(text, 0xFFFFFFFFu, &number, what)) {
    *what = "'" + text + "' is neither an error number nor a name like ERROR_ACCESS_DENIED";
    return false;
  }
  fault.error = static_cast<DWORD>(number);
  return true;
}

bool ParseFaultFunction(Fault& fault, const std::string& text, std::string* what) {
  if (!CanFail(text)) {
    *what = "'" + text +
            "' can't be made to fail (RegOpenKeyExA, RegEnumKeyExA, RegQueryValueExA, "
            "GetTempPathA, GetTempFileNameA, OpenPathA)";
    return false;
  }
  fault.function = text;
  return true;
}

bool ParseFromCall(Fault& fault, const std::string& text, std::string* what) {
  ULONGLONG number = 0;
  if (!ParseNumber(text, static_cast<ULONGLONG>(std::numeric_limits<long>::max()), &number, what))
    return false;
  if (number == 0) return *what = "calls are counted from 1", false;
  fault.fromCall = static_cast<long>(number);
  return true;
}

using FaultSetter = std::function<bool(Fault&, const std::string&, std::string*)>;

const std::map<std::string, FaultSetter>& FaultSetters() {
  static const std::map<std::string, FaultSetter> kSetters = {
      {"function", ParseFaultFunction},      {"error", ParseError},
      {"path", TextField(&Fault::path)},     {"value", TextField(&Fault::value)},
      {"index", NumberField(&Fault::index)}, {"from", ParseFromCall},
      {"count", NumberField(&Fault::count)}, {"writelimit", NumberField(&Fault::writeLimit)},
  };
  return kSetters;
}

DWORD Clusters(ULONGLONG bytes, const Drive& drive) {
  ULONGLONG cluster = ULONGLONG(drive.sectorsPerCluster) * drive.bytesPerSector;
  ULONGLONG count = cluster == 0 ? 0 : bytes / cluster;
  return count > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(count);
}

// The parse of one file: the current section and what was given explicitly.
class IniParser {
 public:
  IniParser(const std::string& fileName, const std::string& baseFolder, Machine* machine)
      : fileName_(fileName), baseFolder_(baseFolder), machine_(*machine) {}

  bool Line(int number, const std::string& raw, std::string* error) {
    line_ = number;
    std::string text = Trim(raw);
    std::string what;
    if (text.empty() || text[0] == ';' || text[0] == '#') return true;
    bool good = text[0] == '[' ? Section(text, &what) : Assignment(text, &what);
    if (!good) *error = fileName_ + ":" + std::to_string(number) + ": " + what;
    return good;
  }

  // Cluster counts not given follow from the byte counts.
  bool Finish(std::string* error) {
    if (!FaultIsComplete(error)) return false;
    for (size_t i = 0; i < machine_.facts.drives.size(); ++i) {
      Drive& drive = machine_.facts.drives[i];
      if (!givenFree_.count(i)) drive.freeClusters = Clusters(drive.freeBytes, drive);
      if (!givenTotal_.count(i)) drive.totalClusters = Clusters(drive.totalBytes, drive);
    }
    return true;
  }

 private:
  bool Section(const std::string& text, std::string* what) {
    if (text.back() != ']') return *what = "a section line must end with ']'", false;
    std::string name = Lower(Trim(text.substr(1, text.size() - 2)));
    if (!FaultIsComplete(what)) return false;
    drive_ = -1;
    if (name == "fault") {
      // Every [fault] section is one more rule of the plan.
      machine_.faults.push_back(Fault(std::string(), ERROR_ACCESS_DENIED));
      faultLine_ = line_;
    } else if (name.compare(0, 6, "drive ") == 0) {
      std::string letter = Trim(name.substr(6));
      drive_ = (letter.size() == 2 && letter[1] == ':') ? DriveIndex(letter.c_str()) : -1;
      if (drive_ < 0) return *what = "'" + text + "' does not name a drive like [drive C:]", false;
    } else if (!KnownSection(name)) {
      return *what = "unknown section " + text, false;
    }
    section_ = name;
    return true;
  }

  bool KnownSection(const std::string& name) const {
    if (name == "resolver" || name == "text") return true;
    for (const auto& entry : FactSetters())
      if (entry.first.compare(0, name.size() + 1, name + ".") == 0) return true;
    return false;
  }

  bool Assignment(const std::string& text, std::string* what) {
    size_t equals = text.find('=');
    if (equals == std::string::npos) return *what = "expected 'name = value'", false;
    std::string name = Trim(text.substr(0, equals));
    std::string value = Trim(text.substr(equals + 1));
    if (section_.empty()) return *what = "'" + name + "' stands before any [section]", false;
    if (name.empty()) return *what = "expected a name before '='", false;
    if (section_ == "resolver") return Resolver(name, value, what);
    if (section_ == "fault") return FaultField(Lower(name), value, what);
    if (drive_ >= 0) return DriveField(Lower(name), value, what);
    if (section_ == "text" && Lower(name) == "ansicodepage")
      return ParseCodePage(machine_, value, baseFolder_, what);
    auto at = FactSetters().find(section_ + "." + Lower(name));
    if (at == FactSetters().end())
      return *what = "unknown name '" + name + "' in [" + section_ + "]", false;
    return at->second(machine_, value, what);
  }

  bool Resolver(const std::string& host, const std::string& value, std::string* what) {
    std::vector<std::string> addresses;
    size_t start = 0;
    while (start <= value.size()) {
      size_t comma = value.find(',', start);
      if (comma == std::string::npos) comma = value.size();
      std::string address = Trim(value.substr(start, comma - start));
      uint8_t bytes[4];
      if (!ParseIpv4(address, bytes))
        return *what = "'" + address + "' is not an IPv4 address like 192.168.0.7", false;
      addresses.push_back(address);
      start = comma + 1;
    }
    machine_.facts.resolver[host] = addresses;
    return true;
  }

  bool FaultField(const std::string& name, const std::string& value, std::string* what) {
    auto at = FaultSetters().find(name);
    if (at == FaultSetters().end()) return *what = "unknown name '" + name + "' in [fault]", false;
    return at->second(machine_.faults.back(), value, what);
  }

  // A rule is only complete with the function it makes fail.
  bool FaultIsComplete(std::string* what) {
    if (faultLine_ == 0 || !machine_.faults.back().function.empty()) return true;
    *what = "the [fault] of line " + std::to_string(faultLine_) + " names no function";
    faultLine_ = 0;
    return false;
  }

  bool DriveField(const std::string& name, const std::string& value, std::string* what) {
    size_t index = static_cast<size_t>(drive_);
    if (name == "folder") {
      std::string folder = Unquote(value);
      if (!folder.empty() && folder[0] != '/') folder = baseFolder_ + "/" + folder;
      machine_.facts.driveFolders[static_cast<char>('A' + drive_)] = folder;
      return true;
    }
    auto at = DriveSetters().find(name);
    if (at == DriveSetters().end())
      return *what = "unknown name '" + name + "' in [" + section_ + "]", false;
    if (name == "freeclusters") givenFree_.insert(index);
    if (name == "totalclusters") givenTotal_.insert(index);
    return at->second(machine_.facts.drives[index], value, what);
  }

  std::string fileName_, baseFolder_;
  Machine& machine_;
  std::string section_;
  int drive_ = -1;
  std::set<size_t> givenFree_, givenTotal_;
  int line_ = 0;       // the line being parsed
  int faultLine_ = 0;  // the line of the last [fault], 0 before any
};

}  // namespace

bool ParseMachineIni(const std::string& text, const std::string& fileName,
                     const std::string& baseFolder, Machine* machine, std::string* error) {
  IniParser parser(fileName, baseFolder, machine);
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // an editor's UTF-8 mark
  for (int number = 1; start <= text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!parser.Line(number, line, error)) return false;
    start = end + 1;
  }
  std::string what;
  if (!parser.Finish(&what)) {
    *error = fileName + ": " + what;
    return false;
  }
  return true;
}

}  // namespace sim
