// Faults struck during a whole recovery pass, from a fake disk into real files: sectors that cannot be
// read, a source that vanishes or shrinks, a destination that fills up or is moved away. Each pass ends
// as the program's rules say; every file finished before the fault is whole and closed; the source is
// never written.
#include <gtest/gtest.h>

#include <dirent.h>
#include <filesystem>
#include <functional>

#include "drive/IORoutines.h"
#include "engine/RecoveryPass.h"
#include "platform/ProgramFolder.h"
#include "platform/WinVersion.h"
#include "support/FakeDisk.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/PassFixture.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

using testing::TFakeDisk;

// The descriptors this process holds open: a file left open by the pass shows here.
int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

class PassFaultsTest : public test::TPassFixture {
 protected:
  void SetUp() override {
    TPassFixture::SetUp();
    options.TargetFolder = dir.File("out");
  }

  std::shared_ptr<TFakeDisk> Disk(uint32_t count, std::initializer_list<uint32_t> starts) {
    auto disk = TPassFixture::Disk(count, starts);
    original = disk->Data;
    return disk;
  }

  // Runs the pass and checks that it left no file open.
  void Run() {
    const int before = OpenDescriptors();
    pass.StartRecovery(options, catalogue);
    EXPECT_EQ(OpenDescriptors(), before) << "a recovered file was left open";
  }

  // Sectors [first, first + count) as the disk held them before the pass.
  std::string Sectors(uint32_t first, uint32_t count) const {
    return std::string(reinterpret_cast<const char*>(original.data()) + first * 512u, count * 512u);
  }
  static std::string Zeros(uint32_t count) { return std::string(count * 512u, '\0'); }
  std::string Out(const std::string& name) const { return test::ReadText(dir.File("out/" + name)); }

  test::TTempDir dir;
  std::vector<uint8_t> original;
  TDiskDestination files;
  TRecoveryPass pass{view, files};
  TRecoveryOptions options{'D', 4, "", 1, 8, 0};
};

TEST_F(PassFaultsTest, UnreadableSectorsBecomeZerosAndAnUnreadableStartJoinsItsFileToTheLast) {
  auto disk = Disk(64, {0, 20, 40});
  disk->FailingSectors = {7, 40, 41, 63};
  Run();
  EXPECT_EQ(view.log.back(), "Recovery finished.");
  EXPECT_EQ(pass.FilesFound, 2);
  EXPECT_EQ(Out("f00001.bin"), Sectors(0, 7) + Zeros(1) + Sectors(8, 12));
  // The start at 40 could not be read, so nothing marks it: its sectors stay with the file before.
  EXPECT_EQ(Out("f00002.bin"), Sectors(20, 20) + Zeros(2) + Sectors(42, 21) + Zeros(1));
  // Each file's report names the sectors that went in as zeros.
  ASSERT_EQ(view.files.size(), 2u);
  EXPECT_EQ(view.files[0].UnreadableSectors, (std::vector<uint64_t>{7}));
  EXPECT_EQ(view.files[1].UnreadableSectors, (std::vector<uint64_t>{40, 41, 63}));
  // Each bad sector fails inside at least one chunk and again on its own.
  EXPECT_GE(pass.ReadErrors, 8);
  EXPECT_EQ(view.readErrors, pass.ReadErrors);
  EXPECT_EQ(disk->Data, original);
}

TEST_F(PassFaultsTest, ASourceThatVanishesReadsAsErrorsToTheEndWithTheFinishedFilesWhole) {
  auto disk = Disk(100, {0, 30, 60});
  options.SectorsToRead = 10;
  disk->VanishAfterReads = 4;  // sectors 0..39 come back, then the medium is gone
  Run();
  // A read failure never ends a pass: the rest is zeros, and the start at 60 is never seen.
  EXPECT_EQ(view.log.back(), "Recovery finished.");
  EXPECT_EQ(view.sectors.size(), 100u);
  EXPECT_EQ(pass.ReadErrors, 60 * 2);  // each lost sector: its chunk's read and its single retry
  EXPECT_EQ(pass.FilesFound, 2);
  EXPECT_EQ(Out("f00001.bin"), Sectors(0, 30));
  EXPECT_EQ(Out("f00002.bin"), Sectors(30, 10) + Zeros(60));
  EXPECT_EQ(disk->Data, original);
}

// A stop while a read keeps failing: the command line starts no further retry, the wizard reads its
// Stop only between chunks. Reads are counted on the disk, never timed.
TEST_F(PassFaultsTest, AStopEndsTheRetriesOnlyWhereAsked) {
  for (const bool stopEndsRetries : {true, false}) {
    auto disk = Disk(64, {});
    disk->FailingSectors = {20};
    options.StartSector = 20;
    options.SectorsToRead = 64;
    options.RetryCount = 100;
    options.StopEndsRetries = stopEndsRetries;
    view.onProcessMessages = [&] {
      if (pass.ReadErrors > 0) pass.RequestStop();
    };
    Run();
    ASSERT_FALSE(view.log.empty()) << (view.messages.empty() ? "" : view.messages[0]);
    EXPECT_EQ(view.log.back(), "Recovery cancelled.");
    // The failed chunk, then the retries of its first sector: none, or all of them.
    EXPECT_EQ(disk->Reads, stopEndsRetries ? 1u : 101u) << stopEndsRetries;
    EXPECT_EQ(view.sectors, std::vector<uint64_t>{20});  // no read beyond the chunk in hand
    view = test::TRecordingView{};
    registration.reset();  // before the next disk takes D:
  }
}

TEST_F(PassFaultsTest, ASourceThatShrinksKeepsWhatWasThereAndZerosTheRest) {
  auto disk = Disk(100, {0, 30, 70});
  options.SectorsToRead = 10;
  disk->ShrinkAfterReads = 4;
  disk->ShrinkTo = 45 * 512;  // the fifth chunk (40..49) comes back short
  Run();
  EXPECT_EQ(view.log.back(), "Recovery finished.");
  EXPECT_EQ(view.sectors.size(), 100u);
  EXPECT_GT(pass.ReadErrors, 0);
  EXPECT_EQ(Out("f00001.bin"), Sectors(0, 30));
  EXPECT_EQ(Out("f00002.bin"), Sectors(30, 15) + Zeros(55));
}

TEST_F(PassFaultsTest, AFullDestinationEndsThePassWithTheFilesBeforeItWhole) {
  Disk(40, {0, 10, 20});
  options.SectorsToRead = 5000;
  {
    test::TFileSizeLimit limit(16 * 512);  // the third file, 20 sectors long, outgrows it
    Run();
  }
  const std::string third = dir.File("out/f00003.bin");
  EXPECT_EQ(view.log.back(), "Recovery encountered an fatal error.");
  EXPECT_TRUE(pass.FatalError);
  EXPECT_NE(std::find(view.log.begin(), view.log.end(), "Error: Cannot write to destination file: " + third + "!"),
            view.log.end());
  EXPECT_EQ(Out("f00001.bin"), Sectors(0, 10));
  EXPECT_EQ(Out("f00002.bin"), Sectors(10, 10));
  EXPECT_EQ(Out("f00003.bin"), Sectors(20, 16));
  // The pass's own report of what it finished matches the files, and marks the one left short.
  ASSERT_EQ(view.files.size(), 3u);
  EXPECT_EQ(view.files[0].Bytes, 10u * 512);
  EXPECT_EQ(view.files[1].Bytes, 10u * 512);
  EXPECT_FALSE(view.files[0].Short || view.files[1].Short);
  EXPECT_TRUE(view.files[2].Short);
}

TEST_F(PassFaultsTest, ADestinationMovedAwayMidPassFailsTheNextCreationAndKeepsTheFilesItHeld) {
  Disk(40, {0, 10, 20});
  options.SectorsToRead = 5000;
  const std::string moved = dir.File("moved");
  view.onSector = [&](uint64_t s) {
    if (s == 15) std::filesystem::rename(options.TargetFolder, moved);
  };
  Run();
  EXPECT_EQ(view.log.back(), "Recovery encountered an fatal error.");
  EXPECT_NE(std::find(view.log.begin(), view.log.end(),
                      "Error: Cannot create destination file: " + dir.File("out") + PathDelim + "f00003.bin."),
            view.log.end());
  // The second file was open when its folder moved: it was finished and closed where it went.
  EXPECT_EQ(test::ReadText(moved + "/f00001.bin"), Sectors(0, 10));
  EXPECT_EQ(test::ReadText(moved + "/f00002.bin"), Sectors(10, 10));
  EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
}

}  // namespace
}  // namespace quillot
