// The record file's line reader and distinct-line set, at the lengths where piecewise reading
// used to split records.
#include "software/record_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "software/record_line.h"

namespace {

// A host temporary file holding `text`, read back through RecordLineReader.
std::vector<std::string> ReadLines(const std::string& text, bool* failed = nullptr) {
  FILE* file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  std::vector<std::string> lines;
  {
    RecordLineReader reader(file);
    while (reader.Next()) lines.emplace_back(reader.Line(), reader.Length());
    if (failed != nullptr) *failed = reader.Failed();
  }
  std::fclose(file);
  return lines;
}

TEST(RecordLineReader, ReturnsWholeLinesOfAnyLength) {
  for (size_t length : {0u, 1u, 1022u, 1023u, 1024u, 1025u, 2047u, 2048u, 2049u, 100000u}) {
    SCOPED_TRACE(length);
    const std::string line = std::string(length, 'x') + "\n";
    bool failed = true;
    std::vector<std::string> lines = ReadLines(line + "next\n" + line, &failed);
    EXPECT_FALSE(failed);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], line);
    EXPECT_EQ(lines[1], "next\n");
    EXPECT_EQ(lines[2], line);
  }
}

TEST(RecordLineReader, LastLineWithoutLineFeedAndEmptyFile) {
  EXPECT_EQ(ReadLines("a\nb"), (std::vector<std::string>{"a\n", "b"}));
  EXPECT_EQ(ReadLines(std::string(3000, 'b')), (std::vector<std::string>{std::string(3000, 'b')}));
  EXPECT_TRUE(ReadLines("").empty());
}

std::string Written(const DistinctLines& lines) {
  FILE* file = std::tmpfile();
  EXPECT_TRUE(lines.WriteTo(file));
  std::string text(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  EXPECT_EQ(std::fread(&text[0], 1, text.size(), file), text.size());
  std::fclose(file);
  return text;
}

TEST(DistinctLines, KeepsFirstCopiesInOrderByteForByte) {
  DistinctLines lines;
  for (const char* line : {"b\n", "a\n", "b\n", "B\n", "a", "a\n", "", ""})
    ASSERT_TRUE(lines.Add(line, std::strlen(line)));
  EXPECT_EQ(lines.Count(), 5u);
  EXPECT_EQ(Written(lines), "b\na\nB\na");
}

TEST(DistinctLines, ManyLinesWithManyRepeats) {
  DistinctLines lines;
  std::string expected;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 40000; ++i) {
      std::string line = "line " + std::to_string(i * 7919 % 40000) + "\n";
      ASSERT_TRUE(lines.Add(line.data(), line.size()));
      if (round == 0) expected += line;
    }
  }
  EXPECT_EQ(lines.Count(), 40000u);
  EXPECT_EQ(Written(lines), expected);
}

TEST(WriteRecordText, LineBreaksAndTheEndOfFileMarkBecomeBlanks) {
  FILE* file = std::tmpfile();
  const std::string longText = std::string(700, 'x') + "\n" + std::string(300, 'y');
  WriteRecordText(file,
                  "a\r\nb\x1a"
                  "c/1\t");
  WriteRecordText(file, "");
  WriteRecordText(file, longText.c_str());
  std::string text(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  ASSERT_EQ(std::fread(&text[0], 1, text.size(), file), text.size());
  std::fclose(file);
  EXPECT_EQ(text, "a  b c/1\t" + std::string(700, 'x') + " " + std::string(300, 'y'));
}

}  // namespace
