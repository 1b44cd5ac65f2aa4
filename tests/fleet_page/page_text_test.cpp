#include "fleet/page_text.h"

#include <gtest/gtest.h>

#include "fleet/page_chart.h"

namespace fleet {
namespace {

TEST(PageText, EscapesMarkupForTextAndAttributes) {
  EXPECT_EQ(EscapeHtml("<img src=x onerror='a(\"b\")'>&amp;"),
            "&lt;img src=x onerror=&#39;a(&quot;b&quot;)&#39;&gt;&amp;amp;");
  EXPECT_EQ(EscapeHtml("Ёлка \xE2\x80\xA8"), "Ёлка \xE2\x80\xA8");
}

TEST(PageText, JsonStringsCannotLeaveTheirScriptElement) {
  struct {
    const char* text;
    const char* json;
  } const cases[] = {
      {"</script><script>x()</script>",
       "\"\\u003c/script\\u003e\\u003cscript\\u003ex()\\u003c/script\\u003e\""},
      {"<!-- a & b -->", "\"\\u003c!-- a \\u0026 b --\\u003e\""},
      {"say \"hi\" \\ there", "\"say \\\"hi\\\" \\\\ there\""},
      {"tab\there\nline\r", "\"tab\\u0009here\\u000aline\\u000d\""},
      {"a\xE2\x80\xA8"
       "b\xE2\x80\xA9"
       "c",
       "\"a\\u2028b\\u2029c\""},
      {"\xE2\x80\xA6 stays", "\"\xE2\x80\xA6 stays\""},
      {"\xE2\x80", "\"\xE2\x80\""},  // cut short at the end: no read beyond it
      {"", "\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

TEST(PageText, ShortensBetweenCharacters) {
  EXPECT_EQ(Shorten("abcdef", 6), "abcdef");
  EXPECT_EQ(Shorten("abcdefg", 6), "abcdef\xE2\x80\xA6");
  EXPECT_EQ(Shorten("ЁлкаЁлка", 5), "ЁлкаЁ\xE2\x80\xA6");
  EXPECT_EQ(Shorten("", 3), "");
}

TEST(PageText, GroupsDigitsInThrees) {
  EXPECT_EQ(GroupDigits(0), "0");
  EXPECT_EQ(GroupDigits(999), "999");
  EXPECT_EQ(GroupDigits(1000), "1,000");
  EXPECT_EQ(GroupDigits(-1234567), "-1,234,567");
}

TEST(PageChart, KeepsTheLargestAndSumsUpTheRest) {
  std::map<std::string, std::int64_t> counts = {{"a", 5}, {"b", 9}, {"c", 5}, {"d", 1}, {"e", 2}};
  auto all = LargestBars(counts, 4);  // one more than kept: no "Other" bar for a single label
  ASSERT_EQ(all.size(), 5u);
  auto bars = LargestBars(counts, 2);
  ASSERT_EQ(bars.size(), 3u);
  EXPECT_EQ(bars[0].label, "b");
  EXPECT_EQ(bars[1].label, "a");
  EXPECT_TRUE(bars[2].rest);
  EXPECT_EQ(bars[2].count, 8);
  EXPECT_EQ(bars[2].label, "Other (3)");
}

TEST(PageChart, LabelsAreEscapedAndCut) {
  std::string svg = BarChartSvg("<t>", {{"<b>" + std::string(60, 'x'), 3, false}});
  EXPECT_EQ(svg.find("<b>"), std::string::npos);
  EXPECT_NE(svg.find("<title>&lt;t&gt;</title>"), std::string::npos);
  EXPECT_NE(svg.find(std::string(37, 'x') + "\xE2\x80\xA6</text>"), std::string::npos);
}

}  // namespace
}  // namespace fleet
