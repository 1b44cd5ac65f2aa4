// sorvik-regvol: imports a REGEDIT4 file with every key it creates made volatile, and
// checks that a registry holds what a REGEDIT4 file says.
//
// Wine rebuilds HKLM\HARDWARE at the start of each wineserver session and refuses
// non-volatile keys below it, so regedit cannot import hardware fixtures there. This
// test tool can; its keys live until the wineserver session ends. regedit also exits 0
// when an import fails, hence the check.
//
//   sorvik-regvol FILE.reg          import, keys created volatile
//   sorvik-regvol /check FILE.reg   every key and value present with the same type and
//                                   bytes, deleted ones absent; lists every difference
//   sorvik-regvol /cmdline ...      writes its whole command line to C:\e2e\cmdline.txt
//                                   (lets the harness check how a .bat passes a line)
//
// Understands the subset that fixtures use: [ROOT\path] (missing keys are created
// volatile, existing ones opened), [-ROOT\path] (deletes the key with its subtree),
// "name"="text" and @="text" (REG_SZ, escapes \\ and \"), dword:XXXXXXXX, hex:.. and
// hex(N):.. with "\" continuation lines, "name"=- (deletes the value), ";" comments.
// Strings are ANSI bytes (a double-byte character read whole). Any error is reported on
// stderr with its line number and ends the import with exit status 1; so does any difference
// found by /check.
#define _WIN32_WINNT 0x0600  // RegDeleteTreeA
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Root {
  const char* name;
  HKEY key;
};

const Root kRoots[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"HKEY_USERS", HKEY_USERS},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

// Reads a quoted text from `at` (after its opening quote) with the escapes \\ and \"; returns
// where its closing quote is (the text's size when missing). A double-byte character is
// copied whole: its trail byte may be 0x5C.
size_t ReadQuoted(const std::string& text, size_t at, std::string* out) {
  for (; at < text.size() && text[at] != '"'; ++at) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 1 < text.size()) {
      *out += text[at++];
    } else if (text[at] == '\\' && at + 1 < text.size()) {
      ++at;
    }
    *out += text[at];
  }
  return at;
}

class Importer {
 public:
  Importer(const char* file, bool check) : file_(file), check_(check) {}
  ~Importer() { CloseKey(); }

  bool Run();
  int keys() const { return keys_; }
  int values() const { return values_; }
  int differences() const { return differences_; }

 private:
  bool Fail(const char* what, const std::string& detail, LONG code = ERROR_SUCCESS);
  bool Differ(const char* what, const std::string& detail) {
    ++differences_;
    Fail(what, detail);
    return true;  // a check goes on to list every difference
  }
  bool CheckValue(const std::string& name, DWORD type, const BYTE* data, DWORD size);
  bool HandleLine(const std::string& line);
  bool OpenSection(const std::string& path);
  bool DeleteTree(const std::string& path);
  bool HandleValue(const std::string& line);
  bool ParseHex(const std::string& text, std::vector<BYTE>* data);
  bool SplitRoot(const std::string& path, HKEY* root, std::string* subkey);
  void CloseKey() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

  const char* file_;
  bool check_;
  int lineNumber_ = 0;
  HKEY key_ = nullptr;
  bool inSection_ = false;  // a [-deleted] section swallows its values
  int keys_ = 0;
  int values_ = 0;
  int differences_ = 0;
};

bool Importer::Fail(const char* what, const std::string& detail, LONG code) {
  if (code != ERROR_SUCCESS) {
    std::fprintf(stderr, "%s:%d: %s: %s (error %ld)\n", file_, lineNumber_, what, detail.c_str(),
                 static_cast<long>(code));
  } else {
    std::fprintf(stderr, "%s:%d: %s: %s\n", file_, lineNumber_, what, detail.c_str());
  }
  return false;
}

bool Importer::SplitRoot(const std::string& path, HKEY* root, std::string* subkey) {
  std::string head = path.substr(0, path.find('\\'));
  for (const Root& candidate : kRoots) {
    if (lstrcmpiA(head.c_str(), candidate.name) == 0) {
      *root = candidate.key;
      *subkey = head.size() < path.size() ? path.substr(head.size() + 1) : std::string();
      return true;
    }
  }
  return Fail("unknown root key", path);
}

bool Importer::OpenSection(const std::string& path) {
  CloseKey();
  HKEY root = nullptr;
  std::string subkey;
  if (!SplitRoot(path, &root, &subkey)) return false;
  if (check_) {
    inSection_ = true;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
      return Differ("key missing", path);
    }
    ++keys_;
    return true;
  }
  DWORD disposition = 0;
  LONG status = RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key_, &disposition);
  if (status != ERROR_SUCCESS) {
    key_ = nullptr;
    return Fail("cannot create key", path, status);
  }
  inSection_ = true;
  ++keys_;
  return true;
}

bool Importer::DeleteTree(const std::string& path) {
  CloseKey();
  inSection_ = false;
  HKEY root = nullptr;
  std::string subkey;
  if (!SplitRoot(path, &root, &subkey)) return false;
  if (subkey.empty()) return Fail("refusing to delete a root key", path);
  if (check_) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return true;
    RegCloseKey(key);
    return Differ("key present although deleted", path);
  }
  LONG status = RegDeleteTreeA(root, subkey.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    return Fail("cannot delete key", path, status);
  }
  return true;
}

bool Importer::ParseHex(const std::string& text, std::vector<BYTE>* data) {
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == ',')) ++at;
    if (at == text.size()) break;
    char* end = nullptr;
    unsigned long byte = std::strtoul(text.c_str() + at, &end, 16);
    size_t used = static_cast<size_t>(end - (text.c_str() + at));
    if (used == 0 || used > 2 || byte > 0xff) return Fail("bad hex byte", text.substr(at));
    data->push_back(static_cast<BYTE>(byte));
    at += used;
  }
  return true;
}

bool Importer::HandleValue(const std::string& line) {
  std::string name;
  size_t at = 0;
  if (line[0] == '@') {
    at = 1;
  } else {
    at = ReadQuoted(line, 1, &name);
    if (at == line.size()) return Fail("unterminated value name", line);
    ++at;
  }
  if (at >= line.size() || line[at] != '=') return Fail("expected '=' after the name", line);
  std::string data = line.substr(at + 1);
  if (!inSection_) return true;
  if (key_ == nullptr) return check_ ? true : Fail("value outside a key section", line);

  LONG status = ERROR_SUCCESS;
  if (data == "-") {
    if (check_) {
      if (RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
          ERROR_SUCCESS) {
        return Differ("value present although deleted", name);
      }
      return true;
    }
    status = RegDeleteValueA(key_, name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  } else if (!data.empty() && data[0] == '"') {
    std::string text;
    size_t i = ReadQuoted(data, 1, &text);
    if (i + 1 != data.size()) return Fail("bad string value", line);
    if (check_) {
      return CheckValue(name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
    }
    status =
        RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
  } else if (data.compare(0, 6, "dword:") == 0) {
    std::string digits = data.substr(6);
    char* end = nullptr;
    unsigned long number = std::strtoul(digits.c_str(), &end, 16);
    if (digits.empty() || digits.size() > 8 || *end != '\0') return Fail("bad dword", line);
    DWORD dword = static_cast<DWORD>(number);
    if (check_) return CheckValue(name, REG_DWORD, reinterpret_cast<BYTE*>(&dword), sizeof dword);
    status = RegSetValueExA(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&dword),
                            sizeof dword);
  } else if (data.compare(0, 3, "hex") == 0) {
    DWORD type = REG_BINARY;
    size_t colon = data.find(':');
    if (colon == std::string::npos) return Fail("bad hex value", line);
    if (colon > 3) {
      if (data[3] != '(' || data[colon - 1] != ')') return Fail("bad hex type", line);
      char* end = nullptr;
      type = static_cast<DWORD>(std::strtoul(data.c_str() + 4, &end, 16));
      if (end != data.c_str() + colon - 1) return Fail("bad hex type", line);
    }
    std::vector<BYTE> bytes;
    if (!ParseHex(data.substr(colon + 1), &bytes)) return false;
    if (check_) {
      return CheckValue(name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    }
    status = RegSetValueExA(key_, name.c_str(), 0, type, bytes.empty() ? nullptr : bytes.data(),
                            static_cast<DWORD>(bytes.size()));
  } else {
    return Fail("unsupported value data", line);
  }
  if (status != ERROR_SUCCESS) return Fail("cannot set value", name, status);
  ++values_;
  return true;
}

bool Importer::CheckValue(const std::string& name, DWORD type, const BYTE* data, DWORD size) {
  ++values_;
  DWORD storedType = REG_NONE;
  DWORD storedSize = 0;
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &storedType, nullptr, &storedSize) !=
      ERROR_SUCCESS) {
    return Differ("value missing", name);
  }
  std::vector<BYTE> stored(storedSize + 1);
  if (RegQueryValueExA(key_, name.c_str(), nullptr, &storedType, stored.data(), &storedSize) !=
          ERROR_SUCCESS ||
      storedType != type || storedSize != size ||
      (size > 0 && std::memcmp(stored.data(), data, size) != 0)) {
    char detail[64];
    std::snprintf(detail, sizeof detail, " (type %lu, %lu bytes; expected type %lu, %lu bytes)",
                  static_cast<unsigned long>(storedType), static_cast<unsigned long>(storedSize),
                  static_cast<unsigned long>(type), static_cast<unsigned long>(size));
    return Differ("value differs", name + detail);
  }
  return true;
}

bool Importer::HandleLine(const std::string& line) {
  if (line.empty() || line[0] == ';') return true;
  if (line[0] == '[') {
    if (line[line.size() - 1] != ']') return Fail("bad key line", line);
    if (line.size() > 2 && line[1] == '-') return DeleteTree(line.substr(2, line.size() - 3));
    return OpenSection(line.substr(1, line.size() - 2));
  }
  if (line[0] == '"' || line[0] == '@') return HandleValue(line);
  return Fail("unexpected line", line);
}

bool Importer::Run() {
  FILE* input = std::fopen(file_, "rb");
  if (input == nullptr) return Fail("cannot open", file_);
  std::string content;
  char chunk[4096];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, input)) > 0) content.append(chunk, got);
  std::fclose(input);

  std::string logical;  // a value line with its "\" continuations joined
  int firstLine = 0;
  bool header = false;
  size_t at = 0;
  int physical = 0;
  while (at < content.size()) {
    size_t end = content.find('\n', at);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(at, end - at);
    at = end + 1;
    ++physical;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
      line.pop_back();
    }
    size_t lead = line.find_first_not_of(" \t");
    line = lead == std::string::npos ? std::string() : line.substr(lead);
    if (!header) {
      if (line.empty()) continue;
      lineNumber_ = physical;
      if (line != "REGEDIT4" && line != "Windows Registry Editor Version 5.00") {
        return Fail("not a registry file", line);
      }
      header = true;
      continue;
    }
    if (logical.empty()) firstLine = physical;
    logical += line;
    if (!logical.empty() && logical.back() == '\\' && logical.find("=hex") != std::string::npos) {
      logical.pop_back();
      continue;
    }
    lineNumber_ = firstLine;
    if (!HandleLine(logical)) return false;
    logical.clear();
  }
  if (!header) return Fail("not a registry file", "empty");
  if (!logical.empty()) return Fail("file ends inside a continued value", logical);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "/cmdline") == 0) {
    FILE* out = std::fopen("C:\\e2e\\cmdline.txt", "wb");
    if (out == nullptr) return 1;
    std::fputs(GetCommandLineA(), out);
    return std::fclose(out) == 0 ? 0 : 1;
  }
  bool check = argc == 3 && std::strcmp(argv[1], "/check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: sorvik-regvol [/check] FILE.reg\n");
    return 2;
  }
  Importer importer(argv[argc - 1], check);
  if (!importer.Run()) return 1;
  if (importer.differences() > 0) {
    std::fprintf(stderr, "%s: %d differences\n", argv[argc - 1], importer.differences());
    return 1;
  }
  std::printf("%s %d keys, %d values\n", check ? "checked" : "imported", importer.keys(),
              importer.values());
  return 0;
}
