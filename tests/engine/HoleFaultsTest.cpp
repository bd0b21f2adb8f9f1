// A full destination while a file ends in zero sectors, which the output leaves as holes: the holes
// must not hide a failure. fuzz/reproducers/trailing-holes.sh shows the same through the command line.
#include <gtest/gtest.h>

#include <algorithm>

#include "drive/IORoutines.h"
#include "engine/RecoveryPass.h"
#include "platform/WinVersion.h"
#include "support/FakeDestination.h"
#include "support/FakeDisk.h"
#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/PassFixture.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

// One file from sector 0: ten sectors of data, then thirty of zeros.
class HoleFaultsTest : public test::TPassFixture {
 protected:
  void SetUp() override {
    TPassFixture::SetUp();
    disk = Disk(40, {0});
    std::fill(disk->Data.begin() + 10 * 512, disk->Data.end(), 0);
  }
  bool Logged(const std::string& line) const {
    return std::find(view.log.begin(), view.log.end(), line) != view.log.end();
  }

  std::shared_ptr<testing::TFakeDisk> disk;
  TRecoveryOptions options{'D', 4, "/out", 1, 5000, 0};
};

// The length the trailing hole needs lies past the limit: setting it is a failed write.
TEST_F(HoleFaultsTest, ATrailingHolePastTheFileSizeLimitIsAFailedWrite) {
  test::TTempDir dir;
  options.TargetFolder = dir.File("out");
  TDiskDestination files;
  TRecoveryPass pass(view, files);
  {
    test::TFileSizeLimit limit(16 * 512);
    pass.StartRecovery(options, catalogue);
  }
  const std::string file = dir.File("out/f00001.bin");
  EXPECT_TRUE(Logged("Error: Cannot write to destination file: " + file + "!"));
  EXPECT_EQ(view.log.back(), "Recovery encountered an fatal error.");
  EXPECT_TRUE(pass.FatalError);
}

// The data sectors that found no room fail; the zero sectors after them, left as holes, must not clear
// the fatal error as if they had been written.
TEST_F(HoleFaultsTest, ZeroSectorsAfterAFullDiskDoNotClearTheFatalError) {
  test::TFakeDestination files;
  files.spaceLeft = 4 * 512;
  TRecoveryPass pass(view, files);
  pass.StartRecovery(options, catalogue);
  EXPECT_TRUE(Logged("Error: Cannot write to destination file: /out/f00001.bin!"));
  EXPECT_EQ(view.log.back(), "Recovery encountered an fatal error.");
  EXPECT_TRUE(pass.FatalError);
}

}  // namespace
}  // namespace quillot
