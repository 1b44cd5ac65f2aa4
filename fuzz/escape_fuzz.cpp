// Value escaping and conversion: CXmlOut::EscapeText and CXmlOut::ToWide on any text, in
// both modelled code pages, with output areas of exactly the stated sizes.
//
// Input: one byte choosing the code page, two bytes giving the ToWide capacity, the text.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "report/xml_out.h"

namespace {

const int kTextCapacity = kReportTextCapacity;

const char* EntityFor(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '"':
      return "&quot;";
    case '\'':
      return "&apos;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    default:
      return nullptr;
  }
}

// Undoes the escaping; false when the text holds a markup character or a broken entity.
bool Unescape(const std::string& escaped, std::string* text) {
  text->clear();
  for (size_t i = 0; i < escaped.size();) {
    char c = escaped[i];
    if (c == '<' || c == '>' || c == '"' || c == '\'') return false;
    if (c != '&') {
      *text += c;
      ++i;
      continue;
    }
    bool known = false;
    for (char original : {'&', '"', '\'', '<', '>'}) {
      const char* entity = EntityFor(original);
      size_t length = std::strlen(entity);
      if (escaped.compare(i, length, entity) == 0) {
        *text += original;
        i += length;
        known = true;
        break;
      }
    }
    if (!known) return false;
  }
  return true;
}

void CheckEscape(const std::string& text) {
  // Exactly the area the writer hands over (capacity + terminator), so that ASan sees any
  // byte written past it.
  std::vector<char> output(kTextCapacity + 1, 'x');
  CXmlOut::EscapeText(text.c_str(), output.data());
  FUZZ_CHECK(output[kTextCapacity] == '\0');
  std::string escaped(output.data());
  FUZZ_CHECK(escaped.size() <= static_cast<size_t>(kTextCapacity));
  // The rest of the area stays zero-filled.
  for (size_t i = escaped.size(); i <= static_cast<size_t>(kTextCapacity); ++i)
    FUZZ_CHECK(output[i] == '\0');

  // Never an entity cut in half: the output is the escaped form of a whole prefix ...
  std::string prefix;
  FUZZ_CHECK(Unescape(escaped, &prefix));
  FUZZ_CHECK(text.compare(0, prefix.size(), prefix) == 0);
  // ... and the longest one that fits.
  if (prefix.size() < text.size()) {
    const char* entity = EntityFor(text[prefix.size()]);
    size_t next = entity != nullptr ? std::strlen(entity) : 1;
    FUZZ_CHECK(escaped.size() + next > static_cast<size_t>(kTextCapacity));
  }
}

void CheckToWide(const std::string& text, int capacity, UINT codePage) {
  // The caller's area: capacity units, zero-filled, and nothing more (the terminator unit
  // that callers add is left out, so a write past the capacity is caught).
  std::vector<WCHAR> wide(static_cast<size_t>(capacity), 0);
  bool converted = CXmlOut::ToWide(text.c_str(), wide.data(), capacity);
  bool fits = !text.empty() && text.size() <= static_cast<size_t>(capacity);
  FUZZ_CHECK(converted == fits);
  if (!converted) return;
  for (size_t i = 0; i < text.size(); ++i) {
    WCHAR expected = sim::AnsiToWide(codePage, static_cast<unsigned char>(text[i]));
    FUZZ_CHECK(wide[i] == expected);
    FUZZ_CHECK(wide[i] != 0);
  }
  for (size_t i = text.size(); i < wide.size(); ++i) FUZZ_CHECK(wide[i] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  UINT codePage = fuzz::CodePageOf(data[0]);
  int capacity = 1 + (data[1] | (data[2] << 8)) % (kTextCapacity + 16);
  std::string text = fuzz::TextOf(data + 3, size - 3);

  fuzz::FuzzMachine installed(codePage);
  CheckEscape(text);
  CheckToWide(text, capacity, codePage);
  CheckToWide(text, kTagCapacity, codePage);
  CheckToWide(text, kTextCapacity, codePage);
  return 0;
}
