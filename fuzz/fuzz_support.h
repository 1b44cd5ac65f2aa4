// Shared pieces of the fuzz targets: the check that stops a run, a host folder behind the
// simulated C: drive, and checkers for the bytes of a report (UTF-8, line ends, XML).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/builder.h"
#include "platform/sim/codepage.h"

// Independent of NDEBUG: a broken invariant is a finding, reported like a crash.
#define FUZZ_CHECK(condition)                                                                \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (0)

namespace fuzz {

// The input as text: its bytes up to the first NUL.
inline std::string TextOf(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t end = text.find('\0');
  return end == std::string::npos ? text : text.substr(0, end);
}

// The host folder behind the simulated C: drive: one path per process, made for one input
// and removed with everything in it when that input is done (libFuzzer ends a run without
// running destructors of statics, so nothing may outlive an input).
class HostFolder {
 public:
  HostFolder() {
    std::error_code failed;
    std::filesystem::create_directories(Path(), failed);
    if (failed) {
      std::fprintf(stderr, "%s: %s\n", Path().c_str(), failed.message().c_str());
      std::abort();
    }
  }
  ~HostFolder() { Remove(""); }
  HostFolder(const HostFolder&) = delete;
  HostFolder& operator=(const HostFolder&) = delete;

  // In memory where the host offers it: every input writes and reads files, and on a disk
  // that would be the bulk of the time.
  static const std::string& Path() {
    static const std::string path = [] {
      const char* tmp = std::getenv("TMPDIR");
      std::string base = "/tmp";
      if (access("/dev/shm", W_OK) == 0) {
        base = "/dev/shm";
      } else if (tmp != nullptr && tmp[0] != '\0') {
        base = tmp;
      }
      return base + "/sorvik-fuzz-" + std::to_string(getpid());
    }();
    return path;
  }
  static std::string At(const std::string& relative) { return Path() + "/" + relative; }
  static std::string Read(const std::string& relative) {
    std::ifstream in(At(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void Write(const std::string& relative, const std::string& bytes) {
    std::ofstream(At(relative), std::ios::binary | std::ios::trunc) << bytes;
  }
  static bool Exists(const std::string& relative) {
    std::error_code ignored;
    return std::filesystem::exists(At(relative), ignored);
  }
  static void Remove(const std::string& relative) {
    std::error_code ignored;
    std::filesystem::remove_all(relative.empty() ? Path() : At(relative), ignored);
  }
};

// A machine whose C: drive is the host folder, installed for the scope.
class FuzzMachine {
 public:
  explicit FuzzMachine(UINT codePage = 1252) : machine_(new sim::Machine) {
    machine_->facts.driveFolders['C'] = HostFolder::Path();
    machine_->facts.ansiCodePage = codePage;
    sim::Install(machine_.get());
  }
  ~FuzzMachine() { sim::Install(nullptr); }
  FuzzMachine(const FuzzMachine&) = delete;
  FuzzMachine& operator=(const FuzzMachine&) = delete;
  sim::Machine& machine() { return *machine_; }

 private:
  HostFolder folder_;
  std::unique_ptr<sim::Machine> machine_;
};

inline UINT CodePageOf(uint8_t selector) { return (selector & 1) != 0 ? 1251 : 1252; }

// Characters that XML 1.0 does not allow anywhere in a document.
inline bool IsForbiddenInXml(uint32_t c) {
  if (c < 0x20) return c != 0x09 && c != 0x0A && c != 0x0D;
  return (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF || c > 0x10FFFF;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) into code points.
inline bool DecodeUtf8(const std::string& bytes, std::vector<uint32_t>* points) {
  points->clear();
  size_t i = 0;
  while (i < bytes.size()) {
    uint8_t lead = static_cast<uint8_t>(bytes[i]);
    int extra;
    uint32_t c;
    uint32_t lowest;
    if (lead < 0x80) {
      extra = 0, c = lead, lowest = 0;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, c = lead & 0x1F, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, c = lead & 0x0F, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, c = lead & 0x07, lowest = 0x10000;
    } else {
      return false;
    }
    if (bytes.size() - i <= static_cast<size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      uint8_t next = static_cast<uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < lowest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    points->push_back(c);
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

inline std::string EncodeUtf8(const std::vector<uint32_t>& points) {
  std::string out;
  for (uint32_t c : points) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// What the writer's encoder must make of UTF-16 units: pairs combined, lone surrogates and
// characters XML forbids replaced by U+FFFD, every line feed preceded by CR.
inline std::string Encoded(const std::vector<WCHAR>& units) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
    } else if (IsForbiddenInXml(c)) {
      c = 0xFFFD;
    }
    if (c == '\n') points.push_back('\r');
    points.push_back(c);
  }
  return EncodeUtf8(points);
}

// ANSI text in a modelled code page as UTF-16 units.
inline std::vector<WCHAR> Widened(const std::string& text, UINT codePage) {
  std::vector<WCHAR> units;
  for (char c : text) units.push_back(sim::AnsiToWide(codePage, static_cast<unsigned char>(c)));
  return units;
}

// The bytes that the writer puts in the file for ANSI text.
inline std::string Written(const std::string& text, UINT codePage) {
  return Encoded(Widened(text, codePage));
}

// What every report file must be: the byte-order mark, strict UTF-8, only characters that
// XML allows, and every line feed written as CR LF.
inline void CheckReportBytes(const std::string& bytes) {
  FUZZ_CHECK(bytes.compare(0, 3, "\xEF\xBB\xBF") == 0);
  std::vector<uint32_t> points;
  FUZZ_CHECK(DecodeUtf8(bytes.substr(3), &points));
  for (size_t i = 0; i < points.size(); ++i) {
    FUZZ_CHECK(!IsForbiddenInXml(points[i]));
    if (points[i] == '\n') FUZZ_CHECK(i > 0 && points[i - 1] == '\r');
  }
}

inline bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
}
inline bool IsNameChar(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}
inline bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Character data or an attribute value: no '<', and '&' only as a whole reference.
inline bool IsWellFormedText(const std::string& text) {
  static const char* const kEntities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') return false;
    if (text[i] != '&') continue;
    bool known = false;
    for (const char* entity : kEntities) {
      if (text.compare(i, std::char_traits<char>::length(entity), entity) == 0) known = true;
    }
    if (!known) return false;
  }
  return true;
}

// A small well-formedness check for the XML the report uses (after the byte-order mark): the
// declaration, then exactly one element, made of start, end and empty-element tags with
// double-quoted attributes, and character data. Returns an empty text or what is wrong.
inline std::string XmlProblem(const std::string& document) {
  const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
  if (document.compare(0, kDeclaration.size(), kDeclaration) != 0) return "no declaration";
  std::vector<std::string> open;
  int roots = 0;
  size_t i = kDeclaration.size();
  while (i < document.size()) {
    size_t tagStart = document.find('<', i);
    std::string text =
        document.substr(i, tagStart == std::string::npos ? std::string::npos : tagStart - i);
    if (!IsWellFormedText(text)) return "bad character data at " + std::to_string(i);
    if (open.empty()) {
      for (char c : text)
        if (!IsXmlSpace(c)) return "text outside the root element at " + std::to_string(i);
    }
    if (tagStart == std::string::npos) break;
    size_t p = tagStart + 1;
    bool closing = p < document.size() && document[p] == '/';
    if (closing) ++p;
    size_t nameStart = p;
    if (p >= document.size() || !IsNameStart(document[p]))
      return "bad tag name at " + std::to_string(p);
    while (p < document.size() && IsNameChar(document[p])) ++p;
    std::string name = document.substr(nameStart, p - nameStart);
    std::vector<std::string> attributes;
    bool empty = false;
    for (;;) {
      size_t spaceStart = p;
      while (p < document.size() && IsXmlSpace(document[p])) ++p;
      if (p >= document.size()) return "unterminated tag " + name;
      if (document[p] == '>') {
        ++p;
        break;
      }
      if (!closing && document.compare(p, 2, "/>") == 0) {
        empty = true;
        p += 2;
        break;
      }
      if (closing || p == spaceStart || !IsNameStart(document[p]))
        return "bad attribute in tag " + name;
      size_t attributeStart = p;
      while (p < document.size() && IsNameChar(document[p])) ++p;
      std::string attribute = document.substr(attributeStart, p - attributeStart);
      for (const std::string& seen : attributes)
        if (seen == attribute) return "repeated attribute " + attribute;
      attributes.push_back(attribute);
      if (document.compare(p, 2, "=\"") != 0) return "unquoted attribute " + attribute;
      p += 2;
      size_t valueEnd = document.find('"', p);
      if (valueEnd == std::string::npos) return "unterminated attribute " + attribute;
      if (!IsWellFormedText(document.substr(p, valueEnd - p))) return "bad attribute value";
      p = valueEnd + 1;
    }
    if (closing) {
      if (open.empty() || open.back() != name) return "mismatched end tag " + name;
      open.pop_back();
    } else {
      if (open.empty()) ++roots;
      if (roots > 1) return "second root element " + name;
      if (!empty) open.push_back(name);
    }
    i = p;
  }
  if (!open.empty()) return "unclosed element " + open.back();
  if (roots != 1) return "no root element";
  return std::string();
}

}  // namespace fuzz
