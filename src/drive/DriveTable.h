// The drive table: which source stands behind each drive letter A..Z.
// Block devices come from sysfs (floppies on A: and B:, the rest from C:), disk images attached by the
// user take the next free letters. A letter stays with its device for the whole run: a device found again
// keeps it, and a letter once given is not given to another device, so a choice made on a letter can never
// come to mean another disk. Sources are opened read-only and never written.
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
  // Everything the table holds: the sources, who each letter was given to in this run, and where it scans.
  struct TState {
    std::array<std::shared_ptr<TBlockSource>, 26> Slots{};
    // What each letter was given to ("" = not yet in this run): a device or image by its identity.
    std::array<std::string, 26> Owners{};
    std::string SysRoot = "/sys/class/block", DevRoot = "/dev";
  };

  // The source at a letter (either case); nullptr for an empty letter or one outside A..Z.
  std::shared_ptr<TBlockSource> Source(char letter);
  // Bit 0 = A: ... bit 25 = Z:, set for every letter with a source.
  uint32_t LogicalDrives();

  // Attaches an image file (or a block device node) under the next letter not yet given in this run.
  // Attaching the same file twice answers its letter. On failure answers nothing and a message in error.
  std::optional<char> AttachImage(const std::string& path, std::string& error);

  // Puts a source under a letter, replacing what was there (tests, the GUI). False for a bad letter.
  bool Register(char letter, std::shared_ptr<TBlockSource> source);
  // Lets go of a letter: it is empty and may be given again.
  void Remove(char letter);

  // Finds the block devices again; attached images and devices found again keep their letters, devices
  // that went away leave theirs empty. The second form scans other roots, from then on.
  void Rescan();
  void Rescan(const std::string& sysRoot, const std::string& devRoot);

  // The whole table, for tests that set it up and put it back.
  TState Snapshot();
  void Restore(const TState& state);

 private:
  void EnsureScanned();
  void AssignDevices(const std::vector<TSysBlockEntry>& entries);
  // The letter given to owner in this run, or -1.
  int LetterOwnedBy(const std::string& owner) const;
  // The first empty letter not yet given in this run, A: and B: only for floppies; -1 when none is left.
  int UnusedLetter(bool floppy) const;
  static int IndexOf(char letter);

  std::mutex mutex_;
  TState state_;
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
