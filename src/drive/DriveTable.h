// The drive table: which source stands behind each drive letter A..Z.
// Block devices come from sysfs (floppies on A: and B:, the rest from C:), disk images attached by the
// user take the next free letters. Sources are opened read-only and never written.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <vector>

#include "platform/BlockSource.h"
#include "platform/SysBlockScan.h"

namespace quillot {

class TDriveTable {
 public:
  using TSlots = std::array<std::shared_ptr<TBlockSource>, 26>;

  // The source at a letter (either case); nullptr for an empty letter or one outside A..Z.
  std::shared_ptr<TBlockSource> Source(char letter);
  // Bit 0 = A: ... bit 25 = Z:, set for every letter with a source.
  uint32_t LogicalDrives();

  // Attaches an image file (or a block device node) under the next free letter. Attaching the same
  // file twice answers its letter. On failure answers nothing and a message in error.
  std::optional<char> AttachImage(const std::string& path, std::string& error);

  // Puts a source under a letter, replacing what was there (tests, the GUI). False for a bad letter.
  bool Register(char letter, std::shared_ptr<TBlockSource> source);
  void Remove(char letter);

  // Finds the block devices again; attached images keep their letters.
  void Rescan(const std::string& sysRoot = "/sys/class/block", const std::string& devRoot = "/dev");

  // The whole table, for tests that set it up and put it back.
  TSlots Snapshot();
  void Restore(const TSlots& slots);

 private:
  void EnsureScanned();
  void AssignDevices(const std::vector<TSysBlockEntry>& entries);
  static int IndexOf(char letter);

  std::mutex mutex_;
  TSlots slots_{};
  bool scanned_ = false;
};

// The one table of the program.
TDriveTable& DriveTable();

// The logical-drive bit mask (bit 0 = A:).
uint32_t GetLogicalDrives();

// Shorthand for DriveTable().AttachImage.
std::optional<char> AttachImage(const std::string& path, std::string& error);

// The drive number (1 = A:) as a letter, or '\0' outside 1..26.
char DriveLetterOf(uint8_t driveNumber);

}  // namespace quillot
