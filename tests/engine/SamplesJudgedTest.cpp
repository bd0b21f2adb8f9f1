// A WAV recording whose samples nothing but its sizes claims, on a raw card: where another file's cluster took
// the place of one of its own, the file is never called whole, whatever the pass; lying whole, it is whole and
// comes back byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/FileClaim.h"
#include "support/Files.h"
#include "support/RecoverImage.h"
#include "support/StreamFeed.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

std::string Bytes(const test::TBytes& b) { return std::string(b.begin(), b.end()); }

struct TOverwrite {
  const char* name;
  std::string recording;
  size_t at;            // the recording's byte where a foreign cluster begins (0: none)
  std::string foreign;  // what lies there instead
};

void PrintTo(const TOverwrite& c, std::ostream* os) { *os << c.name; }

class SamplesJudgedTest : public ::testing::TestWithParam<TOverwrite> {};

TEST_P(SamplesJudgedTest, ACoveredClusterIsNeverWhole) {
  const TOverwrite& c = GetParam();
  test::TTempDir dir;
  constexpr size_t kFirst = 64 * 512, kCluster = 4096;
  std::string card = Bytes(test::RandomBytes(kFirst, 3)) + c.recording;
  if (c.at > 0) card.replace(kFirst + c.at, kCluster, c.foreign.substr(0, kCluster));
  card += Bytes(test::RandomBytes(64 * 1024, 4));
  card.resize((card.size() + 511) / 512 * 512);
  const std::string image = dir.File("card.img");
  test::WriteText(image, card);
  struct TPass {
    const char* name;
    bool trim, reassemble;
  };
  for (const TPass& pass :
       {TPass{"plain", false, false}, TPass{"--trim", true, false}, TPass{"--trim --reassemble", true, true}}) {
    SCOPED_TRACE(pass.name);
    const auto files = test::RecoverImage(image, dir.File(pass.name), 5000, pass.trim, pass.reassemble);
    ASSERT_FALSE(files.empty());
    const TRecoveredFile& f = files.front();
    ASSERT_EQ(f.FirstSector, kFirst / 512);
    if (c.at == 0) {
      EXPECT_EQ(ClaimOf(f), TClaim::Whole) << ClaimWords(f);
      // Untrimmed, the bytes after the recording's end come too.
      const std::string got = test::ReadText(f.Path);
      EXPECT_EQ(pass.trim ? got : got.substr(0, c.recording.size()), c.recording);
    } else {
      EXPECT_NE(ClaimOf(f), TClaim::Whole) << "a recording with another file's cluster inside is called whole";
    }
  }
}

std::string Signal(const char* name) {
  return Bytes(test::ReadBytes(std::string(QUILLOT_SOURCE_DIR) + "/tests/fixtures/signal/" + name));
}

const std::string kVoice = Bytes(test::SampleAudio("voice-memo.wav"));
const std::string kRandom = Bytes(test::RandomBytes(4096, 9));

// A tune in every container whose samples are judged; the voice memo, too little predictable for the judge to
// say much, still must not be cut where it lies whole.
INSTANTIATE_TEST_SUITE_P(RawCards, SamplesJudgedTest,
                         ::testing::Values(TOverwrite{"VoiceIntact", kVoice, 0, ""},
                                           TOverwrite{"VoiceRandomBytesInside", kVoice, 40 * 1024, kRandom},
                                           TOverwrite{"WavIntact", Signal("tune.wav"), 0, ""},
                                           TOverwrite{"WavRandomBytesInside", Signal("tune.wav"), 20 * 1024, kRandom},
                                           TOverwrite{"AuIntact", Signal("tune.au"), 0, ""},
                                           TOverwrite{"AuRandomBytesInside", Signal("tune.au"), 20 * 1024, kRandom},
                                           TOverwrite{"AiffIntact", Signal("tune.aiff"), 0, ""},
                                           TOverwrite{"AiffRandomBytesInside", Signal("tune.aiff"), 36 * 1024, kRandom},
                                           TOverwrite{"W64Intact", Signal("tune.w64"), 0, ""},
                                           TOverwrite{"W64RandomBytesInside", Signal("tune.w64"), 20 * 1024, kRandom},
                                           TOverwrite{"CafIntact", Signal("tune.caf"), 0, ""},
                                           TOverwrite{"CafRandomBytesInside", Signal("tune.caf"), 28 * 1024, kRandom}),
                         [](const auto& info) { return std::string(info.param.name); });

// A recorder that rewrites its sizes now and then, then lost power: its header declares fewer samples than it
// wrote, up to where its last cluster ended; after that lies what the card held before. Or a header that told
// the truth, with what the card held before after it.
struct TStaleHeader {
  const char* name;
  size_t declared;   // the data bytes its header declares
  size_t written;    // the file's bytes the recorder wrote (a cluster's end)
  std::string then;  // what the card holds after them
  TPastHeader past;  // what the claim must say; No: the header told the truth, its last sector padded by
  bool fromBuffer;   // the sector before it again (a write from a buffer that held it), or else zeros
};

void PrintTo(const TStaleHeader& c, std::ostream* os) { *os << c.name; }

class StaleHeaderTest : public ::testing::TestWithParam<TStaleHeader> {};

TEST_P(StaleHeaderTest, NothingAfterTheDeclaredEndIsCutAwayUnlessItIsNoRecording) {
  const TStaleHeader& c = GetParam();
  test::TTempDir dir;
  constexpr size_t kFirst = 64 * 512, kDataSize = 40, kRiffSize = 4, kHeader = 44;
  std::string written = Signal("tune.wav").substr(0, c.written);
  for (auto [at, value] : {std::pair{kRiffSize, c.declared + kHeader - 8}, std::pair{kDataSize, c.declared}})
    for (int i = 0; i < 4; ++i) written[at + i] = static_cast<char>(value >> (8 * i));
  if (c.past == TPastHeader::No) {
    const size_t end = kHeader + c.declared, sectorEnd = (end + 511) / 512 * 512;
    for (size_t i = end; i < c.written; ++i) written[i] = c.fromBuffer && i < sectorEnd ? written[i - 512] : '\0';
  }
  std::string card = Bytes(test::RandomBytes(kFirst, 3)) + written + c.then;
  card.resize((card.size() + 511) / 512 * 512);
  const std::string image = dir.File("card.img");
  test::WriteText(image, card);
  const std::string recording = written.substr(0, c.past == TPastHeader::No ? kHeader + c.declared : c.written);
  for (const bool trim : {false, true}) {
    SCOPED_TRACE(trim ? "--trim" : "plain");
    const auto files = test::RecoverImage(image, dir.File(trim ? "trim" : "plain"), 5000, trim, false);
    ASSERT_FALSE(files.empty());
    const TRecoveredFile& f = files.front();
    const std::string got = test::ReadText(f.Path);
    ASSERT_GE(got.size(), recording.size());
    EXPECT_EQ(got.substr(0, recording.size()), recording);
    EXPECT_EQ(f.PastHeader, c.past);
    // A report says it, and reads back the same.
    TRecoveredFile read;
    ASSERT_TRUE(ParseClaim(ClaimKey(f), EvidenceKey(f.Evidence), read));
    EXPECT_EQ(ClaimWords(read), ClaimWords(f));
    if (c.past == TPastHeader::No) {
      // A header that told the truth: whole, and trimmed where it says.
      EXPECT_EQ(ClaimWords(f), "whole, by structure alone");
      if (trim) {
        EXPECT_EQ(got.size(), recording.size());
      }
      continue;
    }
    // Nothing the recorder wrote is cut away, and the claim is not whole: the end rests on no length.
    EXPECT_EQ(ClaimWords(f), c.past == TPastHeader::Longer ? "longer than its header says, end unproven"
                                                           : "may be longer than its header says, end unproven");
    // Where the card's old bytes plainly are no recording, a trimmed file ends with the recorder's last cluster.
    if (trim && c.then != std::string(c.then.size(), '\0')) {
      EXPECT_EQ(got.size(), written.size());
    }
  }
}

const std::string kRandom64 = Bytes(test::RandomBytes(64 * 1024, 5));

INSTANTIATE_TEST_SUITE_P(
    RawCards, StaleHeaderTest,
    ::testing::Values(
        TStaleHeader{"GrewIntoRandomBytes", 24000, 48 * 1024, kRandom64, TPastHeader::Longer, false},
        TStaleHeader{"GrewTwiceOverIntoRandomBytes", 6000, 64 * 1024, kRandom64, TPastHeader::Longer, false},
        TStaleHeader{"GrewIntoZeros", 30000, 40 * 1024, std::string(64 * 1024, '\0'), TPastHeader::Longer, false},
        TStaleHeader{"GrewWhereTheSignalCannotTell", 20000, 48 * 1024, kRandom64, TPastHeader::MayBeLonger, false},
        TStaleHeader{"RightAndPaddedThenAnotherRecording", 30002, 40 * 1024, Signal("voice.wav").substr(44),
                     TPastHeader::No, false},
        TStaleHeader{"RightAndPaddedFromItsBufferThenAnotherRecording", 30002, 40 * 1024,
                     Signal("voice.wav").substr(44), TPastHeader::No, true},
        TStaleHeader{"RightAndPaddedThenItsOwnEarlierTake", 30002, 40 * 1024, Signal("tune.wav").substr(9044),
                     TPastHeader::No, false},
        TStaleHeader{"RightThenRandomBytes", 40 * 1024 - 44, 40 * 1024, kRandom64, TPastHeader::No, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillot
