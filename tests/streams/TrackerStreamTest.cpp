#include <gtest/gtest.h>

#include <string_view>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// No writer of tracker modules is packaged here: each module is built from its tracker's published layout,
// the parts placed at the offsets their pointers give, gaps left zero.
struct TModule {
  TBytes Bytes;
  void Put(size_t at, std::string_view text) { Put(at, TBytes(text.begin(), text.end())); }
  void Put(size_t at, const TBytes& bytes) {
    if (Bytes.size() < at + bytes.size()) Bytes.resize(at + bytes.size());
    std::copy(bytes.begin(), bytes.end(), Bytes.begin() + at);
  }
  void Le(size_t at, uint64_t v, int size) {
    TBytes b;
    test::AppendLe(b, v, size);
    Put(at, b);
  }
  void Be16(size_t at, uint16_t v) { Put(at, TBytes{uint8_t(v >> 8), uint8_t(v)}); }
  void Size(size_t size) { Bytes.resize(size); }
};

// ProTracker: 3 patterns (the table's highest is 2) of the tag's channels, two samples of 100 and 50 words.
TBytes Mod(std::string_view tag = "M.K.", uint8_t highestPattern = 2) {
  TModule m;
  m.Put(0, "a tune");
  m.Be16(20 + 22, 100);
  m.Be16(20 + 30 + 22, 50);
  m.Put(950, TBytes{3, 127, 0, highestPattern, 1});
  m.Put(1080, tag);
  const unsigned channels = tag == "8CHN" ? 8 : 4;
  m.Size(1084 + (highestPattern + 1) * 256 * channels + 300);
  return m.Bytes;
}

// Scream Tracker 3: two sampled instruments (8-bit 300 bytes, 16-bit 200 samples), two packed patterns, the
// last sample ending the file at 1168.
TBytes S3m(uint16_t firstInstrument = 7) {
  TModule m;
  m.Put(0, "a tune");
  m.Put(28, TBytes{0x1A, 16});
  m.Le(32, 4, 2);  // orders
  m.Le(34, 2, 2);  // instruments
  m.Le(36, 2, 2);  // patterns
  m.Le(40, 0x1320, 2);
  m.Le(42, 2, 2);
  m.Put(44, "SCRM");
  m.Put(96, TBytes{0, 1, 255, 255});
  for (auto [at, para] : {std::pair{100, firstInstrument}, {102, 12}, {104, 17}, {106, 24}}) m.Le(at, para, 2);
  auto instrument = [&](size_t at, uint16_t samplePara, uint32_t length, uint8_t flags) {
    m.Put(at, TBytes{1});
    m.Le(at + 14, samplePara, 2);
    m.Le(at + 16, length, 4);
    m.Put(at + 31, TBytes{flags});
    m.Put(at + 76, "SCRS");
  };
  instrument(112, 29, 300, 0);
  instrument(192, 48, 200, 4);
  m.Le(272, 100, 2);
  m.Le(384, 66, 2);
  m.Size(768 + 400);
  return m.Bytes;
}

// Impulse Tracker: a message, one instrument, two samples (8-bit 500, 16-bit 300), one pattern; 2116 bytes.
TBytes It(uint8_t secondSampleFlags = 3, std::string_view secondSampleId = "IMPS") {
  TModule m;
  m.Put(0, "IMPMa tune");
  m.Le(32, 2, 2);  // orders
  m.Le(34, 1, 2);  // instruments
  m.Le(36, 2, 2);  // samples
  m.Le(38, 1, 2);  // patterns
  m.Le(40, 0x0214, 2);
  m.Le(42, 0x0214, 2);
  m.Le(46, 1, 2);  // a message
  m.Le(54, 20, 2);
  m.Le(56, 210, 4);
  m.Put(192, TBytes{0, 255});
  for (auto [at, offset] : {std::pair{194, 230}, {198, 784}, {202, 864}, {206, 944}}) m.Le(at, offset, 4);
  m.Put(210, "a message, 20 bytes.");
  m.Put(230, "IMPI");
  auto sample = [&](size_t at, uint8_t flags, uint32_t length, uint32_t dataAt, std::string_view id = "IMPS") {
    m.Put(at, id);
    m.Put(at + 18, TBytes{flags});
    m.Le(at + 48, length, 4);
    m.Le(at + 72, dataAt, 4);
  };
  sample(784, 1, 500, 1016);
  sample(864, secondSampleFlags, 300, 1516, secondSampleId);
  m.Le(944, 64, 2);
  m.Le(946, 64, 2);
  m.Size(2116);
  return m.Bytes;
}

// FastTracker 2: two patterns, an instrument with two samples (120 and 80 bytes), one without; 976 bytes.
TBytes Xm(uint32_t firstPatternHead = 9) {
  TModule m;
  m.Put(0, "Extended Module: a tune");
  m.Put(37, TBytes{0x1A});
  m.Le(58, 0x0104, 2);
  m.Le(60, 276, 4);
  m.Le(64, 1, 2);
  m.Le(68, 4, 2);  // channels
  m.Le(70, 2, 2);  // patterns
  m.Le(72, 2, 2);  // instruments
  m.Le(336, firstPatternHead, 4);
  m.Le(341, 64, 2);
  m.Le(343, 50, 2);
  m.Le(395, 9, 4);
  m.Le(400, 64, 2);
  m.Le(404, 263, 4);
  m.Le(404 + 27, 2, 2);
  m.Le(404 + 29, 40, 4);
  m.Le(667, 120, 4);
  m.Le(707, 80, 4);
  m.Le(947, 29, 4);
  m.Size(976);
  return m.Bytes;
}

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

}  // namespace

TEST(TrackerStream, EndsWhereTheFurthestPartEnds) {
  const TBytes mod = Mod(), mod8 = Mod("8CHN"), s3m = S3m(), it = It(), xm = Xm();
  const TBytes junk = test::RandomBytes(3000, 8);
  ASSERT_EQ(mod.size(), 1084u + 3 * 1024 + 300);
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      damaged{TVerdict::Damaged, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None};
  auto ended = [](const TBytes& file) { return TStreamAnswer{TStreamState::Ended, file.size()}; };
  const test::TStreamCase rows[] = {
      {"MOD", test::Concat(mod, junk), ended(mod), whole},
      {"MOD, 8 channels", test::Concat(mod8, mod), ended(mod8), whole},
      {"S3M", test::Concat(s3m, junk), ended(s3m), whole},
      {"IT", test::Concat(it, it), ended(it), whole},
      {"XM", test::Concat(xm, junk), ended(xm), whole},
      {"XM alone", xm, ended(xm), whole},
      {"MOD, cut in the header", Head(mod, 1000), goesOn, none},
      {"MOD, cut in the patterns", Head(mod, 2000), goesOn, cut},
      {"MOD, cut in the samples", Head(mod, mod.size() - 1), goesOn, cut},
      {"S3M, cut in the pointers", Head(s3m, 103), goesOn, cut},
      {"IT, cut in the last sample", Head(it, 2000), goesOn, cut},
      {"XM, cut in the sample headers", Head(xm, 700), goesOn, cut},
      {"S3M, an instrument inside the header", test::Concat(S3m(2), junk), {TStreamState::Broke, 32}, damaged},
      {"IT, a sample without its header", test::Concat(It(3, "XXXX"), junk), {TStreamState::Broke, 864}, damaged},
      {"XM, a pattern head too short", test::Concat(Xm(4), junk), {TStreamState::Broke, 336}, damaged},
      // Compressed IT samples have no length without decoding them.
      {"IT, an empty sample slot", It(0), {TStreamState::Ended, 1516}, whole},
      {"IT, a compressed sample", test::Concat(It(1 | 8), junk), unknown, none},
      {"MOD, a pattern number past 127", test::Concat(Mod("M.K.", 200), junk), unknown, none},
      {"not a module", test::SampleAudio("chirp.flac"), unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("tracker", row.Bytes, 37, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
