#include "software/sw_fetcher.h"

#include <cstring>

#include "common/capacities.h"
#include "common/registry.h"
#include "platform/files.h"
#include "platform/win32.h"
#include "software/record_file.h"
#include "software/record_line.h"

namespace {

const char kUninstallPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

}  // namespace

CSwFetcher::CSwFetcher() {}
CSwFetcher::~CSwFetcher() {}

bool CSwFetcher::GetSoftwareList(const char* filePath, bool removeDuplicates) {
  if (filePath == nullptr || filePath[0] == '\0') return false;
  FILE* file = OpenPathA(filePath, "w");
  if (file == nullptr) return false;
  int recordCount = WriteMachineUninstallRecords(file);
  recordCount += WritePackageRecords(file);
  recordCount += WriteUserUninstallRecords(file);
  return FinishList(file, recordCount, filePath, removeDuplicates);
}

int CSwFetcher::WritePackageRecords(FILE*) { return 0; }

bool CSwFetcher::FinishList(FILE* file, int recordCount, const char* filePath,
                            bool removeDuplicates) {
  // A list cut short by a failed write (a full disk) would report products that are not
  // there, or wrongly: no list then.
  bool written = std::ferror(file) == 0;
  if (std::fclose(file) != 0) written = false;
  if (recordCount == 0 || !written) return false;
  if (removeDuplicates) RemoveDuplicateLines(filePath);
  return true;
}

int CSwFetcher::WriteMachineUninstallRecords(FILE* file) {
  REGSAM views[kMaxRegistryViews];
  int viewCount = GetSoftwareViews(views);
  int recordCount = 0;
  for (int view = 0; view < viewCount; ++view)
    recordCount += WriteUninstallKey(file, HKEY_LOCAL_MACHINE, views[view]);
  return recordCount;
}

// Products installed for the current user only; the user's software key has one view.
int CSwFetcher::WriteUserUninstallRecords(FILE* file) {
  return WriteUninstallKey(file, HKEY_CURRENT_USER, 0);
}

int CSwFetcher::WriteUninstallKey(FILE* file, HKEY root, REGSAM view) {
  SubkeyWalk entries;
  if (!entries.Open(root, kUninstallPath, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view))
    return 0;

  int recordCount = 0;
  char value[kUninstallValueCapacity + 1];
  while (entries.NextChild(KEY_QUERY_VALUE | view)) {
    HKEY entry = entries.Child();
    if (!ReadValueText(entry, kRecordFields[kRecordName].uninstallValue, value)) continue;
    ++recordCount;

    DWORD systemComponent = 0;
    RecordLineWriter line(
        file, ReadValueDword(entry, "SystemComponent", &systemComponent) && systemComponent == 1);
    line.Field(kRecordName, value);
    for (int field = kRecordVersion; field < kRecordSize; ++field) {
      const char* valueName = kRecordFields[field].uninstallValue;
      line.Field(static_cast<RecordField>(field),
                 ReadValueText(entry, valueName, value) ? value : "");
    }

    // The size is a number of kilobytes, not a text.
    char size[kIntTextCapacity + 1];
    std::memset(size, 0, sizeof(size));
    DWORD estimatedSize = 0;
    if (ReadValueDword(entry, kRecordFields[kRecordSize].uninstallValue, &estimatedSize) &&
        estimatedSize != 0)
      wsprintfA(size, "%d", static_cast<int>(estimatedSize));
    line.Field(kRecordSize, size);
  }
  return recordCount;
}

// Keeps the first copy of every distinct line, in order of first appearance. The file is
// rewritten only after it was read to its end, so a failure to read it leaves it as the scan
// wrote it.
bool CSwFetcher::RemoveDuplicateLines(const char* filePath) {
  if (filePath == nullptr || filePath[0] == '\0') return false;
  FILE* file = OpenPathA(filePath, "r");
  if (file == nullptr) return false;

  DistinctLines lines;
  bool complete = true;
  {
    RecordLineReader reader(file);
    while (reader.Next()) {
      if (!lines.Add(reader.Line(), reader.Length())) {
        complete = false;
        break;
      }
    }
    if (reader.Failed()) complete = false;
  }
  std::fclose(file);
  if (!complete) return false;

  file = OpenPathA(filePath, "w");
  if (file == nullptr) return false;
  bool written = lines.WriteTo(file);
  if (std::fclose(file) != 0) written = false;
  if (!written) {
    // A rewrite cut short ends in a broken record: hand on no record rather than a wrong one.
    file = OpenPathA(filePath, "w");
    if (file != nullptr) std::fclose(file);
  }
  return written;
}
