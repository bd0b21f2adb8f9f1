// The destination's file-system calls: exclusive creation for passes that share a folder, and no way,
// by name, link or mount, to empty or replace a source being read or the run's own report.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "engine/Destination.h"
#include "engine/RecoveredFileOutput.h"
#include "platform/AtomicFile.h"
#include "platform/BlockSource.h"
#include "platform/SourceGuard.h"
#include "support/Files.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

namespace fs = std::filesystem;

// Every name in the folder is taken, so the file output asks to overwrite the last one it tries.
class TEveryNameTaken : public TDiskDestination {
 public:
  bool Exists(const std::string&) override { return true; }
};

// A file bind-mounted over another, undone at the end; Mounted() is false where that is not allowed.
class TBindMount {
 public:
  TBindMount(const std::string& from, const std::string& onto) : onto_(onto) {
    mounted_ = ::mount(from.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) == 0;
  }
  ~TBindMount() {
    if (mounted_) ::umount(onto_.c_str());
  }
  bool Mounted() const { return mounted_; }

 private:
  std::string onto_;
  bool mounted_ = false;
};

TEST(DestinationTest, NewNamesAreExclusiveAndASourceOrTheReportIsNeverEmptiedHoweverReached) {
  ForgetGuardedSourcesForTesting();
  test::TTempDir tmp;
  const std::string image = tmp.File("card.img"), out = tmp.File("out"), report = tmp.File("out/found.tsv");
  const std::string card(4096, 'c');
  test::WriteText(image, card);
  fs::create_directories(out);
  test::WriteText(report, "name\tformat\n");
  std::string error;
  TFileBlockSource source("card", image, TSourceKind::Fixed, false, true, 512);
  ASSERT_TRUE(source.Open(error)) << error;  // reading it puts it under the guard

  // Two passes sharing the folder: the second creation of a name finds it taken.
  TDiskDestination disk;
  int handle = -1;
  ASSERT_EQ(disk.Create(out + "/snd00001.wav", TCreateMode::New, handle), TCreateResult::Created);
  disk.Close(handle);
  EXPECT_EQ(disk.Create(out + "/snd00001.wav", TCreateMode::New, handle), TCreateResult::Taken);

  struct stat st {};
  ASSERT_EQ(::stat(report.c_str(), &st), 0);
  disk.Protect(st.st_dev, st.st_ino);
  fs::create_hard_link(image, out + "/hard.wav");
  fs::create_symlink(image, out + "/soft.wav");
  test::WriteText(out + "/bound.wav", "x");
  TBindMount bind(image, out + "/bound.wav");
  struct TCase {
    std::string path, how;
  };
  std::vector<TCase> cases = {{image, "the image itself"},
                              {out + "/../card.img", "through .."},
                              {out + "/hard.wav", "a hard link"},
                              {out + "/soft.wav", "a symbolic link"},
                              {report, "the run's report"}};
  if (bind.Mounted()) cases.push_back({out + "/bound.wav", "a bind mount"});
  for (const auto& c : cases) {
    EXPECT_EQ(disk.Create(c.path, TCreateMode::Replace, handle), TCreateResult::Failed) << c.how;
    EXPECT_NE(disk.Create(c.path, TCreateMode::New, handle), TCreateResult::Created) << c.how;
    if (c.how != "the run's report") {
      EXPECT_FALSE(WriteFileAtomically(c.path, "settings")) << c.how;
    }
  }
  if (!bind.Mounted()) std::printf("note: bind mounts are not allowed here; that path was not tried\n");

  // Through the file output, as a pass reaches it: every name taken, overwriting allowed.
  test::TRecordingView view;
  view.answers = {true};
  TEveryNameTaken taken;
  fs::create_hard_link(image, out + "/snd100001.wav");
  TRecoveredFileOutput output(taken, view, out + "/");
  output.Start("snd", "wav", "WAV", 0);
  EXPECT_FALSE(output.IsOpen());
  EXPECT_TRUE(output.FatalError);
  EXPECT_EQ(view.log.at(1), "Error: Cannot create destination file: " + out + "/snd100001.wav.");

  EXPECT_EQ(test::ReadText(image), card);
  EXPECT_EQ(test::ReadText(report), "name\tformat\n");
}

}  // namespace
}  // namespace quillot
