// A recovery pass on the NT family over a fake disk under D:, with one searched test format whose
// files begin with the bytes AB CD (prefix "f", extension "bin"); or over a sparse image file under D:.
#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "drive/IORoutines.h"
#include "formats/FileTypes.h"
#include "platform/WinVersion.h"
#include "support/FakeDisk.h"
#include "support/RecordingView.h"

namespace quillot::test {

class TPassFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSimulatedVersion(VersionOfPlatformName("nt"));
    DriveAccessInit();
    auto f = std::make_unique<TFormat>();
    f->Title = "Test";
    f->FilePrefix = "f";
    f->FileExtension = "bin";
    f->Search = true;
    f->ScanBytes = "0=#$AB,1=#$CD";
    catalogue.Add(std::move(f));
  }
  void TearDown() override {
    DriveAccessDone();
    SetSimulatedVersion(std::nullopt);
  }

  // A disk of count sectors under D:, with file starts at the given sectors.
  std::shared_ptr<testing::TFakeDisk> Disk(uint32_t count, std::initializer_list<uint32_t> starts = {},
                                           uint32_t sectorSize = 512, TSourceKind kind = TSourceKind::Fixed) {
    auto disk = std::make_shared<testing::TFakeDisk>(uint64_t{count} * sectorSize, sectorSize, kind);
    for (uint32_t s : starts) {
      disk->Data[uint64_t{s} * sectorSize] = 0xAB;
      disk->Data[uint64_t{s} * sectorSize + 1] = 0xCD;
    }
    registration = std::make_unique<testing::TFakeDiskRegistration>('D', disk);
    return disk;
  }

  // A sparse image file of bytes under D:, holding each clip at its 512-byte sector; a failure, with
  // the reason, where the file system cannot hold a file that large.
  ::testing::AssertionResult SparseImage(const std::string& path, uint64_t bytes,
                                         const std::vector<std::pair<uint64_t, std::string>>& clips) {
    std::error_code ec;
    bool made = std::ofstream(path, std::ios::binary | std::ios::trunc).good();
    std::filesystem::resize_file(path, bytes, ec);
    made = made && !ec;
    if (made) {
      std::fstream image(path, std::ios::binary | std::ios::in | std::ios::out);
      for (const auto& [sector, clip] : clips) {
        image.seekp(static_cast<std::streamoff>(sector * 512));
        image.write(clip.data(), static_cast<std::streamsize>(clip.size()));
      }
      made = image.flush().good();
    }
    if (!made)
      return ::testing::AssertionFailure()
             << "no sparse image of " << bytes << " bytes: " << (ec ? ec.message() : "a write failed");
    registration = std::make_unique<testing::TFakeDiskRegistration>(
        'D', std::make_shared<TFileBlockSource>(path, path, TSourceKind::Fixed, false, true, 512));
    return ::testing::AssertionSuccess();
  }

  testing::TScopedEmptyDriveTable table;
  std::unique_ptr<testing::TFakeDiskRegistration> registration;
  TFormatsList catalogue;
  TRecordingView view;
};

}  // namespace quillot::test
