// The indexed matcher must give exactly the answers of evaluating every rule in catalogue order.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "engine/FileDetection.h"

namespace quillot {
namespace {

constexpr size_t kSector = 512;

// Random rule texts that use the corners of the syntax: offsets outside the sector and the buffer,
// negative offsets, empty entries, entries that are no rules, blank lines between alternatives.
std::string RandomScript(std::mt19937& rng, int lines) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string script;
  for (int l = 0; l < lines; ++l) {
    int rules = pick(5);
    for (int r = 0; r < rules; ++r) {
      int kind = pick(20);
      int offset = kind < 14   ? pick(8)
                   : kind < 16 ? pick(2000)
                   : kind < 17 ? -pick(600)
                   : kind < 18 ? 5000000
                               : pick(512);
      int value = pick(6) == 0 ? pick(256) : pick(3);  // few values, so rules often hold
      if (kind == 18)
        script += "x=y";  // not a rule
      else if (kind == 19)
        script += "";  // empty entry
      else
        script += std::to_string(offset) + "=#" + std::to_string(value);
      if (r + 1 < rules || pick(4) == 0) script += ",";
    }
    if (pick(6) == 0) script += rules ? ",x=y" : "x=y";  // a line whose last entry is no rule
    script += pick(8) == 0 ? "\r\n\r\n" : "\r\n";
  }
  return script;
}

TEST(FileDetectionIndex, AgreesWithPlainEvaluationOnRandomRulesAndSectors) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    TFormatsList list;
    int formats = 1 + static_cast<int>(rng() % 100);
    for (int f = 0; f < formats; ++f) {
      auto format = std::make_unique<TFormat>();
      format->Title = "f" + std::to_string(f);
      format->Order = static_cast<int32_t>(rng() % 50);
      format->Search = rng() % 5 != 0;
      format->ScanBytes = RandomScript(rng, 1 + static_cast<int>(rng() % 4));
      list.Add(std::move(format));
    }
    const uint32_t sectorBytes = round % 3 == 0 ? 2048 : 512;
    TFileDetection detection = PrepareCatalogue(list);
    std::vector<uint8_t> buffer(4 * 2048 + 1);
    detection.SetBufferBounds(buffer.data(), buffer.size());
    for (int trial = 0; trial < 50; ++trial) {
      for (auto& b : buffer) b = static_cast<uint8_t>(rng() % 4 == 0 ? rng() : rng() % 3);
      for (size_t s = 0; s < 4; ++s) {
        const uint8_t* sector = buffer.data() + s * sectorBytes;
        ASSERT_EQ(detection.Match(sector), detection.MatchPlain(sector)) << "round " << round << " sector " << s;
      }
      // A sector that does not lie wholly inside the buffer.
      ASSERT_EQ(detection.Match(buffer.data() + buffer.size() - 100),
                detection.MatchPlain(buffer.data() + buffer.size() - 100));
    }
  }
}

TEST(FileDetectionIndex, AnAlternativeThatCannotMatchStillEndsTheTestWhenItReadsOutside) {
  TFormatsList list;
  for (const char* script : {"0=#0,5000000=#1,not a rule", "0=#0"}) {
    auto f = std::make_unique<TFormat>();
    f->Search = true;
    f->ScanBytes = script;
    list.Add(std::move(f));
  }
  TFileDetection detection = PrepareCatalogue(list);
  std::vector<uint8_t> buffer(2 * kSector);
  detection.SetBufferBounds(buffer.data(), buffer.size());
  EXPECT_EQ(detection.MatchPlain(buffer.data()), nullptr);
  EXPECT_EQ(detection.Match(buffer.data()), nullptr);
  buffer[0] = 1;  // the first rule fails before the far one is read: nothing matches either way
  EXPECT_EQ(detection.Match(buffer.data()), nullptr);
}

TEST(FileDetectionIndex, ShippedCatalogueAgreesOnCraftedSectors) {
  TDataStorage storage;
  storage.LoadFormats(std::string(QUILLOT_SOURCE_DIR) + "/data/Quillot.ini");
  for (const auto& f : storage.Formats) f->Search = true;
  TFileDetection detection = PrepareCatalogue(storage.Formats);
  std::vector<uint8_t> buffer(8 * kSector);
  detection.SetBufferBounds(buffer.data(), buffer.size());
  std::mt19937 rng(11);
  int matched = 0;
  // Each format's own first rules written into noise, zeros and 0xFF fill: the answers must agree.
  for (const auto& f : storage.Formats) {
    for (int a = 0; a < f->AlternativeCount; ++a) {
      for (uint8_t fill : {uint8_t{0}, uint8_t{0xFF}, uint8_t{1}}) {
        std::fill(buffer.begin(), buffer.end(), fill);
        if (fill == 1)
          for (auto& b : buffer) b = static_cast<uint8_t>(rng());
        for (const std::string& entry : f->GetAlternativeRules(a)) {
          int32_t offset;
          uint8_t value;
          if (ParseRule(entry, offset, value) && offset >= 0 && static_cast<size_t>(offset) + kSector < buffer.size())
            buffer[kSector + static_cast<size_t>(offset)] = value;
        }
        const uint8_t* sector = buffer.data() + kSector;
        ASSERT_EQ(detection.Match(sector), detection.MatchPlain(sector)) << f->Title << " alternative " << a;
        matched += detection.Match(sector) != nullptr;
      }
    }
  }
  EXPECT_GT(matched, 100);
}

// The work of preparing `formats` searched formats of `alternatives` made-up signatures each, counted as
// the bytes of rule text read and the steps of the index build. Signatures at the sector's start, or
// spread over the index's reach so that it has many offsets to choose from.
uint64_t PreparationWork(int formats, int alternatives, bool spread) {
  std::mt19937 rng(13);
  TFormatsList list;
  for (int i = 0; i < formats; ++i) {
    auto f = std::make_unique<TFormat>();
    f->Search = true;
    for (int a = 0; a < alternatives; ++a) {
      // Every line the same length, so twice the alternatives are exactly twice the text.
      const unsigned at = spread ? static_cast<unsigned>(rng() % 65535) : 0;
      char line[32];
      std::snprintf(line, sizeof line, "%05u=#$%02X,%05u=#$%02X\r\n", at, static_cast<unsigned>(rng() % 256), at + 1,
                    static_cast<unsigned>(rng() % 256));
      f->ScanBytes += line;
    }
    list.Add(std::move(f));
  }
  const TFileDetection detection = PrepareCatalogue(list);
  uint64_t work = detection.IndexWork();
  for (const auto& f : list) {
    EXPECT_EQ(f->AlternativeCount, alternatives);
    work += f->TextBytesRead();
  }
  return work;
}

TEST(FileDetectionIndex, PreparingTwiceTheAlternativesTakesAtMostTwiceTheWork) {
  struct Case {
    int formats;
    int alternatives;
    bool spread;
  };
  // Twice the alternatives: in one format, and in twice the formats.
  for (const Case& c : {Case{1, 5000, false}, Case{1, 5000, true}, Case{50, 100, true}}) {
    SCOPED_TRACE(::testing::Message() << c.formats << " formats of " << c.alternatives << " alternatives, "
                                      << (c.spread ? "spread" : "at the start"));
    const uint64_t once = PreparationWork(c.formats, c.alternatives, c.spread);
    const uint64_t twice = c.formats == 1 ? PreparationWork(1, 2 * c.alternatives, c.spread)
                                          : PreparationWork(2 * c.formats, c.alternatives, c.spread);
    EXPECT_GT(once, 0u);
    EXPECT_LE(twice, 2 * once + 64);
  }
}

}  // namespace
}  // namespace quillot
