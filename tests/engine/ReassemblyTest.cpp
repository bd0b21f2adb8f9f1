// Recordings stored in pieces on a real FAT card: files are written, some deleted and a larger one written
// after them, so the allocator puts the larger one's start in the holes and its rest after the next file,
// another Ogg stream, whose pages must not be taken for the missing piece. With --trim --reassemble the recording
// comes back byte for byte and says it was put back together; without, it comes back as it always has.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine/FileClaim.h"
#include "engine/RecoveryPass.h"
#include "streams/Ac3Stream.h"
#include "streams/AdtsStream.h"
#include "streams/DtsStream.h"
#include "streams/MpegAudioStream.h"
#include "support/Files.h"
#include "support/RecordingView.h"
#include "support/RecoverImage.h"
#include "support/StreamFeed.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

struct TCase {
  const char* name;
  std::string pieces;         // the recording stored in pieces
  std::string between;        // the file that lies after each hole
  std::vector<size_t> holes;  // KiB: the pieces but the last
  bool proven = true;         // checksums prove the order of the pieces, not frames in a row alone
  bool joins = true;          // false: nothing can confirm a piece, and the file comes back as without the option
  // What the file is called: whole only where a checksum covers each join and none of the whole content is left
  // for a decoder to check.
  TClaim claim = TClaim::Unverified;
  bool betweenStarts = true;  // the file between begins as a file, and comes back as one
  bool erased = false;        // the card's free space reads 0xFF, as erased flash does
  // Written first, four times: a recording cut short inside a part, whose piece lies nowhere; then strandedKiB
  // of other bytes. Their searches spend long on the card before the recording in pieces breaks.
  std::string stranded = {};
  size_t strandedKiB = 0;
  std::string after = {};  // a file written right after the recording
};

void PrintTo(const TCase& c, std::ostream* os) { *os << c.name; }

class ReassemblyTest : public ::testing::TestWithParam<TCase> {};

std::string Bytes(const test::TBytes& b) { return std::string(b.begin(), b.end()); }
std::string Signal(const char* name) {
  return Bytes(test::ReadBytes(std::string(QUILLOT_SOURCE_DIR) + "/tests/fixtures/signal/" + name));
}

// The length of the frame whose header starts at p (size bytes at hand), 0 where none does.
using TFrameLength = size_t (*)(const uint8_t* p, size_t size);

size_t Mp3Frame(const uint8_t* p, size_t size) {
  TMpegFrameHeader h;
  return size >= 4 && ParseMpegFrameHeader(p, h) ? h.Length : 0;
}
size_t Ac3Frame(const uint8_t* p, size_t size) {
  bool enhanced = false;
  uint8_t rateCode = 0;
  return size >= 6 ? ParseAc3FrameHeader(p, enhanced, rateCode) : 0;
}
size_t AdtsFrame(const uint8_t* p, size_t size) { return size >= 7 ? AdtsFrameLength(p) : 0; }
size_t DtsFrame(const uint8_t* p, size_t size) { return size >= 10 ? DtsFrameLength(p) : 0; }

// Frame starts of a chain of frames from the first byte.
std::vector<size_t> FrameStarts(const std::string& s, TFrameLength length) {
  std::vector<size_t> starts;
  const auto* p = reinterpret_cast<const uint8_t*>(s.data());
  for (size_t at = 0, n = 0; at < s.size() && (n = length(p + at, s.size() - at)) != 0; at += n) starts.push_back(at);
  return starts;
}

// other, shifted so that one of its 512-byte clusters, well inside it, holds a frame exactly where the frame of
// pieces that straddles its first piece's end (firstPiece bytes) has its successor: a piece of another recording
// with the same parameters, that frames in a row alone would take for pieces'. An MP3 goes behind an ID3v2 tag
// padded to suit; a stream with no tag of its own (AC-3, ADTS) starts at one of its frames instead.
std::string PhasedLike(const std::string& pieces, const std::string& other, size_t firstPiece, TFrameLength length,
                       bool tagged) {
  size_t successor = 0;
  for (size_t at : FrameStarts(pieces, length))
    if (at > firstPiece) {
      successor = (at - firstPiece) % 512;
      break;
    }
  const std::vector<size_t> frames = FrameStarts(other, length);
  // Whether other's frames from the first on, moved by shift bytes, put one in phase well inside.
  auto inPhase = [&](size_t first, size_t shift) {
    for (size_t k = first + 8; k + 10 < frames.size(); ++k)
      if ((shift + frames[k] - frames[first]) % 512 == successor) return true;
    return false;
  };
  for (size_t pad = 0; tagged && pad < 512; ++pad)
    if (inPhase(0, 10 + pad)) {
      std::string tag = std::string("ID3\x03\x00\x00", 6) + char(0) + char(0) + char(pad >> 7) + char(pad & 0x7F);
      return tag + std::string(pad, '\0') + other;
    }
  for (size_t first = 0; !tagged && first + 20 < frames.size(); ++first)
    if (inPhase(first, 0)) return other.substr(frames[first]);
  return other;
}

// Where each WavPack block begins, from the first byte on.
std::vector<size_t> WavPackBlocks(const std::string& s) {
  std::vector<size_t> starts;
  const auto* p = reinterpret_cast<const uint8_t*>(s.data());
  for (size_t at = 0; at + 32 <= s.size() && s.compare(at, 4, "wvpk") == 0;
       at += 8 + (p[at + 4] | p[at + 5] << 8 | p[at + 6] << 16 | size_t(p[at + 7]) << 24))
    starts.push_back(at);
  return starts;
}

// Two clusters of junk, then junk up to where the successor of the block that straddles pieces' first piece's end
// would stand in the next cluster, then other's blocks from the one that carries that successor's sample index: a
// recording with the same parameters and block length, whose header lands exactly where the missing piece's would
// and says what it would, but for the total.
std::string JunkThenBlocks(const std::string& pieces, const std::string& other, size_t firstPiece) {
  size_t successor = 0;
  for (size_t at : WavPackBlocks(pieces))
    if (at > firstPiece) {
      successor = at;
      break;
    }
  const auto index = [](const std::string& s, size_t at) { return s.substr(at + 16, 4); };
  for (size_t at : WavPackBlocks(other))
    if (index(other, at) == index(pieces, successor))
      return Bytes(test::RandomBytes(1024 + successor - firstPiece, 32)) + other.substr(at);
  return other;
}

// Two clusters of junk, then junk up to where the successor of pieces' straddling frame would stand in the next
// cluster, then other's frames from there: a cluster that frames in a row from the right place begin, with nothing
// before it running on into it. Only the checksum over the frame put together turns it down.
std::string JunkThenFrames(const std::string& pieces, const std::string& other, size_t firstPiece,
                           TFrameLength length) {
  size_t successor = 0;
  for (size_t at : FrameStarts(pieces, length))
    if (at > firstPiece) {
      successor = (at - firstPiece) % 512;
      break;
    }
  return Bytes(test::RandomBytes(1024 + successor, 31)) + other;
}

TEST_P(ReassemblyTest, ARecordingInPiecesComesBackWhole) {
  if (std::system("command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null") != 0)
    GTEST_FAIL() << "mkfs.fat and mcopy are needed (dosfstools, mtools)";
  const TCase& c = GetParam();
  test::TTempDir dir;
  const std::string image = dir.File("card.img");
  // Holes smaller than the recording, each followed by the file between: its first pieces fill them, the
  // rest goes after the last file between.
  test::WriteText(dir.File("first.bin"), Bytes(test::RandomBytes(20 * 1024, 8)));
  test::WriteText(dir.File("pieces"), c.pieces);
  const std::string mtools = "MTOOLS_SKIP_CHECK=1 ";
  std::string files, holes;
  if (!c.stranded.empty()) {
    for (int k = 0; k < 4; ++k) {
      const std::string name = "stranded" + std::to_string(k);
      test::WriteText(dir.File(name), c.stranded);
      files += dir.File(name) + " ";
    }
    test::WriteText(dir.File("filler.bin"), Bytes(test::RandomBytes(c.strandedKiB * 1024, 9)));
    files += dir.File("filler.bin") + " ";
  }
  files += dir.File("first.bin");
  for (size_t h = 0; h < c.holes.size(); ++h) {
    const std::string hole = "hole" + std::to_string(h) + ".bin", between = "between" + std::to_string(h);
    test::WriteText(dir.File(hole), Bytes(test::RandomBytes(c.holes[h] * 1024, static_cast<uint32_t>(7 + h))));
    test::WriteText(dir.File(between), c.between);
    files += " " + dir.File(hole) + " " + dir.File(between);
    holes += " ::/" + hole;
  }
  // One sector a cluster: FAT12 holds 2 MiB of them, a larger card takes FAT16.
  const size_t megabytes = 2 + (4 * c.stranded.size() + c.strandedKiB * 1024 + (1 << 20) - 1) / (1 << 20);
  const std::string size = std::to_string(megabytes) + "M ", fat = megabytes > 2 ? "16" : "12";
  const std::string blank = c.erased ? "head -c " + size + "/dev/zero | tr '\\0' '\\377' >" + image
                                     : "truncate -s " + size + image;
  std::string script = blank + " && mkfs.fat -F " + fat + " -S 512 -s 1 " + image + " >/dev/null && " + mtools +
                       "mcopy -i " + image + " " + files + " ::/ && " + mtools + "mdel -i " + image + holes + " && " +
                       mtools + "mcopy -i " + image + " " + dir.File("pieces") + " ::/rec";
  test::WriteText(dir.File("after"), c.after);
  if (!c.after.empty()) script += " && " + mtools + "mcopy -i " + image + " " + dir.File("after") + " ::/after";
  ASSERT_EQ(std::system(script.c_str()), 0);
  const std::string card = test::ReadText(image);
  ASSERT_EQ(card.find(c.pieces), std::string::npos) << "the recording was stored in one piece";

  for (bool reassemble : {true, false}) {
    SCOPED_TRACE(reassemble ? "--trim --reassemble" : "--trim");
    const std::vector<TRecoveredFile> recovered =
        test::RecoverImage(image, dir.File(reassemble ? "out-pieces" : "out-plain"), 5000, true, reassemble);
    ASSERT_FALSE(recovered.empty());

    const TRecoveredFile* whole = nullptr;
    for (const TRecoveredFile& f : recovered)
      if (test::ReadText(f.Path) == c.pieces) whole = &f;
    if (!reassemble || !c.joins) {
      EXPECT_EQ(whole, nullptr) << "a recording in pieces put back together without proof";
      for (const TRecoveredFile& f : recovered) EXPECT_TRUE(f.Pieces.empty()) << f.Name;
      continue;
    }
    ASSERT_NE(whole, nullptr) << "no recovered file is the recording";
    EXPECT_EQ(ClaimOf(*whole), c.claim);
    EXPECT_EQ(whole->Evidence, c.proven ? TEvidence::Checksums : TEvidence::Structure);
    ASSERT_EQ(whole->Pieces.size(), c.holes.size() + 1);
    EXPECT_EQ(whole->Pieces[0].First, whole->FirstSector);
    for (size_t i = 0; i < c.holes.size(); ++i) EXPECT_EQ(whole->Pieces[i].Count, c.holes[i] * 2) << "piece " << i;
    for (size_t i = 1; i < whole->Pieces.size(); ++i)
      EXPECT_GT(whole->Pieces[i].First, whole->Pieces[i - 1].First + whole->Pieces[i - 1].Count);
    // The files between the pieces come back as they were too.
    bool between = false;
    for (const TRecoveredFile& f : recovered) between = between || test::ReadText(f.Path) == c.between;
    EXPECT_EQ(between, c.betweenStarts);
  }
}

INSTANTIATE_TEST_SUITE_P(
    StreamsInPieces, ReassemblyTest,
    ::testing::Values(
        // An Ogg page's CRC-32 covers the join.
        TCase{"Opus",
              Bytes(test::SampleAudio("note.opus")),
              Bytes(test::SampleAudio("tune.ogg")),
              {6},
              true,
              true,
              TClaim::Whole},
        TCase{"Vorbis",
              Bytes(test::SampleAudio("tune.ogg")),
              Bytes(test::SampleAudio("note.opus")),
              {6},
              true,
              true,
              TClaim::Whole},
        TCase{"FlacInOgg",
              Bytes(test::StreamFixture("ogg", "m22.oga")),
              Bytes(test::SampleAudio("tune.ogg")),
              {6},
              true,
              true,
              TClaim::Whole},
        // Ending in the padding after the metadata, and in a frame. The MD5 of the audio is left to a decoder.
        TCase{"Flac", Bytes(test::SampleAudio("chirp.flac")), Bytes(test::SampleAudio("tune.ogg")), {6}},
        TCase{"FlacFrames", Bytes(test::SampleAudio("chirp.flac")), Bytes(test::SampleAudio("tune.ogg")), {10}},
        // Between the pieces, another FLAC recording with the same parameters, whose frames carry the numbers
        // the missing piece's do: its CRCs turn it down.
        TCase{"FlacBesideFlac",
              Bytes(test::SampleAudio("chirp.flac")),
              Bytes(test::StreamFixture("flac", "chirp-other.flac")),
              {10}},
        TCase{"OpusInThree",
              Bytes(test::SampleAudio("note.opus")),
              Bytes(test::SampleAudio("tune.ogg")),
              {6, 2},
              true,
              true,
              TClaim::Whole},
        TCase{"FlacInThree", Bytes(test::SampleAudio("chirp.flac")), Bytes(test::SampleAudio("tune.ogg")), {10, 6}},
        // Frames in a row are the weaker proof; between the pieces lies another recording with the same
        // parameters, one of whose clusters begins exactly as the missing piece would.
        TCase{"Mp3",
              Bytes(test::StreamFixture("mpeg-audio", "cbr.mp3")),
              PhasedLike(Bytes(test::StreamFixture("mpeg-audio", "cbr.mp3")),
                         Bytes(test::StreamFixture("mpeg-audio", "cbr-other.mp3")), 6 * 1024, Mp3Frame, true),
              {6},
              false},
        // Likewise, the other recording starting at one of its frames: a start the pass finds, so the bytes
        // stop inside the frame that straddles the first piece's end. AC-3's CRCs cover the whole frame: the
        // frame put together from both pieces proves their order.
        TCase{"Ac3",
              Bytes(test::StreamFixture("ac3", "pieces.ac3")),
              PhasedLike(Bytes(test::StreamFixture("ac3", "pieces.ac3")),
                         Bytes(test::StreamFixture("ac3", "pieces-other.ac3")), 6 * 1024, Ac3Frame, false),
              {6}},
        TCase{"Adts",
              Bytes(test::StreamFixture("adts", "pieces.aac")),
              PhasedLike(Bytes(test::StreamFixture("adts", "pieces.aac")),
                         Bytes(test::StreamFixture("adts", "pieces-other.aac")), 6 * 1024, AdtsFrame, false),
              {6},
              false},
        TCase{"Dts",
              Bytes(test::StreamFixture("dts", "pieces.dts")),
              PhasedLike(Bytes(test::StreamFixture("dts", "pieces.dts")),
                         Bytes(test::StreamFixture("dts", "pieces-other.dts")), 6 * 1024, DtsFrame, false),
              {6},
              false},
        TCase{"Ac3BesideFramesAfterJunk",
              Bytes(test::StreamFixture("ac3", "pieces.ac3")),
              JunkThenFrames(Bytes(test::StreamFixture("ac3", "pieces.ac3")),
                             Bytes(test::StreamFixture("ac3", "pieces-other.ac3")), 6 * 1024, Ac3Frame),
              {6},
              true,
              true,
              TClaim::Unverified,
              false},
        // The second piece ends inside a frame too, whose CRCs fail.
        TCase{"Ac3InThree",
              Bytes(test::StreamFixture("ac3", "pieces.ac3")),
              PhasedLike(Bytes(test::StreamFixture("ac3", "pieces.ac3")),
                         Bytes(test::StreamFixture("ac3", "pieces-other.ac3")), 6 * 1024, Ac3Frame, false),
              {6, 2}},
        // A card filled and emptied many times over: a piece a cluster or two long, twelve of them.
        TCase{"Ac3InTwelve",
              Bytes(test::StreamFixture("ac3", "pieces.ac3")),
              Bytes(test::SampleAudio("tune.ogg")),
              {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
        // Plain PCM has no checksum and no frames: the tune itself tells where its first piece stops and which
        // cluster goes on with it, in every container that gives its samples' layout.
        TCase{"Wav", Signal("tune.wav"), Bytes(test::SampleAudio("tune.ogg")), {40}, false},
        // A file starts right after the last piece: the samples end where the header says, inside a sector.
        TCase{"WavWithAStartAfter",
              Signal("tune.wav"),
              Bytes(test::SampleAudio("tune.ogg")),
              {40},
              false,
              true,
              TClaim::Unverified,
              true,
              false,
              {},
              0,
              Bytes(test::SampleAudio("note.opus"))},
        TCase{"WavInThree", Signal("tune.wav"), Bytes(test::SampleAudio("tune.ogg")), {16, 20}, false},
        TCase{"WavBesideWav", Signal("tune.wav"), Bytes(test::SampleAudio("voice-memo.wav")), {30}, false},
        TCase{"Aiff", Signal("tune.aiff"), Bytes(test::SampleAudio("tune.ogg")), {36}, false},
        TCase{"Au", Signal("tune.au"), Bytes(test::SampleAudio("tune.ogg")), {28}, false},
        TCase{"W64", Signal("tune.w64"), Bytes(test::SampleAudio("tune.ogg")), {40}, false},
        TCase{"Caf", Signal("tune.caf"), Bytes(test::SampleAudio("tune.ogg")), {44}, false},
        // Each block's successor stands where its size says and carries the next sample index: the join is proven
        // by the structure, the bytes across it unchecked.
        TCase{"WavPack",
              Bytes(test::StreamFixture("wavpack", "pieces.wv")),
              Bytes(test::SampleAudio("tune.ogg")),
              {6},
              false},
        TCase{"WavPackInThree",
              Bytes(test::StreamFixture("wavpack", "pieces.wv")),
              Bytes(test::SampleAudio("tune.ogg")),
              {6, 4},
              false},
        // On erased flash the bytes after the last block read 0xFF: the file still ends at its last block.
        TCase{"WavPackOnErasedFlash",
              Bytes(test::StreamFixture("wavpack", "pieces.wv")),
              Bytes(test::SampleAudio("tune.ogg")),
              {6},
              false,
              true,
              TClaim::Unverified,
              true,
              true},
        // Between the pieces, another WavPack recording with the same parameters and block length.
        TCase{"WavPackBesideWavPack",
              Bytes(test::StreamFixture("wavpack", "pieces.wv")),
              Bytes(test::StreamFixture("wavpack", "pieces-other.wv")),
              {6},
              false},
        // Its block with the missing successor's index, exactly where that successor would stand: only the total
        // it carries turns it down.
        TCase{"WavPackBesideBlocksAfterJunk",
              Bytes(test::StreamFixture("wavpack", "pieces.wv")),
              JunkThenBlocks(Bytes(test::StreamFixture("wavpack", "pieces.wv")),
                             Bytes(test::StreamFixture("wavpack", "pieces-other.wv")), 6 * 1024),
              {6},
              false,
              true,
              TClaim::Unverified,
              false},
        // Searches that find nothing, each for a recording cut short early on the card, spend long before it
        // breaks: the one that begins after them is still paid for, as those far from their break leave part
        // of the reserve.
        TCase{"WavPackAfterLongSearches",
              Bytes(test::StreamFixture("wavpack", "pieces.wv")),
              Bytes(test::SampleAudio("tune.ogg")),
              {6},
              false,
              true,
              TClaim::Unverified,
              true,
              false,
              Bytes(test::StreamFixture("wavpack", "pieces-other.wv")).substr(0, 30000),
              10 * 1024},
        // Blocks with no sum of their own: the first piece ends where the next file starts.
        TCase{"WavPackWithoutSums",
              Bytes(test::StreamFixture("wavpack", "ffmpeg-m22.wv")),
              Bytes(test::SampleAudio("tune.ogg")),
              {6},
              false},
        // Other bytes follow the first piece: any of its ends would put the successor in place, so none is taken.
        TCase{"WavPackWithoutSumsBesideJunk",
              Bytes(test::StreamFixture("wavpack", "ffmpeg-m22.wv")),
              Bytes(test::RandomBytes(4096, 33)),
              {6},
              false,
              false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillot
