// End to end: a real FAT32 card built by the sample script from real audio clips, some of them deleted,
// recovered with the shipped catalogue. Every clip comes back as the beginning of a recovered file, and
// the card image is not changed by the pass.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

#include "drive/DriveTable.h"
#include "drive/IORoutines.h"
#include "engine/RecoveryPass.h"
#include "support/Files.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"

namespace quillot {
namespace {

namespace fs = std::filesystem;

TEST(SampleCard, EveryClipLiveOrDeletedIsRecoveredAndTheCardIsUntouched) {
  if (std::system("command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null") != 0)
    GTEST_FAIL() << "mkfs.fat and mcopy are needed (dosfstools, mtools)";
  test::TTempDir dir;
  const std::string image = dir.File("card.img");
  const std::string script = std::string(QUILLOT_SOURCE_DIR) + "/samples/make-sample-card.sh";
  ASSERT_EQ(std::system((script + " " + image).c_str()), 0);
  chmod(image.c_str(), 0444);
  const std::string before = test::ReadText(image);

  TDataStorage storage;
  storage.LoadFormats(std::string(QUILLOT_SOURCE_DIR) + "/data/Quillot.ini");
  ASSERT_GT(storage.Formats.Count(), 30);

  std::string error;
  auto letter = AttachImage(image, error);
  ASSERT_TRUE(letter) << error;
  DriveAccessInit();
  test::TRecordingView view;
  TDiskDestination files;
  TRecoveryPass pass(view, files);
  TRecoveryOptions options{*letter, static_cast<uint8_t>(*letter - 'A' + 1), dir.File("out"), 1, 5000, 0};
  pass.StartRecovery(options, storage.Formats);
  DriveAccessDone();
  DriveTable().Remove(*letter);
  EXPECT_EQ(view.log.back(), "Recovery finished.");

  std::map<std::string, std::string> recovered;
  for (const auto& entry : fs::directory_iterator(dir.File("out")))
    recovered[entry.path().filename().string()] = test::ReadText(entry.path().string());
  int clips = 0;
  for (const auto& entry : fs::directory_iterator(std::string(QUILLOT_SOURCE_DIR) + "/samples/audio")) {
    const std::string clip = test::ReadText(entry.path().string());
    ++clips;
    bool found = false;
    for (const auto& [name, bytes] : recovered)
      if (bytes.compare(0, clip.size(), clip) == 0) found = true;
    EXPECT_TRUE(found) << entry.path().filename() << " was not recovered";
  }
  EXPECT_EQ(static_cast<int>(recovered.size()), clips);
  EXPECT_EQ(pass.FilesFound, clips);
  EXPECT_TRUE(test::ReadText(image) == before) << "the card image changed";
}

}  // namespace
}  // namespace quillot
