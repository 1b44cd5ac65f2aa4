// The record file's line reader, distinct-line set and text writer, at the lengths where
// pieces and areas end.
#include "software/record_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "software/record_line.h"

namespace {

std::string Contents(FILE* file) {
  std::string text(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(&text[0], 1, text.size(), file), text.size());
  std::fclose(file);
  return text;
}

std::vector<std::string> ReadLines(const std::string& text) {
  FILE* file = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  std::vector<std::string> lines;
  {
    RecordLineReader reader(file);
    while (reader.Next()) lines.emplace_back(reader.Line(), reader.Length());
    EXPECT_FALSE(reader.Failed());
  }
  std::fclose(file);
  return lines;
}

TEST(RecordLineReader, ReturnsWholeLinesOfAnyLength) {
  for (size_t length : {0u, 1023u, 1024u, 1025u, 2048u, 100000u}) {
    const std::string line = std::string(length, 'x') + "\n";
    EXPECT_EQ(ReadLines(line + "next\n" + line), (std::vector<std::string>{line, "next\n", line}))
        << length;
  }
  EXPECT_EQ(ReadLines("a\nb"), (std::vector<std::string>{"a\n", "b"}));
  EXPECT_TRUE(ReadLines("").empty());
}

TEST(DistinctLines, KeepsFirstCopiesInOrderByteForByte) {
  DistinctLines lines;
  std::string expected = "b\na\nB\na";
  for (const char* line : {"b\n", "a\n", "b\n", "B\n", "a", "a\n", "", ""})
    ASSERT_TRUE(lines.Add(line, std::strlen(line)));
  for (int i = 0; i < 10000; ++i) {  // every line twice
    std::string line = "line " + std::to_string(i * 7919 % 5000) + "\n";
    ASSERT_TRUE(lines.Add(line.data(), line.size()));
    if (i < 5000) expected += line;
  }
  EXPECT_EQ(lines.Count(), 5005u);
  FILE* file = std::tmpfile();
  EXPECT_TRUE(lines.WriteTo(file));
  EXPECT_EQ(Contents(file), expected);
}

// The text goes out through a piece area of 256 characters: texts that fill it exactly, and
// a line break on either side of its edge.
TEST(WriteRecordText, LineBreaksAndTheEndOfFileMarkBecomeBlanks) {
  FILE* file = std::tmpfile();
  WriteRecordText(file, "a\r\nb\x1a/1\t");
  WriteRecordText(file, "");
  const std::string edge = std::string(255, 'x') + "\n\r" + std::string(255, 'y') + "\n";
  WriteRecordText(file, edge.c_str());
  WriteRecordText(file, std::string(256, 'z').c_str());
  EXPECT_EQ(Contents(file), "a  b /1\t" + std::string(255, 'x') + "  " + std::string(255, 'y') +
                                " " + std::string(256, 'z'));
}

}  // namespace
