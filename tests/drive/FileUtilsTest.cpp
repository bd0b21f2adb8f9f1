// The drive list's view of a drive: type names, size texts, readiness, label and serial.
#include <gtest/gtest.h>

#include <cstdlib>

#include "drive/FileUtils.h"
#include "platform/VolumeProbe.h"
#include "support/EnvVar.h"
#include "support/FakeDisk.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

using testing::TFakeDisk;
using testing::TFakeDiskRegistration;
using testing::TScopedEmptyDriveTable;

TEST(FileUtilsTest, DriveTypeNames) {
  EXPECT_EQ(DriveTypeName(130), "Removable");
  EXPECT_EQ(DriveTypeName(1), "Unknown");
  EXPECT_EQ(DriveTypeName(0), "Unknown");
  EXPECT_EQ(DriveTypeName(3), "Fixed");
  EXPECT_EQ(DriveTypeName(4), "Network");
  EXPECT_EQ(DriveTypeName(5 + 128), "CDROM");
  EXPECT_EQ(DriveTypeName(6), "RAM");
  EXPECT_EQ(DriveTypeName(7), "Unknown");
  EXPECT_EQ(DriveTypeName(0xFFFFFF83u), "Fixed");
}

TEST(FileUtilsTest, SizeTexts) {
  const std::string sep = UserThousandsSeparator();
  ASSERT_FALSE(sep.empty());
  EXPECT_EQ(SizeToText(-1), "not available");
  EXPECT_EQ(SizeToText(0), "0");
  EXPECT_EQ(SizeToText(999), "999");
  EXPECT_EQ(SizeToText(1000), "1" + sep + "000");
  EXPECT_EQ(SizeToText(16011804672), "16" + sep + "011" + sep + "804" + sep + "672");
  EXPECT_EQ(GroupThousands(9223372036854775807ull, "."), "9.223.372.036.854.775.807");
  EXPECT_EQ(GroupThousands(100000, "\xE2\x80\xAF"),
            "100\xE2\x80\xAF"
            "000");

  // The C locale has no separator of its own: the comma stands in.
  testing::TEnvVar locale("LC_ALL", "C");
  EXPECT_EQ(SizeToText(1000), "1,000");
}

TEST(FileUtilsTest, SerialsAsWindowsShowsThem) {
  EXPECT_EQ(SerialFromUuid("vfat", "1234-ABCD"), 0x1234ABCDu);
  EXPECT_EQ(SerialFromUuid("exfat", "00FF-00ff"), 0x00FF00FFu);
  EXPECT_EQ(SerialFromUuid("ntfs", "0123456789ABCDEF"), 0x89ABCDEFu);
  EXPECT_EQ(SerialFromUuid("ext4", "0d8a1a1e-3c5b-4a4e-9a8f-1c2b3d4e5f60"), 0u);
  EXPECT_EQ(SerialFromUuid("vfat", "12345ABCD"), 0u);
  EXPECT_EQ(SerialFromUuid("vfat", "12G4-ABCD"), 0u);
  EXPECT_EQ(SerialFromUuid("ntfs", "ABCD"), 0u);
}

TEST(FileUtilsTest, ViewOfReadyEmptyAndMissingDrives) {
  TScopedEmptyDriveTable table;
  auto card = std::make_shared<TFakeDisk>(1000 * 512);
  card->SourceKind = TSourceKind::Removable;
  auto empty = std::make_shared<TFakeDisk>(0, 2048, TSourceKind::Optical);
  auto gone = std::make_shared<TFakeDisk>(512);
  gone->FailOpen = true;
  TFakeDiskRegistration r1('E', card), r2('F', empty), r3('G', gone);

  TViewDriveParams v;
  GetViewDriveParams('e', v);
  EXPECT_TRUE(v.Ready);
  EXPECT_EQ(v.TypeName, "Removable");
  EXPECT_EQ(v.TotalSize, 512000);
  EXPECT_EQ(v.Serial, 0u);
  EXPECT_TRUE(v.VolumeLabel.empty());
  EXPECT_TRUE(IsDriveReady('E'));

  for (char letter : {'F', 'G'}) {
    GetViewDriveParams(letter, v);
    EXPECT_FALSE(v.Ready) << letter;
    EXPECT_EQ(v.Drive, letter);
    EXPECT_EQ(v.TotalSize, 0);
    EXPECT_EQ(SizeToText(v.TotalSize), "0");
    EXPECT_FALSE(IsDriveReady(letter));
  }
  GetViewDriveParams('F', v);
  EXPECT_EQ(v.TypeName, "CDROM");

  for (char letter : {'H', '[', '@', '\xFF'}) {
    GetViewDriveParams(letter, v);
    EXPECT_FALSE(v.Ready);
    EXPECT_EQ(v.TypeName, "Unknown");
    EXPECT_FALSE(IsDriveReady(letter));
  }
  EXPECT_EQ(GetLogicalDrives(), (1u << 4) | (1u << 5) | (1u << 6));
}

TEST(FileUtilsTest, LabelAndSerialOfARealFat32Image) {
  test::TTempDir tmp;
  const auto image = tmp.Path() / "card.img";
  ASSERT_TRUE(testing::MakeFatImage(image, "-F 32 -n LABEL -i 1234ABCD", 65536));
  TScopedEmptyDriveTable table;
  std::string error;
  auto letter = AttachImage(image.string(), error);
  ASSERT_TRUE(letter) << error;
  EXPECT_EQ(*letter, 'C');
  TViewDriveParams v;
  GetViewDriveParams(*letter, v);
  EXPECT_TRUE(v.Ready);
  EXPECT_EQ(v.TypeName, "Fixed");
  EXPECT_EQ(v.TotalSize, 65536 * 1024);
  EXPECT_EQ(v.Serial, 0x1234ABCDu);
  EXPECT_EQ(v.VolumeLabel, "LABEL");

  const auto plain = tmp.Path() / "blank.img";
  ASSERT_TRUE(testing::MakeFatImage(plain, "-i 00000001", 1440));
  letter = AttachImage(plain.string(), error);
  ASSERT_TRUE(letter) << error;
  GetViewDriveParams(*letter, v);
  EXPECT_EQ(v.Serial, 1u);
  EXPECT_EQ(v.VolumeLabel, "");
}

}  // namespace
}  // namespace quillot
