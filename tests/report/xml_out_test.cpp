// CXmlOut: escaping, the file's frame, indentation and line ends, the limits of texts and names,
// and the UTF-16 to UTF-8 encoder at its edges.
#include "report/xml_out.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/text.h"
#include "platform/sim/builder.h"
#include "tests/report/host_folder.h"

namespace {

const std::string kHead = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
const std::string R = "\xEF\xBF\xBD";  // U+FFFD

// Exposes the encoder, so that UTF-16 which no ANSI code page produces can be fed to it.
class WideWriter : public CXmlOut {
 public:
  using CXmlOut::WriteWide;
};

class XmlOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = sim::MachineBuilder().Build();
    machine_->facts.driveFolders['C'] = folder_.path();
    installed_.reset(new sim::ScopedMachine(*machine_));
    EXPECT_TRUE(writer_.OpenFile("C:\\r.xml"));
  }

  // Everything after the byte-order mark and the declaration.
  std::string Body() {
    writer_.CloseFile();
    std::string bytes = folder_.Read("r.xml");
    EXPECT_EQ(kHead, bytes.substr(0, kHead.size()));
    return bytes.substr(std::min(bytes.size(), kHead.size()));
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
  return output;
}

// Each special byte once, everything else as it is; a value that does not fit ends before the
// first entity that does not fit whole.
TEST(EscapeText, MapsTheFiveSpecialBytesAndNeverCutsAnEntity) {
  const std::string a(kReportTextCapacity - 5, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"A&B <x> it's \"so\"", "A&amp;B &lt;x&gt; it&apos;s &quot;so&quot;"},
      {"&amp;\t\r\n\x01\xE9\xFF", "&amp;amp;\t\r\n\x01\xE9\xFF"},
      {a + "&", a + "&amp;"},
      {a + "a&bc", a + "a"},
      {a + "aaaa<", a + "aaaa"},
      {a + std::string(100, 'a'), a + "aaaaa"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, Escaped(c.first)) << c.first.substr(0, 40);
}

// wsprintfA fills at most 1024 bytes with the terminator (measured under Wine): BoundedFormat
// refuses what it would cut, and what does not fit the area, and leaves the area alone.
TEST(BoundedFormat, RefusesWhatWsprintfWouldCut) {
  char area[2000 + 1] = "#";
  EXPECT_FALSE(BoundedFormat(area, 2000, "<%s>", std::string(1022, 'n').c_str()));
  EXPECT_FALSE(BoundedFormat(area, 9, "<%s>", "12345678"));
  EXPECT_EQ('#', area[0]);
  EXPECT_TRUE(BoundedFormat(area, 2000, "<%s>", std::string(1021, 'n').c_str()));
  EXPECT_EQ(size_t{1023}, std::strlen(area));
  EXPECT_TRUE(BoundedFormat(area, 9, "<%s>", "1234567") && std::string(area) == "<1234567>");
}

TEST_F(XmlOutTest, TheEncoderAtItsEdges) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"\x7F\x80\x7FF\x800", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80"},
      {u"\xFFFD\xFFFE\xFFFF", R + R + R},
      {u"\xD800\xDC00\xDBFF\xDFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
      {u"a\xD83D\xDE00", "a\xF0\x9F\x98\x80"},
      {u"\xDC00x\xD800\xD800\xDC01", R + "x" + R + "\xF0\x90\x80\x81"},
      {u"\xD800\xE000y\xDBFF", R + "\xEE\x80\x80y" + R},
      {u"\x01\t\x1F\r\n \n", R + "\t" + R + "\r\r\n \r\n"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
    EXPECT_TRUE(writer_.WriteWide(c.first.c_str()));
    EXPECT_EQ(c.second, Body());
  }
}

TEST_F(XmlOutTest, ElementsAndTextsOneTabPerLevel) {
  folder_.Write("r.xml", std::string(10000, 'z'));  // truncated by the next open
  ASSERT_TRUE(writer_.OpenFile("C:\\r.xml"));
  EXPECT_TRUE(writer_.WriteText(2, "<t a=\"x&y\">\n"));
  EXPECT_TRUE(writer_.WriteText(-1, "<b>\n"));
  EXPECT_TRUE(writer_.WriteElement(1, "v", "A&B\n\xE9\x80"));  // code page 1252
  EXPECT_TRUE(writer_.WriteElement(1, "w", "x"));
  EXPECT_TRUE(writer_.WriteElement(3, "e", ""));
  EXPECT_TRUE(writer_.WriteElement(-5, "n", nullptr));
  EXPECT_EQ(
      "\t\t<t a=\"x&y\">\r\n<b>\r\n\t<v>A&amp;B\r\n\xC3\xA9\xE2\x82\xAC</v>\r\n"
      "\t<w>x</w>\r\n\t\t\t<e />\r\n<n />\r\n",
      Body());
}

// Texts of up to 4096 units are written whole, across the encoder's buffer, longer ones not at
// all; names end at 76 characters, after what was written.
TEST_F(XmlOutTest, TheLimitsOfTextsAndNames) {
  const std::string n76(76, 'n'), n77(77, 'm');
  EXPECT_TRUE(writer_.WriteText(1, std::string(4096, 'a').c_str()));
  EXPECT_FALSE(writer_.WriteText(1, std::string(4097, 'b').c_str()));
  EXPECT_TRUE(writer_.WriteElement(0, n76.c_str(), "v"));
  EXPECT_FALSE(writer_.WriteElement(0, n77.c_str(), "v"));
  EXPECT_FALSE(writer_.WriteElement(0, std::string(1100, 'l').c_str(), ""));
  EXPECT_EQ("\t" + std::string(4096, 'a') + "<" + n76 + ">v</" + n76 + ">\r\n<" + n77 + ">v",
            Body());
}

TEST_F(XmlOutTest, NothingIsWrittenWithoutAFileANameOrAText) {
  EXPECT_FALSE(writer_.WriteText(3, "") || writer_.WriteElement(3, "", "value") ||
               writer_.WriteElement(3, nullptr, "value"));
  EXPECT_EQ("", Body());
  EXPECT_FALSE(writer_.OpenFile("C:\\missing\\r.xml"));
  writer_.CloseFile();  // a second close is harmless
  EXPECT_FALSE(writer_.WriteText(0, "<a>\n") || writer_.WriteElement(0, "a", "b") ||
               writer_.WriteElement(0, "a", "") || writer_.WriteWide(u"a"));
  {
    CXmlOut writer;  // the destructor closes the file
    ASSERT_TRUE(writer.OpenFile("C:\\d.xml") && writer.WriteText(0, "<end/>\n"));
  }
  EXPECT_EQ(kHead + "<end/>\r\n", folder_.Read("d.xml"));
}

}  // namespace
