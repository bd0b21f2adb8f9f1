// One recovery pass: reads the chosen drive in chunks, tests every sector for a file start and hands
// every sector to the file output. The wizard's Start button and the command line run this same code.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "drive/IORoutines.h"
#include "engine/Destination.h"
#include "engine/RecoveryView.h"
#include "formats/FileTypes.h"

namespace quillot {

struct TRecoveryOptions {
  char DriveLetter = 0;     // 'A'..'Z'
  uint8_t DriveNumber = 0;  // 1 = A:
  std::string TargetFolder;
  int32_t RetryCount = 1;
  int32_t SectorsToRead = 5000;
  uint64_t StartSector = 0;
  // Stop also ends the retries of a failing read; the wizard reads Stop only between chunks.
  bool StopEndsRetries = false;
  // End each file where its stream unit says its recording ends.
  bool Trim = false;
  // With Trim: look ahead for the pieces that continue a recording whose stream broke.
  bool Reassemble = false;
};

// Bytes of the pass's work buffer: 10 MiB and one byte.
inline constexpr size_t kWorkBufferSize = 10485761;

// How a pass ended; it chooses the pass's closing log line.
enum class TPassOutcome {
  NotStarted,  // no pass has started yet
  Finished,    // every sector from the start sector on was processed
  Cancelled,   // Stop was requested, or the destination was on the source drive
  Fatal,       // the last create or write of a recovered file failed, or an error was raised
};

class TRecoveryPass {
 public:
  TRecoveryPass(TRecoveryView& view, TDestination& destination) : view_(view), destination_(destination) {}

  // Runs a whole pass over catalogue (which it sorts by Order). DriveParams is refreshed first.
  void StartRecovery(const TRecoveryOptions& options, TFormatsList& catalogue);
  // The Stop button: the pass ends at the next chunk boundary. Safe from a signal handler.
  void RequestStop() { StopRequested = true; }

  // The pass state the wizard reads.
  bool Running = false;
  std::atomic<bool> StopRequested{false};
  bool PassDone = false;
  int32_t FilesFound = 0;
  int32_t ReadErrors = 0;
  bool FatalError = false;
  TDriveParams DriveParams;
  // How the last pass that started ended; a drive without sectors starts none.
  TPassOutcome Outcome() const { return outcome_; }
  // After a pass stopped before the drive's end: the sector a new pass starts from to go on, the first
  // sector of the file that was open (so that it comes back whole) unless its recording had ended, else the
  // first sector not read.
  // Empty after any other end.
  std::optional<uint64_t> ResumeSector() const { return resume_; }

 private:
  struct TPassRun;

  bool BeginPass(TPassRun& run, TFormatsList& catalogue);
  void EnterRunning();
  void ShowPassStarting(char driveLetter);
  void CheckDestination(TPassRun& run);
  bool MoreChunks(const TPassRun& run) const;
  void ReadChunk(TPassRun& run);
  void ScanChunk(TPassRun& run);
  // The format whose file starts at sector k of the chunk, or nullptr: the first match whose check, if it
  // needs one, holds.
  const TFormat* StartAt(TPassRun& run, uint32_t k, const uint8_t* sector);
  bool CheckedStartHolds(TPassRun& run, uint32_t k, const uint8_t* sector, const TFormat& format);
  // The bytes a start check at sector k reads: from the chunk, and past its end from one read of the
  // sectors that follow it; ends tells that nothing follows them.
  const uint8_t* CheckBytes(TPassRun& run, uint32_t k, size_t& size, bool& ends);
  // The sectors after the chunk, up to a start check's bytes, read once per chunk.
  const std::vector<uint8_t>& Lookahead(TPassRun& run);
  void EndPass(TPassRun& run);
  // Closes the open file and starts one of format at sector.
  void StartFile(TPassRun& run, const TFormat& format, uint64_t sector);
  // A start held back while the open file's end was not known is taken where that end turns out to lie;
  // last is the last sector handed to the output.
  void TakeHeldStart(TPassRun& run, uint64_t last);

  TRecoveryView& view_;
  TDestination& destination_;
  TPassOutcome outcome_ = TPassOutcome::NotStarted;
  std::optional<uint64_t> resume_;
};

// The folder with the path delimiter at its end.
std::string WithTrailingDelimiter(const std::string& folder);

}  // namespace quillot
