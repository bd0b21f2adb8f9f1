// The shipped catalogue over a disk of random sectors holding real encoders' frame streams with no
// signature of their own: each starts exactly one file, wherever the chunks end; a stream whose frames meet
// sector boundaries, or that lies inside another format's file (a WAV, an MP3 with an ID3 tag), is not split; and a
// stream cut short by the next one does not hide it.
#include <gtest/gtest.h>

#include "engine/RecoveryPass.h"
#include "support/FakeDestination.h"
#include "support/PassFixture.h"
#include "support/StreamFeed.h"

namespace quillot {
namespace {

using test::TBytes;
constexpr uint32_t kSector = 512;

class CheckedStartsTest : public test::TPassFixture {
 protected:
  void SetUp() override {
    TPassFixture::SetUp();
    storage.LoadFormats(QUILLOT_SOURCE_DIR "/data/Quillot.ini");
  }

  // Puts bytes at the next sector start after gap random sectors; answers that sector.
  uint64_t Place(const TBytes& bytes, size_t gap = 2) {
    const TBytes gapBytes = test::RandomBytes(gap * kSector, static_cast<uint32_t>(image.size() + 1));
    image.insert(image.end(), gapBytes.begin(), gapBytes.end());
    const uint64_t sector = image.size() / kSector;
    image.insert(image.end(), bytes.begin(), bytes.end());
    // Random bytes to the sector's end: what a card's slack holds.
    const TBytes rest = test::RandomBytes(kSector - image.size() % kSector, static_cast<uint32_t>(sector));
    if (image.size() % kSector) image.insert(image.end(), rest.begin(), rest.end());
    return sector;
  }

  // files: what the destination holds before the pass.
  std::map<std::string, std::string> Recover(int32_t sectorsToRead, bool trim,
                                             std::map<std::string, std::string> before = {}) {
    if (!disk) {
      disk = Disk(static_cast<uint32_t>(image.size() / kSector));
      std::copy(image.begin(), image.end(), disk->Data.begin());
    }
    test::TFakeDestination files;
    files.contents = std::move(before);
    TRecoveryPass pass(view, files);
    TRecoveryOptions options{'D', 4, "/out", 1, sectorsToRead, 0};
    options.Trim = trim;
    pass.StartRecovery(options, storage.Formats);
    EXPECT_EQ(pass.Outcome(), TPassOutcome::Finished);
    return files.contents;
  }

  TDataStorage storage;
  TBytes image;
  std::shared_ptr<testing::TFakeDisk> disk;
};

// A WAV whose data chunk (AC-3, format 0x2000) starts at byte 512, so every 512-byte frame of the stream
// inside it lands on a sector start.
TBytes WaveHolding(const TBytes& ac3) {
  TBytes wave;
  test::AppendText(wave, "RIFF");
  test::AppendLe(wave, 512 - 8 + ac3.size(), 4);
  test::AppendText(wave, "WAVEfmt ");
  test::AppendLe(wave, 16, 4);
  for (uint64_t v : {0x2000, 2}) test::AppendLe(wave, v, 2);
  for (uint64_t v : {48000, 16000}) test::AppendLe(wave, v, 4);
  for (uint64_t v : {1, 0}) test::AppendLe(wave, v, 2);
  test::AppendText(wave, "JUNK");
  test::AppendLe(wave, 512 - 8 - (wave.size() + 4), 4);
  wave.resize(512 - 8, 0);
  test::AppendText(wave, "data");
  test::AppendLe(wave, ac3.size(), 4);
  return test::Concat(wave, ac3);
}

// The first sectors of a WAV of PCM whose header announces all of it: what lies here of a recording stored in
// pieces.
TBytes PcmWaveFirstPiece() {
  const TBytes wave = test::SampleAudio("voice-memo.wav");
  return TBytes(wave.begin(), wave.begin() + 16 * kSector);
}

// An M4A whose boxes end on a sector's end: a free box fills its last sector.
TBytes SectorSizedM4a() {
  TBytes m4a = test::SampleAudio("voice.m4a");
  const size_t room = (kSector - (m4a.size() + 8) % kSector) % kSector + 8;
  test::AppendBe(m4a, room, 4);
  test::AppendText(m4a, "free");
  m4a.resize(m4a.size() + room - 8, 0);
  return m4a;
}

// An ID3v2 tag of 512 bytes before a stream, so the stream's frames meet sector starts as they would alone.
TBytes TaggedWith512ByteId3(const TBytes& stream) {
  TBytes tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 502 >> 7, 502 & 0x7F};
  tagged.resize(512, 0);
  return test::Concat(tagged, stream);
}

TEST_F(CheckedStartsTest, EachStreamStartsOneFileAndNoStreamIsSplit) {
  struct TPlaced {
    uint64_t sector;
    TBytes bytes;
  };
  std::vector<TPlaced> placed;
  auto put = [&](const TBytes& bytes, size_t gap = 2) { placed.push_back({Place(bytes, gap), bytes}); };
  // Frames on sector boundaries: MPEG-2.5 at frame 64, Layer II at every fourth, AC-3 at every one.
  put(test::StreamFixture("mpeg-audio", "tagless-crc-mpeg25.mp3"));
  put(test::StreamFixture("mpeg-audio", "layer2.mp2"));
  put(test::StreamFixture("ac3", "s48.ac3"));
  put(WaveHolding(test::StreamFixture("ac3", "s48.ac3")));
  put(TaggedWith512ByteId3(test::StreamFixture("mpeg-audio", "layer2.mp2")));
  put(test::StreamFixture("mpeg-audio", "ffmpeg.mp2"));
  put(test::StreamFixture("adts", "s44.aac"));
  put(test::StreamFixture("ac3", "s48.eac3"));
  put(test::StreamFixture("dts", "s48.dts"));
  // Streams of another kind or rate right after one that ends on a sector boundary: their own files.
  put(test::StreamFixture("dts", "s44.dts"), 0);
  put(test::StreamFixture("ac3", "s48.ac3"));
  put(test::StreamFixture("ac3", "s48.eac3"), 0);
  // A stream cut short at a sector start, inside a frame, by another that begins there.
  const TBytes vbr = test::StreamFixture("mpeg-audio", "tagless-vbr-mpeg2.mp3");
  put(TBytes(vbr.begin(), vbr.begin() + 3 * kSector));
  put(test::StreamFixture("mpeg-audio", "no-info-crc.mp3"), 0);
  put(test::StreamFixture("mpeg-audio", "tagless-vbr-mpeg2.mp3"));
  // A PCM WAV's announced length reaches over the recording behind it: samples that only a length claims
  // never hold back a start that frames confirm.
  put(PcmWaveFirstPiece());
  put(test::StreamFixture("ac3", "s48.ac3"), 0);
  put(PcmWaveFirstPiece());
  put(test::StreamFixture("mpeg-audio", "tagless-crc-mpeg25.mp3"), 0);
  // A recording right after boxes whose end is told only once the next sector is seen: the start held back
  // there is taken then.
  put(SectorSizedM4a());
  put(test::StreamFixture("ac3", "s48.ac3"), 0);
  Place({});

  // Small chunks put starts near chunk ends, where the check reads the sectors that follow. Trimmed, each
  // file is exactly its stream.
  for (bool trim : {false, true})
    for (int32_t sectorsToRead : {5000, 3, 1}) {
      SCOPED_TRACE(::testing::Message() << sectorsToRead << (trim ? " sectors a read, trimmed" : " sectors a read"));
      const auto files = Recover(sectorsToRead, trim);
      ASSERT_EQ(files.size(), placed.size());
      // In the order of their numbers.
      std::map<std::string, std::string> byNumber;
      for (const auto& [name, bytes] : files) byNumber[name.substr(name.size() - 9)] = name;
      auto file = byNumber.begin();
      for (const TPlaced& p : placed) {
        const std::string& got = files.at(file->second);
        EXPECT_EQ(got.compare(0, p.bytes.size(), reinterpret_cast<const char*>(p.bytes.data()), p.bytes.size()), 0)
            << file->second << " does not begin with the stream at sector " << p.sector;
        if (trim) {
          EXPECT_EQ(got.size(), p.bytes.size()) << file->second;
        }
        ++file;
      }
    }
}

// A unit name the program has no unit for is as none: a misspelt Check makes every match a start, a misspelt
// Stream leaves the files untrimmed, as if the keys were not there. The catalogue's reader names such a name
// but keeps the format; the pass must still recover it, unchecked.
TEST_F(CheckedStartsTest, UnitNamesNoUnitAnswersToAreAsNone) {
  // AC-3 frames meet sector starts, so unchecked each frame there starts a file; the WAV ends in noise.
  Place(test::StreamFixture("ac3", "s48.ac3"));
  Place(test::SampleAudio("voice-memo.wav"));
  Place({});
  const auto checked = Recover(5000, true);
  auto rename = [this](auto name) {
    for (const auto& f : storage.Formats) {
      if (!f->Stream.empty()) f->Stream = name(f->Stream);
      if (!f->Check.empty()) f->Check = name(f->Check);
    }
  };
  rename([](const std::string& unit) { return unit + "x"; });
  const auto misspelt = Recover(5000, true);
  rename([](const std::string&) { return std::string(); });
  const auto none = Recover(5000, true);
  EXPECT_EQ(misspelt, none);
  // Which is not what the units make of it.
  EXPECT_GT(none.size(), checked.size());
}

// A start whose file is not written (every name taken, the overwrite declined) is followed all the same: its own
// frames that meet sector starts are no new files.
TEST_F(CheckedStartsTest, ADeclinedFileIsFollowedWithoutWriting) {
  const TBytes mp3 = test::StreamFixture("mpeg-audio", "tagless-crc-mpeg25.mp3");
  const TBytes ac3 = test::StreamFixture("ac3", "s48.ac3");
  Place(mp3);
  Place(ac3, 0);
  Place({});
  // The name search gives up past 100000 numbers and then asks; the view says no.
  std::map<std::string, std::string> taken;
  char name[32];
  for (int n = 1; n <= 100001; ++n) {
    std::snprintf(name, sizeof name, "/out/mp3%.5d.mp3", n);
    taken[name] = "kept";
  }
  for (bool trim : {false, true}) {
    SCOPED_TRACE(trim ? "trimmed" : "not trimmed");
    const auto files = Recover(5000, trim, taken);
    std::map<std::string, std::string> written;
    for (const auto& [path, bytes] : files)
      if (taken.count(path) == 0 || bytes != "kept") written[path] = bytes;
    ASSERT_EQ(written.size(), 1u) << written.begin()->first;
    const std::string& got = written.begin()->second;
    EXPECT_EQ(written.begin()->first.substr(0, 8), "/out/ac3");
    EXPECT_EQ(got.compare(0, ac3.size(), reinterpret_cast<const char*>(ac3.data()), ac3.size()), 0);
  }
}

}  // namespace
}  // namespace quillot
