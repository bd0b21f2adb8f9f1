#include "decode/DecodeReport.h"

#include <gtest/gtest.h>

namespace quillot::decode {

namespace {
TDecodeReport Full() {
  TDecodeReport r;
  r.Outcome = TDecodeOutcome::Breaks;
  r.Seconds = 3.25;
  r.BreakByte = 51200;
  r.BreakSeconds = 3.2;
  r.Error = "flac: CRC error\nsecond line";
  r.BytesAfterEnd = 777;
  r.Codec = "flac";
  r.SampleRate = 44100;
  r.Channels = 2;
  r.ContentSum = TContentSum::Differs;
  for (size_t i = 0; i < kEnvelopePoints; ++i) r.Envelope.push_back({0.5f, 0.25f});
  return r;
}
}  // namespace

// The answer comes back as sent, a line break in the decoder's words included; every answer a dying
// child tore off, and text that is no answer, is refused.
TEST(DecodeReport, TextComesBackAndTornTextIsRefused) {
  const TDecodeReport sent = Full();
  const std::string text = DecodeReportText(sent);
  TDecodeReport got;
  ASSERT_TRUE(ParseDecodeReport(text, got));
  EXPECT_EQ(got.Outcome, sent.Outcome);
  EXPECT_DOUBLE_EQ(got.Seconds, 3.25);
  EXPECT_EQ(got.BreakByte, 51200u);
  EXPECT_NEAR(got.BreakSeconds, 3.2, 1e-6);
  EXPECT_EQ(got.Error, "flac: CRC error second line");
  EXPECT_EQ(got.BytesAfterEnd, 777u);
  EXPECT_EQ(got.Codec, "flac");
  EXPECT_EQ(got.SampleRate, 44100);
  EXPECT_EQ(got.Channels, 2);
  EXPECT_EQ(got.ContentSum, TContentSum::Differs);
  EXPECT_EQ(got.Envelope, sent.Envelope);
  for (TContentSum sum : {TContentSum::None, TContentSum::Matches}) {
    TDecodeReport r = sent;
    r.ContentSum = sum;
    ASSERT_TRUE(ParseDecodeReport(DecodeReportText(r), got));
    EXPECT_EQ(got.ContentSum, sum);
  }
  for (TDecodeOutcome o : {TDecodeOutcome::NotChecked, TDecodeOutcome::PlaysToEnd, TDecodeOutcome::NoAudio,
                           TDecodeOutcome::Crashed, TDecodeOutcome::TimedOut}) {
    TDecodeReport r;
    r.Outcome = o;
    ASSERT_TRUE(ParseDecodeReport(DecodeReportText(r), got));
    EXPECT_EQ(got.Outcome, o);
    EXPECT_TRUE(got.Envelope.empty());
  }
  // Cut anywhere short of its end: no answer, and what was parsed into stays untouched.
  for (size_t cut = 0; cut < text.size(); ++cut) {
    TDecodeReport kept;
    kept.Codec = "untouched";
    EXPECT_FALSE(ParseDecodeReport(text.substr(0, cut), kept)) << cut;
    EXPECT_EQ(kept.Codec, "untouched");
  }
  const auto swap = [&](const std::string& from, const std::string& to) {
    std::string t = text;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  for (const std::string& bad :
       {text + "more\n", swap("outcome=breaks", "outcome=sings"), swap("seconds=3.25", "seconds=-1"),
        swap("seconds=3.25", "seconds=nan"), swap("break_byte=51200", "break_byte=12x"),
        swap("channels=2", "channels=99999"), swap("codec=flac\n", ""), swap("codec=flac\n", "codec=flac\ncodec=mp3\n"),
        swap("0.5000,0.2500;", "0.5000;"), swap("0.5000,0.2500;", "2.0000,0.2500;"), swap("0.5000,0.2500;", ""),
        swap("codec=flac\n", "codex=flac\n"), swap("content_sum=differs", "content_sum=maybe"),
        swap("content_sum=differs", "content_sum="),
        swap("content_sum=differs\n", "content_sum=differs\ncontent_sum=matches\n"),
        swap("content_sum=differs\n", "content_sum=differs\nchecksum=differs\n"), std::string("garbage\n"),
        std::string()}) {
    EXPECT_FALSE(ParseDecodeReport(bad, got)) << bad.substr(0, 200);
  }
  // An answer from a child that knows no content sum still reads, as one with none to check.
  ASSERT_TRUE(ParseDecodeReport(swap("content_sum=differs\n", ""), got));
  EXPECT_EQ(got.ContentSum, TContentSum::None);
  EXPECT_EQ(got.Codec, "flac");
  EXPECT_EQ(got.Outcome, TDecodeOutcome::Breaks);
}

// A file cut short (cutShort) never plays to its end, however cleanly its bytes decode.
TEST(DecodeReport, OutcomeTextsSayWhatHappened) {
  struct TRow {
    TDecodeOutcome outcome;
    double breakSeconds;
    std::string error, text;
    bool cutShort = false;
  };
  for (const auto& row : {
           TRow{TDecodeOutcome::PlaysToEnd, 0, "", "plays to the end"},
           TRow{TDecodeOutcome::PlaysToEnd, 0, "",
                "breaks at 0:02.0 (byte 40000): the recording's bytes stop before its end", true},
           TRow{TDecodeOutcome::Breaks, 1.5, "mp3: bad frame", "breaks at 0:01.5 (byte 51200): mp3: bad frame", true},
           TRow{TDecodeOutcome::Crashed, 0, "", "decoder crashed", true},
           TRow{TDecodeOutcome::Breaks, 3.24, "flac: CRC error", "breaks at 0:03.2 (byte 51200): flac: CRC error"},
           TRow{TDecodeOutcome::Breaks, 125.06, "", "breaks at 2:05.1 (byte 51200)"},
           TRow{TDecodeOutcome::NoAudio, 0, "moov atom not found", "no audio: moov atom not found"},
           TRow{TDecodeOutcome::Crashed, 0, "", "decoder crashed"},
           TRow{TDecodeOutcome::TimedOut, 0, "", "decoder timed out"},
           TRow{TDecodeOutcome::TimedOut, 0, "ran past 24 s (the limit for a file of 3.5 MB) and was ended",
                "decoder timed out: ran past 24 s (the limit for a file of 3.5 MB) and was ended"},
           TRow{TDecodeOutcome::NotChecked, 0, "", "not checked"},
       }) {
    TDecodeReport r;
    r.Outcome = row.outcome;
    r.BreakSeconds = row.breakSeconds;
    // Only a decode that broke names a byte; a file cut short breaks where its 40000 bytes stop.
    r.BreakByte = row.outcome == TDecodeOutcome::Breaks ? 51200 : 0;
    r.Error = row.error;
    r.Seconds = 2.0;
    if (row.cutShort) JudgeCutShort(r, 40000);
    EXPECT_EQ(OutcomeText(r), row.text);
  }
}

}  // namespace quillot::decode
