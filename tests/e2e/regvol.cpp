// sorvik-regvol: imports a REGEDIT4 file with every key it creates made volatile, and checks
// that a registry holds what a REGEDIT4 file says.
//
// Wine rebuilds HKLM\HARDWARE at the start of each wineserver session and refuses non-volatile
// keys below it, so regedit cannot import hardware fixtures there; keys made here live until
// the session ends. regedit also exits 0 when an import fails, hence the check.
//
//   sorvik-regvol FILE.reg          import, keys created volatile
//   sorvik-regvol /check FILE.reg   every key and value present with the same type and bytes,
//                                   deleted ones absent; lists every difference
//
// The subset that fixtures use: [ROOT\path], [-ROOT\path] (the key with its subtree),
// "name"="text" and @="text" (escapes \\ and \"), dword:XXXXXXXX, hex:.. and hex(N):.. with
// "\" continuation lines, "name"=- (deletes the value), ";" comments. Strings are ANSI bytes (a
// double-byte character read whole). Errors and differences go to stderr as FILE:LINE: what,
// and the exit status is 1.
#define _WIN32_WINNT 0x0600  // RegDeleteTreeA
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Reads a quoted text from `at` (after its opening quote); returns where its closing quote is
// (the text's size when missing). A double-byte character is copied whole: its trail byte may
// be 0x5C.
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
  int differences() const { return differences_; }

 private:
  bool Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s:%d: %s: %s\n", file_, lineNumber_, what, detail.c_str());
    return false;
  }
  bool Differ(const char* what, const std::string& detail) {
    ++differences_;
    Fail(what, detail);
    return true;  // a check goes on to list every difference
  }
  bool HandleLine(const std::string& line);
  bool OpenSection(const std::string& path, bool remove);
  bool HandleValue(const std::string& line);
  bool Store(const std::string& name, DWORD type, const BYTE* data, DWORD size);
  void CloseKey() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

  const char* file_;
  bool check_;
  int lineNumber_ = 0;
  HKEY key_ = nullptr;
  bool inSection_ = false;  // a [-deleted] section swallows its values
  int differences_ = 0;
};

bool Importer::OpenSection(const std::string& path, bool remove) {
  CloseKey();
  inSection_ = false;
  std::string head = path.substr(0, path.find('\\'));
  std::string subkey = head.size() < path.size() ? path.substr(head.size() + 1) : "";
  HKEY root = lstrcmpiA(head.c_str(), "HKEY_LOCAL_MACHINE") == 0  ? HKEY_LOCAL_MACHINE
              : lstrcmpiA(head.c_str(), "HKEY_CURRENT_USER") == 0 ? HKEY_CURRENT_USER
                                                                  : nullptr;
  if (root == nullptr || subkey.empty()) return Fail("not a key this tool handles", path);
  HKEY key = nullptr;
  bool exists = RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (exists) RegCloseKey(key);
  if (remove) {
    if (check_) return exists ? Differ("key present although deleted", path) : true;
    LONG status = RegDeleteTreeA(root, subkey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ||
           Fail("cannot delete key", path);
  }
  inSection_ = true;
  if (check_) {
    if (!exists) return Differ("key missing", path);
    return RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key_) == ERROR_SUCCESS;
  }
  if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key_, nullptr) != ERROR_SUCCESS) {
    key_ = nullptr;
    return Fail("cannot create key", path);
  }
  return true;
}

// Sets a value, or with /check compares it with what the registry holds.
bool Importer::Store(const std::string& name, DWORD type, const BYTE* data, DWORD size) {
  if (!check_) {
    return RegSetValueExA(key_, name.c_str(), 0, type, size ? data : nullptr, size) ==
               ERROR_SUCCESS ||
           Fail("cannot set value", name);
  }
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
    return Differ("value differs", name);
  }
  return true;
}

bool Importer::HandleValue(const std::string& line) {
  std::string name;
  size_t at = line[0] == '@' ? 1 : ReadQuoted(line, 1, &name) + 1;
  if (at >= line.size() || line[at] != '=') return Fail("expected \"name\"=", line);
  std::string data = line.substr(at + 1);
  if (!inSection_ || key_ == nullptr) return true;  // a deleted or (checked) missing key
  if (data == "-") {
    bool present =
        RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    if (check_) return present ? Differ("value present although deleted", name) : true;
    return !present || RegDeleteValueA(key_, name.c_str()) == ERROR_SUCCESS ||
           Fail("cannot delete value", name);
  }
  if (data[0] == '"') {
    std::string text;
    if (ReadQuoted(data, 1, &text) + 1 != data.size()) return Fail("bad string value", line);
    return Store(name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  }
  char* end = nullptr;
  if (data.compare(0, 6, "dword:") == 0) {
    DWORD dword = static_cast<DWORD>(std::strtoul(data.c_str() + 6, &end, 16));
    if (data.size() == 6 || data.size() > 14 || *end != '\0') return Fail("bad dword", line);
    return Store(name, REG_DWORD, reinterpret_cast<BYTE*>(&dword), sizeof dword);
  }
  size_t colon = data.find(':');
  if (data.compare(0, 3, "hex") != 0 || colon == std::string::npos) {
    return Fail("unsupported value data", line);
  }
  DWORD type = REG_BINARY;
  if (colon > 3) {
    type = static_cast<DWORD>(std::strtoul(data.c_str() + 4, &end, 16));
    if (data[3] != '(' || end != data.c_str() + colon - 1 || *end != ')') {
      return Fail("bad hex type", line);
    }
  }
  std::vector<BYTE> bytes;
  for (at = colon + 1; at < data.size();) {
    if (data[at] == ' ' || data[at] == '\t' || data[at] == ',') {
      ++at;
      continue;
    }
    unsigned long byte = std::strtoul(data.c_str() + at, &end, 16);
    size_t used = static_cast<size_t>(end - (data.c_str() + at));
    if (used == 0 || used > 2 || byte > 0xff) return Fail("bad hex byte", data.substr(at));
    bytes.push_back(static_cast<BYTE>(byte));
    at += used;
  }
  return Store(name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool Importer::HandleLine(const std::string& line) {
  if (line.empty() || line[0] == ';') return true;
  if (line[0] == '[' && line.back() == ']') {
    bool remove = line.size() > 2 && line[1] == '-';
    return OpenSection(line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2)), remove);
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
  bool header = false;
  int physical = 0;
  for (size_t at = 0; at < content.size();) {
    size_t end = content.find('\n', at);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(at, end - at);
    at = end + 1;
    ++physical;
    size_t last = line.find_last_not_of(" \t\r");
    size_t lead = line.find_first_not_of(" \t");
    line = last == std::string::npos ? std::string() : line.substr(lead, last + 1 - lead);
    if (!header) {
      lineNumber_ = physical;
      if (line.empty()) continue;
      if (line != "REGEDIT4" && line != "Windows Registry Editor Version 5.00") {
        return Fail("not a registry file", line);
      }
      header = true;
      continue;
    }
    if (logical.empty()) lineNumber_ = physical;
    logical += line;
    if (!logical.empty() && logical.back() == '\\' && logical.find("=hex") != std::string::npos) {
      logical.pop_back();
      continue;
    }
    if (!HandleLine(logical)) return false;
    logical.clear();
  }
  if (!header) return Fail("not a registry file", "empty");
  return logical.empty() || Fail("file ends inside a continued value", logical);
}

}  // namespace

int main(int argc, char** argv) {
  bool check = argc == 3 && std::strcmp(argv[1], "/check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: sorvik-regvol [/check] FILE.reg\n");
    return 2;
  }
  Importer importer(argv[argc - 1], check);
  if (!importer.Run() || importer.differences() > 0) return 1;
  return 0;
}
