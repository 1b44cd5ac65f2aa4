#include "report/xml_out.h"

#include <cstring>

#include "common/text.h"
#include "platform/files.h"

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
const unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
const unsigned long kReplacement = 0xFFFD;

// Characters that may not appear in an XML 1.0 document at all, not even as references.
bool IsForbiddenInXml(unsigned long c) {
  if (c < 0x20) return c != 0x09 && c != 0x0A && c != 0x0D;
  return c == 0xFFFE || c == 0xFFFF;
}

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

// Appends the UTF-8 form of one code point; returns the number of bytes written (at most 4).
int PutUtf8(unsigned long c, unsigned char* out) {
  if (c < 0x80) {
    out[0] = static_cast<unsigned char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
    out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
  out[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  return 4;
}

}  // namespace

CXmlOut::CXmlOut() : File(nullptr) {}

CXmlOut::~CXmlOut() { CloseFile(); }

bool CXmlOut::OpenFile(const char* path) {
  CloseFile();
  // Binary mode: the encoder below produces the exact bytes, line ends included.
  File = OpenPathA(path, "wb");
  if (File == nullptr) return false;
  if (std::fwrite(kByteOrderMark, 1, sizeof kByteOrderMark, File) != sizeof kByteOrderMark) {
    return false;
  }
  return WriteText(0, kDeclaration);
}

bool CXmlOut::WriteText(int level, const char* text) {
  WCHAR wide[kReportTextCapacity + 1];
  std::memset(wide, 0, sizeof wide);
  if (!ToWide(text, wide, kReportTextCapacity)) return false;
  if (File == nullptr) return false;
  if (!WriteTabs(level)) return false;
  return WriteWide(wide);
}

bool CXmlOut::WriteElement(int level, const char* name, const char* value) {
  if (File == nullptr || name == nullptr || name[0] == '\0') return false;
  if (!WriteTabs(level)) return false;

  char line[kReportTextCapacity + 1];
  WCHAR wide[kReportTextCapacity + 1];
  if (value == nullptr || value[0] == '\0') {
    if (!BoundedFormat(line, "<%s />\n", name)) return false;
    std::memset(wide, 0, sizeof wide);
    return ToWide(line, wide, kReportTextCapacity) && WriteWide(wide);
  }

  // The tag areas hold 80 units, which keeps element names to 76 characters.
  if (!BoundedFormat(line, "<%s>", name)) return false;
  std::memset(wide, 0, sizeof wide);
  if (!ToWide(line, wide, kTagCapacity) || !WriteWide(wide)) return false;

  EscapeText(value, line);
  std::memset(wide, 0, sizeof wide);
  if (!ToWide(line, wide, kReportTextCapacity) || !WriteWide(wide)) return false;

  if (!BoundedFormat(line, "</%s>\n", name)) return false;
  std::memset(wide, 0, sizeof wide);
  return ToWide(line, wide, kTagCapacity) && WriteWide(wide);
}

void CXmlOut::CloseFile() {
  if (File != nullptr) {
    std::fclose(File);
    File = nullptr;
  }
}

void CXmlOut::EscapeText(const char* text, char* output) {
  std::memset(output, 0, kReportTextCapacity + 1);
  int used = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    const char* entity = EntityFor(*p);
    int length = entity != nullptr ? static_cast<int>(std::strlen(entity)) : 1;
    // A value that does not fit ends before the first piece that does not fit whole, so an
    // entity is never cut in half.
    if (used + length > kReportTextCapacity) break;
    if (entity != nullptr) {
      std::memcpy(output + used, entity, static_cast<size_t>(length));
    } else {
      output[used] = *p;
    }
    used += length;
  }
}

bool CXmlOut::ToWide(const char* text, WCHAR* output, int capacity) {
  if (text == nullptr || text[0] == '\0' || capacity <= 0) return false;
  int length = static_cast<int>(std::strlen(text));
  return MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, output, capacity) > 0;
}

bool CXmlOut::WriteTabs(int level) {
  for (int i = 0; i < level; ++i) {
    if (std::fputc('\t', File) == EOF) return false;
  }
  return true;
}

// UTF-16 to UTF-8, LF to CR LF. Pairs of surrogates are combined; a lone surrogate and every
// character XML 1.0 forbids become U+FFFD, so the report always stays well-formed.
bool CXmlOut::WriteWide(const WCHAR* text) {
  if (File == nullptr) return false;
  unsigned char bytes[1024];
  size_t used = 0;
  for (const WCHAR* p = text; *p != 0; ++p) {
    unsigned long c = static_cast<unsigned long>(*p);
    if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned long>(p[1]) - 0xDC00);
      ++p;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    } else if (IsForbiddenInXml(c)) {
      c = kReplacement;
    }
    if (sizeof bytes - used < 4) {
      if (std::fwrite(bytes, 1, used, File) != used) return false;
      used = 0;
    }
    if (c == '\n') bytes[used++] = '\r';
    used += static_cast<size_t>(PutUtf8(c, bytes + used));
  }
  return std::fwrite(bytes, 1, used, File) == used;
}
