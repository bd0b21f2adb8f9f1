// Turns the sector stream of a pass into numbered files: each recognised start begins a new file that
// receives every sector up to the next start. Appends are gathered into large writes, and runs of
// all-zero sectors become holes, which read back as the same zeros.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Destination.h"
#include "engine/RecoveryView.h"

namespace quillot {

class TRecoveredFileOutput {
 public:
  // folder ends in the path delimiter.
  TRecoveredFileOutput(TDestination& destination, TRecoveryView& view, std::string folder);
  ~TRecoveredFileOutput() { Close(); }

  // A recognised start: names and creates the next file (asking before an overwrite).
  void Start(const std::string& prefix, const std::string& extension, const std::string& formatTitle,
             uint64_t firstSector);
  // Appends one sector to the open file. The bytes must stay valid until Flush or Close.
  void Append(const uint8_t* sector, uint32_t bytesPerSec) {
    if (!open_) return;
    if (pendingSize_ != 0 && sector == pendingBegin_ + pendingSize_) {
      pendingSize_ += bytesPerSec;
    } else {
      Flush();
      pendingBegin_ = sector;
      pendingSize_ = bytesPerSec;
    }
    pendingSectorSize_ = bytesPerSec;
    ++current_.Sectors;
  }
  // The sector just appended could not be read: it went in as zeros, and the file's report says so.
  void MarkUnreadable(uint64_t sector) {
    if (open_) current_.UnreadableSectors.push_back(sector);
  }
  // Writes what Append gathered; run before the buffer holding it is reused.
  void Flush();
  void Close();

  bool IsOpen() const { return open_; }
  bool FatalError = false;
  int32_t FilesFound = 0;
  int32_t NameOffset = 0;

 private:
  std::string NameFor(const std::string& prefix, const std::string& extension) const;
  // Moves NameOffset past the taken names into name; true when every name up to the limit is taken.
  bool SearchName(const std::string& prefix, const std::string& extension, std::string& name);
  // Writes whole sectors of data, falling back to one sector at a time when the large write fails.
  void WriteRun(const uint8_t* data, size_t size);
  void WriteFailed();

  TDestination& destination_;
  TRecoveryView& view_;
  std::string folder_;
  bool open_ = false;
  int handle_ = -1;
  TRecoveredFile current_;
  const uint8_t* pendingBegin_ = nullptr;
  size_t pendingSize_ = 0;
  uint32_t pendingSectorSize_ = 0;
};

}  // namespace quillot
