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

// An Ogg page of one serial with the given flags, sequence and lacing values, its body zeros, its CRC set.
TBytes OggPage(uint8_t flags, uint32_t sequence, const TBytes& lacing) {
  TBytes page;
  test::AppendText(page, "OggS");
  page.push_back(0);
  page.push_back(flags);
  test::AppendLe(page, 0, 8);
  test::AppendLe(page, 77, 4);
  test::AppendLe(page, sequence, 4);
  test::AppendLe(page, 0, 4);
  page.push_back(uint8_t(lacing.size()));
  page = test::Concat(page, lacing);
  size_t body = 0;
  for (uint8_t v : lacing) body += v;
  page.resize(page.size() + body);
  test::PutLe32(page, 22, Crc32(0, page.data(), page.size()));
  return page;
}

TBytes BigEndianHead(std::string_view magic, uint64_t size, int sizeBytes, std::string_view type) {
  TBytes head;
  test::AppendText(head, magic);
  test::AppendBe(head, size, sizeBytes);
  test::AppendText(head, type);
  return head;
}

void AppendBe32(TBytes& bytes, uint32_t v) { test::AppendBe(bytes, v, 4); }

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
         run.Verdict.Verdict >= TVerdict::Whole && run.Verdict.Verdict <= TVerdict::Unproven && run.Steady;
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
  TBytes emptyPages = OggPage(2, 0, {});
  for (uint32_t i = 1; i < 5000; ++i) emptyPages = test::Concat(emptyPages, OggPage(0, i, {}));
  TBytes pagePastData = OggPage(2, 0, {});
  const TBytes fullLacing = OggPage(0, 1, TBytes(255, 255));
  pagePastData.insert(pagePastData.end(), fullLacing.begin(), fullLacing.begin() + 27 + 255 + 100);
  TBytes emptyForm = BigEndianHead("FORM", 4 + 8 * 3000, 4, "AIFF");
  for (int i = 0; i < 3000; ++i) test::AppendText(emptyForm, std::string_view("none\0\0\0\0", 8));
  TBytes formChunkPastEnd = BigEndianHead("FORM", 0xFFFFFFF0, 4, "AIFF");
  test::AppendText(formChunkPastEnd, "SSND");
  test::AppendLe(formChunkPastEnd, 0xFFFFFFFF, 4);
  TBytes dffChunkAllOnes = BigEndianHead("FRM8", 1000, 8, "DSD ");
  test::AppendText(dffChunkAllOnes, "DSD ");
  test::AppendLe(dffChunkAllOnes, ~uint64_t(0), 8);
  TBytes emptyW64 = test::StreamFixture("w64", "m8.w64");
  emptyW64.resize(40);
  for (int i = 0; i < 2000; ++i) {
    test::AppendText(emptyW64, "none............");
    test::AppendLe(emptyW64, 24, 8);
  }
  test::PutLe32(emptyW64, 16, uint32_t(emptyW64.size()));
  TBytes emptyBlocksVoc = test::StreamFixture("voc", "m8.voc");
  emptyBlocksVoc.resize(26);
  for (int i = 0; i < 5000; ++i) emptyBlocksVoc.insert(emptyBlocksVoc.end(), {2, 0, 0, 0});
  TBytes emptyCafChunks;
  test::AppendText(emptyCafChunks, std::string_view("caff\0\1\0\0desc\0\0\0\0\0\0\0\0", 20));
  for (int i = 0; i < 3000; ++i) test::AppendText(emptyCafChunks, std::string_view("free\0\0\0\0\0\0\0\0", 12));
  TBytes cafChunkAllOnes = emptyCafChunks;
  cafChunkAllOnes.resize(20);
  test::AppendText(cafChunkAllOnes, "free");
  test::AppendLe(cafChunkAllOnes, ~uint64_t(0), 8);
  TBytes auPastData;
  test::AppendText(auPastData, ".snd");
  for (uint32_t v : {24u, 0xFFFFFFFEu, 3u, 8000u, 1u}) test::AppendBe(auPastData, v, 4);
  auPastData.resize(5000);
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
      {"Ogg, empty pages", "ogg", emptyPages, goesOn, TVerdict::CutShort},
      {"Ogg, a page past the data", "ogg", pagePastData, goesOn, TVerdict::CutShort},
      {"IFF, empty chunks, no sound", "iff", emptyForm, unknown, TVerdict::Unknown},
      {"IFF, a chunk past the end", "iff", formChunkPastEnd, unknown, TVerdict::Unknown},
      {"DSDIFF, a chunk of size all-ones", "dff", dffChunkAllOnes, unknown, TVerdict::Unknown},
      {"W64, empty chunks, no data", "w64", emptyW64, unknown, TVerdict::Unknown},
      {"VOC, empty blocks", "voc", emptyBlocksVoc, goesOn, TVerdict::CutShort},
      {"CAF, empty chunks", "caf", emptyCafChunks, goesOn, TVerdict::CutShort},
      {"CAF, a chunk of size all-ones", "caf", cafChunkAllOnes, {TStreamState::Broke, 20}, TVerdict::Damaged},
      {"AU, data past the bytes", "au", auPastData, goesOn, TVerdict::CutShort},
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
       TVerdict::Unproven},
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
  // Random bytes are no unit's stream.
  for (std::string_view unit : StreamUnitNames()) {
    SCOPED_TRACE(unit);
    const auto run = test::FeedWhole(unit, test::RandomBytes(20000, 6));
    EXPECT_EQ(run.Answer, unknown);
    EXPECT_EQ(run.Verdict, (TStreamVerdict{TVerdict::Unknown, TEvidence::None}));
  }
}

// Any chunking of the same bytes gives the same answer and verdict, for the samples and for mangled copies.
TEST(StreamUnits, ChunkingNeverChangesTheAnswers) {
  std::mt19937 rng(23);
  const std::pair<const char*, std::string> files[] = {
      {"riff", "voice-memo.wav"},
      {"flac", "chirp.flac"},
      {"ogg", "tune.ogg"},
      {"ogg", "note.opus"},
      {"iff", "chirp.aiff"},
      {"w64", "w64/m8.w64"},
      {"au", "au/m8.au"},
      {"caf", "caf/m8.caf"},
      {"voc", "voc/m8-ffmpeg.voc"},
      {"ogg", "ogg/m16.spx"},
      {"isobmff", "voice.m4a"},
      {"matroska", "matroska/tune.mka"},
      {"matroska", "matroska/live.mka"},
      {"asf", "asf/tune.wma"},
      {"realmedia", "realmedia/tune.rm"},
      {"mpeg-audio", "reminder.mp3"},
      {"mpeg-audio", "field-tune.mp3"},
      {"mpeg-audio", "mpeg-audio/layer2-crc.mp2"},
      {"adts", "adts/m22.aac"},
      {"ac3", "ac3/m44.ac3"},
      {"ac3", "ac3/s48.eac3"},
      {"dts", "dts/s44.dts"},
      {"tta", "tta/m22.tta"},
      {"wavpack", "wavpack/quad.wv"},
      {"mpc", "mpc/s44-tagged.mpc"},
  };
  for (const auto& [unit, file] : files) {
    // A name with a folder is a fixture of tests/fixtures/streams, else a sample clip.
    const size_t slash = file.find('/');
    const TBytes original = slash == std::string::npos
                                ? test::SampleAudio(file)
                                : test::StreamFixture(file.substr(0, slash), file.substr(slash + 1));
    for (int i = 0; i < 40; ++i) {
      TBytes bytes = original;
      for (int k = rng() % 4; k >= 0; --k) bytes[rng() % bytes.size()] = uint8_t(rng());
      if (i % 3 == 0) bytes.resize(rng() % bytes.size());
      if (i % 3 == 1) bytes = test::Concat(bytes, test::RandomBytes(rng() % 5000, i));
      if (bytes.empty()) continue;
      const auto runs = test::FeedEveryWay(unit, bytes, i);
      for (const auto& [how, run] : runs) {
        SCOPED_TRACE(file + " mangled " + std::to_string(i) + ", " + how);
        EXPECT_TRUE(IsValid(run));
        EXPECT_EQ(run, runs.front().second);
      }
    }
  }
}

}  // namespace quillot
