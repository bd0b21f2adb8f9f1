// Starts confirmed by the stream: real encoders' tagless frame streams start where they begin and nowhere
// else; a recording too short to confirm starts only when its chain ends validly.
#include "streams/StartCheck.h"

#include <gtest/gtest.h>

#include "streams/StreamUnit.h"
#include "support/StreamFeed.h"

namespace quillot {
namespace {

using test::TBytes;

constexpr uint32_t kSector = 512;

// Where the chain of the stream at bytes' start has found frames frames, each where the last one ended.
uint64_t EndOfFrames(std::string_view unit, const TBytes& bytes, uint64_t frames) {
  auto u = MakeStreamUnit(unit);
  for (size_t at = 0; at < bytes.size() && u->ChainedFrames() < frames; ++at) u->Feed(&bytes[at], 1);
  return u->ChainedFrames() == frames ? u->LastFrameEnd() : 0;
}

TStartCheck Check(std::string_view unit, const TBytes& bytes, bool ends = false, size_t from = 0) {
  return CheckStart(unit, bytes.data() + from, bytes.size() - from, ends, kSector);
}

struct TCase {
  const char* unit;
  const char* fixture;
};

class StartCheckTest : public ::testing::TestWithParam<TCase> {};

TEST_P(StartCheckTest, ConfirmsWhereAStreamBeginsAndNowhereElse) {
  const TCase& c = GetParam();
  const TBytes stream = test::StreamFixture(c.unit, c.fixture);
  ASSERT_FALSE(stream.empty());
  const TBytes noise = test::RandomBytes(64 * 1024, 17);

  // The whole stream, with random bytes after it or the end of the data.
  EXPECT_EQ(Check(c.unit, test::Concat(stream, noise)), TStartCheck::Confirmed);
  EXPECT_EQ(Check(c.unit, stream, true), TStartCheck::Confirmed);
  // At every byte inside the first frame: no stream starts there.
  const uint64_t second = EndOfFrames(c.unit, stream, 1);
  ASSERT_GT(second, 0u);
  for (size_t from = 1; from < second; ++from)
    EXPECT_EQ(Check(c.unit, test::Concat(stream, noise), false, from), TStartCheck::Refused) << "from " << from;

  // Two frames are too few to prove a stream by themselves; they start a short recording when zeros fill
  // their sector's rest, or the data ends with them. One frame never does.
  const uint64_t two = EndOfFrames(c.unit, stream, 2);
  ASSERT_GT(two, 0u);
  const TBytes first2(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(two));
  const TBytes first1(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(second));
  const TBytes zeros(kSector + 1, 0);
  EXPECT_EQ(Check(c.unit, test::Concat(first2, noise)), TStartCheck::Refused);
  EXPECT_EQ(Check(c.unit, test::Concat(test::Concat(first2, zeros), noise)), TStartCheck::Confirmed);
  EXPECT_EQ(Check(c.unit, first2, true), TStartCheck::Confirmed);
  EXPECT_EQ(Check(c.unit, test::Concat(test::Concat(first1, zeros), noise)), TStartCheck::Refused);
  EXPECT_EQ(Check(c.unit, first1, true), TStartCheck::Refused);
  // A damaged second frame: its header cut away.
  TBytes broken = stream;
  broken[second] ^= 0xFF;
  EXPECT_EQ(Check(c.unit, broken), TStartCheck::Refused);
}

INSTANTIATE_TEST_SUITE_P(RealEncoders, StartCheckTest,
                         ::testing::Values(TCase{"mpeg-audio", "tagless-vbr-mpeg2.mp3"},
                                           TCase{"mpeg-audio", "tagless-crc-mpeg25.mp3"},
                                           TCase{"mpeg-audio", "no-info-crc.mp3"}, TCase{"mpeg-audio", "mpeg25.mp3"},
                                           TCase{"mpeg-audio", "layer2.mp2"}, TCase{"mpeg-audio", "layer2-crc.mp2"},
                                           TCase{"mpeg-audio", "layer2-mpeg2-crc.mp2"},
                                           TCase{"mpeg-audio", "ffmpeg.mp2"}, TCase{"adts", "s44.aac"},
                                           TCase{"adts", "m8.aac"}, TCase{"ac3", "s48.ac3"}, TCase{"ac3", "m44.ac3"},
                                           TCase{"ac3", "s48.eac3"}, TCase{"dts", "s48.dts"}, TCase{"dts", "s44.dts"}),
                         [](const auto& info) {
                           std::string name = std::string(info.param.unit) + "_" + info.param.fixture;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

TEST(StartCheck, OnlyFrameChainsConfirmStarts) {
  const TBytes riff = test::SampleAudio("voice-memo.wav");
  EXPECT_EQ(CheckStart("riff", riff.data(), riff.size(), true, kSector), TStartCheck::NoCheck);
  EXPECT_EQ(CheckStart("no-such-unit", riff.data(), riff.size(), true, kSector), TStartCheck::NoCheck);
  // What start-up tells the catalogue is what CheckStart does.
  for (std::string_view unit : StreamUnitNames())
    EXPECT_EQ(ConfirmsStarts(unit), CheckStart(unit, riff.data(), riff.size(), true, kSector) != TStartCheck::NoCheck)
        << unit;
  EXPECT_TRUE(ConfirmsStarts("adts"));
  EXPECT_FALSE(ConfirmsStarts("riff") || ConfirmsStarts("no-such-unit"));
}

}  // namespace
}  // namespace quillot
