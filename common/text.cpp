#include "common/text.h"

#include <cstring>

#include "platform/win32.h"

void BoundedCopy(char* target, const char* source, int capacity) {
  if (capacity <= 0) return;
  std::strncpy(target, source, static_cast<size_t>(capacity));
}

bool BoundedAppend(char* target, const char* source, int capacity) {
  size_t used = std::strlen(target);
  if (capacity <= 0 || used >= static_cast<size_t>(capacity)) return source[0] == '\0';
  size_t room = static_cast<size_t>(capacity) - used;
  size_t length = std::strlen(source);
  size_t taken = length < room ? length : room;
  std::memcpy(target + used, source, taken);
  target[used + taken] = '\0';
  return taken == length;
}

bool BoundedFormat(char* area, int capacity, const char* format, const char* text) {
  // wsprintfA fills at most 1024 bytes, terminator included: a longer result would be cut.
  size_t length = std::strlen(format) - 2 + std::strlen(text);
  if (capacity <= 0 || length > static_cast<size_t>(capacity) || length > 1023) return false;
  std::memset(area, 0, static_cast<size_t>(capacity) + 1);
  wsprintfA(area, format, text);
  return true;
}

bool SameTextIgnoringCase(const char* left, const char* right) {
  for (;; ++left, ++right) {
    char a = *left, b = *right;
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
    if (a == '\0') return true;
  }
}

EntryList::EntryList(char* area, int capacity) : area_(area), capacity_(capacity), count_(0) {
  std::memset(area_, 0, static_cast<size_t>(capacity_) + 1);
}

void EntryList::Add(const char* entry) {
  if (count_ > 0) BoundedAppend(area_, ";", capacity_);
  BoundedAppend(area_, entry, capacity_);
  ++count_;
}
