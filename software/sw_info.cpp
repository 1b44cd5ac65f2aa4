#include "software/sw_info.h"

#include <cstring>

#include "common/text.h"
#include "software/record_line.h"

namespace {

constexpr bool HoldsCapacity(size_t areaSize, RecordField field) {
  return areaSize == static_cast<size_t>(kRecordFields[field].capacity) + 1;
}
static_assert(HoldsCapacity(sizeof(SWInfo::Name), kRecordName) &&
                  HoldsCapacity(sizeof(SWInfo::Version), kRecordVersion) &&
                  HoldsCapacity(sizeof(SWInfo::Publisher), kRecordPublisher) &&
                  HoldsCapacity(sizeof(SWInfo::Location), kRecordLocation) &&
                  HoldsCapacity(sizeof(SWInfo::RegisteredCompany), kRecordRegisteredCompany) &&
                  HoldsCapacity(sizeof(SWInfo::RegisteredOwner), kRecordRegisteredOwner) &&
                  HoldsCapacity(sizeof(SWInfo::ProductId), kRecordProductId) &&
                  HoldsCapacity(sizeof(SWInfo::InstallDate), kRecordInstallDate) &&
                  HoldsCapacity(sizeof(SWInfo::Size), kRecordSize),
              "each field's area holds the capacity the record's table gives it");

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

void SWInfo::GetAreas(RecordFieldArea (&areas)[kRecordFieldCount]) {
  const RecordFieldArea lineOrder[kRecordFieldCount] = {
      FieldArea(Name),      FieldArea(Version),           FieldArea(Publisher),
      FieldArea(Location),  FieldArea(RegisteredCompany), FieldArea(RegisteredOwner),
      FieldArea(ProductId), FieldArea(InstallDate),       FieldArea(Size)};
  for (int field = 0; field < kRecordFieldCount; ++field) areas[field] = lineOrder[field];
}

void SWInfo::Clear() {
  RecordFieldArea areas[kRecordFieldCount];
  GetAreas(areas);
  for (const RecordFieldArea& area : areas) std::memset(area.text, 0, area.capacity + 1);
}

void SWInfo::MakeUpper(char* text) {
  for (char* p = text; *p != '\0'; ++p)
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
}

int SWInfo::ParseLine(const char* line) {
  if (line == nullptr || line[0] == '\0') return 0;
  Clear();
  RecordFieldArea areas[kRecordFieldCount];
  GetAreas(areas);
  SplitRecordLine(line, areas);
  return 1;
}

// Numbered as the report has always asked for them, not in the order of the line.
int SWInfo::GetField(int index, char* output) {
  RecordFieldArea areas[kRecordFieldCount];
  GetAreas(areas);
  for (int field = 0; field < kRecordFieldCount; ++field) {
    if (kRecordFields[field].number != index) continue;
    const char* text = areas[field].text;
    if (text[0] == '\0') return 0;
    std::memcpy(output, text, std::strlen(text) + 1);
    return 1;
  }
  return 0;
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
