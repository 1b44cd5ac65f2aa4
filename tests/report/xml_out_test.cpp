#include "report/xml_out.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/text.h"
#include "platform/sim/builder.h"
#include "tests/report/host_folder.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Exposes the encoder, so that UTF-16 which no ANSI code page produces can be fed to it.
class WideWriter : public CXmlOut {
 public:
  using CXmlOut::WriteWide;
};

class XmlOutTest : public ::testing::Test {
 protected:
  void SetUp() override { Install(1252); }

  void Install(UINT codePage) {
    installed_.reset();
    machine_ = sim::MachineBuilder()
                   .With([&](sim::Facts& f) {
                     f.driveFolders['C'] = folder_.path();
                     f.ansiCodePage = codePage;
                   })
                   .Build();
    installed_.reset(new sim::ScopedMachine(*machine_));
  }

  // Everything after the byte-order mark and the declaration.
  std::string Body() {
    writer_.CloseFile();
    std::string bytes = folder_.Read("r.xml");
    std::string head = kBom + kDeclaration;
    EXPECT_EQ(head, bytes.substr(0, head.size()));
    return bytes.size() >= head.size() ? bytes.substr(head.size()) : std::string();
  }

  HostFolder folder_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::ScopedMachine> installed_;
  WideWriter writer_;
};

std::string Escaped(const std::string& value) {
  char output[kReportTextCapacity + 1];
  std::memset(output, 'x', sizeof output);
  CXmlOut::EscapeText(value.c_str(), output);
  EXPECT_EQ('\0', output[kReportTextCapacity]);
  return output;
}

TEST(EscapeText, MapsEachSpecialByteOnce) {
  struct Case {
    const char* value;
    const char* escaped;
  } cases[] = {
      {"A&B <x>", "A&amp;B &lt;x&gt;"},
      {"it's \"so\"", "it&apos;s &quot;so&quot;"},
      {"&amp;", "&amp;amp;"},  // an entity in the value is text, escaped again
      {"tab\there\r\nline", "tab\there\r\nline"},
      {"\x01\x1F\xE9\xFF", "\x01\x1F\xE9\xFF"},  // control bytes and high bytes pass
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.escaped, Escaped(c.value)) << c.value;
}

TEST(EscapeText, CutsBeforeAWholeEntityNeverInsideOne) {
  const int capacity = kReportTextCapacity;
  // Exactly full: 4091 letters and one five-character entity.
  EXPECT_EQ(std::string(capacity - 5, 'a') + "&amp;",
            Escaped(std::string(capacity - 5, 'a') + "&"));
  // One character short for the entity: the value ends before it, and stays ended.
  EXPECT_EQ(std::string(capacity - 4, 'a'), Escaped(std::string(capacity - 4, 'a') + "&bc"));
  EXPECT_EQ(std::string(capacity - 1, 'a'), Escaped(std::string(capacity - 1, 'a') + "<"));
  // Plain text longer than the capacity is cut at the capacity.
  EXPECT_EQ(std::string(capacity, 'a'), Escaped(std::string(capacity + 100, 'a')));
  // Dense in entities: 1000 quotes would need 6000 characters; the 682 whole ones stay.
  std::string cut = Escaped(std::string(1000, '"'));
  EXPECT_EQ(size_t{682 * 6}, cut.size());
  EXPECT_EQ("&quot;", cut.substr(cut.size() - 6));
}

// The tags of an element are formed with FormatPath, whose wsprintfA fills at most 1024 bytes
// with the terminator (measured under Wine): a result of 1024 characters would come out cut.
TEST(FormatPath, RefusesWhatWsprintfWouldCut) {
  char area[2000 + 1];
  std::memset(area, '#', sizeof area);
  EXPECT_TRUE(FormatPath(area, 2000, "<%s>", std::string(1021, 'n').c_str()));
  EXPECT_EQ(size_t{1023}, std::strlen(area));
  std::memset(area, '#', sizeof area);
  EXPECT_FALSE(FormatPath(area, 2000, "<%s>", std::string(1022, 'n').c_str()));
  EXPECT_EQ('#', area[0]);  // refused: the area is untouched
  EXPECT_FALSE(FormatPath(area, 9, "<%s>", "12345678"));
  EXPECT_TRUE(FormatPath(area, 9, "<%s>", "1234567"));
  EXPECT_STREQ("<1234567>", area);
}

TEST_F(XmlOutTest, OpenFileWritesTheMarkAndTheDeclaration) {
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  writer_.CloseFile();
  EXPECT_EQ(kBom + kDeclaration, folder_.Read("r.xml"));
}

TEST_F(XmlOutTest, OpenFileTruncatesAnExistingFile) {
  folder_.Write("r.xml", std::string(10000, 'z'));
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_EQ("", Body());
}

TEST_F(XmlOutTest, WithoutAnOpenFileNothingIsWritten) {
  EXPECT_FALSE(writer_.OpenFile("C:\\missing\\r.xml"));
  EXPECT_FALSE(folder_.Exists("missing"));
  EXPECT_FALSE(writer_.WriteText(0, "<a>\n"));
  EXPECT_FALSE(writer_.WriteElement(0, "a", "b"));
  EXPECT_FALSE(writer_.WriteElement(0, "a", ""));

  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  writer_.CloseFile();
  writer_.CloseFile();  // a second close is harmless
  EXPECT_FALSE(writer_.WriteText(0, "<a>\n"));
  EXPECT_EQ(kBom + kDeclaration, folder_.Read("r.xml"));
}

TEST_F(XmlOutTest, TheDestructorClosesTheFile) {
  {
    CXmlOut writer;
    ASSERT_TRUE(writer.OpenFile("C:\\d.xml"));
    ASSERT_TRUE(writer.WriteText(0, "<end/>\n"));
  }
  EXPECT_EQ(kBom + kDeclaration + "<end/>\r\n", folder_.Read("d.xml"));
}

TEST_F(XmlOutTest, LinesAreIndentedByOneTabPerLevel) {
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_TRUE(writer_.WriteText(0, "<a>\n"));
  EXPECT_TRUE(writer_.WriteText(-1, "<b>\n"));
  EXPECT_TRUE(writer_.WriteText(2, "<c>\n"));
  EXPECT_TRUE(writer_.WriteElement(1, "ip", "10.0.0.5"));
  EXPECT_TRUE(writer_.WriteElement(3, "csdVersion", ""));
  EXPECT_TRUE(writer_.WriteElement(-5, "e", nullptr));
  EXPECT_TRUE(writer_.WriteElement(2, "v", "A&B <x>"));
  EXPECT_EQ(
      "<a>\r\n"
      "<b>\r\n"
      "\t\t<c>\r\n"
      "\t<ip>10.0.0.5</ip>\r\n"
      "\t\t\t<csdVersion />\r\n"
      "<e />\r\n"
      "\t\t<v>A&amp;B &lt;x&gt;</v>\r\n",
      Body());
}

TEST_F(XmlOutTest, EmptyTextOrNameWritesNothing) {
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_FALSE(writer_.WriteText(3, ""));
  EXPECT_FALSE(writer_.WriteElement(3, "", "value"));
  EXPECT_EQ("", Body());
}

TEST_F(XmlOutTest, TextIsWrittenUnescapedAndLineFeedsBecomeCrLf) {
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_TRUE(writer_.WriteText(0, "<t a=\"x&y\">\n"));
  EXPECT_TRUE(writer_.WriteElement(1, "v", "one\ntwo"));
  EXPECT_TRUE(writer_.WriteElement(1, "w", "cr\r\nlf\tx"));
  EXPECT_EQ(
      "<t a=\"x&y\">\r\n"
      "\t<v>one\r\ntwo</v>\r\n"
      "\t<w>cr\r\r\nlf\tx</w>\r\n",
      Body());
}

TEST_F(XmlOutTest, CharactersXmlForbidsBecomeTheReplacementCharacter) {
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_TRUE(writer_.WriteElement(0, "v",
                                   "a\x01"
                                   "b\x08\x0B\x0C\x0E\x1F"
                                   "c"));
  EXPECT_TRUE(writer_.WriteText(0, "\x07\n"));
  std::string r = kReplacement;
  EXPECT_EQ("<v>a" + r + "b" + r + r + r + r + r + "c</v>\r\n" + r + "\r\n", Body());
}

TEST_F(XmlOutTest, AnsiTextOfCodePage1252BecomesUtf8) {
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_TRUE(writer_.WriteElement(0, "v", "Caf\xE9 \x80 \xFF"));
  EXPECT_EQ("<v>Caf\xC3\xA9 \xE2\x82\xAC \xC3\xBF</v>\r\n", Body());
}

TEST_F(XmlOutTest, AnsiTextOfCodePage1251BecomesUtf8) {
  Install(1251);
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_TRUE(writer_.WriteElement(0, "v", "\xC0\xFF"));  // А я
  EXPECT_EQ("<v>\xD0\x90\xD1\x8F</v>\r\n", Body());
}

TEST_F(XmlOutTest, TheEncoderCombinesSurrogatePairsAndReplacesLoneOnes) {
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  const WCHAR pair[] = {u'a', 0xD83D, 0xDE00, u'b', 0};            // U+1F600
  const WCHAR lone[] = {0xDC00, u'x', 0xD800, 0xD800, 0xDC01, 0};  // low, high, then a pair
  const WCHAR lastHigh[] = {u'y', 0xDBFF, 0};
  const WCHAR noncharacters[] = {0xFFFE, 0xFFFF, 0xFFFD, 0x7FF, 0x800, u'\n', 0};
  EXPECT_TRUE(writer_.WriteWide(pair));
  EXPECT_TRUE(writer_.WriteWide(lone));
  EXPECT_TRUE(writer_.WriteWide(lastHigh));
  EXPECT_TRUE(writer_.WriteWide(noncharacters));
  std::string r = kReplacement;
  EXPECT_EQ(
      "a\xF0\x9F\x98\x80"
      "b" +
          r + "x" + r + "\xF0\x90\x80\x81" + "y" + r + r + r + r + "\xDF\xBF\xE0\xA0\x80\r\n",
      Body());
}

TEST_F(XmlOutTest, LongTextIsWrittenWholeAcrossTheEncoderBuffer) {
  Install(1251);
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  // 4095 two-byte characters and a line feed: 4096 units, more bytes than one chunk.
  std::string text(4095, '\xC0');
  EXPECT_TRUE(writer_.WriteText(0, (text + "\n").c_str()));
  std::string expected;
  for (int i = 0; i < 4095; ++i) expected += "\xD0\x90";
  EXPECT_EQ(expected + "\r\n", Body());
}

TEST_F(XmlOutTest, TextBeyond4096UnitsIsNotWrittenAtAll) {
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_TRUE(writer_.WriteText(1, std::string(4096, 'a').c_str()));
  EXPECT_FALSE(writer_.WriteText(1, std::string(4097, 'b').c_str()));
  EXPECT_EQ("\t" + std::string(4096, 'a'), Body());
}

TEST_F(XmlOutTest, LongValuesAreCutAtTheCapacity) {
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_TRUE(writer_.WriteElement(0, "v", std::string(5000, 'a').c_str()));
  EXPECT_TRUE(writer_.WriteElement(0, "w", (std::string(4093, 'b') + "<").c_str()));
  EXPECT_EQ("<v>" + std::string(4096, 'a') + "</v>\r\n<w>" + std::string(4093, 'b') + "</w>\r\n",
            Body());
}

TEST_F(XmlOutTest, ElementNamesAreLimitedTo76Characters) {
  std::string name76(76, 'n');
  std::string name77(77, 'm');
  std::string name79(79, 'k');
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_TRUE(writer_.WriteElement(0, name76.c_str(), "v"));
  // The end tag no longer fits: what was written of the line stays.
  EXPECT_FALSE(writer_.WriteElement(0, name77.c_str(), "v"));
  EXPECT_TRUE(writer_.WriteText(0, "\n"));
  // Neither tag fits: only the indentation is written.
  EXPECT_FALSE(writer_.WriteElement(1, name79.c_str(), "v"));
  // The self-closing form has the large capacity.
  EXPECT_TRUE(writer_.WriteElement(0, name79.c_str(), ""));
  EXPECT_EQ("<" + name76 + ">v</" + name76 + ">\r\n" + "<" + name77 + ">v\r\n" + "\t" + "<" +
                name79 + " />\r\n",
            Body());
}

}  // namespace
