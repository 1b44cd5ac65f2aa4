// sorvik-regvol: imports a registry file with every key it creates made volatile, and checks
// that a registry holds what a registry file says.
//
// Wine rebuilds HKLM\HARDWARE at the start of each wineserver session and refuses non-volatile
// keys below it, so regedit cannot import hardware fixtures there; keys made here live until
// the session ends. regedit also exits 0 when an import fails, hence the check.
//
//   sorvik-regvol FILE.reg             import, keys created volatile
//   sorvik-regvol /hardware FILE.reg   import only what lies below HKEY_LOCAL_MACHINE\HARDWARE
//   sorvik-regvol /check FILE.reg      every key and value present with the same type and
//                                      bytes, deleted ones absent; lists every difference
//
// Files are read as the simulator reads a profile's (platform/regfile), in the code page of
// the ANSI registry functions. Errors and differences go to stderr as FILE:LINE: what (key
// paths and value names with bytes outside ASCII as \xNN), and the exit status is 1.
#define _WIN32_WINNT 0x0600  // RegDeleteTreeA
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/regfile/regfile.h"
#include "platform/regfile/root_key.h"
#include "platform/win32.h"

namespace {

class SystemCodePage : public regfile::CodePage {
 public:
  unsigned Number() const override { return GetACP(); }
  std::u16string ToWide(const std::string& ansi) const override {
    int size =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(size), u'\0');
    if (size > 0)
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                          reinterpret_cast<wchar_t*>(&wide[0]), size);
    return wide;
  }
  std::string ToAnsi(const std::u16string& wide) const override {
    const wchar_t* units = reinterpret_cast<const wchar_t*>(wide.data());
    int size = WideCharToMultiByte(CP_ACP, 0, units, static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string ansi(static_cast<size_t>(size), '\0');
    if (size > 0)
      WideCharToMultiByte(CP_ACP, 0, units, static_cast<int>(wide.size()), &ansi[0], size, nullptr,
                          nullptr);
    return ansi;
  }
};

std::string Printable(const std::string& text) {
  std::string out;
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    char escaped[8] = {};
    if (byte < 0x20 || byte >= 0x7F) std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    out += escaped[0] != '\0' ? std::string(escaped) : std::string(1, c);
  }
  return out;
}

bool BelowHardware(const regfile::Operation& operation) {
  const char kHardware[] = "HARDWARE";
  size_t length = sizeof kHardware - 1;
  return operation.root == regfile::Root::kLocalMachine && operation.path.size() > length &&
         operation.path[length] == '\\' &&
         lstrcmpiA(operation.path.substr(0, length).c_str(), kHardware) == 0;
}

// Holds a key open for one operation.
class OpenedKey {
 public:
  OpenedKey(const regfile::Operation& operation, bool create) {
    HKEY root = regfile::RootKey(operation.root);
    LONG status =
        create ? RegCreateKeyExA(root, operation.path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &key_, nullptr)
               : RegOpenKeyExA(root, operation.path.c_str(), 0, KEY_READ, &key_);
    if (status != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenedKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class Registrar {
 public:
  Registrar(const char* file, bool check) : file_(file), check_(check) {}
  bool Apply(const regfile::Operation& operation);
  int differences() const { return differences_; }

 private:
  bool Fail(const regfile::Operation& operation, const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s:%u: %s: %s\n", file_, static_cast<unsigned>(operation.line), what,
                 Printable(detail).c_str());
    return false;
  }
  // A check goes on to list every difference.
  bool Differ(const regfile::Operation& operation, const char* what, const std::string& detail) {
    ++differences_;
    Fail(operation, what, detail);
    return true;
  }
  std::string KeyName(const regfile::Operation& operation) const {
    return std::string(regfile::RootName(operation.root)) +
           (operation.path.empty() ? "" : "\\" + operation.path);
  }
  std::string ValueName(const regfile::Operation& operation) const {
    return "[" + KeyName(operation) + "] " + operation.name;
  }
  bool Key(const regfile::Operation& operation);
  bool SetValue(const regfile::Operation& operation);
  bool DeleteValue(const regfile::Operation& operation);

  const char* file_;
  bool check_;
  int differences_ = 0;
};

bool Registrar::Key(const regfile::Operation& operation) {
  bool exists = OpenedKey(operation, false).get() != nullptr;
  if (operation.action == regfile::Action::kDeleteKey) {
    if (check_)
      return exists ? Differ(operation, "key present although deleted", KeyName(operation)) : true;
    LONG status = RegDeleteTreeA(regfile::RootKey(operation.root), operation.path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ||
           Fail(operation, "cannot delete key", KeyName(operation));
  }
  if (check_) return exists || Differ(operation, "key missing", KeyName(operation));
  return OpenedKey(operation, true).get() != nullptr ||
         Fail(operation, "cannot create key", KeyName(operation));
}

// Sets a value, or with /check compares it with what the registry holds. The values of a key
// that a check found missing are not listed again.
bool Registrar::SetValue(const regfile::Operation& operation) {
  OpenedKey key(operation, !check_);
  if (key.get() == nullptr) return check_ || Fail(operation, "cannot open key", KeyName(operation));
  const char* name = operation.name.c_str();
  const BYTE* data = reinterpret_cast<const BYTE*>(operation.data.data());
  DWORD size = static_cast<DWORD>(operation.data.size());
  if (!check_) {
    return RegSetValueExA(key.get(), name, 0, operation.type, size ? data : nullptr, size) ==
               ERROR_SUCCESS ||
           Fail(operation, "cannot set value", ValueName(operation));
  }
  DWORD storedType = REG_NONE;
  DWORD storedSize = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &storedType, nullptr, &storedSize) !=
      ERROR_SUCCESS)
    return Differ(operation, "value missing", ValueName(operation));
  std::vector<BYTE> stored(storedSize + 1);
  if (RegQueryValueExA(key.get(), name, nullptr, &storedType, stored.data(), &storedSize) !=
          ERROR_SUCCESS ||
      storedType != operation.type || storedSize != size ||
      (size > 0 && std::memcmp(stored.data(), data, size) != 0))
    return Differ(operation, "value differs", ValueName(operation));
  return true;
}

bool Registrar::DeleteValue(const regfile::Operation& operation) {
  OpenedKey key(operation, false);
  const char* name = operation.name.c_str();
  bool present = key.get() != nullptr && RegQueryValueExA(key.get(), name, nullptr, nullptr,
                                                          nullptr, nullptr) == ERROR_SUCCESS;
  if (check_)
    return present ? Differ(operation, "value present although deleted", ValueName(operation))
                   : true;
  return !present || RegDeleteValueA(key.get(), name) == ERROR_SUCCESS ||
         Fail(operation, "cannot delete value", ValueName(operation));
}

bool Registrar::Apply(const regfile::Operation& operation) {
  switch (operation.action) {
    case regfile::Action::kSetValue:
      return SetValue(operation);
    case regfile::Action::kDeleteValue:
      return DeleteValue(operation);
    default:
      return Key(operation);
  }
}

bool ReadWholeFile(const char* path, std::string* bytes) {
  FILE* input = std::fopen(path, "rb");
  if (input == nullptr) return false;
  char chunk[4096];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, input)) > 0) bytes->append(chunk, got);
  std::fclose(input);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc == 3 ? argv[1] : "";
  bool check = std::strcmp(mode, "/check") == 0;
  bool hardwareOnly = std::strcmp(mode, "/hardware") == 0;
  if (argc != 2 && !check && !hardwareOnly) {
    std::fprintf(stderr, "usage: sorvik-regvol [/check | /hardware] FILE.reg\n");
    return 2;
  }
  const char* file = argv[argc - 1];
  std::string bytes, error;
  if (!ReadWholeFile(file, &bytes)) {
    std::fprintf(stderr, "%s: cannot open\n", file);
    return 1;
  }
  std::vector<regfile::Operation> operations;
  if (!regfile::Parse(bytes, file, SystemCodePage(), &operations, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  Registrar registrar(file, check);
  for (const regfile::Operation& operation : operations) {
    if (hardwareOnly && !BelowHardware(operation)) continue;
    if (!registrar.Apply(operation)) return 1;
  }
  return registrar.differences() > 0 ? 1 : 0;
}
