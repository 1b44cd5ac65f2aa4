#include "bench/large_machine.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace bench {

namespace {

const char kUninstall[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kPackages[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based "
    "Servicing\\Packages";
const char kServices[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services";
const char kEnum[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum";
const char kScsi[] = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\Scsi";

// A REGEDIT4 file under construction: CR LF line ends, as regedit writes them.
class RegFile {
 public:
  RegFile() { text_ << "REGEDIT4\r\n"; }
  RegFile& Comment(const std::string& text) {
    text_ << "\r\n; " << text << "\r\n";
    return *this;
  }
  RegFile& Key(const std::string& path) {
    text_ << "\r\n[" << path << "]\r\n";
    return *this;
  }
  RegFile& DeleteKey(const std::string& path) {
    text_ << "\r\n[-" << path << "]\r\n";
    return *this;
  }
  RegFile& String(const std::string& name, const std::string& data) {
    text_ << Quoted(name) << "=" << Quoted(data) << "\r\n";
    return *this;
  }
  RegFile& Dword(const std::string& name, uint32_t number) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08" PRIx32, number);
    text_ << Quoted(name) << "=dword:" << hex << "\r\n";
    return *this;
  }
  RegFile& Binary(const std::string& name, int length, int seed) {
    text_ << Quoted(name) << "=hex:";
    for (int i = 0; i < length; ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%02x", (seed * 31 + i * 7) & 0xFF);
      text_ << (i == 0 ? "" : ",") << byte;
    }
    text_ << "\r\n";
    return *this;
  }
  bool Save(const std::string& path, std::string* error) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text_.str();
    file.close();
    if (file) return true;
    *error = path + ": cannot be written";
    return false;
  }

 private:
  static std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out + "\"";
  }
  std::ostringstream text_;
};

std::string Format(const char* format, int number) {
  char text[128];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

std::string ProductCode(int index) {
  char text[64];
  std::snprintf(text, sizeof text, "{%08X-%04X-4000-8000-%012d}",
                static_cast<unsigned>(index) * 2654435761u, index % 0xFFFF, index);
  return text;
}

std::string InstallDate(int index) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", 2006 + index % 3, 1 + index % 12,
                1 + index % 28);
  return text;
}

// A file time (100 ns units since 1601) on 5 March 2008, a minute apart per package.
uint64_t InstallTime(int index) {
  const uint64_t kUnixEpoch = 11644473600ull;
  const uint64_t kMarch5th2008 = 1204675200ull;  // seconds since 1970, 00:00 UTC
  return (kUnixEpoch + kMarch5th2008 + 60ull * static_cast<uint64_t>(index)) * 10000000ull;
}

const char* const kPublishers[] = {"Example Soft", "Example Corporation", "Sample Systems GmbH",
                                   "Example Tools Ltd.", "Microsoft Corporation"};

// Uninstall entries of every kind the classification meets: installer products, updates,
// system components, plain programs and hidden keys without a DisplayName. An entry that
// repeats an earlier one copies all its values under a key of its own.
void AddUninstall(const LargeMachineShape& shape, RegFile* reg, LargeMachineCounts* counts) {
  reg->Comment("Installed programs: " + std::to_string(shape.uninstallEntries) +
               " uninstall entries, about 3% of them repeating an earlier entry.");
  for (int i = 0; i < shape.uninstallEntries; ++i) {
    bool duplicate =
        shape.duplicateEvery > 0 && i % shape.duplicateEvery == shape.duplicateEvery - 1;
    int source = duplicate ? i - 7 : i;
    int kind = source % 10;
    std::string key;
    if (kind <= 1)
      key = ProductCode(i);
    else if (kind == 2)
      key = "KB" + std::to_string(900000 + i);
    else
      key = "Example Application " + std::to_string(i);
    reg->Key(std::string(kUninstall) + "\\" + key);

    if (kind == 4) {  // a hidden patch key: no DisplayName, no record
      reg->String("ParentKeyName", "OperatingSystem")
          .String("UninstallString", "C:\\Windows\\$NtUninstallKB" + std::to_string(source) +
                                         "$\\spuninst\\spuninst.exe");
      continue;
    }
    ++counts->uninstallRecords;
    if (!duplicate) ++counts->distinctUninstall;

    const char* publisher = kPublishers[source % 5];
    if (kind == 2) {
      reg->String("DisplayName",
                  "Security Update for Windows Vista (KB" + std::to_string(900000 + source) + ")")
          .String("Publisher", "Microsoft Corporation")
          .String("ParentKeyName", "OperatingSystem")
          .String("InstallDate", InstallDate(source));
      continue;
    }
    reg->String("DisplayName", "Example Product " + std::to_string(source) +
                                   (kind <= 1 ? " Professional Edition" : " Tools"))
        .String("DisplayVersion", Format("%d.0.", source % 13) + std::to_string(source))
        .String("Publisher", publisher)
        .String("InstallLocation", "C:\\Program Files\\" + std::string(publisher) + "\\Product " +
                                       std::to_string(source) + "\\")
        .String("InstallDate", InstallDate(source))
        .String("UninstallString",
                kind <= 1 ? "MsiExec.exe /X" + ProductCode(source)
                          : "C:\\Program Files\\Example\\uninst" + std::to_string(source) + ".exe")
        .Dword("EstimatedSize", static_cast<uint32_t>(source * 37 + 100));
    if (kind <= 1)
      reg->String("RegOwner", "anna")
          .String("RegCompany", "Example Office")
          .String("ProductID", Format("%05d-OEM-0012345-00000", source % 100000))
          .Dword("WindowsInstaller", 1);
    if (kind == 3) reg->Dword("SystemComponent", 1);
  }
}

// Servicing packages: one in three installed by the update agent, installed and visible; the
// others fail the client, the state (superseded) or the visibility test.
void AddPackages(const LargeMachineShape& shape, RegFile* reg, LargeMachineCounts* counts) {
  reg->Comment("Servicing packages: " + std::to_string(shape.packages) +
               ", one in three qualifying.");
  for (int p = 0; p < shape.packages; ++p) {
    std::string kb = "KB" + std::to_string(950000 + p);
    std::string name;
    if (p % 3 == 1)
      name = "Microsoft-Windows-Example-Feature" + std::to_string(p) +
             "-Package~31bf3856ad364e35~x86~~6.0.6001.18000";
    else
      name = "Package_for_" + kb + "~31bf3856ad364e35~x86~~6.0.1." + std::to_string(p % 5);
    reg->Key(std::string(kPackages) + "\\" + name);
    uint64_t installed = InstallTime(p);
    reg->String("InstallClient",
                p % 3 == 1 ? "DISM Package Manager Provider" : "WindowsUpdateAgent")
        .Dword("CurrentState", p % 6 == 2 ? 0x50 : 0x70)  // superseded : installed
        .Dword("Visibility", p % 6 == 5 ? 2 : 1)
        .String("InstallName", name + ".mum")
        .String("InstallUser", "S-1-5-18")
        .Dword("InstallTimeHigh", static_cast<uint32_t>(installed >> 32))
        .Dword("InstallTimeLow", static_cast<uint32_t>(installed & 0xFFFFFFFFu))
        .Dword("SelfUpdate", 0);
    if (p % 4 == 0)
      reg->String("InstallLocation", "\\\\?\\C:\\Windows\\SoftwareDistribution\\" + kb);
    if (p % 3 == 0) ++counts->qualifyingPackages;
  }
}

struct DeviceClass {
  const char* name;
  const char* text;
};

// One in 40 driver services per walked class, half of them legacy drivers, the rest
// system devices that no walk lists.
const DeviceClass kClasses[] = {{"Display", "Example Display Adapter"},
                                {"MEDIA", "Example High Definition Audio"},
                                {"Net", "Example Gigabit Network Connection"},
                                {"Net", "Example Virtual Miniport (no location)"},
                                {"SCSIAdapter", "Example SATA Controller"},
                                {"USB", "Example USB Host Controller"},
                                {"CDROM", "EXAMPLE DVD-RW DRIVE"}};

void AddDevice(RegFile* reg, const std::string& instance, const char* className,
               const std::string& text, int index, bool friendly, bool location,
               const std::string& service) {
  reg->Key(std::string(kEnum) + "\\" + instance)
      .String("Class", className)
      .String("ClassGUID", Format("{4d36e9%02d-e325-11ce-bfc1-08002be10318}", index % 100))
      .String("DeviceDesc", Format("@oem%d.inf,%%devicedesc%%;", index % 90) + text)
      .String("Mfg", "Example Devices")
      .String("Service", service)
      .Dword("ConfigFlags", 0);
  if (friendly) reg->String("FriendlyName", text + " #" + std::to_string(index));
  if (location)
    reg->String("LocationInformation", Format("PCI bus %d, device 0, function 0", index % 8));
}

void AddServices(const LargeMachineShape& shape, RegFile* reg) {
  reg->Comment("Driver services: " + std::to_string(shape.services) +
               " with three subkeys each (Enum, Parameters, Security) and their devices.");
  const int kClassCount = sizeof kClasses / sizeof kClasses[0];
  for (int s = 0; s < shape.services; ++s) {
    std::string service = Format("ExampleDrv%04d", s);
    std::string key = std::string(kServices) + "\\" + service;
    reg->Key(key)
        .String("DisplayName", "Example Driver " + std::to_string(s))
        .String("ImagePath", "system32\\drivers\\" + service + ".sys")
        .Dword("Type", 1)
        .Dword("Start", 3)
        .Dword("ErrorControl", 1);

    int slot = s % 40;
    std::string instance;
    const char* className = "System";
    std::string text = "Example System Device";
    bool location = true;
    if (slot < kClassCount) {
      className = kClasses[slot].name;
      text = kClasses[slot].text;
      location = slot != 3;
      instance = Format("PCI\\VEN_8086&DEV_%04X&SUBSYS_00000000&REV_01\\3&11583659&0&", s) +
                 Format("%02X", s % 256);
    } else if (slot < 20) {
      instance = Format("PCI\\VEN_1022&DEV_%04X&SUBSYS_00000000&REV_00\\3&2411e6fe&0&", s) +
                 Format("%02X", s % 256);
    } else {
      className = "LegacyDriver";
      text = "Example Legacy Driver " + std::to_string(s);
      location = false;
      instance = "Root\\LEGACY_" + service + "\\0000";
    }
    int instances = (s % 10 == 0) ? 2 : 1;
    reg->Key(key + "\\Enum");
    for (int n = 0; n < instances; ++n)
      reg->String(std::to_string(n), instance + (n == 0 ? "" : Format("_%d", n)));
    reg->Dword("Count", static_cast<uint32_t>(instances))
        .Dword("NextInstance", static_cast<uint32_t>(instances));
    reg->Key(key + "\\Parameters")
        .Dword("BusyWaitMs", static_cast<uint32_t>(s))
        .String("Mode", "default");
    reg->Key(key + "\\Security").Binary("Security", 20, s);
    for (int n = 0; n < instances; ++n)
      AddDevice(reg, instance + (n == 0 ? "" : Format("_%d", n)), className,
                text + " " + std::to_string(s), s, s % 3 == 0, location, service);
  }

  reg->Comment("Input devices and a modem, one of them a remote-desktop device.");
  struct InputDevice {
    const char* service;
    const char* instance;
    const char* className;
    const char* text;
  };
  const InputDevice kInput[] = {
      {"Kbdclass", "ACPI\\PNP0303\\4&1d401fb5&0", "Keyboard", "Standard PS/2 Keyboard"},
      {"Kbdclass", "Root\\RDP_KBD\\0000", "Keyboard", "Terminal Server Keyboard Driver"},
      {"Mouclass", "HID\\VID_1234&PID_C018\\6&2a8cb4b&0&0000", "Mouse", "HID-compliant mouse"},
      {"Mouclass", "ACPI\\PNP0F13\\4&1d401fb5&0", "Mouse", "PS/2 Compatible Mouse"},
      {"Modem", "MDMGEN\\COM1\\0000", "Modem", "Standard 56000 bps Modem"}};
  std::string lastService;
  int index = 0;
  for (const InputDevice& device : kInput) {
    if (lastService != device.service) {
      reg->Key(std::string(kServices) + "\\" + device.service)
          .Dword("Type", 1)
          .Dword("Start", 3)
          .Dword("ErrorControl", 1);
      reg->Key(std::string(kServices) + "\\" + device.service + "\\Enum");
      lastService = device.service;
      index = 0;
    }
    reg->String(std::to_string(index++), device.instance);
  }
  for (const InputDevice& device : kInput)
    AddDevice(reg, device.instance, device.className, device.text, 1, false, false, device.service);

  reg->Comment("Monitors: the generic one and one model key with two instances.");
  reg->Key(std::string(kEnum) + "\\DISPLAY\\Default_Monitor\\4&2e7d58b1&0&80861100&00&02")
      .String("DeviceDesc", "@monitor.inf,%defaultmonitor.devicedesc%;Default Monitor")
      .String("Class", "Monitor");
  for (int n = 0; n < 2; ++n)
    reg->Key(std::string(kEnum) + Format("\\DISPLAY\\EXA0215\\5&1a2b3c4d&0&UID%d", 256 + n))
        .String("DeviceDesc", "@monitor.inf,%pnpmonitor.devicedesc%;Generic PnP Monitor")
        .String("Class", "Monitor");
}

// The SCSI device map: a few units among the 10,000 addresses the NT scan tries.
void AddScsi(RegFile* reg, LargeMachineCounts* counts) {
  struct Unit {
    int port, bus, target, lun;
    const char* type;
    const char* identifier;
  };
  const Unit kUnits[] = {{0, 0, 0, 0, "DiskPeripheral", "EXAMPLE HD250GB 01.0"},
                         {0, 0, 1, 0, "DiskPeripheral", "EXAMPLE HD500GB 02.1"},
                         {1, 0, 0, 0, "CdRomPeripheral", "EXAMPLE DVD-RW DRV1 1.02"},
                         {2, 0, 1, 0, "CdRomPeripheral", "EXAMPLE BD-ROM DRV2 2.00"},
                         {3, 0, 5, 1, "TapePeripheral", "EXAMPLE TAPE DAT72 A1"}};
  reg->Comment("The SCSI device map (a Windows NT volatile tree).");
  for (const Unit& unit : kUnits) {
    std::string port = std::string(kScsi) + Format("\\Scsi Port %d", unit.port);
    reg->Key(port).String("Driver", unit.port == 3 ? "exscsi" : "atapi");
    reg->Key(port + Format("\\Scsi Bus %d\\Initiator Id 255", unit.bus));
    reg->Key(port + Format("\\Scsi Bus %d", unit.bus) + Format("\\Target Id %d", unit.target) +
             Format("\\Logical Unit Id %d", unit.lun))
        .String("Identifier", unit.identifier)
        .String("Type", unit.type);
    ++counts->scsiUnits;
    if (std::string(unit.type) == "CdRomPeripheral") ++counts->cdromUnits;
  }
}

const char kVistaVersion[] =
    "[version]\n"
    "major = 6\nminor = 0\nbuild = 6001\nplatform = 2\ncsd = \"Service Pack 1\"\n"
    "servicePackMajor = 1\nservicePackMinor = 0\nsuiteMask = 0x100\nproductType = 1\n\n"
    "[kernel32]\nGetProductInfo = yes\nproductInfoType = 6\nGetNativeSystemInfo = yes\n"
    "GlobalMemoryStatusEx = yes\nGetDiskFreeSpaceExA = yes\n\n";
const char kXpVersion[] =
    "[version]\n"
    "major = 5\nminor = 1\nbuild = 2600\nplatform = 2\ncsd = \"Service Pack 3\"\n"
    "servicePackMajor = 3\nservicePackMinor = 0\nsuiteMask = 0x100\nproductType = 1\n\n"
    "[kernel32]\nGetProductInfo = no\nGetNativeSystemInfo = yes\n"
    "GlobalMemoryStatusEx = yes\nGetDiskFreeSpaceExA = yes\n\n";
const char kFacts[] =
    "[processor]\narchitecture = 0\nnativeArchitecture = 0\ntype = 586\ncount = 2\n\n"
    "[memory]\ntotalBytes = 3221225472\n\n"
    "[drive C:]\ntype = fixed\ntotalBytes = 250056704000\nfreeBytes = 107374182400\n\n"
    "[drive D:]\ntype = cdrom\nsizeReadable = no\n\n"
    "[drive E:]\ntype = cdrom\nsizeReadable = no\n\n"
    "[network]\nhostName = largepc\n\n"
    "[resolver]\nlargepc = 192.168.0.7\n\n"
    "[identity]\ncomputerName = LARGE-PC\nuserName = anna\n\n"
    "[printer]\nname = Office Laser\nport = LPT1:\n\n"
    "; The record file goes to the folder that C: maps to, which always exists.\n"
    "[files]\nmodulePath = C:\\sorvik\\sorvik.exe\ntempPath = C:\\\n\n"
    "[time]\nlocalTime = 2008-03-05 09:30:00\n\n"
    "[registry]\ndynData = no\n";

}  // namespace

bool WriteMachineIni(const std::string& folder, Generation generation, std::string* error) {
  std::ofstream ini(folder + "/machine.ini", std::ios::binary | std::ios::trunc);
  ini << "; Generated by make_large_machine: a long-lived "
      << (generation == Generation::kVista ? "Vista" : "XP")
      << " workstation with a large registry.\n"
      << (generation == Generation::kVista ? kVistaVersion : kXpVersion) << kFacts;
  ini.close();
  if (ini) return true;
  *error = folder + "/machine.ini: cannot be written";
  return false;
}

bool WriteLargeMachine(const std::string& folder, Generation generation,
                       const LargeMachineShape& shape, LargeMachineCounts* counts,
                       std::string* error) {
  std::error_code failed;
  std::filesystem::create_directories(folder, failed);
  if (failed) {
    *error = folder + ": " + failed.message();
    return false;
  }
  *counts = LargeMachineCounts();

  // Imported first into Wine: the prefix's own entries must not mix in.
  RegFile reset;
  reset.DeleteKey(kUninstall).DeleteKey(kPackages);
  RegFile identity;
  identity.Comment("What a Wine prefix holds, so both runs read the same identity.")
      .Key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion")
      .String("ProductId", "12345-oem-0000001-54321")
      .Key("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ProductOptions")
      .String("ProductType", "WinNT");
  RegFile uninstall, packages, services, scsi;
  AddUninstall(shape, &uninstall, counts);
  AddPackages(shape, &packages, counts);
  AddServices(shape, &services);
  AddScsi(&scsi, counts);

  return WriteMachineIni(folder, generation, error) &&
         reset.Save(folder + "/00-reset.reg", error) &&
         identity.Save(folder + "/10-identity.reg", error) &&
         uninstall.Save(folder + "/20-uninstall.reg", error) &&
         packages.Save(folder + "/30-packages.reg", error) &&
         services.Save(folder + "/40-services.reg", error) &&
         scsi.Save(folder + "/50-scsi.reg", error);
}

}  // namespace bench
