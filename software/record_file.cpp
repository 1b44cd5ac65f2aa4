#include "software/record_file.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

enum { kFirstLineCapacity = 1024 };

uint32_t HashLine(const char* line, size_t length) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (size_t i = 0; i < length; ++i) {
    hash ^= static_cast<unsigned char>(line[i]);
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace

void WriteRecordText(FILE* file, const char* text) {
  char piece[256 + 1];
  size_t used = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    char c = *p;
    if (c == '\r' || c == '\n' || c == '\x1a') c = ' ';
    piece[used++] = c;
    if (used == sizeof(piece) - 1) {
      std::fwrite(piece, 1, used, file);
      used = 0;
    }
  }
  if (used > 0) std::fwrite(piece, 1, used, file);
}

RecordLineReader::RecordLineReader(FILE* file)
    : file_(file), line_(nullptr), capacity_(0), length_(0), failed_(false) {}

RecordLineReader::~RecordLineReader() { std::free(line_); }

bool RecordLineReader::Grow() {
  size_t capacity = capacity_ == 0 ? kFirstLineCapacity + 1 : capacity_ * 2;
  if (capacity < capacity_) return false;
  char* grown = static_cast<char*>(std::realloc(line_, capacity));
  if (grown == nullptr) return false;
  line_ = grown;
  capacity_ = capacity;
  return true;
}

bool RecordLineReader::Next() {
  length_ = 0;
  if (failed_) return false;
  for (;;) {
    if (capacity_ - length_ < 2 && !Grow()) {
      failed_ = true;
      return false;
    }
    size_t room = capacity_ - length_;
    if (room > INT_MAX) room = INT_MAX;
    line_[length_] = '\0';
    if (std::fgets(line_ + length_, static_cast<int>(room), file_) == nullptr) {
      if (std::ferror(file_)) {
        failed_ = true;
        return false;
      }
      return length_ > 0;
    }
    length_ += std::strlen(line_ + length_);
    if (length_ > 0 && line_[length_ - 1] == '\n') return true;
  }
}

DistinctLines::DistinctLines()
    : text_(nullptr),
      textUsed_(0),
      textCapacity_(0),
      entries_(nullptr),
      count_(0),
      entryCapacity_(0),
      table_(nullptr),
      tableSize_(0) {}

DistinctLines::~DistinctLines() {
  std::free(text_);
  std::free(entries_);
  std::free(table_);
}

bool DistinctLines::Reserve(size_t textLength) {
  if (text_ == nullptr || textCapacity_ - textUsed_ < textLength) {
    size_t capacity = textCapacity_ == 0 ? 64 * 1024 : textCapacity_;
    while (capacity - textUsed_ < textLength) {
      if (capacity > SIZE_MAX / 2) return false;
      capacity *= 2;
    }
    char* grown = static_cast<char*>(std::realloc(text_, capacity));
    if (grown == nullptr) return false;
    text_ = grown;
    textCapacity_ = capacity;
  }
  if (count_ == entryCapacity_) {
    size_t capacity = entryCapacity_ == 0 ? 256 : entryCapacity_ * 2;
    if (capacity >= UINT32_MAX || capacity > SIZE_MAX / sizeof(Entry)) return false;
    Entry* grown = static_cast<Entry*>(std::realloc(entries_, capacity * sizeof(Entry)));
    if (grown == nullptr) return false;
    entries_ = grown;
    entryCapacity_ = capacity;
  }
  // The table stays at most half full, so that a lookup ends after a few slots.
  if ((count_ + 1) * 2 > tableSize_ && !GrowTable()) return false;
  return true;
}

bool DistinctLines::GrowTable() {
  size_t size = tableSize_ == 0 ? 512 : tableSize_ * 2;
  if (size > SIZE_MAX / sizeof(uint32_t)) return false;
  uint32_t* table = static_cast<uint32_t*>(std::calloc(size, sizeof(uint32_t)));
  if (table == nullptr) return false;
  std::free(table_);
  table_ = table;
  tableSize_ = size;
  for (size_t i = 0; i < count_; ++i) Place(i);
  return true;
}

void DistinctLines::Place(size_t entryIndex) {
  size_t mask = tableSize_ - 1;
  size_t slot = entries_[entryIndex].hash & mask;
  while (table_[slot] != 0) slot = (slot + 1) & mask;
  table_[slot] = static_cast<uint32_t>(entryIndex + 1);
}

bool DistinctLines::Add(const char* line, size_t length) {
  uint32_t hash = HashLine(line, length);
  if (tableSize_ > 0) {
    size_t mask = tableSize_ - 1;
    for (size_t slot = hash & mask; table_[slot] != 0; slot = (slot + 1) & mask) {
      const Entry& kept = entries_[table_[slot] - 1];
      if (kept.hash == hash && kept.length == length &&
          std::memcmp(text_ + kept.offset, line, length) == 0)
        return true;
    }
  }
  if (!Reserve(length)) return false;
  std::memcpy(text_ + textUsed_, line, length);
  entries_[count_].offset = textUsed_;
  entries_[count_].length = length;
  entries_[count_].hash = hash;
  textUsed_ += length;
  Place(count_);
  ++count_;
  return true;
}

bool DistinctLines::WriteTo(FILE* file) const {
  for (size_t i = 0; i < count_; ++i) {
    const Entry& kept = entries_[i];
    if (std::fwrite(text_ + kept.offset, 1, kept.length, file) != kept.length) return false;
  }
  return true;
}
