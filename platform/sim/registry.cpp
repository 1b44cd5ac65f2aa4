// The registry store: keys and values in case-insensitive sorted order, values as type + raw
// bytes, as Windows' registry keeps them.
#include "platform/sim/registry.h"

#include <algorithm>

#include "platform/sim/codepage.h"
#include "platform/sim/internal.h"

namespace sim {

char FoldUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int CompareNames(const std::string& a, const std::string& b, UINT codePage) {
  return CompareUpperCase(codePage, a, b);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldUpper(a[i]) != FoldUpper(b[i])) return false;
  return true;
}

bool SplitKeyPath(const std::string& path, UINT codePage, std::vector<std::string>* names) {
  names->clear();
  if (!path.empty() && path[0] == '\\') return false;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = FindBackslash(codePage, path, start);
    if (end == std::string::npos) end = path.size();
    if (end > start) names->push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

std::string JoinKeyPath(const std::string& parent, const std::string& child) {
  if (parent.empty()) return child;
  if (child.empty()) return parent;
  return parent + "\\" + child;
}

namespace {

// The builder and the loader name keys leniently: a leading backslash is just a separator.
std::vector<std::string> Names(const std::string& path, UINT codePage) {
  std::vector<std::string> names;
  SplitKeyPath(path[0] == '\\' ? path.substr(1) : path, codePage, &names);
  return names;
}

bool SameName(const Key& key, const std::string& a, const std::string& b) {
  return CompareNames(a, b, key.codePage) == 0;
}

std::vector<std::unique_ptr<Key>>::const_iterator SubkeyBound(const Key& key,
                                                              const std::string& name) {
  UINT codePage = key.codePage;
  return std::lower_bound(key.subkeys.begin(), key.subkeys.end(), name,
                          [codePage](const std::unique_ptr<Key>& k, const std::string& n) {
                            return CompareNames(k->name, n, codePage) < 0;
                          });
}

std::vector<Value>::const_iterator ValueBound(const Key& key, const std::string& name) {
  UINT codePage = key.codePage;
  return std::lower_bound(key.values.begin(), key.values.end(), name,
                          [codePage](const Value& v, const std::string& n) {
                            return CompareNames(v.name, n, codePage) < 0;
                          });
}

Key& CreateSubkey(Key& key, const std::string& name) {
  auto at = SubkeyBound(key, name);
  if (at != key.subkeys.end() && SameName(key, (*at)->name, name)) return **at;
  std::unique_ptr<Key> created(new Key);
  created->name = name;
  created->isVolatile = key.isVolatile;
  created->codePage = key.codePage;
  return **key.subkeys.insert(at, std::move(created));
}

// Names that compared apart in the old code page may be equal in the new one: both stay, in
// the new order, and lookups find the first.
void Reorder(Key& key, UINT codePage) {
  key.codePage = codePage;
  std::stable_sort(key.subkeys.begin(), key.subkeys.end(),
                   [codePage](const std::unique_ptr<Key>& a, const std::unique_ptr<Key>& b) {
                     return CompareNames(a->name, b->name, codePage) < 0;
                   });
  std::stable_sort(key.values.begin(), key.values.end(),
                   [codePage](const Value& a, const Value& b) {
                     return CompareNames(a.name, b.name, codePage) < 0;
                   });
  for (const std::unique_ptr<Key>& subkey : key.subkeys) Reorder(*subkey, codePage);
}

}  // namespace

Key* Key::FindSubkey(const std::string& name) const {
  auto at = SubkeyBound(*this, name);
  if (at == subkeys.end() || !SameName(*this, (*at)->name, name)) return nullptr;
  return at->get();
}

const Value* Key::FindValue(const std::string& name) const {
  auto at = ValueBound(*this, name);
  if (at == values.end() || !SameName(*this, at->name, name)) return nullptr;
  return &*at;
}

Registry::Registry()
    : localMachine_(new Key), dynData_(new Key), currentUser_(new Key), hasDynData_(true) {
  localMachine_->name = "HKEY_LOCAL_MACHINE";
  dynData_->name = "HKEY_DYN_DATA";
  dynData_->isVolatile = true;
  currentUser_->name = "HKEY_CURRENT_USER";
}

void Registry::SetCodePage(UINT codePage) {
  if (codePage == codePage_) return;
  codePage_ = codePage;
  for (Key* root : {localMachine_.get(), dynData_.get(), currentUser_.get()})
    Reorder(*root, codePage);
}

Key* Registry::Storage(HKEY root) const {
  if (root == HKEY_LOCAL_MACHINE) return localMachine_.get();
  if (root == HKEY_DYN_DATA) return dynData_.get();
  if (root == HKEY_CURRENT_USER) return currentUser_.get();
  return nullptr;
}

Key* Registry::Root(HKEY root) const {
  if (root == HKEY_DYN_DATA && !hasDynData_) return nullptr;
  return Storage(root);
}

Key* Registry::Find(HKEY root, const std::string& path) const {
  Key* key = Root(root);
  for (const std::string& name : Names(path, codePage_)) {
    if (key == nullptr) break;
    key = key->FindSubkey(name);
  }
  return key;
}

Key& Registry::CreateKey(HKEY root, const std::string& path) {
  Key* key = Storage(root);
  if (key == nullptr) key = localMachine_.get();  // the builder only names real roots
  for (const std::string& name : Names(path, codePage_)) key = &CreateSubkey(*key, name);
  return *key;
}

bool Registry::DeleteKey(HKEY root, const std::string& path) {
  std::vector<std::string> names = Names(path, codePage_);
  Key* parent = Storage(root);
  if (names.empty() || parent == nullptr) return false;
  for (size_t i = 0; i + 1 < names.size() && parent != nullptr; ++i)
    parent = parent->FindSubkey(names[i]);
  if (parent == nullptr) return false;
  auto at = SubkeyBound(*parent, names.back());
  if (at == parent->subkeys.end() || !SameName(*parent, (*at)->name, names.back())) return false;
  parent->subkeys.erase(at);
  return true;
}

bool Registry::DeleteValue(HKEY root, const std::string& path, const std::string& name) {
  Key* key = Storage(root);
  for (const std::string& part : Names(path, codePage_)) {
    if (key == nullptr) return false;
    key = key->FindSubkey(part);
  }
  if (key == nullptr) return false;
  auto at = ValueBound(*key, name);
  if (at == key->values.end() || !SameName(*key, at->name, name)) return false;
  key->values.erase(at);
  return true;
}

void Registry::SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                        const Bytes& data) {
  Key& key = CreateKey(root, path);
  auto at = ValueBound(key, name);
  if (at != key.values.end() && SameName(key, at->name, name)) {
    auto& value = key.values[static_cast<size_t>(at - key.values.begin())];
    value.type = type;  // the name keeps the spelling it was created with, as on Windows
    value.data = data;
    return;
  }
  Value value;
  value.name = name;
  value.type = type;
  value.data = data;
  key.values.insert(at, value);
}

void Registry::SetString(HKEY root, const std::string& path, const std::string& name,
                         const std::string& text) {
  Bytes data(text.begin(), text.end());
  data.push_back(0);
  SetValue(root, path, name, REG_SZ, data);
}

void Registry::SetDword(HKEY root, const std::string& path, const std::string& name, DWORD number) {
  Bytes data;
  for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<uint8_t>(number >> shift));
  SetValue(root, path, name, REG_DWORD, data);
}

}  // namespace sim
