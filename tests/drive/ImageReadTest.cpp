// Real image files made by mkfs.fat, read through both platform families.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "drive/DriveTable.h"
#include "drive/IORoutines.h"
#include "platform/WinVersion.h"
#include "support/FakeDisk.h"
#include "support/ImageFiles.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ImageReadTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    SetSimulatedVersion(VersionOfPlatformName(GetParam()));
    DriveAccessInit();
  }
  void TearDown() override {
    DriveAccessDone();
    SetSimulatedVersion(std::nullopt);
  }
  testing::TScopedEmptyDriveTable table_;
  testing::TScriptedDialogs dialogs_;
  test::TTempDir tmp_;
};

TEST_P(ImageReadTest, FatImageReadsAsItsFile) {
  const fs::path image = tmp_.Path() / "card.img";
  ASSERT_TRUE(testing::MakeFatImage(image, "-n CARD", 8192));
  const std::vector<uint8_t> bytes = FileBytes(image);
  ASSERT_EQ(bytes.size(), 8192u * 1024);
  std::string error;
  auto letter = AttachImage(image.string(), error);
  ASSERT_TRUE(letter) << error;
  const uint8_t drive = static_cast<uint8_t>(*letter - 'A' + 1);

  TDriveParams p;
  ASSERT_TRUE(GetDriveParams(drive, p));
  EXPECT_EQ(p.BytesPerSec, 512u);
  EXPECT_EQ(p.TotalPhysSec, 16384u);
  EXPECT_EQ(p.DriveKind, dkFixed);

  std::vector<uint8_t> buf(300 * 512);
  ASSERT_TRUE(ReadSectors(drive, 0, 300, buf.data()));
  EXPECT_TRUE(std::equal(buf.begin(), buf.end(), bytes.begin()));
  ASSERT_TRUE(ReadSectors(drive, 16383, 1, buf.data()));
  EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 512, bytes.end() - 512));
  EXPECT_FALSE(ReadSectors(drive, 16383, 2, buf.data()));
  EXPECT_FALSE(ReadSectors(drive, 16384, 1, buf.data()));
  EXPECT_EQ(FileBytes(image), bytes);  // never written
  EXPECT_TRUE(dialogs_.Shown.empty());
}

TEST_P(ImageReadTest, PartialLastSectorAndFloppyImage) {
  const fs::path image = tmp_.Path() / "odd.img";
  ASSERT_TRUE(testing::MakeFatImage(image, "", 1440));
  {
    std::ofstream out(image, std::ios::binary | std::ios::app);
    out << std::string(100, '\x7F');
  }
  std::string error;
  auto letter = AttachImage(image.string(), error);
  ASSERT_TRUE(letter) << error;
  const uint8_t drive = static_cast<uint8_t>(*letter - 'A' + 1);
  TDriveParams p;
  ASSERT_TRUE(GetDriveParams(drive, p));
  EXPECT_EQ(p.TotalPhysSec, 2881u);
  std::vector<uint8_t> buf(2 * 512, 0xEE);
  ASSERT_TRUE(ReadSectors(drive, 2879, 2, buf.data()));
  for (size_t i = 512; i < 612; ++i) ASSERT_EQ(buf[i], 0x7F) << i;
  for (size_t i = 612; i < 1024; ++i) ASSERT_EQ(buf[i], 0) << i;

  const fs::path floppy = tmp_.Path() / "floppy.img";
  ASSERT_TRUE(testing::MakeFatImage(floppy, "", 1440));
  letter = AttachImage(floppy.string(), error);
  ASSERT_TRUE(letter) << error;
  ASSERT_TRUE(GetDriveParams(static_cast<uint8_t>(*letter - 'A' + 1), p));
  EXPECT_EQ(p.DriveKind, dkFloppy);
  EXPECT_EQ(p.TotalPhysSec, 2880u);
}

TEST_P(ImageReadTest, IsoImageIsACDROMDrive) {
  const fs::path image = tmp_.Path() / "disc.ISO";
  {
    std::ofstream out(image, std::ios::binary);
    for (int k = 0; k < 20; ++k) out << std::string(2048, static_cast<char>('a' + k));
  }
  std::string error;
  auto letter = AttachImage(image.string(), error);
  ASSERT_TRUE(letter) << error;
  const uint8_t drive = static_cast<uint8_t>(*letter - 'A' + 1);
  TDriveParams p;
  ASSERT_TRUE(GetDriveParams(drive, p));
  EXPECT_EQ(p.DriveKind, dkCDROM);
  EXPECT_EQ(p.BytesPerSec, 2048u);
  EXPECT_EQ(p.TotalPhysSec, 20u);
  std::vector<uint8_t> buf(3 * 2048);
  ASSERT_TRUE(ReadSectors(drive, 17, 3, buf.data()));
  EXPECT_EQ(buf[0], 'a' + 17);
  EXPECT_EQ(buf[2 * 2048 + 2047], 'a' + 19);
  // Past the end: the 95/98 family asks, and the script's default answer is Abort.
  EXPECT_FALSE(ReadSectors(drive, 19, 2, buf.data()));
  EXPECT_EQ(dialogs_.Shown.size(), std::string(GetParam()) == "nt" ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Families, ImageReadTest, ::testing::Values("nt", "win95", "win95b", "win98"));

}  // namespace
}  // namespace quillot
