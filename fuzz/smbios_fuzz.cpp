// ReadSmbiosIdentity on any bytes as the firmware table: reads stay inside the data (the
// sanitizer watches), every text is a trimmed piece of the data within its area, the UUID has
// its one form, and the same data cut shorter keeps each text or loses it, never changes it.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "sysid/smbios.h"

namespace {

typedef char (SmbiosIdentity::*Field)[kSystemTextCapacity + 1];
const Field kPieces[] = {&SmbiosIdentity::manufacturer, &SmbiosIdentity::model,
                         &SmbiosIdentity::serialNumber, &SmbiosIdentity::boardSerialNumber,
                         &SmbiosIdentity::assetTag,     &SmbiosIdentity::biosVendor,
                         &SmbiosIdentity::biosVersion,  &SmbiosIdentity::biosDate};
const Field kAll[] = {&SmbiosIdentity::manufacturer,      &SmbiosIdentity::model,
                      &SmbiosIdentity::serialNumber,      &SmbiosIdentity::uuid,
                      &SmbiosIdentity::boardSerialNumber, &SmbiosIdentity::chassisType,
                      &SmbiosIdentity::assetTag,          &SmbiosIdentity::biosVendor,
                      &SmbiosIdentity::biosVersion,       &SmbiosIdentity::biosDate};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsUuid(const std::string& text) {
  if (text.size() != 36) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    char c = text[i];
    if (dash ? c != '-' : !(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')))
      return false;
  }
  return text != "00000000-0000-0000-0000-000000000000" &&
         text != "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF";
}

// Reads from a copy of exactly `size` bytes, so that the sanitizer sees any byte past it.
bool Read(const uint8_t* data, size_t size, SmbiosIdentity* identity) {
  std::vector<BYTE> block(data, data + size);
  return ReadSmbiosIdentity(size ? block.data() : nullptr, static_cast<DWORD>(size), identity);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SmbiosIdentity whole;
  FUZZ_CHECK(Read(data, size, &whole) == (size >= 8));
  const std::string input(reinterpret_cast<const char*>(data), size);

  for (Field field : kAll) {
    const char* text = whole.*field;
    size_t length = strnlen(text, kSystemTextCapacity + 1);
    FUZZ_CHECK(length <= kSystemTextCapacity);
    FUZZ_CHECK(length == 0 || (!IsBlank(text[0]) && !IsBlank(text[length - 1])));
  }
  for (Field field : kPieces) FUZZ_CHECK(input.find(whole.*field) != std::string::npos);
  FUZZ_CHECK(whole.uuid[0] == '\0' || IsUuid(whole.uuid));

  if (size == 0) return 0;
  SmbiosIdentity cut;
  Read(data, size - 1, &cut);
  for (Field field : kAll)
    FUZZ_CHECK((cut.*field)[0] == '\0' || std::strcmp(cut.*field, whole.*field) == 0);
  return 0;
}
