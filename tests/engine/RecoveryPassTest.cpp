// The recovery pass over a fake disk behind the drive table, into an in-memory destination.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "engine/RecoveryPass.h"
#include "platform/ProgramFolder.h"
#include "support/FakeDestination.h"
#include "support/Files.h"
#include "support/PassFixture.h"
#include "support/RecordingView.h"
#include "support/StreamFeed.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

using test::TFakeDestination;
using test::TRecordingView;
using testing::TFakeDisk;

const std::vector<std::string> kFinished{"Recovery started. Current disk D:\\", "Recovery finished."};

class RecoveryPassTest : public test::TPassFixture {
 protected:
  void Run(uint32_t start = 0) {
    options.StartSector = start;
    pass.StartRecovery(options, catalogue);
  }

  std::string Sectors(const TFakeDisk& disk, uint32_t first, uint32_t count, uint32_t size = 512) {
    return std::string(reinterpret_cast<const char*>(disk.Data.data()) + uint64_t{first} * size,
                       uint64_t{count} * size);
  }

  TFakeDestination files;
  TRecoveryPass pass{view, files};
  TRecoveryOptions options{'D', 4, "/out", 1, 5000, 0};
};

TEST(Progress, RoundsHalfToEven) {
  EXPECT_EQ(ProgressPercent(32, 256), 12);
  EXPECT_EQ(ProgressPercent(96, 256), 38);
  EXPECT_EQ(ProgressPercent(1, 200), 0);
  EXPECT_EQ(ProgressPercent(3, 200), 2);
  EXPECT_EQ(ProgressPercent(0, 0), 0);
  EXPECT_EQ(ProgressPercent(4294967294u, 4294967295u), 100);
  EXPECT_EQ(ProgressPercent(uint64_t{3} << 32, uint64_t{4} << 32), 75);
}

TEST_F(RecoveryPassTest, CopiesEachRunOfSectorsFromOneStartToTheNext) {
  auto disk = Disk(40, {3, 4, 20});
  Run();
  EXPECT_EQ(view.log, (std::vector<std::string>{"Recovery started. Current disk D:\\", "Recovering file: f00001.bin...",
                                                "Recovering file: f00002.bin...", "Recovering file: f00003.bin...",
                                                "Recovery finished."}));
  EXPECT_EQ(files.contents["/out/f00001.bin"], Sectors(*disk, 3, 1));  // two starts in a row: one sector
  EXPECT_EQ(files.contents["/out/f00002.bin"], Sectors(*disk, 4, 16));
  EXPECT_EQ(files.contents["/out/f00003.bin"], Sectors(*disk, 20, 20));  // ends with the last sector
  EXPECT_EQ(files.folders, std::vector<std::string>{"/out/"});
  EXPECT_EQ(pass.FilesFound, 3);
  EXPECT_EQ(view.sectors.size(), 40u);
  EXPECT_FALSE(pass.Running);
  EXPECT_TRUE(pass.PassDone);
  EXPECT_EQ(view.status, "Idle");
  EXPECT_TRUE(view.startEnabled);
  EXPECT_FALSE(view.stopEnabled);
  EXPECT_EQ(view.passesEnded, 1);

  // A second pass into the same folder: numbering starts again, and taken names are skipped.
  view.log.clear();
  Run(4);
  EXPECT_EQ(view.log[1], "Recovering file: f00004.bin...");
  EXPECT_EQ(view.log[2], "Recovering file: f00005.bin...");
  EXPECT_EQ(files.contents["/out/f00001.bin"], Sectors(*disk, 3, 1));
  EXPECT_EQ(pass.FilesFound, 2);

  // A start sector equal to the sector count processes nothing.
  view.log.clear();
  view.sectors.clear();
  Run(40);
  EXPECT_EQ(view.log, kFinished);
  EXPECT_TRUE(view.sectors.empty());
}

TEST_F(RecoveryPassTest, StopTakesEffectAtTheChunkBoundary) {
  auto disk = Disk(12000, {0});
  view.onSector = [&](uint64_t s) {
    if (s == 5001) pass.RequestStop();
  };
  Run();
  EXPECT_EQ(view.sectors.size(), 10000u);  // chunks of 5000: the rest of the second chunk still runs
  EXPECT_EQ(view.log.back(), "Recovery cancelled.");
  EXPECT_EQ(files.contents["/out/f00001.bin"].size(), 10000u * 512);
  // Going on from the open file's first sector brings it back whole.
  EXPECT_EQ(pass.ResumeSector(), 0u);
  EXPECT_EQ(view.log.end()[-2], "To go on from here, start again from sector 0.");
  // With no file open, from the first sector not read.
  disk->Data[0] = disk->Data[1] = 0;
  Run();
  EXPECT_EQ(pass.ResumeSector(), 10000u);
  EXPECT_EQ(view.log.end()[-2], "To go on from here, start again from sector 10000.");

  // A file whose recording had ended whole is not recovered again: from the first sector not read.
  auto riff = std::make_unique<TFormat>();
  riff->Title = "WAV";
  riff->FilePrefix = "w";
  riff->FileExtension = "wav";
  riff->Search = true;
  riff->Stream = "riff";
  riff->ScanBytes = "0=#$52,1=#$49,2=#$46,3=#$46";
  catalogue.Add(std::move(riff));
  const auto wav = test::SampleAudio("voice-memo.wav");
  std::fill(disk->Data.begin(), disk->Data.end(), 0);
  std::copy(wav.begin(), wav.end(), disk->Data.begin() + 512);
  Run();
  EXPECT_EQ(files.contents["/out/w00001.wav"].substr(0, wav.size()), std::string(wav.begin(), wav.end()));
  EXPECT_EQ(pass.ResumeSector(), 10000u);
  std::fill(disk->Data.begin() + 512, disk->Data.begin() + 512 + static_cast<ptrdiff_t>(wav.size()), 0);
  EXPECT_EQ(view.log.end()[-2], "To go on from here, start again from sector 10000.");
  catalogue.Remove(&catalogue.Items(catalogue.Count() - 1));

  // With no stop, the last chunk is cut to the 2000 sectors that remain.
  disk->Data[0] = 0xAB;
  disk->Data[1] = 0xCD;
  view.onSector = nullptr;
  view.sectors.clear();
  Run();
  EXPECT_EQ(view.sectors.size(), 12000u);
  EXPECT_EQ(view.sectors.back(), 11999u);
  EXPECT_EQ(view.log.back(), "Recovery finished.");
  EXPECT_FALSE(pass.ResumeSector());
}

TEST_F(RecoveryPassTest, FailedReadsAreRetriedCountedAndWrittenAsZeros) {
  auto disk = Disk(20, {0});
  disk->FailingSectors = {5};
  options.SectorsToRead = 8;
  Run();
  // Chunk 0..7 fails, its retry of sector 0 succeeds; 1..8 fails likewise ... until sector 5 fails twice.
  EXPECT_EQ(view.sectors.size(), 20u);
  std::string expected = Sectors(*disk, 0, 20);
  std::fill(expected.begin() + 5 * 512, expected.begin() + 6 * 512, '\0');
  EXPECT_EQ(files.contents["/out/f00001.bin"], expected);
  // Every multi-sector read over sector 5 fails (6 chunks) and sector 5 fails its retry too.
  EXPECT_EQ(pass.ReadErrors, 7);
  EXPECT_EQ(view.readErrors, 7);
  EXPECT_EQ(view.log.back(), "Recovery finished.");

  // Retry count 0: one attempt, the sector is taken as zeros.
  options.RetryCount = 0;
  view.log.clear();
  Run();
  EXPECT_EQ(pass.ReadErrors, 6);
}

TEST_F(RecoveryPassTest, OpticalDrivesCountOnlyFailedRetries) {
  auto disk = Disk(10, {0}, 2048, TSourceKind::Optical);
  disk->FailingSectors = {2};
  options.SectorsToRead = 1;
  options.RetryCount = 1;
  Run();
  EXPECT_EQ(pass.ReadErrors, 1);
  options.RetryCount = 0;
  Run();
  EXPECT_EQ(pass.ReadErrors, 0);
  std::string expected = Sectors(*disk, 0, 10, 2048);
  std::fill(expected.begin() + 2 * 2048, expected.begin() + 3 * 2048, '\0');
  EXPECT_EQ(files.contents["/out/f00002.bin"], expected);
}

TEST_F(RecoveryPassTest, ChunksNeverOutgrowTheWorkBuffer) {
  auto disk = Disk(12000, {0}, 2048, TSourceKind::Optical);
  options.SectorsToRead = 10000;
  view.onSector = [&](uint64_t s) {
    if (s == 1) pass.RequestStop();
  };
  Run();
  EXPECT_EQ(view.sectors.size(), kWorkBufferSize / 2048);  // 5120 whole sectors fit
  // A sectors-per-read value below 1 reads 5000.
  options.SectorsToRead = 0;
  view.sectors.clear();
  Run();
  EXPECT_EQ(view.sectors.size(), 5000u);
}

TEST_F(RecoveryPassTest, ADriveWithoutSectorsOnlyShowsTheMessage) {
  Disk(0);
  pass.DriveParams.TotalPhysSec = 777;  // a stale count from another drive
  Run();
  EXPECT_EQ(view.messages, std::vector<std::string>{"Error: DriveParams.TotalPhysSec = 0. Recovery stopped."});
  EXPECT_TRUE(view.log.empty());
  EXPECT_FALSE(pass.PassDone);
  EXPECT_EQ(view.checkStates, 0);

  // A drive that cannot be described at all is the same, never the last drive's count.
  registration.reset();
  pass.DriveParams.TotalPhysSec = 777;
  Run();
  EXPECT_EQ(view.messages.size(), 2u);
  EXPECT_TRUE(view.log.empty());
}

TEST_F(RecoveryPassTest, ADestinationNamingTheSourceDriveIsRefusedBeforeAnythingIsCreated) {
  auto disk = Disk(10, {0});
  options.TargetFolder = "/media/d:\\Recovered";
  Run();
  EXPECT_EQ(view.log, (std::vector<std::string>{"Recovery started. Current disk D:\\", "Recovery cancelled."}));
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_TRUE(files.folders.empty());
  EXPECT_EQ(disk->Reads, 0u);
  EXPECT_TRUE(pass.PassDone);
}

TEST_F(RecoveryPassTest, FatalErrorFollowsTheLastCreateOrWriteOfTheChunk) {
  Disk(30, {2, 5, 12, 25});
  options.SectorsToRead = 10;
  files.refuse = {"/out/f00001.bin"};  // a later success in the same chunk clears it
  Run();
  EXPECT_EQ(view.log.back(), "Recovery finished.");
  EXPECT_EQ(pass.FilesFound, 4);

  files.contents.clear();
  files.refuse = {"/out/f00003.bin"};  // the chunk 10..19 ends on a failed creation
  view.log.clear();
  Run();
  EXPECT_EQ(view.log.back(), "Recovery encountered an fatal error.");
  EXPECT_TRUE(pass.FatalError);
  EXPECT_EQ(view.sectors.back(), 19u);
  EXPECT_EQ(pass.FilesFound, 3);
  EXPECT_EQ(files.contents["/out/f00002.bin"].size(), 7u * 512);

  // Space runs out: the pass ends after the chunk whose last write failed.
  files.contents.clear();
  files.refuse.clear();
  files.spaceLeft = 4 * 512;
  view.log.clear();
  Run();
  EXPECT_EQ(view.log.back(), "Recovery encountered an fatal error.");
  EXPECT_EQ(view.sectors.back(), 9u);
}

TEST_F(RecoveryPassTest, AFullRealDestinationNeverCrashesAndOverwritesNothing) {
  test::TTempDir dir;
  auto disk = Disk(10, {0, 5});
  options.TargetFolder = dir.File("a/b");
  TDiskDestination disk_files;
  TRecoveryPass real(view, disk_files);
  real.StartRecovery(options, catalogue);
  struct stat st {};
  ASSERT_EQ(stat((dir.File("a/b/f00002.bin")).c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 5 * 512);
  // A folder that cannot be created: every creation fails and the pass ends as fatal.
  std::string blocker = dir.File("file");
  FILE* f = fopen(blocker.c_str(), "w");
  fclose(f);
  options.TargetFolder = blocker + "/sub";
  view.log.clear();
  real.StartRecovery(options, catalogue);
  // The error follows the line of the file it concerns.
  EXPECT_EQ(view.log[1], "Recovering file: f00001.bin...");
  EXPECT_EQ(view.log[2], "Error: Cannot create destination file: " + blocker + "/sub" + PathDelim + "f00001.bin.");
  EXPECT_EQ(view.log.back(), "Recovery encountered an fatal error.");
}

// A 3 TiB disk, as a sparse image under D:, with real first sectors of the shipped catalogue's formats on
// both sides of sector 2^32 and on its very last sector.
class LargeDiskPassTest : public RecoveryPassTest {
 protected:
  static constexpr uint64_t k2To32 = uint64_t{1} << 32;
  static constexpr uint64_t kSectors = (uint64_t{3} << 40) / 512;
  static constexpr uint64_t kBefore = k2To32 - 1000, kAfter = k2To32 + 500, kLast = kSectors - 1;

  void SetUp() override {
    RecoveryPassTest::SetUp();
    const std::string made =
        SparseImage(dir.File("large.img"), kSectors * 512, {{kBefore, wav}, {kAfter, flac}, {kLast, mp3}}).message();
    if (!made.empty()) GTEST_SKIP() << made;
    storage.LoadFormats(std::string(QUILLOT_SOURCE_DIR) + "/data/Quillot.ini");
  }

  static std::string Clip(const std::string& name) {
    return test::ReadText(std::string(QUILLOT_SOURCE_DIR) + "/tests/fixtures/formats/" + name);
  }
  // A recovered file: its format, first sector, sector count, and its bytes: the clip, then zeros.
  void ExpectFile(size_t i, const std::string& format, uint64_t first, uint64_t sectors, const std::string& clip) {
    ASSERT_LT(i, view.files.size());
    const TRecoveredFile& f = view.files[i];
    EXPECT_EQ(f.Format, format);
    EXPECT_EQ(f.FirstSector, first) << format;
    EXPECT_EQ(f.Sectors, sectors) << format;
    EXPECT_TRUE(files.contents[f.Path] == clip + std::string((sectors - 1) * 512, '\0')) << format;
  }

  const std::string wav = Clip("WAV/sox-pcm16.bin"), flac = Clip("FLAC/flac-default.bin"),
                    mp3 = Clip("MP3-ID3/lame-id3v2.bin");
  test::TTempDir dir;
  TDataStorage storage;
};

TEST_F(LargeDiskPassTest, SectorsPast2To32AreSearchedToTheLastOne) {
  // From 3000 sectors before 2^32 across it, stopped once the file past it has begun: the chunk of
  // 5000 sectors still ends.
  view.onSector = [&](uint64_t s) {
    if (s == kAfter) pass.RequestStop();
  };
  options.StartSector = k2To32 - 3000;
  pass.StartRecovery(options, storage.Formats);
  EXPECT_EQ(pass.DriveParams.TotalPhysSec, kSectors);
  EXPECT_EQ(view.totalSectors, kSectors);
  EXPECT_EQ(view.log.back(), "Recovery cancelled.");
  ASSERT_EQ(view.sectors.size(), 5000u);
  EXPECT_EQ(view.sectors.front(), k2To32 - 3000);
  EXPECT_EQ(view.sectors.back(), k2To32 + 1999);
  ASSERT_EQ(view.files.size(), 2u);
  ExpectFile(0, "WAV", kBefore, 1500, wav);
  ExpectFile(1, "FLAC", kAfter, 1500, flac);

  // From a little before the end: the last sector begins a file of its own.
  view.onSector = nullptr;
  view.sectors.clear();
  view.files.clear();
  options.StartSector = kLast - 2000;
  pass.StartRecovery(options, storage.Formats);
  EXPECT_EQ(view.log.back(), "Recovery finished.");
  EXPECT_EQ(view.sectors.size(), 2001u);
  ASSERT_EQ(view.files.size(), 1u);
  ExpectFile(0, "MP3-ID3", kLast, 1, mp3);
}

TEST_F(LargeDiskPassTest, The95And98FamilySearchesTheFirst2To32SectorsAndSaysSo) {
  DriveAccessDone();
  SetSimulatedVersion(VersionOfPlatformName("win98"));
  DriveAccessInit();
  options.StartSector = k2To32 - 3000;
  pass.StartRecovery(options, storage.Formats);
  EXPECT_EQ(view.log, (std::vector<std::string>{"Recovery started. Current disk D:\\",
                                                "Only the first 4294967296 sectors of this drive (2 TiB with "
                                                "512-byte sectors) can be searched on this system.",
                                                "Recovering file: snd00001.wav...", "Recovery finished."}));
  EXPECT_EQ(pass.DriveParams.TotalPhysSec, kSectors);
  EXPECT_EQ(view.totalSectors, k2To32);
  ASSERT_EQ(view.sectors.size(), 3000u);
  EXPECT_EQ(view.sectors.back(), k2To32 - 1);
  ASSERT_EQ(view.files.size(), 1u);
  ExpectFile(0, "WAV", kBefore, 1000, wav);
}

}  // namespace
}  // namespace quillot

namespace quillot {
namespace {

// A view whose event processing fails, as a platform call inside the pass might.
class TThrowingView : public test::TRecordingView {
 public:
  void ProcessMessages() override {
    if (throwInProcessMessages) throw std::runtime_error("platform failure");
  }
  void OnSector(uint64_t sector) override {
    TRecordingView::OnSector(sector);
    if (sector == throwAtSector) throw std::runtime_error("platform failure");
  }
  bool throwInProcessMessages = false;
  uint64_t throwAtSector = UINT64_MAX;
};

class RecoveryPassErrors : public test::TPassFixture {};

TEST_F(RecoveryPassErrors, AnErrorEndsThePassAsFatalAndUndoesAFailedStart) {
  Disk(20, {0});
  test::TFakeDestination files;
  TThrowingView throwing;
  TRecoveryPass pass(throwing, files);
  TRecoveryOptions options{'D', 4, "/out", 1, 5000, 0};

  throwing.throwAtSector = 7;
  pass.StartRecovery(options, catalogue);
  EXPECT_EQ(throwing.log.back(), "Recovery encountered an fatal error.");
  EXPECT_EQ(files.contents["/out/f00001.bin"].size(), 7u * 512);  // closed with what it had
  EXPECT_FALSE(pass.Running);

  throwing.throwAtSector = UINT64_MAX;
  throwing.throwInProcessMessages = true;
  throwing.log.clear();
  pass.StartRecovery(options, catalogue);
  EXPECT_EQ(throwing.log, std::vector<std::string>{"Recovery encountered an fatal error."});
  EXPECT_FALSE(pass.Running);
  EXPECT_TRUE(throwing.startEnabled);
  EXPECT_FALSE(throwing.stopEnabled);
}

}  // namespace
}  // namespace quillot
