#include "software/sw_info.h"

#include <cstring>

#include "common/capacities.h"
#include "common/text.h"

namespace {

// A fresh working copy of a record line: its first 1024 characters, zero-filled behind.
void CopyLine(char* copy, const char* line) {
  std::memset(copy, 0, kRecordLineCapacity + 1);
  BoundedCopy(copy, line, kRecordLineCapacity);
}

}  // namespace

SWInfo::SWInfo() { Clear(); }
SWInfo::~SWInfo() {}

void SWInfo::Clear() {
  std::memset(Name, 0, sizeof(Name));
  std::memset(Version, 0, sizeof(Version));
  std::memset(Publisher, 0, sizeof(Publisher));
  std::memset(Location, 0, sizeof(Location));
  std::memset(RegisteredCompany, 0, sizeof(RegisteredCompany));
  std::memset(RegisteredOwner, 0, sizeof(RegisteredOwner));
  std::memset(ProductId, 0, sizeof(ProductId));
  std::memset(InstallDate, 0, sizeof(InstallDate));
  std::memset(Size, 0, sizeof(Size));
}

void SWInfo::TrimLineEnd(char* text) {
  size_t length = std::strlen(text);
  if (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) text[length - 1] = '\0';
}

void SWInfo::MakeUpper(char* text) {
  for (char* p = text; *p != '\0'; ++p)
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
}

int SWInfo::ParseLine(const char* line) {
  if (line == nullptr || line[0] == '\0') return 0;
  Clear();
  char copy[kRecordLineCapacity + 1];

  // Markers are found by their first occurrence anywhere in the line, so a marker text inside
  // a value moves the split; the line is still never rejected.
  CopyLine(copy, line);
  char* nameEnd = std::strstr(copy, "/1");
  if (nameEnd != nullptr) *nameEnd = '\0';
  BoundedCopy(Name, copy, static_cast<int>(sizeof(Name)) - 1);
  TrimLineEnd(Name);
  if (nameEnd == nullptr) return 1;

  const struct {
    const char* opening;
    const char* closing;
    char* field;
    int capacity;
  } middleFields[] = {
      {"/1", "/2", Version, static_cast<int>(sizeof(Version)) - 1},
      {"/2", "/3", Publisher, static_cast<int>(sizeof(Publisher)) - 1},
      {"/3", "/4", Location, static_cast<int>(sizeof(Location)) - 1},
      {"/4", "/5", RegisteredCompany, static_cast<int>(sizeof(RegisteredCompany)) - 1},
      {"/5", "/6", RegisteredOwner, static_cast<int>(sizeof(RegisteredOwner)) - 1},
      {"/6", "/7", ProductId, static_cast<int>(sizeof(ProductId)) - 1},
      {"/7", "/8", InstallDate, static_cast<int>(sizeof(InstallDate)) - 1},
  };
  for (const auto& middle : middleFields) {
    CopyLine(copy, line);
    char* opening = std::strstr(copy, middle.opening);
    char* closing = std::strstr(copy, middle.closing);
    if (opening == nullptr || closing == nullptr) continue;
    *closing = '\0';
    BoundedCopy(middle.field, opening + 2, middle.capacity);
    TrimLineEnd(middle.field);
  }

  CopyLine(copy, line);
  char* sizeStart = std::strstr(copy, "/8");
  if (sizeStart != nullptr) {
    BoundedCopy(Size, sizeStart + 2, static_cast<int>(sizeof(Size)) - 1);
    TrimLineEnd(Size);
  }
  return 1;
}

int SWInfo::GetField(int index, char* output) {
  // Numbered as the report has always asked for them, not in the order of the line.
  const char* const fields[] = {
      Name,      Version,     Location, RegisteredCompany, RegisteredOwner, ProductId,
      Publisher, InstallDate, Size};
  if (index < 0 || index > 8) return 0;
  const char* field = fields[index];
  if (field[0] == '\0') return 0;
  std::memcpy(output, field, std::strlen(field) + 1);
  return 1;
}

int SWInfo::IsUpdate() {
  if (std::strlen(Name) < 3) return 0;
  if (Publisher[0] == '\0') return 0;

  char name[sizeof(Name)];
  char publisher[sizeof(Publisher)];
  std::memset(name, 0, sizeof(name));
  std::memset(publisher, 0, sizeof(publisher));
  BoundedCopy(name, Name[0] == '+' ? Name + 1 : Name, static_cast<int>(sizeof(name)) - 1);
  BoundedCopy(publisher, Publisher, static_cast<int>(sizeof(publisher)) - 1);
  MakeUpper(name);
  MakeUpper(publisher);

  if (std::strstr(publisher, "MICROSOFT") == nullptr) return 0;
  const char* const updateWords[] = {"HOTFIX", "UPDATE", "(KB", "- KB", " KB"};
  for (const char* word : updateWords)
    if (std::strstr(name, word) != nullptr) return 1;
  if (std::strncmp(name, "KB", 2) == 0 && std::strlen(name) == 8) return 1;
  return 0;
}
