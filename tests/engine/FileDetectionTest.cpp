#include <gtest/gtest.h>

#include <vector>

#include "engine/FileDetection.h"

namespace quillot {

namespace {
// A catalogue of (title, order, search, rules), a 3-sector buffer, and the file detection over it.
class TDetectionCase {
 public:
  TDetectionCase& Add(const std::string& title, int order, bool search, const std::string& rules) {
    auto f = std::make_unique<TFormat>();
    f->Title = title;
    f->Order = order;
    f->Search = search;
    f->ScanBytes = rules;
    f->FilePrefix = "p-" + title;
    f->FileExtension = "e-" + title;
    list.Add(std::move(f));
    return *this;
  }
  // Title of the format that claims sector 1 (bytes at 512), or "" for none.
  std::string Claim(std::initializer_list<uint8_t> head = {}) {
    std::fill(buffer.begin(), buffer.end(), 0);
    std::copy(head.begin(), head.end(), buffer.begin() + 512);
    detection = PrepareCatalogue(list);
    detection.SetBufferBounds(buffer.data(), buffer.size());
    const TFormat* f = detection.Match(buffer.data() + 512);
    return f ? f->Title : "";
  }
  TFormatsList list;
  std::vector<uint8_t> buffer = std::vector<uint8_t>(3 * 512);
  TFileDetection detection;
};
}  // namespace

TEST(ParseRule, IntegerSyntaxAndLowEightBits) {
  int32_t offset;
  uint8_t value;
  for (const char* rule : {"0=#73", "0=#$49", "0=#0x49", "0= #73", " 0 =#x49 ", "0=#329", "0=ignored#73"}) {
    ASSERT_TRUE(ParseRule(rule, offset, value)) << rule;
    EXPECT_EQ(offset, 0) << rule;
    EXPECT_EQ(value, 73) << rule;
  }
  ASSERT_TRUE(ParseRule("abc=#abc", offset, value));
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(value, 0);
  ASSERT_TRUE(ParseRule("-1=#-1", offset, value));
  EXPECT_EQ(offset, -1);
  EXPECT_EQ(value, 255);
  ASSERT_TRUE(ParseRule("3=#256", offset, value));
  EXPECT_EQ(value, 0);
  ASSERT_TRUE(ParseRule("3=#99999999999", offset, value));  // out of range reads as 0
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(ParseRule("0=73", offset, value));
  EXPECT_FALSE(ParseRule("0#=73", offset, value));
  EXPECT_FALSE(ParseRule("", offset, value));
}

TEST(FileDetection, AlternativesAndEntries) {
  TDetectionCase m;
  m.Add("id3", 1, true, "0=#73,1=#68,2=#51");
  EXPECT_EQ(m.Claim({73, 68, 51, 9}), "id3");
  EXPECT_EQ(m.Claim({73, 68, 50}), "");

  TDetectionCase notRule;  // 0=73 is not a rule: only offset 1 is tested; a last entry that is no rule never matches
  notRule.Add("a", 1, true, "0=73,1=#68").Add("b", 2, true, "1=#68,0=73");
  EXPECT_EQ(notRule.Claim({0, 68}), "a");
  TDetectionCase onlyB;
  onlyB.Add("b", 2, true, "1=#68,0=73");
  EXPECT_EQ(onlyB.Claim({73, 68}), "");

  TDetectionCase comma;  // a trailing comma adds nothing; a trailing ", " on a middle line never matches
  comma.Add("c", 1, true, "0=#73,");
  EXPECT_EQ(comma.Claim({73}), "c");
  TDetectionCase blankAfter;
  blankAfter.Add("d", 1, true, "0=#73, \r\n0=#99");
  EXPECT_EQ(blankAfter.Claim({73}), "");
  EXPECT_EQ(blankAfter.Claim({99}), "d");
  TDetectionCase lastLine;
  lastLine.Add("e", 1, true, "0=#99\r\n0=#73, ");
  EXPECT_EQ(lastLine.Claim({73}), "e");

  TDetectionCase twoLines;
  twoLines.Add("f", 1, true, "0=#1\n0=#2");
  EXPECT_EQ(twoLines.Claim({1}), "f");
  EXPECT_EQ(twoLines.Claim({2}), "f");
  EXPECT_EQ(twoLines.Claim({3}), "");

  TDetectionCase empties;  // empty entries are skipped; an empty script or blank line never matches
  empties.Add("g", 1, true, "0=#1,,1=#2").Add("h", 2, true, "").Add("i", 3, true, "\r\n\r\n");
  EXPECT_EQ(empties.Claim({1, 2}), "g");
  EXPECT_EQ(empties.Claim({}), "");

  TDetectionCase zeros;  // a sector of zeros matches value 0 anywhere in the sector
  zeros.Add("z", 1, true, "511=#0,0=#abc");
  EXPECT_EQ(zeros.Claim(), "z");
}

TEST(FileDetection, CatalogueOrderSearchFlagAndOutputs) {
  TDetectionCase m;
  m.Add("five", 5, true, "0=#7").Add("two", 2, true, "0=#7").Add("off", 1, false, "0=#7");
  EXPECT_EQ(m.Claim({7}), "two");
  std::string prefix = "old", ext = "old";
  EXPECT_TRUE(m.detection.DetectFileStart(m.buffer.data() + 512, 512, prefix, ext));
  EXPECT_EQ(prefix, "p-two");
  EXPECT_EQ(ext, "e-two");
  EXPECT_EQ(m.list.Items(0).Title, "off");  // the catalogue stays sorted after the pass starts
  // Once a match is turned down, the next searched format in order that matches.
  const uint8_t* sector = m.buffer.data() + 512;
  const TFormat* two = m.detection.Match(sector);
  ASSERT_NE(two, nullptr);
  const TFormat* five = m.detection.MatchAfter(sector, two);
  ASSERT_NE(five, nullptr);
  EXPECT_EQ(five->Title, "five");
  EXPECT_EQ(m.detection.MatchAfter(sector, five), nullptr);
  EXPECT_EQ(m.detection.MatchAfter(sector, &m.list.Items(0)), nullptr);  // not searched: no place in the order
  prefix = ext = "kept";
  m.buffer[512] = 8;
  EXPECT_FALSE(m.detection.DetectFileStart(m.buffer.data() + 512, 512, prefix, ext));
  EXPECT_EQ(prefix, "kept");
  EXPECT_EQ(ext, "kept");
}

TEST(FileDetection, OffsetsBeyondTheSectorReadTheBufferButNeverOutsideIt) {
  TDetectionCase m;
  m.Add("next", 1, true, "512=#5");  // the following sector of the chunk
  m.Claim();
  m.buffer[1024] = 5;
  EXPECT_EQ(m.detection.Match(m.buffer.data() + 512)->Title, "next");
  m.buffer[511] = 4;
  TDetectionCase before;
  before.Add("prev", 1, true, "-1=#4");
  before.Claim();
  before.buffer[511] = 4;
  EXPECT_EQ(before.detection.Match(before.buffer.data() + 512)->Title, "prev");

  // An offset outside the buffer ends the test of the sector: later formats are not tried.
  TDetectionCase outside;
  outside.Add("far", 1, true, "0=#1,100000=#0").Add("later", 2, true, "0=#1");
  EXPECT_EQ(outside.Claim({1}), "");
  outside.Claim({2});  // the far rule is never reached when an earlier rule fails
  outside.buffer[512] = 2;
  EXPECT_EQ(outside.detection.Match(outside.buffer.data() + 512), nullptr);
  TDetectionCase negative;
  negative.Add("neg", 1, true, "-2000000000=#0").Add("later", 2, true, "0=#0");
  EXPECT_EQ(negative.Claim(), "");
  TDetectionCase lastByte;  // the buffer's last byte is inside
  lastByte.Add("edge", 1, true, "1023=#9");
  lastByte.Claim();
  lastByte.buffer[1535] = 9;
  EXPECT_EQ(lastByte.detection.Match(lastByte.buffer.data() + 512)->Title, "edge");
}

}  // namespace quillot
