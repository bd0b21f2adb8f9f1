// The carving loop on random disks: holes, file starts of several formats, unreadable sectors. Whatever
// the sectors per read, the retry count or how the device fails a long read, a pass recovers the same
// files, name for name and byte for byte: the disk with its unreadable sectors as zeros, cut at every
// sector the matcher recognises there. Only the read-error count may differ. (Without a retry, a
// device that fails a long read whole is the one case where the sectors per read matter.)
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>

#include "engine/FileDetection.h"
#include "engine/RecoveryPass.h"
#include "support/FakeDestination.h"
#include "support/PassFixture.h"

namespace quillot {
namespace {

using TFiles = std::map<std::string, std::string>;

// The first difference between two sets of recovered files, or "" when they are the same.
std::string Difference(const TFiles& want, const TFiles& got) {
  for (auto w = want.begin(), g = got.begin(); w != want.end() || g != got.end(); ++w, ++g) {
    if (w == want.end()) return "extra file " + g->first;
    if (g == got.end()) return "missing file " + w->first;
    if (w->first != g->first) return "file " + g->first + " where " + w->first + " was expected";
    if (w->second == g->second) continue;
    size_t at = 0;
    while (at < w->second.size() && at < g->second.size() && w->second[at] == g->second[at]) ++at;
    return w->first + ": " + std::to_string(g->second.size()) + " bytes where " + std::to_string(w->second.size()) +
           " were expected, first difference at byte " + std::to_string(at);
  }
  return "";
}

class CarvingPropertyTest : public test::TPassFixture {
 protected:
  void SetUp() override {
    TPassFixture::SetUp();
    // Beside the fixture's format: a longer signature, two alternatives, rules up to the last byte of
    // the smallest sector, and a format that is not searched.
    Add("Wave", "w", "wav", 1, true, "0=#$52,1=#$49,2=#$46,3=#$46,8=#$57,9=#$41,10=#$56,11=#$45");
    Add("Tagged", "m", "mp3", 2, true, "0=#$49,1=#$44,2=#$33\r\n0=#$FF,1=#$FB");
    Add("Late", "l", "lat", 3, true, "300=#$4C,511=#$54");
    Add("Hidden", "h", "hid", 4, false, "0=#$55,1=#$AA");
  }

  void Add(const char* title, const char* prefix, const char* extension, int32_t order, bool search,
           const char* scanBytes) {
    auto f = std::make_unique<TFormat>();
    f->Title = title;
    f->FilePrefix = prefix;
    f->FileExtension = extension;
    f->Order = order;
    f->Search = search;
    f->ScanBytes = scanBytes;
    catalogue.Add(std::move(f));
  }

  // Fills disk with random sectors, runs of zero sectors and file starts of every format; answers the
  // unreadable sectors chosen.
  std::set<uint64_t> Randomise(testing::TFakeDisk& disk, uint32_t count, uint32_t size, std::mt19937& rng) {
    auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    for (size_t i = 0; i < disk.Data.size(); i += 4) {
      const uint32_t r = static_cast<uint32_t>(rng());
      for (size_t b = 0; b < 4 && i + b < disk.Data.size(); ++b) disk.Data[i + b] = static_cast<uint8_t>(r >> (8 * b));
    }
    for (uint32_t hole = pick(6); hole > 0; --hole) {
      const uint32_t first = pick(count), length = 1 + pick(60);
      for (uint32_t s = first; s < first + length && s < count; ++s)
        std::fill_n(disk.Data.begin() + int64_t{s} * size, size, uint8_t{0});
    }
    for (uint32_t start = 3 + pick(12); start > 0; --start) {
      const TFormat& f = catalogue.Items(static_cast<int32_t>(pick(static_cast<uint32_t>(catalogue.Count()))));
      const uint32_t s = pick(count);
      for (const std::string& entry : f.GetAlternativeRules(static_cast<int32_t>(pick(f.CountAlternatives())))) {
        int32_t offset;
        uint8_t value;
        if (ParseRule(entry, offset, value)) disk.Data[uint64_t{s} * size + static_cast<uint32_t>(offset)] = value;
      }
    }
    // Single bad sectors and runs, at times on a start, the first or the last sector; some disks read whole.
    std::set<uint64_t> bad;
    if (pick(5) == 0) return bad;
    for (uint32_t n = pick(7); n > 0; --n) bad.insert(pick(count));
    for (uint32_t run = pick(3); run > 0; --run)
      for (uint32_t first = pick(count), s = first; s < first + 2 + pick(8) && s < count; ++s) bad.insert(s);
    if (pick(4) == 0) bad.insert(0);
    if (pick(4) == 0) bad.insert(count - 1);
    return bad;
  }

  // What any pass must recover: the disk with its unreadable sectors as zeros, cut at each start.
  TFiles Expected(const testing::TFakeDisk& disk, const std::set<uint64_t>& bad, uint32_t size) {
    std::vector<uint8_t> image = disk.Data;
    for (uint64_t s : bad) std::fill_n(image.begin() + static_cast<int64_t>(s * size), size, uint8_t{0});
    TFileDetection detection = PrepareCatalogue(catalogue);
    detection.SetBufferBounds(image.data(), image.size());
    TFiles files;
    std::string* open = nullptr;
    for (size_t at = 0; at < image.size(); at += size) {
      if (const TFormat* f = detection.Match(image.data() + at)) {
        char name[64];
        std::snprintf(name, sizeof name, "/out/%s%.5zu.%s", f->FilePrefix.c_str(), files.size() + 1,
                      f->FileExtension.c_str());
        open = &files[name];
      }
      if (open) open->append(reinterpret_cast<const char*>(image.data() + at), size);
    }
    return files;
  }

  // One whole pass into a fresh in-memory destination; answers its files and read errors.
  TFiles Recover(int32_t sectorsToRead, int32_t retries, uint32_t count, int32_t& readErrors) {
    view = test::TRecordingView{};
    test::TFakeDestination files;
    TRecoveryPass pass(view, files);
    pass.StartRecovery(TRecoveryOptions{'D', 4, "/out", retries, sectorsToRead, 0}, catalogue);
    EXPECT_EQ(pass.Outcome(), TPassOutcome::Finished);
    EXPECT_EQ(view.sectors.size(), count);
    readErrors = pass.ReadErrors;
    return files.contents;
  }
};

TEST_F(CarvingPropertyTest, RecoveredFilesDependOnNeitherSectorsPerReadNorWhereReadsFail) {
  struct Size {
    uint32_t bytes, fewest, most;
  };
  for (const Size& size : {Size{512, 300, 4000}, Size{2048, 200, 1000}, Size{4096, 100, 500}}) {
    for (uint32_t seed = 1; seed <= 8; ++seed) {
      std::mt19937 rng(seed * 1000 + size.bytes);
      const uint32_t count = size.fewest + static_cast<uint32_t>(rng() % (size.most - size.fewest + 1));
      // The two reader families: one tells how much a failed read transferred, the other does not.
      const char* family = seed % 2 ? "nt" : "win98";
      SetSimulatedVersion(VersionOfPlatformName(family));
      DriveAccessInit();
      registration.reset();
      auto disk = Disk(count, {}, size.bytes);
      disk->FailingSectors = Randomise(*disk, count, size.bytes, rng);
      const TFiles expected = Expected(*disk, disk->FailingSectors, size.bytes);
      const int32_t random = 1 + static_cast<int32_t>(rng() % count);
      for (int32_t sectorsToRead : {1, 2, 7, 64, 5000, 10000, random}) {
        for (int32_t retries : {0, 1}) {
          for (bool shortReads : {true, false}) {
            // Not retried, a read that fails whole gives its first sector as zeros, and so do the reads
            // after it, one sector on, until one starts past the bad sector: the readable sectors before
            // it are lost up to a chunk's length. Only a retry makes the files independent of that.
            if (!shortReads && retries == 0) continue;
            SCOPED_TRACE(::testing::Message() << family << ", " << size.bytes << "-byte sectors, seed " << seed << ", "
                                              << count << " sectors, " << sectorsToRead << " per read, " << retries
                                              << " retries, " << (shortReads ? "short reads" : "whole reads fail"));
            disk->ShortReads = shortReads;
            int32_t readErrors = 0;
            const TFiles got = Recover(sectorsToRead, retries, count, readErrors);
            EXPECT_EQ(Difference(expected, got), "");
            EXPECT_GE(static_cast<size_t>(readErrors), disk->FailingSectors.size());
            if (disk->FailingSectors.empty()) {
              EXPECT_EQ(readErrors, 0);
            }
          }
        }
      }
      registration.reset();
      DriveAccessDone();
    }
  }
}

}  // namespace
}  // namespace quillot
