// The drive table: letters for the machine's block devices and for attached images.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "cli/ImageOptions.h"
#include "drive/DriveTable.h"
#include "drive/FileUtils.h"
#include "platform/SysBlockScan.h"
#include "support/FakeDisk.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "util/Text.h"

namespace quillot {
namespace {

namespace fs = std::filesystem;

const auto& Put = test::PutLine;

// A sysfs class/block folder: each entry a link into a devices tree, partitions inside their disk.
struct TFakeSysClassBlock {
  test::TTempDir tmp;
  fs::path classDir = tmp.Path() / "class";
  void Disk(const std::string& name, const std::string& size, const std::string& removable = "0",
            const std::string& number = "") {
    const fs::path dir = tmp.Path() / "devices" / name;
    Put(dir / "size", size);
    Put(dir / "removable", removable);
    if (!number.empty()) Put(dir / "dev", number);
    fs::create_directories(classDir);
    fs::create_symlink(dir, classDir / name);
  }
  void Partition(const std::string& disk, const std::string& name, const std::string& number = "") {
    const fs::path dir = tmp.Path() / "devices" / disk / name;
    Put(dir / "size", "100");
    Put(dir / "partition", "1");
    if (!number.empty()) Put(dir / "dev", number);
    fs::create_symlink(dir, classDir / name);
  }
  // The device (a disk with its partitions, or a partition) is unplugged.
  void Unplug(const std::string& name) {
    const fs::path dir = fs::canonical(classDir / name);
    for (const auto& link : fs::directory_iterator(classDir))
      if (fs::canonical(link.path()).string().rfind(dir.string(), 0) == 0) fs::remove(link.path());
    fs::remove_all(dir);
  }
};

TEST(DriveTableTest, NaturalOrder) {
  EXPECT_TRUE(NaturalLess("sda2", "sda10"));
  EXPECT_TRUE(NaturalLess("sda", "sda1"));
  EXPECT_TRUE(NaturalLess("sda9", "sdb"));
  EXPECT_FALSE(NaturalLess("sdb", "sda9"));
  EXPECT_TRUE(NaturalLess("nvme0n1p2", "nvme0n1p10"));
  EXPECT_FALSE(NaturalLess("sda1", "sda1"));
  EXPECT_TRUE(NaturalLess("sd01", "sd2"));
}

TEST(DriveTableTest, ScanOrdersKindsAndLettersDevices) {
  TFakeSysClassBlock sys;
  sys.Disk("sr0", "0", "1");
  sys.Disk("sdb", "2048", "1");
  sys.Partition("sdb", "sdb1");
  sys.Disk("sda", "4096");
  sys.Partition("sda", "sda10");
  sys.Partition("sda", "sda2");
  sys.Disk("fd0", "2880", "1");
  sys.Disk("loop0", "0");  // unattached: left out
  sys.Disk("loop1", "100");
  Put(sys.tmp.Path() / "devices/loop1/loop/backing_file", "/some/file.img");
  sys.Disk("zram0", "0");  // unconfigured: left out
  sys.Disk("zram1", "64");
  sys.Disk("nbd0", "64");
  sys.Disk("mmcblk0", "64", "0");
  sys.Disk("mmcblk0boot0", "8");  // hardware boot area: left out
  sys.Disk("mmcblk0rpmb", "8");
  sys.Disk("ram0", "0");

  const auto entries = ScanSysBlock(sys.classDir.string(), "/devroot");
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"fd0", "loop1", "mmcblk0", "nbd0", "sda", "sda2", "sda10", "sdb", "sdb1",
                                             "zram1", "sr0"}));
  auto find = [&](const std::string& n) {
    return *std::find_if(entries.begin(), entries.end(), [&](const TSysBlockEntry& e) { return e.Name == n; });
  };
  EXPECT_EQ(find("fd0").Kind, TSourceKind::Floppy);
  EXPECT_EQ(find("sr0").Kind, TSourceKind::Optical);
  EXPECT_EQ(find("zram1").Kind, TSourceKind::Ram);
  EXPECT_EQ(find("nbd0").Kind, TSourceKind::Network);
  EXPECT_EQ(find("sdb1").Kind, TSourceKind::Removable);  // the disk's removable flag
  EXPECT_EQ(find("sdb1").Disk, "sdb");
  EXPECT_TRUE(find("sdb1").Partition);
  EXPECT_EQ(find("sda2").Kind, TSourceKind::Fixed);
  EXPECT_EQ(find("sda2").DevicePath, "/devroot/sda2");
  EXPECT_EQ(find("loop1").Serial, "/some/file.img");  // a loop device is told by its backing file

  testing::TScopedEmptyDriveTable table;
  test::TTempDir tmp;
  Put(tmp.Path() / "kept.img", "x");
  std::string error;
  ASSERT_EQ(DriveTable().AttachImage((tmp.Path() / "kept.img").string(), error), 'C');
  DriveTable().Rescan(sys.classDir.string(), "/devroot");
  EXPECT_EQ(DriveTable().Source('A')->Name(), "fd0");
  EXPECT_FALSE(DriveTable().Source('B'));
  EXPECT_TRUE(DriveTable().Source('C')->IsImage());  // the image keeps its letter
  EXPECT_EQ(DriveTable().Source('D')->Name(), "loop1");
  EXPECT_EQ(DriveTable().Source('M')->Name(), "sr0");
  EXPECT_EQ(DriveTable().Source('M')->Path(), "/devroot/sr0");
  EXPECT_EQ(GetLogicalDrives(), 0x1FFDu);
}

// Each step plugs and unplugs devices, rescans, and lists every letter with what stands behind it.
TEST(DriveTableTest, LettersStayWithTheirDevicesForTheWholeRun) {
  TFakeSysClassBlock sys;
  test::TTempDir tmp;
  Put(tmp.Path() / "card.img", "x");
  testing::TScopedEmptyDriveTable table;
  const auto listing = [] {
    std::string text;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
      if (auto source = DriveTable().Source(letter))
        text += std::string(text.empty() ? "" : " ") + letter + "=" + (source->IsImage() ? "img" : source->Name());
    return text;
  };
  struct TStep {
    const char* what;
    std::function<void()> change;
    const char* letters;
  };
  const TStep steps[] = {
      {"first scan",
       [&] {
         sys.Disk("fd0", "2880", "1", "2:0");
         sys.Disk("sda", "4096", "0", "8:0");
         sys.Partition("sda", "sda1", "8:1");
         sys.Disk("sdb", "2048", "1", "8:16");
       },
       "A=fd0 C=sda D=sda1 E=sdb"},
      {"a partition goes, a disk comes: the others keep theirs, the new one takes a letter never given",
       [&] {
         sys.Unplug("sda1");
         sys.Disk("sdc", "2048", "1", "8:32");
       },
       "A=fd0 C=sda E=sdb F=sdc"},
      {"nothing changes", [] {}, "A=fd0 C=sda E=sdb F=sdc"},
      {"an image takes a letter never given, not the partition's",
       [&] {
         std::string error;
         EXPECT_EQ(DriveTable().AttachImage((tmp.Path() / "card.img").string(), error), 'G') << error;
       },
       "A=fd0 C=sda E=sdb F=sdc G=img"},
      {"the partition comes back as it was: its own letter again", [&] { sys.Partition("sda", "sda1", "8:1"); },
       "A=fd0 C=sda D=sda1 E=sdb F=sdc G=img"},
      {"another stick under sdb's name and number, told apart by its serial",
       [&] {
         sys.Unplug("sdb");
         sys.Disk("sdb", "2048", "1", "8:16");
         Put(sys.tmp.Path() / "devices/sdb/device/serial", "0123456789AB");
       },
       "A=fd0 C=sda D=sda1 F=sdc G=img H=sdb"},
      {"a second floppy takes B:, never given", [&] { sys.Disk("fd1", "2880", "1", "2:1"); },
       "A=fd0 B=fd1 C=sda D=sda1 F=sdc G=img H=sdb"},
      {"the last letters go to new devices, then the devices past them get none",
       [&] {
         for (int i = 0; i < 20; ++i) sys.Disk("nbd" + std::to_string(i), "64", "0", "43:" + std::to_string(i));
       },
       "A=fd0 B=fd1 C=sda D=sda1 F=sdc G=img H=sdb I=nbd0 J=nbd1 K=nbd2 L=nbd3 M=nbd4 N=nbd5 O=nbd6 P=nbd7 "
       "Q=nbd8 R=nbd9 S=nbd10 T=nbd11 U=nbd12 V=nbd13 W=nbd14 X=nbd15 Y=nbd16 Z=nbd17"},
  };
  for (const TStep& step : steps) {
    step.change();
    DriveTable().Rescan(sys.classDir.string(), "/devroot");
    EXPECT_EQ(listing(), step.letters) << step.what;
  }
  // Out of letters, E: (the first sdb's) is still not given again, to a device or an image.
  std::string error;
  Put(tmp.Path() / "late.img", "x");
  EXPECT_FALSE(DriveTable().AttachImage((tmp.Path() / "late.img").string(), error));
  EXPECT_FALSE(DriveTable().Source('E'));
  // A rescan without roots scans where the last one did.
  sys.Unplug("sda");
  DriveTable().Rescan();
  EXPECT_FALSE(DriveTable().Source('C'));
  EXPECT_FALSE(DriveTable().Source('D'));
  EXPECT_EQ(DriveTable().Source('F')->Name(), "sdc");
}

TEST(DriveTableTest, AttachImageRefusesWhatIsNoImage) {
  testing::TScopedEmptyDriveTable table;
  test::TTempDir tmp;
  std::string error;
  EXPECT_FALSE(AttachImage(tmp.Path().string(), error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(AttachImage((tmp.Path() / "missing.img").string(), error));
  EXPECT_NE(error.find("missing.img"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(AttachImage("", error));
  EXPECT_FALSE(error.empty());
#ifndef _WIN32  // no fifos on Windows, and no user to lock a file from
  const fs::path fifo = tmp.Path() / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  error.clear();
  EXPECT_FALSE(AttachImage(fifo.string(), error));
  EXPECT_FALSE(error.empty());
  // A file the user may not read; root reads any file, so as root the check runs as nobody.
  const fs::path locked = tmp.Path() / "locked.img";
  Put(locked, "data");
  fs::permissions(locked, fs::perms::none);
  // Behind a letter, the locked file is a drive without access, a missing one a drive without media.
  const auto statusOf = [](const std::string& path) {
    DriveTable().Register('Q', std::make_shared<TFileBlockSource>("q", path, TSourceKind::Fixed, false, false, 0));
    TViewDriveParams view;
    GetViewDriveParams('Q', view);
    DriveTable().Remove('Q');
    return DriveStatusText(view) + " / " + view.Problem;
  };
  const auto refusesLocked = [&] {
    std::string why;
    return !AttachImage(locked.string(), why) && why.find("locked.img") != std::string::npos &&
           statusOf(locked.string()) == "No access / " + locked.string() + ": Permission denied" &&
           statusOf("/nonexistent-q/missing.img") == "No media / /nonexistent-q/missing.img: No such file or directory";
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(refusesLocked());
  } else {
    const pid_t child = ::fork();
    if (child == 0) _exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && refusesLocked() ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a locked image was attached as nobody";
  }
#endif
  EXPECT_EQ(GetLogicalDrives(), 0u);
}

TEST(DriveTableTest, ImagesTakeTheNextFreeLettersOnce) {
  testing::TScopedEmptyDriveTable table;
  test::TTempDir tmp;
  auto fake = std::make_shared<testing::TFakeDisk>(512);
  ASSERT_TRUE(DriveTable().Register('C', fake));
  EXPECT_FALSE(DriveTable().Register('[', fake));
  EXPECT_FALSE(DriveTable().Source('['));
  EXPECT_EQ(DriveTable().Source('c'), fake);
  std::string error;
  for (int i = 0; i < 24; ++i) Put(tmp.Path() / ("i" + std::to_string(i) + ".img"), "data");
  ASSERT_EQ(AttachImage((tmp.Path() / "i0.img").string(), error), 'D');
  EXPECT_EQ(AttachImage((tmp.Path() / "." / "i0.img").string(), error), 'D');
  for (int i = 1; i < 23; ++i)
    ASSERT_TRUE(AttachImage((tmp.Path() / ("i" + std::to_string(i) + ".img")).string(), error));
  EXPECT_EQ(DriveTable().Source('Z')->Path(), (tmp.Path() / "i22.img").string());
  EXPECT_FALSE(AttachImage((tmp.Path() / "i23.img").string(), error));
  EXPECT_NE(error.find("letter"), std::string::npos) << error;
  EXPECT_EQ(GetLogicalDrives(), 0x3FFFFFCu);
  DriveTable().Remove('C');
  EXPECT_FALSE(DriveTable().Source('C'));
  EXPECT_EQ(DriveLetterOf(1), 'A');
  EXPECT_EQ(DriveLetterOf(26), 'Z');
  EXPECT_EQ(DriveLetterOf(0), '\0');
  EXPECT_EQ(DriveLetterOf(27), '\0');
}

TEST(DriveTableTest, ImageOptionsAreTakenOutOfTheArguments) {
  std::vector<std::string> images;
  cli::TArgs rest;
  std::string error;
  ASSERT_TRUE(cli::ParseImageOptions({"--image", "a.img", "E:", "--image=b.iso", "--out", "x"}, images, rest, error));
  EXPECT_EQ(images, (std::vector<std::string>{"a.img", "b.iso"}));
  EXPECT_EQ(rest, (cli::TArgs{"E:", "--out", "x"}));
  EXPECT_FALSE(cli::ParseImageOptions({"E:", "--image"}, images, rest, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(cli::ParseImageOptions({"--image="}, images, rest, error));
}

TEST(DriveTableTest, DrivesCommandListsAttachedImages) {
  test::TTempDir tmp;
  const fs::path image = tmp.Path() / "card.img";
  ASSERT_EQ(std::system(("mkfs.fat -C -n SOUNDS -i 00C0FFEE '" + image.string() + "' 4096 >/dev/null 2>&1").c_str()),
            0);
  // Both families list the same; the 95/98 one also closes its devices at exit.
  for (const char* platform : {"nt", "win98"}) {
    const std::string command = std::string("LC_ALL=C QUILLOT_PLATFORM=") + platform + " '" + QUILLOT_BINARY_DIR +
                                "/quillot-cli' drives --image '" + image.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[512];
    while (size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, n);
    EXPECT_EQ(::pclose(pipe), 0) << platform << output;
    EXPECT_NE(output.find("Drive"), std::string::npos) << output;
    EXPECT_NE(output.find("Total Space"), std::string::npos) << output;
    const auto row = output.find("(SOUNDS)");
    ASSERT_NE(row, std::string::npos) << output;
    const std::string line = output.substr(row, output.find('\n', row) - row);
    EXPECT_NE(line.find("4,194,304"), std::string::npos) << line;
    EXPECT_NE(line.find("00C0FFEE"), std::string::npos) << line;
    EXPECT_NE(line.find("Ready"), std::string::npos) << line;
    EXPECT_NE(line.find("Fixed"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace quillot
