// The small text helpers that every collector shares.
#pragma once

#include <cstddef>

// Copies at most `capacity` characters of `source` into `target` and fills the rest of the
// capacity with zero bytes (strncpy semantics). A source of `capacity` characters or more is
// cut to exactly `capacity` characters and not terminated: callers pass an area one longer.
void BoundedCopy(char* target, const char* source, int capacity);

// Appends `source` to the text in `target`, an area of `capacity` characters plus terminator;
// what would not fit is cut. Returns false when anything was cut.
bool BoundedAppend(char* target, const char* source, int capacity);

// Formats `format`, which holds one "%s", with `text` into `area` (capacity plus terminator).
// Returns false, leaving the area untouched, when the result would not fit.
bool BoundedFormat(char* area, int capacity, const char* format, const char* text);

// The same three for an area whose type carries its capacity (the array's size less the
// terminator), as every fixed area of the system is declared.
template <size_t N>
void BoundedCopy(char (&target)[N], const char* source) {
  static_assert(N > 1, "an area holds a capacity and a terminator");
  BoundedCopy(target, source, static_cast<int>(N - 1));
}
template <size_t N>
bool BoundedAppend(char (&target)[N], const char* source) {
  static_assert(N > 1, "an area holds a capacity and a terminator");
  return BoundedAppend(target, source, static_cast<int>(N - 1));
}
template <size_t N>
bool BoundedFormat(char (&area)[N], const char* format, const char* text) {
  static_assert(N > 1, "an area holds a capacity and a terminator");
  return BoundedFormat(area, static_cast<int>(N - 1), format, text);
}

// Whole-text comparison that folds only the ASCII letters (lstrcmpiA would also fold
// accented letters, and ignores hyphens under some locales).
bool SameTextIgnoringCase(const char* left, const char* right);

// A ";"-joined list of entries built in a caller's area of `capacity` characters plus
// terminator (a fetcher's WorkText). Entries that would not fit are cut; the area stays
// terminated and its text is always the exact start of the whole joined list.
class EntryList {
 public:
  EntryList(char* area, int capacity);
  template <size_t N>
  explicit EntryList(char (&area)[N]) : EntryList(area, static_cast<int>(N - 1)) {}
  void Add(const char* entry);
  int Count() const { return count_; }

 private:
  char* area_;
  int capacity_;
  int count_;
};
