#include "software/sw_info.h"

#include <cstring>

#include "common/text.h"
#include "software/record_line.h"

namespace {

// Update numbers have had seven digits since 2010; the six-character rule predates them.
bool IsSevenDigitKb(const char* name) {
  if (std::strncmp(name, "KB", 2) != 0 || std::strlen(name) != 9) return false;
  for (const char* digit = name + 2; *digit != '\0'; ++digit)
    if (*digit < '0' || *digit > '9') return false;
  return true;
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

void SWInfo::TrimLineEnd(char* text) { TrimRecordLineEnd(text); }

void SWInfo::MakeUpper(char* text) {
  for (char* p = text; *p != '\0'; ++p)
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
}

int SWInfo::ParseLine(const char* line) {
  if (line == nullptr || line[0] == '\0') return 0;
  Clear();
  const RecordFieldArea fields[kRecordFieldCount] = {
      FieldArea(Name),      FieldArea(Version),           FieldArea(Publisher),
      FieldArea(Location),  FieldArea(RegisteredCompany), FieldArea(RegisteredOwner),
      FieldArea(ProductId), FieldArea(InstallDate),       FieldArea(Size)};
  SplitRecordLine(line, fields);
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
  BoundedCopy(name, WithoutSystemComponentMark(Name));
  BoundedCopy(publisher, Publisher);
  MakeUpper(name);
  MakeUpper(publisher);

  if (std::strstr(publisher, "MICROSOFT") == nullptr) return 0;
  const char* const updateWords[] = {"HOTFIX", "UPDATE", "(KB", "- KB", " KB"};
  for (const char* word : updateWords)
    if (std::strstr(name, word) != nullptr) return 1;
  if (std::strncmp(name, "KB", 2) == 0 && std::strlen(name) == 8) return 1;
  if (IsSevenDigitKb(name)) return 1;
  return 0;
}
