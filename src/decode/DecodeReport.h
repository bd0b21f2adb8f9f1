// What decoding one recovered file found: how long it plays, whether it plays to the end of its stream,
// and an envelope for a waveform picture. The decoder runs in a child process (quillot-decode); this is
// what it answers, as text, and what the command line and the review window read back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillot::decode {

enum class TDecodeOutcome {
  NotChecked,  // not decoded (yet), or this build has no decoder
  PlaysToEnd,  // decoded without error up to the stream's end
  Breaks,      // the decoder failed at BreakByte / BreakSeconds
  NoAudio,     // no audio stream the decoder can open
  Crashed,     // the decoder process died (a signal, or the memory limit)
  TimedOut,    // the decoder process ran past its time limit and was killed
};

// Whether the audio decoded is the audio its encoder summed: a FLAC stream's STREAMINFO carries an MD5 of
// its samples. A stream whose decode breaks or stops short of its end answers Differs: what plays is not
// the whole recording the sum was taken over, so it cannot match.
enum class TContentSum {
  None,     // no sum to check: not FLAC, its MD5 left all zeros, or never decoded
  Matches,  // decoded to the stream's end, and the samples give the sum carried
  Differs,  // the samples give another sum, or the decode never reached the end
};

// One column of the waveform: the largest absolute sample and the root mean square of the samples it
// covers, over all channels, 0..1.
struct TEnvelopePoint {
  float Peak = 0;
  float Rms = 0;
  bool operator==(const TEnvelopePoint&) const = default;
};

inline constexpr size_t kEnvelopePoints = 200;

struct TDecodeReport {
  TDecodeOutcome Outcome = TDecodeOutcome::NotChecked;
  double Seconds = 0;          // audio decoded, up to the stream's end or the break
  uint64_t BreakByte = 0;      // Breaks: the file offset where decoding failed
  double BreakSeconds = 0;     // Breaks: the playing time reached there
  std::string Error;           // Breaks, NoAudio, Crashed: the decoder's own words
  uint64_t BytesAfterEnd = 0;  // bytes after the stream's end, reported and not judged
  std::string Codec;           // the decoder's name for the codec ("mp3", "flac")
  int SampleRate = 0;
  int Channels = 0;
  TContentSum ContentSum = TContentSum::None;
  std::vector<TEnvelopePoint> Envelope;  // kEnvelopePoints columns over the decoded time, or none
};

// The child's answer as text, one "key=value" line each, and back. Parse answers false on text that is
// not such an answer (a child that died half-way). An answer from before content_sum existed reads as
// None.
std::string DecodeReportText(const TDecodeReport& report);
bool ParseDecodeReport(std::string_view text, TDecodeReport& report);

// A recording whose bytes stop before the end its stream announces (its stream unit's verdict "cut
// short") does not play to its end, however cleanly those bytes decode: PlaysToEnd becomes Breaks where
// the bytes stop. Other outcomes stay.
void JudgeCutShort(TDecodeReport& report, uint64_t fileBytes);

// A playing time as minutes, seconds and tenths: "0:03.2", "2:05.1".
std::string PlayingTime(double seconds);

// "plays to the end", "breaks at 0:03.2 (byte 51200): <error>", "no audio: <error>", "decoder crashed:
// <error>", "decoder timed out: ran past 24 s (the limit for a file of 3.5 MB) and was ended", "not checked":
// the words the report and the terminal print.
std::string OutcomeText(const TDecodeReport& report);

}  // namespace quillot::decode
