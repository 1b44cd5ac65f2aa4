#include "sysid/system_info.h"

#include <cstring>
#include <new>

#include "common/capacities.h"
#include "common/late_bound.h"
#include "common/registry.h"
#include "common/text.h"
#include "platform/win32.h"

namespace {

// The provider 'RSMB' as GetSystemFirmwareTable takes it.
const DWORD kRawSmbiosProvider = ('R' << 24) | ('S' << 16) | ('M' << 8) | 'B';
// A 2.x table is at most 65535 bytes after its 8-byte header; a 3.x one may be larger but is
// never near this. A size beyond it is no table we want to allocate for.
const DWORD kSmbiosTableLimit = 1 << 20;

const char kSystemDescriptionKey[] = "HARDWARE\\DESCRIPTION\\System";

typedef char BiosValue[kBiosValueCapacity + 1];

// Owns the table's area for one reading.
class TableArea {
 public:
  explicit TableArea(DWORD size) : bytes_(new (std::nothrow) BYTE[size]) {
    if (bytes_ != nullptr) std::memset(bytes_, 0, size);
  }
  ~TableArea() { delete[] bytes_; }
  TableArea(const TableArea&) = delete;
  TableArea& operator=(const TableArea&) = delete;
  BYTE* Get() const { return bytes_; }

 private:
  BYTE* bytes_;
};

// Reads the SMBIOS table into `identity`; false when Windows lacks the function. A failing
// call, an absurd size or a size that changes between the two calls (the table was replaced
// meanwhile, and the second answer may be cut or larger than the area) give no identity.
bool ReadFirmwareIdentity(SmbiosIdentity* identity) {
  PGETSYSTEMFIRMWARETABLE getSystemFirmwareTable =
      LookUpKernelFunction<PGETSYSTEMFIRMWARETABLE>("GetSystemFirmwareTable");
  if (getSystemFirmwareTable == nullptr) return false;
  UINT size = getSystemFirmwareTable(kRawSmbiosProvider, 0, nullptr, 0);
  if (size == 0 || size > kSmbiosTableLimit) return true;
  TableArea table(size);
  if (table.Get() == nullptr) return true;
  if (getSystemFirmwareTable(kRawSmbiosProvider, 0, table.Get(), size) != size) return true;
  ReadSmbiosIdentity(table.Get(), size, identity);
  return true;
}

// Windows NT before the function keeps the BIOS's version (a list of strings, the first the
// firmware's own) and date in the registry; Windows 9x has neither.
void ReadRegistryBios(SmbiosIdentity* identity) {
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) return;

  KeyHolder key;
  if (!key.Open(HKEY_LOCAL_MACHINE, kSystemDescriptionKey, KEY_QUERY_VALUE)) return;
  BiosValue value;
  if (ReadValueText(key.Get(), "SystemBiosVersion", value))
    CopyTrimmed(identity->biosVersion, value);
  if (ReadValueText(key.Get(), "SystemBiosDate", value)) CopyTrimmed(identity->biosDate, value);
}

}  // namespace

CSystemInfo::CSystemInfo() : read_(false) { std::memset(&identity_, 0, sizeof(identity_)); }

CSystemInfo::~CSystemInfo() {}

const SmbiosIdentity& CSystemInfo::Identity() {
  if (!read_) {
    read_ = true;
    if (!ReadFirmwareIdentity(&identity_)) ReadRegistryBios(&identity_);
  }
  return identity_;
}

bool CSystemInfo::CopyText(const SystemText& text, char* output, int capacity) {
  BoundedCopy(output, text, capacity);
  return text[0] != '\0';
}

bool CSystemInfo::GetManufacturer(char* output, int capacity) {
  return CopyText(Identity().manufacturer, output, capacity);
}
bool CSystemInfo::GetModel(char* output, int capacity) {
  return CopyText(Identity().model, output, capacity);
}
bool CSystemInfo::GetSerialNumber(char* output, int capacity) {
  return CopyText(Identity().serialNumber, output, capacity);
}
bool CSystemInfo::GetUuid(char* output, int capacity) {
  return CopyText(Identity().uuid, output, capacity);
}
bool CSystemInfo::GetBoardSerialNumber(char* output, int capacity) {
  return CopyText(Identity().boardSerialNumber, output, capacity);
}
bool CSystemInfo::GetChassisType(char* output, int capacity) {
  return CopyText(Identity().chassisType, output, capacity);
}
bool CSystemInfo::GetAssetTag(char* output, int capacity) {
  return CopyText(Identity().assetTag, output, capacity);
}
bool CSystemInfo::GetBiosVendor(char* output, int capacity) {
  return CopyText(Identity().biosVendor, output, capacity);
}
bool CSystemInfo::GetBiosVersion(char* output, int capacity) {
  return CopyText(Identity().biosVersion, output, capacity);
}
bool CSystemInfo::GetBiosDate(char* output, int capacity) {
  return CopyText(Identity().biosDate, output, capacity);
}
