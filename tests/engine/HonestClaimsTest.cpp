// Real FAT cards made with mkfs.fat and mtools, holding what a card that was filled, emptied and filled again
// holds: recordings in pieces, two recordings interleaved cluster by cluster, a recording behind the first piece
// of another. Whatever the card, a file called whole is byte for byte a recording that was written, no sector
// goes into two files, no recording stored in one piece is lost, and the size of the reads changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/FileClaim.h"
#include "engine/RecoveryPass.h"
#include "support/Files.h"
#include "support/RecoverImage.h"
#include "support/StreamFeed.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

std::string Bytes(const test::TBytes& b) { return std::string(b.begin(), b.end()); }

// One step of filling the card: files copied in this order (name, bytes), or the named files deleted.
struct TStep {
  std::vector<std::pair<std::string, std::string>> copy;
  std::vector<std::string> remove;
};

struct TCard {
  const char* name;
  std::vector<TStep> steps;
  std::vector<std::string> recordings;  // the recordings written; the rest is filler
  // Recordings that lie in one piece on the card and must each come back (trimmed, exactly).
  std::vector<std::string> intact;
};

void PrintTo(const TCard& c, std::ostream* os) { *os << c.name; }

constexpr size_t kCluster = 4096;

// count one-cluster fillers, "f0".."f<count-1>".
std::vector<std::pair<std::string, std::string>> Fillers(size_t count, size_t bytes = kCluster) {
  std::vector<std::pair<std::string, std::string>> files;
  for (size_t i = 0; i < count; ++i)
    files.push_back({"f" + std::to_string(i), Bytes(test::RandomBytes(bytes, static_cast<uint32_t>(100 + i)))});
  return files;
}
std::vector<std::string> FillerNames(size_t from, size_t count, size_t step) {
  std::vector<std::string> names;
  for (size_t i = from; i < count; i += step) names.push_back("f" + std::to_string(i));
  return names;
}

struct TOutcome {
  std::vector<TRecoveredFile> files;
  std::vector<std::string> contents;
};

class HonestClaimsTest : public ::testing::TestWithParam<TCard> {
 protected:
  std::string MakeCard(const TCard& c) {
    const std::string image = dir_.File("card.img");
    const std::string mtools = "MTOOLS_SKIP_CHECK=1 ";
    // 4 KiB clusters, as small cards have them.
    std::string script = "truncate -s 20M " + image + " && mkfs.fat -F 16 -S 512 -s 8 " + image + " >/dev/null";
    int n = 0;
    for (const TStep& step : c.steps) {
      if (!step.copy.empty()) {
        std::string files;
        for (const auto& [name, bytes] : step.copy) {
          const std::string sub = dir_.File("in" + std::to_string(n++));
          std::filesystem::create_directories(sub);
          const std::string path = sub + "/" + name;
          test::WriteText(path, bytes);
          files += " " + path;
        }
        script += " && " + mtools + "mcopy -i " + image + files + " ::/";
      }
      if (!step.remove.empty()) {
        script += " && " + mtools + "mdel -i " + image;
        for (const std::string& name : step.remove) script += " ::/" + name;
      }
    }
    EXPECT_EQ(std::system(script.c_str()), 0) << script;
    return image;
  }

  TOutcome Recover(const std::string& image, int32_t sectorsToRead, const std::string& out) {
    TOutcome outcome;
    outcome.files = test::RecoverImage(image, out, sectorsToRead, true, true);
    for (const TRecoveredFile& f : outcome.files) outcome.contents.push_back(test::ReadText(f.Path));
    return outcome;
  }

  test::TTempDir dir_;
};

// Each file's medium sectors, piece by piece.
std::vector<TRecoveredFile::TRun> SectorsOf(const TRecoveredFile& f) {
  if (f.Pieces.empty()) return {{f.FirstSector, f.Sectors}};
  return f.Pieces;
}

// What may not differ with the size of the reads: each file's sectors, pieces and claim.
// The files by name: when a file that waited for its next piece is given up follows the budget, which the
// reads' size shapes, so the order files finish in may differ; the files may not.
std::string Layout(const TOutcome& o) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < o.files.size(); ++i) {
    const TRecoveredFile& f = o.files[i];
    std::string line = f.Name + " " + std::to_string(f.FirstSector) + "+" + std::to_string(f.Sectors) + " [";
    for (const auto& p : f.Pieces) line += std::to_string(p.First) + "+" + std::to_string(p.Count) + " ";
    lines.push_back(line + "] " + ClaimKey(f) + " " + std::to_string(o.contents[i].size()) + "\n");
  }
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

TEST_P(HonestClaimsTest, WholeMeansTheRecordingAndEverySectorHasOneFile) {
  if (std::system("command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null") != 0)
    GTEST_FAIL() << "mkfs.fat and mcopy are needed (dosfstools, mtools)";
  const TCard& c = GetParam();
  const std::string image = MakeCard(c);
  const std::string card = test::ReadText(image);
  std::string first;
  for (int32_t sectorsToRead : {5000, 1, 7, 31, 64, 10000}) {
    SCOPED_TRACE(::testing::Message() << sectorsToRead << " sectors a read");
    const TOutcome o = Recover(image, sectorsToRead, dir_.File("out" + std::to_string(sectorsToRead)));
    for (size_t i = 0; i < o.files.size(); ++i) {
      const TRecoveredFile& f = o.files[i];
      if (ClaimOf(f) != TClaim::Whole) continue;
      bool written = false;
      for (const std::string& r : c.recordings) written = written || o.contents[i] == r;
      EXPECT_TRUE(written) << f.Name << " is called " << ClaimWords(f) << " but is no recording written";
    }
    // One medium sector, one file.
    std::vector<std::pair<uint64_t, size_t>> owner;
    for (size_t i = 0; i < o.files.size(); ++i)
      for (const auto& run : SectorsOf(o.files[i]))
        for (uint64_t s = run.First; s < run.First + run.Count; ++s) owner.push_back({s, i});
    std::sort(owner.begin(), owner.end());
    for (size_t k = 1; k < owner.size(); ++k)
      EXPECT_NE(owner[k].first, owner[k - 1].first)
          << "sector " << owner[k].first << " is in " << o.files[owner[k - 1].second].Name << " and "
          << o.files[owner[k].second].Name;
    for (const std::string& r : c.intact) {
      ASSERT_NE(card.find(r), std::string::npos) << "the card does not hold the recording in one piece";
      EXPECT_NE(std::find(o.contents.begin(), o.contents.end(), r), o.contents.end())
          << "a recording stored in one piece was lost";
    }
    if (first.empty())
      first = Layout(o);
    else
      EXPECT_EQ(Layout(o), first);
  }
}

const std::string kMp3 = Bytes(test::StreamFixture("mpeg-audio", "cbr.mp3"));
const std::string kMp3Other = Bytes(test::StreamFixture("mpeg-audio", "cbr-other.mp3"));
const std::string kOpus = Bytes(test::SampleAudio("note.opus"));
const std::string kVorbis = Bytes(test::SampleAudio("tune.ogg"));
const std::string kWav = Bytes(test::SampleAudio("voice-memo.wav"));
const std::string kAc3 = Bytes(test::StreamFixture("ac3", "pieces.ac3"));
const std::string kAdts = Bytes(test::StreamFixture("adts", "pieces.aac"));
const std::string kFlac = Bytes(test::SampleAudio("chirp.flac"));
const std::string kWavPack = Bytes(test::StreamFixture("wavpack", "m44.wv"));

// Fillers in every other cluster then a recording in the holes: a recording of n clusters interleaved with
// another one that fills the other holes.
TCard Interleaved(const char* name, const std::string& a, const std::string& b) {
  const size_t clusters = std::max(a.size(), b.size()) / kCluster + 1;
  return {name,
          {{Fillers(2 * clusters), {}},
           {{}, FillerNames(0, 2 * clusters, 2)},
           {{{"a", a}}, FillerNames(1, 2 * clusters, 2)},
           {{{"b", b}}, {}}},
          {a, b},
          {}};
}

// The first piece of a recording in a hole of holeKiB, the next file right after it, the rest after that.
TCard Behind(const char* name, const std::string& pieces, const std::string& behind, size_t holeKiB) {
  return {name,
          {{{{"first", Bytes(test::RandomBytes(20 * 1024, 8))},
             {"hole", Bytes(test::RandomBytes(holeKiB * 1024, 9))},
             {"behind", behind}},
            {"hole"}},
           {{{"pieces", pieces}}, {}}},
          {pieces, behind},
          {behind}};
}

// A recording in three pieces whose second lies right before an intact recording: a search that took that piece
// must not take the recording behind it too.
TCard BeforeIntact(const char* name, const std::string& pieces, const std::string& intact) {
  return {name,
          {{{{"first", Bytes(test::RandomBytes(20 * 1024, 8))},
             {"hole1", Bytes(test::RandomBytes(kCluster, 9))},
             {"between", Bytes(test::RandomBytes(3 * kCluster, 10))},
             {"hole2", Bytes(test::RandomBytes(kCluster, 11))},
             {"intact", intact}},
            {"hole1", "hole2"}},
           {{{"pieces", pieces}}, {}}},
          {pieces, intact},
          {intact}};
}

// A recording in many pieces: one cluster free in every few.
TCard ManyPieces(const char* name, const std::string& recording, size_t every) {
  const size_t fillers = (recording.size() / kCluster + 1) * every;
  return {name,
          {{Fillers(fillers), {}}, {{}, FillerNames(0, fillers, every)}, {{{"rec", recording}}, {}}},
          {recording},
          {}};
}

// A cluster that starts like a FLAC stream no frame of which can be found: 8 channels of 32 bits, 65 535 samples a
// block, no largest frame stated, so each such file waits for its next piece with the widest search there is.
std::string CraftedFlacHead(uint32_t seed) {
  std::string head = "fLaC";
  head += std::string("\x80\x00\x00\x22\xff\xff\xff\xff\x00\x00\x00\x00\x00\x00", 14);
  const uint64_t info = (uint64_t{44100} << 44) | (uint64_t{7} << 41) | (uint64_t{31} << 36) | 1'000'000'000;
  for (int shift = 56; shift >= 0; shift -= 8) head += static_cast<char>(info >> shift);
  head += std::string(16, '\0');
  return head + Bytes(test::RandomBytes(kCluster - head.size(), seed));
}

// A recording in many pieces among a hundred such heads, and an intact recording after them: however many files
// wait, the search's work is bounded without losing the intact one, and the size of the reads still changes
// nothing.
TCard AmongCraftedHeads(const char* name, const std::string& recording, const std::string& intact) {
  std::vector<std::pair<std::string, std::string>> heads;
  for (size_t i = 0; i < 100; ++i)
    heads.push_back({"f" + std::to_string(i), CraftedFlacHead(static_cast<uint32_t>(i))});
  heads.push_back({"intact", intact});
  return {name, {{heads, {}}, {{}, FillerNames(0, 100, 3)}, {{{"rec", recording}}, {}}}, {recording, intact}, {intact}};
}

INSTANTIATE_TEST_SUITE_P(
    Cards, HonestClaimsTest,
    ::testing::Values(Interleaved("Mp3WithMp3", kMp3, kMp3Other), Interleaved("OpusWithVorbis", kOpus, kVorbis),
                      Interleaved("Ac3WithAdts", kAc3, kAdts), Behind("Ac3BehindWav", kWav, kAc3, 6),
                      Behind("AdtsBehindWav", kWav, kAdts, 4), Behind("Mp3BehindFlac", kFlac, kMp3, 6),
                      Behind("Ac3BehindWavPack", kWavPack, kAc3, 4), BeforeIntact("OpusBeforeFlac", kOpus, kFlac),
                      BeforeIntact("VorbisBeforeOpus", kVorbis, kOpus), ManyPieces("OpusInManyPieces", kOpus, 3),
                      ManyPieces("Mp3InManyPieces", kMp3, 2), AmongCraftedHeads("OpusAmongFlacHeads", kOpus, kMp3)),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillot
