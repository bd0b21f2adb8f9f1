// The pass's read requests against its one work buffer: every sectors-per-read value the Advanced
// Parameters dialog allows (1..10000) must fit, whatever the drive's sector size and platform family.
#include <gtest/gtest.h>

#include <numeric>

#include "engine/RecoveryPass.h"
#include "support/FakeDestination.h"
#include "support/PassFixture.h"

namespace quillot {
namespace {

class WorkBufferChunksTest : public test::TPassFixture {
 protected:
  // Runs one whole pass, and one that stops after the first chunk, over a fresh disk; checks that the
  // first chunk holds the sectors expected and that the whole pass saw every sector once, in order,
  // and copied it unchanged.
  void CheckPasses(const char* family, uint32_t sectorSize, uint32_t count, int32_t sectorsToRead,
                   uint32_t expectedChunk) {
    SCOPED_TRACE(::testing::Message() << family << ", " << sectorSize << "-byte sectors, " << sectorsToRead
                                      << " per read");
    SetSimulatedVersion(VersionOfPlatformName(family));
    DriveAccessInit();
    registration.reset();  // the last disk leaves D: before the next one takes it
    auto disk = Disk(count, {0}, sectorSize);
    view = test::TRecordingView{};
    test::TFakeDestination files;
    TRecoveryPass pass(view, files);
    TRecoveryOptions options{'D', 4, "/out", 1, sectorsToRead, 0};

    view.sectors.clear();
    view.onSector = [&](uint64_t) { pass.RequestStop(); };
    pass.StartRecovery(options, catalogue);
    EXPECT_EQ(view.sectors.size(), expectedChunk);
    EXPECT_EQ(view.log.back(), "Recovery cancelled.");

    view.sectors.clear();
    view.onSector = nullptr;
    files.contents.clear();
    disk->LargestRead = 0;
    pass.StartRecovery(options, catalogue);
    std::vector<uint64_t> every(count);
    std::iota(every.begin(), every.end(), 0u);
    EXPECT_EQ(view.sectors, every);
    EXPECT_EQ(pass.ReadErrors, 0);
    EXPECT_EQ(view.log.back(), "Recovery finished.");
    const std::string whole(disk->Data.begin(), disk->Data.end());
    EXPECT_TRUE(files.contents["/out/f00001.bin"] == whole) << "the recovered file differs from the disk";
    EXPECT_LE(disk->LargestRead, kWorkBufferSize);
    // The 95/98 services take a request in one piece: the device sees exactly the pass's chunk.
    if (std::string(family) != "nt") {
      EXPECT_EQ(disk->LargestRead, size_t{expectedChunk} * sectorSize);
    }
    DriveAccessDone();
  }
};

TEST_F(WorkBufferChunksTest, EverySectorsPerReadFitsTheBufferForLargeSectors) {
  for (const char* family : {"nt", "win98"}) {
    // 10000 sectors of 2048 or 4096 bytes are more than the buffer holds: the chunk is cut to what
    // fits, 5120 or 2560 whole sectors, and the rest of the disk still comes in later chunks.
    CheckPasses(family, 2048, 12000, 10000, kWorkBufferSize / 2048);
    CheckPasses(family, 4096, 6000, 10000, kWorkBufferSize / 4096);
    // One sector per read goes one sector at a time.
    CheckPasses(family, 2048, 300, 1, 1);
    CheckPasses(family, 4096, 300, 1, 1);
    // A value that fits is taken as it is.
    CheckPasses(family, 4096, 6000, 2000, 2000);
  }
  EXPECT_EQ(kWorkBufferSize / 2048, 5120u);
  EXPECT_EQ(kWorkBufferSize / 4096, 2560u);
}

TEST_F(WorkBufferChunksTest, TheLargestValueReadsWholeForSmallSectors) {
  // 10000 sectors of 512 bytes fit the buffer, so they are one chunk.
  CheckPasses("win98", 512, 23000, 10000, 10000);
  CheckPasses("nt", 512, 23000, 10000, 10000);
}

}  // namespace
}  // namespace quillot
