#include "platform/sim/smbios_table.h"

#include <cctype>
#include <vector>

namespace sim {

namespace {

// One structure under construction: its formatted area and its strings.
class Structure {
 public:
  Structure(BYTE type, BYTE length, WORD handle) : area_(length, '\0') {
    area_[0] = static_cast<char>(type);
    area_[1] = static_cast<char>(length);
    area_[2] = static_cast<char>(handle & 0xFF);
    area_[3] = static_cast<char>(handle >> 8);
  }
  // Adds `text` as the next string and puts its number at `offset`; an empty text is none.
  void SetString(size_t offset, const std::string& text) {
    if (text.empty()) return;
    strings_.push_back(text);
    area_[offset] = static_cast<char>(strings_.size());
  }
  void SetByte(size_t offset, BYTE value) { area_[offset] = static_cast<char>(value); }
  void SetBytes(size_t offset, const unsigned char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) area_[offset + i] = static_cast<char>(bytes[i]);
  }
  // The formatted area, each string terminated, then the closing zero (two with no strings).
  std::string Bytes() const {
    std::string bytes = area_;
    for (const std::string& text : strings_) bytes += text + '\0';
    if (strings_.empty()) bytes += '\0';
    return bytes + '\0';
  }

 private:
  std::string area_;
  std::vector<std::string> strings_;
};

bool AtLeast(const Smbios& smbios, BYTE major, BYTE minor) {
  return smbios.majorVersion > major ||
         (smbios.majorVersion == major && smbios.minorVersion >= minor);
}

std::string Bios(const Smbios& smbios) {
  Structure bios(0, AtLeast(smbios, 2, 4) ? 0x18 : 0x12, 0x0000);
  bios.SetString(4, smbios.biosVendor);
  bios.SetString(5, smbios.biosVersion);
  bios.SetByte(6, 0x00);  // starting segment 0xE800
  bios.SetByte(7, 0xE8);
  bios.SetString(8, smbios.biosDate);
  bios.SetByte(9, 0xFF);  // a 16 MB ROM
  return bios.Bytes();
}

// From 2.6 on the first three UUID fields are stored little-endian.
std::string System(const Smbios& smbios) {
  Structure system(1, AtLeast(smbios, 2, 4) ? 0x1B : 0x19, 0x0001);
  system.SetString(4, smbios.manufacturer);
  system.SetString(5, smbios.model);
  system.SetString(7, smbios.serial);
  unsigned char shown[16] = {};
  if (!smbios.uuid.empty()) ParseUuid(smbios.uuid, shown);
  unsigned char stored[16];
  static const int kLittleEndianOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  bool swapped = AtLeast(smbios, 2, 6);
  for (int i = 0; i < 16; ++i) stored[i] = shown[swapped ? kLittleEndianOrder[i] : i];
  system.SetBytes(8, stored, 16);
  system.SetByte(0x18, 0x06);  // woken by the power switch
  return system.Bytes();
}

std::string Board(const Smbios& smbios) {
  Structure board(2, 0x08, 0x0002);
  board.SetString(4, smbios.manufacturer);
  board.SetString(7, smbios.boardSerial);
  return board.Bytes();
}

std::string Chassis(const Smbios& smbios) {
  Structure chassis(3, AtLeast(smbios, 2, 3) ? 0x15 : 0x0D, 0x0003);
  chassis.SetString(4, smbios.manufacturer);
  chassis.SetByte(5, smbios.chassisType);
  chassis.SetString(8, smbios.assetTag);
  for (size_t state = 9; state <= 0x0B; ++state) chassis.SetByte(state, 0x03);  // safe
  return chassis.Bytes();
}

}  // namespace

bool ParseUuid(const std::string& text, unsigned char bytes[16]) {
  if (text.size() != 36) return false;
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash) {
      if (text[i] != '-') return false;
      continue;
    }
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    if (i + 1 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
      return false;
    bytes[count++] = static_cast<unsigned char>(std::stoi(text.substr(i, 2), nullptr, 16));
    ++i;
  }
  return count == 16;
}

std::string BuildSmbiosAnswer(const Smbios& smbios) {
  if (!smbios.raw.empty()) return smbios.raw;
  Structure end(127, 4, 0x0004);
  std::string table = Bios(smbios) + System(smbios) + Board(smbios) + Chassis(smbios) + end.Bytes();
  std::string header(8, '\0');
  header[1] = static_cast<char>(smbios.majorVersion);
  header[2] = static_cast<char>(smbios.minorVersion);
  for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<char>((table.size() >> (8 * i)) & 0xFF);
  return header + table;
}

}  // namespace sim
