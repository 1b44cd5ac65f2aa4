// The UTF-8 writer: one element or line written through a CXmlOut into a host file on the
// simulated C: drive. Every file must be strict UTF-8 with a byte-order mark, only characters
// XML allows and CR LF for every line feed; an element must come out exactly as the value's
// escaped and converted form.
//
// Input: code page byte, level byte, mode byte, then the operation's text:
//   mode 0  WriteElement with a name of letters (length from the first text byte) and a value
//   mode 1  WriteElement with the raw name before the first 0x01 byte and the value after it
//   mode 2  WriteText of the text
//   mode 3  the encoder itself on the text read as UTF-16LE units (any surrogates)
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "report/xml_out.h"

namespace {

const char kReportName[] = "writer.xml";
const char kReportPath[] = "C:\\writer.xml";
const std::string kHead =
    std::string("\xEF\xBB\xBF") + "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

class Writer : public CXmlOut {
 public:
  using CXmlOut::WriteWide;
};

std::string Tabs(int level) {
  return level > 0 ? std::string(static_cast<size_t>(level), '\t') : "";
}

std::string Escaped(const std::string& value) {
  std::vector<char> output(kReportTextCapacity + 1);
  CXmlOut::EscapeText(value.c_str(), output.data());
  return output.data();
}

bool IsPlainName(const std::string& name) {
  if (name.empty() || !fuzz::IsNameStart(name[0])) return false;
  for (char c : name)
    if (!fuzz::IsNameChar(c)) return false;
  return true;
}

void CheckElement(Writer& writer, int level, const std::string& name, const std::string& value,
                  UINT codePage) {
  bool written = writer.WriteElement(level, name.c_str(), value.c_str());
  writer.CloseFile();
  std::string bytes = fuzz::HostFolder::Read(kReportName);
  fuzz::CheckReportBytes(bytes);
  FUZZ_CHECK(bytes.compare(0, kHead.size(), kHead) == 0);
  std::string body = bytes.substr(kHead.size());

  // Names are written as they are; the tags hold 80 units, so 76 characters at most.
  if (name.empty()) {
    FUZZ_CHECK(!written && body.empty());
    return;
  }
  if (value.empty()) {
    // The line is formatted with wsprintfA, which writes 1024 bytes at most.
    FUZZ_CHECK(written == (name.size() + 5 <= 1023));
  } else {
    FUZZ_CHECK(written == (name.size() <= 76));
  }
  if (!written) return;

  std::string expected = Tabs(level);
  if (value.empty()) {
    expected += fuzz::Written("<" + name + " />\n", codePage);
  } else {
    expected += fuzz::Written("<" + name + ">", codePage);
    expected += fuzz::Written(Escaped(value), codePage);
    expected += fuzz::Written("</" + name + ">\n", codePage);
  }
  FUZZ_CHECK(body == expected);
  if (IsPlainName(name)) {
    std::string problem = fuzz::XmlProblem(bytes.substr(3));
    if (!problem.empty()) std::fprintf(stderr, "%s\n", problem.c_str());
    FUZZ_CHECK(problem.empty());
  }
}

void CheckText(Writer& writer, int level, const std::string& text, UINT codePage) {
  bool written = writer.WriteText(level, text.c_str());
  writer.CloseFile();
  std::string bytes = fuzz::HostFolder::Read(kReportName);
  fuzz::CheckReportBytes(bytes);
  std::string body = bytes.substr(kHead.size());
  bool fits = !text.empty() && text.size() <= kReportTextCapacity;
  FUZZ_CHECK(written == fits);
  FUZZ_CHECK(body == (fits ? Tabs(level) + fuzz::Written(text, codePage) : ""));
}

void CheckWide(Writer& writer, const uint8_t* data, size_t size) {
  std::vector<WCHAR> units;
  for (size_t i = 0; i + 1 < size; i += 2) {
    WCHAR unit = static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  std::vector<WCHAR> terminated(units);
  terminated.push_back(0);
  bool written = writer.WriteWide(terminated.data());
  writer.CloseFile();
  std::string bytes = fuzz::HostFolder::Read(kReportName);
  fuzz::CheckReportBytes(bytes);
  FUZZ_CHECK(written);
  FUZZ_CHECK(bytes.substr(kHead.size()) == fuzz::Encoded(units));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  UINT codePage = fuzz::CodePageOf(data[0]);
  int level = static_cast<int8_t>(data[1]) % 6;
  int mode = data[2] % 4;
  data += 3;
  size -= 3;

  fuzz::FuzzMachine installed(codePage);
  Writer writer;
  FUZZ_CHECK(writer.OpenFile(kReportPath));
  std::string text = fuzz::TextOf(data, size);
  switch (mode) {
    case 0: {
      size_t length = text.empty() ? 0 : static_cast<uint8_t>(text[0]) % 100;
      std::string name;
      for (size_t i = 1; i <= length; ++i)
        name += static_cast<char>('a' + (i < text.size() ? static_cast<uint8_t>(text[i]) : i) % 26);
      CheckElement(writer, level, name, text.size() > length + 1 ? text.substr(length + 1) : "",
                   codePage);
      break;
    }
    case 1: {
      size_t split = text.find('\x01');
      CheckElement(writer, level, text.substr(0, split),
                   split == std::string::npos ? "" : text.substr(split + 1), codePage);
      break;
    }
    case 2:
      CheckText(writer, level, text, codePage);
      break;
    default:
      CheckWide(writer, data, size);
      break;
  }
  return 0;
}
