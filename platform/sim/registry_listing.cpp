// The registry written out whole, in one form whatever the files that made it.
#include <cstdio>
#include <string>

#include "platform/sim/registry.h"

namespace sim {

namespace {

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

void ListKey(const Key& key, const std::string& path, std::string* text) {
  *text += "\r\n[" + path + "]\r\n";
  for (const Value& value : key.values) {
    char type[16] = {};
    std::snprintf(type, sizeof type, "=hex(%x):", static_cast<unsigned>(value.type));
    *text += (value.name.empty() ? std::string("@") : Quoted(value.name)) + type;
    for (size_t i = 0; i < value.data.size(); ++i) {
      char byte[4] = {};
      std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : ",%02x", value.data[i]);
      *text += byte;
    }
    *text += "\r\n";
  }
  for (const auto& subkey : key.subkeys) ListKey(*subkey, path + "\\" + subkey->name, text);
}

}  // namespace

std::string ListRegistry(const Registry& registry) {
  std::string text = "REGEDIT4\r\n";
  const struct {
    HKEY root;
    const char* name;
  } roots[] = {{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
               {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
               {HKEY_DYN_DATA, "HKEY_DYN_DATA"}};
  for (const auto& root : roots) {
    const Key* key = registry.Root(root.root);
    if (key != nullptr) ListKey(*key, root.name, &text);
  }
  return text;
}

}  // namespace sim
