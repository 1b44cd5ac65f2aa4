#include "sysid/smbios.h"

#include <cstring>

#include "common/text.h"

namespace {

// The RawSMBIOSData header before the structures: calling method, major, minor, DMI revision,
// then the table's length as a little-endian DWORD.
const DWORD kHeaderSize = 8;
const int kStructureHeaderSize = 4;  // type, length, handle
const BYTE kEndOfTable = 127;
const BYTE kChassisLockBit = 0x80;

const char* const kChassisWords[] = {
    "Other",
    "Unknown",
    "Desktop",
    "Low Profile Desktop",
    "Pizza Box",
    "Mini Tower",
    "Tower",
    "Portable",
    "Laptop",
    "Notebook",
    "Hand Held",
    "Docking Station",
    "All in One",
    "Sub Notebook",
    "Space-saving",
    "Lunch Box",
    "Main Server Chassis",
    "Expansion Chassis",
    "SubChassis",
    "Bus Expansion Chassis",
    "Peripheral Chassis",
    "RAID Chassis",
    "Rack Mount Chassis",
    "Sealed-case PC",
    "Multi-system chassis",
    "Compact PCI",
    "Advanced TCA",
    "Blade",
    "Blade Enclosure",
    "Tablet",
    "Convertible",
    "Detachable",
    "IoT Gateway",
    "Embedded PC",
    "Mini PC",
    "Stick PC",
};
const int kChassisWordCount = sizeof(kChassisWords) / sizeof(kChassisWords[0]);

// One structure whose bounds have been checked: the formatted area of `length` bytes (type and
// length included), then its strings, each terminated, up to `stringsEnd` (the first zero of the
// closing double zero).
struct Structure {
  const BYTE* start;
  BYTE length;
  const BYTE* strings;
  const BYTE* stringsEnd;
};

// Finds the structure at `cursor` and where the next one starts. False at a fault: a structure
// header or formatted area that does not fit, a length under the header, or strings without
// their closing double zero before `end`.
bool NextStructure(const BYTE* cursor, const BYTE* end, Structure* structure, const BYTE** next) {
  if (end - cursor < kStructureHeaderSize) return false;
  BYTE length = cursor[1];
  if (length < kStructureHeaderSize || end - cursor < length) return false;
  const BYTE* strings = cursor + length;
  for (const BYTE* scan = strings; end - scan >= 2; ++scan) {
    if (scan[0] == 0 && scan[1] == 0) {
      structure->start = cursor;
      structure->length = length;
      structure->strings = strings;
      structure->stringsEnd = scan;
      *next = scan + 2;
      return true;
    }
  }
  return false;
}

bool HasByte(const Structure& structure, int offset) { return offset < structure.length; }

// The string that the byte at `offset` names, or null: number 0, a field past the formatted
// area and a number past the structure's strings all mean none.
const char* StringAt(const Structure& structure, int offset) {
  if (!HasByte(structure, offset)) return nullptr;
  int number = structure.start[offset];
  if (number == 0) return nullptr;
  const BYTE* text = structure.strings;
  // With no strings at all, `stringsEnd` is where they would start and the loop never runs.
  for (int index = 1; text < structure.stringsEnd; ++index) {
    if (index == number) return reinterpret_cast<const char*>(text);
    while (*text != 0) ++text;
    ++text;
  }
  return nullptr;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void CopyString(SystemText& target, const Structure& structure, int offset) {
  CopyTrimmed(target, StringAt(structure, offset));
}

void AppendHex(char** cursor, BYTE value) {
  static const char kDigits[] = "0123456789ABCDEF";
  *(*cursor)++ = kDigits[value >> 4];
  *(*cursor)++ = kDigits[value & 0x0F];
}

// From version 2.6 the first three fields are stored little-endian; Windows shows them turned
// around, and so do we. Older tables show the bytes as stored.
void FormatUuid(SystemText& target, const BYTE* bytes, bool littleEndianFields) {
  static const int kStoredOrder[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  static const int kWindowsOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  bool allZero = true, allOnes = true;
  for (int i = 0; i < 16; ++i) {
    allZero = allZero && bytes[i] == 0x00;
    allOnes = allOnes && bytes[i] == 0xFF;
  }
  if (allZero || allOnes) return;

  const int* order = littleEndianFields ? kWindowsOrder : kStoredOrder;
  char* cursor = target;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) *cursor++ = '-';
    AppendHex(&cursor, bytes[order[i]]);
  }
}

void FormatChassis(SystemText& target, BYTE stored) {
  int type = stored & ~kChassisLockBit;
  if (type >= 1 && type <= kChassisWordCount)
    BoundedCopy(target, kChassisWords[type - 1]);
  else
    wsprintfA(target, "%d", type);
}

void ReadBios(const Structure& bios, SmbiosIdentity* identity) {
  CopyString(identity->biosVendor, bios, 4);
  CopyString(identity->biosVersion, bios, 5);
  CopyString(identity->biosDate, bios, 8);
}

void ReadSystem(const Structure& system, bool littleEndianUuid, SmbiosIdentity* identity) {
  CopyString(identity->manufacturer, system, 4);
  CopyString(identity->model, system, 5);
  CopyString(identity->serialNumber, system, 7);
  if (HasByte(system, 8 + 15)) FormatUuid(identity->uuid, system.start + 8, littleEndianUuid);
}

void ReadBoard(const Structure& board, SmbiosIdentity* identity) {
  CopyString(identity->boardSerialNumber, board, 7);
}

void ReadChassis(const Structure& chassis, SmbiosIdentity* identity) {
  if (HasByte(chassis, 5)) FormatChassis(identity->chassisType, chassis.start[5]);
  CopyString(identity->assetTag, chassis, 8);
}

}  // namespace

// Cut first, then trimmed again, so that a cut never leaves blanks at the end.
void CopyTrimmed(SystemText& target, const char* text) {
  if (text == nullptr) return;
  while (IsBlank(*text)) ++text;
  int length = 0;
  while (length < kSystemTextCapacity && text[length] != '\0') ++length;
  while (length > 0 && IsBlank(text[length - 1])) --length;
  std::memset(target, 0, sizeof(target));
  BoundedCopy(target, text, length);
}

bool ReadSmbiosIdentity(const BYTE* data, DWORD size, SmbiosIdentity* identity) {
  std::memset(identity, 0, sizeof(*identity));
  if (data == nullptr || size < kHeaderSize) return false;

  BYTE major = data[1], minor = data[2];
  bool littleEndianUuid = major > 2 || (major == 2 && minor >= 6);
  DWORD length = data[4] | (data[5] << 8) | (data[6] << 16) | (static_cast<DWORD>(data[7]) << 24);
  // A header that claims more than was given ends the table where the data ends.
  if (length > size - kHeaderSize) length = size - kHeaderSize;

  const BYTE* cursor = data + kHeaderSize;
  const BYTE* end = cursor + length;
  bool seen[4] = {false, false, false, false};  // types 0 to 3
  Structure structure;
  const BYTE* next = nullptr;
  while (NextStructure(cursor, end, &structure, &next)) {
    BYTE type = structure.start[0];
    if (type == kEndOfTable) break;
    if (type < 4 && !seen[type]) {
      seen[type] = true;
      if (type == 0) ReadBios(structure, identity);
      if (type == 1) ReadSystem(structure, littleEndianUuid, identity);
      if (type == 2) ReadBoard(structure, identity);
      if (type == 3) ReadChassis(structure, identity);
    }
    cursor = next;
  }
  return true;
}
