#include "software/sw_fetcher_vista.h"

#include <cstring>

#include "common/capacities.h"
#include "common/registry.h"
#include "common/text.h"
#include "platform/win32.h"
#include "software/record_line.h"

namespace {

const char kPackagesPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based Servicing\\Packages";

// The registry holds 0x70 for an installed package and 0x80 for a permanent one; 7 is the
// servicing API's "installed", kept for whatever reports it that way.
const DWORD kStateInstalled = 0x70;
const DWORD kStatePermanent = 0x80;
const DWORD kStateInstalledApi = 7;
const DWORD kVisible = 1;

bool IsInstalledState(DWORD state) {
  return state == kStateInstalled || state == kStatePermanent || state == kStateInstalledApi;
}

// Only what the update agent installed and what is installed and shown counts.
bool IsListedPackage(HKEY package) {
  char client[kPackageValueCapacity + 1];
  if (!ReadValueText(package, "InstallClient", client) ||
      !SameTextIgnoringCase(client, "windowsupdateagent"))
    return false;
  DWORD state = 0;
  if (!ReadValueDword(package, "CurrentState", &state) || !IsInstalledState(state)) return false;
  DWORD visibility = 0;
  return ReadValueDword(package, "Visibility", &visibility) && visibility == kVisible;
}

// The install time is a file time in UTC; the record carries its UTC date, or nothing when
// the time is missing or does not convert.
void FormatInstallDate(HKEY package, char (&digits)[kInstallDateTextCapacity + 1]) {
  std::memset(digits, 0, sizeof(digits));
  FILETIME installTime;
  std::memset(&installTime, 0, sizeof(installTime));
  if (!ReadValueDword(package, "InstallTimeHigh", &installTime.dwHighDateTime) ||
      !ReadValueDword(package, "InstallTimeLow", &installTime.dwLowDateTime))
    return;
  SYSTEMTIME date;
  std::memset(&date, 0, sizeof(date));
  if (!FileTimeToSystemTime(&installTime, &date)) return;
  wsprintfA(digits, "%04d%02d%02d", static_cast<int>(date.wYear), static_cast<int>(date.wMonth),
            static_cast<int>(date.wDay));
}

}  // namespace

CSwFetcherVista::CSwFetcherVista() {}
CSwFetcherVista::~CSwFetcherVista() {}

// The servicing store is in the 64-bit view only, on 64-bit Windows.
int CSwFetcherVista::WritePackageRecords(FILE* file) {
  REGSAM views[kMaxRegistryViews];
  GetSoftwareViews(views);
  REGSAM view = views[0];
  SubkeyWalk packages;
  if (!packages.Open(HKEY_LOCAL_MACHINE, kPackagesPath,
                     KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view))
    return 0;

  int recordCount = 0;
  char name[kPackageValueCapacity + 1];
  while (packages.NextChild(KEY_QUERY_VALUE | view)) {
    if (!IsListedPackage(packages.Child())) continue;
    std::memset(name, 0, sizeof(name));
    if (!GetPackageDisplayName(packages.Name(), name, kPackageValueCapacity)) continue;
    ++recordCount;
    WritePackageRecord(file, packages.Child(), packages.Name(), name);
  }
  return recordCount;
}

// Every servicing package is the system maker's; the store keeps no company, owner, product
// id or size for it.
void CSwFetcherVista::WritePackageRecord(FILE* file, HKEY package, const char* keyName,
                                         const char* displayName) {
  RecordLineWriter line(file, false);
  line.Field(kRecordName, displayName);
  char text[kPackageValueCapacity + 1];
  std::memset(text, 0, sizeof(text));
  line.Field(kRecordVersion, GetPackageVersion(keyName, text, kPackageValueCapacity) ? text : "");
  line.Field(kRecordPublisher, "Microsoft Corporation");
  line.Field(kRecordLocation, ReadValueText(package, "InstallLocation", text) ? text : "");
  char date[kInstallDateTextCapacity + 1];
  FormatInstallDate(package, date);
  line.Field(kRecordInstallDate, date);
  line.Finish();
}

// The package name of a key such as Package_for_KB100001~0a1b~x86~~6.0.1.0: the text
// between the first "_for_" and the next "~".
bool CSwFetcherVista::GetPackageDisplayName(const char* keyName, char* output, int capacity) {
  if (keyName == nullptr || keyName[0] == '\0') return false;
  KeyName copy;
  std::memset(copy, 0, sizeof(copy));
  BoundedCopy(copy, keyName);

  char* forText = std::strstr(copy, "_for_");
  if (forText == nullptr) return false;
  char* start = forText + 5;
  char* tilde = std::strchr(start, '~');
  if (tilde == nullptr || tilde == start) return false;
  *tilde = '\0';
  BoundedCopy(output, start, capacity);
  return true;
}

// The version of a package key: the text after its last "~" (empty when it ends in one).
bool CSwFetcherVista::GetPackageVersion(const char* keyName, char* output, int capacity) {
  if (keyName == nullptr || keyName[0] == '\0') return false;
  const char* tilde = std::strrchr(keyName, '~');
  if (tilde == nullptr || tilde == keyName) return false;
  BoundedCopy(output, tilde + 1, capacity);
  return true;
}
