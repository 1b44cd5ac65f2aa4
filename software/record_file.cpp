#include "software/record_file.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

enum { kFirstLineCapacity = 1024 };

}  // namespace

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

bool DistinctLines::Add(const char* line, size_t length) {
  // The one place where the standard library may run out of memory: that is a false result
  // here, so that no exception leaves the system's code.
  try {
    auto kept = lines_.emplace(line, length);
    if (kept.second) order_.push_back(&*kept.first);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool DistinctLines::WriteTo(FILE* file) const {
  for (const std::string* kept : order_) {
    if (std::fwrite(kept->data(), 1, kept->size(), file) != kept->size()) return false;
  }
  return true;
}
