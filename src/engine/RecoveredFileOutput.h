// Turns the sector stream of a pass into numbered files: each recognised start begins a new file that
// receives every sector up to the next start. Appends are gathered into large writes, and runs of
// all-zero sectors become holes, which read back as the same zeros.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/Destination.h"
#include "engine/RecoveryView.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TRecoveredFileOutput {
 public:
  // folder ends in the path delimiter.
  TRecoveredFileOutput(TDestination& destination, TRecoveryView& view, std::string folder);
  ~TRecoveredFileOutput() { Close(); }

  // A recognised start: names and creates the next file (asking before an overwrite).
  // stream names the format's stream unit ("riff"), which follows the file and gives its verdict.
  void Start(const std::string& prefix, const std::string& extension, const std::string& formatTitle,
             uint64_t firstSector, const std::string& stream = {});
  // Appends one sector to the open file. The bytes must stay valid until Flush or Close.
  void Append(const uint8_t* sector, uint32_t bytesPerSec) {
    // A run that does not continue the gathered one writes that first, which may end the recording.
    if (accepting_ && pendingSize_ != 0 && sector != pendingBegin_ + pendingSize_) Flush();
    if (!accepting_) {
      if (open_) ++unwritten_;  // past the end of a trimmed file's recording
      return;
    }
    if (pendingSize_ != 0) {
      pendingSize_ += bytesPerSec;
    } else {
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
  // Whether the open file's stream goes on into the sector about to be appended, as its unit tells from
  // everything before it (a frame chain that lands on the sector's first byte, a page that starts there):
  // a match there that needs a check is then no start. Writes what was gathered first.
  bool StreamContinuesInto(const uint8_t* sector, size_t size);
  // Writes what Append gathered; run before the buffer holding it is reused.
  void Flush();
  void Close();

  bool IsOpen() const { return open_; }
  // End each file where its stream unit says its recording ends; the sectors after it, up to the next
  // start, are not written.
  bool Trim = false;
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
  // Feeds the part of the gathered run the file's unit has not seen yet, and leaves in pendingKeep_ how
  // much of the run belongs to the file.
  void FollowPending();

  TDestination& destination_;
  TRecoveryView& view_;
  std::string folder_;
  bool open_ = false;
  bool accepting_ = false;  // open, and (when trimming) its recording has not ended yet
  std::unique_ptr<TStreamUnit> unit_;
  TStreamAnswer answer_;
  uint64_t fed_ = 0;        // bytes of the file fed to its unit
  uint64_t unwritten_ = 0;  // sectors left unwritten after the recording ended
  int handle_ = -1;
  TRecoveredFile current_;
  const uint8_t* pendingBegin_ = nullptr;
  size_t pendingSize_ = 0;
  size_t pendingFed_ = 0;   // of the gathered run, the bytes fed to the unit
  size_t pendingKeep_ = 0;  // of those, the bytes that belong to the file
  uint32_t pendingSectorSize_ = 0;
};

}  // namespace quillot
