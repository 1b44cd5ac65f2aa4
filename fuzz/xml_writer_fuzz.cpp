// CXmlOut on any text in code page 1252 or 1251, with areas of exactly the stated sizes:
// escaping and conversion, and one element, line or UTF-16 text written into a file on C:,
// which holds exactly the text's characters as the writer's contract gives them.
//
// Input: code page byte, level byte, mode byte, then the operation's text:
//   mode 1  EscapeText, and ToWide with a capacity from the level byte
//   mode 2  WriteText of the text
//   mode 3  the encoder itself on the text read as UTF-16LE units (any surrogates)
//   mode 0  WriteElement with a name of letters (length from the first text byte) and a value
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/sim/codepage.h"
#include "report/xml_out.h"

namespace {

class Writer : public CXmlOut {
 public:
  using CXmlOut::WriteWide;
};

std::string Escaped(const std::string& text) {
  std::vector<char> output(kReportTextCapacity + 1, 'x');
  CXmlOut::EscapeText(text.c_str(), output.data());
  std::string escaped(output.data());
  FUZZ_CHECK(escaped.size() <= kReportTextCapacity);
  FUZZ_CHECK(escaped.find_first_of("<>\"'") == std::string::npos);
  return escaped;
}

// One character escaped: itself, or for a markup character a reference ("&name;").
const std::string& EscapedCharacter(unsigned char c) {
  static std::vector<std::string> escapes;
  for (int byte = static_cast<int>(escapes.size()); byte < 256; ++byte) {
    std::string one(byte == 0 ? 0 : 1, static_cast<char>(byte));
    escapes.push_back(Escaped(one));
    const std::string& escaped = escapes.back();
    bool markup = byte != 0 && std::strchr("<>\"'&", byte) != nullptr;
    FUZZ_CHECK(markup ? escaped[0] == '&' && escaped.find_first_of("&;", 1) == escaped.size() - 1
                      : escaped == one);
  }
  return escapes[c];
}

// The escaped text is the longest prefix that fits, character by character: never a
// reference cut in half. ToWide fails exactly when the text does not fit.
void CheckEscapeAndConversion(const std::string& text, int capacity, UINT codePage) {
  std::string escaped = Escaped(text);
  size_t done = 0;
  for (unsigned char c : text) {
    const std::string& one = EscapedCharacter(c);
    if (done + one.size() > kReportTextCapacity) break;
    FUZZ_CHECK(escaped.compare(done, one.size(), one) == 0);
    done += one.size();
  }
  FUZZ_CHECK(done == escaped.size());
  std::vector<WCHAR> wide(static_cast<size_t>(capacity), 0);  // callers add the terminator
  bool converted = CXmlOut::ToWide(text.c_str(), wide.data(), capacity);
  FUZZ_CHECK(converted == (!text.empty() && text.size() <= static_cast<size_t>(capacity)));
  for (size_t i = 0; converted && i < text.size(); ++i)
    FUZZ_CHECK(wide[i] == sim::AnsiToWide(codePage, static_cast<unsigned char>(text[i])));
}

std::vector<WCHAR> Widened(const std::string& text, UINT codePage) {
  std::vector<WCHAR> units;
  for (char c : text) units.push_back(sim::AnsiToWide(codePage, static_cast<unsigned char>(c)));
  return units;
}

// The file's characters after the declaration line; checks the form of the whole file.
std::vector<uint32_t> Body(Writer& writer) {
  writer.CloseFile();
  std::string bytes = fuzz::HostFolder::Read("writer.xml");
  std::vector<uint32_t> points = fuzz::CheckReportBytes(bytes);
  std::string head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
  FUZZ_CHECK(bytes.compare(3, head.size(), head) == 0);
  return std::vector<uint32_t>(points.begin() + static_cast<long>(head.size()), points.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  UINT codePage = (data[0] & 1) != 0 ? 1251 : 1252;
  int level = static_cast<int8_t>(data[1]) % 6;
  std::string text = fuzz::TextOf(data + 3, size - 3);
  fuzz::FuzzMachine installed(codePage);
  Writer writer;
  FUZZ_CHECK(writer.OpenFile("C:\\writer.xml"));
  std::string tabs(level > 0 ? static_cast<size_t>(level) : 0, '\t');

  if (data[2] % 4 == 1) {
    CheckEscapeAndConversion(text, 1 + data[1] * 17, codePage);
  } else if (data[2] % 4 == 2) {
    bool fits = !text.empty() && text.size() <= kReportTextCapacity;
    FUZZ_CHECK(writer.WriteText(level, text.c_str()) == fits);
    FUZZ_CHECK(Body(writer) == fuzz::Written(Widened(fits ? tabs + text : "", codePage)));
  } else if (data[2] % 4 == 3) {
    std::vector<WCHAR> units;
    for (size_t i = 3; i + 1 < size && (data[i] | data[i + 1]) != 0; i += 2)
      units.push_back(static_cast<WCHAR>(data[i] | (data[i + 1] << 8)));
    std::vector<WCHAR> terminated(units);
    terminated.push_back(0);
    FUZZ_CHECK(writer.WriteWide(terminated.data()));
    FUZZ_CHECK(Body(writer) == fuzz::Written(units));
  } else {
    size_t length = text.empty() ? 0 : static_cast<uint8_t>(text[0]) % 100;
    std::string name, value = text.size() > length + 1 ? text.substr(length + 1) : "";
    for (size_t i = 1; i <= length; ++i)
      name += static_cast<char>('a' + (i < text.size() ? static_cast<uint8_t>(text[i]) : i) % 26);
    bool written = writer.WriteElement(level, name.c_str(), value.c_str());
    std::string line = value.empty() ? "<" + name + " />\n"
                                     : "<" + name + ">" + Escaped(value) + "</" + name + ">\n";
    FUZZ_CHECK(written == !name.empty() || name.size() > 20);
    std::vector<uint32_t> body = Body(writer);  // what a refused element began stays
    FUZZ_CHECK(!written || body == fuzz::Written(Widened(tabs + line, codePage)));
  }
  return 0;
}
