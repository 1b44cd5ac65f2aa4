// The drive list: ReadSummary and ReadEntry on any text in an area of exactly its size, and
// an entry that FormatEntry wrote reading back as written. Input: a byte choosing the entry's
// letter and kind, then the text (its first 16 bytes also give the entry's sizes).
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "hardware/drive_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string text = fuzz::TextOf(data + 1, size - 1);
  std::vector<char> list(text.c_str(), text.c_str() + text.size() + 1);
  fuzz::FuzzMachine installed;
  auto piece = [&text](const char* size) {  // of the text, within its area
    return std::strlen(size) <= kSizeTextCapacity && text.find(size) != std::string::npos;
  };

  drive_list::SizeText total, free;
  FUZZ_CHECK(!drive_list::ReadSummary(list.data(), total, free) || (piece(total) && piece(free)));
  const char* cursor = list.data();
  drive_list::Entry entry;
  for (;;) {
    const char* start = cursor;
    if (!drive_list::ReadEntry(&cursor, &entry)) break;
    FUZZ_CHECK(cursor > start && cursor <= list.data() + text.size());
    FUZZ_CHECK(entry.letter == *start && piece(entry.totalMb) && piece(entry.freeMb));
    FUZZ_CHECK(entry.kind == drive_list::kFixed || (!entry.totalMb[0] && !entry.freeMb[0]));
  }

  // Sizes as the fetcher writes them: the digits of 64-bit numbers, here the input's.
  uint64_t sizes[2] = {text.size(), 0};
  std::memcpy(sizes, data + 1, std::min(size - 1, sizeof sizes));
  std::string totalMb = std::to_string(sizes[0]), freeMb = std::to_string(sizes[1]);
  drive_list::EntryText formatted;
  char drive[] = {static_cast<char>('A' + data[0] % 26), ':', '\0'};
  auto kind = static_cast<drive_list::Kind>(data[0] / 26 % 3);
  drive_list::FormatEntry(formatted, drive, kind, totalMb.c_str(), freeMb.c_str());
  cursor = formatted;
  FUZZ_CHECK(drive_list::ReadEntry(&cursor, &entry) && *cursor == '\0');
  FUZZ_CHECK(entry.letter == drive[0] && entry.kind == kind);
  FUZZ_CHECK(kind != drive_list::kFixed || (totalMb == entry.totalMb && freeMb == entry.freeMb));
  return 0;
}
