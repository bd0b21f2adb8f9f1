// A recovery pass on the NT family over a fake disk under D:, with one searched test format whose
// files begin with the bytes AB CD (prefix "f", extension "bin").
#pragma once

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

  testing::TScopedEmptyDriveTable table;
  std::unique_ptr<testing::TFakeDiskRegistration> registration;
  TFormatsList catalogue;
  TRecordingView view;
};

}  // namespace quillot::test
