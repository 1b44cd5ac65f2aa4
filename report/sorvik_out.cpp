#include "report/sorvik_out.h"

#include <cstring>

#include "common/text.h"
#include "platform/files.h"
#include "sysid/pc_fetcher.h"

namespace {

const char kVersion[] = "3.1.0";
const char kRootStart[] = "<sorvik version=\"%s\" creationDateTime=\"%s\">\n";
const char kRootEnd[] = "</sorvik>\n";
const char kTempPrefix[] = "sorvik";

// Candidate 0 is "folder\base.xml"; candidate i > 0 is "folder\base(i+1).xml". False when
// the path would not fit the area.
bool FormatCandidate(char* area, int capacity, const char* folder, const char* base, int i) {
  char number[16];
  std::memset(number, 0, sizeof number);
  if (i > 0) wsprintfA(number, "(%d)", i + 1);
  std::memset(area, 0, static_cast<size_t>(capacity) + 1);
  return BoundedAppend(area, folder, capacity) && BoundedAppend(area, "\\", capacity) &&
         BoundedAppend(area, base, capacity) && BoundedAppend(area, number, capacity) &&
         BoundedAppend(area, ".xml", capacity);
}

bool FileExists(const char* path) {
  FILE* file = OpenPathA(path, "r");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace

CSorvikOut::CSorvikOut() : LineBuffer(), ReportPath(), tempFilePath_() {}

CSorvikOut::~CSorvikOut() { ReleaseTempFile(); }

bool CSorvikOut::OpenReport(CPcFetcher* identity, char* outArgument) {
  bool pathChosen = (outArgument == nullptr || outArgument[0] == '\0')
                        ? MakeDefaultPath(identity)
                        : MakeOutPath(identity, outArgument);
  if (!pathChosen) return false;
  if (!MakeTempFile()) return false;
  if (!OpenFile(ReportPath)) return false;

  char creationTime[kCreationTimeCapacity + 1];
  std::memset(creationTime, 0, sizeof creationTime);
  FormatCreationTime(creationTime);
  std::memset(LineBuffer, 0, sizeof LineBuffer);
  wsprintfA(LineBuffer, kRootStart, kVersion, creationTime);
  return WriteText(0, LineBuffer);
}

void CSorvikOut::CloseReport() {
  WriteText(0, kRootEnd);
  CloseFile();
  ReleaseTempFile();
}

bool CSorvikOut::GetExeFolder(char* output, int capacity) {
  char module[kFilePathCapacity + 1];
  std::memset(module, 0, sizeof module);
  DWORD length = GetModuleFileNameA(nullptr, module, kFilePathCapacity);
  // A result of the full size means the path was cut: refuse it rather than use a wrong folder.
  if (length == 0 || length >= static_cast<DWORD>(kFilePathCapacity)) return false;
  if (!PathRemoveFileSpecA(module)) return false;
  if (static_cast<int>(std::strlen(module)) > capacity) return false;
  BoundedCopy(output, module, capacity);
  return true;
}

bool CSorvikOut::MakeTempFilePath(char* output, int capacity) {
  char folder[kTempFolderCapacity + 1];
  std::memset(folder, 0, sizeof folder);
  DWORD length = GetTempPathA(kTempFolderCapacity, folder);
  if (length == 0 || length >= static_cast<DWORD>(kTempFolderCapacity)) return false;
  if (folder[length - 1] == '\\') folder[length - 1] = '\0';

  char file[kFilePathCapacity + 1];
  std::memset(file, 0, sizeof file);
  if (GetTempFileNameA(folder, kTempPrefix, 0, file) == 0) return false;
  if (static_cast<int>(std::strlen(file)) > capacity) {
    DeleteFileA(file);  // made, but its name can't be handed out
    return false;
  }
  BoundedCopy(output, file, capacity);
  return true;
}

bool CSorvikOut::MakeBaseName(CPcFetcher* identity, char* output, int capacity) {
  char name[kFilePathCapacity + 1];
  char value[kFilePathCapacity + 1];
  std::memset(name, 0, sizeof name);
  bool fits = true;

  std::memset(value, 0, sizeof value);
  if (identity->GetIp(value, kFilePathCapacity)) fits = BoundedAppend(name, value);
  std::memset(value, 0, sizeof value);
  if (fits && identity->GetPcName(value, kFilePathCapacity)) {
    fits = BoundedAppend(name, ";") && BoundedAppend(name, value);
  }
  std::memset(value, 0, sizeof value);
  if (fits && identity->GetUser(value, kFilePathCapacity)) {
    fits = BoundedAppend(name, ";") && BoundedAppend(name, value);
  }

  // A name that had to be cut would name the wrong computer: refuse it.
  if (!fits || name[0] == '\0') return false;
  if (static_cast<int>(std::strlen(name)) > capacity) return false;
  BoundedCopy(output, name, capacity);
  return true;
}

bool CSorvikOut::MakeDefaultPath(CPcFetcher* identity) {
  std::memset(ReportPath, 0, sizeof ReportPath);
  if (identity == nullptr) return false;
  char folder[kFilePathCapacity + 1];
  std::memset(folder, 0, sizeof folder);
  if (!GetExeFolder(folder, kFilePathCapacity)) return false;
  return FindFreeName(identity, folder);
}

bool CSorvikOut::MakeOutPath(CPcFetcher* identity, char* outArgument) {
  std::memset(ReportPath, 0, sizeof ReportPath);
  if (identity == nullptr) return false;
  size_t length = std::strlen(outArgument);
  if (std::strstr(outArgument, ".xml") != nullptr) {
    if (length > static_cast<size_t>(kFilePathCapacity)) return false;
    BoundedCopy(ReportPath, outArgument);
    return true;
  }
  if (length > 0 && outArgument[length - 1] == '\\') outArgument[length - 1] = '\0';
  return FindFreeName(identity, outArgument);
}

bool CSorvikOut::MakeTempFile() {
  ReleaseTempFile();
  return MakeTempFilePath(tempFilePath_, kFilePathCapacity);
}

void CSorvikOut::FormatCreationTime(char (&output)[kCreationTimeCapacity + 1]) {
  SYSTEMTIME now;
  std::memset(&now, 0, sizeof now);
  GetLocalTime(&now);
  wsprintfA(output, "%02d/%02d/%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay, now.wHour,
            now.wMinute, now.wSecond);
}

bool CSorvikOut::FindFreeName(CPcFetcher* identity, const char* folder) {
  char base[kFilePathCapacity + 1];
  char candidate[kFilePathCapacity + 1];
  for (int i = 0; i < kCandidateCount; ++i) {
    // The identity is asked anew for every candidate.
    std::memset(base, 0, sizeof base);
    if (!MakeBaseName(identity, base, kFilePathCapacity)) return false;
    if (!FormatCandidate(candidate, kFilePathCapacity, folder, base, i)) return false;
    if (FileExists(candidate)) continue;
    BoundedCopy(ReportPath, candidate);
    return true;
  }
  return false;
}

// Once deleted, the name is free again: another program may be given it, so it is never
// deleted a second time.
void CSorvikOut::ReleaseTempFile() {
  if (tempFilePath_[0] == '\0') return;
  DeleteFileA(tempFilePath_);
  std::memset(tempFilePath_, 0, sizeof tempFilePath_);
}
