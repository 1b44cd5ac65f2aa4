// The parser of registry files; the format is described in platform/sim/profile.h.
#include "platform/regfile/regfile.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace regfile {

namespace {

const char kVersion4[] = "REGEDIT4";
const char kVersion5[] = "Windows Registry Editor Version 5.00";

std::string TrimRight(const std::string& text) {
  size_t last = text.find_last_not_of(" \t");
  return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string TrimLeft(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads 1 to `maxDigits` hex digits making up all of `text`.
bool ParseHex(const std::string& text, size_t maxDigits, uint32_t* number) {
  if (text.empty() || text.size() > maxDigits) return false;
  uint32_t value = 0;
  for (char c : text) {
    if (HexDigit(c) < 0) return false;
    value = value * 16 + static_cast<uint32_t>(HexDigit(c));
  }
  *number = value;
  return true;
}

// A file is parsed as UTF-8, each UTF-16 unit encoded on its own (a lone surrogate too), so
// that no character beyond ASCII can pass for the file's syntax, as its best fit in the code
// page could (U+FF02 is '"'), nor can a trail byte. Names and text reach the code page once
// parsed: regedit stores them in UTF-16 and the ANSI functions convert them.
std::string UnitsToUtf8(const std::u16string& units) {
  std::string text;
  for (char16_t unit : units) {
    if (unit < 0x80) {
      text += static_cast<char>(unit);
    } else if (unit < 0x800) {
      text += static_cast<char>(0xC0 | (unit >> 6));
      text += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      text += static_cast<char>(0xE0 | (unit >> 12));
      text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return text;
}

std::u16string Utf8ToUnits(const std::string& text) {
  std::u16string units;
  for (size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i++]);
    int more = lead < 0x80 ? 0 : (lead < 0xE0 ? 1 : 2);
    unsigned unit = more == 0 ? lead : lead & (more == 1 ? 0x1F : 0x0F);
    for (; more > 0 && i < text.size(); --more) unit = (unit << 6) | (text[i++] & 0x3F);
    units += static_cast<char16_t>(unit);
  }
  return units;
}

// The file's text as UTF-8: a UTF-16LE file (with its mark) unit by unit, any other from the
// code page, as regedit reads it, so that a trail byte 0x5C is no backslash.
bool DecodeText(const std::string& bytes, const CodePage& codePage, std::string* text,
                std::string* what) {
  if (bytes.compare(0, 2, "\xFE\xFF") == 0)
    return *what = "UTF-16 big-endian is not supported", false;
  if (bytes.compare(0, 2, "\xFF\xFE") != 0) {
    *text = UnitsToUtf8(codePage.ToWide(bytes));
    return true;
  }
  if (bytes.size() % 2 != 0) return *what = "a UTF-16 file of an odd number of bytes", false;
  std::u16string wide;
  for (size_t i = 2; i < bytes.size(); i += 2)
    wide += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                  (static_cast<uint8_t>(bytes[i + 1]) << 8));
  *text = UnitsToUtf8(wide);
  return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool EqualNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return i == a.size() && b[i] == '\0';
}

bool ParseRoot(const std::string& name, Root* root) {
  if (EqualNoCase(name, "HKEY_LOCAL_MACHINE") || EqualNoCase(name, "HKLM")) {
    *root = Root::kLocalMachine;
  } else if (EqualNoCase(name, "HKEY_CURRENT_USER") || EqualNoCase(name, "HKCU")) {
    *root = Root::kCurrentUser;
  } else if (EqualNoCase(name, "HKEY_DYN_DATA")) {
    *root = Root::kDynData;
  } else {
    return false;
  }
  return true;
}

const char kUnclosed[] = "a quoted text without its closing quote";

// Reads a quoted text starting at text[*at] == '"' with the escapes \\ and \"; *at ends
// after the closing quote. Without one, `what` is kUnclosed.
bool ParseQuoted(const std::string& text, size_t* at, std::string* value, std::string* what) {
  value->clear();
  for (size_t i = *at + 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      *at = i + 1;
      return true;
    }
    if (text[i] == '\\') {
      if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"'))
        return *what = "unknown escape in a quoted text (only \\\\ and \\\" are known)", false;
      ++i;
    }
    *value += text[i];
  }
  return *what = kUnclosed, false;
}

// One file's parse: the lines, where we are in them, and the key that values go to.
class Parser {
 public:
  Parser(const std::string& fileName, const CodePage& codePage, std::vector<Operation>* operations)
      : fileName_(fileName), codePage_(codePage), operations_(*operations) {}

  bool Run(const std::string& bytes, std::string* error) {
    std::string text, what;
    if (!DecodeText(bytes, codePage_, &text, &what)) return Fail(0, what, error);
    lines_ = SplitLines(text);
    std::string header = TrimRight(lines_[0]);
    version5_ = header == kVersion5;
    if (header != kVersion4 && !version5_)
      return Fail(1, "expected the header REGEDIT4 or " + std::string(kVersion5), error);
    for (line_ = 1; line_ < lines_.size(); ++line_) {
      std::string line = TrimLeft(lines_[line_]);
      if (line.empty() || line[0] == ';') continue;
      bool good = line[0] == '[' ? KeyLine(line, &what) : ValueLine(line, &what);
      if (!good) return Fail(line_ + 1, what, error);
    }
    return true;
  }

 private:
  bool Fail(size_t number, const std::string& what, std::string* error) {
    *error = fileName_ + (number > 0 ? ":" + std::to_string(number) : std::string()) + ": " + what;
    return false;
  }

  bool KeyLine(const std::string& line, std::string* what) {
    size_t close = line.rfind(']');
    if (close == std::string::npos) return *what = "a key line without its closing ']'", false;
    if (!TrimRight(line.substr(close + 1)).empty()) return *what = "text after ']'", false;
    std::string full = line.substr(1, close - 1);
    bool remove = !full.empty() && full[0] == '-';
    if (remove) full = full.substr(1);
    size_t slash = full.find('\\');
    std::string rootName = full.substr(0, slash);
    std::string path = slash == std::string::npos ? std::string() : full.substr(slash + 1);
    if (!ParseRoot(rootName, &root_))
      return *what = "unknown root key '" + rootName +
                     "' (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_DYN_DATA)",
             false;
    if (slash != std::string::npos && (path.empty() || path.back() == '\\' || path[0] == '\\' ||
                                       path.find("\\\\") != std::string::npos))
      return *what = "an empty key name in '" + full + "'", false;
    std::string ansi = Ansi(path);
    if (Backslashes(ansi) != std::count(path.begin(), path.end(), '\\'))
      return *what = "a key name in '" + full + "' has a character that code page " +
                     std::to_string(codePage_.Number()) + " writes as '\\'",
             false;
    path = ansi;
    path_ = path;
    haveKey_ = true;
    deleted_ = remove;
    if (remove) {
      if (path.empty()) return *what = "a root key cannot be deleted", false;
      Add(Action::kDeleteKey);  // a key that is not there is no error, as regedit
    } else {
      Add(Action::kCreateKey);
    }
    return true;
  }

  bool ValueLine(const std::string& line, std::string* what) {
    std::string name;
    size_t at = 0;
    if (line[0] == '@') {
      at = 1;
    } else if (line[0] == '"') {
      if (!ParseQuoted(line, &at, &name, what)) return false;
    } else {
      return *what = "expected a [key], a \"name\"=value, @=value or a ; comment", false;
    }
    at = line.find_first_not_of(" \t", at);
    if (at == std::string::npos || line[at] != '=')
      return *what = "expected '=' after the name", false;
    if (!haveKey_) return *what = "a value before any [key]", false;
    if (deleted_) return *what = "a value under a deleted [-key]", false;
    std::string data = TrimLeft(line.substr(at + 1));
    return Data(Ansi(name), data, what);
  }

  bool Data(const std::string& name, std::string data, std::string* what) {
    if (TrimRight(data) == "-") {
      Add(Action::kDeleteValue, name);
      return true;
    }
    size_t first = line_;
    if (!data.empty() && data[0] == '"') {
      std::string text;
      size_t at = 0;
      // Older regedit versions write a text's line breaks as they are: the text goes on over
      // the next lines, and the value holds CR LF where the file breaks it.
      std::string joined = data;
      while (!ParseQuoted(joined, &at, &text, what)) {
        if (*what != kUnclosed || line_ + 1 >= lines_.size()) {
          line_ = first;
          return false;
        }
        joined += "\r\n" + lines_[++line_];
      }
      data = joined;
      if (!TrimRight(data.substr(at)).empty()) return *what = "text after the closing quote", false;
      Add(Action::kSetValue, name, kString, Ansi(text) + '\0', first);
      return true;
    }
    if (data.compare(0, 6, "dword:") == 0) {
      uint32_t number = 0;
      if (!ParseHex(TrimRight(data.substr(6)), 8, &number))
        return *what = "dword: needs 1 to 8 hex digits", false;
      std::string bytes;
      for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(number >> shift);
      Add(Action::kSetValue, name, kDword, bytes, first);
      return true;
    }
    uint32_t type = kBinary;
    size_t colon = data.find(':');
    std::string kind = data.substr(0, colon);
    if (kind.compare(0, 4, "hex(") == 0 && kind.back() == ')') {
      if (!ParseHex(kind.substr(4, kind.size() - 5), 8, &type))
        return *what = "'" + kind + "' needs a hex type number", false;
    } else if (kind != "hex" || colon == std::string::npos) {
      return *what = "unknown value data '" + TrimRight(data) +
                     "' (expected \"text\", dword:, hex:, hex(N): or -)",
             false;
    }
    std::string bytes;
    if (!HexBytes(data.substr(colon + 1), &bytes, what)) return false;
    if (version5_ && (type == kString || type == kExpandString || type == kMultiString) &&
        !WideToAnsiBytes(&bytes, what))
      return false;
    Add(Action::kSetValue, name, type, bytes, first);
    return true;
  }

  // Comma-separated bytes, continued on the next line after a final backslash. Errors name
  // the line they are on.
  bool HexBytes(std::string chunk, std::string* bytes, std::string* what) {
    for (;;) {
      chunk = TrimRight(chunk);
      bool continues = !chunk.empty() && chunk.back() == '\\';
      if (continues) chunk.pop_back();
      std::vector<std::string> tokens;
      size_t start = 0;
      while (start <= chunk.size()) {
        size_t comma = chunk.find(',', start);
        if (comma == std::string::npos) comma = chunk.size();
        tokens.push_back(TrimRight(TrimLeft(chunk.substr(start, comma - start))));
        start = comma + 1;
      }
      while (!tokens.empty() && tokens.back().empty()) tokens.pop_back();  // "01,02,\"
      for (const std::string& token : tokens) {
        uint32_t byte = 0;
        if (!ParseHex(token, 2, &byte))
          return *what = "'" + token + "' is not a hex byte (00 to ff)", false;
        *bytes += static_cast<char>(byte);
      }
      if (!continues) return true;
      if (line_ + 1 >= lines_.size())
        return *what = "a '\\' continues past the end of the file", false;
      chunk = TrimLeft(lines_[++line_]);
    }
  }

  // Version 5 keeps text data as UTF-16LE; the ANSI functions see it in the code page.
  bool WideToAnsiBytes(std::string* bytes, std::string* what) {
    if (bytes->size() % 2 != 0) return *what = "UTF-16 text data of an odd number of bytes", false;
    std::u16string wide;
    for (size_t i = 0; i < bytes->size(); i += 2)
      wide += static_cast<char16_t>(static_cast<uint8_t>((*bytes)[i]) |
                                    (static_cast<uint8_t>((*bytes)[i + 1]) << 8));
    *bytes = codePage_.ToAnsi(wide);
    return true;
  }

  // A name or text of the file as the ANSI functions see it.
  std::string Ansi(const std::string& text) const { return codePage_.ToAnsi(Utf8ToUnits(text)); }

  // The backslashes of an ANSI text, not counting trail bytes 0x5C.
  long Backslashes(const std::string& ansi) const {
    std::u16string wide = codePage_.ToWide(ansi);
    return std::count(wide.begin(), wide.end(), u'\\');
  }

  void Add(Action action, const std::string& name = std::string(), uint32_t type = kBinary,
           const std::string& data = std::string(), size_t line = 0) {
    Operation operation;
    operation.action = action;
    operation.root = root_;
    operation.path = path_;
    operation.name = name;
    operation.type = type;
    operation.data = data;
    operation.line = (action == Action::kSetValue ? line : line_) + 1;
    operations_.push_back(operation);
  }

  std::string fileName_;
  const CodePage& codePage_;
  std::vector<Operation>& operations_;
  std::vector<std::string> lines_;
  size_t line_ = 0;
  bool version5_ = false;
  bool haveKey_ = false;
  bool deleted_ = false;
  Root root_ = Root::kLocalMachine;
  std::string path_;
};

}  // namespace

bool Parse(const std::string& bytes, const std::string& fileName, const CodePage& codePage,
           std::vector<Operation>* operations, std::string* error) {
  Parser parser(fileName, codePage, operations);
  return parser.Run(bytes, error);
}

const char* RootName(Root root) {
  switch (root) {
    case Root::kCurrentUser:
      return "HKEY_CURRENT_USER";
    case Root::kDynData:
      return "HKEY_DYN_DATA";
    default:
      return "HKEY_LOCAL_MACHINE";
  }
}

}  // namespace regfile
