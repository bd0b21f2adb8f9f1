// The decoder program over the real clips of samples/audio, whole, cut, damaged and with bytes after
// their stream's end, and the parent surviving a child that hangs, spins, crashes or eats memory.
#include "decode/DecodeCheck.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "streams/Crc.h"
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
const std::string kStreams = std::string(QUILLOT_SOURCE_DIR) + "/tests/fixtures/streams/";

// The clips, the playing time their encoders gave them (ffprobe's duration where the container states
// the samples exactly, else the samples left after the encoder's delay and padding), one frame of the
// codec in seconds, whether the container states its length (so a cut copy can never play to the end),
// whether the codec or container checks its bytes (so damage in the middle breaks it), and whether the
// stream carries a sum of its whole audio (FLAC's MD5; flac -t confirms the clip's).
struct TClip {
  const char* name;
  double seconds, frame;
  bool statesLength, checked, summed = false;
};
const TClip kClipTable[] = {
    {"chirp.aiff", 2.000, 1.0 / 16000, true, false},          // ffprobe 2.000000, soxi 2.000000
    {"chirp.flac", 2.000, 4096.0 / 16000, true, true, true},  // ffprobe 2.000000
    {"field-tune.mp3", 3.000, 576.0 / 22050, true, true},     // LAME's header: 66150 samples; soxi 3.000
    {"note.opus", 3.702, 0.020, false, true},             // 177690 samples at 48 kHz after the pre-skip; ffprobe 3.708
    {"reminder.mp3", 3.702, 576.0 / 22050, true, true},   // LAME's header: 81626 samples
    {"tune.ogg", 3.000, 2048.0 / 22050, false, true},     // ffprobe 3.000000, soxi 3.000000
    {"voice-memo.wav", 4.236, 1.0 / 16000, true, false},  // ffprobe 4.236000, soxi 4.236000
    {"voice.m4a", 4.236, 1024.0 / 22050, true, true},     // ffprobe 4.236009 (93404 samples)
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

uint8_t At(const std::string& bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

// A FLAC file as its metadata and its frames. A frame ends where the next sync code begins with the
// frame's CRC-16 holding before it, or at the file's end.
struct TFlacFile {
  std::string head;
  std::vector<std::string> frames;
  std::string Join() const {
    std::string out = head;
    for (const auto& f : frames) out += f;
    return out;
  }
};

TFlacFile SplitFlac(const std::string& bytes) {
  TFlacFile file;
  size_t at = 4;
  for (bool last = false; !last && at + 4 <= bytes.size();) {
    last = (At(bytes, at) & 0x80) != 0;
    at += 4 + (size_t{At(bytes, at + 1)} << 16 | size_t{At(bytes, at + 2)} << 8 | At(bytes, at + 3));
  }
  file.head = bytes.substr(0, at);
  const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
  for (size_t start = at, q = at + 4; q <= bytes.size(); ++q) {
    const bool sync = q == bytes.size() || (q + 1 < bytes.size() && b[q] == 0xff && (b[q + 1] & 0xfe) == 0xf8);
    if (!sync || Crc16(0, b + start, q - start - 2) != (b[q - 2] << 8 | b[q - 1])) continue;
    file.frames.push_back(bytes.substr(start, q - start));
    start = q;
    q = start + 3;
  }
  return file;
}

// The file with frame `index` made silence, as another recording of the same parameters would have it:
// the frame's header kept (its number, block size and rate), its channels coded independently, each a
// constant zero, its CRCs put right. Every frame decodes; only the sum over the audio can tell.
std::string SilenceAFrame(const std::string& bytes, size_t index) {
  TFlacFile file = SplitFlac(bytes);
  if (index >= file.frames.size()) return "";
  const int bits = ((At(file.head, 8 + 12) & 1) << 4 | At(file.head, 8 + 13) >> 4) + 1;
  const int channels = (At(file.head, 8 + 12) >> 1 & 7) + 1;
  const std::string& frame = file.frames[index];
  // The header: sync, block size and rate, channels and depth, the frame number coded as UTF-8, a block
  // size or rate the codes leave out, then its CRC-8.
  size_t at = 4;
  int ones = 0;
  while (ones < 8 && (At(frame, 4) & (0x80 >> ones))) ++ones;
  at += ones == 0 ? 1 : ones;
  const int blockCode = At(frame, 2) >> 4, rateCode = At(frame, 2) & 15;
  at += blockCode == 6 ? 1 : blockCode == 7 ? 2 : 0;
  at += rateCode == 12 ? 1 : rateCode == 13 || rateCode == 14 ? 2 : 0;
  if (Crc8(0, reinterpret_cast<const uint8_t*>(frame.data()), at) != At(frame, at)) return "";
  std::string silent = frame.substr(0, at);
  silent[3] = static_cast<char>((channels - 1) << 4 | (At(frame, 3) & 0x0f));
  silent += static_cast<char>(Crc8(0, reinterpret_cast<const uint8_t*>(silent.data()), at));
  // Per channel a subframe header of all zeros (constant, no wasted bits) and a zero of `bits` bits.
  silent += std::string((static_cast<size_t>(channels) * (8 + bits) + 7) / 8, '\0');
  const uint16_t crc = Crc16(0, reinterpret_cast<const uint8_t*>(silent.data()), silent.size());
  silent += static_cast<char>(crc >> 8);
  silent += static_cast<char>(crc & 0xff);
  file.frames[index] = silent;
  return file.Join();
}
}  // namespace

TEST(DecodeCheck, EveryClipPlaysToTheEndForItsLength) {
  NEED_DECODER();
  for (const TClip& clip : kClipTable) {
    SCOPED_TRACE(clip.name);
    const TDecodeReport r = CheckRecoveredFile(kClips + clip.name, 0);
    EXPECT_EQ(r.Outcome, TDecodeOutcome::PlaysToEnd) << OutcomeText(r);
    EXPECT_EQ(r.ContentSum, clip.summed ? TContentSum::Matches : TContentSum::None);
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
    // Half the audio can never give the whole recording's sum.
    EXPECT_EQ(r.ContentSum, clip.summed ? TContentSum::Differs : TContentSum::None);
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
    EXPECT_EQ(r.ContentSum, clip.summed ? TContentSum::Differs : TContentSum::None);
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
    EXPECT_EQ(r.ContentSum, clip.summed ? TContentSum::Matches : TContentSum::None);
  }
}

// FLAC's MD5 of its audio, over its three ways into the decoder (STREAMINFO in a FLAC file, bare in Ogg,
// behind "fLaC" in Matroska), at 8, 16 and 24 bits: the intact file matches; frames from another
// recording of the same parameters, or a frame made silence, decode cleanly and only the sum tells;
// a sum left zero is none to check.
TEST(DecodeCheck, TheFlacSumTellsAudioThatIsNotTheRecordings) {
  NEED_DECODER();
  test::TTempDir dir;
  const std::string chirp = test::ReadText(kClips + "chirp.flac");
  const std::string other = test::ReadText(kStreams + "flac/chirp-other.flac");
  const std::string deep = test::ReadText(kStreams + "flac/stereo-24bit.flac");
  const std::string shallow = test::ReadText(kStreams + "flac/stereo-8bit.flac");
  const TFlacFile chirpFile = SplitFlac(chirp), otherFile = SplitFlac(other);
  ASSERT_EQ(chirpFile.Join(), chirp);
  ASSERT_EQ(chirpFile.frames.size(), 8u);  // 32000 samples in blocks of 4096
  ASSERT_GE(otherFile.frames.size(), 7u);
  // Frames 4 to 6 from the other recording: their numbers and CRCs are as the chirp's own would be.
  TFlacFile spliced = chirpFile;
  for (size_t i = 4; i < 7; ++i) spliced.frames[i] = otherFile.frames[i];
  std::string zeroed = chirp;
  zeroed.replace(8 + 18, 16, std::string(16, '\0'));
  struct TRow {
    std::string name, bytes;
    TContentSum sum;
  };
  for (const auto& row : {
           TRow{"chirp.flac", chirp, TContentSum::Matches},
           TRow{"stereo-24bit.flac", deep, TContentSum::Matches},
           TRow{"stereo-8bit.flac", shallow, TContentSum::Matches},
           TRow{"m22.oga", test::ReadText(kStreams + "ogg/m22.oga"), TContentSum::Matches},
           TRow{"tune.mka", test::ReadText(kStreams + "matroska/tune.mka"), TContentSum::Matches},
           TRow{"spliced.flac", spliced.Join(), TContentSum::Differs},
           TRow{"chirp-silent-frame.flac", SilenceAFrame(chirp, 3), TContentSum::Differs},
           TRow{"stereo-24bit-silent-frame.flac", SilenceAFrame(deep, 1), TContentSum::Differs},
           TRow{"stereo-8bit-silent-frame.flac", SilenceAFrame(shallow, 1), TContentSum::Differs},
           TRow{"zero-sum.flac", zeroed, TContentSum::None},
       }) {
    SCOPED_TRACE(row.name);
    ASSERT_FALSE(row.bytes.empty());
    const std::string path = dir.File(row.name);
    test::WriteText(path, row.bytes);
    const TDecodeReport r = CheckRecoveredFile(path, 0);
    EXPECT_EQ(r.Outcome, TDecodeOutcome::PlaysToEnd) << OutcomeText(r);
    EXPECT_EQ(r.Codec, "flac");
    EXPECT_EQ(r.ContentSum, row.sum);
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

// A FLAC stream of tiny frames, each asking for 65535 samples on eight channels of one constant value:
// 26 bytes a frame that decode to half a million samples, so a megabyte of them keeps a decoder busy for
// minutes. Its STREAMINFO announces the most samples it can, so no length is ever met.
namespace {
std::string ExpandingFlac(size_t bytes) {
  std::string out = "fLaC";
  out += std::string("\x80\x00\x00\x22", 4);
  out += std::string("\xff\xff\xff\xff", 4);  // 65535 samples a block, at least and at most
  out += std::string(6, '\0');                // frame sizes unknown
  // 8000 Hz, 8 channels, 8 bits, 2^36 - 1 samples; no MD5.
  const uint64_t packed = uint64_t{8000} << 44 | uint64_t{7} << 41 | uint64_t{7} << 36 | ((uint64_t{1} << 36) - 1);
  for (int i = 7; i >= 0; --i) out += static_cast<char>(packed >> (8 * i));
  out += std::string(16, '\0');
  for (uint32_t n = 0; out.size() < bytes; ++n) {
    // Sync, a 16-bit block size after the header, the rate of STREAMINFO, 8 independent channels of 8 bits,
    // the frame's number (UTF-8 coded), 65535 - 1, the header's CRC-8.
    std::string frame = {'\xff', '\xf8', '\x70', '\x72'};
    if (n < 0x80) {
      frame += static_cast<char>(n);
    } else if (n < 0x800) {
      frame += static_cast<char>(0xc0 | n >> 6);
      frame += static_cast<char>(0x80 | (n & 0x3f));
    } else {
      frame += static_cast<char>(0xe0 | n >> 12);
      frame += static_cast<char>(0x80 | (n >> 6 & 0x3f));
      frame += static_cast<char>(0x80 | (n & 0x3f));
    }
    frame += "\xff\xfe";
    frame += static_cast<char>(Crc8(0, reinterpret_cast<const uint8_t*>(frame.data()), frame.size()));
    // Each channel a constant subframe: its header, then the value.
    for (int c = 0; c < 8; ++c) frame += std::string("\x00\x10", 2);
    const uint16_t crc = Crc16(0, reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
    frame += static_cast<char>(crc >> 8);
    frame += static_cast<char>(crc & 0xff);
    out += frame;
  }
  return out;
}
}  // namespace

// A decoder's time is its stream's length's: a floor, a rate per megabyte begun, a cap. The words of a
// child that overran it say which limit and for what.
TEST(DecodeCheck, TheTimeLimitFollowsTheStreamsLength) {
  EXPECT_EQ(DecodeTimeFor(0), kLeastDecodeTime);
  EXPECT_EQ(DecodeTimeFor(1), std::chrono::seconds(11));
  EXPECT_EQ(DecodeTimeFor(1'000'000), std::chrono::seconds(14));
  EXPECT_EQ(DecodeTimeFor(3'500'000), std::chrono::seconds(24));
  EXPECT_EQ(DecodeTimeFor(12'500'000), kMostDecodeTime);
  EXPECT_EQ(DecodeTimeFor(uint64_t{1} << 40), kMostDecodeTime);
  EXPECT_EQ(DecodeTimeFor(UINT64_MAX), kMostDecodeTime);
  for (uint64_t bytes = 0; bytes < 20'000'000; bytes += 250'000)
    EXPECT_LE(DecodeTimeFor(bytes), DecodeTimeFor(bytes + 250'000)) << bytes;

  const std::string clip = kClips + "chirp.flac";
  const uint64_t size = test::ReadText(clip).size();
  TDecodeLimits limits = LimitsForFile(clip, 0);
  EXPECT_EQ(limits.Time, DecodeTimeFor(size));
  EXPECT_EQ(limits.StreamBytes, size);
  // Only the bytes up to the stream's end are decoded.
  EXPECT_EQ(LimitsForFile(clip, 1000).StreamBytes, 1000u);
  // A time given stays as it is; a file that is not there gets the floor.
  TDecodeLimits given;
  given.Time = std::chrono::seconds(3);
  EXPECT_EQ(LimitsForFile(clip, 0, given).Time, std::chrono::seconds(3));
  EXPECT_EQ(LimitsForFile("/nonexistent/file.flac", 0).Time, kLeastDecodeTime);

  // The child is told the same time for its processor, and the folder it must keep to.
  limits.Folder = "/some/folder";
  const std::vector<std::string> line = CheckArguments(clip, 0, limits);
  EXPECT_NE(std::find(line.begin(), line.end(), "--cpu=" + std::to_string(limits.Time.count())), line.end());
  EXPECT_NE(std::find(line.begin(), line.end(), "--within=/some/folder"), line.end());
  EXPECT_EQ(line.back(), clip);

  limits.Time = std::chrono::seconds(24);
  limits.StreamBytes = 3'500'000;
  EXPECT_EQ(TimedOutText(limits), "ran past 24 s (the limit for a file of 3.5 MB) and was ended");
  EXPECT_EQ(TimedOutText(limits, true),
            "used up its 24 s of processor time (the limit for a file of 3.5 MB) and was ended");
  limits.StreamBytes = 4096;
  EXPECT_EQ(TimedOutText(limits), "ran past 24 s (the limit for a file of 4.1 kB) and was ended");
  limits.StreamBytes = 0;
  EXPECT_EQ(TimedOutText(limits), "ran past 24 s and was ended");
}

// A child that hangs or spins is ended (by the parent's clock, or by the processor limit it set itself),
// one that crashes or runs out of memory answers Crashed, one that cannot start too, one asked to stop is
// ended at once and says nothing (NotChecked): the parent always comes back, well before a minute. A file
// that is no regular file (a pipe that would block the open, a device, a folder), a link, or one outside
// the folder the child is given is never opened for reading.
TEST(DecodeCheck, TheParentOutlivesEveryWayTheChildFails) {
  NEED_DECODER();
  test::TTempDir dir;
  const std::filesystem::path folder = dir.Path() / "folder";
  std::filesystem::create_directory(folder);
  test::WriteText((folder / "chirp.wav").string(), test::ReadText(kClips + "voice-memo.wav"));
#ifndef _WIN32  // no pipes there, and no decoder to run: the test is skipped above
  ASSERT_EQ(mkfifo((folder / "pipe.wav").c_str(), 0600), 0);
#endif
  std::filesystem::create_symlink(kClips + "voice-memo.wav", folder / "link.wav");
  std::filesystem::create_directory_symlink(kClips, folder / "clips");
  test::WriteText(dir.File("outside.wav"), test::ReadText(kClips + "voice-memo.wav"));
  test::WriteText(dir.File("expanding.flac"), ExpandingFlac(1'000'000));

  struct TRow {
    std::vector<std::string> args;
    TDecodeLimits limits;
    TDecodeOutcome outcome;
    std::string error;
  };
  const auto within = [&](const std::string& path) {
    return std::vector<std::string>{DecoderProgram(), "check", "--within=" + folder.string(), "--", path};
  };
  const auto seconds = [](int n, uint64_t bytes = 0) {
    TDecodeLimits limits;
    limits.Time = std::chrono::seconds(n);
    limits.StreamBytes = bytes;
    return limits;
  };
  // A stop asked a moment after the child starts.
  auto rowStart = std::chrono::steady_clock::now();
  TDecodeLimits stopped = seconds(60);
  stopped.Stop = [&] { return std::chrono::steady_clock::now() - rowStart > std::chrono::milliseconds(300); };
  const std::string program = DecoderProgram();
  const std::string clip = kClips + "voice-memo.wav";
  for (const auto& row : {
           TRow{{program, "test-hang"}, seconds(1), TDecodeOutcome::TimedOut, "ran past 1 s and was ended"},
           TRow{{program, "test-hang"},
                seconds(1, 3'500'000),
                TDecodeOutcome::TimedOut,
                "ran past 1 s (the limit for a file of 3.5 MB) and was ended"},
           TRow{{program, "test-spin", "--cpu=1"}, seconds(60), TDecodeOutcome::TimedOut, "processor time"},
           TRow{{program, "test-crash"}, {}, TDecodeOutcome::Crashed, "killed by signal 11"},
           TRow{{program, "test-eat", "--memory=268435456"}, {}, TDecodeOutcome::Crashed, "out of memory"},
           TRow{{program, "check", "--", "/nonexistent/file.wav"}, {}, TDecodeOutcome::NoAudio, ""},
           TRow{{program, "no-such-mode"}, {}, TDecodeOutcome::Crashed, "no answer"},
           TRow{{"/nonexistent/quillot-decode"}, {}, TDecodeOutcome::Crashed, "cannot start"},
           // Stopped: a hanging child, and a spinning one, end at once.
           TRow{{program, "test-hang"}, stopped, TDecodeOutcome::NotChecked, ""},
           TRow{{program, "test-spin"}, stopped, TDecodeOutcome::NotChecked, ""},
           // A stream crafted to expand runs past the time its length gives it.
           TRow{{program, "check", "--", dir.File("expanding.flac")},
                seconds(2, 1'000'000),
                TDecodeOutcome::TimedOut,
                "ran past 2 s (the limit for a file of 1.0 MB)"},
           // Files that are not opened: a pipe (no writer: an open would block), a device, a folder, a
           // link, and, with a folder to keep to, a file outside it, straight or through a linked folder.
           TRow{{program, "check", "--", (folder / "pipe.wav").string()},
                seconds(20),
                TDecodeOutcome::NoAudio,
                "not a regular file (a pipe)"},
           TRow{{program, "check", "--", "/dev/zero"},
                seconds(20),
                TDecodeOutcome::NoAudio,
                "not a regular file (a device)"},
           TRow{{program, "check", "--", folder.string()}, seconds(20), TDecodeOutcome::NoAudio, "(a folder)"},
           TRow{{program, "check", "--", (folder / "link.wav").string()},
                seconds(20),
                TDecodeOutcome::NoAudio,
                "a symbolic link"},
           TRow{within(dir.File("outside.wav")), seconds(20), TDecodeOutcome::NoAudio, "outside the folder"},
           TRow{within((folder / "clips" / "voice-memo.wav").string()), seconds(20), TDecodeOutcome::NoAudio,
                "outside the folder"},
           TRow{within((folder / ".." / "outside.wav").string()), seconds(20), TDecodeOutcome::NoAudio, "outside"},
           // The same decoder plays a file inside its folder, and any file without one.
           TRow{within((folder / "chirp.wav").string()), seconds(20), TDecodeOutcome::PlaysToEnd, ""},
           TRow{{program, "check", "--", dir.File("outside.wav")}, seconds(20), TDecodeOutcome::PlaysToEnd, ""},
       }) {
    SCOPED_TRACE(row.args.back());
    rowStart = std::chrono::steady_clock::now();
    const TDecodeReport r = RunDecoder(row.args, row.limits);
    EXPECT_LT(std::chrono::steady_clock::now() - rowStart, std::chrono::seconds(20));
    EXPECT_EQ(r.Outcome, row.outcome) << OutcomeText(r);
    EXPECT_NE(r.Error.find(row.error), std::string::npos) << r.Error;
  }
}

}  // namespace quillot::decode
