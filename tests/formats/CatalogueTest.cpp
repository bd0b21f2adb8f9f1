// The shipped format catalogue against the first sectors of files written by real encoders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/FileDetection.h"
#include "formats/FileTypes.h"
#include "platform/AtomicFile.h"
#include "streams/StartCheck.h"
#include "support/CatalogueCompare.h"
#include "support/TempDir.h"
#include "util/Text.h"

namespace quillot {

using test::ExpectSameCatalogue;
namespace {

namespace fs = std::filesystem;

constexpr size_t kSector = 512;
// Rules may read the sectors after the first one; the fixtures are the first sector only, and
// the rest of the buffer stays zero.
constexpr size_t kBufferSectors = 4;

const std::string kCatalogue = QUILLOT_SOURCE_DIR "/data/Quillot.ini";
const std::string kFixtures = QUILLOT_SOURCE_DIR "/tests/fixtures/formats";

struct Fixture {
  std::string title;  // the folder: the Title of the format that must claim it
  std::string name;
  std::string bytes;
};

std::vector<Fixture> LoadFixtures() {
  std::vector<Fixture> fixtures;
  for (const auto& folder : fs::directory_iterator(kFixtures)) {
    if (!folder.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(folder.path())) {
      if (file.path().extension() != ".bin") continue;
      Fixture f{folder.path().filename().string(), file.path().filename().string(), {}};
      EXPECT_TRUE(ReadWholeFile(file.path().string(), f.bytes)) << file.path();
      fixtures.push_back(std::move(f));
    }
  }
  std::sort(fixtures.begin(), fixtures.end(),
            [](const Fixture& a, const Fixture& b) { return a.title + a.name < b.title + b.name; });
  return fixtures;
}

// A zeroed buffer of a few sectors with the fixture at its start.
std::vector<uint8_t> FirstSectorBuffer(const std::string& bytes) {
  std::vector<uint8_t> buffer(kBufferSectors * kSector, 0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), buffer.size()), buffer.begin());
  return buffer;
}

const TFormat* MatchAtStart(TFileDetection& detection, std::vector<uint8_t>& buffer) {
  detection.SetBufferBounds(buffer.data(), buffer.size());
  return detection.Match(buffer.data());
}

std::string TitleOf(const TFormat* f) { return f ? f->Title : std::string("(nothing)"); }

class ShippedCatalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    storage.LoadFormats(kCatalogue);
    ASSERT_GT(storage.Formats.Count(), 0) << "no formats in " << kCatalogue;
  }
  TDataStorage storage;
};

TEST_F(ShippedCatalogue, EveryFixtureIsClaimedByItsOwnFormatOnly) {
  std::set<std::string> titles;
  std::map<std::string, bool> searchedByDefault;
  for (const auto& f : storage.Formats) {
    titles.insert(f->Title);
    searchedByDefault[f->Title] = f->Search;
  }

  // Every format takes part: no format tried earlier may claim another's first sector.
  for (const auto& f : storage.Formats) f->Search = true;
  TFileDetection all = PrepareCatalogue(storage.Formats);

  const auto fixtures = LoadFixtures();
  ASSERT_GE(fixtures.size(), 30u);
  std::set<std::string> covered;
  for (const Fixture& fx : fixtures) {
    SCOPED_TRACE(fx.title + "/" + fx.name);
    EXPECT_EQ(fx.bytes.size(), kSector);
    EXPECT_TRUE(titles.count(fx.title)) << "fixture folder names no format";
    auto buffer = FirstSectorBuffer(fx.bytes);
    EXPECT_EQ(TitleOf(MatchAtStart(all, buffer)), fx.title);
    covered.insert(fx.title);

    // In the last sector of the work buffer a rule reaching past it ends the test of that sector:
    // only formats tried before such a rule can still be found, so those rules must come last.
    std::vector<uint8_t> tail(kBufferSectors * kSector, 0);
    std::copy(fx.bytes.begin(), fx.bytes.end(), tail.end() - static_cast<std::ptrdiff_t>(kSector));
    all.SetBufferBounds(tail.data(), tail.size());
    EXPECT_EQ(TitleOf(all.Match(tail.data() + tail.size() - kSector)), fx.title) << "in the last sector";
  }
  EXPECT_GE(covered.size(), 30u);

  // With the shipped flags, a fixture is its own format or, when that one is not searched by
  // default, nothing at all.
  TDataStorage shipped;
  shipped.LoadFormats(kCatalogue);
  TFileDetection byDefault = PrepareCatalogue(shipped.Formats);
  for (const Fixture& fx : fixtures) {
    SCOPED_TRACE(fx.title + "/" + fx.name);
    auto buffer = FirstSectorBuffer(fx.bytes);
    const TFormat* found = MatchAtStart(byDefault, buffer);
    if (searchedByDefault.at(fx.title)) {
      EXPECT_EQ(TitleOf(found), fx.title);
    } else if (found) {
      EXPECT_EQ(found->Title, fx.title);
    }
  }
}

// The clips of the sample memory card are found with the flags as shipped.
TEST_F(ShippedCatalogue, SampleClipsAreFoundWithShippedFlags) {
  TFileDetection detection = PrepareCatalogue(storage.Formats);
  size_t clips = 0;
  for (const auto& file : fs::directory_iterator(QUILLOT_SOURCE_DIR "/samples/audio")) {
    SCOPED_TRACE(file.path().filename().string());
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(file.path().string(), bytes));
    auto buffer = FirstSectorBuffer(bytes.substr(0, kSector));
    EXPECT_NE(MatchAtStart(detection, buffer), nullptr);
    ++clips;
  }
  EXPECT_GT(clips, 0u);
}

// Formats the encoders here cannot write carry a comment citing their published layout instead.
TEST_F(ShippedCatalogue, FormatsWithoutFixturesSayWhy) {
  std::string text;
  ASSERT_TRUE(ReadWholeFile(kCatalogue, text));
  auto lines = SplitLines(text);
  for (const auto& f : storage.Formats) {
    if (fs::is_directory(kFixtures + "/" + f->Title)) continue;
    auto header = std::find(lines.begin(), lines.end(), "[" + f->Title + "]");
    ASSERT_NE(header, lines.end()) << f->Title;
    bool explained = false;
    for (auto it = header; it != lines.begin() && (it - 1)->starts_with(";"); --it)
      explained = explained || (it - 1)->find("no fixture") != std::string_view::npos;
    EXPECT_TRUE(explained) << f->Title << " has no fixture and no comment saying why";
  }
}

TEST_F(ShippedCatalogue, DefinitionsAreWellFormed) {
  EXPECT_GE(storage.Formats.Count(), 30);
  std::set<std::string> titles;
  for (const auto& f : storage.Formats) {
    SCOPED_TRACE(f->Title);
    // Section names compare without regard to case, so titles must differ in more than case.
    EXPECT_TRUE(titles.insert(UpperCase(f->Title)).second) << "duplicate title";
    EXPECT_FALSE(f->Category.empty());
    EXPECT_FALSE(f->TypeDescription.empty());
    EXPECT_FALSE(f->FileExtension.empty());
    EXPECT_EQ(f->FileExtension.find('.'), std::string::npos);
    EXPECT_FALSE(f->FilePrefix.empty());
    EXPECT_LE(f->FilePrefix.size(), 6u);
    // The Types page shows the description: it tells why a format is left unticked.
    EXPECT_EQ(f->TypeDescription.find("not searched by default") != std::string::npos, !f->Search);
    // A longer value would be cut when the file is read.
    EXPECT_LE(f->ScanBytes.size(), 2047u);

    // Every entry is a rule whose numbers read strictly: a typo would silently test for byte 0.
    ASSERT_GT(f->CountAlternatives(), 0);
    for (int32_t a = 0; a < f->CountAlternatives(); ++a) {
      auto entries = f->GetAlternativeRules(a);
      EXPECT_FALSE(entries.empty()) << "alternative " << a;
      for (const std::string& entry : entries) {
        size_t eq = entry.find('=');
        ASSERT_NE(eq, std::string::npos) << entry;
        ASSERT_EQ(entry.compare(eq, 2, "=#"), 0) << entry;
        auto offset = ParseInt32(Trim(std::string_view(entry).substr(0, eq)));
        auto value = ParseInt32(Trim(std::string_view(entry).substr(eq + 2)));
        ASSERT_TRUE(offset && value) << entry;
        EXPECT_GE(*offset, 0) << entry;
        EXPECT_LT(*offset, static_cast<int32_t>(kBufferSectors * kSector)) << entry;
        EXPECT_GE(*value, 0) << entry;
        EXPECT_LE(*value, 255) << entry;
      }
    }
  }
}

TEST_F(ShippedCatalogue, ZerosAndNoiseMatchNothingSearchedByDefault) {
  TFileDetection detection = PrepareCatalogue(storage.Formats);
  ASSERT_GT(detection.FormatCount(), 0u);

  std::vector<uint8_t> zeros(kBufferSectors * kSector, 0);
  EXPECT_EQ(TitleOf(MatchAtStart(detection, zeros)), "(nothing)");

  // Enough noise for the bare frame headers of the checked formats to match a few times: their checks
  // must turn every such match down.
  constexpr size_t kNoiseSectors = 32768;
  std::vector<uint8_t> noise((kNoiseSectors + kBufferSectors) * kSector);
  std::mt19937 random(20261207);
  for (auto& byte : noise) byte = static_cast<uint8_t>(random());
  detection.SetBufferBounds(noise.data(), noise.size());
  int checked = 0;
  for (size_t s = 0; s < kNoiseSectors; ++s) {
    const uint8_t* sector = noise.data() + s * kSector;
    const TFormat* format = detection.Match(sector);
    while (format && !format->Check.empty()) {
      ++checked;
      EXPECT_EQ(CheckStart(format->Check, sector, kStartCheckBytes, false, kSector), TStartCheck::Refused)
          << format->Title << " at sector " << s;
      format = detection.MatchAfter(sector, format);
    }
    EXPECT_EQ(TitleOf(format), "(nothing)") << "sector " << s;
  }
  EXPECT_GT(checked, 0) << "no checked format matched the noise: the test shows nothing";
}

TEST_F(ShippedCatalogue, SavesAndReloadsUnchanged) {
  test::TTempDir temp;
  ASSERT_FALSE(temp.Path().empty());

  // Into a new file: everything the catalogue holds comes back.
  const std::string fresh = temp.File("fresh.ini");
  storage.Modified = true;
  ASSERT_TRUE(storage.SaveFormats(fresh));
  TDataStorage reloaded;
  reloaded.LoadFormats(fresh);
  ExpectSameCatalogue(storage.Formats, reloaded.Formats);

  // Over a copy of itself: the shipped file is already in the writer's form, so a save that
  // changed nothing leaves it byte for byte as it was, comments included.
  std::string original;
  ASSERT_TRUE(ReadWholeFile(kCatalogue, original));
  const std::string copy = temp.File("copy.ini");
  ASSERT_TRUE(WriteFileAtomically(copy, original, nullptr));
  ASSERT_TRUE(storage.SaveFormats(copy));
  std::string saved;
  ASSERT_TRUE(ReadWholeFile(copy, saved));
  auto before = SplitLines(original);
  auto after = SplitLines(saved);
  auto diff = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
  EXPECT_TRUE(diff.first == before.end() && diff.second == after.end())
      << "first changed line: " << (diff.first == before.end() ? "(end)" : *diff.first) << " -> "
      << (diff.second == after.end() ? "(end)" : *diff.second);
  EXPECT_EQ(saved.size(), original.size());

  // The shipped order is already ascending by Order: a pass's sort changes nothing that a save writes.
  TDataStorage sorted;
  sorted.LoadFormats(kCatalogue);
  PrepareCatalogue(sorted.Formats);
  ExpectSameCatalogue(storage.Formats, sorted.Formats);
}

}  // namespace
}  // namespace quillot
