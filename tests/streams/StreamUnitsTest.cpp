#include <gtest/gtest.h>

#include <sstream>

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

void AppendBe32(TBytes& bytes, uint32_t v) {
  for (int shift : {24, 16, 8, 0}) bytes.push_back(uint8_t(v >> shift));
}

// A box or chunk head: 32-bit big-endian size after or before the id, as the format puts it.
void AppendBox(TBytes& bytes, uint32_t size, std::string_view type) {
  AppendBe32(bytes, size);
  test::AppendText(bytes, type);
}

void AppendChunk(TBytes& bytes, std::string_view id, uint32_t size) {
  test::AppendText(bytes, id);
  AppendBe32(bytes, size);
}

TBytes Ftyp() {
  TBytes ftyp;
  AppendBox(ftyp, 16, "ftyp");
  test::AppendText(ftyp, "M4A ");
  test::AppendLe(ftyp, 0, 4);
  return ftyp;
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
  TBytes emptyBoxes = Ftyp();
  for (int i = 0; i < 3000; ++i) AppendBox(emptyBoxes, 8, "free");
  TBytes mdatAllOnes = Ftyp();
  AppendBox(mdatAllOnes, 0xFFFFFFFF, "mdat");
  mdatAllOnes.resize(mdatAllOnes.size() + 100);
  TBytes mdatLargeSizeZero = Ftyp();
  AppendBox(mdatLargeSizeZero, 1, "mdat");
  test::AppendLe(mdatLargeSizeZero, 0, 8);
  TBytes moovOfEmptyBoxes = Ftyp();
  AppendBox(moovOfEmptyBoxes, 8 + 8 * 3000, "moov");
  for (int i = 0; i < 3000; ++i) AppendBox(moovOfEmptyBoxes, 8, "free");
  AppendBox(moovOfEmptyBoxes, 8, "mdat");
  const size_t moovEnd = moovOfEmptyBoxes.size();
  moovOfEmptyBoxes.resize(moovEnd + 64);  // free space
  TBytes voids = test::Concat(test::StreamFixture("matroska", "tune.mka"), {});
  voids.resize(40);                                                             // the EBML header
  test::AppendText(voids, "\x18\x53\x80\x67\x01\xFF\xFF\xFF\xFF\xFF\xFF\xFF");  // Segment of unknown size
  for (int i = 0; i < 3000; ++i) test::AppendText(voids, "\xEC\x80");
  TBytes ebmlAllOnes;
  test::AppendText(ebmlAllOnes, "\x1A\x45\xDF\xA3\xFF");
  ebmlAllOnes.resize(200);
  TBytes emptyRmChunks;
  AppendChunk(emptyRmChunks, ".RMF", 18);
  emptyRmChunks.resize(18);
  for (int i = 0; i < 3000; ++i) {
    AppendChunk(emptyRmChunks, "CONT", 10);
    test::AppendLe(emptyRmChunks, 0, 2);
  }
  emptyRmChunks.resize(emptyRmChunks.size() + 64);
  TBytes emptyMidiChunks;
  AppendChunk(emptyMidiChunks, "MThd", 6);
  test::AppendText(emptyMidiChunks, std::string_view("\0\1\xFF\xFF\0\x60", 6));
  for (int i = 0; i < 3000; ++i) AppendChunk(emptyMidiChunks, "XXXX", 0);
  const size_t midiChunksEnd = emptyMidiChunks.size();
  emptyMidiChunks.resize(midiChunksEnd + 64);
  TBytes mmfAllOnes;
  AppendChunk(mmfAllOnes, "MMMD", 0xFFFFFFFF);
  AppendChunk(mmfAllOnes, "CNTI", 0);
  mmfAllOnes.resize(300);
  TBytes xmEmptyPatterns;
  test::AppendText(xmEmptyPatterns, "Extended Module: ");
  xmEmptyPatterns.resize(60);
  test::AppendLe(xmEmptyPatterns, 20, 4);
  test::AppendLe(xmEmptyPatterns, 0, 6);
  test::AppendLe(xmEmptyPatterns, 256, 2);  // patterns
  test::AppendLe(xmEmptyPatterns, 0, 8);
  for (int i = 0; i < 256; ++i) {
    test::AppendLe(xmEmptyPatterns, 9, 4);  // head size 9, no data
    test::AppendLe(xmEmptyPatterns, 0, 5);
  }
  const size_t xmEnd = xmEmptyPatterns.size();
  xmEmptyPatterns.resize(xmEnd + 100);
  TBytes itPointersPastData;
  test::AppendText(itPointersPastData, "IMPM");
  itPointersPastData.resize(192);
  itPointersPastData[36] = 200;  // samples
  for (int i = 0; i < 200; ++i) test::AppendLe(itPointersPastData, 0xFFFFFFFF, 4);
  itPointersPastData.resize(itPointersPastData.size() + 500);
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
      {"ISO, empty boxes, no moov", "isobmff", test::Concat(emptyBoxes, test::RandomBytes(100, 6)), unknown,
       TVerdict::Unknown},
      {"ISO, mdat size all-ones", "isobmff", mdatAllOnes, goesOn, TVerdict::CutShort},
      {"ISO, mdat largesize 0", "isobmff", mdatLargeSizeZero, unknown, TVerdict::Unknown},
      {"ISO, a moov of empty boxes", "isobmff", moovOfEmptyBoxes, {TStreamState::Ended, moovEnd}, TVerdict::Whole},
      {"ISO, random bytes", "isobmff", test::RandomBytes(20000, 7), unknown, TVerdict::Unknown},
      {"Matroska, Void after Void, no cluster", "matroska", test::Concat(voids, TBytes(100, 0)), unknown,
       TVerdict::Unknown},
      {"Matroska, EBML header size all-ones", "matroska", ebmlAllOnes, unknown, TVerdict::Unknown},
      {"Matroska, random bytes", "matroska", test::RandomBytes(20000, 8), unknown, TVerdict::Unknown},
      {"RealMedia, empty chunks, no data", "realmedia", emptyRmChunks, unknown, TVerdict::Unknown},
      {"ASF, random bytes", "asf", test::RandomBytes(20000, 9), unknown, TVerdict::Unknown},
      {"MIDI, empty chunks, tracks missing",
       "midi",
       emptyMidiChunks,
       {TStreamState::Broke, midiChunksEnd},
       TVerdict::Damaged},
      {"MMF, size all-ones", "mmf", mmfAllOnes, unknown, TVerdict::Unknown},
      {"XM, empty patterns", "tracker", xmEmptyPatterns, {TStreamState::Ended, xmEnd}, TVerdict::Whole},
      {"IT, pointers past the data", "tracker", itPointersPastData, goesOn, TVerdict::CutShort},
      {"tracker, random bytes", "tracker", test::RandomBytes(20000, 10), unknown, TVerdict::Unknown},
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
  // A file named unit/name is a fixture of that unit, else a sample clip.
  for (auto [unit, file] :
       {std::pair{"riff", "voice-memo.wav"}, std::pair{"flac", "chirp.flac"}, std::pair{"isobmff", "voice.m4a"},
        std::pair{"matroska", "matroska/tune.mka"}, std::pair{"matroska", "matroska/live.mka"},
        std::pair{"asf", "asf/tune.wma"}, std::pair{"realmedia", "realmedia/tune.rm"}}) {
    const std::string name = file;
    const size_t slash = name.find('/');
    const TBytes original = slash == std::string::npos ? test::SampleAudio(name)
                                                       : test::StreamFixture(unit, name.substr(slash + 1));
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
