// A disk held in memory behind the drive table: counts opens, fails chosen sectors, ends early,
// vanishes or shrinks on command. Register it under a letter with TFakeDiskRegistration.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "drive/DriveTable.h"
#include "platform/BlockSource.h"
#include "platform/UDisksOpen.h"

namespace quillot::testing {

class TFakeDisk : public TBlockSource, public std::enable_shared_from_this<TFakeDisk> {
 public:
  // The byte a fake disk holds at offset j of sector k (in its own sector size): tells sectors apart.
  static uint8_t PatternByte(uint64_t sector, uint32_t offset) {
    return static_cast<uint8_t>(sector * 37 + offset * 3 + (sector >> 8));
  }

  TFakeDisk(uint64_t length, uint32_t sectorSize = 512, TSourceKind kind = TSourceKind::Fixed)
      : Data(length), SectorSizeReported(sectorSize), SourceKind(kind) {
    const uint32_t step = sectorSize ? sectorSize : 512;
    for (uint64_t i = 0; i < length; ++i) Data[i] = PatternByte(i / step, static_cast<uint32_t>(i % step));
  }

  // The content; its size is the medium's length.
  std::vector<uint8_t> Data;
  // What the sector-size query answers (0 or odd sizes to try bad media).
  uint32_t SectorSizeReported;
  TSourceKind SourceKind;
  bool RemovableFlag = false;
  bool Image = false;
  std::string SourceName = "fake";
  std::string SourcePath;  // the device node or file it stands for; none by default

  // Sectors (in SectorSizeReported units) whose reads fail with EIO.
  std::set<uint64_t> FailingSectors;
  // A read that reaches a failing sector past its start returns the good sectors before it, as a short
  // read; when false it fails whole, returning nothing, as some devices do.
  bool ShortReads = true;
  // Reads stop short at this byte although the length says more (a medium that ends early).
  uint64_t EndsAt = UINT64_MAX;
  bool FailOpen = false;
  bool NoMedium = false;  // with FailOpen: the drive holds no medium, rather than refusing access
  // With FailOpen for lack of rights: the system would ask the user (as udisks2 does), and what the
  // user answers; an open inside a TAccessRequestScope then gets the device when granted.
  bool AccessAskable = false;
  bool GrantWhenAsked = false;
  int AccessAsked = 0;
  bool NoLength = false;
  // What the length query answers, when set (a huge medium without the memory to hold it).
  uint64_t LengthReported = UINT64_MAX;
  // After this many reads the medium is gone (reads and the length query fail).
  uint64_t VanishAfterReads = UINT64_MAX;
  // After this many reads the medium shrinks to ShrinkTo bytes.
  uint64_t ShrinkAfterReads = UINT64_MAX;
  uint64_t ShrinkTo = 0;

  // Runs inside every read, before it returns: a slow source's read is held while it runs.
  std::function<void(uint64_t offset, size_t length)> OnRead;

  int Opens = 0;
  uint64_t Reads = 0;
  size_t LargestRead = 0;  // the longest single read asked for

  std::string Name() const override { return SourceName; }
  TSourceKind Kind() const override { return SourceKind; }
  bool Removable() const override { return RemovableFlag; }
  std::string Path() const override { return SourcePath; }
  bool IsImage() const override { return Image; }
  TOpenFailure LastOpenFailure() const override {
    return !FailOpen ? TOpenFailure::None : NoMedium ? TOpenFailure::NoMedium : TOpenFailure::NoAccess;
  }
  bool AccessMayBeAsked() const override { return FailOpen && !NoMedium && AccessAskable; }

  std::unique_ptr<TBlockDevice> Open(std::string& error) override {
    if (FailOpen && AccessMayBeAsked() && TAccessRequestScope::Active()) {
      ++AccessAsked;
      if (GrantWhenAsked) {
        ++Opens;
        return std::make_unique<TDevice>(shared_from_this());
      }
    }
    if (FailOpen) {
      error = SourceName + ": " + (NoMedium ? "No medium found" : std::strerror(EACCES));
      return nullptr;
    }
    ++Opens;
    return std::make_unique<TDevice>(shared_from_this());
  }

 private:
  class TDevice final : public TBlockDevice {
   public:
    explicit TDevice(std::shared_ptr<TFakeDisk> disk) : disk_(std::move(disk)) {}

    int64_t ReadAt(uint64_t offset, void* buffer, size_t length) override {
      TFakeDisk& d = *disk_;
      ++d.Reads;
      d.LargestRead = std::max(d.LargestRead, length);
      if (d.Reads > d.VanishAfterReads) {
        errno = ENODEV;
        return -1;
      }
      if (d.Reads > d.ShrinkAfterReads && d.Data.size() > d.ShrinkTo) d.Data.resize(d.ShrinkTo);
      const uint64_t end = std::min<uint64_t>(d.Data.size(), d.EndsAt);
      if (offset >= end) return 0;
      uint64_t stop = std::min<uint64_t>(end, offset + length);
      const uint32_t step = d.SectorSizeReported ? d.SectorSizeReported : 512;
      for (uint64_t bad : d.FailingSectors) {
        const uint64_t badStart = bad * step, badEnd = badStart + step;
        if (badEnd <= offset || badStart >= stop) continue;
        if (badStart <= offset || !d.ShortReads) {
          errno = EIO;
          return -1;
        }
        stop = badStart;  // what lies before the bad sector comes back, like a real short read
      }
      std::memcpy(buffer, d.Data.data() + offset, stop - offset);
      if (d.OnRead) d.OnRead(offset, length);
      return static_cast<int64_t>(stop - offset);
    }

    bool SectorSize(uint32_t& bytes) override {
      bytes = disk_->SectorSizeReported;
      return true;
    }

    bool Length(uint64_t& bytes) override {
      if (disk_->NoLength || disk_->Reads > disk_->VanishAfterReads) return false;
      bytes = disk_->LengthReported != UINT64_MAX ? disk_->LengthReported : disk_->Data.size();
      return true;
    }

   private:
    std::shared_ptr<TFakeDisk> disk_;
  };
};

// Puts a source under a letter for the lifetime of the object, then puts back what was there.
class TFakeDiskRegistration {
 public:
  TFakeDiskRegistration(char letter, std::shared_ptr<TBlockSource> source)
      : letter_(letter), previous_(DriveTable().Source(letter)) {
    DriveTable().Register(letter, std::move(source));
  }
  ~TFakeDiskRegistration() {
    if (previous_)
      DriveTable().Register(letter_, previous_);
    else
      DriveTable().Remove(letter_);
  }
  TFakeDiskRegistration(const TFakeDiskRegistration&) = delete;
  TFakeDiskRegistration& operator=(const TFakeDiskRegistration&) = delete;

 private:
  char letter_;
  std::shared_ptr<TBlockSource> previous_;
};

// Empties the whole drive table (no machine devices) for a test, and puts it back afterwards.
class TScopedEmptyDriveTable {
 public:
  TScopedEmptyDriveTable() : saved_(DriveTable().Snapshot()) { DriveTable().Restore({}); }
  ~TScopedEmptyDriveTable() { DriveTable().Restore(saved_); }
  TScopedEmptyDriveTable(const TScopedEmptyDriveTable&) = delete;
  TScopedEmptyDriveTable& operator=(const TScopedEmptyDriveTable&) = delete;

 private:
  TDriveTable::TState saved_;
};

}  // namespace quillot::testing
