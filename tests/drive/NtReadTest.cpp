// The NT-family path: the cached volume handle, chunked reads through the transfer area, and the
// parameters query over the drive table.
#include <gtest/gtest.h>

#include <vector>

#include "drive/IORoutines.h"
#include "platform/WinVersion.h"
#include "support/FakeDisk.h"

namespace quillot {
namespace {

using testing::TFakeDisk;
using testing::TFakeDiskRegistration;
using testing::TScopedEmptyDriveTable;

class NtReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSimulatedVersion(VersionOfPlatformName("nt"));
    DriveAccessInit();
  }
  void TearDown() override {
    DriveAccessDone();
    SetSimulatedVersion(std::nullopt);
  }
  TScopedEmptyDriveTable table_;
};

std::shared_ptr<TFakeDisk> Disk(uint64_t sectors, uint32_t sectorSize = 512) {
  return std::make_shared<TFakeDisk>(sectors * sectorSize, sectorSize);
}

bool SectorHoldsPattern(const uint8_t* p, uint64_t sector, uint32_t sectorSize) {
  for (uint32_t j = 0; j < sectorSize; ++j)
    if (p[j] != TFakeDisk::PatternByte(sector, j)) return false;
  return true;
}

TEST_F(NtReadTest, HandleIsOpenedOncePerDriveSwitch) {
  auto d = Disk(64), e = Disk(64);
  TFakeDiskRegistration rd('D', d), re('E', e);
  std::vector<uint8_t> buf(512);
  ASSERT_TRUE(ReadSectors(4, 0, 1, buf.data()));
  ASSERT_TRUE(ReadSectors(5, 0, 1, buf.data()));
  ASSERT_TRUE(ReadSectors(4, 1, 1, buf.data()));
  EXPECT_EQ(d->Opens + e->Opens, 3);

  DriveAccessDone();
  const int before = d->Opens;
  ASSERT_TRUE(ReadSectors(4, 0, 1, buf.data()));
  ASSERT_TRUE(ReadSectors(4, 5, 1, buf.data()));
  EXPECT_EQ(d->Opens - before, 1);
  EXPECT_TRUE(SectorHoldsPattern(buf.data(), 5, 512));
}

TEST_F(NtReadTest, FailedOpenIsNeverReusedAndFailedReadKeepsTheHandle) {
  auto d = Disk(64);
  d->FailOpen = true;
  TFakeDiskRegistration rd('D', d);
  std::vector<uint8_t> buf(512);
  EXPECT_FALSE(ReadSectors(4, 0, 1, buf.data()));
  d->FailOpen = false;
  EXPECT_TRUE(ReadSectors(4, 0, 1, buf.data()));
  EXPECT_EQ(d->Opens, 1);
  d->FailingSectors = {3};
  EXPECT_FALSE(ReadSectors(4, 3, 1, buf.data()));
  EXPECT_TRUE(ReadSectors(4, 4, 1, buf.data()));
  EXPECT_EQ(d->Opens, 1);
}

TEST_F(NtReadTest, ReadPastTheEndKeepsEarlierChunks) {
  auto d = Disk(200);
  TFakeDiskRegistration rd('D', d);
  std::vector<uint8_t> buf(256 * 512, 0xEE);
  EXPECT_FALSE(ReadSectors(4, 0, 256, buf.data()));
  for (uint64_t k = 0; k < 128; ++k) ASSERT_TRUE(SectorHoldsPattern(&buf[k * 512], k, 512)) << k;
  // The failing chunk is not copied: the buffer past the first chunk is untouched.
  for (size_t i = 128 * 512; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xEE) << i;

  EXPECT_TRUE(ReadSectors(4, 199, 1, buf.data()));
  EXPECT_FALSE(ReadSectors(4, 200, 1, buf.data()));
  EXPECT_FALSE(ReadSectors(4, 0xFFFFFFFF, 1, buf.data()));
  // Sector numbers past 32 bits, and offsets past 64 bits, never wrap round to the disk's start.
  EXPECT_FALSE(ReadSectors(4, (uint64_t{1} << 32) + 7, 1, buf.data()));
  EXPECT_FALSE(ReadSectors(4, uint64_t{1} << 55, 1, buf.data()));
  EXPECT_FALSE(ReadSectors(4, UINT64_MAX, 1, buf.data()));
}

TEST_F(NtReadTest, CountZeroTransfersNothing) {
  auto d = Disk(8);
  TFakeDiskRegistration rd('D', d);
  uint8_t guard = 0x5A;
  EXPECT_TRUE(ReadSectors(4, 0, 0, &guard));
  EXPECT_EQ(guard, 0x5A);
}

TEST_F(NtReadTest, LargeSectorsStayWithinTheTransferArea) {
  for (uint32_t size : {2048u, 4096u}) {
    auto d = Disk(300, size);
    TFakeDiskRegistration rd('D', d);
    std::vector<uint8_t> buf(size_t{300} * size);
    ASSERT_TRUE(ReadSectors(4, 0, 300, buf.data())) << size;
    for (uint64_t k = 0; k < 300; ++k) ASSERT_TRUE(SectorHoldsPattern(&buf[k * size], k, size)) << size << " " << k;
    EXPECT_LE(d->LargestRead, 65536u);
  }
}

TEST_F(NtReadTest, TheTransferHookRunsBetweenTransfersAndCannotReadMeanwhile) {
  auto d = Disk(600);
  TFakeDiskRegistration rd('D', d);
  TFakeDiskRegistration re('E', Disk(10));
  std::vector<uint64_t> reached;
  std::vector<uint8_t> inner(512);
  int innerReads = 0;
  SetTransferHook([&](uint64_t sector) {
    reached.push_back(sector);
    // Another drive, and the same one: either would replace the handle the read in hand uses.
    innerReads += ReadSectors(5, 0, 1, inner.data()) + ReadSectors(4, 0, 1, inner.data());
  });
  std::vector<uint8_t> buf(size_t{500} * 512);
  const bool read = ReadSectors(4, 50, 500, buf.data());
  SetTransferHook({});
  ASSERT_TRUE(read);
  // 128 sectors a transfer: the hook runs between them, never after the last.
  EXPECT_EQ(reached, (std::vector<uint64_t>{178, 306, 434}));
  EXPECT_EQ(innerReads, 0);
  for (uint64_t k = 0; k < 500; ++k) ASSERT_TRUE(SectorHoldsPattern(&buf[k * 512], 50 + k, 512)) << k;
  EXPECT_EQ(d->Opens, 1);
  // Outside the hook the layer reads again.
  EXPECT_TRUE(ReadSectors(5, 0, 1, inner.data()));
}

TEST_F(NtReadTest, BadSectorSizeOrMissingDriveAnswersFalse) {
  for (uint32_t size : {0u, 1000u, 3u, 131072u}) {
    auto d = std::make_shared<TFakeDisk>(64 * 1024, size);
    TFakeDiskRegistration rd('D', d);
    TDriveParams params;
    params.TotalPhysSec = 77;
    EXPECT_FALSE(GetDriveParams(4, params)) << size;
    EXPECT_EQ(params.TotalPhysSec, 77u);
    std::vector<uint8_t> buf(4096, 0xEE);
    EXPECT_FALSE(ReadSectors(4, 0, 1, buf.data())) << size;
    EXPECT_EQ(buf[0], 0xEE);
  }
  std::vector<uint8_t> buf(512);
  TDriveParams params;
  EXPECT_FALSE(ReadSectors(0, 0, 1, buf.data()));
  EXPECT_FALSE(ReadSectors(27, 0, 1, buf.data()));
  EXPECT_FALSE(ReadSectors(6, 0, 1, buf.data()));  // F: holds nothing
  EXPECT_FALSE(GetDriveParams(0, params));
  EXPECT_FALSE(GetDriveParams(27, params));
  EXPECT_FALSE(GetDriveParams(6, params));
}

TEST_F(NtReadTest, SourceThatVanishesOrShrinksMidReadFails) {
  auto d = Disk(1000);
  d->VanishAfterReads = 1;
  TFakeDiskRegistration rd('D', d);
  std::vector<uint8_t> buf(512 * 256);
  EXPECT_FALSE(ReadSectors(4, 0, 256, buf.data()));
  EXPECT_TRUE(SectorHoldsPattern(buf.data(), 0, 512));

  auto e = Disk(1000);
  e->ShrinkAfterReads = 1;
  e->ShrinkTo = 100 * 512;
  TFakeDiskRegistration re('E', e);
  EXPECT_FALSE(ReadSectors(5, 0, 256, buf.data()));
  EXPECT_FALSE(ReadSectors(5, 500, 1, buf.data()));

  auto f = Disk(1000);
  f->EndsAt = 10 * 512 + 100;
  TFakeDiskRegistration rf('F', f);
  EXPECT_TRUE(ReadSectors(6, 9, 1, buf.data()));
  EXPECT_FALSE(ReadSectors(6, 10, 1, buf.data()));
}

TEST_F(NtReadTest, PartialLastSectorIsReadPaddedWithZeros) {
  auto d = std::make_shared<TFakeDisk>(2 * 512 + 100);
  TFakeDiskRegistration rd('D', d);
  TDriveParams params;
  ASSERT_TRUE(GetDriveParams(4, params));
  EXPECT_EQ(params.TotalPhysSec, 3u);
  std::vector<uint8_t> buf(3 * 512, 0xEE);
  ASSERT_TRUE(ReadSectors(4, 0, 3, buf.data()));
  for (uint32_t j = 0; j < 100; ++j) ASSERT_EQ(buf[1024 + j], TFakeDisk::PatternByte(2, j));
  for (uint32_t j = 100; j < 512; ++j) ASSERT_EQ(buf[1024 + j], 0) << j;
  EXPECT_FALSE(ReadSectors(4, 2, 2, buf.data()));
}

TEST_F(NtReadTest, ParamsFromLengthKindAndMedia) {
  auto fixed = Disk(0);
  fixed->LengthReported = uint64_t{16065000} * 512 + 300;
  TFakeDiskRegistration r1('D', fixed);
  TDriveParams p;
  ASSERT_TRUE(GetDriveParams(4, p));
  EXPECT_EQ(p.DriveKind, dkFixed);
  EXPECT_EQ(p.Removable, 0);
  EXPECT_EQ(p.BytesPerSec, 512u);
  EXPECT_EQ(p.Heads, 255u);
  EXPECT_EQ(p.SecPerTrack, 63u);
  EXPECT_EQ(p.Cylinders, 1000u);
  EXPECT_EQ(p.TotalPhysSec, 16065001u);  // the length, not whole cylinders

  auto huge = Disk(0);
  huge->LengthReported = (uint64_t{1} << 32) * 512 + 4096;  // more sectors than 32 bits hold
  TFakeDiskRegistration r2('E', huge);
  ASSERT_TRUE(GetDriveParams(5, p));
  EXPECT_EQ(p.TotalPhysSec, 4294967304u);

  auto card = Disk(1000);
  card->SourceKind = TSourceKind::Removable;
  card->RemovableFlag = true;
  TFakeDiskRegistration r3('F', card);
  ASSERT_TRUE(GetDriveParams(6, p));
  EXPECT_EQ(p.DriveKind, dkRemovable);
  EXPECT_EQ(p.Removable, 1);

  auto cd = std::make_shared<TFakeDisk>(2048 * 50 + 10, 2048, TSourceKind::Optical);
  TFakeDiskRegistration r4('G', cd);
  p = TDriveParams{};
  p.Cylinders = 9;
  ASSERT_TRUE(GetDriveParams(7, p));
  EXPECT_EQ(p.DriveKind, dkCDROM);
  EXPECT_EQ(p.Removable, 1);
  EXPECT_EQ(p.BytesPerSec, 2048u);
  EXPECT_EQ(p.TotalPhysSec, 51u);
  EXPECT_EQ(p.Cylinders, 0u);

  cd->Data.clear();  // no disc
  ASSERT_TRUE(GetDriveParams(7, p));
  EXPECT_EQ(p.TotalPhysSec, 0u);
  // An empty drive that cannot even be opened answers the same; one that refuses access does not answer.
  cd->FailOpen = true;
  cd->NoMedium = true;
  p = TDriveParams{};
  ASSERT_TRUE(GetDriveParams(7, p));
  EXPECT_EQ(p.DriveKind, dkCDROM);
  EXPECT_EQ(p.TotalPhysSec, 0u);
  cd->NoMedium = false;
  EXPECT_FALSE(GetDriveParams(7, p));
  cd->FailOpen = false;

  auto floppy = Disk(2880);
  floppy->SourceKind = TSourceKind::Floppy;
  TFakeDiskRegistration r5('A', floppy);
  ASSERT_TRUE(GetDriveParams(1, p));
  EXPECT_EQ(p.DriveKind, dkFloppy);
  EXPECT_EQ(p.Removable, 1);
  EXPECT_EQ(p.Cylinders * p.Heads * p.SecPerTrack, 2880u);

  auto odd = Disk(100);
  odd->SourceKind = TSourceKind::Unknown;
  odd->NoLength = true;
  TFakeDiskRegistration r6('H', odd);
  p.DriveKind = dkFixed;
  ASSERT_TRUE(GetDriveParams(8, p));
  EXPECT_EQ(p.DriveKind, dkUnknown);
  EXPECT_EQ(p.TotalPhysSec, 0u);  // no length and no cylinders
}

}  // namespace
}  // namespace quillot
