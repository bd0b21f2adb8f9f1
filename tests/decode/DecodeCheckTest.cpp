// The decoder program over the real clips of samples/audio, whole, cut, damaged and with bytes after
// their stream's end, and the parent surviving a child that hangs, spins, crashes or eats memory.
#include "decode/DecodeCheck.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/Files.h"
#include "support/TempDir.h"

// A skip inside a helper would only leave the helper: the test itself returns here.
#define NEED_DECODER()                                                                    \
  do {                                                                                    \
    if (!QUILLOT_HAVE_DECODER) GTEST_SKIP() << "built without FFmpeg: no quillot-decode"; \
    ASSERT_FALSE(DecoderProgram().empty()) << "quillot-decode is not beside the tests";   \
  } while (0)

namespace quillot::decode {

namespace {
const std::string kClips = std::string(QUILLOT_SOURCE_DIR) + "/samples/audio/";

// The clips, the playing time their encoders gave them (ffprobe's duration where the container states
// the samples exactly, else the samples left after the encoder's delay and padding), one frame of the
// codec in seconds, whether the container states its length (so a cut copy can never play to the end),
// and whether the codec or container checks its bytes (so damage in the middle breaks it).
struct TClip {
  const char* name;
  double seconds, frame;
  bool statesLength, checked;
};
const TClip kClipTable[] = {
    {"chirp.aiff", 2.000, 1.0 / 16000, true, false},       // ffprobe 2.000000, soxi 2.000000
    {"chirp.flac", 2.000, 4096.0 / 16000, true, true},     // ffprobe 2.000000
    {"field-tune.mp3", 3.000, 576.0 / 22050, true, true},  // LAME's header: 66150 samples; soxi 3.000
    {"note.opus", 3.702, 0.020, false, true},              // 177690 samples at 48 kHz after the pre-skip; ffprobe 3.708
    {"reminder.mp3", 3.702, 576.0 / 22050, true, true},    // LAME's header: 81626 samples
    {"tune.ogg", 3.000, 2048.0 / 22050, false, true},      // ffprobe 3.000000, soxi 3.000000
    {"voice-memo.wav", 4.236, 1.0 / 16000, true, false},   // ffprobe 4.236000, soxi 4.236000
    {"voice.m4a", 4.236, 1024.0 / 22050, true, true},      // ffprobe 4.236009 (93404 samples)
};

// Bytes a fixed generator makes, so a damaged copy is the same every run.
std::string Noise(size_t n) {
  std::string out;
  uint32_t x = 12345;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    out += static_cast<char>(x >> 16);
  }
  return out;
}
}  // namespace

TEST(DecodeCheck, EveryClipPlaysToTheEndForItsLength) {
  NEED_DECODER();
  for (const TClip& clip : kClipTable) {
    SCOPED_TRACE(clip.name);
    const TDecodeReport r = CheckRecoveredFile(kClips + clip.name, 0);
    EXPECT_EQ(r.Outcome, TDecodeOutcome::PlaysToEnd) << OutcomeText(r);
    EXPECT_NEAR(r.Seconds, clip.seconds, clip.frame + 0.001);
    EXPECT_EQ(r.BytesAfterEnd, 0u);
    EXPECT_GT(r.SampleRate, 0);
    EXPECT_GT(r.Channels, 0);
    EXPECT_FALSE(r.Codec.empty());
    ASSERT_EQ(r.Envelope.size(), kEnvelopePoints);
    float loudest = 0;
    for (const auto& p : r.Envelope) loudest = std::max(loudest, p.Peak);
    EXPECT_GT(loudest, 0.05f);
  }
}

// Half a file: it breaks, plays shorter or has no audio left; it never plays to the end where its
// container states how long it is.
TEST(DecodeCheck, CutCopiesNeverPassForWhole) {
  NEED_DECODER();
  test::TTempDir dir;
  for (const TClip& clip : kClipTable) {
    SCOPED_TRACE(clip.name);
    const std::string bytes = test::ReadText(kClips + clip.name);
    const std::string cut = dir.File(std::string("cut-") + clip.name);
    test::WriteText(cut, bytes.substr(0, bytes.size() / 2));
    const TDecodeReport r = CheckRecoveredFile(cut, 0);
    if (clip.statesLength) {
      EXPECT_NE(r.Outcome, TDecodeOutcome::PlaysToEnd) << OutcomeText(r);
    }
    if (r.Outcome == TDecodeOutcome::Breaks) {
      EXPECT_LE(r.BreakByte, bytes.size() / 2);
      EXPECT_LT(r.BreakSeconds, clip.seconds * 0.75);
    }
    if (r.Outcome == TDecodeOutcome::PlaysToEnd) {
      EXPECT_LT(r.Seconds, clip.seconds * 0.75);
    }
    EXPECT_NE(r.Outcome, TDecodeOutcome::Crashed) << OutcomeText(r);
  }
}

// 2000 bytes overwritten in the middle: a codec or container that checks its bytes breaks near there;
// PCM has nothing to check and plays on.
TEST(DecodeCheck, DamageBreaksNearItWhereTheBytesAreChecked) {
  NEED_DECODER();
  test::TTempDir dir;
  for (const TClip& clip : kClipTable) {
    SCOPED_TRACE(clip.name);
    std::string bytes = test::ReadText(kClips + clip.name);
    const size_t at = bytes.size() / 2, length = 2000;
    bytes.replace(at, length, Noise(length));
    const std::string damaged = dir.File(std::string("damaged-") + clip.name);
    test::WriteText(damaged, bytes);
    const TDecodeReport r = CheckRecoveredFile(damaged, 0);
    if (!clip.checked) {
      EXPECT_EQ(r.Outcome, TDecodeOutcome::PlaysToEnd) << OutcomeText(r);
      continue;
    }
    ASSERT_EQ(r.Outcome, TDecodeOutcome::Breaks) << OutcomeText(r);
    // A page or a packet's start may lie a few kilobytes before the damage; the break is told by the
    // packet where it was found or at the end of the last one that decoded.
    EXPECT_GE(r.BreakByte + 8192, at);
    EXPECT_LE(r.BreakByte, at + length + 8192);
    EXPECT_LT(r.BreakSeconds, clip.seconds);
    EXPECT_FALSE(r.Error.empty());
  }
}

// Another file's bytes after the stream's end are counted, not decoded: the clip still plays to its end.
TEST(DecodeCheck, BytesAfterTheStreamsEndAreCountedNotJudged) {
  NEED_DECODER();
  test::TTempDir dir;
  for (const TClip& clip : kClipTable) {
    SCOPED_TRACE(clip.name);
    const std::string bytes = test::ReadText(kClips + clip.name);
    const std::string padded = dir.File(std::string("padded-") + clip.name);
    test::WriteText(padded, bytes + Noise(5000));
    const TDecodeReport r = CheckRecoveredFile(padded, bytes.size());
    EXPECT_EQ(r.Outcome, TDecodeOutcome::PlaysToEnd) << OutcomeText(r);
    EXPECT_EQ(r.BytesAfterEnd, 5000u);
    EXPECT_NEAR(r.Seconds, clip.seconds, clip.frame + 0.001);
  }
}

// The pcm command line: its header line, then every sample as 16-bit little-endian.
TEST(DecodeCheck, PcmGivesEverySample) {
  NEED_DECODER();
  std::string command;
  for (const auto& a : PcmArguments(kClips + "chirp.aiff", 0, {})) command += "'" + a + "' ";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  EXPECT_EQ(pclose(pipe), 0);
  const std::string header = "rate=16000 channels=1\n";
  ASSERT_EQ(out.substr(0, header.size()), header);
  EXPECT_EQ(out.size() - header.size(), 32000u * 2);
}

// A child that hangs or spins is ended (by the parent's clock, or by the processor limit it set itself),
// one that crashes or runs out of memory answers Crashed, one that cannot start too: the parent always
// comes back.
TEST(DecodeCheck, TheParentOutlivesEveryWayTheChildFails) {
  NEED_DECODER();
  struct TRow {
    std::vector<std::string> args;
    TDecodeLimits limits;
    TDecodeOutcome outcome;
    std::string error;
  };
  const std::string program = DecoderProgram();
  for (const auto& row : {
           TRow{{program, "test-hang"}, {std::chrono::seconds(1)}, TDecodeOutcome::TimedOut, "ran past 1 s"},
           TRow{{program, "test-spin", "--cpu=1"},
                {std::chrono::seconds(60)},
                TDecodeOutcome::TimedOut,
                "processor time"},
           TRow{{program, "test-crash"}, {}, TDecodeOutcome::Crashed, "killed by signal 11"},
           TRow{{program, "test-eat", "--memory=268435456"}, {}, TDecodeOutcome::Crashed, "out of memory"},
           TRow{{program, "check", "--", "/nonexistent/file.wav"}, {}, TDecodeOutcome::NoAudio, ""},
           TRow{{program, "no-such-mode"}, {}, TDecodeOutcome::Crashed, "no answer"},
           TRow{{"/nonexistent/quillot-decode"}, {}, TDecodeOutcome::Crashed, "cannot start"},
       }) {
    SCOPED_TRACE(row.args[row.args.size() > 1 ? 1 : 0]);
    const TDecodeReport r = RunDecoder(row.args, row.limits);
    EXPECT_EQ(r.Outcome, row.outcome) << OutcomeText(r);
    EXPECT_NE(r.Error.find(row.error), std::string::npos) << r.Error;
  }
}

}  // namespace quillot::decode
