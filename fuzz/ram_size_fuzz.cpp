// NormalizeRamSize on any memory text: the answer is a whole number that fits the 80-byte
// area of the device section, the standard size within each range and the reported size plus
// one or two elsewhere; a text without a point leaves the area untouched.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/sections.h"
#include "fuzz/fuzz_support.h"

namespace {

const size_t kMemorySizeBytes = 80;

long Expected(const std::string& text) {
  static const struct {
    long low, high, size;
  } kStandardSizes[] = {
      {11, 21, 16},       {27, 37, 32},       {43, 53, 48},       {59, 69, 64},
      {123, 133, 128},    {246, 266, 256},    {502, 522, 512},    {758, 778, 768},
      {1014, 1034, 1024}, {2038, 2058, 2048}, {4086, 4106, 4096},
  };
  std::string whole = text.substr(0, text.find('.'));
  long value = std::strtol(whole.c_str(), nullptr, 10);
  for (const auto& range : kStandardSizes)
    if (value >= range.low && value <= range.high) return range.size;
  if (value > INT_MAX - 2) value = INT_MAX - 2;
  if (value < INT_MIN) value = INT_MIN;
  return value < 1024 ? value + 1 : value + 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text = fuzz::TextOf(data, size);
  fuzz::FuzzMachine installed;

  // Exactly the caller's areas, so that ASan sees a byte past either.
  std::vector<char> memoryText(text.begin(), text.end());
  memoryText.push_back('\0');
  std::vector<char> out(kMemorySizeBytes, 'x');

  bool normalized = NormalizeRamSize(out.data(), memoryText.data());
  bool hasPoint = text.find('.') != std::string::npos;
  FUZZ_CHECK(normalized == hasPoint);
  if (!normalized) {
    for (char c : out) FUZZ_CHECK(c == 'x');
    FUZZ_CHECK(std::string(memoryText.data()) == text);
    return 0;
  }
  FUZZ_CHECK(std::memchr(out.data(), '\0', out.size()) != nullptr);
  std::string answer(out.data());
  FUZZ_CHECK(!answer.empty() && answer.size() <= 11);
  errno = 0;
  char* end = nullptr;
  long number = std::strtol(answer.c_str(), &end, 10);
  FUZZ_CHECK(errno == 0 && *end == '\0');
  FUZZ_CHECK(number >= INT_MIN && number <= INT_MAX);
  FUZZ_CHECK(number == Expected(text));
  return 0;
}
