#include <gtest/gtest.h>

#include <sstream>

#include "streams/Crc.h"
#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// fLaC and the sample's STREAMINFO, not marked last.
TBytes FlacStart() {
  TBytes flac = test::SampleAudio("chirp.flac");
  TBytes start(flac.begin(), flac.begin() + 4 + 4 + 34);
  start[4] &= 0x7F;
  return start;
}

void AppendFlacBlock(TBytes& bytes, uint8_t typeAndLast, uint32_t length) {
  bytes.push_back(typeAndLast);
  for (int shift : {16, 8, 0}) bytes.push_back(uint8_t(length >> shift));
}

TBytes RiffStart(uint32_t size, std::string_view form) {
  TBytes riff;
  test::AppendText(riff, "RIFF");
  test::AppendLe(riff, size, 4);
  test::AppendText(riff, form);
  return riff;
}

bool IsValid(const test::TFeedRun& run) {
  return run.Answer.State >= TStreamState::Continues && run.Answer.State <= TStreamState::Unknown &&
         run.Verdict.Verdict >= TVerdict::Whole && run.Verdict.Verdict <= TVerdict::Unknown && run.Steady;
}

}  // namespace

// Every unit the shipped catalogue names exists; names are exact.
TEST(MakeStreamUnit, KnowsItsUnitsByName) {
  for (std::string_view name : StreamUnitNames()) EXPECT_NE(MakeStreamUnit(name), nullptr) << name;
  for (std::string_view name : {"", "RIFF", "nosuch", "flac "}) EXPECT_EQ(MakeStreamUnit(name), nullptr) << name;
  std::istringstream catalogue(test::ReadText(std::string(QUILLOT_SOURCE_DIR) + "/data/Quillot.ini"));
  int named = 0;
  for (std::string line; std::getline(catalogue, line);) {
    if (line.rfind("Stream=", 0) != 0) continue;
    ++named;
    EXPECT_NE(MakeStreamUnit(line.substr(7)), nullptr) << line;
  }
  EXPECT_GT(named, 0);
}

// Lengths of 0 and all-ones, lengths past the data, chains of empty parts: each ends, answers the same in any
// chunking, and reads nothing past what it was given.
TEST(StreamUnits, BadInputEndsWithAnHonestAnswer) {
  TBytes emptyBlocks = FlacStart();
  for (int i = 0; i < 5000; ++i) AppendFlacBlock(emptyBlocks, 1, 0);
  TBytes blockPastData = FlacStart();
  AppendFlacBlock(blockPastData, 0x81, 0xFFFFFF);
  blockPastData.resize(blockPastData.size() + 100);
  TBytes firstNotStreamInfo;
  test::AppendText(firstNotStreamInfo, "fLaC");
  AppendFlacBlock(firstNotStreamInfo, 0x81, 0);
  TBytes framesOfJunk = FlacStart();
  AppendFlacBlock(framesOfJunk, 0x81, 0);
  framesOfJunk = test::Concat(framesOfJunk, test::RandomBytes(20000, 3));
  TBytes emptyChunks = RiffStart(4 + 8 * 3000, "TEST");
  for (int i = 0; i < 3000; ++i) test::AppendText(emptyChunks, std::string_view("none\0\0\0\0", 8));
  TBytes chunkPastEnd = RiffStart(0xFFFFFFFE, "WAVE");
  test::AppendText(chunkPastEnd, "junk");
  test::AppendLe(chunkPastEnd, 0xFFFFFFFF, 4);
  // An ID3v2 tag of the largest syncsafe size, and one of size 0 before junk.
  TBytes id3Huge;
  test::AppendText(id3Huge, std::string_view("ID3\x03\0\0\x7F\x7F\x7F\x7F", 10));
  id3Huge.resize(5000, 0xFF);
  TBytes id3Empty(id3Huge.begin(), id3Huge.begin() + 10);
  for (int i = 6; i < 10; ++i) id3Empty[i] = 0;
  id3Empty = test::Concat(id3Empty, test::RandomBytes(3000, 6));
  // The sample's Info frame claiming all-ones frames, then junk.
  TBytes countAllOnes = test::SampleAudio("reminder.mp3");
  for (int i = 0x18; i < 0x1C; ++i) countAllOnes[i] = 0xFF;
  countAllOnes = test::Concat(countAllOnes, test::RandomBytes(300, 7));
  // ADTS frames of length 0, and of the largest length past the data.
  TBytes adtsEmpty;
  for (int i = 0; i < 2000; ++i) test::AppendText(adtsEmpty, std::string_view("\xFF\xF1\x50\x80\x00\x1F\xFC", 7));
  TBytes adtsPastData(adtsEmpty.begin(), adtsEmpty.begin() + 7);
  adtsPastData[3] |= 3;
  adtsPastData[4] = 0xFF;
  adtsPastData[5] = 0xFF;
  adtsPastData.resize(5000, 0);
  // E-AC-3 frames of the smallest size code, and one of the largest past the data.
  TBytes eac3Tiny;
  for (int i = 0; i < 2000; ++i) test::AppendText(eac3Tiny, std::string_view("\x0B\x77\x00\x00\x3F\x80", 6));
  TBytes eac3PastData(eac3Tiny.begin(), eac3Tiny.begin() + 6);
  eac3PastData[2] = 0x07;
  eac3PastData[3] = 0xFF;
  eac3PastData.resize(3000, 0);
  // DTS core headers of frame-size field 0, and of the largest size past the data.
  TBytes dtsTiny;
  for (int i = 0; i < 2000; ++i)
    test::AppendText(dtsTiny, std::string_view("\x7F\xFE\x80\x01\xFC\x3C\x00\x00\x34\x00", 10));
  TBytes dtsPastData(dtsTiny.begin(), dtsTiny.begin() + 10);
  dtsPastData[5] |= 3;
  dtsPastData[6] = 0xFF;
  dtsPastData[7] = 0xF0;
  dtsPastData.resize(5000, 0);
  // AMR-NB of one-byte no-data frames only.
  TBytes amrNoData;
  test::AppendText(amrNoData, "#!AMR\n");
  amrNoData.resize(5000, 0x7C);
  // TTA frames of size 0 in a seek table whose CRC-32 holds.
  TBytes ttaEmptyFrames = test::StreamFixture("tta", "m8-three-frames.tta");
  ttaEmptyFrames.resize(22 + 12 + 4);
  for (size_t at = 22; at < 34; ++at) ttaEmptyFrames[at] = 0;
  test::PutLe32(ttaEmptyFrames, 34, Crc32Reflected(0, &ttaEmptyFrames[22], 12));
  ttaEmptyFrames.resize(3000, 0);
  // WavPack: a first block of size all-ones; a first block followed by thousands of empty ones.
  const TBytes wv = test::StreamFixture("wavpack", "m44.wv");
  TBytes wvHuge(wv.begin(), wv.begin() + 3000);
  test::PutLe32(wvHuge, 4, 0xFFFFFFFF);
  TBytes wvEmptyBlocks(wv.begin(), wv.begin() + 8 + (wv[4] | wv[5] << 8 | wv[6] << 16));
  for (int i = 0; i < 3000; ++i) {
    TBytes block(wv.begin(), wv.begin() + 32);
    test::PutLe32(block, 4, 24);
    test::PutLe32(block, 20, 0);
    wvEmptyBlocks = test::Concat(wvEmptyBlocks, block);
  }
  // Musepack: the stream header, then a packet whose size never ends, and packets of size 0.
  const TBytes mpc = test::StreamFixture("mpc", "m44.mpc");
  const size_t mpcHeader = 4 + mpc[6];
  TBytes mpcEndlessSize(mpc.begin(), mpc.begin() + mpcHeader);
  test::AppendText(mpcEndlessSize, "AP");
  mpcEndlessSize.resize(mpcEndlessSize.size() + 100, 0xFF);
  TBytes mpcEmptyPackets(mpc.begin(), mpc.begin() + mpcHeader);
  for (int i = 0; i < 100; ++i) test::AppendText(mpcEmptyPackets, std::string_view("AP\0", 3));
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  struct TRow {
    const char* Name;
    const char* Unit;
    TBytes Bytes;
    TStreamAnswer Answer;
    TVerdict Verdict;
  } rows[] = {
      {"FLAC, empty blocks", "flac", emptyBlocks, goesOn, TVerdict::CutShort},
      {"FLAC, a block past the data", "flac", blockPastData, goesOn, TVerdict::CutShort},
      {"FLAC, no STREAMINFO", "flac", firstNotStreamInfo, {TStreamState::Broke, 4}, TVerdict::Damaged},
      {"FLAC, random frames", "flac", framesOfJunk, {TStreamState::Broke, 46}, TVerdict::Damaged},
      {"FLAC, random bytes", "flac", test::RandomBytes(20000, 4), unknown, TVerdict::Unknown},
      {"RIFF, empty chunks",
       "riff",
       test::Concat(emptyChunks, emptyChunks),
       {TStreamState::Ended, emptyChunks.size()},
       TVerdict::Whole},
      {"RIFF, a chunk past the end", "riff", chunkPastEnd, unknown, TVerdict::Unknown},
      {"RIFF, size 3", "riff", RiffStart(3, "WAVE"), unknown, TVerdict::Unknown},
      {"RIFF, no form type", "riff", RiffStart(100, "\x01\x02\x03\x04"), unknown, TVerdict::Unknown},
      {"RIFF, random bytes", "riff", test::RandomBytes(20000, 5), unknown, TVerdict::Unknown},
      {"MPEG audio, an ID3v2 size past the data", "mpeg-audio", id3Huge, goesOn, TVerdict::CutShort},
      {"MPEG audio, an empty ID3v2 tag then junk", "mpeg-audio", id3Empty, unknown, TVerdict::Unknown},
      {"MPEG audio, a frame count of all-ones",
       "mpeg-audio",
       countAllOnes,
       {TStreamState::Broke, countAllOnes.size() - 300},
       TVerdict::Damaged},
      {"MPEG audio, random bytes", "mpeg-audio", test::RandomBytes(20000, 8), unknown, TVerdict::Unknown},
      {"ADTS, frames of length 0", "adts", adtsEmpty, unknown, TVerdict::Unknown},
      {"ADTS, a frame past the data", "adts", adtsPastData, goesOn, TVerdict::CutShort},
      {"AC-3, frames of the smallest size code", "ac3", eac3Tiny, unknown, TVerdict::Unknown},
      {"AC-3, a frame past the data", "ac3", eac3PastData, goesOn, TVerdict::CutShort},
      {"AC-3, random bytes", "ac3", test::RandomBytes(20000, 9), unknown, TVerdict::Unknown},
      {"DTS, frames of size 1", "dts", dtsTiny, unknown, TVerdict::Unknown},
      {"DTS, a frame past the data", "dts", dtsPastData, goesOn, TVerdict::CutShort},
      {"AMR, only no-data frames then zeros",
       "amr",
       test::Concat(amrNoData, TBytes(100, 0)),
       {TStreamState::Ended, amrNoData.size()},
       TVerdict::Whole},
      {"AMR, the magic alone", "amr", TBytes(amrNoData.begin(), amrNoData.begin() + 6), goesOn, TVerdict::Unknown},
      {"TTA, frames of size 0", "tta", ttaEmptyFrames, {TStreamState::Broke, 22}, TVerdict::Damaged},
      {"WavPack, a block size of all-ones", "wavpack", wvHuge, unknown, TVerdict::Unknown},
      {"WavPack, empty blocks", "wavpack", wvEmptyBlocks, goesOn, TVerdict::CutShort},
      {"Musepack, a size that never ends", "mpc", mpcEndlessSize, {TStreamState::Broke, mpcHeader}, TVerdict::Damaged},
      {"Musepack, packets of size 0", "mpc", mpcEmptyPackets, {TStreamState::Broke, mpcHeader}, TVerdict::Damaged},
      {"TTA, random bytes after the magic",
       "tta",
       test::Concat(TBytes{'T', 'T', 'A', '1'}, test::RandomBytes(3000, 10)),
       {TStreamState::Broke, 0},
       TVerdict::Damaged},
  };
  for (const TRow& row : rows) {
    for (const auto& [how, run] : test::FeedEveryWay(row.Unit, row.Bytes, 17)) {
      SCOPED_TRACE(std::string(row.Name) + ", " + how);
      EXPECT_EQ(run.Answer, row.Answer);
      EXPECT_EQ(run.Verdict.Verdict, row.Verdict);
      EXPECT_TRUE(run.Steady);
    }
  }
}

// Any chunking of the same bytes gives the same answer and verdict, for the samples and for mangled copies.
TEST(StreamUnits, ChunkingNeverChangesTheAnswers) {
  std::mt19937 rng(23);
  // A sample clip, or a fixture as "unit/name".
  for (auto [unit, file] :
       {std::pair{"riff", "voice-memo.wav"}, std::pair{"flac", "chirp.flac"}, std::pair{"mpeg-audio", "reminder.mp3"},
        std::pair{"mpeg-audio", "field-tune.mp3"}, std::pair{"mpeg-audio", "mpeg-audio/layer2-crc.mp2"},
        std::pair{"adts", "adts/m22.aac"}, std::pair{"ac3", "ac3/m44.ac3"}, std::pair{"ac3", "ac3/s48.eac3"},
        std::pair{"dts", "dts/s44.dts"}, std::pair{"tta", "tta/m22.tta"}, std::pair{"wavpack", "wavpack/quad.wv"},
        std::pair{"mpc", "mpc/s44-tagged.mpc"}}) {
    const std::string path = file;
    const size_t slash = path.find('/');
    const TBytes original = slash == std::string::npos
                                ? test::SampleAudio(path)
                                : test::StreamFixture(path.substr(0, slash), path.substr(slash + 1));
    for (int i = 0; i < 40; ++i) {
      TBytes bytes = original;
      for (int k = rng() % 4; k >= 0; --k) bytes[rng() % bytes.size()] = uint8_t(rng());
      if (i % 3 == 0) bytes.resize(rng() % bytes.size());
      if (i % 3 == 1) bytes = test::Concat(bytes, test::RandomBytes(rng() % 5000, i));
      if (bytes.empty()) continue;
      const auto runs = test::FeedEveryWay(unit, bytes, i);
      for (const auto& [how, run] : runs) {
        SCOPED_TRACE(std::string(file) + " mangled " + std::to_string(i) + ", " + how);
        EXPECT_TRUE(IsValid(run));
        EXPECT_EQ(run, runs.front().second);
      }
    }
  }
}

}  // namespace quillot
