// The same-drive check, over a made-up sysfs tree and over this machine.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "drive/DriveTable.h"
#include "drive/IORoutines.h"
#include "drive/SameDevice.h"
#include "engine/RecoveryPass.h"
#include "platform/WinVersion.h"
#include "support/FakeDisk.h"
#include "support/Files.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

namespace fs = std::filesystem;

const auto& Put = test::PutLine;

// sda (8:0) with sda1 (8:1) and sda2 (8:2), sdb (8:16), dm-0 (253:0) on sda2, loop0 (7:0) on a file.
struct TFakeSysDevBlock {
  test::TTempDir tmp;
  fs::path blockDir;
  fs::path backing;
  TFakeSysDevBlock() {
    const fs::path dev = tmp.Path() / "devices";
    blockDir = tmp.Path() / "block";
    backing = tmp.Path() / "card.img";
    Put(backing, "image");
    Put(dev / "sda/dev", "8:0");
    Put(dev / "sda/sda1/dev", "8:1");
    Put(dev / "sda/sda1/partition", "1");
    Put(dev / "sda/sda2/dev", "8:2");
    Put(dev / "sda/sda2/partition", "2");
    Put(dev / "sdb/dev", "8:16");
    Put(dev / "dm-0/dev", "253:0");
    fs::create_directories(dev / "dm-0/slaves");
    fs::create_symlink(dev / "sda/sda2", dev / "dm-0/slaves/sda2");
    Put(dev / "loop0/dev", "7:0");
    Put(dev / "loop0/loop/backing_file", backing.string());
    fs::create_directories(blockDir);
    for (auto [name, target] : {std::pair{"8:0", "sda"},
                                {"8:1", "sda/sda1"},
                                {"8:2", "sda/sda2"},
                                {"8:16", "sdb"},
                                {"253:0", "dm-0"},
                                {"7:0", "loop0"}})
      fs::create_symlink(dev / target, blockDir / name);
  }
  bool On(dev_t fs, const TSourceIdentity& source) { return DeviceOnSource(fs, source, blockDir.string()); }
};

TSourceIdentity Block(unsigned maj, unsigned min) {
  TSourceIdentity s;
  s.IsBlockDevice = true;
  s.Device = makedev(maj, min);
  return s;
}

TEST(SameDeviceTest, BlockSourceCoversItsPartitionsItsDiskAndStackedDevices) {
  TFakeSysDevBlock sys;
  const TSourceIdentity disk = Block(8, 0), part1 = Block(8, 1);
  EXPECT_TRUE(sys.On(makedev(8, 0), disk));
  EXPECT_TRUE(sys.On(makedev(8, 1), disk));
  EXPECT_TRUE(sys.On(makedev(253, 0), disk));  // device-mapper on sda2
  EXPECT_FALSE(sys.On(makedev(8, 16), disk));

  EXPECT_TRUE(sys.On(makedev(8, 1), part1));
  EXPECT_TRUE(sys.On(makedev(8, 0), part1));   // the disk that holds it
  EXPECT_FALSE(sys.On(makedev(8, 2), part1));  // a sibling partition
  EXPECT_FALSE(sys.On(makedev(253, 0), part1));

  // loop0's backing file lives on the file system of the test folder.
  struct stat st {};
  ASSERT_EQ(::stat(sys.backing.c_str(), &st), 0);
  TSourceIdentity holder;
  holder.IsBlockDevice = true;
  holder.Device = st.st_dev;
  EXPECT_TRUE(sys.On(makedev(7, 0), holder));
}

TEST(SameDeviceTest, ImageSourceConflictsOnlyWithItsOwnMount) {
  TFakeSysDevBlock sys;
  TSourceIdentity image;
  ASSERT_TRUE(IdentifySource(sys.backing.string(), image));
  EXPECT_TRUE(image.IsImageFile);
  EXPECT_TRUE(sys.On(makedev(7, 0), image));
  EXPECT_FALSE(sys.On(makedev(8, 1), image));
  struct stat st {};
  ASSERT_EQ(::stat(sys.backing.c_str(), &st), 0);
  EXPECT_FALSE(sys.On(st.st_dev, image));  // the folder beside the image is fine

  test::TTempDir other;
  Put(other.Path() / "other.img", "x");
  TSourceIdentity otherImage;
  ASSERT_TRUE(IdentifySource((other.Path() / "other.img").string(), otherImage));
  EXPECT_FALSE(sys.On(makedev(7, 0), otherImage));
}

TEST(SameDeviceTest, NearestExistingFolderWalksUp) {
  test::TTempDir tmp;
  EXPECT_EQ(NearestExistingFolder((tmp.Path() / "a/b/c").string()), tmp.Path().string());
  EXPECT_EQ(NearestExistingFolder(tmp.Path().string()), tmp.Path().string());
  Put(tmp.Path() / "file", "x");
  EXPECT_EQ(NearestExistingFolder((tmp.Path() / "file/sub").string()), tmp.Path().string());
  EXPECT_EQ(NearestExistingFolder("/no-such-top-folder-q/x"), "/");
}

TEST(SameDeviceTest, DrivesOfThisMachine) {
  test::TTempDir tmp;
  Put(tmp.Path() / "disk.img", std::string(4096, 'x'));
  const auto saved = DriveTable().Snapshot();
  std::string error;
  auto letter = DriveTable().AttachImage((tmp.Path() / "disk.img").string(), error);
  ASSERT_TRUE(letter) << error;
  EXPECT_FALSE(DestinationOnDrive(*letter, (tmp.Path() / "out/new").string()));
  EXPECT_FALSE(DestinationOnDrive('[', tmp.Path().string()));

  // Whichever listed block device holds the test folder's file system must be found.
  struct stat st {};
  ASSERT_EQ(::stat(tmp.Path().c_str(), &st), 0);
  for (char l = 'A'; l <= 'Z'; ++l) {
    auto source = DriveTable().Source(l);
    struct stat dev {};
    if (!source || source->IsImage() || ::stat(source->Path().c_str(), &dev) != 0) continue;
    if (dev.st_rdev == st.st_dev) {
      EXPECT_TRUE(DestinationOnDrive(l, (tmp.Path() / "x").string())) << l;
    }
  }
  DriveTable().Restore(saved);
}

// A small ext2 image loop-mounted in a fresh folder, unmounted at the end; Mounted() is false where the
// user or the kernel does not allow it.
class TLoopMount {
 public:
  explicit TLoopMount(const fs::path& folder) : image_(folder / "card.img"), at_(folder / "mnt") {
    fs::create_directories(at_);
    const std::string make = "truncate -s 4M '" + image_.string() + "' && mkfs.ext2 -q -F '" + image_.string() +
                             "' >/dev/null 2>&1 && mount -o loop '" + image_.string() + "' '" + at_.string() +
                             "' 2>/dev/null";
    mounted_ = ::geteuid() == 0 && std::system(make.c_str()) == 0;
  }
  ~TLoopMount() {
    if (mounted_) std::system(("umount '" + at_.string() + "'").c_str());
  }
  bool Mounted() const { return mounted_; }
  const fs::path& Image() const { return image_; }
  const fs::path& At() const { return at_; }

 private:
  fs::path image_, at_;
  bool mounted_ = false;
};

// The one check that a destination inside the source's own file system is found, wherever the test's
// temporary folder lies: through the check itself and through a whole pass, which refuses it and
// creates nothing there.
TEST(SameDeviceTest, ADestinationInsideTheMountedImageIsOnItsDrive) {
  test::TTempDir tmp;
  TLoopMount loop(tmp.Path());
  if (!loop.Mounted()) GTEST_SKIP() << "cannot loop-mount an image here (needs root and a kernel that allows it)";
  testing::TScopedEmptyDriveTable table;
  std::string error;
  auto letter = DriveTable().AttachImage(loop.Image().string(), error);
  ASSERT_TRUE(letter) << error;
  EXPECT_TRUE(DestinationOnDrive(*letter, (loop.At() / "out/new").string()));
  EXPECT_FALSE(DestinationOnDrive(*letter, (tmp.Path() / "out").string()));

  SetSimulatedVersion(VersionOfPlatformName("nt"));
  DriveAccessInit();
  test::TRecordingView view;
  TDiskDestination disk;
  TRecoveryPass pass(view, disk);
  TFormatsList catalogue;
  TRecoveryOptions options{*letter, static_cast<uint8_t>(*letter - 'A' + 1), (loop.At() / "out").string(), 1, 64, 0};
  pass.StartRecovery(options, catalogue);
  DriveAccessDone();
  SetSimulatedVersion(std::nullopt);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].rfind("Destination folder is on the same drive as source.", 0), 0u) << view.messages[0];
  EXPECT_FALSE(fs::exists(loop.At() / "out"));
}

}  // namespace
}  // namespace quillot
